#include "ui/volume_mixer.h"

#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

namespace modMain {

namespace {

std::optional<std::vector<MixerCommand>>& TestingMixers() {
    static std::optional<std::vector<MixerCommand>> mixers;
    return mixers;
}

QString FindProgram(const QString& program) {
    if (QFileInfo(program).isAbsolute()) {
        const QFileInfo file(program);
        return file.isFile() && file.isExecutable() ? program : QString();
    }
    return QStandardPaths::findExecutable(program);
}

} // namespace

std::vector<MixerCommand> VolumeMixers() {
    return TestingMixers() ? *TestingMixers() : DesktopMixers();
}

void SetVolumeMixersForTesting(std::optional<std::vector<MixerCommand>> mixers) {
    TestingMixers() = std::move(mixers);
}

bool StartVolumeMixer(const std::vector<MixerCommand>& candidates) {
    const QString startupId = MixerStartupId();
    for (const MixerCommand& candidate : candidates) {
        const QString path = FindProgram(candidate.program);
        if (path.isEmpty())
            continue;
        QProcess process;
        process.setProgram(path);
        process.setArguments(candidate.arguments);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        if (!startupId.isEmpty())
            env.insert(QStringLiteral("DESKTOP_STARTUP_ID"), startupId);
        process.setProcessEnvironment(env);
        process.setStandardInputFile(QProcess::nullDevice());
        process.setStandardOutputFile(QProcess::nullDevice());
        process.setStandardErrorFile(QProcess::nullDevice());
        if (process.startDetached())
            return true;
    }
    return false;
}

} // namespace modMain
