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
