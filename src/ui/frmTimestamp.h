// The timestamp dialog: the format with a live preview, the offset added to
// the position, and the key that pastes an inserted timestamp. OK stores
// them; a format or offset that cannot be used is refused with a message and
// nothing is stored.
#pragma once

#include <QDialog>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

class frmTimestamp : public QDialog {
    Q_OBJECT

  public:
    explicit frmTimestamp(QWidget* parent = nullptr);
    ~frmTimestamp() override;

    QLineEdit* txtFormat = nullptr;
    QLineEdit* txtOffset = nullptr;
    QComboBox* cmbPasteKey = nullptr;
    QLabel* lblPreview = nullptr;
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdCancel = nullptr;

    // The position the preview shows, in milliseconds.
    static constexpr qint64 PreviewPositionMs = 3723400; // 1:02:03.4

  public slots:
    void txtFormat_Change();
    void cmdOK_Click();

  private:
    void buildControls();
    // What is wrong with the fields, or empty when they can be stored.
    QString problem() const;
};

namespace modMain {

extern frmTimestamp* TimestampForm;
// Shows the timestamp dialog with the stored settings, creating it on first use.
void ShowTimestampForm();

} // namespace modMain
