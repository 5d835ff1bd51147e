#include "host/sensor_server.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <condition_variable>
#include <cstring>

#include "host/fake_sensor_driver.h"
#include "host/sensor_client.h"
#include "platform/sensor_class_extension.h"

namespace geolumen::host {
namespace {

using Clock = std::chrono::steady_clock;
using testing::FakeSensorDriver;

// Long enough for any loaded machine; a healthy run never waits this long.
constexpr auto kBound = std::chrono::seconds(10);

std::vector<uint8_t> Frame(MessageType type, uint32_t id,
                           const std::function<void(MessageWriter&)>& body = {}) {
    std::vector<uint8_t> bytes;
    MessageWriter writer(bytes);
    writer.Begin(type, id);
    if (body) body(writer);
    EXPECT_TRUE(writer.Finish());
    return bytes;
}

std::vector<uint8_t> Raw(std::initializer_list<std::vector<uint8_t>> parts) {
    std::vector<uint8_t> out;
    for (const auto& part : parts) out.insert(out.end(), part.begin(), part.end());
    return out;
}

std::vector<uint8_t> Le32(uint32_t v) {
    return {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v >> 16),
            static_cast<uint8_t>(v >> 24)};
}

class SensorServerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() /
               ("geolumen-server-" + std::to_string(::getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(dir_);
        server_ = std::make_unique<SensorServer>([this](const std::string& line) { Log(line); }, limits_);
        ASSERT_EQ(server_->Start(dir_ / "sensor.sock"), 0);
        ASSERT_EQ(server_->ClientHost().As(host_), S_OK);
        ASSERT_EQ(host_->AttachSensorDriver(driver_.Get()), S_OK);
    }
    void TearDown() override {
        server_.reset();
        std::filesystem::remove_all(dir_);
    }

    void Log(const std::string& line) {
        {
            std::lock_guard lock(logMutex_);
            logs_.push_back(line);
        }
        logChanged_.notify_all();
    }
    bool WaitForLog(const std::string& part) {
        std::unique_lock lock(logMutex_);
        return logChanged_.wait_for(lock, kBound, [&] {
            for (const auto& line : logs_)
                if (line.find(part) != std::string::npos) return true;
            return false;
        });
    }

    void Connect(SensorClient& client) { ASSERT_EQ(client.Connect(dir_ / "sensor.sock"), 0); }
    void SendRaw(SensorClient& client, const std::vector<uint8_t>& bytes) {
        ASSERT_EQ(::send(client.Fd(), bytes.data(), bytes.size(), MSG_NOSIGNAL),
                  static_cast<ssize_t>(bytes.size()));
    }
    ReceivedMessage Next(SensorClient& client) {
        ReceivedMessage message;
        EXPECT_EQ(client.Receive(message, Clock::now() + kBound), 1);
        return message;
    }
    // Sends a request and returns its reply's result, checking that the reply is the request's.
    HRESULT Request(SensorClient& client, MessageType type, std::vector<uint8_t>* body = nullptr,
                    const std::function<void(MessageWriter&)>& put = {}) {
        uint32_t id = 0;
        EXPECT_EQ(client.Send(type, put, &id), 0);
        ReceivedMessage reply = Next(client);
        EXPECT_EQ(reply.type, MessageType::kReply);
        EXPECT_EQ(reply.requestId, id);
        MessageReader reader(reply.body);
        const HRESULT hr = reader.GetI32();
        if (body) body->assign(reply.body.begin() + 4, reply.body.end());
        return hr;
    }
    void Subscribe(SensorClient& client) {
        Connect(client);
        EXPECT_EQ(Request(client, MessageType::kConnect), S_OK);
        EXPECT_EQ(Request(client, MessageType::kSubscribe), S_OK);
    }
    // One event with `count` entries, the data-updated id among them.
    static ComPtr<IPortableDeviceValuesCollection> DataEvent(IPortableDeviceValues** valuesOut = nullptr) {
        ComPtr<IPortableDeviceValues> values;
        EXPECT_EQ(CreatePortableDeviceValues(values.ReleaseAndGetAddressOf()), S_OK);
        (void)values->SetValue(SENSOR_EVENT_PARAMETER_EVENT_ID, SENSOR_EVENT_DATA_UPDATED);
        (void)values->SetValue(SENSOR_DATA_TYPE_LATITUDE_DEGREES, -33.8740234375);
        (void)values->SetValue(SENSOR_DATA_TYPE_NMEA_SENTENCE, std::string(900, 'N'));
        ComPtr<IPortableDeviceValuesCollection> collection;
        EXPECT_EQ(CreatePortableDeviceValuesCollection(collection.ReleaseAndGetAddressOf()), S_OK);
        (void)collection->Add(values.Get());
        if (valuesOut) *valuesOut = values.Detach();
        return collection;
    }

    SensorServer::Limits limits_;
    std::filesystem::path dir_;
    ComPtr<FakeSensorDriver> driver_ = MakeCom<FakeSensorDriver>();
    std::unique_ptr<SensorServer> server_;
    ComPtr<ISensorClientHost> host_;
    std::mutex logMutex_;
    std::condition_variable logChanged_;
    std::vector<std::string> logs_;
};

TEST_F(SensorServerTest, SocketIsGroupOnly) {
    struct stat st {};
    ASSERT_EQ(::stat((dir_ / "sensor.sock").c_str(), &st), 0);
    EXPECT_TRUE(S_ISSOCK(st.st_mode));
    EXPECT_EQ(st.st_mode & 0777, 0660u);
}

// Every row: what the client writes, and the messages it must get back, in order. Each row ends with a
// connect that must be answered: the host goes on after whatever came before.
TEST_F(SensorServerTest, FramingTable) {
    struct Expect {
        MessageType type;
        uint32_t id;
        HRESULT hr;
        const char* text;  // kError only
    };
    struct Row {
        const char* legend;
        std::vector<uint8_t> bytes;
        std::vector<Expect> replies;
        bool byteByByte = false;
    };
    const auto keyPast = [](MessageWriter& w) { w.PutU32(1000); };  // 1000 keys announced, none there
    const auto badType = [](MessageWriter& w) {
        w.PutU32(1);
        w.PutKey(SENSOR_PROPERTY_CURRENT_REPORT_INTERVAL);
        w.PutU16(0x7777);  // no such variant type
    };
    const std::vector<uint8_t> oversize =
        Raw({Le32(kMaxMessageBytes + 1), std::vector<uint8_t>(kMaxMessageBytes + 1, 0xAA)});
    const Row rows[] = {
        {"a plain connect", Frame(MessageType::kConnect, 7), {{MessageType::kReply, 7, S_OK, nullptr}}},
        {"length 0", Le32(0), {{MessageType::kError, 0, E_INVALIDARG, kErrorMalformed}}},
        {"length below type and id",
         Raw({Le32(3), {1, 2, 3}}),
         {{MessageType::kError, 0, E_INVALIDARG, kErrorMalformed}}},
        {"oversize, skipped whole", oversize, {{MessageType::kError, 0, E_INVALIDARG, kErrorOversize}}},
        {"unknown type, id echoed",
         Frame(static_cast<MessageType>(0x7F), 9),
         {{MessageType::kError, 9, E_NOTIMPL, kErrorUnknown}}},
        {"a host-to-client type",
         Frame(MessageType::kReply, 10),
         {{MessageType::kError, 10, E_NOTIMPL, kErrorUnknown}}},
        {"connect with a trailing byte",
         Frame(MessageType::kConnect, 11, [](MessageWriter& w) { w.PutU8(0); }),
         {{MessageType::kError, 11, E_INVALIDARG, kErrorMalformed}}},
        {"key count past the end",
         Frame(MessageType::kGetProperties, 12, keyPast),
         {{MessageType::kError, 12, E_INVALIDARG, kErrorMalformed}}},
        {"unknown variant type",
         Frame(MessageType::kSetProperties, 13, badType),
         {{MessageType::kError, 13, E_INVALIDARG, kErrorMalformed}}},
        {"two requests in one write",
         Raw({Frame(MessageType::kConnect, 14), Frame(MessageType::kSubscribe, 15)}),
         {{MessageType::kReply, 14, S_OK, nullptr}, {MessageType::kReply, 15, S_OK, nullptr}}},
        {"one request a byte at a time",
         Frame(MessageType::kConnect, 16),
         {{MessageType::kReply, 16, S_OK, nullptr}},
         true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.legend);
        SensorClient client;
        Connect(client);
        if (row.byteByByte) {
            for (uint8_t byte : row.bytes) SendRaw(client, {byte});
        } else {
            SendRaw(client, row.bytes);
        }
        for (const Expect& expect : row.replies) {
            ReceivedMessage message = Next(client);
            EXPECT_EQ(message.type, expect.type);
            EXPECT_EQ(message.requestId, expect.id);
            MessageReader reader(message.body);
            EXPECT_EQ(reader.GetI32(), expect.hr);
            if (expect.text) {
                EXPECT_EQ(reader.GetText(), expect.text);
            }
        }
        EXPECT_EQ(Request(client, MessageType::kConnect), S_OK);
    }
}

TEST_F(SensorServerTest, RequestsReachTheSensorSlots) {
    SensorClient client;
    Connect(client);
    std::vector<uint8_t> body;

    ASSERT_EQ(Request(client, MessageType::kGetSupportedProperties, &body), S_OK);
    MessageReader keys(body);
    const KeyList properties = keys.GetKeys();
    ASSERT_TRUE(keys.Done());
    ASSERT_EQ(properties.size(), kSensorPropertyKeys.size());
    for (size_t i = 0; i < properties.size(); ++i) EXPECT_EQ(properties[i], kSensorPropertyKeys[i].key);

    ASSERT_EQ(Request(client, MessageType::kGetSupportedEvents, &body), S_OK);
    MessageReader events(body);
    EXPECT_EQ(events.GetGuids(), std::vector<GUID>(kSensorEvents.begin(), kSensorEvents.end()));

    const KeyList asked = {SENSOR_PROPERTY_FRIENDLY_NAME, SENSOR_PROPERTY_MODEL};
    ASSERT_EQ(
        Request(client, MessageType::kGetProperties, &body, [&](MessageWriter& w) { w.PutKeys(asked); }),
        S_FALSE);
    MessageReader values(body);
    const ValueList got = values.GetValues();
    ASSERT_TRUE(values.Done());
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0].second, PropValue(std::string("Fake \"Sensor\"")));
    EXPECT_EQ(got[1].second, PropValue(ErrorValue{HRESULT_FROM_WIN32(ERROR_NOT_FOUND)}));

    const ValueList settings = {{SENSOR_PROPERTY_CURRENT_REPORT_INTERVAL, uint32_t{999}}};
    ASSERT_EQ(
        Request(client, MessageType::kSetProperties, &body, [&](MessageWriter& w) { w.PutValues(settings); }),
        S_FALSE);
    MessageReader refusals(body);
    EXPECT_EQ(refusals.GetValues(),
              (ValueList{{SENSOR_PROPERTY_CURRENT_REPORT_INTERVAL, ErrorValue{E_INVALIDARG}}}));

    ASSERT_EQ(Request(client, MessageType::kGetSensorObjects, &body), S_OK);
    MessageReader objects(body);
    ASSERT_EQ(objects.GetU32(), 1u);
    EXPECT_EQ(objects.GetValues(), (ValueList{{WPD_OBJECT_ID, std::string(kSensorObjectId)}}));

    EXPECT_EQ(driver_->Calls(),
              (std::vector<std::string>{"supported properties", "supported events", "get properties",
                                        "set SENSOR_PROPERTY_CURRENT_REPORT_INTERVAL=999", "objects"}));
}

