// The colour dialog and ApplyColours: the lists follow the colour table of
// the settings file, the preview follows the lists, Apply and OK repaint the
// status strip and save, Cancel changes nothing.
#include "ui/colours.h"
#include "ui/frmColor.h"
#include "ui/modes_fixture.h"

#include <QCheckBox>
#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QTest>

using namespace modMain;

namespace {

const QColor Yellow(255, 255, 0);

QStringList Items(const QComboBox* list) {
    QStringList names;
    for (int i = 0; i < list->count(); ++i)
        names << list->itemText(i);
    return names;
}

QColor Text(const QWidget* widget) {
    return widget->palette().color(QPalette::WindowText);
}

QColor Background(const QWidget* widget) {
    return widget->palette().color(QPalette::Window);
}

// How many pixels of the rendered widget come close to the colour; the text
// of a label or check box shows in its glyphs' full-coverage pixels.
int PixelsNear(QWidget* widget, const QColor& colour) {
    const QImage image = widget->grab().toImage();
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (std::abs(c.red() - colour.red()) < 40 &&
                std::abs(c.green() - colour.green()) < 40 &&
                std::abs(c.blue() - colour.blue()) < 40)
                ++count;
        }
    return count;
}

QStringList Lines(const QByteArray& bytes) {
    QStringList lines = textfile::decode(bytes).split("\r\n");
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

QStringList SettingsWithColours(const QStringList& colours, const QString& pair) {
    QStringList lines = {"0,0,1", "\"\",0", "\"\",0", "\"\",0", "\"\",0", "\"\",0", "100,0,10,4,4"};
    lines << QString::number(colours.size()) << colours << pair;
    return lines;
}

class ColourDialog : public StartedWindow {
  protected:
    void TearDown() override {
        UnloadColorForm();
        StartedWindow::TearDown();
    }

    frmColor* open() {
        form->mnuOther->trigger();
        return ColorForm;
    }
};

TEST_F(ColourDialog, OpensWithTheCurrentChoiceAndApplyDisabled) {
    start();
    frmColor* dialog = open();
    ASSERT_NE(dialog, nullptr);

    EXPECT_EQ(dialog->windowTitle(), "カラー設定");
    // The program's 32 x 32 icon, the same as the main window's.
    ASSERT_TRUE(dialog->windowIcon().availableSizes().contains(QSize(32, 32)));
    EXPECT_EQ(dialog->windowIcon().pixmap(32, 32).toImage(),
              form->windowIcon().pixmap(32, 32).toImage());
    const QStringList names = {"黒", "白", "グレイ", "赤",       "緑",
                               "青", "紫", "ピンク", "オレンジ", "黄"};
    EXPECT_EQ(Items(dialog->cmbPanelColor), names);
    EXPECT_EQ(Items(dialog->cmbCharColor), names);
    EXPECT_EQ(dialog->cmbPanelColor->currentText(), "黒");
    EXPECT_EQ(dialog->cmbCharColor->currentText(), "白");
    EXPECT_EQ(Background(dialog->lblPanel), QColor(0, 0, 0));
    EXPECT_EQ(Text(dialog->lblChar), QColor(255, 255, 255));
    EXPECT_FALSE(dialog->cmdSetUpApply->isEnabled());
    EXPECT_EQ(dialog->lblChar->text(), QString("再生中　　　　　    　  　00:00:00/00:00:00"));
    // The preview text is shown whole.
    EXPECT_LE(dialog->lblChar->fontMetrics().horizontalAdvance(dialog->lblChar->text()),
              dialog->lblChar->width());
}

TEST_F(ColourDialog, ListsHoldTheTableOfTheSettingsFile) {
    writeSettings(
        SettingsWithColours({"10,20,30,\"紺\"", "200,200,200,\"銀\"", "255,128,0,\"橙\""}, "2,1"));
    start();
    frmColor* dialog = open();
    EXPECT_EQ(Items(dialog->cmbPanelColor), QStringList({"紺", "銀", "橙"}));
    EXPECT_EQ(Items(dialog->cmbCharColor), QStringList({"紺", "銀", "橙"}));
    EXPECT_EQ(dialog->cmbPanelColor->currentIndex(), 2);
    EXPECT_EQ(Background(dialog->lblPanel), QColor(255, 128, 0));
    EXPECT_EQ(Background(form->lblPanel), QColor(255, 128, 0));
    EXPECT_EQ(Text(form->lblState), QColor(200, 200, 200));
}

TEST_F(ColourDialog, ListsHoldTwelveEntriesWhenTheFileBringsTwelve) {
    QStringList colours;
    for (int i = 0; i < 12; ++i)
        colours << QString("%1,%1,%1,\"色%2\"").arg(i * 20).arg(i);
    writeSettings(SettingsWithColours(colours, "11,0"));
    start();
    frmColor* dialog = open();
    ASSERT_EQ(dialog->cmbPanelColor->count(), 12);
    ASSERT_EQ(dialog->cmbCharColor->count(), 12);
    EXPECT_EQ(dialog->cmbPanelColor->itemText(11), "色11");
    EXPECT_EQ(Background(dialog->lblPanel), QColor(220, 220, 220));
    EXPECT_EQ(Background(form->lblPanel), QColor(220, 220, 220));
}

TEST_F(ColourDialog, PreviewFollowsTheListsAndEnablesApply) {
    start();
    frmColor* dialog = open();
    dialog->cmbPanelColor->setCurrentIndex(5);
    EXPECT_EQ(Background(dialog->lblPanel), QColor(0, 0, 255));
    EXPECT_TRUE(dialog->cmdSetUpApply->isEnabled());
    dialog->cmbCharColor->setCurrentIndex(9);
    EXPECT_EQ(Text(dialog->lblChar), Yellow);
    // The main window waits for OK or Apply.
    EXPECT_EQ(Background(form->lblPanel), QColor(0, 0, 0));
    EXPECT_EQ(Text(form->lblState), QColor(255, 255, 255));
}

TEST_F(ColourDialog, ApplyRepaintsTheStripTextsAndSavesCharColourNine) {
    start();
    form->lblState->setText("停止");
    ASSERT_EQ(PixelsNear(form->chkMinMax, Yellow), 0);
    frmColor* dialog = open();

    dialog->cmbCharColor->setCurrentIndex(9);
    QTest::mouseClick(dialog->cmdSetUpApply, Qt::LeftButton);

    EXPECT_EQ(CharColour, 9);
    for (QLabel* label : {form->lblState, form->lblPTime, form->lblTTime})
        EXPECT_EQ(Text(label), Yellow) << label->objectName().toStdString();
    EXPECT_GT(PixelsNear(form->chkMinMax, Yellow), 10) << "the Min caption turns yellow";
    EXPECT_EQ(PixelsNear(form->chkMinMax, QColor(255, 255, 255)), 0);
    // The repeat labels keep their own red.
    EXPECT_EQ(Text(form->lblRep), QColor(192, 0, 0));
    EXPECT_EQ(Background(form->lblPanel), QColor(0, 0, 0));

    const QStringList lines = Lines(settingsBytes());
    ASSERT_EQ(lines.size(), 19);
    EXPECT_EQ(lines.last(), "0,9");
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(ColorForm, dialog);
    EXPECT_TRUE(dialog->cmdSetUpApply->isEnabled());
}

TEST_F(ColourDialog, OkAppliesSavesAndCloses) {
    start();
    frmColor* dialog = open();
    dialog->cmbPanelColor->setCurrentIndex(4);
    dialog->cmbCharColor->setCurrentIndex(0);
    QTest::mouseClick(dialog->cmdSetUpOK, Qt::LeftButton);
    FlushDeletions();

    EXPECT_EQ(ColorForm, nullptr);
    EXPECT_EQ(Background(form->lblPanel), QColor(51, 153, 0));
    EXPECT_EQ(Text(form->lblTTime), QColor(0, 0, 0));
    EXPECT_EQ(Lines(settingsBytes()).last(), "4,0");
}

TEST_F(ColourDialog, CancelChangesNeitherTheWindowNorTheFile) {
    writeSettings(
        SettingsWithColours({"0,0,0,\"黒\"", "255,255,255,\"白\"", "255,255,0,\"黄\""}, "0,1"));
    start();
    const QByteArray fileBefore = settingsBytes();
    frmColor* dialog = open();
    dialog->cmbPanelColor->setCurrentIndex(2);
    dialog->cmbCharColor->setCurrentIndex(0);

    QTest::mouseClick(dialog->cmdSetUpCancel, Qt::LeftButton);
    FlushDeletions();

    EXPECT_EQ(ColorForm, nullptr);
    EXPECT_EQ(PanelColour, 0);
    EXPECT_EQ(CharColour, 1);
    EXPECT_EQ(Background(form->lblPanel), QColor(0, 0, 0));
    EXPECT_EQ(Text(form->lblState), QColor(255, 255, 255));
    EXPECT_EQ(settingsBytes(), fileBefore);
}

TEST_F(ColourDialog, CancelAfterApplyKeepsWhatWasApplied) {
    start();
    frmColor* dialog = open();
    dialog->cmbPanelColor->setCurrentIndex(6);
    dialog->cmdSetUpApply->click();
    dialog->cmbPanelColor->setCurrentIndex(7);
    dialog->close(); // the close box
    FlushDeletions();

    EXPECT_EQ(ColorForm, nullptr);
    EXPECT_EQ(PanelColour, 6);
    EXPECT_EQ(Background(form->lblPanel), QColor(153, 51, 204));
    EXPECT_EQ(Lines(settingsBytes()).last(), "6,1");
}

TEST_F(ColourDialog, SameColourForPanelAndTextIsAllowed) {
    start();
    frmColor* dialog = open();
    dialog->cmbPanelColor->setCurrentIndex(3);
    dialog->cmbCharColor->setCurrentIndex(3);
    dialog->cmdSetUpOK->click();
    EXPECT_EQ(Background(form->lblPanel), QColor(255, 0, 0));
    EXPECT_EQ(Text(form->lblPTime), QColor(255, 0, 0));
}

} // namespace
