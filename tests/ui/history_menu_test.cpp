// The File menu's items that show the recent-file history.
#include "core/modMain.h"
#include "support/fake_engine.h"
#include "support/history_entries.h"
#include "ui/forms.h"
#include "ui/frmMain.h"

#include <QAction>
#include <QMenu>
#include <gtest/gtest.h>
#include <memory>

using namespace modMain;

namespace {

class HistoryMenu : public ::testing::Test {
  protected:
    void SetUp() override {
        FakeEngine::install();
        form = std::make_unique<frmMain>();
        MainForm = form.get();
    }

    // The visible items of the File menu, separators as "-".
    QStringList fileMenu() const {
        QStringList items;
        for (QAction* a : form->mnuFile->actions()) {
            if (a->isVisible())
                items << (a->isSeparator() ? QString("-") : a->text());
        }
        return items;
    }

    std::unique_ptr<frmMain> form;
};

TEST_F(HistoryMenu, ShowsFilledEntriesWithTheirPositions) {
    setHistory({{"/rec/a.wav", 754}, {"/rec/b & c.mp3", 360000}, {"", 50}, {"/rec/d.wav", 3}});
    RefreshHistoryMenu();
    EXPECT_EQ(fileMenu(),
              QStringList({"開く(&O)...", "-", "/rec/a.wav 00:12:34", "/rec/b & c.mp3 100:00:00",
                           "/rec/d.wav 00:00:03", "-", "履歴削除(&D)", "-", "終了(&X)"}));
    EXPECT_EQ(form->mnuHistry[3]->text(), " 00:00:50") << "an empty entry is never shown";

    setHistory({});
    RefreshHistoryMenu();
    EXPECT_EQ(fileMenu(), QStringList({"開く(&O)...", "-", "終了(&X)"}));
}

TEST_F(HistoryMenu, OnlyEntryOneDecidesTheClearItem) {
    // An emptied first entry with filled ones below it: those show, the clear
    // item and its separators follow entry 1.
    setHistory({{"", 0}, {"/rec/b.wav", 0}});
    RefreshHistoryMenu();
    EXPECT_EQ(fileMenu(), QStringList({"開く(&O)...", "/rec/b.wav 00:00:00", "-", "終了(&X)"}));
}

TEST_F(HistoryMenu, ClearEmptiesEverything) {
    setHistory(Five);
    RefreshHistoryMenu();
    form->mnuClear->trigger();
    EXPECT_EQ(history(), Entries(5, HistoryEntry{}));
    EXPECT_EQ(fileMenu(), QStringList({"開く(&O)...", "-", "終了(&X)"}));
    for (int i = 1; i <= HistorySize; ++i)
        EXPECT_EQ(form->mnuHistry[i]->text(), "");
}

} // namespace
