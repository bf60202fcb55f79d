#include "ui/frmTimestamp.h"

#include "core/timestamps/timestamp_format.h"
#include "core/timestamps/timestamp_settings.h"
#include "ui/frmMain.h"
#include "ui/message_box.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

using namespace modMain;

namespace {

const QString Title = QStringLiteral("タイムスタンプ設定");
const QString OffsetProblem =
    QStringLiteral("オフセットは +時:分:秒 の形で入力してください（例: +13:00:00、-00:00:05）。");

} // namespace

frmTimestamp* modMain::TimestampForm = nullptr;

frmTimestamp::frmTimestamp(QWidget* parent) : QDialog(parent) {
    setObjectName("frmTimestamp");
    setWindowTitle(Title);
    setWindowIcon(QIcon(QStringLiteral(":/memotap.png")));
    buildControls();
    const TimestampSettings stored = StoredTimestampSettings();
    txtFormat->setText(stored.format);
    txtOffset->setText(stored.offsetMs == 0 ? QString() : TimestampOffsetText(stored.offsetMs));
    cmbPasteKey->setCurrentIndex(cmbPasteKey->findData(static_cast<int>(stored.pasteKey)));
    txtFormat_Change();
}

frmTimestamp::~frmTimestamp() {
    if (TimestampForm == this)
        TimestampForm = nullptr;
}

void frmTimestamp::buildControls() {
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    txtFormat = new QLineEdit(this);
    txtFormat->setObjectName("txtFormat");
    txtFormat->setMaxLength(LongestTimestampFormat + 1); // one more, so the limit is told
    form->addRow(QStringLiteral("書式:"), txtFormat);
    txtOffset = new QLineEdit(this);
    txtOffset->setObjectName("txtOffset");
    txtOffset->setPlaceholderText(QStringLiteral("+00:00:00"));
    form->addRow(QStringLiteral("オフセット:"), txtOffset);
    lblPreview = new QLabel(this);
    lblPreview->setObjectName("lblPreview");
    lblPreview->setTextFormat(Qt::PlainText);
    form->addRow(QStringLiteral("例（01:02:03.4）:"), lblPreview);
    cmbPasteKey = new QComboBox(this);
    cmbPasteKey->setObjectName("cmbPasteKey");
    cmbPasteKey->addItem(QStringLiteral("Ctrl+V"), static_cast<int>(PasteKey::CtrlV));
    cmbPasteKey->addItem(QStringLiteral("Ctrl+Shift+V（端末）"),
                         static_cast<int>(PasteKey::CtrlShiftV));
    cmbPasteKey->addItem(QStringLiteral("Shift+Insert"), static_cast<int>(PasteKey::ShiftInsert));
    form->addRow(QStringLiteral("挿入の貼り付けキー:"), cmbPasteKey);
    layout->addLayout(form);
    layout->addWidget(new QLabel(
        QStringLiteral("{hh} 時、{mm} 分、{ss} 秒、{d} 1/10秒。ほかの文字はそのまま入ります。"),
        this));

    auto* buttons = new QDialogButtonBox(this);
    cmdOK = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    cmdOK->setObjectName("cmdOK");
    cmdCancel = buttons->addButton(QStringLiteral("キャンセル"), QDialogButtonBox::RejectRole);
    cmdCancel->setObjectName("cmdCancel");
    layout->addWidget(buttons);

    connect(txtFormat, &QLineEdit::textChanged, this, &frmTimestamp::txtFormat_Change);
    connect(txtOffset, &QLineEdit::textChanged, this, &frmTimestamp::txtFormat_Change);
    connect(cmdOK, &QPushButton::clicked, this, &frmTimestamp::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
}

QString frmTimestamp::problem() const {
    if (const std::optional<QString> format = TimestampFormatProblem(txtFormat->text()))
        return *format;
    if (!ParseTimestampOffset(txtOffset->text()))
        return OffsetProblem;
    return {};
}

void frmTimestamp::txtFormat_Change() {
    const QString wrong = problem();
    lblPreview->setText(wrong.isEmpty() ? FormatTimestamp(txtFormat->text(), PreviewPositionMs,
                                                          *ParseTimestampOffset(txtOffset->text()))
                                        : wrong);
}

void frmTimestamp::cmdOK_Click() {
    const QString wrong = problem();
    if (!wrong.isEmpty()) {
        ShowMessage(wrong, Title, MessageIcon::Warning, MessageButtons::Ok, this);
        return;
    }
    const TimestampSettings settings{txtFormat->text(), *ParseTimestampOffset(txtOffset->text()),
                                     static_cast<PasteKey>(cmbPasteKey->currentData().toInt())};
    if (!StoreTimestampSettings(settings)) {
        ShowMessage(QStringLiteral("設定ファイルに書き込めませんでした。"), Title,
                    MessageIcon::Warning, MessageButtons::Ok, this);
        return;
    }
    accept();
}

namespace modMain {

void ShowTimestampForm() {
    if (!TimestampForm) {
        TimestampForm = new frmTimestamp(MainForm);
        TimestampForm->setAttribute(Qt::WA_DeleteOnClose);
    }
    TimestampForm->show();
    TimestampForm->raise();
    TimestampForm->activateWindow();
}

} // namespace modMain