TEST_F(SensorServerTest, EventsGoToSubscribersAsTheyWereAtPostTime) {
    SensorClient subscribed;
    SensorClient connectedOnly;
    Subscribe(subscribed);
    Connect(connectedOnly);
    EXPECT_EQ(Request(connectedOnly, MessageType::kConnect), S_OK);

    ComPtr<IPortableDeviceValues> values;
    auto event = DataEvent(values.ReleaseAndGetAddressOf());
    ASSERT_EQ(host_->PostEvent(kSensorObjectId, event.Get()), S_OK);
    // The driver reuses its value set for the next event at once.
    (void)values->SetValue(SENSOR_DATA_TYPE_LATITUDE_DEGREES, 1.0);
    ASSERT_EQ(host_->PostStateChange(kSensorObjectId, 3), S_OK);

    ReceivedMessage message = Next(subscribed);
    ASSERT_EQ(message.type, MessageType::kEvent);
    MessageReader reader(message.body);
    const ValueList fields = reader.GetValues();
    ASSERT_TRUE(reader.Done());
    ASSERT_EQ(fields.size(), 3u);
    EXPECT_EQ(fields[0].second, PropValue(SENSOR_EVENT_DATA_UPDATED));
    EXPECT_EQ(fields[1].second, PropValue(-33.8740234375));
    message = Next(subscribed);
    ASSERT_EQ(message.type, MessageType::kStateChanged);
    EXPECT_EQ(MessageReader(message.body).GetU32(), 3u);

    // Nothing reached the client that only connected: its next message is the reply to this request.
    EXPECT_EQ(Request(connectedOnly, MessageType::kGetSupportedDataFields), S_OK);
}

