// memotap_soak commands N | cycles N  [--seed S] [--work FOLDER]
// Prints its figures on stdout and every finding on stderr; exits 1 when
// anything was found.
#include "core/core_services.h"
#include "soak.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <clocale>
#include <cstdio>

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Before the application and ending after it, as in the player.
    modMain::CoreServices services;
    QApplication app(argc, argv);
    setlocale(LC_NUMERIC, "C");
    const QStringList args = QCoreApplication::arguments();
    if (args.size() < 3 || (args[1] != "commands" && args[1] != "cycles")) {
        std::fprintf(stderr, "usage: memotap_soak commands|cycles N [--seed S] [--work FOLDER]\n");
        return 2;
    }
    const int count = args[2].toInt();
    unsigned seed = 1;
    QString work;
    for (int i = 3; i + 1 < args.size(); i += 2) {
        if (args[i] == "--seed")
            seed = args[i + 1].toUInt();
        else if (args[i] == "--work")
            work = args[i + 1];
    }
    QTemporaryDir scratch(work.isEmpty() ? QDir::tempPath() + "/memotap-soak-XXXXXX"
                                         : work + "/" + args[1] + "-XXXXXX");
    if (!scratch.isValid())
        return 2;
    if (!work.isEmpty())
        scratch.setAutoRemove(false);

    QElapsedTimer clock;
    clock.start();
    const soak::Figures figures = args[1] == "commands"
                                      ? soak::RunCommands(count, seed, scratch.path())
                                      : soak::RunCycles(count, seed, scratch.path());
    std::printf("%s: %ld run, %ld findings, %.0f s (seed %u)\n", qPrintable(args[1]), figures.steps,
                figures.findings, clock.elapsed() / 1000.0, seed);
    return figures.findings == 0 ? 0 : 1;
}
