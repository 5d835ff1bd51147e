#include "host/sensor_server.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <optional>

#include "host/run_dir.h"
#include "platform/secure_files.h"
#include "sensor/sensor_keys.h"

namespace geolumen::host {

// ---- the interface the class extension finds on the device ----

class SensorServer::Link final : public ComObject<ISensorClientHost> {
  public:
    explicit Link(SensorServer* server) : server_(server) {}

    HRESULT AttachSensorDriver(ISensorDriver* driver) override {
        if (!driver) return E_POINTER;
        std::lock_guard lock(mutex_);
        return server_ ? server_->Attach(driver) : E_UNEXPECTED;
    }
    void DetachSensorDriver() override {
        std::lock_guard lock(mutex_);
        if (server_) server_->Detach();
    }
    HRESULT PostEvent(const char* sensorId, IPortableDeviceValuesCollection* events) override {
        if (!sensorId || !events) return E_POINTER;
        std::lock_guard lock(mutex_);
        return server_ ? server_->PostEvent(events) : S_OK;
    }
    HRESULT PostStateChange(const char* sensorId, uint32_t state) override {
        if (!sensorId) return E_POINTER;
        std::lock_guard lock(mutex_);
        return server_ ? server_->PostStateChange(state) : S_OK;
    }

    // The server is going: the driver may still hold this object, but nothing reaches the server.
    void Cut() {
        std::lock_guard lock(mutex_);
        server_ = nullptr;
    }

  private:
    std::mutex mutex_;
    SensorServer* server_;
};

struct SensorServer::Connection {
    int fd = -1;
    uint64_t number = 0;  // for log lines
    ComPtr<HostFile> file = MakeCom<HostFile>();
    MessageSplitter in;
    // Bytes the socket did not take yet; the first `outSent` of them are written.
    std::vector<uint8_t> out;
    size_t outSent = 0;
    // Changed by the I/O thread under the lock; read by posters under it.
    bool connected = false;
    bool subscribed = false;
    // Subscriptions the sensor holds for this client: it counts every subscribe and only an unsubscribe
    // takes one back (a disconnect does not), so a close gives back each one it still holds.
    uint32_t sensorSubscriptions = 0;
    // Set when the socket failed or the client fell too far behind; the I/O thread closes it.
    bool closing = false;
    // Until its connect request has gone through; the I/O thread's.
    std::optional<std::chrono::steady_clock::time_point> connectBy;

