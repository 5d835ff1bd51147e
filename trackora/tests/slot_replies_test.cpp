#include <gtest/gtest.h>

#include "link/ListDecoders.h"
#include "platform/TextCodec.h"
#include "reply_test_util.h"

namespace {

std::string AlarmSlot(uint8_t on, uint8_t day, uint8_t hour, uint8_t minute, const std::string& text) {
    std::string slot = Bytes({on, day, hour, minute}) + text;
    slot.resize(14, '\0');
    return slot;
}

std::string CodeSlot(const std::string& number, const std::string& name) {
    std::string slot = number;
    slot.resize(12, '\0');
    slot += name;
    slot.resize(20, '\0');
    return slot;
}

TEST(WatchSlots, AlarmsAreOneEntry) {
    // 起床 in code page 936 is C6F0 B4B2; slot 4's text fills all 8 bytes with no zero.
    const std::string payload = AlarmSlot(1, 2, 7, 5, "ABC") + AlarmSlot(0, 0, 0, 0, "") +
                                AlarmSlot(1, 3, 22, 30, Utf8ToCp936("起床")) +
                                AlarmSlot(1, 1, 9, 0, "XXXXXXXX") + AlarmSlot(2, 2, 7, 5, "ABC");
    EXPECT_EQ(Decoded(PW3310AlarmReadDeal, MakeReply(0x8211, payload)),
              ReplyLines{"闹铃参数查询:\r\n"
                         "1--开启  每天   07:05 ABC\r\n"
                         "2--关闭\r\n"
                         "3--开启  工作日 22:30 起床\r\n"
                         "4--开启  一次   09:00 XXXXXXXX\r\n"
                         "5--关闭\r\n"});
}

TEST(WatchSlots, AlarmOddValues) {
    // Day type 9 has no text; hour 123 gives the pair "12304": first two "12", last two "04".
    EXPECT_EQ(
        Decoded(PW3310AlarmReadDeal, MakeReply(0x8211, AlarmSlot(1, 9, 123, 4, ""))),
        ReplyLines{"闹铃参数查询:\r\n1--开启   12:04 \r\n2--关闭\r\n3--关闭\r\n4--关闭\r\n5--关闭\r\n"});
    // A frame too short for the slots: the missing ones are off.
    EXPECT_EQ(Decoded(PW3310AlarmReadDeal, MakeReply(0x8211, Bytes({1, 2, 7}))),
              ReplyLines{
                  "闹铃参数查询:\r\n1--开启  每天   07:00 \r\n2--关闭\r\n3--关闭\r\n4--关闭\r\n5--关闭\r\n"});
}

TEST(WatchSlots, SpeedDialNumbersFromOne) {
    EXPECT_EQ(Decoded(PW3310CallOutCodeReadDeal,
                      MakeReply(0x8213, CodeSlot("13800138000", "Mom") + CodeSlot("", ""))),
              ReplyLines{"速拔号参数查询:\r\n1. 13800138000--Mom\r\n2. 未设置\r\n"});
    // 12 and 8 bytes fill their fields with no zero; 45 bytes hold 45 div 20 = 2 slots.
    EXPECT_EQ(Decoded(PW3310CallOutCodeReadDeal,
                      MakeReply(0x8213, CodeSlot("123456789012", "ABCDEFGH") + CodeSlot("1", "") + "xxxxx")),
              ReplyLines{"速拔号参数查询:\r\n1. 123456789012--ABCDEFGH\r\n2. 1--\r\n"});
    EXPECT_EQ(Decoded(PW3310CallOutCodeReadDeal, MakeReply(0x8213, "short")),
              ReplyLines{"速拔号参数查询:\r\n"});
}

TEST(WatchSlots, WhiteListNumbersFromZeroTenOrFifteenSlots) {
    auto expected = [](int slots, const std::string& first) {
        std::string entry = "白名单设置查询:\r\n0. " + first + "\r\n";
        for (int i = 1; i < slots; ++i) entry += std::to_string(i) + ". 未设置\r\n";
        return ReplyLines{entry};
    };
    const std::string first = CodeSlot("10086", "");
    EXPECT_EQ(Decoded(PW3310WhileCodeReadDeal, MakeReply(0x8215, first + std::string(180, '\0'))),
              expected(10, "10086--"));
    EXPECT_EQ(Decoded(PW3310WhileCodeReadDeal, MakeReply(0x8215, first + std::string(280, '\0'))),
              expected(15, "10086--"));
    // Len 201 lists 15 slots although only 201 bytes came: the rest are empty, not stale.
    EXPECT_EQ(Decoded(PW3310WhileCodeReadDeal, MakeReply(0x8215, first + std::string(181, '\0'))),
              expected(15, "10086--"));
    EXPECT_EQ(Decoded(PW3310WhileCodeReadDeal, MakeReply(0x8215, "")), expected(10, "未设置"));
}

TEST(ListedDevice, IdStateValueNumber) {
    EXPECT_EQ(IMEIThreeIDConver(0x20, 0x19, 0x07, 1, 0xFF, 0xFF, 0x00, 0x03), "ID:201907 在位未知 3");
    // 0x012C = 300 hundredths = 3; 0x000A = 10.
    EXPECT_EQ(IMEIThreeIDConver(0x12, 0x34, 0x56, 0, 0x01, 0x2C, 0x00, 0x0A), "ID:123456 离位 3 10");
    // Nibbles A and B become '0' + 10 = ':' and '0' + 11 = ';'; 5 hundredths = 0.05.
    EXPECT_EQ(IMEIThreeIDConver(0xAB, 0x00, 0x00, 2, 0x00, 0x05, 0x00, 0x00), "ID::;0000 未知 0.05 0");
    // Only both bytes 0xFF mean "no value": 0xFF00 = 65280 -> 652.8; 0xFFFF as the number = 65535.
    EXPECT_EQ(IMEIThreeIDConver(0, 0, 0, 1, 0xFF, 0x00, 0xFF, 0xFF), "ID:000000 在位652.8 65535");
}

}  // namespace
