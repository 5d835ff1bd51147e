// The run log's requests and records: the page request of command 0x0388 and the text line of each
// record a page answer (reply 0x8388) carries. The bit order of the state bytes differs between the
// two record layouts and is kept as the terminals and technicians know it.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "link/PublicData.h"

constexpr int kLogPageRecords = 20;
// Device types of the reader's combo box.
constexpr int kLogStandardDevice = 0;
constexpr int kLogVinDevice = 1;
constexpr int kLogPersonalDevice = 2;

// Record size of a device type: 24 bytes for the personal locators, 16 for the others.
[[nodiscard]] int LogRecordSize(int deviceType);
// Pages of `total` records, 20 a page.
[[nodiscard]] int LogPageCount(int total);
// Payload of command 0x0388 for page `page` (from 0) of `total` records: the first record's offset,
// high byte first, and the count (20; on the last page what is left, 20 when nothing is).
[[nodiscard]] std::string LogPageRequest(int total, int page);

// The terminal's process state name, "未知流程" for a value it does not have.
[[nodiscard]] std::string LogProcessName(int state);
// One 24-byte record as one line.
[[nodiscard]] std::string FormatPersonalLogRecord(std::span<const uint8_t, 24> record);
// One 16-byte record as its line; device type 1 adds a line for each trip event of byte 10.
[[nodiscard]] std::vector<std::string> FormatLogRecord(std::span<const uint8_t, 16> record, int deviceType);

struct LogPage {
    int offset = 0;   // the first record's offset the terminal answers for
    int records = 0;  // whole records carried
    std::vector<std::string> lines;
};
// The whole records of a page answer: (min(Len, 1024) - 2) div the record size of them; the bytes
// left over are ignored.
[[nodiscard]] LogPage FormatLogPage(const TReplyRecord& reply, int deviceType);
