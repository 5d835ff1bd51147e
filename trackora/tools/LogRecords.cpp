#include "tools/LogRecords.h"

#include "link/ReplyFormat.h"

namespace {

constexpr int kSmallRecord = 16;
constexpr int kPersonalRecord = 24;

constexpr const char* kProcessNames[] = {
    "初始化中", "等待注册", "拔号连接", "等待拨号", "开始语音", "语音处理", "域名解析", "等待解析",
    "连接平台", "等待连接", "注册平台", "平台注册", "登录平台", "等待登录", "进入正常", "正常连接",
    "开始重连", "重连等待", "进入休眠", "深度休眠", "等待激活", "复位延时", "系统复位", "进入飞行",
    "飞行模式", "开始附着", "网络附着", "升级开始", "升级请求", "升级数据", "升级等待", "升级文件",
    "升级处理", "升级退出", "系统复位", "MCU复位",  "MCU升级",  "MCU文件",  "MCU等待",
};

constexpr const char* kTripEvents[] = {
    "行程事件：接收到行程开始信息",     "行程事件：接收到行程结束信息",   "行程事件：上传一条行程到平台",
    "行程事件：接收到平台行程报文应答", "行程事件：未接受到有效开始信息", "行程事件：行程开始时间无效",
    "行程事件：行程结束时间无效",
};

// One bit of a state byte and the texts of its two values.
struct BitText {
    int bit;
    const char* on;
    const char* off;
};
// The state byte of each layout after its card and network bits, in the order the line shows them.
constexpr BitText kPersonalStateBits[] = {
    {3, "充电中/", "未充电"},  {4, "已注册/", "未注册/"}, {2, "已休眠/", "未休眠/"},
    {1, "有外电/", "无外电/"}, {0, "有振动/", "无振动/"},
};
constexpr BitText kSmallStateBits[] = {
    {4, "已注册/", "未注册/"}, {3, "ACC开/", "ACC关/"},   {2, "已休眠/", "未休眠/"},
    {1, "有外电/", "无外电/"}, {0, "有振动/", "无振动/"},
};

bool Bit(uint8_t value, int bit) { return ((value >> bit) & 1) != 0; }
std::string D(uint32_t value) { return Dec(value); }
uint32_t Be16(std::span<const uint8_t> r, size_t at) { return r[at] * 256u + r[at + 1]; }

std::string StateText(uint8_t value, std::span<const BitText> rest) {
    std::string text = Bit(value, 7) ? "有卡/" : "无卡/";
    text += Bit(value, 6) ? "GSM/" : Bit(value, 5) ? "DCS/" : "无网/";
    for (const BitText& b : rest) text += Bit(value, b.bit) ? b.on : b.off;
    return text;
}

std::string SignalText(uint8_t value) { return "P" + D(value >> 5) + "/" + "信号:" + D(value & 31) + "/"; }

std::string GpsText(uint8_t value) {
    return std::string(Bit(value, 7) ? "GPS开:" : "GPS:关") + (Bit(value, 6) ? "已定位:" : "未定位:") +
           D(value & 63) + ":";
}

}  // namespace

int LogRecordSize(int deviceType) {
    return deviceType == kLogPersonalDevice ? kPersonalRecord : kSmallRecord;
}

int LogPageCount(int total) { return total / kLogPageRecords + (total % kLogPageRecords > 0 ? 1 : 0); }

std::string LogPageRequest(int total, int page) {
    const int offset = page * kLogPageRecords;
    int count = kLogPageRecords;
    if (page == LogPageCount(total) - 1 && total % kLogPageRecords != 0) count = total % kLogPageRecords;
    return {static_cast<char>((offset >> 8) & 0xFF), static_cast<char>(offset & 0xFF),
            static_cast<char>(count)};
}

std::string LogProcessName(int state) {
    if (state < 0 || state >= static_cast<int>(std::size(kProcessNames))) return "未知流程";
    return kProcessNames[state];
}

std::string FormatPersonalLogRecord(std::span<const uint8_t, 24> r) {
    std::string line = TwoDigitText(r[0]) + "-" + TwoDigitText(r[1]) + ":" + TwoDigitText(r[2]) + ":" +
                       TwoDigitText(r[3]) + " ";
    line += LogProcessName(r[4]) + " ";
    line += StateText(r[5], kPersonalStateBits);
    line += SignalText(r[6]);
    line += GpsText(r[7]);
    line += D(r[8]) + "/";
    line += D(r[9] * 65536u + Be16(r, 10)) + "秒/";
    line += "S" + D(Be16(r, 12)) + "/";
    line += "R" + D(Be16(r, 14)) + "/";
    switch (r[16]) {
        case 1:
            line += "WIFI上报:" + D(r[17]) + "/";
            break;
        case 2:
            line += "GPS上报:" + D(r[18]) + "/";
            break;
        case 3:
            line += "LBS上报/";
            break;
        default:
            break;
    }
    line += "BAT:" + D(Be16(r, 20)) + "/";
    line += "DW:" + D(Be16(r, 22));
    return line;
}

std::vector<std::string> FormatLogRecord(std::span<const uint8_t, 16> r, int deviceType) {
    std::string line = TwoDigitText(r[0]) + "-" + TwoDigitText(r[1]) + ":" + TwoDigitText(r[2]) + " ";
    line += LogProcessName(r[3]) + " ";
    line += StateText(r[4], kSmallStateBits);
    line += SignalText(r[5]);
    line += GpsText(r[6]);
    line += D(r[7]) + "/";
    line += D(Be16(r, 8)) + "秒/";
    if (deviceType == kLogVinDevice)
        line += "行程数目:" + D(r[11]) + "/";
    else
        line += "V7:" + D(r[10]) + "/" + "V1:" + D(r[11]) + "/";
    line += "BIN:" + D(Be16(r, 12)) + "/";
    line += "补传:" + D(r[14]) + "/";
    line += "电压:" + D(r[15]);
    std::vector<std::string> lines{line};
    if (deviceType == kLogVinDevice) {
        for (int bit = 0; bit < static_cast<int>(std::size(kTripEvents)); ++bit)
            if (Bit(r[10], bit)) lines.emplace_back(kTripEvents[bit]);
    }
    return lines;
}

LogPage FormatLogPage(const TReplyRecord& reply, int deviceType) {
    const ReplyBytes b(reply);
    const int size = LogRecordSize(deviceType);
    LogPage page;
    page.offset = static_cast<int>(b.Be16(0));
    page.records = b.Size() >= 2 ? (b.Size() - 2) / size : 0;
    for (int i = 0; i < page.records; ++i) {
        const uint8_t* at = reply.Data.data() + 2 + static_cast<size_t>(size) * static_cast<size_t>(i);
        if (size == kPersonalRecord) {
            page.lines.push_back(FormatPersonalLogRecord(std::span<const uint8_t, 24>(at, 24)));
        } else {
            for (std::string& line : FormatLogRecord(std::span<const uint8_t, 16>(at, 16), deviceType))
                page.lines.push_back(std::move(line));
        }
    }
    return page;
}
