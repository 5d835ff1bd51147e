#include "tools/RecorderRows.h"

#include <algorithm>

#include "link/ReplyFormat.h"

const TableDecl kQ7GpsMoniTable{"Q7GpsMoni",
                                "Q7GPSMoni.db",
                                "DELETE FROM Q7GpsMoni",
                                {"日期时间", "定位", "星数", "星1", "星2", "星3", "星4", "星5", "星6", "采样",
                                 "经度", "纬度", "速度", "航向", "HDOP"}};
const TableDecl kDisTestTable{"DisTest",
                              "DisTest.db",
                              "DELETE FROM DisTest",
                              {"时间", "经度", "纬度", "速度", "方向", "里程", "备速", "时间差", "计算距离",
                               "位置更新", "里程更新", "ACC", "流程", "定位"}};
// The clear statement's trailing blank is the table's own.
const TableDecl kGpsFinterTable{
    "dbGpsFinter",
    "dbGpsFinter.db",
    "DELETE FROM dbGpsFinter ",
    {"时间日期", "定位", "稳定点", "漂移点", "统计距离", "间隔距离", "经度", "纬度", "速度", "航向", "HDOP"}};

namespace {

constexpr int kShownSnrs = 6;
constexpr char kYes[] = "是";
constexpr char kNo[] = "否";

// The filter report's keys, in the table's column order after the time.
constexpr const char* kFinterKeys[] = {
    "E:", "SC:", "DC:", "dis:", "SecDis:", "logi:", "lati:", "spd:", "course:", "precision:"};

std::string Blanks(int count) { return std::string(static_cast<size_t>(std::max(count, 0)), ' '); }

// A field followed by blanks up to `width` characters when it is 1 to `longest` characters long, and by
// none otherwise (the export's columns for numbers that usually fit).
std::string Filled(const std::string& text, int width, int longest) {
    const int length = static_cast<int>(text.size());
    return text + (length >= 1 && length <= longest ? Blanks(width - length) : std::string());
}

// A field followed by `single` blanks when it is one character long, else by `other`.
std::string Spaced(const std::string& text, int single, int other) {
    return text + Blanks(text.size() == 1 ? single : other);
}

const std::string& Field(const TableRow& row, size_t index) {
    static const std::string empty;
    return index < row.size() ? row[index] : empty;
}

}  // namespace

std::string RecorderTimeText(const QDateTime& when) {
    return when.toString("yyyy-MM-dd hh:mm:ss").toStdString();
}

TableRow Q7GpsRow(const TGpsInfoManage& gps, const QDateTime& when) {
    TableRow row{RecorderTimeText(when), gps.Fixed ? kYes : kNo, std::to_string(gps.GpsCount)};
    for (int k = 1; k <= kShownSnrs; ++k)
        row.push_back(gps.GpsCount >= k ? std::to_string(gps.GpsSnr[static_cast<size_t>(k - 1)]) : "0");
    row.push_back(std::to_string(gps.CollectTimes));
    row.push_back(gps.LongitudeText);
    row.push_back(gps.LatitudeText);
    row.push_back(std::to_string(gps.Speed));
    row.push_back(std::to_string(gps.Course));
    row.push_back(std::to_string(gps.Hdop10));
    return row;
}

TableRow DisTestRow(const TReplyRecord& reply) {
    const ReplyBytes b(reply);
    return {TwoDigitText(b.At(3)) + ":" + TwoDigitText(b.At(4)) + ":" + TwoDigitText(b.At(5)),
            FormatDegree(b.At(6), b.At(7), b.At(8), b.At(9)),
            FormatDegree(b.At(10), b.At(11), b.At(12), b.At(13)),
            Dec(b.Be16(14)),
            Dec(b.Be16(16)),
            Dec(b.Be32(18)),
            Dec(b.Be16(22)),
            Dec(b.Be32(24)),
            Dec(b.Be32(28)),
            Dec(b.At(32)),
            Dec(b.At(33)),
            Dec(b.At(34)),
            Dec(b.At(35)),
            b.At(36) == 1 ? kYes : kNo};
}

std::string FindValueInString(std::string_view text, std::string_view key) {
    const size_t at = text.find(key);
    if (at == std::string_view::npos || key.empty()) return {};
    const size_t start = at + key.size();
    const size_t end = text.find(',', start);
    return std::string(
        text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
}

TableRow GpsFinterRow(std::string_view report, const QDateTime& when) {
    TableRow row{RecorderTimeText(when)};
    for (const char* key : kFinterKeys) row.push_back(FindValueInString(report, key));
    return row;
}

std::string Q7ExportLine(const TableRow& row) {
    std::string line = Field(row, 0) + " " + Field(row, 1) + Blanks(4);
    line += Spaced(Field(row, 2), 5, 4);                                  // 星数
    for (size_t k = 3; k <= 8; ++k) line += Spaced(Field(row, k), 4, 3);  // 星1 .. 星6
    line += Filled(Field(row, 9), 7, 6);                                  // 采样
    line += Field(row, 10) + Blanks(2) + Field(row, 11) + Blanks(2);      // 经度, 纬度
    line += Filled(Field(row, 12), 6, 3) + Filled(Field(row, 13), 6, 3);  // 速度, 航向
    return line + Field(row, 14);
}

std::string GpsFinterExportLine(const TableRow& row) {
    static constexpr int kBlanksAfter[] = {1, 5, 6, 7, 7, 3, 2, 3, 4, 4};
    std::string line;
    for (size_t i = 0; i < std::size(kBlanksAfter); ++i) line += Field(row, i) + Blanks(kBlanksAfter[i]);
    return line + Field(row, 10);
}
