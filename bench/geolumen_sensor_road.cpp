// The whole data road, as the host runs it: a position indication written by the simulated module, the
// USB reader, the message stack, the session worker, the sensor's data fields, the event thread, the
// class extension and the host's socket, up to the client's DATA_UPDATED read off the socket. Runs at 10
// and at 100 reports a second, with the module behind the simulated USB target and behind a raw
// pseudo-terminal standing for /dev/cdc-wdmN (a byte stream, as the kernel driver gives it); prints the
// latency's p50, p99 and maximum, and the CPU time the host side spent per report (the process's CPU time
// less that of the threads which play the module and the client). `sim` or `pty` as the argument runs
// one back end alone, `floor` the floor alone.
//
// The floor: the same number of thread hand-offs as the host's road (interrupt pipe -> USB reader -> slot
// thread -> PositionThread -> event thread -> client), each one wake-up on a condition variable and no work
// at all, at the same rates. What a wake-up costs depends on the machine (on a virtual machine an idle
// virtual CPU is woken through the hypervisor), so the road's figures are to be read against this one.
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "halyx/halyx_mux.h"
#include "host/sensor_client.h"
#include "host/sensor_server.h"
#include "platform/cdc_wdm_usb_target.h"
#include "platform/driver_host.h"
#include "sensor/sensor_keys.h"
#include "sim/sim_demo_fix.h"
#include "sim/sim_location_service.h"
#include "sim/sim_module.h"
#include "sim/sim_pty_module.h"
#include "sim/sim_usb_target.h"

