// The radio manager against the real driver: a device on the simulated module, its interface published
// on the channel as the host publishes it, and the manager reaching it only through that interface.
#include <gtest/gtest.h>

#include "driver_test_support.h"
#include "platform/interface_server.h"
#include "radio_test_support.h"
#include "sim/sim_module.h"
#include "sim/sim_usb_target.h"

namespace geolumen::testing {
namespace {

class RadioDriverTest : public DriverTest {
  protected:
    void SetUp() override {
        DriverTest::SetUp();
        DriverGlobals::Get().SetParts(DeviceParts::Defaults());  // the real sensor interface and USB link
        ::setenv("GEOLUMEN_RUN_DIR", runDir_.Path().c_str(), 1);
    }
    void TearDown() override {
        StopHost();
        ::unsetenv("GEOLUMEN_RUN_DIR");
        DriverTest::TearDown();
    }

    void StartHost() {
        module_ = std::make_unique<sim::SimModule>();
        host_ = std::make_unique<DriverHost>(StaticDriverEntry(), "USB\\VID_0000&PID_0000\\SIM0", nullptr);
        host_->SetUsbTarget(std::make_shared<sim::SimUsbTarget>(*module_));
        ASSERT_EQ(host_->LoadDriver(), S_OK);
        ASSERT_EQ(host_->AddDevice(), S_OK);
        ASSERT_EQ(host_->StartDevice(), S_OK);
        interfaces_ = std::make_unique<HostInterfaceServer>(host_->Device());
        ASSERT_EQ(interfaces_->Publish(runDir_.Path()), 0);
    }
    void StopHost() {
        if (!host_) return;
        interfaces_->Stop();
        (void)host_->RemoveDevice(false);
        (void)host_->UnloadDriver();
        interfaces_.reset();
        host_.reset();
        module_.reset();
    }
    [[nodiscard]] uint32_t SensorState() {
        auto ddi = DriverGlobals::Get().SensorDdi();
        return ddi ? ddi->GetSensorState() : 0xFFFFFFFF;
    }

