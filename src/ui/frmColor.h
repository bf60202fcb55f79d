// The colour dialog: previews a panel and a text colour from the colour
// table, and applies and saves the choice. It exists only while it is open.
#pragma once

#include <QWidget>

class QComboBox;
class QLabel;
class QPushButton;

class frmColor : public QWidget {
    Q_OBJECT

  public:
    frmColor();
    ~frmColor() override;

    QLabel* lblPanel = nullptr;
    QLabel* lblChar = nullptr;
    QLabel* lblPanelColer = nullptr;
    QComboBox* cmbPanelColor = nullptr;
    QLabel* lblCharColer = nullptr;
    QComboBox* cmbCharColor = nullptr;
    QPushButton* cmdSetUpOK = nullptr;
    QPushButton* cmdSetUpCancel = nullptr;
    QPushButton* cmdSetUpApply = nullptr;

  public slots:
    void cmbPanelColor_Click();
    void cmbCharColor_Click();
    void cmdSetUpOK_Click();
    void cmdSetUpCancel_Click();
    void cmdSetUpApply_Click();

  private:
    void buildControls();
    void Form_Load();
    // PanelColour and CharColour from the lists, saved and painted.
    void applyChoice();
};
