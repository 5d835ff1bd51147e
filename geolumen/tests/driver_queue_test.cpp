#include <gtest/gtest.h>

#include <thread>

#include "driver/queue.h"
#include "driver_test_support.h"

namespace geolumen::testing {
namespace {

const HRESULT kNotSupported = MakeHresult(0x80070032u);

// CTL_CODE(device type, function, method, access) = type << 16 | access << 14 | function << 2 | method.
constexpr uint32_t CtlCode(uint32_t type, uint32_t function, uint32_t access) {
    return type << 16 | access << 14 | function << 2;  // METHOD_BUFFERED = 0
}

TEST(QueueCodes, CodesAreTheBufferedControlsOfTheirDeviceTypes) {
    // read access = 1, write access = 2, both = 3
    EXPECT_EQ(kIoctlPortableDeviceMessageReadWrite, CtlCode(0x40, 0x42, 3));
    EXPECT_EQ(kIoctlPortableDeviceMessageRead, CtlCode(0x40, 0x42, 1));
    EXPECT_EQ(kRadioControls[0].code, CtlCode(0x5500, 0x802, 1));
    EXPECT_EQ(kRadioControls[1].code, CtlCode(0x5500, 0x803, 1));
    EXPECT_EQ(kRadioControls[2].code, CtlCode(0x5500, 0x800, 2));
    EXPECT_EQ(kRadioControls[3].code, CtlCode(0x5500, 0x801, 2));
    EXPECT_EQ(FindRadioControl(0x5500A004)->previous, true);
    EXPECT_EQ(FindRadioControl(0x5500A004)->set, true);
    EXPECT_EQ(FindRadioControl(0x00222000), nullptr);
}

class QueueTest : public DriverTest {
  protected:
    void SetUp() override {
        DriverTest::SetUp();
        host_ = std::make_unique<DriverHost>(StaticDriverEntry(), "USB\\VID_1234&PID_5678\\Q0", nullptr);
        ASSERT_EQ(host_->LoadDriver(), S_OK);
        ASSERT_EQ(host_->AddDevice(), S_OK);
    }
    void TearDown() override {
        host_.reset();
        DriverTest::TearDown();
    }
    void Start() { ASSERT_EQ(host_->StartDevice(), S_OK); }
    std::unique_ptr<DriverHost> host_;
};

struct IoCase {
    const char* legend;
    uint32_t code;
    std::vector<uint8_t> input;
    size_t outputLength;
    HRESULT status;
    size_t information;
    std::vector<uint8_t> output;
};

TEST_F(QueueTest, RadioAndUnknownControls) {
    Start();
    lastDdi->currentRadio = 1;
    lastDdi->previousRadio = 6;
    const IoCase cases[] = {
        {"get current, 4-byte buffer", 0x55006008, {}, 4, S_OK, 4, {1, 0, 0, 0}},
        {"get previous, 4-byte buffer", 0x5500600C, {}, 4, S_OK, 4, {6, 0, 0, 0}},
        {"get with a 2-byte buffer", 0x55006008, {}, 2, E_INVALIDARG, 0, {}},
        {"get with an 8-byte buffer", 0x55006008, {}, 8, E_INVALIDARG, 0, {}},
        {"get with no buffer", 0x5500600C, {}, 0, E_INVALIDARG, 0, {}},
        {"set with 3 bytes", 0x5500A000, {1, 0, 0}, 0, E_INVALIDARG, 0, {}},
        {"set with 5 bytes", 0x5500A004, {1, 0, 0, 0, 0}, 0, E_INVALIDARG, 0, {}},
        {"set current to 7, refused by the sensor", 0x5500A000, {7, 0, 0, 0}, 0, E_INVALIDARG, 0, {}},
        {"set current to 0", 0x5500A000, {0, 0, 0, 0}, 0, S_OK, 0, {}},
        {"read back current", 0x55006008, {}, 4, S_OK, 4, {0, 0, 0, 0}},
        {"set previous to 5 with an output buffer", 0x5500A004, {5, 0, 0, 0}, 4, S_OK, 0, {}},
        {"read back previous", 0x5500600C, {}, 4, S_OK, 4, {5, 0, 0, 0}},
        {"unknown code", 0x00222000, {}, 4, kNotSupported, 0, {}},
        {"neighbour of a radio code", 0x55006010, {}, 4, kNotSupported, 0, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.legend);
        const IoResult result = host_->DeviceIoControl(c.code, c.input, c.outputLength);
        EXPECT_EQ(result.status, c.status);
        EXPECT_EQ(result.information, c.information);
        EXPECT_EQ(result.output, c.output);
    }
}

TEST_F(QueueTest, SensorMessagesGoToTheClassExtension) {
    Start();
    // The class extension answers the message controls itself (not supported until clients exist).
    for (uint32_t code : {kIoctlPortableDeviceMessageReadWrite, kIoctlPortableDeviceMessageRead}) {
        const IoResult result = host_->DeviceIoControl(code, {1, 2, 3}, 16);
        EXPECT_EQ(result.status, kNotSupported);
        EXPECT_EQ(result.information, 0u);
    }
}

TEST_F(QueueTest, DuringShutdownEveryControlIsNotSupported) {
    Start();
    auto device = host_->Device();
    device->Pnp()->OnSurpriseRemoval(device.Get());
    for (uint32_t code : {kIoctlPortableDeviceMessageReadWrite, 0x55006008u, 0x5500A000u, 0x00222000u}) {
        SCOPED_TRACE(code);
        const IoResult result = host_->DeviceIoControl(code, {0, 0, 0, 0}, 4);
        EXPECT_EQ(result.status, kNotSupported);
        EXPECT_EQ(result.information, 0u);
    }
    EXPECT_EQ(lastDdi->currentRadio.load(), 0u) << "a refused set changed the state";
}

TEST_F(QueueTest, WithoutSensorPartsControlsCompleteWithUnexpected) {
    failClassExtension = true;  // the queue exists, the sensor interface and class extension do not
    auto device = host_->Device();
    EXPECT_TRUE(FAILED(device->Hardware()->OnPrepareHardware(device.Get())));
    ASSERT_TRUE(device->DefaultQueue());
    auto queue = device->DefaultQueue();
    auto file = MakeCom<HostFile>();
    const IoResult radio = queue->Submit(file.Get(), 0x55006008, {}, 4);
    EXPECT_EQ(radio.status, E_UNEXPECTED);
    EXPECT_EQ(radio.information, 0u);
    const IoResult message = queue->Submit(file.Get(), kIoctlPortableDeviceMessageRead, {1}, 4);
    EXPECT_EQ(message.status, E_UNEXPECTED)
        << "a message control with no class extension must still complete";
    EXPECT_EQ(device->Hardware()->OnReleaseHardware(device.Get()), S_OK);
}

TEST_F(QueueTest, DefaultSensorInterfaceAnswersRadioControls) {
    DeviceParts parts = DeviceParts::Defaults();
    parts.createUsbLink = [this](cMainDevice&) -> std::unique_ptr<UsbLink> {
        return std::make_unique<FakeUsbLink>(log);
    };
    DriverGlobals::Get().SetParts(parts);
    auto host = std::make_unique<DriverHost>(StaticDriverEntry(), "USB\\VID_1234&PID_5678\\Q1", nullptr);
    ASSERT_EQ(host->LoadDriver(), S_OK);
    ASSERT_EQ(host->AddDevice(), S_OK);
    ASSERT_EQ(host->StartDevice(), S_OK);
    const IoResult get = host->DeviceIoControl(0x55006008, {}, 4);
    EXPECT_EQ(get.status, S_OK);
    EXPECT_EQ(get.information, 4u);
    EXPECT_EQ(get.output, (std::vector<uint8_t>{0, 0, 0, 0}));
    const IoResult set = host->DeviceIoControl(0x5500A000, {0, 0, 0, 0}, 0);
    EXPECT_EQ(set.status, S_OK);
    EXPECT_EQ(set.information, 0u);
}

TEST_F(QueueTest, ParallelControlsThenRemovalLeaveNothingRunning) {
    Start();
    constexpr int kThreads = 6;
    constexpr int kRounds = 300;
    std::atomic<int> torn{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < kRounds; ++i) {
                if (t % 2) {
                    const uint8_t value = static_cast<uint8_t>(i % 2);
                    (void)host_->DeviceIoControl(0x5500A000, {value, 0, 0, 0}, 0);
                } else {
                    const IoResult r = host_->DeviceIoControl(0x55006008, {}, 4);
                    const bool valid = r.status == S_OK && r.output.size() == 4 && r.output[1] == 0 &&
                                       r.output[2] == 0 && r.output[3] == 0 && r.output[0] <= 1;
                    if (!valid) ++torn;
                }
            }
        });
    }
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(torn.load(), 0);
    EXPECT_EQ(host_->RemoveDevice(false), S_OK);
    EXPECT_EQ(host_->UnloadDriver(), S_OK);
}

}  // namespace
}  // namespace geolumen::testing