TEST_F(SensorServerTest, ClosedConnectionIsCleanupThenUnsubscribeThenDisconnect) {
    server_->SetFileCleanup([this](IWDFFile*) { driver_->Record("cleanup"); });
    {
        SensorClient client;
        Subscribe(client);
    }
    ASSERT_TRUE(driver_->WaitForCalls(5));
    EXPECT_EQ(driver_->Calls(),
              (std::vector<std::string>{"connect", "subscribe", "cleanup", "unsubscribe", "disconnect"}));

    // A client that never connected gets the cleanup only.
    driver_->ClearCalls();
    {
        SensorClient client;
        Connect(client);
        EXPECT_EQ(Request(client, MessageType::kGetSupportedEvents), S_OK);
    }
    ASSERT_TRUE(driver_->WaitForCalls(2));
    ASSERT_TRUE(WaitForLog("sensor client 2: closed"));
    EXPECT_EQ(driver_->Calls(), (std::vector<std::string>{"supported events", "cleanup"}));
}

// The sensor counts every subscribe and only an unsubscribe gives one back, so a closed connection must
// give back exactly what it still holds, whatever it asked before; otherwise the sensor keeps posting for a
// client that is gone.
TEST_F(SensorServerTest, AClosedConnectionGivesBackEverySubscriptionItHolds) {
    struct Row {
        const char* legend;
        std::vector<MessageType> requests;  // after connect
        size_t unsubscribesOnClose;
    } rows[] = {
        {"subscribed once", {MessageType::kSubscribe}, 1},
        {"subscribed twice", {MessageType::kSubscribe, MessageType::kSubscribe}, 2},
        {"subscribed, then disconnected", {MessageType::kSubscribe, MessageType::kDisconnect}, 1},
        {"subscribed and unsubscribed", {MessageType::kSubscribe, MessageType::kUnsubscribe}, 0},
        {"unsubscribed more than subscribed",
         {MessageType::kSubscribe, MessageType::kUnsubscribe, MessageType::kUnsubscribe},
         0},
        {"never subscribed", {}, 0},
    };
    size_t number = 0;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.legend);
        driver_->ClearCalls();
        {
            SensorClient client;
            Connect(client);
            EXPECT_EQ(Request(client, MessageType::kConnect), S_OK);
            for (MessageType type : row.requests) EXPECT_EQ(Request(client, type), S_OK);
        }
        ASSERT_TRUE(WaitForLog("sensor client " + std::to_string(++number) + ": closed"));
        const bool disconnected =
            std::count(row.requests.begin(), row.requests.end(), MessageType::kDisconnect);
        // Everything the close calls: the unsubscribes, then the disconnect of a client still connected.
        const size_t expected = 1 + row.requests.size() + row.unsubscribesOnClose + (disconnected ? 0 : 1);
        ASSERT_TRUE(driver_->WaitForCalls(expected));
        const auto calls = driver_->Calls();
        const auto afterRequests = calls.begin() + static_cast<long>(1 + row.requests.size());
        EXPECT_EQ(static_cast<size_t>(std::count(afterRequests, calls.end(), "unsubscribe")),
                  row.unsubscribesOnClose);
    }
}

