// The location client reads its assistance servers from the device's own settings when it is given no
// other reader, as the driver creates it.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "platform/device_store.h"
#include "support/local_servers.h"
#include "support/location_fixture.h"

namespace geolumen {
namespace {

constexpr const char* kInstance = "USB\\VID_1234&PID_0001\\SIM0";

class LocationDeviceSettingsTest : public test_support::LocationClientFixture {
  protected:
    void SetUp() override {
        root_ = std::filesystem::temp_directory_path() /
                ("geolumen-settings-test-" + std::to_string(::getpid()) + "-" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(root_);
        setenv("GEOLUMEN_STATE_DIR", root_.c_str(), 1);
        LocationClientFixture::SetUp();
    }
    void TearDown() override {
        LocationClientFixture::TearDown();
        std::filesystem::remove_all(root_);
        unsetenv("GEOLUMEN_STATE_DIR");
    }
    static bool SetSetting(std::string_view name, std::string_view value) {
        return FileValueStore(DeviceStoreFolder(kInstance) / "settings").Set(name, value);
    }
    std::filesystem::path root_;
};

TEST_F(LocationDeviceSettingsTest, StoreReaderGivesTheSettingOrNothing) {
    const DeviceStoreParameters& reader = DeviceStoreParameters::Instance();
    EXPECT_EQ(reader.ReadDeviceParameter(kInstance, "AlmarServerURL"), "");
    ASSERT_TRUE(SetSetting("AlmarServerURL", " a ; ;b"));
    EXPECT_EQ(reader.ReadDeviceParameter(kInstance, "AlmarServerURL"), " a ; ;b");
    EXPECT_EQ(reader.ReadDeviceParameter("USB\\OTHER", "AlmarServerURL"), "");
}

TEST_F(LocationDeviceSettingsTest, OrbitRequestUsesTheServerOfTheDeviceSettings) {
    ASSERT_EQ(config.parameters, nullptr);
    ASSERT_TRUE(SetSetting("AlmarServerURL", "127.0.0.1"));
    const std::vector<uint8_t> file(100, 0x5A);  // one part of 100 bytes
    test_support::LocalHttpServer http(200, file);
    config.net.httpPort = http.port();
    OpenClient();
    EXPECT_EQ(client->HandleOrbitRequest(kInstance), AssistanceOutcome::Injected);
    EXPECT_EQ(service->OrbitPartsReceived(), 1);
    EXPECT_EQ(service->OrbitData(), file);
}

}  // namespace
}  // namespace geolumen
