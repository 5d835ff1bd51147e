#include <gtest/gtest.h>

#include "support/sensor_fixture.h"

namespace geolumen::test_support {
namespace {

// One radio control as the queue hands it to the sensor: the result and, for a get, the bytes written.
struct ControlResult {
    HRESULT hr;
    std::vector<uint8_t> output;
};

std::vector<uint8_t> Le32(int32_t v) {
    const auto u = static_cast<uint32_t>(v);
    return {static_cast<uint8_t>(u), static_cast<uint8_t>(u >> 8), static_cast<uint8_t>(u >> 16),
            static_cast<uint8_t>(u >> 24)};
}

class SensorRadioStateTest : public SensorDdiFixture {
  protected:
    ControlResult Get(bool previous, size_t outputLength = 4) {
        auto request = MakeCom<HostRequest>(nullptr, std::vector<uint8_t>{}, outputLength);
        const HRESULT hr = ddi->GetRadioStateIoctl(request.Get(), previous);
        ComPtr<IWDFMemory> memory;
        request->GetOutputMemory(memory.ReleaseAndGetAddressOf());
        size_t size = 0;
        auto* bytes = memory ? static_cast<uint8_t*>(memory->GetDataBuffer(&size)) : nullptr;
        return {hr, bytes ? std::vector<uint8_t>(bytes, bytes + size) : std::vector<uint8_t>{}};
    }
    HRESULT Set(bool previous, std::vector<uint8_t> input) {
        auto request = MakeCom<HostRequest>(nullptr, std::move(input), 0);
        return ddi->SetRadioStateIoctl(request.Get(), previous);
    }
    HRESULT Set(bool previous, int32_t value) { return Set(previous, Le32(value)); }
};

TEST_F(SensorRadioStateTest, SwitchingOffAndOnWithASubscribedClient) {
    auto client = Connect();
    ASSERT_EQ(ddi->GetSensorState(), SENSOR_STATE_INITIALIZING);
    ddi->ApplyPositionReport(CompleteFix());
    ASSERT_EQ(ddi->GetSensorState(), SENSOR_STATE_READY);
    stateChange.ResetEvent();
    const int stopsBefore = device->StopIdleCalls();
    const int resumesBefore = device->ResumeIdleCalls();

    ASSERT_EQ(Set(false, 1), S_OK);
    EXPECT_EQ(Get(false).output, Le32(1));
    EXPECT_EQ(ddi->Session().requestedRadioState, 1u);
    EXPECT_EQ(Property(SENSOR_PROPERTY_STATE), PropValue{uint32_t{SENSOR_STATE_NOT_AVAILABLE}});
    EXPECT_EQ(ddi->GetSensorState(), SENSOR_STATE_NOT_AVAILABLE);
    EXPECT_TRUE(stateChange.IsSet());
    EXPECT_EQ(DriverGlobals::Get().DataReportingEnabled.load(), 0u);
    EXPECT_EQ(device->ResumeIdleCalls(), resumesBefore + 1);
    EXPECT_EQ(device->store["SENSOR_PROPERTY_RADIO_STATE"], "u32:1");
    EXPECT_EQ(device->store["SENSOR_PROPERTY_PREVIOUS_RADIO_STATE"], "u32:0");
    // The session keeps running; its reports change nothing while the radio is off.
    stateChange.ResetEvent();
    dataReady.ResetEvent();
    ddi->ApplyPositionReport(CompleteFix());
    EXPECT_FALSE(dataReady.IsSet());
    EXPECT_EQ(ddi->GetSensorState(), SENSOR_STATE_NOT_AVAILABLE);

    ASSERT_EQ(Set(false, 0), S_OK);
    EXPECT_EQ(ddi->GetSensorState(), SENSOR_STATE_INITIALIZING);
    EXPECT_TRUE(stateChange.IsSet());
    EXPECT_EQ(DriverGlobals::Get().DataReportingEnabled.load(), 1u);
    EXPECT_EQ(device->StopIdleCalls(), stopsBefore + 1);
    EXPECT_EQ(device->References(), 1) << "kept awake again for its client";
    EXPECT_EQ(device->store["SENSOR_PROPERTY_RADIO_STATE"], "u32:0");
    ddi->ApplyPositionReport(CompleteFix());
    EXPECT_TRUE(dataReady.IsSet());
    EXPECT_EQ(ddi->GetSensorState(), SENSOR_STATE_READY);
}

TEST_F(SensorRadioStateTest, OnFromInitializingStillReportsData) {
    // Off, then a restart of the session puts the sensor back to initializing before the radio comes on.
    ASSERT_EQ(Set(false, 1), S_OK);
    ddi->SetSensorState(SENSOR_STATE_INITIALIZING);
    stateChange.ResetEvent();
    ASSERT_EQ(Set(false, 0), S_OK);
    EXPECT_FALSE(stateChange.IsSet()) << "the state did not change";
    EXPECT_EQ(DriverGlobals::Get().DataReportingEnabled.load(), 1u);
}

TEST_F(SensorRadioStateTest, ValuesTheRadioCannotTake) {
    struct Row {
        const char* legend;
        bool previous;
        std::vector<uint8_t> input;
        HRESULT hr;
        uint32_t current, previousState;
    };
    const Row rows[] = {
        {"7 is beyond the radio states", false, Le32(7), E_INVALIDARG, 0, 0},
        {"a negative value", false, Le32(-1), E_INVALIDARG, 0, 0},
        {"a negative previous value", true, Le32(-2), E_INVALIDARG, 0, 0},
        {"three bytes", false, {1, 0, 0}, E_INVALIDARG, 0, 0},
        {"no buffer", false, {}, E_INVALIDARG, 0, 0},
        {"5 is answered but does not become current", false, Le32(5), S_OK, 0, 0},
        {"2 likewise", false, Le32(2), S_OK, 0, 0},
        {"the previous state keeps any radio state", true, Le32(6), S_OK, 0, 6},
        {"and is only kept", true, Le32(0), S_OK, 0, 0},
    };
    auto client = Connect();
    for (const Row& row : rows) {
        const uint32_t state = ddi->GetSensorState();
        const int stops = device->StopIdleCalls();
        const int resumes = device->ResumeIdleCalls();
        EXPECT_EQ(Set(row.previous, row.input), row.hr) << row.legend;
        EXPECT_EQ(Get(false).output, Le32(static_cast<int32_t>(row.current))) << row.legend;
        EXPECT_EQ(Get(true).output, Le32(static_cast<int32_t>(row.previousState))) << row.legend;
        EXPECT_EQ(ddi->GetSensorState(), state) << row.legend;
        EXPECT_EQ(device->StopIdleCalls(), stops) << row.legend;
        EXPECT_EQ(device->ResumeIdleCalls(), resumes) << row.legend;
        EXPECT_EQ(device->store["SENSOR_PROPERTY_RADIO_STATE"], "u32:0") << row.legend;
    }
    // After a request the radio could not take, switching still works.
    EXPECT_EQ(Set(false, 1), S_OK);
    EXPECT_EQ(Get(false).output, Le32(1));
}

TEST_F(SensorRadioStateTest, GetWithAnotherBufferSizeFails) {
    for (size_t size : {0u, 2u, 3u, 5u, 8u}) {
        const ControlResult r = Get(false, size);
        EXPECT_EQ(r.hr, E_INVALIDARG) << size;
        EXPECT_EQ(r.output, std::vector<uint8_t>(size, 0)) << size << ": untouched";
    }
}

TEST_F(SensorRadioStateTest, StateSurvivesARestartAndKeepsDataOff) {
    ASSERT_EQ(Set(false, 1), S_OK);
    ASSERT_EQ(Set(true, 1), S_OK);
    // The driver restarts on the same store: the device starts its self-managed I/O after the sensor.
    DriverGlobals::Get().Reset();
    ASSERT_EQ(CreateSensor(), S_OK);
    DriverGlobals::Get().SetSelfManagedIoRunning(true);
    EXPECT_EQ(Get(false).output, Le32(1));
    EXPECT_EQ(Get(true).output, Le32(1));
    EXPECT_EQ(ddi->GetSensorState(), SENSOR_STATE_NOT_AVAILABLE);
    EXPECT_EQ(DriverGlobals::Get().DataReportingEnabled.load(), 0u);
    auto client = Connect();
    dataReady.ResetEvent();
    ddi->ApplyPositionReport(CompleteFix());
    EXPECT_FALSE(dataReady.IsSet());
    EXPECT_EQ(ddi->GetSensorState(), SENSOR_STATE_NOT_AVAILABLE);

    // A stored value the radio cannot be in is not taken back.
    device->store["SENSOR_PROPERTY_RADIO_STATE"] = "u32:5";
    ASSERT_EQ(CreateSensor(), S_OK);
    EXPECT_EQ(Get(false).output, Le32(0));
    EXPECT_EQ(device->store["SENSOR_PROPERTY_RADIO_STATE"], "u32:0");
    EXPECT_EQ(DriverGlobals::Get().DataReportingEnabled.load(), 1u);
}

TEST_F(SensorRadioStateTest, NoStoreAppliesInMemoryAndShutdownTouchesNothing) {
    device->storeFails = true;
    EXPECT_EQ(Set(false, 1), S_OK);
    EXPECT_EQ(Get(false).output, Le32(1));
    EXPECT_EQ(ddi->GetSensorState(), SENSOR_STATE_NOT_AVAILABLE);
    device->storeFails = false;

    busy.BeginShutdown();
    EXPECT_EQ(Set(false, 0), kShutdownInProgress);
    EXPECT_EQ(Get(false).hr, kShutdownInProgress);
    EXPECT_EQ(ddi->Session().requestedRadioState, 1u);
}

}  // namespace
}  // namespace geolumen::test_support