TEST_F(SensorServerTest, DetachEndsEveryConnectionAndNoCallFollows) {
    SensorClient client;
    Subscribe(client);
    host_->DetachSensorDriver();
    ReceivedMessage message;
    EXPECT_EQ(client.Receive(message, Clock::now() + kBound), -ECONNRESET);
    EXPECT_EQ(server_->ClientCount(), 0u);
    // A late client is told there is no sensor.
    SensorClient late;
    Connect(late);
    uint32_t id = 0;
    ASSERT_EQ(late.Send(MessageType::kConnect, nullptr, &id), 0);
    message = Next(late);
    EXPECT_EQ(message.type, MessageType::kError);
    MessageReader reader(message.body);
    (void)reader.GetI32();
    EXPECT_EQ(reader.GetText(), kErrorNoSensor);
    EXPECT_EQ(driver_->Calls(), (std::vector<std::string>{"connect", "subscribe"}));
}

class SensorLimitsTest : public SensorServerTest {
  protected:
    static constexpr auto kConnectBound = std::chrono::milliseconds(300);
    SensorLimitsTest() { limits_ = {16 * 1024, 5, kConnectBound}; }
};

// Reads what the host sends until it closes: the messages, and whether it closed within `bound`.
std::pair<std::vector<ReceivedMessage>, bool> UntilClosed(SensorClient& client,
                                                          std::chrono::milliseconds bound) {
    std::vector<ReceivedMessage> messages;
    for (;;) {
        ReceivedMessage message;
        const int got = client.Receive(message, Clock::now() + bound);
        if (got == 1) {
            messages.push_back(std::move(message));
            continue;
        }
        return {std::move(messages), got < 0};
    }
}

