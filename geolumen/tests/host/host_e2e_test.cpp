// The host on the simulated module with geolumen-client programs, from device add to removal: what the
// module is asked for follows the clients, the fix reaches them value for value, and removal ends their
// connections.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "host/host_e2e_fixture.h"
#include "sim/sim_demo_fix.h"

namespace geolumen::host {
namespace {

// The number printed for `key` in a JSON line, read back as a double.
std::optional<double> Number(const std::string& line, const std::string& key) {
    const std::string marker = "\"" + key + "\":";
    const size_t at = line.find(marker);
    if (at == std::string::npos) return std::nullopt;
    const char* start = line.c_str() + at + marker.size();
    char* end = nullptr;
    const double value = std::strtod(start, &end);
    if (end == start) return std::nullopt;
    return value;
}

// Every value the demo fix puts in a data event, derived from the fixture and the conversion rules.
void ExpectDemoFix(const std::string& line) {
    const sim::SimPosition fix = sim::DemoFix();
    struct Row {
        const char* key;
        double expected;
    };
    const Row rows[] = {
        {"SENSOR_DATA_TYPE_LATITUDE_DEGREES", *fix.latitude},
        {"SENSOR_DATA_TYPE_LONGITUDE_DEGREES", *fix.longitude},
        {"SENSOR_DATA_TYPE_ERROR_RADIUS_METERS", *fix.errorRadius},
        {"SENSOR_DATA_TYPE_ALTITUDE_ELLIPSOID_METERS", *fix.altitudeEllipsoid},
        {"SENSOR_DATA_TYPE_ALTITUDE_SEALEVEL_METERS", *fix.altitudeSeaLevel},
        {"SENSOR_DATA_TYPE_ALTITUDE_ELLIPSOID_ERROR_METERS", *fix.verticalUncertainty},
        {"SENSOR_DATA_TYPE_TRUE_HEADING_DEGREES", *fix.heading},
        // Heading plus deviation, summed in single precision.
        {"SENSOR_DATA_TYPE_MAGNETIC_HEADING_DEGREES",
         static_cast<float>(*fix.heading + *fix.magneticDeviation)},
        // Metres per second to knots, a single-precision product.
        {"SENSOR_DATA_TYPE_SPEED_KNOTS", static_cast<float>(*fix.speed * 1.9438612f)},
        {"SENSOR_DATA_TYPE_POSITION_DILUTION_OF_PRECISION", (*fix.dop)[0]},
        {"SENSOR_DATA_TYPE_HORIZONAL_DILUTION_OF_PRECISION", (*fix.dop)[1]},
        {"SENSOR_DATA_TYPE_VERTICAL_DILUTION_OF_PRECISION", (*fix.dop)[2]},
        {"SENSOR_DATA_TYPE_FIX_TYPE", 1},  // a final fix
        // 1970-01-01 as a file time is 116444736000000000; a millisecond is 10000 ticks.
        {"SENSOR_DATA_TYPE_TIMESTAMP", static_cast<double>(116444736000000000ull + *fix.utcMs * 10000ull)},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.key);
        const auto value = Number(line, row.key);
        ASSERT_TRUE(value) << line;
        EXPECT_EQ(*value, row.expected);
    }
}

// The sentence between '$' and '*' XORed byte by byte must equal the two hex digits after '*'.
bool ChecksumHolds(const std::string& sentence) {
    const size_t star = sentence.find('*');
    if (sentence.empty() || sentence[0] != '$' || star == std::string::npos || star + 3 > sentence.size())
        return false;
    unsigned sum = 0;
    for (size_t i = 1; i < star; ++i) sum ^= static_cast<unsigned char>(sentence[i]);
    return std::strtoul(sentence.substr(star + 1, 2).c_str(), nullptr, 16) == sum;
}

TEST_F(HostEndToEnd, TwoClientsSteerTheModulesSession) {
    auto host = StartHost({"--idle"});
    auto fast = StartClient({"--interval", "2000"});
    const auto started2000 =
        host->WaitForLine("simulated module: session started, interval 2000 ms", kStartBound);
    ASSERT_TRUE(started2000) << Dump(*host);
    auto slow = StartClient({"--interval", "5000"});
    ASSERT_TRUE(host->WaitForLine("sensor client 2: subscribed", kStartBound)) << Dump(*host);

    const auto data = fast->WaitForLine("\"event\":\"DATA_UPDATED\"", kReportBound);
    ASSERT_TRUE(data) << Dump(*fast) << Dump(*host);
    ExpectDemoFix(fast->Lines()[*data]);

    // The second client's 5000 ms changed nothing while the first one's 2000 ms stood.
    fast->Signal(SIGTERM);
    const auto left = host->WaitForLine("sensor client 1: closed", kExitBound);
    ASSERT_TRUE(left) << Dump(*host);
    const auto started5000 =
        host->WaitForLine("simulated module: session started, interval 5000 ms", kStartBound);
    ASSERT_TRUE(started5000) << Dump(*host);
    EXPECT_GT(*started5000, *left);
    // The session may be restarted in between, but never with another interval.
    const auto lines = host->Lines();
    for (size_t i = *started2000 + 1; i < *left; ++i) {
        if (lines[i].find("session started") == std::string::npos) continue;
        EXPECT_NE(lines[i].find("interval 2000 ms"), std::string::npos) << lines[i];
    }

    slow->Signal(SIGTERM);
    ASSERT_TRUE(host->WaitForLine("simulated module: session stopped", kStartBound, *started5000))
        << Dump(*host);

    host->Signal(SIGTERM);
    EXPECT_EQ(host->Wait(kExitBound), 0) << Dump(*host);
    EXPECT_TRUE(host->WaitForLine("library unloaded", 1s));
    // The device idled before it was removed, so the removal does not leave D0 a second time.
    const auto removal = host->WaitForLine("query remove", 1s);
    ASSERT_TRUE(removal);
    EXPECT_FALSE(host->WaitForLine("D0 exit", 0s, *removal)) << Dump(*host);
    ExpectBalancedIdle(*host);
}

TEST_F(HostEndToEnd, NmeaSentencesComeWithTheFix) {
    auto host = StartHost();
    auto client = StartClient({"--interval", "1000", "--nmea", "--count", "1"});
    ASSERT_EQ(client->Wait(kExitBound), 0) << Dump(*client) << Dump(*host);
    const auto line = client->WaitForLine("DATA_UPDATED", 1s);
    ASSERT_TRUE(line);
    const std::string text = client->Lines()[*line];
    ExpectDemoFix(text);
    // The sentences come as a JSON array of strings, each a whole sentence without its line end.
    EXPECT_NE(text.find("\"SENSOR_DATA_TYPE_NMEA_SENTENCE\":[\"$GP"), std::string::npos) << text;
    EXPECT_EQ(text.find("\\r\\n"), std::string::npos) << text;
    for (const char* kind : {"$GPGGA,", "$GPRMC,"}) {
        SCOPED_TRACE(kind);
        const size_t at = text.find(std::string("\"") + kind);
        ASSERT_NE(at, std::string::npos) << text;
        const size_t end = text.find('"', at + 1);
        ASSERT_NE(end, std::string::npos);
        EXPECT_TRUE(ChecksumHolds(text.substr(at + 1, end - at - 1))) << text.substr(at + 1, end - at - 1);
    }
    // The fix's time, 1765238400000 ms after 1970, also as ISO-8601 UTC.
    EXPECT_NE(text.find("\"timestamp_utc\":\"2025-12-09T00:00:00.000Z\""), std::string::npos) << text;
    // The RMC sentence of a present fix says "A" (valid), with the fix's latitude 33 deg 52.441406 min S.
    EXPECT_NE(text.find("$GPRMC,000000,A,3352.441406,S,"), std::string::npos) << text;
    host->Signal(SIGTERM);
    EXPECT_EQ(host->Wait(kExitBound), 0) << Dump(*host);
}

TEST_F(HostEndToEnd, RemovalEndsTheClientsConnections) {
    for (const char* removal : {"orderly", "surprise"}) {
        SCOPED_TRACE(removal);
        auto host = StartHost({"--removal", removal});
        auto first = StartClient({"--interval", "1000"});
        auto second = StartClient({});
        ASSERT_TRUE(first->WaitForLine("DATA_UPDATED", kReportBound)) << Dump(*first) << Dump(*host);
        ASSERT_TRUE(second->WaitForLine("DATA_UPDATED", kReportBound)) << Dump(*second);
        host->Signal(SIGTERM);
        for (ChildProcess* client : {first.get(), second.get()}) {
            EXPECT_EQ(client->Wait(kExitBound), 1) << Dump(*client);
            EXPECT_NE(client->Errors().find("the host closed the connection"), std::string::npos)
                << client->Errors();
        }
        EXPECT_EQ(host->Wait(kExitBound), 0) << Dump(*host);
        EXPECT_TRUE(host->WaitForLine("library unloaded", 1s)) << Dump(*host);
        ExpectBalancedIdle(*host);
    }
}

TEST_F(HostEndToEnd, ClientErrorsAndProperties) {
    // Nobody there yet, then a socket file nobody listens on.
    auto absent = StartClient({"--count", "1"});
    EXPECT_EQ(absent->Wait(kExitBound), 3);
    EXPECT_NE(absent->Errors().find("no sensor socket at"), std::string::npos) << absent->Errors();
    auto badOption = StartClient({"--accuracy", "7"});
    EXPECT_EQ(badOption->Wait(kExitBound), 2);
    EXPECT_TRUE(badOption->Lines().empty());
    {
        std::filesystem::create_directories(RunDir());
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, (RunDir() + "/dead.sock").c_str(), sizeof address.sun_path - 1);
        ASSERT_EQ(::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
        ::close(fd);
    }
    auto refused = StartClient({"--socket", RunDir() + "/dead.sock"});
    EXPECT_EQ(refused->Wait(kExitBound), 3);
    EXPECT_NE(refused->Errors().find("connection refused"), std::string::npos) << refused->Errors();

    auto host = StartHost();
    auto properties = StartClient({"--properties"});
    EXPECT_EQ(properties->Wait(kExitBound), 0) << Dump(*properties);
    const auto lines = properties->Lines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(
        lines[0].rfind(
            "{\"properties\":{\"SENSOR_PROPERTY_FRIENDLY_NAME\":\"Sarnovy Module Location Sensor\",", 0),
        0u)
        << lines[0];
    EXPECT_NE(lines[0].find("\"WPD_OBJECT_ID\":\"SarnovyLocation\""), std::string::npos);

    // Below the sensor's minimum interval: refused before the sensor is asked, with the valid range.
    auto tooFast = StartClient({"--interval", "500"});
    EXPECT_EQ(tooFast->Wait(kExitBound), 2);
    EXPECT_NE(tooFast->Errors().find("--interval takes 0, or 1000 and above"), std::string::npos)
        << tooFast->Errors();
    host->Signal(SIGTERM);
    EXPECT_EQ(host->Wait(kExitBound), 0) << Dump(*host);
}

}  // namespace
}  // namespace geolumen::host
