#include "tools/MoniPanels.h"

#include <algorithm>

#include "link/ReplyFormat.h"

namespace {

constexpr const char* kSysStates[] = {
    "Init",
    "Wait Reg Net",
    "Begig PPP",
    "Wait PPP",
    "Call Deal Begin",
    "Call Deal Wait",
    "DNS Begin",
    "DNS Wait",
    "Socket Begin",
    "Socket Wait",
    "Reg Server Begin",
    "Reg Server Wait",
    "Login Server Begin",
    "Login Server Wait",
    "Goto Idle",
    "Normal Connect",
    "Re Connect Begin",
    "Re Connect Wait",
    "Deep Sleep Begin",
    "Deep Sleep Wait",
    "Wait Active",
    "Reset Delay",
    "Reste Doing",
    "Goto Fly Mode",
    "Fly Mode",
    "Attach Begin",
    "Attach Wait",
    "Update-Begin Rsq",
    "Update-Wait Rsq",
    "UPdate-Data Rsq",
    "Update-Data Wait",
    "Update-Begin File",
    "Update-Deal File",
    "Update-Exit",
    "System RSTIng",
    "OBD MCU Rsq RST",
    "OBD MCU Rsq Udpate",
    "OBD MCU Send File",
    "OBD MCU Send Wait",
    "Wait Agps Deal",
};

struct BandRow {
    int band;
    const char* name;
};
constexpr BandRow kBands[] = {{0, "NONE"},    {2, "GSM900"},  {8, "DCS1800"},  {16, "PCS1900"},
                              {32, "GSM450"}, {64, "GSM480"}, {128, "GSM850"}, {160, "NONE"},
                              {162, "2G"},    {163, "3G"},    {164, "4G"},     {240, "NONE"}};

struct FlagRow {
    const char* label;
    const char* caption;
    uint8_t TnSysRunInfo::*field;
};
constexpr FlagRow kFlags[] = {
    {"Label23", "SIM:", &TnSysRunInfo::SimOk},   {"Label24", "REG:", &TnSysRunInfo::RegOk},
    {"Label26", "ACC:", &TnSysRunInfo::Acc},     {"Label40", "Defences:", &TnSysRunInfo::Defences},
    {"Label42", "Power:", &TnSysRunInfo::Power}, {"Label43", "Sleep:", &TnSysRunInfo::Sleep},
};

struct CounterRow {
    const char* label;
    const char* caption;
    int32_t TnSysRunInfo::*field;
};
constexpr CounterRow kCounters[] = {
    {"Label27", "Battery:", &TnSysRunInfo::Battery},
    {"Label39", "Mileage:", &TnSysRunInfo::Mileage},
    {"Label31", "Run Time:", &TnSysRunInfo::RunTime},
    {"Label32", "PPP Times:", &TnSysRunInfo::PppTimes},
    {"Label33", "Call IN:", &TnSysRunInfo::CallIn},
    {"Label34", "Call Out:", &TnSysRunInfo::CallOut},
    {"Label35", "Sms Send:", &TnSysRunInfo::SmsSend},
    {"Label36", "Smd Rec:", &TnSysRunInfo::SmsRec},
    {"Label37", "Socket Send:", &TnSysRunInfo::SocketSend},
    {"Label38", "Socket Receive:", &TnSysRunInfo::SocketReceive},
    {"Label48", "Vibration:", &TnSysRunInfo::Vibration},
};

enum class ObdKind { Unsigned, Signed, Character };
struct ObdRow {
    int offset;
    int size;
    const char* caption;
    ObdKind kind = ObdKind::Unsigned;
};
// In label order: Label119 holds the first row.
constexpr ObdRow kObdRows[] = {
    {0, 4, "累计里程:", ObdKind::Signed},
    {4, 4, "累计油量：", ObdKind::Signed},
    {8, 4, "瞬时油耗：", ObdKind::Signed},
    {12, 2, "电压："},
    {14, 2, "转速："},
    {16, 1, "车速："},
    {17, 1, "进气流量："},
    {18, 1, "进气压力："},
    {19, 1, "冷却液温度："},
    {20, 1, "进气温度："},
    {21, 1, "发动机负荷："},
    {22, 1, "节气门位置："},
    {23, 1, "邮箱油量："},
    {24, 1, "ACC:"},
    {25, 1, "脚刹："},
    {26, 1, "手刹："},
    {27, 1, "大灯："},
    {28, 1, "左转向："},
    {29, 1, "右转向："},
    {30, 1, "安全带："},
    {31, 1, "中控锁："},
    {32, 1, "左前门："},
    {33, 1, "右前门："},
    {34, 1, "左后门："},
    {35, 1, "右后门："},
    {36, 1, "尾箱："},
    {37, 1, "引擎盖："},
    {38, 1, "左前窗："},
    {39, 1, "右前窗："},
    {40, 1, "左后窗："},
    {41, 1, "右后窗："},
    {42, 1, "天窗："},
    {43, 1, "遥控："},
    {44, 1, "发动机故障："},
    {45, 1, "刹车故障："},
    {46, 1, "气囊故障："},
    {47, 1, "胎压故障："},
    {48, 1, "示阔灯故障："},
    {49, 1, "远光灯故障："},
    {50, 1, "档位：", ObdKind::Character},
    {51, 1, "MCU休眠："},
    {52, 2, "行程开始次数："},
    {54, 2, "行程结束次数："},
    {56, 2, "获取数据次数："},
    {58, 2, "获取状态次数："},
};
constexpr int kFirstObdLabel = 119;

std::string Label(int n) { return "Label" + std::to_string(n); }
std::string Number(int32_t value) { return std::to_string(value); }

std::string ObdValue(const ReplyBytes& b, const ObdRow& row) {
    switch (row.kind) {
        case ObdKind::Signed:
            return Number(static_cast<int32_t>(b.Le32(row.offset)));
        case ObdKind::Character:
            return LogText(std::string(1, static_cast<char>(b.At(row.offset))));
        case ObdKind::Unsigned:
            break;
    }
    return Dec(row.size == 2 ? b.Le16(row.offset) : b.At(row.offset));
}

// The scan rows start hidden; "0" + the row number leads every row, as the panels always showed it.
std::string RowLead(int k) { return "0" + std::to_string(k); }

std::string MacText(const ReplyBytes& b, int first) {
    std::string text;
    for (int i = 0; i < 6; ++i) text += (i > 0 ? ":" : "") + Hex2(b.At(first + i));
    return text;
}

}  // namespace