// Every slot taken by one kind of peer: those that never get a connect request through are closed once
// their time is up, a connected one stays however quiet, and a client beyond the limit is told at once.
TEST_F(SensorLimitsTest, StalledPeersAreClosedConnectedOnesStayExtraOnesAreRefused) {
    struct Peer {
        const char* legend;
        std::vector<uint8_t> bytes;  // sent right after connecting
        bool connects;               // then connects and subscribes
        bool closed;                 // closed by the host after the connect bound
    };
    const std::vector<Peer> peers = {
        {"silent", {}, false, true},
        {"stopped inside the length", {9, 0}, false, true},
        {"stopped inside its first message", Raw({Le32(9), {0x01, 1, 0}}), false, true},
        {"asks, but never connects", Frame(MessageType::kGetSupportedEvents, 7), false, true},
        {"connected and subscribed, then quiet", {}, true, false},
    };
    std::vector<std::unique_ptr<SensorClient>> clients;
    for (const Peer& peer : peers) {
        clients.push_back(std::make_unique<SensorClient>());
        if (peer.connects) {
            Subscribe(*clients.back());
            continue;
        }
        Connect(*clients.back());
        if (!peer.bytes.empty()) SendRaw(*clients.back(), peer.bytes);
    }
    ASSERT_TRUE(WaitForLog("sensor client 5: subscribed"));
    // The limit is reached: the next client hears why before it sends a byte, long before any slot frees.
    const auto refusedAt = Clock::now();
    SensorClient extra;
    Connect(extra);
    auto [refusal, refusedClosed] = UntilClosed(extra, kBound);
    EXPECT_LT(Clock::now() - refusedAt, kConnectBound);
    EXPECT_TRUE(refusedClosed);
    ASSERT_EQ(refusal.size(), 1u);
    EXPECT_EQ(refusal[0].type, MessageType::kError);
    EXPECT_EQ(refusal[0].requestId, 0u);
    MessageReader reader(refusal[0].body);
    EXPECT_EQ(reader.GetI32(), HRESULT_FROM_WIN32(ERROR_BUSY));
    EXPECT_EQ(reader.GetText(), kErrorTooManyClients);

    for (size_t i = 0; i < peers.size(); ++i) {
        SCOPED_TRACE(peers[i].legend);
        if (!peers[i].closed) continue;
        auto [messages, closed] = UntilClosed(*clients[i], kBound);
        EXPECT_TRUE(closed);
    }
    // Well past every bound, the quiet subscriber is still served.
    std::this_thread::sleep_for(kConnectBound);
    ASSERT_EQ(host_->PostEvent(kSensorObjectId, DataEvent().Get()), S_OK);
    EXPECT_EQ(Next(*clients.back()).type, MessageType::kEvent);
    EXPECT_EQ(server_->ClientCount(), 1u);
    // The freed slots take new clients.
    SensorClient late;
    Connect(late);
    EXPECT_EQ(Request(late, MessageType::kConnect), S_OK);
}

