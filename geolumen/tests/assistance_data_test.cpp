#include "location/assistance_data.h"

#include <gtest/gtest.h>

#include <mutex>
#include <thread>

#include "location/ntp_time.h"
#include "support/local_servers.h"
#include "support/run_after.h"

namespace geolumen {
namespace {

using geolumen::test_support::LocalHttpServer;
using geolumen::test_support::LocalSntpServer;
using geolumen::test_support::NewYear2024Clock;
using geolumen::test_support::NewYear2024SntpAnswer;
using geolumen::test_support::UnusedLocalPort;
using namespace std::chrono_literals;

using Datagrams = std::vector<std::vector<uint8_t>>;

class RecordingSink : public AssistanceSink {
  public:
    int InjectUtcTime(uint64_t utcMs, uint32_t uncertaintyMs) override {
        std::lock_guard guard(lock);
        times.emplace_back(utcMs, uncertaintyMs);
        return 0;
    }
    int InjectPredictedOrbits(std::span<const uint8_t> data) override {
        std::lock_guard guard(lock);
        orbits.emplace_back(data.begin(), data.end());
        return 0;
    }
    std::mutex lock;
    std::vector<std::pair<uint64_t, uint32_t>> times;
    std::vector<std::vector<uint8_t>> orbits;
};

class SntpTest : public ::testing::Test {
  protected:
    AssistanceNetConfig Config(uint16_t port) const {
        AssistanceNetConfig config;
        config.sntpPort = port;
        config.sntpAnswerTimeout = 300ms;
        return config;
    }
    AssistanceOutcome Query(const char* host, uint16_t port) {
        return QueryNtpTime(host, sink, Config(port), {}, NewYear2024Clock());
    }
    RecordingSink sink;
};

TEST_F(SntpTest, InjectsTheServersTimeWithHalfTheRoundTrip) {
    LocalSntpServer server(
        [](const std::vector<uint8_t>& request) { return Datagrams{NewYear2024SntpAnswer(request)}; });
    EXPECT_EQ(Query("127.0.0.1", server.port()), AssistanceOutcome::Injected);
    ASSERT_EQ(server.requests().size(), 1U);
    const std::vector<uint8_t> request = server.requests()[0];
    ASSERT_EQ(request.size(), 48U);
    EXPECT_EQ(request[0], 0x23);
    EXPECT_EQ(std::vector<uint8_t>(request.begin() + 40, request.end()),
              (std::vector<uint8_t>{0xE9, 0x3C, 0x7F, 0x00, 0, 0, 0, 0}));
    // Round trip 1.0 s - 0.2 s hold = 800 ms, half of it 400; time = T3 = ...200 s + 0.4 s.
    ASSERT_EQ(sink.times.size(), 1U);
    EXPECT_EQ(sink.times[0], (std::pair<uint64_t, uint32_t>(1704067200400ULL, 400U)));
}

TEST_F(SntpTest, SkipsAStrayDatagramAndTakesTheRealAnswer) {
    LocalSntpServer server([](const std::vector<uint8_t>& request) {
        auto stray = NewYear2024SntpAnswer(request);
        stray[31] ^= 0x01;  // originate of some other request
        return Datagrams{stray, NewYear2024SntpAnswer(request)};
    });
    EXPECT_EQ(Query("127.0.0.1", server.port()), AssistanceOutcome::Injected);
    EXPECT_EQ(sink.times.size(), 1U);
}

TEST_F(SntpTest, InjectsNothingWithoutAValidAnswer) {
    struct Row {
        const char* legend;
        LocalSntpServer::Answer answer;
        AssistanceOutcome outcome;
    };
    const std::vector<Row> rows = {
        {"silent server", [](const std::vector<uint8_t>&) { return Datagrams{}; },
         AssistanceOutcome::TimedOut},
        {"47-byte answer",
         [](const std::vector<uint8_t>& request) {
             auto a = NewYear2024SntpAnswer(request);
             a.pop_back();
             return Datagrams{a};
         },
         AssistanceOutcome::BadAnswer},
        {"client-mode echo", [](const std::vector<uint8_t>& request) { return Datagrams{request}; },
         AssistanceOutcome::BadAnswer},
    };
    for (const auto& row : rows) {
        LocalSntpServer server(row.answer);
        EXPECT_EQ(Query("127.0.0.1", server.port()), row.outcome) << row.legend;
    }
    EXPECT_TRUE(sink.times.empty());
}

TEST_F(SntpTest, StopEndsTheWaitEarly) {
    LocalSntpServer server([](const std::vector<uint8_t>&) { return Datagrams{}; });
    AssistanceNetConfig config = Config(server.port());
    config.sntpAnswerTimeout = 60s;
    std::stop_source stop;
    const auto stopper = test_support::StopAfter(stop, 100ms);
    EXPECT_EQ(QueryNtpTime("127.0.0.1", sink, config, stop.get_token(), NewYear2024Clock()),
              AssistanceOutcome::Stopped);
}

TEST_F(SntpTest, RefusesHostsThatAreNotPlainNames) {
    EXPECT_EQ(Query("", 1), AssistanceOutcome::NoHost);
    EXPECT_EQ(Query("a b", 1), AssistanceOutcome::BadHost);
    EXPECT_EQ(Query("h/x", 1), AssistanceOutcome::BadHost);
}

class OrbitDownloadTest : public ::testing::Test {
  protected:
    static AssistanceNetConfig Config(uint16_t port) {
        AssistanceNetConfig config;
        config.httpPort = port;
        config.httpConnectTimeout = 2s;
        config.httpNoProgressTimeout = 5s;
        return config;
    }
    AssistanceOutcome Download(uint16_t port) {
        return DownloadPredictedOrbits("127.0.0.1", sink, Config(port), {});
    }
    static std::vector<uint8_t> Body(size_t size) {
        std::vector<uint8_t> body(size);
        for (size_t i = 0; i < size; ++i) body[i] = static_cast<uint8_t>(i * 7 + 1);
        return body;
    }
    RecordingSink sink;
};

TEST_F(OrbitDownloadTest, FetchesTheFileWithOurUserAgentAndInjectsItWhole) {
    LocalHttpServer server(200, Body(2049));
    EXPECT_EQ(Download(server.port()), AssistanceOutcome::Injected);
    ASSERT_EQ(server.requests().size(), 1U);
    const std::string head = server.requests()[0];
    EXPECT_EQ(head.substr(0, head.find("\r\n")), "GET /almar2.bin HTTP/1.1");
    EXPECT_NE(head.find("\r\nUser-Agent: Dornave\r\n"), std::string::npos) << head;
    ASSERT_EQ(sink.orbits.size(), 1U);
    EXPECT_EQ(sink.orbits[0], Body(2049));
}

TEST_F(OrbitDownloadTest, InjectsNothingForErrorsEmptyOrOversizeBodies) {
    struct Row {
        const char* legend;
        int status;
        size_t size;
        AssistanceOutcome outcome;
    };
    const std::vector<Row> rows = {
        {"not found with an error page", 404, 120, AssistanceOutcome::HttpError},
        {"server error", 500, 0, AssistanceOutcome::HttpError},
        {"empty file", 200, 0, AssistanceOutcome::EmptyBody},
        {"exactly the buffer size", 200, 66560, AssistanceOutcome::TooLarge},
        {"far larger", 200, 200000, AssistanceOutcome::TooLarge},
    };
    for (const auto& row : rows) {
        LocalHttpServer server(row.status, Body(row.size));
        EXPECT_EQ(Download(server.port()), row.outcome) << row.legend;
    }
    EXPECT_TRUE(sink.orbits.empty());
}

TEST_F(OrbitDownloadTest, TakesTheLargestFileThatFits) {
    LocalHttpServer server(200, Body(66559));
    EXPECT_EQ(Download(server.port()), AssistanceOutcome::Injected);
    ASSERT_EQ(sink.orbits.size(), 1U);
    EXPECT_EQ(sink.orbits[0].size(), 66559U);
}

TEST_F(OrbitDownloadTest, RefusedConnectionInjectsNothing) {
    EXPECT_EQ(Download(UnusedLocalPort()), AssistanceOutcome::NetworkFailed);
    EXPECT_TRUE(sink.orbits.empty());
}

TEST_F(OrbitDownloadTest, StalledServerTimesOut) {
    LocalHttpServer server(200, Body(10), /*stall=*/true);
    AssistanceNetConfig config = Config(server.port());
    config.httpNoProgressTimeout = 300ms;
    EXPECT_EQ(DownloadPredictedOrbits("127.0.0.1", sink, config, {}), AssistanceOutcome::TimedOut);
    EXPECT_TRUE(sink.orbits.empty());
}

// A slow link sends 800 bytes every 1.15 s and takes far longer in all than a stall may last; here the
// same shape runs ten times faster against a no-progress limit of 600 ms.
TEST_F(OrbitDownloadTest, OnlyAPauseLongerThanTheLimitEndsTheTransfer) {
    using Pace = LocalHttpServer::Pace;
    struct Row {
        const char* legend;
        size_t size;
        Pace pace;
        AssistanceOutcome outcome;
    };
    const Row rows[] = {
        {"slow but steady, 1.15 s in all", 8000, Pace{800, 115ms}, AssistanceOutcome::Injected},
        {"steady, then silent after 1600 bytes", 8000, Pace{800, 115ms, 1600}, AssistanceOutcome::TimedOut},
    };
    for (const Row& row : rows) {
        RecordingSink rowSink;
        LocalHttpServer server(200, Body(row.size), row.pace);
        AssistanceNetConfig config = Config(server.port());
        config.httpNoProgressTimeout = 600ms;
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(DownloadPredictedOrbits("127.0.0.1", rowSink, config, {}), row.outcome) << row.legend;
        // A stall is seen within about a second of its limit; the whole run is bounded either way.
        EXPECT_LT(std::chrono::steady_clock::now() - start, 10s) << row.legend;
        if (row.outcome == AssistanceOutcome::Injected) {
            ASSERT_EQ(rowSink.orbits.size(), 1U) << row.legend;
            EXPECT_EQ(rowSink.orbits[0], Body(row.size)) << row.legend;
        } else {
            EXPECT_TRUE(rowSink.orbits.empty()) << row.legend;
        }
    }
}

TEST_F(OrbitDownloadTest, StopAbortsAStalledTransfer) {
    LocalHttpServer server(200, Body(10), /*stall=*/true);
    AssistanceNetConfig config = Config(server.port());
    config.httpNoProgressTimeout = 60s;
    std::stop_source stop;
    const auto stopper = test_support::StopAfter(stop, 100ms);
    EXPECT_EQ(DownloadPredictedOrbits("127.0.0.1", sink, config, stop.get_token()),
              AssistanceOutcome::Stopped);
}

}  // namespace
}  // namespace geolumen
