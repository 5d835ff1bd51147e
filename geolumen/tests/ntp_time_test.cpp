#include "location/ntp_time.h"

#include <gtest/gtest.h>

#include <vector>

#include "support/local_servers.h"

namespace geolumen {
namespace {

using test_support::kNewYear2024;

TEST(NtpTimestamp, ConvertsFileTimesToWireOrder) {
    struct Row {
        const char* legend;
        FileTime time;
        NtpTimestamp wire;
    };
    const std::vector<Row> rows = {
        // 1970 - 1900 = 2208988800 s = 0x83AA7E80.
        {"unix epoch", kFileTime1970, {0x83, 0xAA, 0x7E, 0x80, 0, 0, 0, 0}},
        // Half a second: 5000000 x 4294967295 / 10000000 = 2147483647.5, cut to 0x7FFFFFFF.
        {"epoch plus half a second",
         kFileTime1970 + 5'000'000,
         {0x83, 0xAA, 0x7E, 0x80, 0x7F, 0xFF, 0xFF, 0xFF}},
        {"ntp era start", kFileTime1900, {0, 0, 0, 0, 0, 0, 0, 0}},
        {"new year 2024", kNewYear2024, {0xE9, 0x3C, 0x7F, 0x00, 0, 0, 0, 0}},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(FileTimeToNtp(row.time), row.wire) << row.legend;
    }
}

TEST(NtpTimestamp, ConvertsBackWithTheSameScale) {
    // 0x7FFFFFFF x 10000000 / 4294967295 = 4999999.998..., cut to 4999999: one unit lost.
    EXPECT_EQ(NtpToFileTime({0x83, 0xAA, 0x7E, 0x80, 0x7F, 0xFF, 0xFF, 0xFF}), kFileTime1970 + 4'999'999);
    // 0x33333333 is exactly 4294967295 / 5: one fifth of a second, 2000000 units.
    EXPECT_EQ(NtpToFileTime({0xE9, 0x3C, 0x7F, 0x00, 0x33, 0x33, 0x33, 0x33}), kNewYear2024 + 2'000'000);
}

TEST(SntpRequest, IsAllZeroButHeaderAndTransmitTime) {
    const SntpPacket request = BuildSntpRequest(kNewYear2024);
    SntpPacket expected{};
    expected[0] = 0x23;
    expected[40] = 0xE9;
    expected[41] = 0x3C;
    expected[42] = 0x7F;
    EXPECT_EQ(request, expected);
}

class SntpAnswerTest : public ::testing::Test {
  protected:
    // A server answer to our request: received at T1 + 0.2 s, sent at T1 + 0.4 s.
    SntpAnswerTest() : request(BuildSntpRequest(kNewYear2024)) {
        const auto a = test_support::NewYear2024SntpAnswer({request.begin(), request.end()});
        std::copy(a.begin(), a.end(), answer.begin());
    }
    SntpPacket request;
    SntpPacket answer;
};

TEST_F(SntpAnswerTest, HoldTimeLongerThanRoundTripGivesZeroUncertainty) {
    // T4 = T1 + 0.1 s but the server claims a 0.2 s hold: a clock step on our side, not a negative delay.
    const auto injection = EvaluateSntpAnswer(answer, request, kNewYear2024 + 1'000'000);
    ASSERT_TRUE(injection.has_value());
    EXPECT_EQ(injection->uncertaintyMs, 0U);
}

TEST_F(SntpAnswerTest, RefusesWhatIsNotTheAnswerToThisRequest) {
    struct Row {
        const char* legend;
        size_t index;
        uint8_t value;
    };
    const std::vector<Row> rows = {
        {"client mode instead of server", 0, 0x23}, {"broadcast mode", 0, 0x25},
        {"server not synchronised", 0, 0xE4},       {"originate differs from our transmit time", 31, 0x01},
        {"originate of another request", 24, 0xE8},
    };
    for (const auto& row : rows) {
        SntpPacket bad = answer;
        bad[row.index] = row.value;
        EXPECT_FALSE(EvaluateSntpAnswer(bad, request, kNewYear2024 + 10'000'000)) << row.legend;
    }
    SntpPacket noTransmit = answer;
    std::fill(noTransmit.begin() + 40, noTransmit.end(), 0);
    EXPECT_FALSE(EvaluateSntpAnswer(noTransmit, request, kNewYear2024 + 10'000'000)) << "zero transmit time";
    EXPECT_FALSE(
        EvaluateSntpAnswer(std::span<const uint8_t>(answer.data(), 47), request, kNewYear2024 + 10'000'000))
        << "47 bytes";
}

TEST(UnixMsFromFileTime, CountsFrom1970) {
    // (133444736000000000 - 116444736000000000) / 10000 = 1700000000000.
    EXPECT_EQ(UnixMsFromFileTime(133'444'736'000'000'000ULL), 1'700'000'000'000ULL);
    EXPECT_EQ(UnixMsFromFileTime(kFileTime1970 + 9'999), 0U);
    EXPECT_EQ(UnixMsFromFileTime(kFileTime1970 - 1), 0U) << "before 1970 must not wrap";
}

}  // namespace
}  // namespace geolumen
