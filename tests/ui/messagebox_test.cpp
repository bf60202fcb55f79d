// The real message boxes: what the user sees and which answer comes back.
#include "core/messagebox.h"
#include "support/message_recorder.h"
#include "support/wait.h"
#include "ui/forms.h"
#include "ui/frmMain.h"
#include "ui/session_close.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>
#include <optional>

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

// The answer of a box, once it has closed.
class Answer {
  public:
    MessageAnswer take() {
        return [this](MessageResult result) { result_ = result; };
    }
    std::optional<MessageResult> await() {
        WaitUntil([this] { return result_.has_value(); });
        return result_;
    }

  private:
    std::optional<MessageResult> result_;
};

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
    Answer answer;
    ShowMessage(QStringLiteral("設定ファイルがありません。初期設定で起動します。"),
                QStringLiteral("エラー"), MessageIcon::Warning, MessageButtons::Ok,
                MessageOwner::None, answer.take());
    EXPECT_EQ(answer.await(), MessageResult::Ok);
}

TEST(MessageBox, PlainBoxCarriesTheProgramTitleAndNoIcon) {
    WhenShown(
        [](QMessageBox* box) {
            EXPECT_EQ(box->windowTitle(), QStringLiteral("メモタップ"));
            EXPECT_EQ(box->icon(), QMessageBox::NoIcon);
        },
        QMessageBox::Ok);
    Answer plain;
    ShowMessage(QStringLiteral("vbmp3_setVbmp3Option=error"), AppTitle, MessageIcon::None,
                MessageButtons::Ok, MessageOwner::None, plain.take());
    EXPECT_EQ(plain.await(), MessageResult::Ok);

    WhenShown([](QMessageBox* box) { EXPECT_EQ(box->icon(), QMessageBox::Information); },
              QMessageBox::Ok);
    Answer information;
    ShowMessage(QStringLiteral("x"), AppTitle, MessageIcon::Information, MessageButtons::Ok,
                MessageOwner::None, information.take());
    EXPECT_TRUE(information.await());
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
        Answer answer;
        ShowMessage(QStringLiteral("?"), QStringLiteral("確認"), MessageIcon::Question,
                    MessageButtons::YesNo, MessageOwner::None, answer.take());
        EXPECT_EQ(answer.await(), result);
    }
}

TEST(MessageBox, RecorderTakesTheBoxesAndAnswersFromItsScript) {
    MessageRecorder recorder;
    recorder.answer(MessageResult::No);
    recorder.answer(MessageResult::Yes);
    std::vector<MessageResult> answers;
    auto keep = [&answers](MessageResult result) { answers.push_back(result); };
    ShowMessage(QStringLiteral("a"), AppTitle, MessageIcon::None, MessageButtons::Ok,
                MessageOwner::None, keep);
    ShowMessage(QStringLiteral("b"), QStringLiteral("確認"), MessageIcon::Question,
                MessageButtons::YesNo, MessageOwner::None, keep);
    ShowMessage(QStringLiteral("c"), QStringLiteral("確認"), MessageIcon::Question,
                MessageButtons::YesNo, MessageOwner::None, keep);
    EXPECT_EQ(answers, std::vector<MessageResult>(
                           {MessageResult::Ok, MessageResult::No, MessageResult::Yes}));
    ASSERT_EQ(recorder.calls.size(), 3u);
    EXPECT_EQ(recorder.calls[0].title, QStringLiteral("メモタップ"));
    EXPECT_EQ(recorder.calls[0].icon, MessageIcon::None);
    EXPECT_EQ(recorder.calls[2].text, QStringLiteral("c"));
    EXPECT_EQ(recorder.calls[2].buttons, MessageButtons::YesNo);
}

namespace {

QMessageBox* ShownBox() {
    return qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
}

int VisibleBoxes() {
    int count = 0;
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (qobject_cast<QMessageBox*>(widget) && widget->isVisible())
            ++count;
    return count;
}

} // namespace

TEST(MessageBox, TheCallReturnsAtOnceAndBoxesComeOneAfterAnotherInOrder) {
    SetMessageHookForTesting({});
    QStringList answers;
    ShowMessage(QStringLiteral("first"), AppTitle, MessageIcon::None, MessageButtons::Ok,
                MessageOwner::None, [&](MessageResult) { answers << "first"; });
    ShowMessage(QStringLiteral("second"), QStringLiteral("確認"), MessageIcon::Question,
                MessageButtons::YesNo, MessageOwner::None, [&](MessageResult result) {
                    answers << (result == MessageResult::No ? "second: No" : "second: Yes");
                });
    bool afterBoxes = false;
    WhenMessageBoxesClosed([&] { afterBoxes = true; });

    ASSERT_TRUE(ShownBox());
    EXPECT_EQ(ShownBox()->text(), "first");
    EXPECT_EQ(VisibleBoxes(), 1) << "the second waits for the first";
    EXPECT_TRUE(MessageBoxOpen());
    ShownBox()->button(QMessageBox::Ok)->click();

    EXPECT_EQ(answers, QStringList({"first"}));
    ASSERT_TRUE(WaitUntil([] { return ShownBox() && ShownBox()->text() == "second"; }));
    EXPECT_TRUE(MessageBoxOpen());
    QCoreApplication::processEvents();
    EXPECT_FALSE(afterBoxes) << "ran while a box was still up";
    ShownBox()->button(QMessageBox::No)->click();

    EXPECT_EQ(answers, QStringList({"first", "second: No"}));
    ASSERT_TRUE(WaitUntil([&] { return afterBoxes; }));
    EXPECT_FALSE(MessageBoxOpen());
    EXPECT_EQ(VisibleBoxes(), 0);
}

