#include "tools/TestWindowData.h"

#include "link/ReplyFormat.h"

namespace {

constexpr int kFirstNeighbourLabel = 14;
constexpr int kNeighbourCountByte = 25;
constexpr int kFirstNeighbourByte = 26;
constexpr int kNeighbourRecord = 11;

// A cell's values in label order, by their offsets within the cell's record.
struct CellValue {
    const char* caption;
    int offset;
    bool word;  // two bytes, high first
};
constexpr CellValue kCellFields[kCellValues] = {
    {"arfcn：", 0, true}, {"RxLev：", 2, false}, {"MNC：", 3, true},
    {"MCC：", 5, true},   {"LAC：", 7, true},    {"CI:", 9, true},
};
// The serving cell's record starts at byte 13; its timing advance sits at byte 24.
constexpr int kServingCell = 13;

struct DebugType {
    int type;
    const char* label;
};
constexpr DebugType kDebugTypes[] = {
    {0x8110, "System Debug Info"}, {0x8111, "Sms Rec Info"},  {0x8112, "Sms Send Info"},
    {0x8113, "GPRS Server Data"},  {0x8114, "GPRS EUQ Data"}, {0x8115, "Uart Send Data:"},
    {0x8116, "Uart Rec Data"},     {0x8392, "EWM Data"},
};

std::string CellText(const ReplyBytes& b, int record, const CellValue& v) {
    return v.caption + Dec(v.word ? b.Be16(record + v.offset) : b.At(record + v.offset));
}

}  // namespace

std::string NeighbourLabel(int neighbour, int value) {
    return "Label" + std::to_string(kFirstNeighbourLabel + kCellValues * (neighbour - 1) + value);
}

TReplyRecord WidestNetStatus() {
    TReplyRecord reply;
    reply.Data.fill(0xFF);  // every 16-bit value 65535, every byte 255
    reply.Data[0] = 1;
    // Degrees with their widest fractions: 179.999999 east and 89.999999 north.
    for (const auto& [at, degrees] : {std::pair{5, 179}, std::pair{9, 89}}) {
        reply.Data[static_cast<size_t>(at)] = static_cast<uint8_t>(degrees);
        for (int i = 1; i <= 3; ++i) reply.Data[static_cast<size_t>(at + i)] = 99;
    }
    reply.Data[kNeighbourCountByte] = kNeighbourCells;
    reply.Len = kFirstNeighbourByte + kNeighbourRecord * kNeighbourCells;
    return reply;
}

LabelTexts NetStatusLabels(const TReplyRecord& reply, const std::string& now) {
    const ReplyBytes b(reply);
    LabelTexts out = {
        {"Label1", "时间：" + now},
        {"Label2", std::string("定位：") + (b.At(0) == 1 ? "是" : "否")},
        {"Label3", "经度：" + FormatDegree(b.At(5), b.At(6), b.At(7), b.At(8))},
        {"Label4", "纬度：" + FormatDegree(b.At(9), b.At(10), b.At(11), b.At(12))},
        {"Label5", "速度：" + Dec(b.Be16(1))},
        {"Label6", "方向：" + Dec(b.Be16(3))},
        {"Label7", "TA：" + Dec(b.At(24))},
    };
    int n = 8;
    for (const CellValue& v : kCellFields)
        out.push_back({"Label" + std::to_string(n++), CellText(b, kServingCell, v)});
    const int count = b.At(kNeighbourCountByte);
    const bool filled = count >= 1 && count <= kNeighbourCells;
    for (int r = 1; r <= kNeighbourCells; ++r) {
        const int record = kFirstNeighbourByte + kNeighbourRecord * (r - 1);
        for (int f = 0; f < kCellValues; ++f) {
            const CellValue& v = kCellFields[f];
            out.push_back({NeighbourLabel(r, f),
                           filled && r <= count ? CellText(b, record, v) : std::string(v.caption) + "0"});
        }
    }
    return out;
}

std::string DebugLabel(int type) {
    for (const DebugType& t : kDebugTypes)
        if (t.type == type) return t.label;
    return {};
}

std::vector<std::string> DebugLines(const TReplyRecord& reply, bool showString, const std::string& now) {
    std::vector<std::string> lines{"", DebugLabel(reply.Type) + "  " + now, HexDump(reply)};
    if (showString) lines.push_back(Cp936BytesToLogText(reply.Data.data(), ReplyReadableLength(reply)));
    return lines;
}

QrModules QrMatrixOf(const TReplyRecord& reply) {
    const ReplyBytes b(reply);
    QrModules modules{};
    for (size_t i = 0; i < modules.size(); ++i) modules[i] = b.At(static_cast<int>(i)) == 1;
    return modules;
}

std::string CutCp936(const std::string& bytes, size_t limit) {
    size_t end = 0;
    while (end < bytes.size()) {
        const size_t width = static_cast<uint8_t>(bytes[end]) >= 0x81 && end + 1 < bytes.size() ? 2 : 1;
        if (end + width > limit) break;
        end += width;
    }
    return bytes.substr(0, end);
}
