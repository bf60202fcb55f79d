// The hook on the main window: dropped files open through the command table,
// and every event still reaches the window.
#include "core/commands.h"
#include "core/settings.h"
#include "support/fake_engine.h"
#include "support/message_recorder.h"
#include "ui/frmMain.h"

#include <QApplication>
#include <QCheckBox>
#include <QDropEvent>
#include <QMimeData>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>
#include <gtest/gtest.h>
#include <memory>

using namespace modMain;

namespace {

class DropTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(folder.isValid());
        SetAppPathForTesting(folder.path());
        engine = &FakeEngine::install();
        form = std::make_unique<frmMain>();
        MainForm = form.get();
        form->Setup();
        form->tmrMain->stop();
        FinishStartup();
    }
    void TearDown() override {
        ResetCommandsForTesting();
        UnhookWindow();
        MainForm = nullptr;
        form.reset();
        SetAppPathForTesting({});
    }

    QTemporaryDir folder;
    MessageRecorder messages;
    FakeEngine* engine = nullptr;
    std::unique_ptr<frmMain> form;
};

// A drag that enters the window and is dropped on it, as the desktop delivers it.
bool dropOn(QWidget* window, const QMimeData* mime) {
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(window, &enter);
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(window, &drop);
    return drop.isAccepted();
}

QMimeData* filesMime(const QStringList& paths) {
    auto* mime = new QMimeData;
    QList<QUrl> urls;
    for (const QString& path : paths)
        urls << (path.contains("://") ? QUrl(path) : QUrl::fromLocalFile(path));
    mime->setUrls(urls);
    return mime;
}

} // namespace

// --- dropped files ---

TEST_F(DropTest, DragOfLocalFilesIsAcceptedOthersAreNot) {
    std::unique_ptr<QMimeData> files(filesMime({"/tmp/a.mp3"}));
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, files.get(), Qt::LeftButton,
                          Qt::NoModifier);
    QCoreApplication::sendEvent(form.get(), &enter);
    EXPECT_TRUE(enter.isAccepted());

    std::unique_ptr<QMimeData> web(filesMime({"https://example.org/a.mp3"}));
    QDragEnterEvent webEnter(QPoint(10, 10), Qt::CopyAction, web.get(), Qt::LeftButton,
                             Qt::NoModifier);
    QCoreApplication::sendEvent(form.get(), &webEnter);
    EXPECT_FALSE(webEnter.isAccepted());

    std::unique_ptr<QMimeData> text(new QMimeData);
    text->setText("/tmp/a.mp3");
    QDragEnterEvent textEnter(QPoint(10, 10), Qt::CopyAction, text.get(), Qt::LeftButton,
                              Qt::NoModifier);
    QCoreApplication::sendEvent(form.get(), &textEnter);
    EXPECT_FALSE(textEnter.isAccepted());
}

TEST_F(DropTest, DropOfThreeFilesOpensTheFirstOnlyAndBringsTheWindowToTheFront) {
    const QString first = folder.filePath("一つ目.mp3");
    engine->totalSeconds = 60;
    form->show();
    QWidget other;
    other.show();
    other.activateWindow();
    QCoreApplication::processEvents();
    engine->take();

    std::unique_ptr<QMimeData> mime(
        filesMime({first, folder.filePath("b.mp3"), folder.filePath("c.mp3")}));
    EXPECT_TRUE(dropOn(form.get(), mime.get()));
    // The file opens once the drop is over.
    QCoreApplication::processEvents();
    const QStringList calls = engine->take();
    EXPECT_EQ(calls.filter("open(").size(), 1) << calls.join(' ').toStdString();
    EXPECT_TRUE(calls.contains("open(" + first + ")")) << calls.join(' ').toStdString();
    EXPECT_EQ(History[1].Path, first);
    EXPECT_EQ(QApplication::activeWindow(), form.get());
}

TEST_F(DropTest, DropWithoutLocalFileOpensNothing) {
    std::unique_ptr<QMimeData> mime(filesMime({"https://example.org/a.mp3"}));
    EXPECT_FALSE(dropOn(form.get(), mime.get()));
    QCoreApplication::processEvents();
    EXPECT_TRUE(engine->take().filter("open(").isEmpty());
}

TEST_F(DropTest, DropOnAnUnhookedWindowOpensNothing) {
    UnhookWindow();
    std::unique_ptr<QMimeData> mime(filesMime({folder.filePath("a.mp3")}));
    EXPECT_FALSE(dropOn(form.get(), mime.get()));
    QCoreApplication::processEvents();
    EXPECT_TRUE(engine->take().filter("open(").isEmpty());
}