TEST(MessageBox, NothingUpRunsWhatWaitsForTheBoxesAtOnce) {
    MessageRecorder recorder;
    bool ran = false;
    WhenMessageBoxesClosed([&] { ran = true; });
    EXPECT_TRUE(ran);
    // A recorded box is answered within the call: the next step may go on.
    ShowMessage(QStringLiteral("a"));
    ran = false;
    WhenMessageBoxesClosed([&] { ran = true; });
    EXPECT_TRUE(ran);
}

TEST(MessageBox, TheMainWindowsBoxesBlockItAndGoWithIt) {
    SetMessageHookForTesting({});
    auto* window = new frmMain;
    MainForm = window;
    window->show();
    std::optional<MessageResult> answer;
    ShowMessage(QStringLiteral("?"), QStringLiteral("確認"), MessageIcon::Question,
                MessageButtons::YesNo, MessageOwner::MainWindow,
                [&](MessageResult result) { answer = result; });
    QMessageBox* box = ShownBox();
    ASSERT_TRUE(box);
    EXPECT_EQ(box->parentWidget(), window);
    EXPECT_EQ(box->windowModality(), Qt::WindowModal);
    EXPECT_FALSE(answer);

    // The window deleted under its box (a close from the desktop): the box
    // counts as closed without an answer.
    MainForm = nullptr;
    delete window;
    EXPECT_EQ(answer, MessageResult::No);
    EXPECT_FALSE(MessageBoxOpen());
}

TEST(MessageBox, ABoxWithoutAWindowIsModalToAllAndItsCloseDoesNotEndTheProgram) {
    SetMessageHookForTesting({});
    // The program's event loop runs, as at start-up, where the box is the
    // only window: answered with its button, then closed from the window
    // manager.
    for (bool byButton : {true, false}) {
        std::optional<MessageResult> answer;
        bool loopStillRan = false;
        QTimer::singleShot(0, [&] {
            ShowMessage(QStringLiteral("設定ファイルがありません。初期設定で起動します。"),
                        QStringLiteral("エラー"), MessageIcon::Warning, MessageButtons::Ok,
                        MessageOwner::None, [&](MessageResult result) {
                            answer = result;
                            QTimer::singleShot(100, [&] {
                                loopStillRan = true;
                                QCoreApplication::exit(0);
                            });
                        });
            QMessageBox* box = ShownBox();
            if (!box) {
                ADD_FAILURE() << "no box";
                QCoreApplication::exit(1);
                return;
            }
            EXPECT_EQ(box->parentWidget(), nullptr);
            EXPECT_EQ(box->windowModality(), Qt::ApplicationModal);
            if (byButton)
                box->button(QMessageBox::Ok)->click();
            else
                box->close();
        });
        QTimer watchdog;
        watchdog.setSingleShot(true);
        QObject::connect(&watchdog, &QTimer::timeout, [] { QCoreApplication::exit(1); });
        watchdog.start(5000);
        QApplication::exec();
        EXPECT_TRUE(answer.has_value());
        EXPECT_TRUE(loopStillRan) << "start-up would have ended with its first box";
    }
}

TEST(MessageBox, ACloseAnswersTheBoxUpAndThoseWaitingAsIfClosed) {
    SetMessageHookForTesting({});
    QStringList answers;
    auto keep = [&answers](MessageResult result) {
        answers << (result == MessageResult::Yes  ? "Yes"
                    : result == MessageResult::No ? "No"
                                                  : "Ok");
    };
    ShowMessage(QStringLiteral("?"), QStringLiteral("確認"), MessageIcon::Question,
                MessageButtons::YesNo, MessageOwner::None, keep);
    ShowMessage(QStringLiteral("??"), QStringLiteral("確認"), MessageIcon::Question,
                MessageButtons::YesNo, MessageOwner::None, keep);
    ShowMessage(QStringLiteral("!"), AppTitle, MessageIcon::None, MessageButtons::Ok,
                MessageOwner::None, keep);
    ASSERT_TRUE(ShownBox());

    RequestPlayerClose();
    EXPECT_EQ(answers, QStringList({"No", "No", "Ok"}));
    EXPECT_FALSE(MessageBoxOpen());
    EXPECT_EQ(VisibleBoxes(), 0);
    // From now on a box is answered without being shown.
    ShowMessage(QStringLiteral("??"), QStringLiteral("確認"), MessageIcon::Question,
                MessageButtons::YesNo, MessageOwner::None, keep);
    EXPECT_EQ(answers.last(), "No");
    EXPECT_EQ(VisibleBoxes(), 0);
}
