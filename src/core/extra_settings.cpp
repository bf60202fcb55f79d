#include "core/extra_settings.h"

#include "core/log.h"
#include "core/modMain.h"
#include "core/textfile.h"

#include <QStringList>
#include <utility>
#include <vector>

namespace modMain {

namespace {

// In file order, so that a rewrite changes only the lines that changed.
std::vector<std::pair<QString, QString>> values;

} // namespace

QString ExtraSettingsPath() {
    return AppPath() + ExtraSettingsFileName;
}

void LoadExtraSettings() {
    values.clear();
    QByteArray bytes;
    switch (textfile::readAll(ExtraSettingsPath(), bytes)) {
    case textfile::ReadStatus::Missing:
        return;
    case textfile::ReadStatus::Failed:
        qCWarning(lcSettings).noquote() << "cannot read" << ExtraSettingsPath();
        return;
    case textfile::ReadStatus::Ok:
        break;
    }
    for (const QString& line : textfile::decode(bytes).split(QStringLiteral("\r\n"))) {
        const qsizetype equals = line.indexOf(u'=');
        if (equals <= 0) {
            if (!line.isEmpty())
                qCWarning(lcSettings).noquote() << ExtraSettingsFileName << "line skipped:" << line;
            continue;
        }
        SetExtraSetting(line.left(equals), line.mid(equals + 1));
    }
}

QString ExtraSetting(const QString& name) {
    for (const auto& [key, value] : values)
        if (key == name)
            return value;
    return {};
}

void SetExtraSetting(const QString& name, const QString& value) {
    for (auto& [key, stored] : values) {
        if (key == name) {
            stored = value;
            return;
        }
    }
    values.emplace_back(name, value);
}

QByteArray ExtraSettingsBytes() {
    QString text;
    for (const auto& [key, value] : values)
        text += key + u'=' + value + QStringLiteral("\r\n");
    return textfile::encode(text);
}

bool SaveExtraSettings() {
    if (textfile::writeAtomically(ExtraSettingsPath(), ExtraSettingsBytes()))
        return true;
    qCWarning(lcSettings).noquote() << "cannot write" << ExtraSettingsPath();
    return false;
}

void ResetExtraSettingsForTesting() {
    values.clear();
}

} // namespace modMain
