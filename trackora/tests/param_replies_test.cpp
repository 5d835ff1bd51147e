#include <gtest/gtest.h>

#include "link/ListDecoders.h"
#include "platform/TextCodec.h"
#include "reply_test_util.h"

namespace {

// A query answer: BE16 length, then the items.
TReplyRecord QueryAnswer(const std::string& items) {
    return MakeReply(
        0x8202, Bytes({static_cast<uint8_t>(items.size() >> 8), static_cast<uint8_t>(items.size())}) + items);
}

ReplyLines GetLines(const TReplyRecord& reply) { return Decoded(ParamGetAckDeal, reply); }
ReplyLines SetLines(const TReplyRecord& reply) { return Decoded(ParamSetAckDeal, reply); }

// A set answer: BE16 length of the success list, the list, the failure marker, the failure list.
TReplyRecord SetAnswer(const std::string& ok, uint16_t marker, const std::string& failed) {
    return MakeReply(0x8201,
                     Bytes({static_cast<uint8_t>(ok.size() >> 8), static_cast<uint8_t>(ok.size())}) + ok +
                         Bytes({static_cast<uint8_t>(marker >> 8), static_cast<uint8_t>(marker)}) + failed);
}

TEST(FindItemInBuf, WalksCommaSeparatedItemsByPosition) {
    // Positions are 1-based: 3..9 is "a,bb,,c".
    const TReplyRecord r = MakeReply(0x8202, "xxa,bb,,c");
    EXPECT_EQ(FindItemInBuf(r, 3, 9, 1), "a");
    EXPECT_EQ(FindItemInBuf(r, 3, 9, 2), "bb");
    EXPECT_EQ(FindItemInBuf(r, 3, 9, 3), "");
    EXPECT_EQ(FindItemInBuf(r, 3, 9, 4), "c");
    EXPECT_EQ(FindItemInBuf(r, 3, 9, 5), "a");  // too few commas: the first item
    EXPECT_EQ(FindItemInBuf(r, 10, 9, 1), "");  // start past last
    // last beyond Len stops at the frame's end, not in the stale bytes behind it.
    EXPECT_EQ(FindItemInBuf(r, 9, 5000, 1), "c");
    EXPECT_EQ(FindItemInBuf(r, -4, 2, 1), "xx");
}

TEST(ParamGetAckDeal, EveryKeyPrintsItsLine) {
    const struct {
        const char* item;
        const char* line;
    } rows[] = {
        {"TERIID=123", "TeriSN:123"},
        {"SOFTVERSION=V1.2", "Version:V1.2"},
        {"IMEI=865", "IMEI:865"},
        {"IMSI=460", "IMSI:460"},
        {"APN=cmnet", "APN:cmnet"},
        {"USERPPP=u", "APN User:u"},
        {"PWPPP=p", "APN Password:p"},
        {"SERVIP=1.2.3.4", "ServerAddr:1.2.3.4"},
        {"SERVPORT=8080", "ServerPort:8080"},
        {"SERV2_ADDR=h", "SecondAddr:h"},
        {"SERV2_PORT=90", "SecondPort:90"},
        {"PSW=0000", "Password:0000"},
        {"VIBCALL=0", "Vib Call: Disbale"},
        {"VIBCALL=1", "Vib Call Enable"},
        {"POFS=0", "PowOff Call: Disabl"},
        {"POFS=1", "PowOff Call: Enable"},
        {"POF=0", "PowOff Sms: Disable"},
        {"POF=9", "PowOff Sms: Enable"},
        {"VIB=0", "VIB Sms: Disable"},
        {"VIB=1", "VIB Sms: Enable"},
        {"VIBL=3", "Vib Level:3"},
        {"VIBCHK=5", "Vib Param:5"},
        {"FREQ=30", "FREQ:30"},
        {"PHONE=138", "SIM-ID:138"},
        {"USER=13900001111", "User:13900001111"},
        {"PULSE=60", "Heart:60"},
        {"PRO=0", "Ptl Select:LM"},
        {"PRO=1", "Ptl Select:808"},
        {"PRO=2", "Ptl Select:GT06"},
        {"ANGLE_SEND=0", "Angle Send: Disable"},
        {"ANGLE_SEND=1", "Angle Send: Enable"},
        {"GPS_FINTER_EN=0", "GPS Finter:Disable"},
        {"SPEED=120", "Over Speed:120"},
        {"SLEEPT=5", "Sleep Time:5"},
        {"SOS_SMS_EN=0", "SOS Sms: Disable"},
        {"SOS_SMS_EN=1", "SOS Sms: Enable"},
        {"SPDSMSEN=0", "Over Speed Sms: Disable"},
        {"SPDSMSEN=1", "Over Speed Sms: Enable"},
        {"SOS_CALL_EN=0", "SOS Call: Disable"},
        {"SOS_CALL_EN=1", "SOS Call: Enable"},
        {"SOS_CODE2=110", "SOS Numner2:110"},
        {"SOS_CODE3=120", "SOS Number2:120"},
        {"ICCID=8986", "SIM ICCID:8986"},
        {"SOURCE_OFF_TYPE=0", "Source Off: Speed <20"},
        {"SOURCE_OFF_TYPE=1", "Source Off: Auto"},
        {"PTL_SEL=0", "Ptl Select:LM"},
        {"PTL_SEL=2", "Ptl Select:GT06"},
        {"808SEL=0", "808 Select:2011"},
        {"808SEL=1", "808 Select:2013"},
        {"BATT_TYPE=0", "Batter: Small"},
        {"BATT_TYPE=1", "Batter: Big"},
        {"BLIND_EN=0", "BlindSend: Disable"},
        {"BLIND_EN=1", "BlindSend: Enable"},
        {"MTK_DISSLP=0", "MTK NO Sleep: Disable"},
        {"MTK_DISSLP=1", "MTK NO Sleep: Enable"},
        {"GPS_DISSLP=0", "GPS NO Sleep: Disable"},
        {"GPS_DISSLP=1", "GPS NO Sleep: Enable"},
        // Keys compare exactly: another case is another key.
        {"teriid=5", "teriid:5"},
    };
    for (const auto& row : rows) {
        ReplyLines lines = GetLines(QueryAnswer(row.item));
        ASSERT_FALSE(lines.empty()) << row.item;
        EXPECT_EQ(lines.front(), row.line) << row.item;
    }
}

TEST(ParamGetAckDeal, ValuesNoTextCoversPrintAsKeyAndValue) {
    const struct {
        const char* item;
        const char* line;
    } rows[] = {
        {"VIBCALL=", "VIBCALL:"},  // a flag with nothing to test
        {"PRO=3", "PRO:3"},
        {"PTL_SEL=", "PTL_SEL:"},
        {"808SEL=2", "808SEL:2"},
        {"GPS_FINTER_EN=1", "GPS_FINTER_EN:1"},
        {"GPS_FINTER_EN=00", "GPS_FINTER_EN:00"},
        {"TERIID", "TeriSN:"},  // no "=": an empty value
        {"NOEQUALS", "NOEQUALS:"},
        {"A=b=c", "A:b=c"},                        // the value runs from the first "="
        {"TERIID=1PULSE=60", "TeriSN:1PULSE=60"},  // a missing comma joins two items into one
    };
    for (const auto& row : rows) EXPECT_EQ(GetLines(QueryAnswer(row.item)), ReplyLines{row.line}) << row.item;
}

TEST(ParamGetAckDeal, ListsEveryItemOfTheAnswer) {
    // 42 bytes of items; the trailing comma gives a sixth, empty item printed as ":".
    EXPECT_EQ(GetLines(QueryAnswer("TERIID=123,PULSE=60,VIBCALL=1,PRO=1,ABC=1,")),
              (ReplyLines{"TeriSN:123", "Heart:60", "Vib Call Enable", "Ptl Select:808", "ABC:1", ":"}));
    // 北京 in code page 936 is B1B1 BEA9.
    EXPECT_EQ(GetLines(QueryAnswer("APN=" + Utf8ToCp936("北京"))), ReplyLines{"APN:北京"});
    EXPECT_TRUE(GetLines(QueryAnswer("")).empty());
}

TEST(ParamGetAckDeal, LengthBeyondTheFrameReadsOnlyTheFrame) {
    // L says 0x0400 = 1024 but the frame carries 8 item bytes; nothing past them is read.
    EXPECT_EQ(GetLines(MakeReply(0x8202, Bytes({0x04, 0x00}) + "FREQ=30,")), (ReplyLines{"FREQ:30", ":"}));
    // Len of 2048 (the parser's limit) is cut at the 1024-byte payload.
    TReplyRecord big = MakeReply(0x8202, Bytes({0xFF, 0xFF}) + std::string(1022, 'k'));
    big.Len = 2048;
    EXPECT_EQ(GetLines(big), ReplyLines{std::string(1022, 'k') + ":"});
}

TEST(ParamSetAckDeal, EveryKeyPrintsItsSuccessAndFailureLine) {
    const struct {
        const char* key;
        const char* ok;
        const char* fail;
    } rows[] = {
        {"TERIID", "SetOK:TeriSN", "Set Fail:TeriSN"},
        {"SPEED", "SetOK:Over Speed", "SPEED"},
        {"SLEEPT", "SetOK:Sleep Time", "SLEEPT"},
        {"IMEI", "SetOK:IMEI", "IMEI"},
        {"APN", "SetOK:APN", "Set Fail:APN"},
        {"USERPPP", "SetOK:APN User", "Set Fail:APN User"},
        {"PWPPP", "SetOK:APN PassWord", "Set Fail:APN PassWrod"},
        {"VIBCALL", "SetOK:VIB Call", "Set Fail:Vib Call"},
        {"SERVIP", "SetOK:ServerAddr", "Set Fail:ServerAddr"},
        {"SERVPORT", "SetOK:ServerPort", "Set Fail:ServerPort"},
        {"PSW", "SetOK:Password", "PSW"},
        {"POFS", "SetOK:PowOff Call", "POFS"},
        {"POF", "SetOK:PowOff Sms", "POF"},
        {"VIB", "SetOK:VIB SMS", "Set Fail:VIB SMS"},
        {"VIBL", "SetOK:Vib Level", "VIBL"},
        {"VIBCHK", "SetOK:Vib Param", "VIBCHK"},
        {"FREQ", "SetOK:FREQ", "FREQ"},
        {"PHONE", "SetOK:SIM-ID", "Set Fail:SIM-ID"},
        {"USER", "SetOK:User", "USER"},
        {"PULSE", "SetOK:Heart", "PULSE"},
        {"PRO", "SetOK:Ptl Select", "PRO"},
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
        {"808SEL", "SetOK:808 Select", "808SEL"},
        {"GMT_SET", "SetOK:Timezone", "GMT_SET"},
        {"BATT_TYPE", "SetOK:Battery", "Set Fail:Battery"},
        {"SERV2_ADDR", "Second IP", "SERV2_ADDR"},
        {"SERV2_PORT", "Second Port", "SERV2_PORT"},
        {"MTK_DISSLP", "MTK NO Sleep", "MTK_DISSLP"},
        {"GPS_DISSLP", "GPS NO Sleep", "GPS_DISSLP"},
        {"ACC_OFF_FREQ", "ACC_OFF_FREQ", "ACC_OFF_FREQ"},
        {"NEWKEY", "NEWKEY", "NEWKEY"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(SetLines(SetAnswer(row.key, 0, "")), ReplyLines{row.ok}) << row.key;
        EXPECT_EQ(SetLines(SetAnswer("", 1, row.key)), ReplyLines{row.fail}) << row.key;
    }
}

TEST(ParamSetAckDeal, SuccessThenFailureLists) {
    // L1 = 14 ("SERV2_ADDR,APN"), marker 0x0001, failures "PWPPP,XYZ".
    EXPECT_EQ(SetLines(SetAnswer("SERV2_ADDR,APN", 1, "PWPPP,XYZ")),
              (ReplyLines{"Second IP", "SetOK:APN", "Set Fail:APN PassWrod", "XYZ"}));
    EXPECT_EQ(SetLines(SetAnswer("SERV2_ADDR,APN", 0, "PWPPP,XYZ")), (ReplyLines{"Second IP", "SetOK:APN"}));
    EXPECT_TRUE(SetLines(SetAnswer("", 0, "")).empty());
    // Items may carry their value: the key is what stands before "=".
    EXPECT_EQ(SetLines(SetAnswer("APN=cmnet", 0, "")), ReplyLines{"SetOK:APN"});
    // A failure marker with no failed key: one empty key, as the terminal counts it.
    EXPECT_EQ(SetLines(SetAnswer("APN", 1, "")), (ReplyLines{"SetOK:APN", ""}));
    // A marker the frame does not carry reads as "no failure".
    EXPECT_EQ(SetLines(MakeReply(0x8201, Bytes({0, 3}) + "APN")), ReplyLines{"SetOK:APN"});
    // A success length past the frame: the items the frame holds, then nothing more.
    EXPECT_EQ(SetLines(MakeReply(0x8201, Bytes({0x03, 0xFF}) + "APN,PSW")),
              (ReplyLines{"SetOK:APN", "SetOK:Password"}));
}

}  // namespace
