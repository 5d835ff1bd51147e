#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <thread>

#include "radio_test_support.h"

namespace geolumen::testing {
namespace {

using RadioDeviceTest = RadioChannelTest;

TEST_F(RadioDeviceTest, NoInterfaceMeansNotOpenedAndUnknownState) {
    RadioDevice device;
    EXPECT_EQ(device.OpenRadioDevice(), S_FALSE);
    uint32_t state = 0;
    EXPECT_EQ(device.QueryRadioState(kIoctlGetRadioState, &state), E_FAIL);
    EXPECT_EQ(state, kRadioStateUnknown);
    EXPECT_EQ(device.SendRadioState(kIoctlSetRadioState, 1), E_FAIL);
}

TEST_F(RadioDeviceTest, OpensTheFirstPresentInterfaceOnce) {
    // An entry a crashed host left behind: a socket file nobody listens on.
    const auto dir = DeviceInterfaceClassDir(runDir_.Path(), kRadioDeviceInterface);
    ASSERT_EQ(MakeDirectories(dir), 0);
    {
        UnixFd stale(::socket(AF_UNIX, SOCK_STREAM, 0));
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strcpy(address.sun_path, (dir / "1").c_str());
        ASSERT_EQ(::bind(stale.Get(), reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
    }
    FakeRadioDriver first(runDir_.Path());   // takes 0
    FakeRadioDriver second(runDir_.Path());  // replaces the stale 1
    FakeRadioDriver third(runDir_.Path());   // 2
    EXPECT_EQ(first.Entry().filename(), "0");
    EXPECT_EQ(second.Entry().filename(), "1");
    EXPECT_EQ(third.Entry().filename(), "2");
    struct stat st {};
    ASSERT_EQ(::stat(first.Entry().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0660u);

    first.SetStates(1, 0);
    second.SetStates(0, 0);
    RadioDevice device;
    EXPECT_EQ(device.OpenRadioDevice(), S_OK);
    EXPECT_EQ(device.OpenRadioDevice(), S_FALSE);  // already open: the same handle stays
    uint32_t state = 0;
    EXPECT_EQ(device.QueryRadioState(kIoctlGetRadioState, &state), S_OK);
    EXPECT_EQ(state, 1u);
    EXPECT_EQ(first.Controls(), (std::vector<std::string>{"G6008"}));

    // The first one gone, the next present one is found.
    first.Stop();
    device.Close();
    EXPECT_EQ(device.OpenRadioDevice(), S_OK);
    EXPECT_EQ(device.SendRadioState(kIoctlSetPreviousRadioState, 1), S_OK);
    EXPECT_EQ(second.Controls(), (std::vector<std::string>{"S A004=1"}));
}

TEST_F(RadioDeviceTest, EntriesListLowestNumberFirst) {
    const GUID other = WdfGuid(1, 2, 3, 4, 5);
    const auto dir = DeviceInterfaceClassDir(runDir_.Path(), other);
    ASSERT_EQ(MakeDirectories(dir), 0);
    for (const char* name : {"10", "x", "2", "0"}) std::fclose(std::fopen((dir / name).c_str(), "w"));
    std::vector<std::string> names;
    for (const auto& entry : ListDeviceInterfaceEntries(runDir_.Path(), other)) {
        names.push_back(entry.filename().string());
    }
    EXPECT_EQ(names, (std::vector<std::string>{"0", "2", "10", "x"}));
    std::filesystem::path first;
    // Plain files accept no connection: none of them is present.
    EXPECT_EQ(FirstPresentDeviceInterface(runDir_.Path(), other, &first),
              HRESULT_FROM_WIN32(ERROR_NO_MORE_ITEMS));
}

TEST_F(RadioDeviceTest, PathBounds) {
    FakeRadioDriver driver(runDir_.Path());
    const std::string entry = driver.Entry().string();
    std::vector<char> buffer(entry.size() + 1, 'x');
    EXPECT_EQ(FindDeviceInterfacePath(kRadioDeviceInterface, buffer.data(), buffer.size()), S_OK);
    EXPECT_EQ(std::string(buffer.data()), entry);
    // One character short: refused, and the buffer holds nothing of the path.
    EXPECT_EQ(FindDeviceInterfacePath(kRadioDeviceInterface, buffer.data(), entry.size()),
              HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(buffer[0], '\0');

    // Paths of 256 characters and more cannot be opened, whatever the lookup does.
    RadioDevice tooLong([](const GUID&, char* out, size_t capacity) {
        const std::string path(300, 'a');
        if (path.size() > capacity - 1) return HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER);
        std::memcpy(out, path.c_str(), path.size() + 1);
        return S_OK;
    });
    EXPECT_EQ(tooLong.OpenRadioDevice(), S_FALSE);
    RadioDevice unterminated([](const GUID&, char* out, size_t capacity) {
        std::memset(out, 'a', capacity);
        return S_OK;
    });
    EXPECT_EQ(unterminated.OpenRadioDevice(), S_FALSE);
}

TEST_F(RadioDeviceTest, DeepRunDirectoryBeyondASocketAddress) {
    // Entries longer than a socket address holds (108 bytes) are still published and opened.
    const auto deep = runDir_.Path() / std::string(60, 'd') / std::string(60, 'e');
    ::setenv("GEOLUMEN_RUN_DIR", deep.c_str(), 1);
    FakeRadioDriver driver(deep);
    ASSERT_GT(driver.Entry().string().size(), 108u);
    driver.SetStates(1, 0);
    RadioDevice device;
    ASSERT_EQ(device.OpenRadioDevice(), S_OK);
    uint32_t state = 0;
    EXPECT_EQ(device.QueryRadioState(kIoctlGetRadioState, &state), S_OK);
    EXPECT_EQ(state, 1u);
}

TEST_F(RadioDeviceTest, DriverFailureIsTheQueryResultAndLeavesUnknown) {
    FakeRadioDriver driver(runDir_.Path());
    driver.FailWith(HRESULT_FROM_WIN32(ERROR_NOT_SUPPORTED));
    RadioDevice device;
    ASSERT_EQ(device.OpenRadioDevice(), S_OK);
    uint32_t state = 0;
    EXPECT_EQ(device.QueryRadioState(kIoctlGetRadioState, &state), HRESULT_FROM_WIN32(ERROR_NOT_SUPPORTED));
    EXPECT_EQ(state, kRadioStateUnknown);
    EXPECT_EQ(device.SendRadioState(kIoctlSetRadioState, 0), HRESULT_FROM_WIN32(ERROR_NOT_SUPPORTED));
}

// A peer that answers each request with scripted raw bytes, for replies no real host sends.
class RawPeer {
  public:
    RawPeer(const std::filesystem::path& runDir, std::vector<uint8_t> reply) : reply_(std::move(reply)) {
        const auto dir = DeviceInterfaceClassDir(runDir, kRadioDeviceInterface);
        EXPECT_EQ(MakeDirectories(dir), 0);
        listener_ = UnixFd(::socket(AF_UNIX, SOCK_STREAM, 0));
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strcpy(address.sun_path, (dir / "0").c_str());
        EXPECT_EQ(::bind(listener_.Get(), reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
        EXPECT_EQ(::listen(listener_.Get(), 4), 0);
        thread_ = std::thread([this] {
            // The presence probe connects and goes; the second connection is the device handle.
            for (int i = 0; i < 2; ++i) {
                UnixFd client(::accept(listener_.Get(), nullptr, nullptr));
                if (i == 0) continue;
                ChannelRequest request;
                if (ReadChannelRequest(client.Get(), &request) == 0) (void)SendAll(client.Get(), reply_);
            }
        });
    }
    ~RawPeer() { thread_.join(); }

  private:
    std::vector<uint8_t> reply_;
    UnixFd listener_;
    std::thread thread_;
};

TEST_F(RadioDeviceTest, MalformedRepliesAreErrorsNeverCopied) {
    struct Row {
        const char* legend;
        std::vector<uint8_t> reply;
        HRESULT expected;
    };
    const Row rows[] = {
        {"header cut short", {0, 0, 0, 0, 4, 0}, kChannelDisconnected},
        {"fewer output bytes than announced", {0, 0, 0, 0, 4, 0, 0, 0, 1, 0}, kChannelDisconnected},
        {"more output than asked for", {0, 0, 0, 0, 8, 0, 0, 0, 1, 2, 3, 4, 5, 6, 7, 8}, kChannelBadFrame},
        {"a length beyond any buffer", {0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF}, kChannelBadFrame},
        {"success with two bytes of a state", {0, 0, 0, 0, 2, 0, 0, 0, 1, 0}, kChannelBadFrame},
        {"nothing at all", {}, kChannelDisconnected},
    };
    for (const Row& row : rows) {
        RawPeer peer(runDir_.Path(), row.reply);
        RadioDevice device;
        ASSERT_EQ(device.OpenRadioDevice(), S_OK) << row.legend;
        uint32_t state[3] = {0xAAAAAAAA, 0, 0xAAAAAAAA};  // guards around the one state
        EXPECT_EQ(device.QueryRadioState(kIoctlGetRadioState, &state[1]), row.expected) << row.legend;
        EXPECT_EQ(state[1], kRadioStateUnknown) << row.legend;
        EXPECT_EQ(state[0], 0xAAAAAAAAu) << row.legend;
        EXPECT_EQ(state[2], 0xAAAAAAAAu) << row.legend;
        device.Close();
        std::filesystem::remove(DeviceInterfaceClassDir(runDir_.Path(), kRadioDeviceInterface) / "0");
    }
}

TEST_F(RadioDeviceTest, HostChecksRequestLengthsAndCutsOutput) {
    DeviceInterfaceServer server({[](uint64_t, const ChannelRequest&) {
                                      return ChannelReply{S_OK, std::vector<uint8_t>(200, 0x5A)};
                                  },
                                  nullptr});
    ASSERT_EQ(server.Publish(runDir_.Path(), kRadioDeviceInterface), 0);
    DeviceInterfaceHandle handle;
    ASSERT_EQ(DeviceInterfaceHandle::Open(server.Entry(), &handle), S_OK);
    std::vector<uint8_t> out(100 + 4, 0xAA);
    size_t information = 0;
    EXPECT_EQ(handle.IoControl(1, {}, std::span(out).first(100), &information), S_OK);
    EXPECT_EQ(information, 100u);
    EXPECT_EQ(out[99], 0x5A);
    EXPECT_EQ(out[100], 0xAA);

    // A buffer above the cap is refused before anything is sent ...
    std::vector<uint8_t> huge(kChannelMaxBuffer + 1);
    EXPECT_EQ(handle.IoControl(1, huge, {}, &information), E_INVALIDARG);
    // ... and a peer that announces one anyway is answered with an error and cut off.
    UnixFd raw = ConnectUnixSocket(server.Entry());
    ASSERT_TRUE(raw.Valid());
    const uint8_t header[] = {1, 0, 0, 0, 0, 0, 2, 0, 0, 0, 0, 0};  // input length 128 KiB
    ASSERT_EQ(SendAll(raw.Get(), header), 0);
    uint8_t reply[kChannelReplyHeaderBytes];
    ASSERT_EQ(ReceiveAll(raw.Get(), reply), 0);
    EXPECT_EQ(static_cast<HRESULT>(reply[0] | reply[1] << 8 | reply[2] << 16 |
                                   static_cast<uint32_t>(reply[3]) << 24),
              kChannelBadFrame);
    uint8_t more = 0;
    EXPECT_EQ(ReceiveAll(raw.Get(), std::span(&more, 1)), -ECONNRESET);
}

}  // namespace
}  // namespace geolumen::testing
