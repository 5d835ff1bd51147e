// The radio switched end to end: the host on the simulated module, a geolumen-client, and geolumen-radio
// programs in processes of their own that reach the host only through its device interface.
#include <gtest/gtest.h>
#include <signal.h>

#include "host/host_e2e_fixture.h"

namespace geolumen::host {
namespace {

// A probe client listens this long for data while the radio is off: three report intervals of 1000 ms.
constexpr const char* kProbeSeconds = "3";

class RadioEndToEnd : public HostEndToEnd {
  protected:
    std::unique_ptr<ChildProcess> StartRadio(std::vector<std::string> args) {
        args.insert(args.begin(), {"--run-dir", RunDir()});
        auto radio = std::make_unique<ChildProcess>(GEOLUMEN_RADIO_PATH, args);
        EXPECT_TRUE(radio->Started());
        return radio;
    }
    // Runs the radio tool to its end; its output.
    std::string Radio(std::vector<std::string> args) {
        auto radio = StartRadio(std::move(args));
        EXPECT_EQ(radio->Wait(kExitBound), 0) << Dump(*radio);
        return Dump(*radio);
    }
    void Stop(ChildProcess& host) {
        host.Signal(SIGTERM);
        EXPECT_EQ(host.Wait(kExitBound), 0) << Dump(host);
    }
};

TEST_F(RadioEndToEnd, SwitchOffAndOnWhileAClientListens) {
    auto host = StartHost();
    auto client = StartClient({"--interval", "1000"});
    ASSERT_TRUE(client->WaitForLine("\"event\":\"DATA_UPDATED\"", kReportBound))
        << Dump(*client) << Dump(*host);
    auto watch = StartRadio({"watch"});
    ASSERT_TRUE(watch->WaitForLine("watching the GNSS radio (on)", kStartBound)) << Dump(*watch);

    EXPECT_NE(Radio({"set", "off"}).find("GNSS radio off"), std::string::npos);
    const auto off = client->WaitForLine("{\"event\":\"STATE_CHANGED\",\"state\":1}", kReportBound);
    ASSERT_TRUE(off) << Dump(*client);
    // The watch sees the switch another process made.
    EXPECT_TRUE(watch->WaitForLine("notification: DornaveLocation radio off", kReportBound)) << Dump(*watch);
    // The session keeps running, but no data comes: not to the listening client, not to a new one.
    auto probe = StartClient({"--interval", "1000", "--seconds", kProbeSeconds});
    EXPECT_EQ(probe->Wait(kExitBound), 0) << Dump(*probe);
    EXPECT_FALSE(probe->WaitForLine("DATA_UPDATED", 0s)) << Dump(*probe);
    EXPECT_FALSE(client->WaitForLine("DATA_UPDATED", 0s, *off)) << Dump(*client);
    EXPECT_FALSE(host->WaitForLine("simulated module: session stopped", 0s)) << Dump(*host);
    EXPECT_NE(Radio({"get"}).find("GNSS radio: off; previous: off"), std::string::npos);

    EXPECT_NE(Radio({"set", "on"}).find("GNSS radio on"), std::string::npos);
    const auto initializing =
        client->WaitForLine("{\"event\":\"STATE_CHANGED\",\"state\":3}", kReportBound, *off);
    ASSERT_TRUE(initializing) << Dump(*client);
    const auto ready =
        client->WaitForLine("{\"event\":\"STATE_CHANGED\",\"state\":0}", kReportBound, *initializing);
    ASSERT_TRUE(ready) << Dump(*client);
    EXPECT_TRUE(client->WaitForLine("\"event\":\"DATA_UPDATED\"", kReportBound, *initializing))
        << Dump(*client);
    EXPECT_TRUE(watch->WaitForLine("notification: DornaveLocation radio on", kReportBound)) << Dump(*watch);

    watch->Signal(SIGINT);
    EXPECT_EQ(watch->Wait(kExitBound), 0) << Dump(*watch);
    Stop(*host);
    EXPECT_EQ(client->Wait(kExitBound), 1) << Dump(*client);
}

TEST_F(RadioEndToEnd, RadioOffSurvivesAHostRestart) {
    {
        auto host = StartHost();
        (void)Radio({"set", "off"});
        Stop(*host);
    }
    auto host = StartHost();
    EXPECT_NE(Radio({"get"}).find("GNSS radio: off"), std::string::npos);
    auto properties = StartClient({"--properties"});
    ASSERT_EQ(properties->Wait(kExitBound), 0) << Dump(*properties);
    EXPECT_NE(Dump(*properties).find("\"SENSOR_PROPERTY_STATE\":1"), std::string::npos) << Dump(*properties);
    auto probe = StartClient({"--interval", "1000", "--seconds", kProbeSeconds});
    EXPECT_EQ(probe->Wait(kExitBound), 0) << Dump(*probe);
    EXPECT_FALSE(probe->WaitForLine("DATA_UPDATED", 0s)) << Dump(*probe);

    (void)Radio({"set", "on"});
    auto client = StartClient({"--interval", "1000", "--count", "1"});
    EXPECT_EQ(client->Wait(kExitBound), 0) << Dump(*client);
    EXPECT_TRUE(client->WaitForLine("DATA_UPDATED", 0s)) << Dump(*client);
    Stop(*host);
}

// A time-out shorter than the switch takes leaves the switch to its work item, which still carries it
// out: the tool reports the time-out, waits for the switch, and the radio is then as asked.
TEST_F(RadioEndToEnd, SwitchPastItsTimeOutIsStillCarriedOut) {
    auto host = StartHost();
    struct Row {
        std::vector<std::string> args;
        const char* state;
    };
    const Row rows[] = {
        {{"--timeout", "0", "set", "off"}, "GNSS radio: off"},
        {{"--timeout=0", "set", "on"}, "GNSS radio: on"},
        {{"--timeout", "0", "set", "off"}, "GNSS radio: off"},
    };
    for (const Row& row : rows) {
        auto radio = StartRadio(row.args);
        const auto code = radio->Wait(kExitBound);
        // 0 only when the switch happened to end before the zero-length wait was over.
        EXPECT_TRUE(code == 6 || code == 0) << Dump(*radio);
        if (code == 6) {
            EXPECT_NE(Dump(*radio).find("the late switch has ended"), std::string::npos) << Dump(*radio);
        }
        EXPECT_NE(Radio({"get"}).find(row.state), std::string::npos) << row.state;
    }
    Stop(*host);
}

}  // namespace
}  // namespace geolumen::host