namespace {

using namespace geolumen;
using Clock = std::chrono::steady_clock;

constexpr int kWarmUpReports = 50;
struct Rate {
    std::chrono::milliseconds period;
    int reports;  // about twenty seconds' worth at 100/s, thirty at 10/s
};
constexpr Rate kRates[] = {{std::chrono::milliseconds(100), 300}, {std::chrono::milliseconds(10), 2000}};
// A report that takes this long has been lost; the run stops rather than hang.
constexpr auto kReportBound = std::chrono::seconds(5);

double CpuSeconds(clockid_t clock) {
    timespec t{};
    clock_gettime(clock, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

int Fail(const char* what) {
    std::fprintf(stderr, "geolumen_sensor_road: %s\n", what);
    return 1;
}

// Waits for the next DATA_UPDATED on the client's socket; false when none came in time.
bool ReadDataEvent(host::SensorClient& client) {
    const auto deadline = Clock::now() + kReportBound;
    for (;;) {
        host::ReceivedMessage message;
        if (client.Receive(message, deadline) != 1) return false;
        if (message.type == host::MessageType::kEvent) return true;
    }
}

bool Request(host::SensorClient& client, host::MessageType type,
             const std::function<void(host::MessageWriter&)>& body = {}) {
    uint32_t id = 0;
    if (client.Send(type, body, &id) != 0) return false;
    host::ReceivedMessage message;
    while (client.Receive(message, Clock::now() + kReportBound) == 1) {
        if (message.requestId == id) return message.type == host::MessageType::kReply;
    }
    return false;
}

// The module on a raw pseudo-terminal's master side; the driver gets the slave end as its device file.
// Commands are cut out of the stream by their multiplex length; each response is written whole when the
// module announces it, on the thread that made the module send it.
class PtyModule {
  public:
    explicit PtyModule(sim::SimModule& module) : module_(module) {}
    ~PtyModule() {
        module_.SetNotifier(nullptr);
        if (thread_.joinable()) {
            (void)!::write(stop_[1], "s", 1);
            thread_.join();
        }
        for (int fd : {master_, stop_[0], stop_[1]}) {
            if (fd >= 0) ::close(fd);
        }
    }
    PtyModule(const PtyModule&) = delete;
    PtyModule& operator=(const PtyModule&) = delete;

    // The driver's end, or null when no pseudo-terminal could be set up.
    std::shared_ptr<UsbTarget> Open() {
        int slave = -1;
        if (::openpty(&master_, &slave, nullptr, nullptr, nullptr) != 0) return nullptr;
        termios raw{};
        if (::tcgetattr(slave, &raw) != 0) return nullptr;
        ::cfmakeraw(&raw);
        if (::tcsetattr(slave, TCSANOW, &raw) != 0 || ::pipe2(stop_, O_CLOEXEC) != 0) return nullptr;
        auto target = std::make_shared<CdcWdmUsbTarget>(slave);
        target->SetFrameRule(&halyx_mux_frame_check);
        module_.SetNotifier([this] { WriteResponse(); });
        thread_ = std::thread([this] { sim::ServeStreamCommands(master_, stop_[0], module_); });
        pthread_getcpuclockid(thread_.native_handle(), &readerClock_);
        return target;
    }
    // CPU time of the thread that plays the module's command side.
    [[nodiscard]] double CpuSeconds() const;

  private:
    void WriteResponse() { sim::WriteNextResponse(module_, master_, response_); }

    sim::SimModule& module_;
    int master_ = -1;
    int stop_[2] = {-1, -1};
    std::vector<std::uint8_t> response_ = std::vector<std::uint8_t>(8192);
    std::thread thread_;
    clockid_t readerClock_ = CLOCK_THREAD_CPUTIME_ID;
};

double PtyModule::CpuSeconds() const { return thread_.joinable() ? ::CpuSeconds(readerClock_) : 0; }

struct Figures {
    double p50 = 0, p99 = 0, max = 0, hostCpuUs = 0;
    std::size_t reports = 0;
};

void Summarise(std::vector<double>& latencyUs, Figures& out) {
    std::sort(latencyUs.begin(), latencyUs.end());
    auto at = [&](double q) {
        return latencyUs[static_cast<size_t>(q * static_cast<double>(latencyUs.size() - 1))];
    };
    out.reports = latencyUs.size();
    out.p50 = at(0.50);
    out.p99 = at(0.99);
    out.max = latencyUs.back();
}

void Print(const char* name, const Rate& rate, const Figures& f, const char* road) {
    std::printf(
        "%s, %lld reports/s, %zu reports: %s: p50 %.1f us, p99 %.1f us, max %.1f us; host CPU per "
        "report %.1f us\n",
        name, static_cast<long long>(1000 / rate.period.count()), f.reports, road, f.p50, f.p99, f.max,
        f.hostCpuUs);
    std::fflush(stdout);
}

// Paces `report` at the rate, warm-up first, and fills the latency and CPU figures. `report` starts one
// report and waits for its end (false: it never came); `otherCpu` is the CPU time, in seconds, of threads
// that are not the host's (the measuring thread's own is always left out).
bool Pace(const Rate& rate, const std::function<bool()>& report, const std::function<double()>& otherCpu,
          Figures& out) {
    std::vector<double> latencyUs;
    latencyUs.reserve(static_cast<std::size_t>(rate.reports));
    double processStart = 0;
    double threadStart = 0;
    double otherStart = 0;
    auto next = Clock::now();
    for (int i = 0; i < kWarmUpReports + rate.reports; ++i) {
        if (i == kWarmUpReports) {
            processStart = CpuSeconds(CLOCK_PROCESS_CPUTIME_ID);
            threadStart = CpuSeconds(CLOCK_THREAD_CPUTIME_ID);
            otherStart = otherCpu();
        }
        std::this_thread::sleep_until(next);
        next += rate.period;
        const auto written = Clock::now();
        if (!report()) return false;
        if (i >= kWarmUpReports) {
            latencyUs.push_back(std::chrono::duration<double, std::micro>(Clock::now() - written).count());
        }
    }
    const double hostCpu = (CpuSeconds(CLOCK_PROCESS_CPUTIME_ID) - processStart) -
                           (CpuSeconds(CLOCK_THREAD_CPUTIME_ID) - threadStart) - (otherCpu() - otherStart);
    out.hostCpuUs = hostCpu / static_cast<double>(latencyUs.size()) * 1e6;
    Summarise(latencyUs, out);
    return true;
}

// The bare chain: kFloorHops threads, each waking the next; the last hop wakes the measuring thread, as the
// host's socket wakes the client. Host CPU is every thread's but the measuring one's.
constexpr int kFloorHops = 5;

int RunFloor(const Rate& rate) {
    struct Hop {
        std::mutex mutex;
        std::condition_variable cv;
        long long sequence = 0;
    };
    std::vector<Hop> hops(kFloorHops + 1);
    std::vector<std::thread> threads;
    for (int i = 0; i < kFloorHops; ++i) {
        threads.emplace_back([&hops, i] {
            long long seen = 0;
            for (;;) {
                {
                    std::unique_lock lock(hops[i].mutex);
                    hops[i].cv.wait(lock, [&] { return hops[i].sequence != seen; });
                    seen = hops[i].sequence;
                }
                if (seen < 0) return;
                {
                    std::lock_guard lock(hops[i + 1].mutex);
                    ++hops[i + 1].sequence;
                }
                hops[i + 1].cv.notify_one();
            }
        });
    }
    auto signal = [&hops](int i, long long value) {
        {
            std::lock_guard lock(hops[i].mutex);
            hops[i].sequence = value < 0 ? value : hops[i].sequence + 1;
        }
        hops[i].cv.notify_one();
    };
    long long sent = 0;
    Figures f;
    (void)Pace(
        rate,
        [&] {
            signal(0, 1);
            std::unique_lock lock(hops[kFloorHops].mutex);
            ++sent;
            hops[kFloorHops].cv.wait(lock, [&] { return hops[kFloorHops].sequence == sent; });
            return true;
        },
        [] { return 0.0; }, f);
    for (int i = 0; i < kFloorHops; ++i) signal(i, -1);
    for (auto& t : threads) t.join();
    Print("floor", rate, f, "5 bare hand-offs + the client's wake-up");
    return 0;
}

// Runs one rate on a subscribed client; 0 on success.
int RunRate(const Rate& rate, sim::SimLocationService& service, host::SensorClient& client,
            const PtyModule* pty, Figures& out) {
    const sim::SimPosition fix = sim::DemoFix();
    const bool arrived = Pace(
        rate,
        [&] {
            service.SendPosition(fix);
            return ReadDataEvent(client);
        },
        [pty] { return pty ? pty->CpuSeconds() : 0.0; }, out);
    return arrived ? 0 : Fail("a report did not arrive");
}

// One back end from device add to removal, every rate on it; 0 on success.
int RunBackEnd(bool onPty, const std::filesystem::path& dir) {
    const char* name = onPty ? "pty" : "sim";
    sim::SimModule module;
    auto service = std::make_unique<sim::SimLocationService>(module);
    std::mutex sessionMutex;
    std::condition_variable sessionChanged;
    bool sessionRunning = false;
    service->SetSessionObserver([&](bool running, uint32_t, uint32_t) {
        std::lock_guard lock(sessionMutex);
        sessionRunning = running;
        sessionChanged.notify_all();
    });
    std::unique_ptr<PtyModule> pty;
    std::shared_ptr<UsbTarget> target;
    if (onPty) {
        pty = std::make_unique<PtyModule>(module);
        target = pty->Open();
        if (!target) return Fail("no pseudo-terminal");
    } else {
        target = std::make_shared<sim::SimUsbTarget>(module);
    }

    std::string error;
    auto library = DriverLibrary::Open(GEOLUMEN_LIBRARY_PATH, &error);
    if (!library) return Fail(error.c_str());
    int status = 0;
    {
        DriverHost driverHost(library->Entry(), "USB\\VID_0000&PID_0000\\ROAD", nullptr);
        driverHost.SetUsbTarget(target);
        host::SensorServer server(nullptr);
        driverHost.AddDeviceExtension(server.ClientHost());
        if (FAILED(driverHost.LoadDriver()) || FAILED(driverHost.AddDevice()))
            return Fail("driver not loaded");
        if (auto device = driverHost.Device()) {
            server.SetFileCleanup([device](IWDFFile* file) {
                if (auto cleanup = device->FileCleanup()) cleanup->OnCleanupFile(file);
            });
        }
        if (FAILED(driverHost.StartDevice())) return Fail("device not started");
        if (server.Start(dir / "sensor.sock") != 0) return Fail("socket not served");

        host::SensorClient client;
        if (client.Connect(dir / "sensor.sock") != 0 || !Request(client, host::MessageType::kConnect) ||
            !Request(client, host::MessageType::kSubscribe)) {
            return Fail("client not subscribed");
        }
        {
            std::unique_lock lock(sessionMutex);
            if (!sessionChanged.wait_for(lock, kReportBound, [&] { return sessionRunning; })) {
                return Fail("no session started");
            }
        }
        for (const Rate& rate : kRates) {
            Figures f;
            status = RunRate(rate, *service, client, pty.get(), f);
            if (status != 0) break;
            Print(name, rate, f, "indication written -> DATA_UPDATED read");
        }
        client.Close();
        server.CloseAllClients();
        (void)driverHost.RemoveDevice(false);
        server.Stop();
        (void)driverHost.UnloadDriver();
    }
    // The module's reports stop before the back end that announces them goes.
    service.reset();
    target.reset();
    pty.reset();
    return status;
}

}  // namespace

int main(int argc, char** argv) {
    const auto dir = std::filesystem::temp_directory_path() / ("geolumen-road-" + std::to_string(::getpid()));
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    setenv("GEOLUMEN_STATE_DIR", (dir / "state").c_str(), 1);
    const char* only = argc > 1 ? argv[1] : nullptr;
    int status = 0;
    if (!only || std::strcmp(only, "floor") == 0) {
        for (const Rate& rate : kRates) (void)RunFloor(rate);
    }
    for (const bool onPty : {false, true}) {
        if (only && std::strcmp(only, onPty ? "pty" : "sim") != 0) continue;
        status = RunBackEnd(onPty, dir);
        if (status != 0) break;
    }
    std::filesystem::remove_all(dir);
    return status;
}
