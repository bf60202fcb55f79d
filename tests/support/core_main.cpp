// Test programs of the core run with a QCoreApplication: no window system,
// no widgets.
#include "core/commands.h"
#include "core/core_services.h"
#include "support/unexpected_boxes.h"

#include <QCoreApplication>
#include <clocale>
#include <gmock/gmock.h>

int main(int argc, char** argv) {
    // Before the application and ending after it, as in the player.
    modMain::CoreServices services;
    QCoreApplication app(argc, argv);
    setlocale(LC_NUMERIC, "C");
    ::testing::InitGoogleMock(&argc, argv);
    InstallUnexpectedBoxGuard();
    // Commands run at once, as in a player that has started; tests of
    // start-up itself begin again from before its end.
    modMain::FinishStartup();
    return RUN_ALL_TESTS();
}
