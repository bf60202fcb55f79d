// The real message boxes: what the user sees and which answer comes back.
#include "core/messagebox.h"
#include "support/message_recorder.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

using namespace modMain;

namespace {

// Shows real boxes; runs `inspect` on the box once it is shown, then presses
// `button` on it.
void WhenShown(std::function<void(QMessageBox*)> inspect, QMessageBox::StandardButton button) {
    SetMessageHookForTesting({});
    QTimer::singleShot(0, [inspect, button] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) {
            ADD_FAILURE() << "no message box is shown";
            return;
        }
        inspect(box);
        box->button(button)->click();
    });
}

} // namespace

TEST(MessageBox, WarningShowsTextTitleIconAndOk) {
    WhenShown(
        [](QMessageBox* box) {
            EXPECT_EQ(box->text(),
                      QStringLiteral("設定ファイルがありません。初期設定で起動します。"));
            EXPECT_EQ(box->windowTitle(), QStringLiteral("エラー"));
            EXPECT_EQ(box->icon(), QMessageBox::Warning);
            EXPECT_EQ(box->standardButtons(), QMessageBox::StandardButtons(QMessageBox::Ok));
        },
        QMessageBox::Ok);
    EXPECT_EQ(ShowMessage(QStringLiteral("設定ファイルがありません。初期設定で起動します。"),
                          QStringLiteral("エラー"), MessageIcon::Warning),
              MessageResult::Ok);
}

TEST(MessageBox, PlainBoxCarriesTheProgramTitleAndNoIcon) {
    WhenShown(
        [](QMessageBox* box) {
            EXPECT_EQ(box->windowTitle(), QStringLiteral("メモタップ"));
            EXPECT_EQ(box->icon(), QMessageBox::NoIcon);
        },
        QMessageBox::Ok);
    EXPECT_EQ(ShowMessage(QStringLiteral("vbmp3_setVbmp3Option=error")), MessageResult::Ok);

    WhenShown([](QMessageBox* box) { EXPECT_EQ(box->icon(), QMessageBox::Information); },
              QMessageBox::Ok);
    ShowMessage(QStringLiteral("x"), AppTitle, MessageIcon::Information);
}

TEST(MessageBox, QuestionAnswersTheButtonPressed) {
    for (auto [button, result] : {std::pair{QMessageBox::Yes, MessageResult::Yes},
                                  std::pair{QMessageBox::No, MessageResult::No}}) {
        WhenShown(
            [](QMessageBox* box) {
                EXPECT_EQ(box->icon(), QMessageBox::Question);
                EXPECT_EQ(box->windowTitle(), QStringLiteral("確認"));
                EXPECT_EQ(box->standardButtons(), QMessageBox::Yes | QMessageBox::No);
                EXPECT_EQ(static_cast<QAbstractButton*>(box->defaultButton()),
                          box->button(QMessageBox::Yes));
            },
            button);
        EXPECT_EQ(ShowMessage(QStringLiteral("?"), QStringLiteral("確認"), MessageIcon::Question,
                              MessageButtons::YesNo),
                  result);
    }
}

TEST(MessageBox, RecorderTakesTheBoxesAndAnswersFromItsScript) {
    MessageRecorder recorder;
    recorder.answer(MessageResult::No);
    recorder.answer(MessageResult::Yes);
    EXPECT_EQ(ShowMessage(QStringLiteral("a")), MessageResult::Ok);
    EXPECT_EQ(ShowMessage(QStringLiteral("b"), QStringLiteral("確認"), MessageIcon::Question,
                          MessageButtons::YesNo),
              MessageResult::No);
    EXPECT_EQ(ShowMessage(QStringLiteral("c"), QStringLiteral("確認"), MessageIcon::Question,
                          MessageButtons::YesNo),
              MessageResult::Yes);
    ASSERT_EQ(recorder.calls.size(), 3u);
    EXPECT_EQ(recorder.calls[0].title, QStringLiteral("メモタップ"));
    EXPECT_EQ(recorder.calls[0].icon, MessageIcon::None);
    EXPECT_EQ(recorder.calls[2].text, QStringLiteral("c"));
    EXPECT_EQ(recorder.calls[2].buttons, MessageButtons::YesNo);
}
