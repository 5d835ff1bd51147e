#include "consoles/SlotLists.h"

#include "link/PublicData.h"

namespace {

template <typename Row, typename Build>
std::string JoinSlots(std::span<const Row> rows, size_t slotCount, Build build) {
    std::string text;
    for (size_t i = 0; i < slotCount; ++i) {
        if (i < rows.size() && rows[i].checked) text += build(rows[i]);
        if (i + 1 < slotCount) text += ';';
    }
    return text;
}

// Both separators of a slot list; the ";" between slots is the one that shifts them.
constexpr const char* kSlotSeparators[] = {";", "#"};

std::optional<std::string> SeparatorIn(const std::string& text) {
    for (const char* separator : kSlotSeparators) {
        if (text.find(separator) != std::string::npos) return separator;
    }
    return std::nullopt;
}

}  // namespace

std::string CreateOneClockItem(uint8_t onOff, uint8_t day, uint8_t hour, uint8_t minute,
                               const std::string& text) {
    return std::to_string(onOff) + "#" + std::to_string(day) + "#" + TwoDigitText(hour) + ":" +
           TwoDigitText(minute) + "#" + GbkToUtf8(text);
}

std::string CreateOneCodeItem(const std::string& number, const std::string& name) {
    return number + "#" + GbkToUtf8(name);
}

std::string AlarmSlotText(std::span<const AlarmRow> rows) {
    return JoinSlots(rows, kAlarmSlots, [](const AlarmRow& r) {
        return CreateOneClockItem(static_cast<uint8_t>(r.onOff), static_cast<uint8_t>(r.dayType + 1),
                                  static_cast<uint8_t>(r.hour), static_cast<uint8_t>(r.minute), r.text);
    });
}

std::string SpeedDialSlotText(std::span<const NumberRow> rows, size_t slotCount) {
    return JoinSlots(rows, slotCount, [](const NumberRow& r) { return CreateOneCodeItem(r.number, r.name); });
}

std::string WhiteListSlotText(std::span<const NumberRow> rows) {
    return SpeedDialSlotText(rows, kWhiteListSlots);
}

std::optional<SlotFault> AlarmSlotFault(std::span<const AlarmRow> rows) {
    for (size_t i = 0; i < rows.size() && i < kAlarmSlots; ++i) {
        if (!rows[i].checked) continue;
        if (auto separator = SeparatorIn(rows[i].text)) return SlotFault{i + 1, "text", *separator};
    }
    return std::nullopt;
}

std::optional<SlotFault> NumberSlotFault(std::span<const NumberRow> rows, size_t slotCount) {
    for (size_t i = 0; i < rows.size() && i < slotCount; ++i) {
        if (!rows[i].checked) continue;
        if (auto separator = SeparatorIn(rows[i].number)) return SlotFault{i + 1, "number", *separator};
        if (auto separator = SeparatorIn(rows[i].name)) return SlotFault{i + 1, "name", *separator};
    }
    return std::nullopt;
}
