#pragma once
// A program the end-to-end tests run: started with its stdout and stderr on pipes, each read by a thread
// into lines that the test waits for with a bound.

#include <sys/types.h>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace geolumen::host::testing {

// What a running process holds, read from /proc: the tests' measure of growth across rounds.
struct ProcessSample {
    size_t threads = 0;
    size_t fds = 0;
    long rssKb = 0;
    long cpuTicks = 0;  // user and system time
};
[[nodiscard]] ProcessSample SampleProcess(pid_t pid);

class ChildProcess {
  public:
    using Clock = std::chrono::steady_clock;

    // Runs in the child between fork and exec, so only async-signal-safe calls: limits, another user.
    // A nonzero result ends the child with that exit code instead of starting the program.
    using InChild = int (*)(const void* context);

    // Starts `program` with `args`; Started() tells whether it runs.
    ChildProcess(const std::string& program, const std::vector<std::string>& args, InChild inChild = nullptr,
                 const void* context = nullptr);
    // Kills the program if it still runs.
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    [[nodiscard]] bool Started() const { return pid_ > 0; }
    [[nodiscard]] pid_t Pid() const { return pid_; }
    void Signal(int signal);
    // The exit code (128 + signal when killed by one), or nothing when it still ran after `bound`.
    [[nodiscard]] std::optional<int> Wait(std::chrono::milliseconds bound);

    // The index of the first stdout line at or after `from` that contains `text`, waiting up to `bound`.
    [[nodiscard]] std::optional<size_t> WaitForLine(const std::string& text, std::chrono::milliseconds bound,
                                                    size_t from = 0);
    [[nodiscard]] std::vector<std::string> Lines();
    [[nodiscard]] std::string Errors();

  private:
    void Read(int fd, bool errors);

    pid_t pid_ = -1;
    std::optional<int> status_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<std::string> lines_;
    std::string errors_;
    int readersDone_ = 0;  // pipes that reached their end
    std::thread outReader_;
    std::thread errReader_;
};

}  // namespace geolumen::host::testing
