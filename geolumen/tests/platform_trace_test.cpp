#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "platform/trace.h"

namespace geolumen {
namespace {

// Captures trace records for one test and restores the session afterwards.
class TraceTest : public ::testing::Test {
  protected:
    void SetUp() override {
        previous_ = SetTraceSink([this](const TraceRecord& r) { records_.push_back(r); });
        RegisterTraceProvider();
    }
    void TearDown() override {
        SetTraceSession(TRACE_LEVEL_NONE, 0);
        SetTraceSink(previous_);
    }
    std::vector<TraceRecord> records_;
    TraceSink previous_;
};

TEST_F(TraceTest, SessionLevelAndFlagsFilterMessages) {
    SetTraceSession(TRACE_LEVEL_WARNING, TRACE_HALYX | TRACE_QUEUE);
    GEOLUMEN_TRACE(TRACE_LEVEL_ERROR, TRACE_HALYX, "kept %d", 1);
    GEOLUMEN_TRACE(TRACE_LEVEL_WARNING, TRACE_QUEUE, "kept %d", 2);
    GEOLUMEN_TRACE(TRACE_LEVEL_INFORMATION, TRACE_HALYX, "too verbose");
    GEOLUMEN_TRACE(TRACE_LEVEL_ERROR, TRACE_SENSOR, "other area");
    ASSERT_EQ(records_.size(), 2u);
    EXPECT_EQ(records_[0].text, "kept 1");
    EXPECT_EQ(records_[1].text, "kept 2");
    EXPECT_EQ(records_[1].flags, static_cast<std::uint32_t>(TRACE_QUEUE));
}

TEST_F(TraceTest, RecordsCarryTheirSourceLine) {
    SetTraceSession(TRACE_LEVEL_VERBOSE, TRACE_ALL);
    const int line = __LINE__ + 1;
    GEOLUMEN_TRACE(TRACE_LEVEL_VERBOSE, TRACE_DRIVER, "here");
    ASSERT_EQ(records_.size(), 1u);
    EXPECT_EQ(records_[0].line, line);
    EXPECT_NE(std::string(records_[0].file).find("platform_trace_test.cpp"), std::string::npos);
}

TEST_F(TraceTest, NothingGoesOutWithoutSessionOrRegistration) {
    GEOLUMEN_TRACE(TRACE_LEVEL_CRITICAL, TRACE_ALL, "no session");
    SetTraceSession(TRACE_LEVEL_VERBOSE, TRACE_ALL);
    UnregisterTraceProvider();
    GEOLUMEN_TRACE(TRACE_LEVEL_CRITICAL, TRACE_ALL, "unregistered");
    EXPECT_TRUE(records_.empty());
}

TEST(DebugOutput, KeepsEntriesInOrderUntilCleared) {
    ClearDebugOutput();
    OutputDebugStringA("Zorvic TX: REQ txn: 0x1 msg_id: 0x21 len: 11\n");
    OutputDebugStringA("second\n");
    OutputDebugStringA(nullptr);
    EXPECT_EQ(DebugOutputLines(),
              (std::vector<std::string>{"Zorvic TX: REQ txn: 0x1 msg_id: 0x21 len: 11\n", "second\n"}));
    ClearDebugOutput();
    EXPECT_TRUE(DebugOutputLines().empty());
}

TEST(DebugOutput, DropsOldestEntriesBeyondCapacity) {
    ClearDebugOutput();
    for (std::size_t i = 0; i < kDebugOutputCapacity + 2; ++i) OutputDebugStringA(std::to_string(i).c_str());
    const auto lines = DebugOutputLines();
    ASSERT_EQ(lines.size(), kDebugOutputCapacity);
    EXPECT_EQ(lines.front(), "2");
    EXPECT_EQ(lines.back(), std::to_string(kDebugOutputCapacity + 1));
    ClearDebugOutput();
}

TEST(DebugOutput, ListenerSeesEachEntry) {
    std::vector<std::string> seen;
    auto previous = SetDebugOutputListener([&](std::string_view s) { seen.emplace_back(s); });
    OutputDebugStringA("line\n");
    SetDebugOutputListener(previous);
    OutputDebugStringA("after\n");
    EXPECT_EQ(seen, std::vector<std::string>{"line\n"});
    ClearDebugOutput();
}

TEST(TraceLevel, NumbersAndNames) {
    const struct {
        const char* text;
        std::optional<std::uint8_t> level;
    } rows[] = {{"0", 0},       {"5", 5},           {"none", 0},    {"critical", 1}, {"error", 2},
                {"warning", 3}, {"information", 4}, {"verbose", 5}, {"6", {}},       {"", {}},
                {"-1", {}},     {"3x", {}},         {"Verbose", {}}};
    for (const auto& row : rows) EXPECT_EQ(ParseTraceLevel(row.text), row.level) << row.text;
}

TEST_F(TraceTest, EnvironmentTurnsTheTraceOnAndEchoesDebugOutput) {
    ::setenv(kTraceEnvironment, "warning", 1);
    ApplyTraceEnvironment();
    ::unsetenv(kTraceEnvironment);
    EXPECT_TRUE(TraceEnabled(TRACE_LEVEL_WARNING, TRACE_RADIO));
    EXPECT_FALSE(TraceEnabled(TRACE_LEVEL_INFORMATION, TRACE_RADIO));
    ::testing::internal::CaptureStderr();
    OutputDebugStringA("Zorvic RX: IND txn: 0x0 msg_id: 0x24 len: 11\n");
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "Zorvic RX: IND txn: 0x0 msg_id: 0x24 len: 11\n");
    (void)SetDebugOutputListener(nullptr);
    ClearDebugOutput();
}

}  // namespace
}  // namespace geolumen
