#include <gtest/gtest.h>

#include "link/ReplyFormat.h"
#include "link/ReplyTemplate.h"
#include "link/SatelliteSort.h"
#include "reply_test_util.h"

namespace {

TEST(ReplyBytes, ReadsOnlyWhatTheFrameCarries) {
    const TReplyRecord r = MakeReply(0x8300, Bytes({0x12, 0x34, 0x56}));
    const ReplyBytes b(r);
    EXPECT_EQ(b.Size(), 3);
    EXPECT_EQ(b.At(2), 0x56);
    EXPECT_EQ(b.At(3), 0);  // stale 0xAA behind Len is never shown
    EXPECT_EQ(b.At(-1), 0);
    EXPECT_EQ(b.Be16(0), 0x1234u);
    EXPECT_EQ(b.Be16(2), 0x5600u);
    EXPECT_EQ(b.Be32(0), 0x12345600u);
    EXPECT_EQ(b.Raw(1, 99), Bytes({0x34, 0x56}));
    EXPECT_EQ(b.Raw(2, 1), "");

    TReplyRecord big = MakeReply(0x8300, "");
    big.Len = 2048;  // the parser accepts it; the record holds 1024
    EXPECT_EQ(ReplyBytes(big).Size(), 1024);
    big.Len = -7;
    EXPECT_EQ(ReplyBytes(big).Size(), 0);
}

TEST(ReplyFormat, Degrees) {
    EXPECT_EQ(FormatDegree(113, 56, 7, 12), "113.560712");
    EXPECT_EQ(FormatDegree(0, 5, 100, 0), "0.0510000");
    EXPECT_EQ(FormatDegree(255, 255, 255, 255), "255.255255255");
}

TEST(ReplyFormat, LogTextLeavesOutZeroBytes) {
    // 服 = B7 FE; zeros around and inside a text do not cut or split it.
    EXPECT_EQ(LogText(Bytes({'a', 0, 0xB7, 0xFE, 0, 'b'})), "a服b");
    EXPECT_EQ(LogText(std::string(5, '\0')), "");
}

TEST(SatelliteSort, StrongestFirstEqualOnesKeepTheirOrder) {
    ResetPublicData();
    GpsInfoManage.GpsCount = 4;
    GpsInfoManage.GpsPrn = {5, 12, 20, 7, 99};
    GpsInfoManage.GpsSnr = {30, 45, 38, 45, 60};  // the fifth entry lies beyond the count
    SortGpsSatellites();
    EXPECT_EQ((std::vector<uint8_t>(GpsInfoManage.GpsPrn.begin(), GpsInfoManage.GpsPrn.begin() + 5)),
              (std::vector<uint8_t>{12, 7, 20, 5, 99}));
    EXPECT_EQ((std::vector<uint8_t>(GpsInfoManage.GpsSnr.begin(), GpsInfoManage.GpsSnr.begin() + 5)),
              (std::vector<uint8_t>{45, 45, 38, 30, 60}));
    // A stored count above the 24 entries sorts the 24 and no further.
    GpsInfoManage.BdCount = 30;
    GpsInfoManage.BdSnr[23] = 9;
    GpsInfoManage.BdPrn[23] = 4;
    SortBdSatellites();
    EXPECT_EQ(GpsInfoManage.BdSnr[0], 9);
    EXPECT_EQ(GpsInfoManage.BdPrn[0], 4);
    ResetPublicData();
}

ReplyLines Render(const char* tmpl, std::initializer_list<uint8_t> payload) {
    ReplyLines lines;
    RenderReplyTemplate(ReplyBytes(MakeReply(1, payload)), tmpl, lines);
    return lines;
}

TEST(ReplyTemplate, FieldsAndChoices) {
    EXPECT_EQ(Render("a{b0}b\n{w1}", {7, 1, 2}), (ReplyLines{"a7b", "258"}));
    EXPECT_EQ(Render("{b0*128}|{x1}|{l0}", {2, 0xAB}), (ReplyLines{"256|AB|44761088"}));  // 0x02AB0000
    EXPECT_EQ(Render("{t1-2}{t3}", {'a', 'b', 'c', 'd', 'e'}), (ReplyLines{"bcde"}));
    EXPECT_EQ(Render("x{b0?1:one|*:other}y", {1}), (ReplyLines{"xoney"}));
    EXPECT_EQ(Render("x{b0?1:one|*:other}y", {2}), (ReplyLines{"xothery"}));
    EXPECT_EQ(Render("x{b0?1:one}y", {2}), (ReplyLines{"xy"}));
    EXPECT_EQ(Render("x{b0?1:one|*!}y\nz", {2}), (ReplyLines{"z"}));
    EXPECT_EQ(Render("{c0}", {0x01, 0x72}), (ReplyLines{"3.7"}));
    EXPECT_EQ(Render("{d0}", {24, 12, 8, 9, 5, 3}), (ReplyLines{"24-12-8 9:5:3"}));
}

TEST(ReplyTemplate, MalformedFieldsShowInsteadOfCrashing) {
    for (const char* bad :
         {"{", "{}", "{q0}", "{b}", "{b0?}", "{b0?x:y}", "{b0*}", "{t0-}", "{b0z}", "{b-1}"}) {
        ReplyLines lines;
        RenderReplyTemplate(ReplyBytes(MakeReply(1, {1, 2})), bad, lines);
        ASSERT_EQ(lines.size(), 1u) << bad;
        EXPECT_NE(lines[0].find("{?}"), std::string::npos) << bad;
    }
}

}  // namespace
