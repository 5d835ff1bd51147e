// The whole data road, as the host runs it: a position indication written by the simulated module, the
// USB reader, the message stack, the session worker, the sensor's data fields, the event thread, the
// class extension and the host's socket, up to the client's DATA_UPDATED read off the socket. One report
// every 10 ms; prints the latency's p50, p99 and maximum, and the CPU time the host side spent per report
// (the process's CPU time less this thread's, which plays the module and the client).
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "host/sensor_client.h"
#include "host/sensor_server.h"
#include "platform/driver_host.h"
#include "sensor/sensor_keys.h"
#include "sim/sim_demo_fix.h"
#include "sim/sim_location_service.h"
#include "sim/sim_module.h"
#include "sim/sim_usb_target.h"

namespace {

using namespace geolumen;
using Clock = std::chrono::steady_clock;

constexpr int kWarmUpReports = 50;
constexpr int kReports = 2000;
constexpr auto kReportPeriod = std::chrono::milliseconds(10);
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

}  // namespace

int main() {
    const auto dir = std::filesystem::temp_directory_path() / ("geolumen-road-" + std::to_string(::getpid()));
    std::filesystem::remove_all(dir);
    setenv("GEOLUMEN_STATE_DIR", (dir / "state").c_str(), 1);

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
    auto target = std::make_shared<sim::SimUsbTarget>(module);

    std::string error;
    auto library = DriverLibrary::Open(GEOLUMEN_LIBRARY_PATH, &error);
    if (!library) return Fail(error.c_str());
    int status = 0;
    {
        DriverHost driverHost(library->Entry(), "USB\\VID_0000&PID_0000\\ROAD", nullptr);
        driverHost.SetUsbTarget(target);
        host::SensorServer server(nullptr);
        driverHost.AddDeviceExtension(server.ClientHost());
        if (FAILED(driverHost.LoadDriver()) || FAILED(driverHost.AddDevice())) return Fail("driver not loaded");
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

        const sim::SimPosition fix = sim::DemoFix();
        std::vector<double> latencyUs;
        latencyUs.reserve(kReports);
        double processStart = 0;
        double threadStart = 0;
        auto next = Clock::now();
        for (int i = 0; i < kWarmUpReports + kReports && status == 0; ++i) {
            if (i == kWarmUpReports) {
                processStart = CpuSeconds(CLOCK_PROCESS_CPUTIME_ID);
                threadStart = CpuSeconds(CLOCK_THREAD_CPUTIME_ID);
            }
            std::this_thread::sleep_until(next);
            next += kReportPeriod;
            const auto written = Clock::now();
            service->SendPosition(fix);
            if (!ReadDataEvent(client)) {
                status = Fail("a report did not arrive");
                break;
            }
            const auto read = Clock::now();
            if (i >= kWarmUpReports) {
                latencyUs.push_back(std::chrono::duration<double, std::micro>(read - written).count());
            }
        }
        const double hostCpu = (CpuSeconds(CLOCK_PROCESS_CPUTIME_ID) - processStart) -
                               (CpuSeconds(CLOCK_THREAD_CPUTIME_ID) - threadStart);
        if (status == 0) {
            std::sort(latencyUs.begin(), latencyUs.end());
            auto at = [&](double q) { return latencyUs[static_cast<size_t>(q * (latencyUs.size() - 1))]; };
            std::printf("reports: %zu at one per %lld ms\n", latencyUs.size(),
                        static_cast<long long>(kReportPeriod.count()));
            std::printf("indication written -> DATA_UPDATED read: p50 %.1f us, p99 %.1f us, max %.1f us\n",
                        at(0.50), at(0.99), latencyUs.back());
            std::printf("host CPU per report: %.1f us\n", hostCpu / static_cast<double>(latencyUs.size()) * 1e6);
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
    std::filesystem::remove_all(dir);
    return status;
}
