#include "app/startup.h"

#include "app/services.h"
#include "app/session_end.h"
#include "core/app_paths.h"
#include "core/commands.h"
#include "core/extra_settings.h"
#include "core/hearing.h"
#include "core/hotkeys/desktop_session.h"
#include "core/messagebox.h"
#include "core/modMain.h"
#include "inputs/input_method_check.h"
#include "ui/fonts.h"
#include "ui/forms.h"
#include "ui/frmMain.h"
#include "ui/session_close.h"
#include "ui/translations.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QIcon>
#include <QLocale>
#include <QPointer>
#include <QTimer>
#include <clocale>
#include <functional>

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

// The file given on the command line (the client passes it made absolute).
QString fileArgument(const QStringList& arguments) {
    for (const QString& argument : arguments.mid(1))
        if (!argument.startsWith(u'-'))
            return QDir::cleanPath(QFileInfo(argument).absoluteFilePath());
    return {};
}

// The next step of start-up once the boxes of the one before are answered,
// unless the window has closed meanwhile.
void thenStep(std::function<void()> step) {
    WhenMessageBoxesClosed([step = std::move(step)] {
        if (!PlayerClosing())
            step();
    });
}

} // namespace

void CreateWindows(std::function<void()> then) {
    LoadSettings();
    thenStep([then = std::move(then)] {
        auto* form = new frmMain;
        MainForm = form;
        form->setAttribute(Qt::WA_DeleteOnClose);
        // Shown before the reopen of the last file: a slow reopen (a network
        // share, a recorder on USB) happens in a window on screen, which says
        // so.
        form->PrepareWindow();
        form->show();
        // libmpv loads on its own thread while the window maps; the reopen
        // waits for it, and so do the commands that come meanwhile.
        InitialiseEngine();
        form->Form_Load();
        // The hotkeys are taken once the reopen has ended and its boxes are
        // answered, unless the window was closed meanwhile: the close has
        // saved and let go of everything.
        WhenOpenEnded([then] {
            thenStep([then] {
                LoadHotKeyForm();
                if (then)
                    thenStep(then);
            });
        });
    });
}

int Main(int argc, char** argv) {
    KeepWindowsOnXWayland(); // before Qt picks the platform
    Services services;
    QApplication app(argc, argv);
    setlocale(LC_NUMERIC, "C");
    InstallQtTranslations(QLocale::system());
    // Qt's xcb windows take their WM_CLASS from the application name; the
    // captions and MPRIS say "メモタップ" themselves.
    QApplication::setApplicationName(QStringLiteral(MEMOTAP_WINDOW_CLASS));
    // Wayland desktops match the window to its desktop file and icon by this.
    QGuiApplication::setDesktopFileName(AppId);
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/memotap.png")));
    QApplication::setFont(DefaultUiFont());

    const QString openPath = fileArgument(QCoreApplication::arguments());
    if (!services.Listen(openPath, bringToFront))
        return 0;
    services.InstallEngine();
    QObject::connect(&app, &QApplication::focusChanged, &app, [](QWidget*, QWidget* now) {
        if (now)
            lastActiveWindow = now->window();
    });
    InstallMessagePresenter();
    InstallSessionEndHandler(RequestPlayerClose);
    // Taken by the hotkey step, which comes at once when there is no file to
    // reopen.
    services.StartDesktop();

    // Before the last file is reopened, so that its first sound already comes
    // through them.
    LoadExtraSettings();
    LoadHearing();
    // Each step once the boxes of the one before are answered.
    CreateWindows([&app, &services, openPath] {
        // After the hotkey dialog has read the extra settings file.
        services.StartPedals();
        if (!openPath.isEmpty())
            Execute(Command::Open, openPath); // after the reopen of the last file
        FinishStartup();
        // Its box comes after the start-up boxes.
        inputs::StartInputMethodCheck(&app);
        // A close asked for during start-up goes once the window is
        // there, from the event loop, as the last window's close must.
        QTimer::singleShot(0, &app, CloseIfRequested);
    });
    // MPRIS comes once the window is shown: registering on the session bus
    // waits for the bus.
    services.StartMpris(bringToFront, [] {
        if (MainForm && StartupFinished())
            MainForm->close();
    });

    const int code = app.exec();
    // While the application's connections are open.
    services.End();
    return code;
}

} // namespace modMain
