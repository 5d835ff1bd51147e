// The slot lists a watch keeps: alarm clocks, speed-dial numbers and a white list. Each list is written
// with one command whose payload is its slots joined by ";" (always slots - 1 separators, an unwritten
// slot left empty) and read back with a query command without payload.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

constexpr int kAlarmSetCmd = 0x0210;
constexpr int kAlarmQueryCmd = 0x0211;
constexpr int kSpeedDialSetCmd = 0x0212;
constexpr int kSpeedDialQueryCmd = 0x0213;
constexpr int kWhiteListSetCmd = 0x0214;
constexpr int kWhiteListQueryCmd = 0x0215;

constexpr size_t kAlarmSlots = 5;
constexpr size_t kSpeedDialSlots = 5;
constexpr size_t kWhiteListSlots = 10;

// One alarm row of a console: its combo box indices (-1 when nothing is selected) and its reminder text.
struct AlarmRow {
    bool checked = false;
    int onOff = 0;    // 0 "关", 1 "开"
    int dayType = 2;  // 0 "一次", 1 "每天", 2 "工作日"
    int hour = 0;
    int minute = 0;
    std::string text;  // code page 936
};

// One speed-dial or white-list row.
struct NumberRow {
    bool checked = false;
    std::string number;  // as typed
    std::string name;    // code page 936
};

// "<on/off>#<day>#<hh>:<mm>#<text as UTF-8>"; the numbers arrive as bytes, so an index of -1 reads 255.
std::string CreateOneClockItem(uint8_t onOff, uint8_t day, uint8_t hour, uint8_t minute,
                               const std::string& text);
// "<number>#<name as UTF-8>".
std::string CreateOneCodeItem(const std::string& number, const std::string& name);

// The list texts; rows beyond those given are empty slots.
std::string AlarmSlotText(std::span<const AlarmRow> rows);
std::string SpeedDialSlotText(std::span<const NumberRow> rows, size_t slotCount = kSpeedDialSlots);
std::string WhiteListSlotText(std::span<const NumberRow> rows);

// A written slot's text that holds ";" or "#" would split its slot or shift the later ones, writing slots
// the user never filled. The first such field of the checked rows within the list's slots, in slot order
// and then field order (alarm: "text"; number rows: "number", "name").
struct SlotFault {
    size_t slot;        // from 1
    std::string field;  // "text", "number" or "name"
    std::string separator;
};
std::optional<SlotFault> AlarmSlotFault(std::span<const AlarmRow> rows);
std::optional<SlotFault> NumberSlotFault(std::span<const NumberRow> rows, size_t slotCount);
