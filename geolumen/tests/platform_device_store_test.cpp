#include <gtest/gtest.h>

#include <fstream>

#include "platform/device_store.h"
#include "platform/wdf_host.h"

namespace geolumen {
namespace {

class DeviceStoreTest : public ::testing::Test {
  protected:
    void SetUp() override {
        root_ = std::filesystem::temp_directory_path() /
                ("geolumen-store-test-" + std::to_string(::getpid()) + "-" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(root_);
        setenv("GEOLUMEN_STATE_DIR", root_.c_str(), 1);
    }
    void TearDown() override {
        std::filesystem::remove_all(root_);
        unsetenv("GEOLUMEN_STATE_DIR");
    }
    std::filesystem::path root_;
};

TEST_F(DeviceStoreTest, FolderNamesStayInsideTheRoot) {
    const struct {
        const char* id;
        const char* folder;
    } table[] = {
        {"USB\\VID_1234&PID_5678\\SIM0", "USB_VID_1234_PID_5678_SIM0"},
        {"../../etc", ".._.._etc"},
        {"..", "_.."},
        {".", "_."},
        {"", "_"},
        {"a/b", "a_b"},
    };
    for (const auto& row : table) {
        SCOPED_TRACE(row.id);
        EXPECT_EQ(DeviceStoreFolder(row.id), root_ / row.folder);
    }
    // An over-long id is cut, never longer than one name may be.
    EXPECT_EQ(DeviceStoreFolder(std::string(5000, 'x')).filename().string().size(), kMaxStoreNameLength);
}

TEST_F(DeviceStoreTest, ValuesRoundTripAndSurviveANewStoreObject) {
    const auto file = root_ / "dev" / "settings";
    {
        FileValueStore store(file);
        EXPECT_FALSE(store.Get("SUPLconfig"));
        ASSERT_TRUE(store.Set("SUPLconfig", "1"));
        ASSERT_TRUE(store.Set("AlmarServerURL", "http://127.0.0.1:8080/"));
        ASSERT_TRUE(store.Set("SUPLconfig", "0"));  // replaces in place
    }
    FileValueStore again(file);
    EXPECT_EQ(again.Get("SUPLconfig"), "0");
    EXPECT_EQ(again.Get("AlmarServerURL"), "http://127.0.0.1:8080/");
    EXPECT_EQ(ReadDeviceSetting("dev", "SUPLconfig"), "0");
}

TEST_F(DeviceStoreTest, UnusableNamesAndValuesAreRefused) {
    FileValueStore store(root_ / "dev" / "settings");
    EXPECT_FALSE(store.Set("", "x"));
    EXPECT_FALSE(store.Set("a=b", "x"));
    EXPECT_FALSE(store.Set("a\nb", "x"));
    EXPECT_FALSE(store.Set("name", "two\nlines"));
    EXPECT_FALSE(store.Set(std::string(kMaxStoreNameLength + 1, 'n'), "x"));
    EXPECT_FALSE(store.Set("name", std::string(kMaxStoreValueLength + 1, 'v')));
    EXPECT_FALSE(store.Get("a=b"));
}

TEST_F(DeviceStoreTest, DamagedFilesAreReadLineByLine) {
    const auto file = root_ / "dev" / "settings";
    std::filesystem::create_directories(file.parent_path());
    {
        std::ofstream out(file, std::ios::binary);
        out << "no equals sign\n"
            << "=no name\n"
            << "good=yes\r\n"
            << std::string(kMaxStoreValueLength + 10, 'x') << "=too long\n"
            << "empty=\n"
            << "last=without newline";
    }
    FileValueStore store(file);
    EXPECT_EQ(store.Get("good"), "yes");
    EXPECT_EQ(store.Get("empty"), "");
    EXPECT_EQ(store.Get("last"), "without newline");
    EXPECT_FALSE(store.Get("no equals sign"));
}

TEST_F(DeviceStoreTest, AFileBeyondTheLimitIsReadOnlyUpToIt) {
    const auto file = root_ / "dev" / "settings";
    std::filesystem::create_directories(file.parent_path());
    {
        std::ofstream out(file, std::ios::binary);
        out << "first=1\n" << std::string(kMaxStoreFileBytes, '#') << "\nbeyond=2\n";
    }
    FileValueStore store(file);
    EXPECT_EQ(store.Get("first"), "1");
    EXPECT_FALSE(store.Get("beyond"));
}

TEST_F(DeviceStoreTest, PropertyStoreKeepsKindsApart) {
    auto device = MakeCom<HostDevice>("USB\\PS0", nullptr);
    ComPtr<IWDFNamedPropertyStore> store;
    EXPECT_EQ(device->RetrieveDevicePropertyStore(WdfPropertyStoreNormal, store.ReleaseAndGetAddressOf()),
              HRESULT_FROM_WIN32(ERROR_NOT_FOUND));
    ASSERT_EQ(
        device->RetrieveDevicePropertyStore(WdfPropertyStoreCreateIfMissing, store.ReleaseAndGetAddressOf()),
        S_OK);
    uint32_t value = 0xAAAAAAAA;
    EXPECT_EQ(store->GetNamedValueU32("SENSOR_PROPERTY_RADIO_STATE", &value),
              HRESULT_FROM_WIN32(ERROR_NOT_FOUND));
    ASSERT_EQ(store->SetNamedValueU32("SENSOR_PROPERTY_RADIO_STATE", 4294967295u), S_OK);
    ASSERT_EQ(store->SetNamedValueText("SarnovyLocation", "{00000000-0000-0000-0000-000000000001}"), S_OK);

    ComPtr<IWDFNamedPropertyStore> reopened;
    ASSERT_EQ(device->RetrieveDevicePropertyStore(WdfPropertyStoreNormal, reopened.ReleaseAndGetAddressOf()),
              S_OK);
    EXPECT_EQ(reopened->GetNamedValueU32("SENSOR_PROPERTY_RADIO_STATE", &value), S_OK);
    EXPECT_EQ(value, 4294967295u);
    char text[39] = {};  // 38 characters and the terminator
    EXPECT_EQ(reopened->GetNamedValueText("SarnovyLocation", text, sizeof text), S_OK);
    EXPECT_STREQ(text, "{00000000-0000-0000-0000-000000000001}");
    char small[38];
    EXPECT_EQ(reopened->GetNamedValueText("SarnovyLocation", small, sizeof small),
              HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER));
    // A text is not a number and a number is not a text.
    EXPECT_EQ(reopened->GetNamedValueU32("SarnovyLocation", &value), HRESULT_FROM_WIN32(13));
    EXPECT_EQ(reopened->GetNamedValueText("SENSOR_PROPERTY_RADIO_STATE", text, sizeof text),
              HRESULT_FROM_WIN32(13));
}

TEST_F(DeviceStoreTest, NumbersThatAreNotNumbersAreRefused) {
    const auto folder = DeviceStoreFolder("USB\\PS1");
    std::filesystem::create_directories(folder);
    {
        std::ofstream out(folder / "properties", std::ios::binary);
        out << "big=u32:4294967296\nneg=u32:-1\nempty=u32:\ntrail=u32:12x\n";
    }
    auto device = MakeCom<HostDevice>("USB\\PS1", nullptr);
    ComPtr<IWDFNamedPropertyStore> store;
    ASSERT_EQ(device->RetrieveDevicePropertyStore(WdfPropertyStoreNormal, store.ReleaseAndGetAddressOf()),
              S_OK);
    for (const char* name : {"big", "neg", "empty", "trail"}) {
        SCOPED_TRACE(name);
        uint32_t value = 7;
        EXPECT_EQ(store->GetNamedValueU32(name, &value), HRESULT_FROM_WIN32(13));
        EXPECT_EQ(value, 7u);
    }
}

}  // namespace
}  // namespace geolumen