    TempRunDir runDir_;
    std::unique_ptr<sim::SimModule> module_;
    std::unique_ptr<DriverHost> host_;
    std::unique_ptr<HostInterfaceServer> interfaces_;
};

TEST_F(RadioDriverTest, SwitchesTheRealDriverAndSurvivesARestart) {
    StartHost();
    ASSERT_EQ(interfaces_->Entries().size(), 1u);
    EXPECT_EQ(interfaces_->Entries()[0],
              DeviceInterfaceClassDir(runDir_.Path(), kRadioDeviceInterface) / "0");
    {
        auto manager = CreateManager();
        auto point = PointOf(manager);
        auto sink = MakeCom<RecordingSink>();
        DWORD cookie = 0;
        ASSERT_EQ(point->Advise(static_cast<IMediaRadioManagerNotifySink*>(sink.Get()), &cookie), S_OK);
        auto instance = InstanceOf(manager);
        DEVICE_RADIO_STATE state = DRS_RADIO_INVALID;
        EXPECT_EQ(instance->GetRadioState(&state), S_OK);
        EXPECT_EQ(state, DRS_RADIO_ON);

        EXPECT_EQ(instance->SetRadioState(DRS_SW_RADIO_OFF, 10), S_OK);
        EXPECT_EQ(sink->Seen(), (std::vector<std::string>{"change DornaveLocation 1"}));
        EXPECT_EQ(instance->GetRadioState(&state), S_OK);
        EXPECT_EQ(state, DRS_SW_RADIO_OFF);
        EXPECT_EQ(instance->GetPreviousRadioState(&state), S_OK);
        EXPECT_EQ(state, DRS_SW_RADIO_OFF);
        EXPECT_EQ(SensorState(), SENSOR_STATE_NOT_AVAILABLE);
        EXPECT_EQ(DriverGlobals::Get().DataReportingEnabled.load(), 0u);
        // The system enable honours the user's switch-off.
        EXPECT_EQ(manager->OnSystemRadioStateChange(SRS_RADIO_ENABLED, 10), S_OK);
        EXPECT_EQ(instance->GetRadioState(&state), S_OK);
        EXPECT_EQ(state, DRS_SW_RADIO_OFF);
        EXPECT_EQ(point->Unadvise(cookie), S_OK);
    }
    StopHost();

    // The host starts again on the same state folder: the radio is still off, and data with it.
    StartHost();
    auto manager = CreateManager();
    auto instance = InstanceOf(manager);
    DEVICE_RADIO_STATE state = DRS_RADIO_INVALID;
    EXPECT_EQ(instance->GetRadioState(&state), S_OK);
    EXPECT_EQ(state, DRS_SW_RADIO_OFF);
    EXPECT_EQ(SensorState(), SENSOR_STATE_NOT_AVAILABLE);
    EXPECT_EQ(DriverGlobals::Get().DataReportingEnabled.load(), 0u);

    EXPECT_EQ(instance->SetRadioState(DRS_RADIO_ON, 10), S_OK);
    EXPECT_EQ(instance->GetRadioState(&state), S_OK);
    EXPECT_EQ(state, DRS_RADIO_ON);
    EXPECT_EQ(DriverGlobals::Get().DataReportingEnabled.load(), 1u);
}

TEST_F(RadioDriverTest, ChannelToTheRealQueue) {
    StartHost();
    DeviceInterfaceHandle handle;
    ASSERT_EQ(DeviceInterfaceHandle::Open(interfaces_->Entries()[0], &handle), S_OK);
    struct Row {
        const char* legend;
        uint32_t code;
        std::vector<uint8_t> input;
        size_t outputLength;
        HRESULT hr;
        std::vector<uint8_t> output;
    };
    const Row rows[] = {
        {"get current", kIoctlGetRadioState, {}, 4, S_OK, {0, 0, 0, 0}},
        {"set current off", kIoctlSetRadioState, {1, 0, 0, 0}, 0, S_OK, {}},
        {"get current again", kIoctlGetRadioState, {}, 4, S_OK, {1, 0, 0, 0}},
        {"set 7: refused", kIoctlSetRadioState, {7, 0, 0, 0}, 0, E_INVALIDARG, {}},
        {"set -1: refused", kIoctlSetRadioState, {0xFF, 0xFF, 0xFF, 0xFF}, 0, E_INVALIDARG, {}},
        {"set 5: answered, not current", kIoctlSetRadioState, {5, 0, 0, 0}, 0, S_OK, {}},
        {"still off", kIoctlGetRadioState, {}, 4, S_OK, {1, 0, 0, 0}},
        {"set previous on", kIoctlSetPreviousRadioState, {0, 0, 0, 0}, 0, S_OK, {}},
        {"get previous", kIoctlGetPreviousRadioState, {}, 4, S_OK, {0, 0, 0, 0}},
        {"a two-byte get fails", kIoctlGetRadioState, {}, 2, E_INVALIDARG, {}},
        {"an unknown code", 0x00222000, {}, 4, HRESULT_FROM_WIN32(ERROR_NOT_SUPPORTED), {}},
    };
    for (const Row& row : rows) {
        std::vector<uint8_t> out(row.outputLength, 0xAA);
        size_t information = 99;
        EXPECT_EQ(handle.IoControl(row.code, row.input, out, &information), row.hr) << row.legend;
        ASSERT_EQ(information, row.output.size()) << row.legend;
        EXPECT_EQ(std::vector<uint8_t>(out.begin(), out.begin() + static_cast<long>(information)), row.output)
            << row.legend;
    }
    EXPECT_EQ(SensorState(), SENSOR_STATE_NOT_AVAILABLE);
}

}  // namespace
}  // namespace geolumen::testing