class SlowReaderTest : public SensorServerTest {
  protected:
    SlowReaderTest() { limits_.maxQueuedBytes = 16 * 1024; }
};

// A client that never reads loses its connection once its queue is full; the reader next to it gets
// every event, and the posting thread never waits for either.
TEST_F(SlowReaderTest, StalledClientIsDroppedOthersGetEverything) {
    SensorClient stalled;
    SensorClient reader;
    Subscribe(stalled);
    Subscribe(reader);
    constexpr int kEvents = 2000;
    // The reader keeps up, as any client reading at the report rate does: the poster runs at most a few
    // events ahead of it. The stalled one falls behind by all of them.
    constexpr int kAhead = 4;
    std::mutex paceMutex;
    std::condition_variable paced;
    int received = 0;
    auto event = DataEvent();
    std::thread poster([&] {
        for (int i = 0; i < kEvents; ++i) {
            {
                std::unique_lock lock(paceMutex);
                if (!paced.wait_for(lock, kBound, [&] { return i - received <= kAhead; })) return;
            }
            (void)host_->PostEvent(kSensorObjectId, event.Get());
        }
    });
    for (;;) {
        ReceivedMessage message;
        if (reader.Receive(message, Clock::now() + kBound) != 1) break;
        if (message.type != MessageType::kEvent) continue;
        std::lock_guard lock(paceMutex);
        if (++received == kEvents) break;
        paced.notify_all();
    }
    poster.join();
    EXPECT_EQ(received, kEvents);
    EXPECT_TRUE(WaitForLog("sensor client 1 is not reading: disconnected with"));
    ASSERT_TRUE(driver_->WaitForCalls(6));  // two connects, two subscribes, then the stalled one's leave
    // The stalled client finds its connection ended once it reads what was sent before.
    ReceivedMessage message;
    int status = 1;
    while (status == 1) status = stalled.Receive(message, Clock::now() + kBound);
    EXPECT_TRUE(status == -ECONNRESET || status == -EPROTO);
}

// The class extension finds the server on the framework device, attaches the sensor and forwards posts.
TEST_F(SensorServerTest, ClassExtensionAttachesThroughTheDevice) {
    host_->DetachSensorDriver();
    auto device = MakeCom<HostDevice>("USB\\TEST", nullptr);
    device->AddExtension(server_->ClientHost());
    ComPtr<ISensorClassExtension> extension;
    ASSERT_EQ(CreateSensorClassExtension(extension.ReleaseAndGetAddressOf()), S_OK);
    ASSERT_EQ(extension->Initialize(static_cast<IWDFDevice*>(device.Get()),
                                    static_cast<ISensorDriver*>(driver_.Get())),
              S_OK);
    SensorClient client;
    Subscribe(client);
    auto event = DataEvent();
    ASSERT_EQ(extension->PostEvent(kSensorObjectId, event.Get()), S_OK);
    EXPECT_EQ(Next(client).type, MessageType::kEvent);
    ASSERT_EQ(extension->Uninitialize(), S_OK);
    ReceivedMessage message;
    EXPECT_EQ(client.Receive(message, Clock::now() + kBound), -ECONNRESET);
    (void)device->DeleteWdfObject();
}

TEST(SensorServerStart, RefusesALiveSocketAndReplacesAStaleOne) {
    const auto dir =
        std::filesystem::temp_directory_path() / ("geolumen-server-start-" + std::to_string(::getpid()));
    std::filesystem::remove_all(dir);
    SensorServer first(nullptr);
    ASSERT_EQ(first.Start(dir / "s.sock"), 0);
    SensorServer second(nullptr);
    EXPECT_EQ(second.Start(dir / "s.sock"), -EADDRINUSE);
    // A socket file nobody listens on any more, as a killed host leaves it.
    {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, (dir / "stale.sock").c_str(), sizeof address.sun_path - 1);
        ASSERT_EQ(::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
        ::close(fd);
    }
    EXPECT_EQ(second.Start(dir / "stale.sock"), 0);
    second.Stop();
    EXPECT_FALSE(std::filesystem::exists(dir / "stale.sock"));
    first.Stop();
    std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace geolumen::host
