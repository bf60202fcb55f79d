// Every test program runs with a QApplication on the offscreen platform unless
// the environment names another one, so widget tests need no display.
#include "core/commands.h"
#include "core/core_services.h"
#include "support/unexpected_boxes.h"
#include "ui/forms.h"

#include <QApplication>
#include <clocale>
#include <gmock/gmock.h>

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Before the application and ending after it, as in the player.
    modMain::CoreServices services;
    QApplication app(argc, argv);
    setlocale(LC_NUMERIC, "C");
    ::testing::InitGoogleMock(&argc, argv);
    modMain::InstallMessagePresenter();
    InstallUnexpectedBoxGuard();
    // Commands run at once, as in a player that has started; tests of
    // start-up itself begin again from before its end.
    modMain::FinishStartup();
    return RUN_ALL_TESTS();
}
