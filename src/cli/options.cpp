#include "cli/options.h"

#include "core/remote/request.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <array>

namespace cli {

namespace {

struct CommandOption {
    const char* option;
    const char* command;
};

// Each option runs the command of the table with the same name.
constexpr std::array<CommandOption, 13> CommandOptions = {{
    {"--play-pause", "play-pause"},
    {"--play", "play"},
    {"--pause", "pause"},
    {"--rewind", "rewind"},
    {"--forward", "forward"},
    {"--repeat", "repeat"},
    {"--speed-up", "speed-up"},
    {"--speed-down", "speed-down"},
    {"--to-start", "to-start"},
    {"--to-end", "to-end"},
    {"--copy-time", "copy-time"},
    {"--insert-time", "insert-time"},
    {"--seek-to-selection", "seek-to-selection"},
}};

struct ChoiceOption {
    const char* option;
    const char* command;
    QStringList choices;
};

// Options that take one of a few words, passed on to the command of the
// same name.
const std::array<ChoiceOption, 4>& ChoiceOptions() {
    static const std::array<ChoiceOption, 4> options = {{
        {"--levelling", "levelling", {"on", "off"}},
        {"--noise-reduction", "noise-reduction", {"on", "off"}},
        {"--low-cut", "low-cut", {"on", "off"}},
        {"--channel", "channel", {"both", "left", "right", "mix"}},
    }};
    return options;
}

const ChoiceOption* choiceOption(const QString& argument) {
    const QString name = argument.section(u'=', 0, 0);
    for (const ChoiceOption& option : ChoiceOptions())
        if (name == QLatin1String(option.option))
            return &option;
    return nullptr;
}

Options usage(const QString& problem) {
    return {Options::Action::Usage, {}, {}, problem};
}

} // namespace

Options ParseOptions(const QStringList& arguments) {
    Options options;
    bool optionsEnded = false;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        Options next;
        if (!optionsEnded && argument == QLatin1String("--")) {
            optionsEnded = true;
            continue;
        } else if (!optionsEnded &&
                   (argument == QLatin1String("--help") || argument == QLatin1String("-h"))) {
            return {Options::Action::Help, {}, {}, {}};
        } else if (!optionsEnded && argument == QLatin1String("--version")) {
            return {Options::Action::Version, {}, {}, {}};
        } else if (!optionsEnded && (argument == QLatin1String("--seek") ||
                                     argument.startsWith(QLatin1String("--seek=")))) {
            QString value = argument.section(u'=', 1);
            if (!argument.contains(u'=')) {
                if (i + 1 >= arguments.size())
                    return usage(QStringLiteral("--seek needs a time"));
                value = arguments[++i];
            }
            const std::optional<int> seconds = remote::ParseSeconds(value);
            if (!seconds)
                return usage(QStringLiteral("not a time: %1").arg(value));
            next = {Options::Action::SendCommand,
                    QStringLiteral("seek-to"),
                    QString::number(*seconds),
                    {}};
        } else if (const ChoiceOption* choice = optionsEnded ? nullptr : choiceOption(argument)) {
            QString value = argument.section(u'=', 1);
            if (!argument.contains(u'=')) {
                if (i + 1 >= arguments.size())
                    return usage(
                        QStringLiteral("%1 needs %2")
                            .arg(QLatin1String(choice->option), choice->choices.join('|')));
                value = arguments[++i];
            }
            if (!choice->choices.contains(value))
                return usage(
                    QStringLiteral("%1 takes %2, not %3")
                        .arg(QLatin1String(choice->option), choice->choices.join('|'), value));
            next = {Options::Action::SendCommand, QString::fromLatin1(choice->command), value, {}};
        } else if (!optionsEnded && argument.startsWith(u'-') && argument.size() > 1) {
            const auto found = std::find_if(
                CommandOptions.begin(), CommandOptions.end(),
                [&](const CommandOption& o) { return argument == QLatin1String(o.option); });
            if (found == CommandOptions.end())
                return usage(QStringLiteral("unknown option: %1").arg(argument));
            next = {Options::Action::SendCommand, QString::fromLatin1(found->command), {}, {}};
        } else {
            next = {Options::Action::OpenFile,
                    {},
                    QDir::cleanPath(QFileInfo(argument).absoluteFilePath()),
                    {}};
        }
        if (options.action != Options::Action::StartPlayer)
            return usage(QStringLiteral("one command or one file at a time"));
        options = next;
    }
    return options;
}

QString UsageText() {
    return QStringLiteral(
        "Usage: memotap [FILE]\n"
        "       memotap COMMAND\n"
        "\n"
        "Without arguments, starts the player (or brings the running one to the front).\n"
        "With FILE, the running player opens it; with none running, a player starts and opens it.\n"
        "\n"
        "Commands for the running player (exit 1 when none is running):\n"
        "  --play-pause        play, or pause (a resume steps back)\n"
        "  --play, --pause     play; pause\n"
        "  --rewind, --forward skip back, forward\n"
        "  --repeat            repeat on, off\n"
        "  --speed-up, --speed-down\n"
        "                      speed +5 %, -5 %\n"
        "  --to-start, --to-end\n"
        "                      jump to the start, the end\n"
        "  --seek TIME         jump to TIME (hh:mm:ss, mm:ss or seconds)\n"
        "  --copy-time         copy the position to the clipboard, in the timestamp\n"
        "                      format (default [hh:mm:ss])\n"
        "  --insert-time       type the timestamp into the window being typed in\n"
        "  --seek-to-selection jump to the first time in the selected text (or the\n"
        "                      clipboard), less the timestamp offset\n"
        "  --levelling on|off  bring quiet and loud speakers to about the same loudness\n"
        "  --noise-reduction on|off\n"
        "                      reduce steady background noise (hiss, air conditioning)\n"
        "  --low-cut on|off    remove rumble and mains hum\n"
        "  --channel both|left|right|mix\n"
        "                      hear both channels as recorded, one of them, or both\n"
        "                      mixed, in both ears\n"
        "\n"
        "  --help              this text\n"
        "  --version           the version\n");
}

} // namespace cli
