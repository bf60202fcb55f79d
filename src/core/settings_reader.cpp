#include "core/settings_reader.h"

#include "core/modMain.h"

namespace modMain {

namespace {

// The field reader plus the name of the field it failed on. Names are made
// only on failure: a name like "History(%1).Path" takes its index then.
class Fields {
  public:
    explicit Fields(const QByteArray& bytes) : in_(textfile::decode(bytes)) {}

    bool number(Long& value, const char* name, int index = 0) {
        return check(in_.readLong(value), name, index);
    }
    bool number(Integer& value, const char* name, int index = 0) {
        return check(in_.readInteger(value), name, index);
    }
    bool string(QString& value, const char* name, int index = 0) {
        return check(in_.readString(value), name, index);
    }
    // A number outside [min, max] is as damaged as text; value keeps its
    // value then.
    bool number(Integer& value, Integer min, Integer max, const char* name, int index = 0) {
        Integer number = 0;
        const bool ok = in_.readInteger(number) && number >= min && number <= max;
        if (ok)
            value = number;
        return check(ok, name, index);
    }

    const std::optional<textfile::ReadProblem>& problem() const { return problem_; }

  private:
    bool check(bool ok, const char* name, int index) {
        if (!ok) {
            QString field = QString::fromLatin1(name);
            if (index > 0)
                field = field.arg(index);
            problem_ = textfile::ReadProblem{in_.line(), field,
                                             in_.ended() ? textfile::ReadProblem::Kind::Ended
                                                         : textfile::ReadProblem::Kind::Damaged};
        }
        return ok;
    }

    textfile::FieldReader in_;
    std::optional<textfile::ReadProblem> problem_;
};

struct ReadProgress {
    bool table = false;      // ColourCount and every entry of the table
    bool colourPair = false; // PanelColour and CharColour
};

void ReadFields(Fields& in, ReadProgress& progress) {
    if (!in.number(WindowLeft, "WindowLeft") || !in.number(WindowTop, "WindowTop") ||
        !in.number(AlwaysOnTop, "AlwaysOnTop"))
        return;
    for (int i = 1; i <= HistorySize; ++i) {
        if (!in.string(History[i].Path, "History(%1).Path", i) ||
            !in.number(History[i].Position, "History(%1).Position", i))
            return;
    }
    if (!in.number(Pitch, "Pitch") || !in.number(RevSeconds, "RevSeconds") ||
        !in.number(RepSeconds, "RepSeconds") || !in.number(RewFFSeconds2, "RewFFSeconds2") ||
        !in.number(RewFFSeconds, "RewFFSeconds"))
        return;

    Integer count = 0;
    if (!in.number(count, 0, INT16_MAX, "ColourCount"))
        return;
    ColourCount = count;
    // At most 32767 small entries; a count larger than the file holds simply
    // fails at the file's end.
    Colours.assign(static_cast<std::size_t>(count), ColourEntry{});
    int index = 0;
    for (auto& colour : Colours) {
        ++index;
        if (!in.number(colour.Red, 0, 255, "Colours(%1).Red", index) ||
            !in.number(colour.Green, 0, 255, "Colours(%1).Green", index) ||
            !in.number(colour.Blue, 0, 255, "Colours(%1).Blue", index) ||
            !in.string(colour.Name, "Colours(%1).Name", index))
            return;
    }
    progress.table = true;

    if (!in.number(PanelColour, "PanelColour") || !in.number(CharColour, "CharColour"))
        return;
    progress.colourPair = true;
}

// The window and the colour dialog index Colours with PanelColour and
// CharColour: after a damaged file both must still name entries of a table.
void MakeColoursUsable(const ReadProgress& progress) {
    const bool replaced = !progress.table || ColourCount <= 0;
    if (replaced) {
        Colours = DefaultColours();
        ColourCount = static_cast<Integer>(Colours.size());
    }
    // Indexes not read, or read for a table that was not, would show the text
    // in the colour of its panel.
    if (replaced || !progress.colourPair) {
        PanelColour = 0;
        CharColour = 1;
    }
    if (PanelColour < 0 || PanelColour >= ColourCount)
        PanelColour = 0;
    if (CharColour < 0 || CharColour >= ColourCount)
        CharColour = ColourCount > 1 ? 1 : 0;
}

} // namespace

std::vector<ColourEntry> DefaultColours() {
    return {
        {0, 0, 0, QStringLiteral("黒")},           {255, 255, 255, QStringLiteral("白")},
        {102, 102, 102, QStringLiteral("グレイ")}, {255, 0, 0, QStringLiteral("赤")},
        {51, 153, 0, QStringLiteral("緑")},        {0, 0, 255, QStringLiteral("青")},
        {153, 51, 204, QStringLiteral("紫")},      {255, 204, 255, QStringLiteral("ピンク")},
        {255, 153, 0, QStringLiteral("オレンジ")}, {255, 255, 0, QStringLiteral("黄")},
    };
}

std::optional<textfile::ReadProblem> ReadSettingsBytes(const QByteArray& bytes) {
    Fields in(bytes);
    ReadProgress progress;
    ReadFields(in, progress);
    MakeColoursUsable(progress);
    return in.problem();
}

} // namespace modMain
