// The watch's slot lists read back (alarms, speed dial, white list) and the listed-device line.
#include "link/ListDecoders.h"
#include "link/ReplyFormat.h"

namespace {

constexpr const char* kCrLf = "\r\n";

constexpr int kAlarmSlots = 5;
constexpr int kAlarmSlotSize = 14;
constexpr int kAlarmTextSize = 8;

constexpr int kCodeSlotSize = 20;
constexpr int kCodeNumberSize = 12;
constexpr int kCodeNameSize = 8;
// The white list answers 10 slots in a frame of up to 200 bytes; larger frames carry 15.
constexpr int kWhiteListShortFrame = 200;
constexpr int kWhiteListShortSlots = 10;
constexpr int kWhiteListLongSlots = 15;

std::string DayTypeText(uint8_t dayType) {
    switch (dayType) {
        case 1:
            return "一次  ";
        case 2:
            return "每天  ";
        case 3:
            return "工作日";
        default:
            return {};
    }
}

// One entry of number slots, numbered from firstNumber.
std::string CodeSlots(const ReplyBytes& b, const char* heading, int slots, int firstNumber) {
    std::string entry = std::string(heading) + kCrLf;
    for (int i = 0; i < slots; ++i) {
        const int at = kCodeSlotSize * i;
        entry += Dec(static_cast<uint32_t>(i + firstNumber)) + ". ";
        if (b.At(at) == 0) {
            entry += "未设置";
        } else {
            entry += LogText(b.RawUntilZero(at, kCodeNumberSize)) + "--" +
                     LogText(b.RawUntilZero(at + kCodeNumberSize, kCodeNameSize));
        }
        entry += kCrLf;
    }
    return entry;
}

}  // namespace

void PW3310AlarmReadDeal(const TReplyRecord& reply, ReplyLines& out) {
    const ReplyBytes b(reply);
    std::string entry = std::string("闹铃参数查询:") + kCrLf;
    for (int n = 1; n <= kAlarmSlots; ++n) {
        const int at = kAlarmSlotSize * (n - 1);
        if (b.At(at) != 1) {
            entry += Dec(static_cast<uint32_t>(n)) + "--关闭" + kCrLf;
            continue;
        }
        // Hour and minute are the two ends of the pair text; a three-digit hour keeps its first two.
        const std::string pair = MakeTwoDigitPair(b.At(at + 2), b.At(at + 3));
        entry += Dec(static_cast<uint32_t>(n)) + "--开启  " + DayTypeText(b.At(at + 1)) + " " +
                 pair.substr(0, 2) + ":" + pair.substr(pair.size() - 2) + " " +
                 LogText(b.RawUntilZero(at + 4, kAlarmTextSize)) + kCrLf;
    }
    out.push_back(std::move(entry));
}

void PW3310CallOutCodeReadDeal(const TReplyRecord& reply, ReplyLines& out) {
    const ReplyBytes b(reply);
    out.push_back(CodeSlots(b, "速拔号参数查询:", b.Size() / kCodeSlotSize, 1));
}

void PW3310WhileCodeReadDeal(const TReplyRecord& reply, ReplyLines& out) {
    const ReplyBytes b(reply);
    const int slots = b.Size() <= kWhiteListShortFrame ? kWhiteListShortSlots : kWhiteListLongSlots;
    out.push_back(CodeSlots(b, "白名单设置查询:", slots, 0));
}

std::string IMEIThreeIDConver(uint8_t e0, uint8_t e1, uint8_t e2, uint8_t e3, uint8_t e4, uint8_t e5,
                              uint8_t e6, uint8_t e7) {
    std::string line = "ID:";
    // Each nibble becomes '0' + nibble, so a nibble above 9 shows as ':' .. '?', as terminals print it.
    for (uint8_t packed : {e0, e1, e2}) {
        line.push_back(static_cast<char>('0' + (packed >> 4)));
        line.push_back(static_cast<char>('0' + (packed & 0x0F)));
    }
    line += " ";
    line += e3 == 2 ? "未知 " : e3 == 0 ? "离位 " : "在位";
    line += e4 == 0xFF && e5 == 0xFF ? std::string("未知 ") : FloatText((e4 * 256 + e5) / 100.0) + " ";
    line += Dec(static_cast<uint32_t>(e6 * 256 + e7));
    return line;
}
