#include "link/Replies81.h"

#include <array>

#include "link/ListDecoders.h"
#include "link/ReplyFormat.h"
#include "link/SatelliteSort.h"

namespace {

constexpr int kImsiOffset = 36;
constexpr int kImsiLength = 16;
// Pair counts the satellite arrays take; 24 and more leave them as they were (the terminal's lists
// never hold more than 23 entries, so such a count marks a damaged reply).
constexpr int kMaxStoredSatellites = 23;

Bool32 IsOne(uint8_t value) { return value == 1 ? kTrue32 : 0; }

// Copies `count` (PRN, SNR) pairs starting at payload byte `first` when the count fits the arrays.
bool CopySatellitePairs(const ReplyBytes& b, int first, int count, std::array<uint8_t, 24>& prn,
                        std::array<uint8_t, 24>& snr) {
    if (count < 1 || count > kMaxStoredSatellites) return false;
    for (int k = 0; k < count; ++k) {
        prn[static_cast<size_t>(k)] = b.At(first + 2 * k);
        snr[static_cast<size_t>(k)] = b.At(first + 2 * k + 1);
    }
    return true;
}

// The GPS part shared by 0x8101 and 0x8104; answers n, the GPS satellite count as received.
int DecodeGpsPart(const TReplyRecord& reply) {
    const ReplyBytes b(reply);
    TGpsInfoManage& gps = GpsInfoManage;
    gps.Fixed = IsOne(b.At(0));
    gps.East = IsOne(b.At(1));
    gps.North = IsOne(b.At(2));
    gps.Hdop10 = b.At(3);
    gps.Speed = static_cast<int32_t>(b.Le16(4));
    gps.Course = static_cast<int32_t>(b.Le16(6));
    gps.LongitudeText = FormatDegree(b.At(8), b.At(9), b.At(10), b.At(11));
    gps.LatitudeText = FormatDegree(b.At(12), b.At(13), b.At(14), b.At(15));
    for (int i = 0; i < 6; ++i) gps.DateTime[static_cast<size_t>(i)] = b.At(16 + i);
    const int n = b.At(22);
    gps.GpsCount = n;
    if (CopySatellitePairs(b, 23, n, gps.GpsPrn, gps.GpsSnr)) SortGpsSatellites();
    gps.CollectTimes = static_cast<int32_t>(b.Be16(23 + 2 * n));
    return n;
}

void DecodeCounter(const char* label, uint32_t value, ReplyLines& out) { out.push_back(label + Dec(value)); }

void DecodeRunFlags(const TReplyRecord& reply, ReplyLines& out) {
    const ReplyBytes b(reply);
    DecodeCounter("有效振动标志：", b.At(0), out);
    DecodeCounter("定时上传计时：", b.Be16(1), out);
    DecodeCounter("WIFI监控标志：", b.At(3), out);
    DecodeCounter("SOCK重连标志：", b.At(4), out);
    DecodeCounter("当前定位流程：", b.At(5), out);
    const int count = b.At(6);
    DecodeCounter("定位指令数量：", static_cast<uint32_t>(count), out);
    for (int i = 1; i <= count; ++i) DecodeCounter("定位指令名称：", b.At(6 + i), out);
}

void DecodeLinkFlags(const TReplyRecord& reply, ReplyLines& out) {
    const ReplyBytes b(reply);
    DecodeCounter("平台连接流程：", b.At(0), out);
    DecodeCounter("生产测试模式：", b.At(1), out);
    DecodeCounter("天线调试模式：", b.At(2), out);
    DecodeCounter("当前连接次数：", b.At(5), out);
    DecodeCounter("当前循环次数：", b.At(6), out);
    DecodeCounter("当前操作计时：", b.Be16(7), out);
}

void DecodeCalibrationFlags(const TReplyRecord& reply, ReplyLines& out) {
    out.push_back("校准标志读取:" + HexDump(reply));
}

void DecodeHandsFree(const TReplyRecord& reply, ReplyLines& out) {
    const ReplyBytes b(reply);
    DecodeCounter("当前免提状态：", b.At(0), out);
}

void DecodeParamSetAck(const TReplyRecord& reply, ReplyLines& out) {
    out.push_back("Set Param Ack Info!!!");
    ParamSetAckDeal(reply, out);
}

// The key-fob console sees the answer after the acknowledgement line and before the parameter lines.
void DecodeParamGetAck(const TReplyRecord& reply, ReplyLines& out) {
    out.push_back("Read Param Ack Info!!!");
    StoreRfStatus(reply);
    ForwardReplyInOrder(out, "TfBrel.RFMoniInput");
    ParamGetAckDeal(reply, out);
}

void OptOk(const TReplyRecord&, ReplyLines& out) { out.push_back("Opt OK"); }
void OptFail(const TReplyRecord&, ReplyLines& out) { out.push_back("Opt Fail"); }
void UnknownCmd(const TReplyRecord&, ReplyLines& out) { out.push_back("UnKnow Cmd"); }

// The Wi-Fi monitor builds the text of bytes 0..Len-1 itself when its input method runs.
constexpr ReplyRow kRows[] = {
    {0x8100, DecodeSysRunInfo, nullptr},
    {0x8101, DecodeGpsStatus, "TfQ7GpsMoni.GpsDataInput"},
    {0x8103, nullptr, "TfNetTest.NetDataInput"},
    {0x8104, DecodeGpsBdStatus, "TfQ7GpsMoni.GpsDataInput"},
    {0x8105, nullptr, "TfMoni.WifiDataInput"},
    {0x8107, nullptr, "TfMoni.ObdDataInput"},
    {0x810A, DecodeRunFlags, nullptr},
    {0x810B, DecodeLinkFlags, nullptr},
    {0x8110, nullptr, "TfDebug.DebugDataInput"},
    {0x8111, nullptr, "TfDebug.DebugDataInput"},
    {0x8112, nullptr, "TfDebug.DebugDataInput"},
    {0x8113, nullptr, "TfDebug.DebugDataInput"},
    {0x8114, nullptr, "TfDebug.DebugDataInput"},
    {0x8115, nullptr, "TfDebug.DebugDataInput"},
    {0x8116, nullptr, "TfDebug.DebugDataInput"},
    {0x8117, nullptr, "TfDisTest.DisDataInput"},
    {0x8120, DecodeCalibrationFlags, nullptr},
    {0x8121, DecodeCalibration, nullptr},
    {0x8124, DecodeHandsFree, nullptr},
    {0x8201, DecodeParamSetAck, nullptr},
    {0x8202, DecodeParamGetAck, nullptr},
    {0x8211, PW3310AlarmReadDeal, nullptr},
    {0x8213, PW3310CallOutCodeReadDeal, nullptr},
    {0x8215, PW3310WhileCodeReadDeal, nullptr},
    {0xF000, OptOk, nullptr},
    {0xF001, OptFail, nullptr},
    {0xF002, UnknownCmd, nullptr},
};

}  // namespace

