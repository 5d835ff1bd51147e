// Parameter answers: items "KEY=VALUE" (query) or "KEY" (set) separated by commas.
#include <array>
#include <iterator>
#include <string_view>
#include <tuple>

#include "link/ListDecoders.h"
#include "link/ReplyFamilies.h"
#include "link/ReplyFormat.h"

namespace {

// How a queried key is printed. A row with a label prints label + value. A row without one picks
// its text by the value's first character ('0', '1', '2'), or "otherwise" for any other first
// character; "whole" rows pick only when the value is that one character.
struct ParamGetRow {
    std::string_view key;
    const char* label;
    std::array<const char*, 3> byDigit;
    const char* otherwise;
    bool whole;
};

constexpr ParamGetRow Value(std::string_view key, const char* label) {
    return {key, label, {}, nullptr, false};
}
constexpr ParamGetRow Flag(std::string_view key, const char* off, const char* on) {
    return {key, nullptr, {off, nullptr, nullptr}, on, false};
}
constexpr ParamGetRow Pick(std::string_view key, const char* zero, const char* one, const char* two) {
    return {key, nullptr, {zero, one, two}, nullptr, false};
}

constexpr ParamGetRow kGetRows[] = {
    Value("TERIID", "TeriSN:"),
    Value("SOFTVERSION", "Version:"),
    Value("IMEI", "IMEI:"),
    Value("IMSI", "IMSI:"),
    Value("APN", "APN:"),
    Value("USERPPP", "APN User:"),
    Value("PWPPP", "APN Password:"),
    Value("SERVIP", "ServerAddr:"),
    Value("SERVPORT", "ServerPort:"),
    Value("SERV2_ADDR", "SecondAddr:"),
    Value("SERV2_PORT", "SecondPort:"),
    Value("PSW", "Password:"),
    Flag("VIBCALL", "Vib Call: Disbale", "Vib Call Enable"),
    Flag("POFS", "PowOff Call: Disabl", "PowOff Call: Enable"),
    Flag("POF", "PowOff Sms: Disable", "PowOff Sms: Enable"),
    Flag("VIB", "VIB Sms: Disable", "VIB Sms: Enable"),
    Value("VIBL", "Vib Level:"),
    Value("VIBCHK", "Vib Param:"),
    Value("FREQ", "FREQ:"),
    Value("PHONE", "SIM-ID:"),
    Value("USER", "User:"),
    Value("PULSE", "Heart:"),
    Pick("PRO", "Ptl Select:LM", "Ptl Select:808", "Ptl Select:GT06"),
    Flag("ANGLE_SEND", "Angle Send: Disable", "Angle Send: Enable"),
    {"GPS_FINTER_EN", nullptr, {"GPS Finter:Disable", nullptr, nullptr}, nullptr, true},
    Value("SPEED", "Over Speed:"),
    Value("SLEEPT", "Sleep Time:"),
    Flag("SOS_SMS_EN", "SOS Sms: Disable", "SOS Sms: Enable"),
    Flag("SPDSMSEN", "Over Speed Sms: Disable", "Over Speed Sms: Enable"),
    Flag("SOS_CALL_EN", "SOS Call: Disable", "SOS Call: Enable"),
    Value("SOS_CODE2", "SOS Numner2:"),
    Value("SOS_CODE3", "SOS Number2:"),
    Value("ICCID", "SIM ICCID:"),
    Flag("SOURCE_OFF_TYPE", "Source Off: Speed <20", "Source Off: Auto"),
    Pick("PTL_SEL", "Ptl Select:LM", "Ptl Select:808", "Ptl Select:GT06"),
    Pick("808SEL", "808 Select:2011", "808 Select:2013", nullptr),
    Flag("BATT_TYPE", "Batter: Small", "Batter: Big"),
    Flag("BLIND_EN", "BlindSend: Disable", "BlindSend: Enable"),
    Flag("MTK_DISSLP", "MTK NO Sleep: Disable", "MTK NO Sleep: Enable"),
    Flag("GPS_DISSLP", "GPS NO Sleep: Disable", "GPS NO Sleep: Enable"),
};

// Lines for keys the terminal reports as set or as failed; nullptr prints the key alone.
struct ParamSetRow {
    std::string_view key;
    const char* ok;
    const char* fail;
};

constexpr ParamSetRow kSetRows[] = {
    {"TERIID", "SetOK:TeriSN", "Set Fail:TeriSN"},
    {"SPEED", "SetOK:Over Speed", nullptr},
    {"SLEEPT", "SetOK:Sleep Time", nullptr},
    {"IMEI", "SetOK:IMEI", nullptr},
    {"APN", "SetOK:APN", "Set Fail:APN"},
    {"USERPPP", "SetOK:APN User", "Set Fail:APN User"},
    {"PWPPP", "SetOK:APN PassWord", "Set Fail:APN PassWrod"},
    {"VIBCALL", "SetOK:VIB Call", "Set Fail:Vib Call"},
    {"SERVIP", "SetOK:ServerAddr", "Set Fail:ServerAddr"},
    {"SERVPORT", "SetOK:ServerPort", "Set Fail:ServerPort"},
    {"PSW", "SetOK:Password", nullptr},
    {"POFS", "SetOK:PowOff Call", nullptr},
    {"POF", "SetOK:PowOff Sms", nullptr},
    {"VIB", "SetOK:VIB SMS", "Set Fail:VIB SMS"},
    {"VIBL", "SetOK:Vib Level", nullptr},
    {"VIBCHK", "SetOK:Vib Param", nullptr},
    {"FREQ", "SetOK:FREQ", nullptr},
    {"PHONE", "SetOK:SIM-ID", "Set Fail:SIM-ID"},
    {"USER", "SetOK:User", nullptr},
    {"PULSE", "SetOK:Heart", nullptr},
    {"PRO", "SetOK:Ptl Select", nullptr},
    {"ANGLE_SEND", "SetOK:Angle Enable", "Set Fail:Angle Send"},
    {"GPS_FINTER_EN", "SetOK:GPS Finter", "Set Fail:GPS Finter"},
    {"SPDSMSEN", "SetOK:Speed Over SMS", "Set Fail:Speed Over Sms"},
    {"SKY_LINE_FLAG", "SetOK:Run Mode", "Set Fail:Run Mode"},
    {"SOS_SMS_EN", "SetOK:SOS SMS", "Set Fail:SOS SMS"},
    {"SOS_CALL_EN", "SetOK:SOS CALL", "SOS CALL"},
    {"SOS_CODE2", "SetOK:SOS Number1", "Set Fail:SOS Number1"},
    {"SOS_CODE3", "SetOK:SOS Number2", "Set Fail:SOS Number2"},
    {"ICCID", "SetOK:SIM ICCID", "Set Fail:SIM ICCID"},
    {"SOURCE_OFF_TYPE", "SetOK:Source Off", "Set Fail:Source Off"},
    {"PTL_SEL", "SetOK:Ptl Select", "Set Fail:Ptl Select"},
    {"BLIND_EN", "SetOK:BlindSend", "Set Fail:BlindSend"},
    {"808SEL", "SetOK:808 Select", nullptr},
    {"GMT_SET", "SetOK:Timezone", nullptr},
    {"BATT_TYPE", "SetOK:Battery", "Set Fail:Battery"},
    {"SERV2_ADDR", "Second IP", nullptr},
    {"SERV2_PORT", "Second Port", nullptr},
    {"MTK_DISSLP", "MTK NO Sleep", nullptr},
    {"GPS_DISSLP", "GPS NO Sleep", nullptr},
    {"ACC_OFF_FREQ", "ACC_OFF_FREQ", "ACC_OFF_FREQ"},
};

// The line of one queried item. A key outside the table, a choice key with an empty value, and a
// value none of the key's texts covers all print key + ":" + value, so no answer is lost.
std::string ParamGetLine(std::string_view item) {
    const size_t eq = item.find('=');
    const std::string_view key = item.substr(0, eq);
    const std::string_view value = eq == std::string_view::npos ? std::string_view{} : item.substr(eq + 1);
    const std::string plain = LogText(std::string(key)) + ":" + LogText(std::string(value));
    for (const ParamGetRow& row : kGetRows) {
        if (row.key != key) continue;
        if (row.label) return row.label + LogText(std::string(value));
        if (value.empty() || (row.whole && value.size() != 1)) return plain;
        const char first = value.front();
        const char* text = first >= '0' && first <= '2' ? row.byDigit[first - '0'] : nullptr;
        if (!text && first != '0') text = row.otherwise;
        return text ? text : plain;
    }
    return plain;
}

std::string ParamSetLine(std::string_view item, bool succeeded) {
    const std::string_view key = item.substr(0, item.find('='));
    for (const ParamSetRow& row : kSetRows) {
        if (row.key != key) continue;
        const char* line = succeeded ? row.ok : row.fail;
        if (line) return line;
        break;
    }
    return LogText(std::string(key));
}

// Items between 1-based positions first and last: 1 + the commas among them, the way the terminal
// counts them (a trailing comma gives a last, empty item).
int CountItems(const ReplyBytes& b, int first, int last) {
    int count = 1;
    for (int p = std::max(first, 1); p <= std::min(last, b.Size()); ++p)
        if (b.At(p - 1) == ',') ++count;
    return count;
}

template <typename LineOf>
void PrintItems(const TReplyRecord& reply, int first, int last, ReplyLines& out, LineOf lineOf) {
    const int count = CountItems(ReplyBytes(reply), first, last);
    for (int k = 1; k <= count; ++k) out.push_back(lineOf(FindItemInBuf(reply, first, last, k)));
}

}  // namespace

