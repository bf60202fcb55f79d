#include "core/hotkeys/keyfile_reader.h"

namespace modMain {

namespace {

using Kind = textfile::ReadProblem::Kind;

class RecordReader {
  public:
    explicit RecordReader(const QByteArray& bytes) : in_(textfile::decode(bytes)) {}

    bool read(HotkeyEntry& entry, int record) {
        record_ = record;
        return number(entry.Id, "Id") && number(entry.ModAlt, "ModAlt") &&
               number(entry.ModCtrl, "ModCtrl") && number(entry.ModShift, "ModShift") &&
               number(entry.ModWin, "ModWin") && number(entry.VirtualKey, "VirtualKey") &&
               number(entry.KeyIndex, "KeyIndex") && string(entry.KeyText, "KeyText") &&
               number(entry.Active, "Active");
    }

    std::optional<textfile::ReadProblem> problem() const { return stop_ ? stop_ : firstZero_; }

  private:
    bool string(QString& value, const char* name) {
        if (in_.readString(value))
            return true;
        stop_ = note(name, Kind::Ended);
        return false;
    }

    // A number field: its text as a 32-bit decimal, or 0 when it holds none.
    bool number(Long& value, const char* name) {
        QString field;
        if (!string(field, name))
            return false;
        bool ok = false;
        const qlonglong number = field.trimmed().toLongLong(&ok, 10);
        ok = ok && number >= INT32_MIN && number <= INT32_MAX;
        value = ok ? static_cast<Long>(number) : 0;
        if (!ok && !firstZero_)
            firstZero_ = note(name, Kind::ReadAsZero);
        return true;
    }

    textfile::ReadProblem note(const char* name, Kind kind) const {
        return {in_.line(), QStringLiteral("HotKeys(%1).%2").arg(record_).arg(QLatin1String(name)),
                kind};
    }

    textfile::FieldReader in_;
    int record_ = 0;
    std::optional<textfile::ReadProblem> stop_;
    std::optional<textfile::ReadProblem> firstZero_;
};

} // namespace

KeyFileRead ParseKeyFile(const QByteArray& bytes,
                         std::array<HotkeyEntry, HotKeyCount + 1>& hotKeys) {
    RecordReader in(bytes);
    KeyFileRead result;
    result.complete = true;
    for (int r = 1; r <= HotKeyCount && result.complete; ++r)
        result.complete = in.read(hotKeys[r], r);
    result.problem = in.problem();
    return result;
}

} // namespace modMain
