#include "app/startup.h"

#include "core/messagebox.h"
#include "core/modMain.h"
#include "app/session_end.h"
#include "core/single_instance.h"
#include "ui/fonts.h"
#include "ui/frmMain.h"

#include <QApplication>
#include <QGuiApplication>
#include <QIcon>
#include <QPointer>
#include <QWindow>
#include <clocale>

namespace modMain {

namespace {

// The window the user last worked in, restored by a second start.
QPointer<QWidget> lastActiveWindow;

void bringToFront() {
    QWidget* window = lastActiveWindow ? lastActiveWindow.data() : MainForm;
    if (!window)
        return;
    if (window->isMinimized())
        window->showNormal();
    window->show();
    window->raise();
    window->activateWindow();
}

} // namespace

void InitialiseEngine() {
    vbmp3_init();
    const EngineOptions options{1, 1, 0, 0};
    if ((vbmp3_setVbmp3Option(&options) & 0xFFFF) == 0)
        ShowMessage(QStringLiteral("vbmp3_setVbmp3Option=error"), AppTitle);
}

void CreateWindows() {
    LoadSettings();
    auto* form = new frmMain;
    MainForm = form;
    form->setAttribute(Qt::WA_DeleteOnClose);
    form->Setup();
    form->show();
    LoadHotKeyForm();
}

int Main(int argc, char** argv) {
    QApplication app(argc, argv);
    setlocale(LC_NUMERIC, "C");
    QApplication::setApplicationName(AppTitle);
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/memotap.png")));
    QApplication::setFont(DefaultUiFont());

    SingleInstance instance(
        SingleInstance::serverNameFor(AppTitle, QCoreApplication::applicationFilePath()));
    if (instance.activateRunningInstance())
        return 0;
    instance.listen();
    QObject::connect(&instance, &SingleInstance::activationRequested, &app, bringToFront);
    QObject::connect(&app, &QApplication::focusChanged, &app, [](QWidget*, QWidget* now) {
        if (now)
            lastActiveWindow = now->window();
    });

    // A session that ends during start-up closes as soon as the window stands.
    static bool closeWhenReady = false;
    InstallSessionEndHandler([] {
        if (MainForm)
            MainForm->close();
        else
            closeWhenReady = true;
    });

    InitialiseEngine();
    CreateWindows();
    if (closeWhenReady)
        MainForm->close();
    return app.exec();
}

} // namespace modMain