void DecodeSysRunInfo(const TReplyRecord& reply, ReplyLines&) {
    const ReplyBytes b(reply);
    TnSysRunInfo& info = SysRunInfo;
    info.SysState = b.At(0);
    info.SimOk = b.At(1);
    info.RegOk = b.At(2);
    info.Defences = b.At(3);
    info.Csq = b.At(4);
    info.Acc = b.At(5);
    info.Power = b.At(6);
    info.Sleep = b.At(7);
    auto le16 = [&](int at) { return static_cast<int32_t>(b.Le16(at)); };
    info.AreaId = le16(8);
    info.CellId = le16(10);
    info.Battery = le16(12);
    info.PppTimes = le16(14);
    info.SmsSend = le16(16);
    info.SmsRec = le16(18);
    info.SocketSend = le16(20);
    info.SocketReceive = le16(22);
    info.CallOut = le16(24);
    info.CallIn = le16(26);
    info.Mileage = static_cast<int32_t>(b.Le32(28));
    info.RunTime = static_cast<int32_t>(b.Le32(32));
    info.Imsi.clear();
    for (int i = 0; i < kImsiLength; ++i) info.Imsi.push_back(static_cast<char>(b.At(kImsiOffset + i)));
    info.NetNumberB = le16(52);
    info.NetNumberA = le16(54);
    info.Vibration = le16(56);
    info.Band = b.At(58);
    info.Aux1 = b.At(59);
    info.Aux2 = le16(60);
    info.Voltage10 = le16(94);
}

void DecodeGpsStatus(const TReplyRecord& reply, ReplyLines&) { DecodeGpsPart(reply); }

void DecodeGpsBdStatus(const TReplyRecord& reply, ReplyLines&) {
    const ReplyBytes b(reply);
    const int n = DecodeGpsPart(reply);
    const int m = b.At(25 + 2 * n);
    GpsInfoManage.BdCount = m;
    if (CopySatellitePairs(b, 26 + 2 * n, m, GpsInfoManage.BdPrn, GpsInfoManage.BdSnr)) SortBdSatellites();
}

void DecodeCalibration(const TReplyRecord& reply, ReplyLines& out) {
    const ReplyBytes b(reply);
    out.push_back("BarCode：" + LogText(b.Raw(0, 63)));
    out.push_back("AFC-DAC:" + Dec(b.Be16(64)));
    // A zero slope divisor has no value: the label stands alone and the rest of the record still prints.
    const uint32_t slopeDivisor = b.Be16(68);
    out.push_back("AFC-Slope:" + (slopeDivisor == 0 ? std::string() : FloatText(4096.0 / slopeDivisor)));
    std::string pow900 = "Pow-900:";
    std::string pow1800 = "Pow-1800:";
    for (int k = 1; k <= 16; ++k) {
        pow900 += Dec(b.Be16(68 + 2 * k)) + ",";
        pow1800 += Dec(b.Be16(100 + 2 * k)) + ",";
    }
    out.push_back(pow900);
    out.push_back(pow1800);
    // Each band: 13 triples of an ARFCN (high byte first) and a path loss in eighths.
    struct Band {
        const char* arfcnLabel;
        const char* lossLabel;
        int base;  // triple k starts at base + 3k
    };
    for (const Band band : {Band{"Afrnc-900:", "pLoss-900:", 131}, Band{"Afrnc-1800:", "pLoss-1800:", 170}}) {
        std::string arfcns = band.arfcnLabel;
        std::string losses = band.lossLabel;
        for (int k = 1; k <= 13; ++k) {
            arfcns += Dec(b.Be16(band.base + 3 * k)) + ",";
            losses += FloatText(b.At(band.base + 3 * k + 2) / 8.0) + ",";
        }
        out.push_back(arfcns);
        out.push_back(losses);
    }
}

void RegisterReplies81() { RegisterReplyRows(kRows); }
