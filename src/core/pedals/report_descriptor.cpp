#include "core/pedals/report_descriptor.h"

#include <cstdint>
#include <vector>

namespace modMain::pedals {

namespace {

constexpr std::uint32_t ButtonPage = 0x09;
// Fields beyond these are never pedals; the cap keeps a hostile count cheap.
constexpr std::int64_t MaxFields = 256;
constexpr std::int64_t MaxReportBits = 8 * 4096;

struct Globals {
    std::uint32_t usagePage = 0;
    std::uint32_t reportSize = 0;
    std::uint32_t reportCount = 0;
    int reportId = 0;
};

struct Locals {
    std::vector<std::uint32_t> usages; // with their page in the high half
    std::optional<std::uint32_t> minimum;
    std::optional<std::uint32_t> maximum;
};

struct Item {
    int type = 0; // 0 main, 1 global, 2 local
    int tag = 0;
    std::uint32_t value = 0;
    int size = 0;
};

// Usage i of a main item's fields, the last one repeated as HID says.
std::optional<std::uint32_t> UsageOf(const Locals& locals, std::int64_t i) {
    if (locals.minimum && locals.maximum && *locals.maximum >= *locals.minimum) {
        const std::int64_t span = std::int64_t{*locals.maximum} - *locals.minimum;
        return static_cast<std::uint32_t>(*locals.minimum + std::min(i, span));
    }
    if (locals.usages.empty())
        return std::nullopt;
    return locals.usages[static_cast<std::size_t>(
        std::min<std::int64_t>(i, static_cast<std::int64_t>(locals.usages.size()) - 1))];
}

// The usage as page and id: a four-byte usage names its page itself.
std::uint32_t Extended(std::uint32_t usage, int size, std::uint32_t page) {
    return size == 4 ? usage : (page << 16) | (usage & 0xFFFF);
}

class Reader {
  public:
    void item(const Item& item);
    std::optional<ButtonReport> result() const;

  private:
    void input(std::uint32_t flags);

    Globals globals_;
    std::vector<Globals> stack_;
    Locals locals_;
    std::map<int, std::int64_t> inputBits_; // report id to bits so far
    std::map<int, ButtonReport> reports_;
    std::vector<int> order_; // report ids in the order buttons were found
};

void Reader::item(const Item& item) {
    if (item.type == 1) {
        switch (item.tag) {
        case 0:
            globals_.usagePage = item.value;
            break;
        case 7:
            globals_.reportSize = item.value;
            break;
        case 8:
            globals_.reportId = static_cast<int>(item.value & 0xFF);
            break;
        case 9:
            globals_.reportCount = item.value;
            break;
        case 10:
            stack_.push_back(globals_);
            break;
        case 11:
            if (!stack_.empty()) {
                globals_ = stack_.back();
                stack_.pop_back();
            }
            break;
        default:
            break;
        }
    } else if (item.type == 2) {
        const std::uint32_t usage = Extended(item.value, item.size, globals_.usagePage);
        if (item.tag == 0)
            locals_.usages.push_back(usage);
        else if (item.tag == 1)
            locals_.minimum = usage;
        else if (item.tag == 2)
            locals_.maximum = usage;
    } else if (item.type == 0) {
        if (item.tag == 8)
            input(item.value);
        locals_ = Locals{};
    }
}

void Reader::input(std::uint32_t flags) {
    std::int64_t& offset = inputBits_[globals_.reportId];
    const std::int64_t size = globals_.reportSize;
    const std::int64_t count = globals_.reportCount;
    const bool constant = flags & 1;
    const bool variable = flags & 2;
    if (!constant && variable && size > 0) {
        for (std::int64_t i = 0; i < std::min(count, MaxFields); ++i) {
            const auto usage = UsageOf(locals_, i);
            const std::int64_t bit = offset + i * size;
            if (!usage || (*usage >> 16) != ButtonPage || bit >= MaxReportBits)
                continue;
            const int button = static_cast<int>(*usage & 0xFFFF);
            ButtonReport& report = reports_[globals_.reportId];
            if (report.buttonBits.empty())
                order_.push_back(globals_.reportId);
            report.reportId = globals_.reportId;
            report.buttonBits.emplace(button, static_cast<int>(bit));
        }
    }
    offset = std::min(offset + size * count, MaxReportBits);
}

std::optional<ButtonReport> Reader::result() const {
    if (order_.empty())
        return std::nullopt;
    ButtonReport report = reports_.at(order_.front());
    report.reportBytes = static_cast<int>((inputBits_.at(report.reportId) + 7) / 8);
    return report;
}

} // namespace

std::optional<ButtonReport> FindButtons(QByteArrayView descriptor) {
    Reader reader;
    qsizetype at = 0;
    while (at < descriptor.size()) {
        const auto prefix = static_cast<std::uint8_t>(descriptor[at]);
        if (prefix == 0xFE) { // a long item: skipped whole
            if (at + 1 >= descriptor.size())
                return std::nullopt;
            at += 3 + static_cast<std::uint8_t>(descriptor[at + 1]);
            continue;
        }
        Item item;
        item.size = (prefix & 3) == 3 ? 4 : (prefix & 3);
        item.type = (prefix >> 2) & 3;
        item.tag = prefix >> 4;
        if (at + 1 + item.size > descriptor.size())
            return std::nullopt; // cut short: trust none of it
        for (int i = 0; i < item.size; ++i)
            item.value |= std::uint32_t{static_cast<std::uint8_t>(descriptor[at + 1 + i])}
                          << (8 * i);
        reader.item(item);
        at += 1 + item.size;
    }
    return reader.result();
}

} // namespace modMain::pedals
