// The pedal settings dialog: the pedal found, the command of each pedal, the
// play mode, the hotkey that plays while held, and a light for each pedal
// that shows while it is down, so the user can try the pedal out. Every
// change is stored at once.
#pragma once

#include "core/pedals/pedal_models.h"

#include <QDialog>
#include <array>

class QComboBox;
class QLabel;
class QPushButton;
class QRadioButton;

class frmPedal : public QDialog {
    Q_OBJECT

  public:
    explicit frmPedal(QWidget* parent = nullptr);
    ~frmPedal() override;

    QLabel* lblDevice = nullptr;
    std::array<QComboBox*, modMain::pedals::PedalCount> cmbPedal{};
    std::array<QLabel*, modMain::pedals::PedalCount> lblLight{};
    QRadioButton* optHold = nullptr;
    QRadioButton* optToggle = nullptr;
    QComboBox* cmbHoldKey = nullptr;
    QPushButton* cmdClose = nullptr;

  public slots:
    void cmbPedal_Change(int pedal);
    void optMode_Click();
    void cmbHoldKey_Change();

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void buildControls();
    void showDevice(const QString& name);
    void showLights(modMain::pedals::PedalState state);
    void fillHoldKeys();
};

namespace modMain {

// Shows the pedal dialog, creating it on first use.
void ShowPedalForm();
extern frmPedal* PedalForm;

} // namespace modMain