std::optional<std::string> SysStateText(int state) {
    if (state < 0 || state >= static_cast<int>(std::size(kSysStates))) return std::nullopt;
    return std::string("System Status: ") + kSysStates[state];
}

std::string BandText(int band) {
    for (const BandRow& row : kBands)
        if (row.band == band) return std::string("Band:") + row.name;
    return "Band:";
}

std::string ImsiText(const TnSysRunInfo& info) { return "SIM IMSI:" + LogText(info.Imsi); }

LabelTexts SysRunInfoLabels(const TnSysRunInfo& info) {
    LabelTexts out;
    for (const FlagRow& row : kFlags)
        out.push_back({row.label, std::string(row.caption) + (info.*row.field == 1 ? "1" : "0")});
    const std::string csq = "CSQ:" + Dec(info.Csq);
    out.push_back({"Label25", csq});
    out.push_back({"Label46", csq});
    out.push_back({"Label28", "AreaID:" + Hex4(static_cast<uint16_t>(info.AreaId))});
    out.push_back({"Label29", "CellID:" + Hex4(static_cast<uint16_t>(info.CellId))});
    for (const CounterRow& row : kCounters) out.push_back({row.label, row.caption + Number(info.*row.field)});
    if (auto state = SysStateText(info.SysState)) out.push_back({"Label30", *state});
    out.push_back({"Label45", "Net:" + Number(info.NetNumberA) + "-" + Number(info.NetNumberB)});
    out.push_back({"Label47", BandText(info.Band)});
    out.push_back({"Label49", "Voltage:" + FloatText(info.Voltage10 / 10.0)});
    return out;
}

GpsBars BuildGpsBars(const TGpsInfoManage& gps) {
    GpsBars bars{};
    const int shown = std::clamp(static_cast<int>(gps.GpsCount), 0, kGpsBarCount);
    for (int k = 0; k < shown; ++k) {
        const uint8_t snr = gps.GpsSnr[static_cast<size_t>(k)];
        GpsBar& bar = bars[static_cast<size_t>(k)];
        bar.height = std::min(snr * kBarFullHeight / kFullBarSignal, kBarFullHeight);
        bar.top = kBarFullHeight - bar.height;
        bar.rgb = gps.Fixed != 0 ? kBarFixedRgb : kBarSearchingRgb;
        bar.prn = Dec(gps.GpsPrn[static_cast<size_t>(k)]);
        bar.snr = Dec(snr);
    }
    return bars;
}

