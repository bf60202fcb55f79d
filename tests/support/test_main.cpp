// Every test program runs with a QApplication on the offscreen platform unless
// the environment names another one, so widget tests need no display.
#include "support/unexpected_boxes.h"

#include <QApplication>
#include <clocale>
#include <gmock/gmock.h>

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    setlocale(LC_NUMERIC, "C");
    ::testing::InitGoogleMock(&argc, argv);
    InstallUnexpectedBoxGuard();
    return RUN_ALL_TESTS();
}
