#include "host/child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

extern char** environ;

namespace geolumen::host::testing {

namespace {

size_t CountEntries(const std::filesystem::path& dir) {
    std::error_code ec;
    size_t count = 0;
    for (std::filesystem::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) ++count;
    return count;
}

}  // namespace

ProcessSample SampleProcess(pid_t pid) {
    const std::filesystem::path proc = "/proc/" + std::to_string(pid);
    ProcessSample sample;
    sample.threads = CountEntries(proc / "task");
    sample.fds = CountEntries(proc / "fd");
    std::ifstream status(proc / "status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmRSS:", 0) == 0) sample.rssKb = std::stol(line.substr(6));
    }
    std::ifstream statFile(proc / "stat");
    std::string stat((std::istreambuf_iterator<char>(statFile)), std::istreambuf_iterator<char>());
    // Fields after the command's closing parenthesis: state is field 3; utime and stime are 14 and 15.
    std::istringstream fields(stat.substr(stat.rfind(')') + 2));
    std::string field;
    for (int n = 3; n <= 15 && fields >> field; ++n) {
        if (n >= 14) sample.cpuTicks += std::stol(field);
    }
    return sample;
}

ChildProcess::ChildProcess(const std::string& program, const std::vector<std::string>& args, InChild inChild,
                           const void* context) {
    int out[2];
    int err[2];
    if (::pipe2(out, O_CLOEXEC) != 0) return;
    if (::pipe2(err, O_CLOEXEC) != 0) {
        ::close(out[0]);
        ::close(out[1]);
        return;
    }
    std::vector<std::string> argvText = {program};
    argvText.insert(argvText.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& arg : argvText) argv.push_back(arg.data());
    argv.push_back(nullptr);
    pid_t pid = -1;
    if (inChild) {
        pid = ::fork();
        if (pid == 0) {
            ::dup2(out[1], STDOUT_FILENO);
            ::dup2(err[1], STDERR_FILENO);
            sigset_t none;
            sigemptyset(&none);
            ::sigprocmask(SIG_SETMASK, &none, nullptr);
            if (const int code = inChild(context); code != 0) ::_exit(code);
            ::execve(program.c_str(), argv.data(), environ);
            ::_exit(127);
        }
    } else {
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
        posix_spawn_file_actions_adddup2(&actions, err[1], STDERR_FILENO);
        // The test's blocked signals would be inherited; the host blocks what it needs itself.
        posix_spawnattr_t attributes;
        posix_spawnattr_init(&attributes);
        sigset_t none;
        sigemptyset(&none);
        posix_spawnattr_setsigmask(&attributes, &none);
        posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK);
        if (posix_spawn(&pid, program.c_str(), &actions, &attributes, argv.data(), environ) != 0) pid = -1;
        posix_spawn_file_actions_destroy(&actions);
        posix_spawnattr_destroy(&attributes);
    }
    ::close(out[1]);
    ::close(err[1]);
    pid_ = pid;
    outReader_ = std::thread([this, fd = out[0]] { Read(fd, false); });
    errReader_ = std::thread([this, fd = err[0]] { Read(fd, true); });
}

ChildProcess::~ChildProcess() {
    if (pid_ > 0 && !status_) {
        ::kill(pid_, SIGKILL);
        (void)Wait(std::chrono::seconds(10));
    }
    if (outReader_.joinable()) outReader_.join();
    if (errReader_.joinable()) errReader_.join();
}

void ChildProcess::Signal(int signal) {
    if (pid_ > 0 && !status_) ::kill(pid_, signal);
}

std::optional<int> ChildProcess::Wait(std::chrono::milliseconds bound) {
    if (status_) return status_;
    if (pid_ <= 0) return std::nullopt;
    // The exit closes the program's pipes: the readers see that first, then the program is reaped. A
    // program that closed them itself while it runs on is looked at again every little while.
    const auto deadline = Clock::now() + bound;
    {
        std::unique_lock lock(mutex_);
        changed_.wait_until(lock, deadline, [&] { return readersDone_ == 2; });
    }
    for (;;) {
        int status = 0;
        const pid_t done = ::waitpid(pid_, &status, WNOHANG);
        if (done == pid_) {
            status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            // Everything it wrote is read before the caller looks at it.
            std::unique_lock lock(mutex_);
            changed_.wait_until(lock, deadline, [&] { return readersDone_ == 2; });
            return status_;
        }
        if (done < 0 && errno != EINTR) return std::nullopt;
        if (Clock::now() >= deadline) return std::nullopt;
        std::unique_lock lock(mutex_);
        changed_.wait_for(lock, std::chrono::milliseconds(20));
    }
}

std::optional<size_t> ChildProcess::WaitForLine(const std::string& text, std::chrono::milliseconds bound,
                                                size_t from) {
    std::unique_lock lock(mutex_);
    std::optional<size_t> found;
    changed_.wait_for(lock, bound, [&] {
        for (size_t i = from; i < lines_.size(); ++i) {
            if (lines_[i].find(text) != std::string::npos) {
                found = i;
                return true;
            }
        }
        return false;
    });
    return found;
}

std::vector<std::string> ChildProcess::Lines() {
    std::lock_guard lock(mutex_);
    return lines_;
}

std::string ChildProcess::Errors() {
    std::lock_guard lock(mutex_);
    return errors_;
}

void ChildProcess::Read(int fd, bool errors) {
    std::string partial;
    char chunk[4096];
    for (;;) {
        const ssize_t got = ::read(fd, chunk, sizeof chunk);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        std::lock_guard lock(mutex_);
        if (errors) {
            errors_.append(chunk, static_cast<size_t>(got));
        } else {
            partial.append(chunk, static_cast<size_t>(got));
            for (size_t end; (end = partial.find('\n')) != std::string::npos;) {
                lines_.push_back(partial.substr(0, end));
                partial.erase(0, end + 1);
            }
        }
        changed_.notify_all();
    }
    ::close(fd);
    std::lock_guard lock(mutex_);
    if (!partial.empty()) lines_.push_back(partial);
    ++readersDone_;
    changed_.notify_all();
}

}  // namespace geolumen::host::testing