LabelTexts GpsLabels(const TGpsInfoManage& gps) {
    const auto& t = gps.DateTime;
    return {
        {"Label15", std::string("Status:") + (gps.Fixed ? "A" : "V") + (gps.East ? "/E" : "/W") +
                        (gps.North ? "/N" : "/S")},
        {"Label16", "Staellite:" + Number(gps.GpsCount)},
        {"Label17", "Longitude:" + LogText(gps.LongitudeText)},
        {"Label18", "Latitude:" + LogText(gps.LatitudeText)},
        {"Label19", "Speed:" + Number(gps.Speed)},
        {"Label20", "Angle:" + Number(gps.Course)},
        {"Label21", "Collect Times:" + Number(gps.CollectTimes)},
        {"Label22", "DHOP:" + FloatText(gps.Hdop10 / 10.0)},
        {"Label41", "DateTime:" + Dec(t[0]) + "-" + Dec(t[1]) + "-" + Dec(t[2]) + " " + Dec(t[3]) + ":" +
                        Dec(t[4]) + ":" + Dec(t[5])},
    };
}

LabelTexts ObdLabels(const TReplyRecord& reply) {
    const ReplyBytes b(reply);
    LabelTexts out;
    int n = kFirstObdLabel;
    for (const ObdRow& row : kObdRows) out.push_back({Label(n++), row.caption + ObdValue(b, row)});
    return out;
}

LabelTexts ObdCaptions() {
    LabelTexts out;
    int n = kFirstObdLabel;
    for (const ObdRow& row : kObdRows) out.push_back({Label(n++), row.caption});
    return out;
}

WifiEntry SplitWifiEntry(const std::string& entry) {
    const size_t first = entry.find('|');
    if (first == std::string::npos) return {entry, "", ""};
    const size_t second = entry.find('|', first + 1);
    if (second == std::string::npos) return {entry.substr(0, first), "", entry.substr(first + 1)};
    return {entry.substr(0, first), entry.substr(first + 1, second - first - 1), entry.substr(second + 1)};
}

ScanView WifiScanView(const std::string& text, const std::string& now) {
    std::vector<std::string> entries;
    if (!text.empty()) {
        size_t from = 0;
        for (size_t at = text.find('&'); at != std::string::npos; at = text.find('&', from)) {
            entries.push_back(text.substr(from, at - from));
            from = at + 1;
        }
        entries.push_back(text.substr(from));
    }
    ScanView view;
    view.heads = {{"Label91", "扫描热点个数：" + std::to_string(entries.size())},
                  {"Label92", "更新时间：" + now}};
    for (size_t i = 0; i < entries.size() && i < kScanRowsShown; ++i) {
        const WifiEntry e = SplitWifiEntry(entries[i]);
        view.rows.push_back(RowLead(static_cast<int>(i + 1)) + std::string(6, ' ') + e.name +
                            std::string(3, ' ') + e.signal + std::string(11, ' ') + e.address);
    }
    return view;
}

std::string WifiScanText(const TReplyRecord& reply) {
    return Cp936BytesToLogText(reply.Data.data(), ReplyReadableLength(reply));
}

ScanView BtScanView(const TReplyRecord& reply, const std::string& now) {
    constexpr int kAddressBytes = 6;
    const ReplyBytes b(reply);
    ScanView view;
    view.heads = {{"Label105", "主机MAC地址：" + MacText(b, 0)},
                  {"Label106", "扫描个数：" + Dec(b.At(6))},
                  {"Label107", "更新时间：" + now}};
    const int count = std::min<int>(b.At(6), kScanRowsShown);
    int at = 7;
    for (int k = 1; k <= count; ++k) {
        const int length = b.At(at);
        const int nameBytes = std::max(length - kAddressBytes, 0);
        const int end = at + 1 + kAddressBytes + nameBytes;  // one past the record
        if (end > b.Size()) break;
        const std::string name = b.Raw(at + 1 + kAddressBytes, end - 1);
        view.rows.push_back(RowLead(k) + std::string(7, ' ') + MacText(b, at + 1) + std::string(5, ' ') +
                            LogText(name));
        at = end;
    }
    return view;
}