    [[nodiscard]] size_t Pending() const { return out.size() - outSent; }
};

namespace {

// Bytes read from one socket per round, so that one busy client cannot starve the others.
constexpr size_t kReadChunk = 16 * 1024;
constexpr int kListenBacklog = 16;

// What a request handler works with: the driver, the client, the request's body and the reply to fill.
// Changes to the connection's flags are handed back and applied under the server's lock.
struct Call {
    ISensorDriver& driver;
    IWDFFile* file;
    MessageReader& in;
    MessageWriter& out;
    std::optional<bool> connected;
    std::optional<bool> subscribed;
    int subscriptionChange = 0;  // +1 for a subscribe the sensor took, -1 for an unsubscribe
};

// False: the body was malformed and nothing was called.
using Handler = bool (*)(Call& call);

bool NoBody(Call& call) { return call.in.Done(); }

ComPtr<IPortableDeviceKeyCollection> MakeKeys(const KeyList& keys) {
    ComPtr<IPortableDeviceKeyCollection> collection;
    if (FAILED(CreatePortableDeviceKeyCollection(collection.ReleaseAndGetAddressOf()))) return nullptr;
    for (const PROPERTYKEY& key : keys) (void)collection->Add(key);
    return collection;
}

void PutResultKeys(Call& call, HRESULT hr, IPortableDeviceKeyCollection* keys) {
    call.out.PutI32(hr);
    if (!keys || !call.out.PutKeys(keys)) call.out.PutU32(0);
}

void PutResultValues(Call& call, HRESULT hr, IPortableDeviceValues* values) {
    call.out.PutI32(hr);
    if (!values || !call.out.PutValues(values)) call.out.PutU32(0);
}

// The four client life-cycle slots: no body, the result only, and the connection's flag they change.
using ClientSlot = HRESULT (ISensorDriver::*)(IWDFFile*, const char*);
enum class Effect { kConnected, kDisconnected, kSubscribed, kUnsubscribed };

template <ClientSlot slot, Effect effect>
bool ClientCall(Call& call) {
    if (!NoBody(call)) return false;
    const HRESULT hr = (call.driver.*slot)(call.file, kSensorObjectId);
    if (SUCCEEDED(hr)) {
        switch (effect) {
            case Effect::kConnected:
                call.connected = true;
                break;
            case Effect::kDisconnected:
                // A disconnected client gets no more events, whatever it subscribed to.
                call.connected = call.subscribed = false;
                break;
            case Effect::kSubscribed:
                call.subscribed = true;
                call.subscriptionChange = 1;
                break;
            case Effect::kUnsubscribed:
                call.subscribed = false;
                call.subscriptionChange = -1;
                break;
        }
    }
    call.out.PutI32(hr);
    return true;
}

using SupportedKeysSlot = HRESULT (ISensorDriver::*)(const char*, IPortableDeviceKeyCollection**);

template <SupportedKeysSlot slot>
bool SupportedKeys(Call& call) {
    if (!NoBody(call)) return false;
    ComPtr<IPortableDeviceKeyCollection> keys;
    const HRESULT hr = (call.driver.*slot)(kSensorObjectId, keys.ReleaseAndGetAddressOf());
    PutResultKeys(call, hr, keys.Get());
    return true;
}

bool SupportedEvents(Call& call) {
    if (!NoBody(call)) return false;
    GUID* events = nullptr;
    uint32_t count = 0;
    const HRESULT hr = call.driver.OnGetSupportedEvents(kSensorObjectId, &events, &count);
    call.out.PutI32(hr);
    if (!events) count = 0;
    call.out.PutU32(count);
    for (uint32_t i = 0; i < count; ++i) call.out.PutGuid(events[i]);
    CoTaskMemFree(events);
    return true;
}

using ReadSlot = HRESULT (ISensorDriver::*)(IWDFFile*, const char*, IPortableDeviceKeyCollection*,
                                            IPortableDeviceValues**);

// Properties and data fields alike: keys in, one value or error per key out.
template <ReadSlot slot>
bool ReadValues(Call& call) {
    const KeyList keys = call.in.GetKeys();
    if (!call.in.Done()) return false;
    auto collection = MakeKeys(keys);
    ComPtr<IPortableDeviceValues> values;
    const HRESULT hr = collection ? (call.driver.*slot)(call.file, kSensorObjectId, collection.Get(),
                                                        values.ReleaseAndGetAddressOf())
                                  : E_OUTOFMEMORY;
    PutResultValues(call, hr, values.Get());
    return true;
}

bool SetProperties(Call& call) {
    const ValueList entries = call.in.GetValues();
    if (!call.in.Done()) return false;
    ComPtr<IPortableDeviceValues> values;
    HRESULT hr = CreatePortableDeviceValues(values.ReleaseAndGetAddressOf());
    for (const auto& [key, value] : entries) {
        if (SUCCEEDED(hr)) hr = values->SetValue(key, value);
    }
    ComPtr<IPortableDeviceValues> results;
    if (SUCCEEDED(hr)) {
        hr = call.driver.OnSetProperties(call.file, kSensorObjectId, values.Get(),
                                         results.ReleaseAndGetAddressOf());
    }
    PutResultValues(call, hr, results.Get());
    return true;
}

bool SensorObjects(Call& call) {
    if (!NoBody(call)) return false;
    ComPtr<IPortableDeviceValuesCollection> objects;
    const HRESULT hr = call.driver.OnGetSupportedSensorObjects(objects.ReleaseAndGetAddressOf());
    call.out.PutI32(hr);
    uint32_t count = 0;
    if (!objects || FAILED(objects->GetCount(&count))) count = 0;
    call.out.PutU32(count);
    for (uint32_t i = 0; i < count; ++i) {
        ComPtr<IPortableDeviceValues> values;
        if (FAILED(objects->GetAt(i, values.ReleaseAndGetAddressOf())) || !call.out.PutValues(values.Get())) {
            call.out.PutU32(0);
        }
    }
    return true;
}

struct RequestRow {
    MessageType type;
    Handler handler;
};

constexpr RequestRow kRequests[] = {
    {MessageType::kConnect, ClientCall<&ISensorDriver::OnClientConnect, Effect::kConnected>},
    {MessageType::kDisconnect, ClientCall<&ISensorDriver::OnClientDisconnect, Effect::kDisconnected>},
    {MessageType::kSubscribe, ClientCall<&ISensorDriver::OnClientSubscribeToEvents, Effect::kSubscribed>},
    {MessageType::kUnsubscribe,
     ClientCall<&ISensorDriver::OnClientUnsubscribeFromEvents, Effect::kUnsubscribed>},
    {MessageType::kGetSupportedProperties, SupportedKeys<&ISensorDriver::OnGetSupportedProperties>},
    {MessageType::kGetSupportedDataFields, SupportedKeys<&ISensorDriver::OnGetSupportedDataFields>},
    {MessageType::kGetSupportedEvents, SupportedEvents},
    {MessageType::kGetProperties, ReadValues<&ISensorDriver::OnGetProperties>},
    {MessageType::kSetProperties, SetProperties},
    {MessageType::kGetDataFields, ReadValues<&ISensorDriver::OnGetDataFields>},
    {MessageType::kGetSensorObjects, SensorObjects},
};

}  // namespace

// ---- life ----

SensorServer::SensorServer(Log log, Limits limits) : log_(std::move(log)), limits_(limits) {
    link_ = MakeCom<Link>(this);
}

SensorServer::~SensorServer() {
    Stop();
    static_cast<Link*>(link_.Get())->Cut();
}

ComPtr<IUnknown> SensorServer::ClientHost() const { return ComPtr<IUnknown>(link_.Get()); }

void SensorServer::SetFileCleanup(FileCleanup cleanup) {
    std::lock_guard lock(mutex_);
    fileCleanup_ = std::move(cleanup);
}

int SensorServer::Start(const std::filesystem::path& path, std::string* why) {
    if (thread_.joinable()) return -EALREADY;
    if (!path.has_filename()) return -ENAMETOOLONG;
    // The socket's folder is the host's: created 0750, refused when it is a link, another user's or
    // writable by others; the socket is then made and later removed through the folder's descriptor.
    folder_ = OpenCheckedFolder(path.has_parent_path() ? path.parent_path() : ".", HostRunDirRules());
    if (!folder_.Valid()) {
        if (why) *why = folder_.text;
        return folder_.error;
    }
    UnixFd listener;
    if (const int r = ListenInFolder(folder_, path.filename().string(), 0660, SOCK_NONBLOCK, kListenBacklog,
                                     &listener, why);
        r != 0) {
        return r;
    }
    const int fd = listener.Release();
    const int wake = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (wake < 0) {
        const int error = errno;
        ::close(fd);
        (void)RemoveFolderSocket(folder_, path.filename().string(), ::geteuid());
        return -error;
    }
    listenFd_ = fd;
    wakeFd_ = wake;
    path_ = path;
    {
        std::lock_guard lock(mutex_);
        stop_ = false;
        ioRunning_ = true;
    }
    thread_ = std::thread([this] { Run(); });
    return 0;
}

void SensorServer::Stop() {
    if (thread_.joinable()) {
        CloseAllClients();
        {
            std::lock_guard lock(mutex_);
            stop_ = true;
        }
        Wake();
        thread_.join();
    }
    // Clients that came in while the thread stopped.
    CloseAll(true);
    if (listenFd_ >= 0) {
        ::close(listenFd_);
        listenFd_ = -1;
        (void)RemoveFolderSocket(folder_, path_.filename().string(), ::geteuid());
    }
    if (wakeFd_ >= 0) {
        ::close(wakeFd_);
        wakeFd_ = -1;
    }
}

void SensorServer::CloseAllClients() {
    RunOnIoThread([this] { CloseAll(true); });
}

size_t SensorServer::ClientCount() {
    std::lock_guard lock(mutex_);
    return connections_.size();
}

// ---- the class extension's side ----

HRESULT SensorServer::Attach(ISensorDriver* driver) {
    {
        std::lock_guard lock(mutex_);
        driver_ = ComPtr<ISensorDriver>(driver);
    }
    if (log_) log_("sensor clients: sensor attached");
    return S_OK;
}

void SensorServer::Detach() {
    {
        std::lock_guard lock(mutex_);
        if (!driver_) return;
        driver_.Reset();
    }
    // Once this has run on the I/O thread no call into the sensor is left: that thread is the only caller.
    RunOnIoThread([this] { CloseAll(false); });
    if (log_) log_("sensor clients: sensor detached");
}

ComPtr<ISensorDriver> SensorServer::Driver() {
    std::lock_guard lock(mutex_);
    return driver_;
}

HRESULT SensorServer::PostEvent(IPortableDeviceValuesCollection* events) {
    std::lock_guard post(postMutex_);
    {
        std::lock_guard lock(mutex_);
        if (std::none_of(connections_.begin(), connections_.end(),
                         [](const auto& c) { return c->subscribed; }))
            return S_OK;
    }
    // Encoded here and now: the driver refills the same value set for its next event.
    postBuffer_.clear();
    MessageWriter writer(postBuffer_);
    uint32_t count = 0;
    if (FAILED(events->GetCount(&count))) return E_INVALIDARG;
    for (uint32_t i = 0; i < count; ++i) {
        ComPtr<IPortableDeviceValues> values;
        writer.Begin(MessageType::kEvent, 0);
        if (FAILED(events->GetAt(i, values.ReleaseAndGetAddressOf())) || !writer.PutValues(values.Get())) {
            writer.Abandon();
        } else {
            (void)writer.Finish();
        }
    }
    Broadcast(postBuffer_);
    return S_OK;
}

HRESULT SensorServer::PostStateChange(uint32_t state) {
    std::lock_guard post(postMutex_);
    postBuffer_.clear();
    MessageWriter writer(postBuffer_);
    writer.Begin(MessageType::kStateChanged, 0);
    writer.PutU32(state);
    (void)writer.Finish();
    Broadcast(postBuffer_);
    return S_OK;
}

// ---- sending ----

void SensorServer::Broadcast(std::span<const uint8_t> bytes) {
    std::vector<std::string> logs;
    {
        std::lock_guard lock(mutex_);
        for (auto& connection : connections_) {
            if (connection->subscribed) SendLocked(*connection, bytes, logs);
        }
    }
    Say(logs);
}

void SensorServer::Say(const std::vector<std::string>& lines) {
    if (!log_) return;
    for (const auto& line : lines) log_(line);
}

void SensorServer::SendLocked(Connection& connection, std::span<const uint8_t> bytes,
                              std::vector<std::string>& logs) {
    if (connection.closing || bytes.empty()) return;
    const size_t pending = connection.Pending();
    if (pending == 0) {
        const ssize_t sent = ::send(connection.fd, bytes.data(), bytes.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (sent == static_cast<ssize_t>(bytes.size())) return;
        if (sent < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
            connection.closing = true;
            Wake();
            return;
        }
        bytes = bytes.subspan(sent > 0 ? static_cast<size_t>(sent) : 0);
        connection.out.clear();
        connection.outSent = 0;
    }
    if (pending + bytes.size() > limits_.maxQueuedBytes) {
        connection.closing = true;
        logs.push_back("sensor client " + std::to_string(connection.number) +
                       " is not reading: disconnected with " + std::to_string(pending) + " bytes queued");
        Wake();
        return;
    }
    connection.out.insert(connection.out.end(), bytes.begin(), bytes.end());
    // The I/O thread watches for room on this socket from its next round.
    if (pending == 0) Wake();
}

void SensorServer::FlushLocked(Connection& connection) {
    while (connection.Pending() > 0 && !connection.closing) {
        const ssize_t sent = ::send(connection.fd, connection.out.data() + connection.outSent,
                                    connection.Pending(), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (sent > 0) {
            connection.outSent += static_cast<size_t>(sent);
        } else if (sent < 0 && errno == EINTR) {
            continue;
        } else if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            break;
        } else {
            connection.closing = true;
        }
    }
    if (connection.Pending() == 0) {
        connection.out.clear();
        connection.outSent = 0;
    }
}

void SensorServer::Wake() {
    const uint64_t one = 1;
    if (wakeFd_ >= 0) (void)!::write(wakeFd_, &one, sizeof one);
}

// ---- the I/O thread ----

void SensorServer::RunOnIoThread(const std::function<void()>& task) {
    std::unique_lock lock(mutex_);
    if (!ioRunning_ || std::this_thread::get_id() == ioThreadId_) {
        lock.unlock();
        task();
        return;
    }
    tasks_.push_back(task);
    const uint64_t ticket = ++tasksQueued_;
    lock.unlock();
    Wake();
    lock.lock();
    tasksCv_.wait(lock, [&] { return tasksDone_ >= ticket; });
}

void SensorServer::Run() {
    {
        std::lock_guard lock(mutex_);
        ioThreadId_ = std::this_thread::get_id();
    }
    std::vector<pollfd> fds;
    std::vector<Connection*> polled;
    std::vector<Connection*> closing;
    for (;;) {
        fds.clear();
        polled.clear();
        closing.clear();
        const auto now = std::chrono::steady_clock::now();
        std::optional<std::chrono::steady_clock::time_point> wakeAt = CloseStalled();
        const bool listening = gate_.Open(now);
        if (!listening && (!wakeAt || gate_.RestsUntil() < *wakeAt)) wakeAt = gate_.RestsUntil();
        fds.push_back({wakeFd_, POLLIN, 0});
        fds.push_back({listenFd_, static_cast<short>(listening ? POLLIN : 0), 0});
        bool stop = false;
        {
            std::lock_guard lock(mutex_);
            stop = stop_;
            for (auto& connection : connections_) {
                if (connection->closing) {
                    closing.push_back(connection.get());
                    continue;
                }
                const short events = POLLIN | (connection->Pending() > 0 ? POLLOUT : 0);
                fds.push_back({connection->fd, events, 0});
                polled.push_back(connection.get());
            }
        }
        for (Connection* connection : closing) Close(connection, true);
        if (stop) break;
        if (!closing.empty()) continue;  // the list changed; poll the ones left

        int timeoutMs = -1;
        if (wakeAt) {
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(*wakeAt - now).count();
            timeoutMs = static_cast<int>(std::clamp<long long>(left, 0, 60'000));
        }
        if (::poll(fds.data(), fds.size(), timeoutMs) < 0) {
            if (errno == EINTR) continue;
            // Out of memory for the poll set: rest and try again rather than go deaf or spin.
            if (log_) log_(std::string("sensor clients: poll failed: ") + std::strerror(errno));
            std::this_thread::sleep_for(kAcceptBackoff);
            continue;
        }
        for (size_t i = 0; i < polled.size(); ++i) {
            const short revents = fds[i + 2].revents;
            if (revents == 0) continue;
            Connection* connection = polled[i];
            if (revents & POLLOUT) {
                std::lock_guard lock(mutex_);
                FlushLocked(*connection);
            }
            if (revents & (POLLIN | POLLHUP | POLLERR | POLLNVAL)) ReadFrom(*connection);
        }
        if (fds[1].revents & POLLIN) Accept();
        if (fds[0].revents & POLLIN) {
            uint64_t count = 0;
            (void)!::read(wakeFd_, &count, sizeof count);
        }
        std::vector<std::function<void()>> tasks;
        {
            std::lock_guard lock(mutex_);
            tasks.swap(tasks_);
        }
        for (const auto& task : tasks) task();
        if (!tasks.empty()) {
            std::lock_guard lock(mutex_);
            tasksDone_ += tasks.size();
            tasksCv_.notify_all();
        }
    }
    // Whatever was asked of this thread while it stopped still runs, so no caller waits for ever; later
    // callers run their tasks themselves.
    std::unique_lock lock(mutex_);
    while (!tasks_.empty()) {
        std::vector<std::function<void()>> tasks;
        tasks.swap(tasks_);
        lock.unlock();
        for (const auto& task : tasks) task();
        lock.lock();
        tasksDone_ += tasks.size();
        tasksCv_.notify_all();
    }
    ioRunning_ = false;
}

std::optional<std::chrono::steady_clock::time_point> SensorServer::CloseStalled() {
    const auto now = std::chrono::steady_clock::now();
    std::optional<std::chrono::steady_clock::time_point> next;
    std::vector<Connection*> stalled;
    {
        std::lock_guard lock(mutex_);
        for (auto& connection : connections_) {
            if (!connection->connectBy) continue;
            if (*connection->connectBy <= now) {
                stalled.push_back(connection.get());
            } else if (!next || *connection->connectBy < *next) {
                next = connection->connectBy;
            }
        }
    }
    for (Connection* connection : stalled) {
        if (log_)
            log_("sensor client " + std::to_string(connection->number) + ": not connected within " +
                 std::to_string(limits_.connectTimeout.count()) + " ms");
        Close(connection, true);
    }
    return next;
}

void SensorServer::Accept() {
    // The unasked answer of a connection the server does not take: one error message, which the new
    // socket has room for, before it is closed.
    const auto refuse = [](int fd) {
        std::vector<uint8_t> bytes;
        MessageWriter writer(bytes);
        writer.Begin(MessageType::kError, 0);
        writer.PutI32(HRESULT_FROM_WIN32(ERROR_BUSY));
        writer.PutText(kErrorTooManyClients);
        (void)writer.Finish();
        (void)::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
    };
    for (size_t taken = 0; taken < kAcceptsPerRound; ++taken) {
        UnixFd fd = gate_.Accept(listenFd_, std::chrono::steady_clock::now(), refuse);
        if (!fd.Valid()) {
            const int error = errno;
            if (!gate_.Open(std::chrono::steady_clock::now()) && !quietRefusals_ && log_)
                log_(std::string("sensor clients: cannot take a client: ") + std::strerror(error));
            quietRefusals_ = quietRefusals_ || !gate_.Open(std::chrono::steady_clock::now());
            return;
        }
        size_t count = 0;
        {
            std::lock_guard lock(mutex_);
            count = connections_.size();
        }
        if (count >= limits_.maxClients) {
            refuse(fd.Get());
            if (!quietRefusals_ && log_)
                log_("sensor clients: " + std::to_string(count) + " connected; new ones are refused");
            quietRefusals_ = true;
            continue;
        }
        auto connection = std::make_unique<Connection>();
        connection->fd = fd.Release();
        connection->connectBy = std::chrono::steady_clock::now() + limits_.connectTimeout;
        uint64_t number = 0;
        {
            std::lock_guard lock(mutex_);
            number = connection->number = nextClient_++;
            connections_.push_back(std::move(connection));
        }
        if (log_) log_("sensor client " + std::to_string(number) + ": open");
    }
}

void SensorServer::ReadFrom(Connection& connection) {
    uint8_t chunk[kReadChunk];
    ssize_t got = 0;
    do {
        got = ::read(connection.fd, chunk, sizeof chunk);
    } while (got < 0 && errno == EINTR);
    if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return;
    if (got <= 0) {
        Close(&connection, true);
        return;
    }
    connection.in.Feed(std::span(chunk, static_cast<size_t>(got)));
    Message message;
    for (;;) {
        switch (connection.in.Next(message)) {
            case MessageSplitter::Result::kNeedMore:
                return;
            case MessageSplitter::Result::kShort:
                ReplyError(connection, 0, E_INVALIDARG, kErrorMalformed);
                break;
            case MessageSplitter::Result::kOversize:
                ReplyError(connection, 0, E_INVALIDARG, kErrorOversize);
                break;
            case MessageSplitter::Result::kMessage:
                HandleMessage(connection, message);
                break;
        }
    }
}

void SensorServer::ReplyError(Connection& connection, uint32_t requestId, HRESULT hr, const char* text) {
    replyBuffer_.clear();
    MessageWriter writer(replyBuffer_);
    writer.Begin(MessageType::kError, requestId);
    writer.PutI32(hr);
    writer.PutText(text);
    (void)writer.Finish();
    std::vector<std::string> logs;
    {
        std::lock_guard lock(mutex_);
        SendLocked(connection, replyBuffer_, logs);
    }
    Say(logs);
}

void SensorServer::HandleMessage(Connection& connection, const Message& message) {
    const RequestRow* row = nullptr;
    for (const RequestRow& candidate : kRequests) {
        if (candidate.type == message.type) row = &candidate;
    }
    if (!row) return ReplyError(connection, message.requestId, E_NOTIMPL, kErrorUnknown);
    auto driver = Driver();
    if (!driver) return ReplyError(connection, message.requestId, E_UNEXPECTED, kErrorNoSensor);

    replyBuffer_.clear();
    MessageWriter writer(replyBuffer_);
    writer.Begin(MessageType::kReply, message.requestId);
    MessageReader reader(message.body);
    Call call{*driver, connection.file.Get(), reader, writer, std::nullopt, std::nullopt};
    if (!row->handler(call)) return ReplyError(connection, message.requestId, E_INVALIDARG, kErrorMalformed);
    if (!writer.Finish()) {
        return ReplyError(connection, message.requestId, E_OUTOFMEMORY, kErrorReplyTooLong);
    }
    std::vector<std::string> logs;
    {
        std::lock_guard lock(mutex_);
        if (call.connected) connection.connected = *call.connected;
        if (connection.connected) connection.connectBy.reset();
        if (call.subscriptionChange > 0) ++connection.sensorSubscriptions;
        if (call.subscriptionChange < 0 && connection.sensorSubscriptions > 0)
            --connection.sensorSubscriptions;
        if (call.subscribed && *call.subscribed != connection.subscribed) {
            connection.subscribed = *call.subscribed;
            logs.push_back("sensor client " + std::to_string(connection.number) +
                           (connection.subscribed ? ": subscribed" : ": unsubscribed"));
        }
        SendLocked(connection, replyBuffer_, logs);
    }
    Say(logs);
}

void SensorServer::Close(Connection* connection, bool tellDriver) {
    std::unique_ptr<Connection> owned;
    FileCleanup cleanup;
    {
        std::lock_guard lock(mutex_);
        auto it = std::find_if(connections_.begin(), connections_.end(),
                               [&](const auto& c) { return c.get() == connection; });
        if (it == connections_.end()) return;
        owned = std::move(*it);
        connections_.erase(it);
        cleanup = fileCleanup_;
    }
    ::close(owned->fd);
    quietRefusals_ = false;
    // Said before the sensor hears of it, so that what the sensor does about it is logged after this.
    if (log_) log_("sensor client " + std::to_string(owned->number) + ": closed");
    auto driver = tellDriver ? Driver() : nullptr;
    if (driver) {
        // As the framework does for a closed handle: the device's file cleanup, then the sensor hears
        // that the client has gone.
        if (cleanup) cleanup(owned->file.Get());
        for (uint32_t i = 0; i < owned->sensorSubscriptions; ++i)
            (void)driver->OnClientUnsubscribeFromEvents(owned->file.Get(), kSensorObjectId);
        if (owned->connected) (void)driver->OnClientDisconnect(owned->file.Get(), kSensorObjectId);
    }
}

void SensorServer::CloseAll(bool tellDriver) {
    std::vector<Connection*> all;
    {
        std::lock_guard lock(mutex_);
        for (auto& connection : connections_) all.push_back(connection.get());
    }
    for (Connection* connection : all) Close(connection, tellDriver);
}

}  // namespace geolumen::host
