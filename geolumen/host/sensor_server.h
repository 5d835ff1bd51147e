#pragma once
// The host's sensor socket: stands in for the platform's sensor service. Each connection is one client
// file object; its requests (host/sensor_protocol.h) go to the sensor's callbacks, and the events and
// state changes the driver posts are pushed to every subscribed connection.
//
// One I/O thread accepts, reads and answers; posts from the driver's event thread are encoded once and
// written straight to each subscribed socket without blocking. What a socket does not take is queued up
// to a bound per client; a client past it is disconnected (a log line says so), so a client that stops
// reading holds up neither the others nor the driver.

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "host/sensor_protocol.h"
#include "platform/accept_gate.h"
#include "platform/secure_files.h"
#include "platform/sensor_client_host.h"
#include "platform/wdf_host.h"

namespace geolumen::host {

// About a hundred data events with NMEA sentences, on top of what the socket itself buffers: a client
// this far behind has stopped reading.
inline constexpr size_t kMaxQueuedBytesPerClient = 256 * 1024;
// Far more than one sensor has users; a bound so that a flood of connections cannot use up the host's
// descriptors. The host's --max-clients changes it; a client beyond it is refused with kErrorTooManyClients.
inline constexpr size_t kMaxClients = 64;
// A client sends its connect request as soon as it is connected; one that has not got it through in this
// time (silent, or stopped inside its first message) has stalled, and would hold a slot for ever. Five
// seconds leave room for a loaded machine. A connected client may be quiet as long as it likes.
inline constexpr std::chrono::milliseconds kConnectTimeout{5000};

class SensorServer {
  public:
    using Log = std::function<void(const std::string& line)>;
    // Called with a closing client's file object before it is disconnected: the device's file cleanup.
    using FileCleanup = std::function<void(IWDFFile* file)>;

    struct Limits {
        size_t maxQueuedBytes = kMaxQueuedBytesPerClient;
        size_t maxClients = kMaxClients;
        std::chrono::milliseconds connectTimeout = kConnectTimeout;
    };

    explicit SensorServer(Log log, size_t maxQueuedBytes = kMaxQueuedBytesPerClient)
        : SensorServer(std::move(log), Limits{maxQueuedBytes}) {}
    SensorServer(Log log, Limits limits);
    ~SensorServer();
    SensorServer(const SensorServer&) = delete;
    SensorServer& operator=(const SensorServer&) = delete;

    // Listens at `path` with mode 0660 (a socket of ours left there by an earlier run is replaced; anything
    // else there is refused and left alone) and starts the I/O thread. The folder is checked as the host's
    // run directory. 0 or -errno, with `why` saying what was refused.
    [[nodiscard]] int Start(const std::filesystem::path& path, std::string* why = nullptr);
    // Ends every connection as CloseAllClients does, stops the thread and removes the socket file.
    void Stop();

    // The ISensorClientHost to add to the framework device; the class extension attaches the sensor.
    [[nodiscard]] ComPtr<IUnknown> ClientHost() const;
    void SetFileCleanup(FileCleanup cleanup);
    // Ends every connection the way a closing client does (file cleanup, unsubscribe, disconnect) and
    // returns when that is done.
    void CloseAllClients();

    // Pushes a state change to every subscribed client, as the driver's posts do; the host's own for a
    // sensor whose device has gone.
    HRESULT PostStateChange(uint32_t state);

    [[nodiscard]] size_t ClientCount();
    [[nodiscard]] const std::filesystem::path& Path() const { return path_; }

  private:
    class Link;
    friend class Link;
    struct Connection;

    // ISensorClientHost, through Link.
    HRESULT Attach(ISensorDriver* driver);
    void Detach();
    HRESULT PostEvent(IPortableDeviceValuesCollection* events);

    void Run();
    // Runs `task` on the I/O thread (inline when there is none, or when called from it) and waits.
    void RunOnIoThread(const std::function<void()>& task);
    void Wake();
    void Accept();
    // Ends the connections that have not connected in time; the time to look again, if any.
    [[nodiscard]] std::optional<std::chrono::steady_clock::time_point> CloseStalled();
    void ReadFrom(Connection& connection);
    void HandleMessage(Connection& connection, const Message& message);
    void ReplyError(Connection& connection, uint32_t requestId, HRESULT hr, const char* text);
    // Closes the socket; with the sensor attached, cleanup, unsubscribe and disconnect follow.
    void Close(Connection* connection, bool tellDriver);
    void CloseAll(bool tellDriver);
    // Under mutex_: sends what the socket takes, queues the rest up to the bound.
    void SendLocked(Connection& connection, std::span<const uint8_t> bytes, std::vector<std::string>& logs);
    void FlushLocked(Connection& connection);
    // To every subscribed connection.
    void Broadcast(std::span<const uint8_t> bytes);
    // Log lines gathered under the lock, written after it.
    void Say(const std::vector<std::string>& lines);
    [[nodiscard]] ComPtr<ISensorDriver> Driver();

    const Log log_;
    const Limits limits_;
    ComPtr<ISensorClientHost> link_;
    std::filesystem::path path_;
    CheckedFolder folder_;  // the socket's folder, held open: the socket is removed through it
    int listenFd_ = -1;
    int wakeFd_ = -1;
    // The I/O thread's: rests the listener when the process runs out of descriptors.
    AcceptGate gate_;
    // The I/O thread's: a refusal was logged, and the next ones are not until a client leaves, so that
    // a flood cannot flood the log as well.
    bool quietRefusals_ = false;
    std::thread thread_;

    std::mutex mutex_;
    ComPtr<ISensorDriver> driver_;
    FileCleanup fileCleanup_;
    std::vector<std::unique_ptr<Connection>> connections_;
    bool stop_ = false;
    bool ioRunning_ = false;  // the I/O thread takes tasks
    std::thread::id ioThreadId_;
    uint64_t nextClient_ = 1;
    // Tasks for the I/O thread and the count of those done, for RunOnIoThread.
    std::vector<std::function<void()>> tasks_;
    uint64_t tasksQueued_ = 0;
    uint64_t tasksDone_ = 0;
    std::condition_variable tasksCv_;

    // The event thread's encoding buffer, reused for every post.
    std::mutex postMutex_;
    std::vector<uint8_t> postBuffer_;
    // The I/O thread's reply buffer.
    std::vector<uint8_t> replyBuffer_;
};

}  // namespace geolumen::host
