// Floods of connections against a real host process held to a low descriptor or process limit: on the
// device interface until descriptors run out, on the device interface with requests that announce
// their largest body, and on the sensor socket past its client limit. After each flood a sensor client
// and the radio tool are served within a second, and ten rounds leave the host with no more threads,
// descriptors or memory than one round did.
#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <fstream>
#include <functional>
#include <sstream>
#include <thread>

#include "host/host_e2e_fixture.h"
#include "host/sensor_protocol.h"
#include "platform/device_interface_channel.h"

namespace geolumen::host {
namespace {

using Clock = std::chrono::steady_clock;

// What a healthy client after a flood is given, as the issue asks.
constexpr auto kServeBound = 1000ms;
constexpr int kRounds = 10;
// An unused user and group for the process-limit flood: the limit counts that user's threads only.
constexpr uid_t kFloodUid = 64123;
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
// The sanitizers' allocators keep freed memory in quarantine for a while.
constexpr long kRssMarginKb = 48 * 1024;
#else
constexpr long kRssMarginKb = 4 * 1024;
#endif

const char* const kRadioInterface = "{4C2BC2BF-BA90-4BD2-AF0A-79FBD09CF1CB}";

// The limits and the user the host runs under, applied between fork and exec.
struct ChildLimits {
    rlim_t files = 0;      // RLIMIT_NOFILE; 0 keeps it
    rlim_t processes = 0;  // RLIMIT_NPROC; 0 keeps it
    uid_t uid = 0;         // 0 stays root
};

int ApplyLimits(const void* context) {
    const auto& limits = *static_cast<const ChildLimits*>(context);
    const rlimit files{limits.files, limits.files};
    const rlimit processes{limits.processes, limits.processes};
    if (limits.files && ::setrlimit(RLIMIT_NOFILE, &files) != 0) return 120;
    if (limits.processes && ::setrlimit(RLIMIT_NPROC, &processes) != 0) return 121;
    if (limits.uid != 0 &&
        (::setgroups(0, nullptr) != 0 || ::setresgid(limits.uid, limits.uid, limits.uid) != 0 ||
         ::setresuid(limits.uid, limits.uid, limits.uid) != 0))
        return 122;
    return 0;
}

// Connects without waiting; a full backlog is tried again until `giveUp`. Invalid when it stays full.
UnixFd ConnectNow(const std::filesystem::path& path, Clock::time_point giveUp) {
    const UnixSocketAddress address(path);
    while (address.Valid()) {
        UnixFd fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
        if (::connect(fd.Get(), address.Get(), address.Size()) == 0) return fd;
        if (errno != EAGAIN || Clock::now() > giveUp) break;
        std::this_thread::sleep_for(1ms);
    }
    return UnixFd();
}

// Up to `count` connections within half a second, each sent `bytes`; fewer when the host stops taking them.
std::vector<UnixFd> Flood(const std::filesystem::path& path, size_t count,
                          const std::vector<uint8_t>& bytes) {
    std::vector<UnixFd> peers;
    const auto giveUp = Clock::now() + 500ms;
    for (size_t i = 0; i < count; ++i) {
        UnixFd fd = ConnectNow(path, giveUp);
        if (!fd.Valid()) break;
        if (!bytes.empty()) (void)::send(fd.Get(), bytes.data(), bytes.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
        peers.push_back(std::move(fd));
    }
    return peers;
}

// The peers that were sent exactly `expected` first, read until `want` of them were or `bound` passed.
size_t CountAnswered(std::vector<UnixFd>& peers, const std::vector<uint8_t>& expected, size_t want,
                     std::chrono::milliseconds bound) {
    std::vector<std::vector<uint8_t>> got(peers.size());
    const auto end = Clock::now() + bound;
    size_t matching = 0;
    for (;;) {
        matching = 0;
        for (size_t i = 0; i < peers.size(); ++i) {
            uint8_t buffer[256];
            const ssize_t n = ::recv(peers[i].Get(), buffer, sizeof buffer, MSG_DONTWAIT);
            if (n > 0) got[i].insert(got[i].end(), buffer, buffer + n);
            if (got[i].size() >= expected.size() &&
                std::equal(expected.begin(), expected.end(), got[i].begin()))
                ++matching;
        }
        if (matching >= want || Clock::now() >= end) return matching;
        std::this_thread::sleep_for(5ms);
    }
}

// The host's figures once its thread count has held still for half a second: the driver starts some of
// its threads a while after the device, and those are no growth.
ProcessSample Steady(pid_t pid) {
    ProcessSample sample = SampleProcess(pid);
    auto since = Clock::now();
    for (const auto end = since + 5s; Clock::now() - since < 500ms && Clock::now() < end;) {
        std::this_thread::sleep_for(50ms);
        const ProcessSample next = SampleProcess(pid);
        if (next.threads != sample.threads) since = Clock::now();
        sample = next;
    }
    return sample;
}

// Samples until the host holds at least `fds` descriptors, or a bound passed.
ProcessSample AtLeast(pid_t pid, size_t fds) {
    ProcessSample sample = SampleProcess(pid);
    for (const auto end = Clock::now() + 2s; sample.fds < fds && Clock::now() < end;) {
        std::this_thread::sleep_for(10ms);
        sample = SampleProcess(pid);
    }
    return sample;
}

class FloodEndToEnd : public HostEndToEnd {
  protected:
    std::unique_ptr<ChildProcess> StartLimitedHost(const ChildLimits& limits,
                                                   std::vector<std::string> extra) {
        limits_ = limits;
        if (limits.uid != 0) {
            // The host's own folders belong to the user it runs as.
            EXPECT_EQ(::chown(base_.c_str(), limits.uid, limits.uid), 0);
        }
        std::vector<std::string> args = {"--run-dir", RunDir(), "--state-dir", (base_ / "state").string()};
        args.insert(args.end(), extra.begin(), extra.end());
        auto host = std::make_unique<ChildProcess>(GEOLUMEN_HOST_PATH, args, ApplyLimits, &limits_);
        EXPECT_TRUE(host->WaitForLine("sensor clients: " + RunDir(), kStartBound)) << Dump(*host);
        return host;
    }
    std::filesystem::path Interface() const { return base_ / "run" / "interfaces" / kRadioInterface / "0"; }
    std::filesystem::path Sensor() const { return base_ / "run" / "sensor.sock"; }

    // After a flood: a sensor client reads the properties and the radio tool the radio state, each in a
    // process of its own, both done within a second.
    void ExpectServedWithinASecond(ChildProcess& host) {
        const auto start = Clock::now();
        // The tools run as the host's user: they trust a run directory of their own user's or root's only.
        toolUser_ = ChildLimits{0, 0, limits_.uid};
        auto client = std::make_unique<ChildProcess>(
            GEOLUMEN_CLIENT_PATH, std::vector<std::string>{"--run-dir", RunDir(), "--properties"},
            ApplyLimits, &toolUser_);
        ChildProcess radio(GEOLUMEN_RADIO_PATH, {"--run-dir", RunDir(), "--timeout", "1", "get"}, ApplyLimits,
                           &toolUser_);
        EXPECT_EQ(client->Wait(kServeBound), 0) << Dump(*client) << Dump(host);
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(start + kServeBound - Clock::now());
        EXPECT_EQ(radio.Wait(std::max(left, 0ms)), 0) << Dump(radio) << Dump(host);
        EXPECT_NE(Dump(radio).find("GNSS radio: on"), std::string::npos) << Dump(radio);
    }

    // The host's figures once the connections of a round have gone: its descriptors back to `fds`, or
    // whatever they are after a bound.
    static ProcessSample Settled(pid_t pid, size_t fds) {
        ProcessSample sample = SampleProcess(pid);
        for (const auto end = Clock::now() + 2s; sample.fds > fds && Clock::now() < end;) {
            std::this_thread::sleep_for(10ms);
            sample = SampleProcess(pid);
        }
        return sample;
    }

    // Ten rounds of `attack`, whose connections end when it returns them: after each the host serves
    // within a second, and the last round leaves it as the first did.
    void Rounds(ChildProcess& host, const ProcessSample& idle,
                const std::function<std::vector<UnixFd>(int round)>& attack) {
        ProcessSample first;
        for (int round = 0; round < kRounds; ++round) {
            SCOPED_TRACE("round " + std::to_string(round));
            if (attack(round).empty()) return;
            ExpectServedWithinASecond(host);
            const ProcessSample sample = Settled(host.Pid(), idle.fds);
            if (round == 0) first = sample;
            if (round < kRounds - 1) continue;
            EXPECT_EQ(sample.threads, first.threads);
            EXPECT_EQ(sample.fds, first.fds);
            EXPECT_LE(sample.rssKb, first.rssKb + kRssMarginKb);
        }
    }

    static void Stop(ChildProcess& host) {
        host.Signal(SIGTERM);
        EXPECT_EQ(host.Wait(kExitBound), 0) << Dump(host);
    }

    ChildLimits limits_;
    ChildLimits toolUser_;
};

// The device interface is flooded until the host has no descriptor left: it rests instead of spinning,
// and serves again as soon as the flood ends.
TEST_F(FloodEndToEnd, DescriptorExhaustionOnTheDeviceInterface) {
    // The host needs about twenty descriptors of its own; a few more are left for the flood to take.
    constexpr rlim_t kFiles = 48;
    auto host = StartLimitedHost({kFiles, 0, 0}, {"--max-clients", "200"});
    const pid_t pid = host->Pid();
    // Served once first, so that what the host starts lazily is running before it is counted.
    ExpectServedWithinASecond(*host);
    const ProcessSample idle = Steady(pid);
    ASSERT_LT(idle.fds + 8, kFiles) << "the host needs more descriptors than the test leaves it";
    Rounds(*host, idle, [&](int round) {
        auto peers = Flood(Interface(), 200, {});
        EXPECT_GE(AtLeast(pid, kFiles - 2).fds, kFiles - 2) << "the flood did not use up the descriptors";
        if (round == 0) {
            // A spinning accept loop would burn the whole second (100 ticks); resting costs next to none.
            const long before = SampleProcess(pid).cpuTicks;
            std::this_thread::sleep_for(1s);
            EXPECT_LE(SampleProcess(pid).cpuTicks - before, 10);
        }
        return peers;
    });
    Stop(*host);
}

// Requests that announce a 64 KiB body and send one byte of it, more of them than the host takes, under
// a process limit the old thread per connection would break: the threads stay as they were, memory
// grows by what came rather than by what was announced, and the connections past the limit are told so.
TEST_F(FloodEndToEnd, AnnouncedBodiesOnTheDeviceInterfaceUnderAProcessLimit) {
    if (::geteuid() != 0) GTEST_SKIP() << "a process limit binds only a user other than root";
    constexpr size_t kMaxClients = 200;
    constexpr size_t kPeers = 260;
    auto host = StartLimitedHost({0, 64, kFloodUid}, {"--max-clients", std::to_string(kMaxClients)});
    const pid_t pid = host->Pid();
    ExpectServedWithinASecond(*host);
    const ProcessSample idle = Steady(pid);
    ASSERT_GT(idle.threads, 0u) << Dump(*host);
    // Code 1, input 64 KiB, output 4, then one byte of the input.
    const std::vector<uint8_t> request = {1, 0, 0, 0, 0, 0, 1, 0, 4, 0, 0, 0, 0x5A};
    const std::vector<uint8_t> busy = EncodeChannelReply(ChannelReply{kChannelTooManyHandles, {}});
    Rounds(*host, idle, [&](int) {
        auto peers = Flood(Interface(), kPeers, request);
        EXPECT_EQ(peers.size(), kPeers);
        EXPECT_EQ(CountAnswered(peers, busy, kPeers - kMaxClients, 3s), kPeers - kMaxClients);
        const ProcessSample flooded = SampleProcess(pid);
        EXPECT_EQ(flooded.threads, idle.threads);
        // 200 bodies allocated as announced would be 12.5 MiB.
        EXPECT_LE(flooded.rssKb, idle.rssKb + 2 * kRssMarginKb);
        return peers;
    });
    Stop(*host);
}

// Idle connections on the sensor socket, more than its limit, beside a subscribed client that waits for
// data: the extra ones are refused at once with a reason, the subscriber is never dropped.
TEST_F(FloodEndToEnd, IdleConnectionsOnTheSensorSocket) {
    constexpr size_t kMaxClients = 8;
    constexpr size_t kPeers = 40;
    auto host = StartLimitedHost({64, 0, 0}, {"--max-clients", std::to_string(kMaxClients)});
    const pid_t pid = host->Pid();
    auto subscriber = StartClient({"--interval", "1000"});
    ASSERT_TRUE(subscriber->WaitForLine("\"event\":\"DATA_UPDATED\"", kReportBound)) << Dump(*subscriber);
    ExpectServedWithinASecond(*host);
    const ProcessSample idle = Steady(pid);
    std::vector<uint8_t> refusal;
    MessageWriter writer(refusal);
    writer.Begin(MessageType::kError, 0);
    writer.PutI32(HRESULT_FROM_WIN32(ERROR_BUSY));
    writer.PutText(kErrorTooManyClients);
    ASSERT_TRUE(writer.Finish());
    Rounds(*host, idle, [&](int) {
        auto peers = Flood(Sensor(), kPeers, {});
        EXPECT_EQ(peers.size(), kPeers);
        // The subscriber holds one slot; the peers take the others, and every one after them is told why.
        EXPECT_EQ(CountAnswered(peers, refusal, kPeers - (kMaxClients - 1), 3s), kPeers - (kMaxClients - 1));
        return peers;
    });
    // Quiet for all that time, the subscriber is still served.
    const size_t seen = subscriber->Lines().size();
    EXPECT_TRUE(subscriber->WaitForLine("\"event\":\"DATA_UPDATED\"", kReportBound, seen))
        << Dump(*subscriber);
    Stop(*host);
    EXPECT_EQ(subscriber->Wait(kExitBound), 1) << Dump(*subscriber);
}

}  // namespace
}  // namespace geolumen::host