std::string FindItemInBuf(const TReplyRecord& reply, int first, int last, int n) {
    const ReplyBytes b(reply);
    first = std::max(first, 1);
    last = std::min(last, b.Size());  // positions are 1-based: byte p - 1
    int start = first;
    if (n > 1) {
        int commas = 0;
        for (int p = first; p <= last; ++p) {
            if (b.At(p - 1) == ',' && ++commas == n - 1) {
                start = p + 1;
                break;
            }
        }
    }
    std::string item;
    for (int p = start; p <= last && b.At(p - 1) != ','; ++p) item.push_back(static_cast<char>(b.At(p - 1)));
    return item;
}

void ParamGetAckDeal(const TReplyRecord& reply, ReplyLines& out) {
    const int length = static_cast<int>(ReplyBytes(reply).Be16(0));
    if (length <= 0) return;
    PrintItems(reply, 3, length + 2, out, [](const std::string& item) { return ParamGetLine(item); });
}

void StoreRfStatus(const TReplyRecord& reply) {
    static constexpr std::string_view kRfKeys[] = {"RFWORK", "CHANNAL",    "RFRECT",
                                                   "RFCHKT", "ATUOFREQEN", "RFCLOSEENAB"};
    static_assert(std::size(kRfKeys) == std::tuple_size_v<decltype(SysRunInfo.RfStatus)>);
    const int length = static_cast<int>(ReplyBytes(reply).Be16(0));
    if (length <= 0) return;
    const int count = CountItems(ReplyBytes(reply), 3, length + 2);
    for (int k = 1; k <= count; ++k) {
        const std::string item = FindItemInBuf(reply, 3, length + 2, k);
        const size_t eq = item.find('=');
        if (eq == std::string::npos) continue;
        for (size_t i = 0; i < std::size(kRfKeys); ++i) {
            if (item.compare(0, eq, kRfKeys[i]) == 0) SysRunInfo.RfStatus[i] = item.substr(eq + 1);
        }
    }
}

void ParamSetAckDeal(const TReplyRecord& reply, ReplyLines& out) {
    const ReplyBytes b(reply);
    const int okLength = static_cast<int>(b.Be16(0));
    if (okLength > 0)
        PrintItems(reply, 3, okLength + 2, out,
                   [](const std::string& item) { return ParamSetLine(item, true); });
    if (b.Be16(okLength + 2) == 0) return;
    PrintItems(reply, okLength + 5, b.Size(), out,
               [](const std::string& item) { return ParamSetLine(item, false); });
}
