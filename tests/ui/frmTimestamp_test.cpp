// The timestamp dialog, opened from the settings menu: the live example,
// formats and offsets refused with the reason and never stored, and the
// fields stored in the extra file and shown again.
#include "core/extra_settings.h"
#include "core/textfile.h"
#include "core/timestamps/timestamp_settings.h"
#include "ui/frmTimestamp.h"
#include "ui/modes_fixture.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>

using namespace modMain;

namespace {

class TimestampDialog : public StartedWindow {
  protected:
    void SetUp() override {
        StartedWindow::SetUp();
        ResetExtraSettingsForTesting();
        start();
    }

    frmTimestamp* open() {
        form->mnuTimestamp->trigger();
        return TimestampForm;
    }

    QString savedExtra() const {
        QFile file(folder.filePath(ExtraSettingsFileName));
        return file.open(QIODevice::ReadOnly) ? textfile::decode(file.readAll()) : QString();
    }
};

} // namespace

TEST_F(TimestampDialog, OpensFromTheSettingsMenuWithTheDefaultAndALiveExample) {
    ASSERT_TRUE(form->mnuSetUp->actions().contains(form->mnuTimestamp));
    EXPECT_EQ(form->mnuTimestamp->text(), "タイムスタンプ設定...");
    frmTimestamp* dialog = open();
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(dialog->txtFormat->text(), "[{hh}:{mm}:{ss}]");
    EXPECT_EQ(dialog->txtOffset->text(), "");
    EXPECT_EQ(dialog->lblPreview->text(), "[01:02:03]");

    dialog->txtFormat->setText("●({mm}:{ss}.{d})");
    EXPECT_EQ(dialog->lblPreview->text(), "●(62:03.4)");
    dialog->txtOffset->setText("+13:00:00");
    EXPECT_EQ(dialog->lblPreview->text(), "●(842:03.4)");
    dialog->txtOffset->setText("13時");
    EXPECT_TRUE(dialog->lblPreview->text().contains("オフセット"));
}

TEST_F(TimestampDialog, UnusableFieldsAreRefusedWithTheReasonAndNothingIsStored) {
    frmTimestamp* dialog = open();
    for (const QString& format :
         {QString(), QStringLiteral("[hh:mm:ss]"), QStringLiteral("{ss}") + QString(197, u'x')}) {
        dialog->txtFormat->setText(format);
        messages.calls.clear();
        dialog->cmdOK->click();
        ASSERT_EQ(messages.calls.size(), 1u) << format.toStdString();
        EXPECT_EQ(messages.calls[0].title, "タイムスタンプ設定");
        EXPECT_EQ(messages.calls[0].text, dialog->lblPreview->text());
        EXPECT_TRUE(dialog->isVisible());
    }
    dialog->txtFormat->setText("{hh}:{mm}");
    dialog->txtOffset->setText("1:99");
    messages.calls.clear();
    dialog->cmdOK->click();
    EXPECT_EQ(messages.calls.size(), 1u);
    EXPECT_EQ(savedExtra(), "") << "nothing refused reaches the file";
}

TEST_F(TimestampDialog, OKStoresTheFieldsWhichTheNextDialogShows) {
    frmTimestamp* dialog = open();
    dialog->txtFormat->setText("●({hh}:{mm}:{ss})");
    dialog->txtOffset->setText("-5");
    dialog->cmbPasteKey->setCurrentIndex(dialog->cmbPasteKey->findText("Shift+Insert"));
    dialog->cmdOK->click();
    EXPECT_TRUE(messages.calls.empty());
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_TRUE(savedExtra().contains("timestamp.format=●({hh}:{mm}:{ss})\r\n"));
    EXPECT_TRUE(savedExtra().contains("timestamp.offset=-00:00:05\r\n"));
    EXPECT_TRUE(savedExtra().contains("timestamp.paste-key=shift+insert\r\n"));
    FlushDeletions();

    ResetExtraSettingsForTesting();
    LoadExtraSettings();
    frmTimestamp* again = open();
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(again->txtFormat->text(), "●({hh}:{mm}:{ss})");
    EXPECT_EQ(again->txtOffset->text(), "-00:00:05");
    EXPECT_EQ(again->cmbPasteKey->currentText(), "Shift+Insert");
    again->txtFormat->setText("{ss}");
    again->cmdCancel->click();
    EXPECT_EQ(StoredTimestampSettings().format, "●({hh}:{mm}:{ss})");
}
