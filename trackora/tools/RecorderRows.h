// What the table-recorder windows write: the row of each table from its source, the fixed-width lines of
// their text exports, and the simulated point's payload. Plain functions over the shared records, so the
// windows only move rows between them and the tables.
#pragma once

#include <QDateTime>
#include <string>
#include <string_view>
#include <vector>

#include "link/PublicData.h"
#include "platform/Tables.h"

extern const TableDecl kQ7GpsMoniTable;
extern const TableDecl kDisTestTable;
extern const TableDecl kGpsFinterTable;

// The export headings, blanks included.
inline constexpr char kQ7ExportHeading[] =
    "日期时间            定位  星数  星1  星2  星3  星4  星5  星6  采样   经度        纬度       速度  航向  "
    "HDOP";
inline constexpr char kGpsFinterExportHeading[] =
    "日期时间            定位  稳定点  漂移点  统距  计距  经度        纬度        速度 航向  HDOP";

// "yyyy-mm-dd hh:nn:ss", the recorders' time field.
[[nodiscard]] std::string RecorderTimeText(const QDateTime& when);

// A Q7GpsMoni row from the GPS status (replies 0x8101 and 0x8104).
[[nodiscard]] TableRow Q7GpsRow(const TGpsInfoManage& gps, const QDateTime& when);
// A DisTest row from a mileage-test reply 0x8117; bytes the frame does not carry read as 0.
[[nodiscard]] TableRow DisTestRow(const TReplyRecord& reply);
// The value after the first occurrence of `key` (case-sensitive) up to the next "," or the end of the
// text; empty when the key does not occur.
[[nodiscard]] std::string FindValueInString(std::string_view text, std::string_view key);
// A dbGpsFinter row from a filter report's key/value text.
[[nodiscard]] TableRow GpsFinterRow(std::string_view report, const QDateTime& when);

// One line of each export, from a row in column order.
[[nodiscard]] std::string Q7ExportLine(const TableRow& row);
[[nodiscard]] std::string GpsFinterExportLine(const TableRow& row);
