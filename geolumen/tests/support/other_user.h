#pragma once
// A second local user for the tests of attacks: a forked child that drops to an unused uid and gid (no
// account needed) and does what another user of the machine could. Only root can change its identity, so
// the callers skip when not root. Every child is bounded by an alarm, so a hang ends as a failure.
#include <grp.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>

namespace geolumen::testing {

inline constexpr uid_t kOtherUid = 64123;
inline constexpr gid_t kOtherGid = 64123;
// No action of another user in these tests takes a second; the bound only ends a hang.
inline constexpr unsigned kOtherUserBoundSeconds = 20;
// The child's code when it could not become the other user.
inline constexpr int kNoOtherUser = 125;

[[nodiscard]] inline bool BecomeOtherUser() {
    return ::setgroups(0, nullptr) == 0 && ::setresgid(kOtherGid, kOtherGid, kOtherGid) == 0 &&
           ::setresuid(kOtherUid, kOtherUid, kOtherUid) == 0;
}

[[nodiscard]] inline int ExitCodeOf(pid_t pid) {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// Runs `action` as the other user; its return value, kNoOtherUser, or 128 + signal.
[[nodiscard]] inline int AsOtherUser(const std::function<int()>& action) {
    const pid_t pid = ::fork();
    if (pid < 0) return -1;
    if (pid == 0) {
        ::alarm(kOtherUserBoundSeconds);
        ::_exit(BecomeOtherUser() ? action() : kNoOtherUser);
    }
    return ExitCodeOf(pid);
}

// The other user as a process that stays: `setup` runs at once, then the process waits until Finish(),
// runs `finish` and ends with its result. For an attacker that must listen while the victim acts.
class OtherUserProcess {
  public:
    OtherUserProcess(const std::function<int()>& setup, const std::function<int()>& finish) {
        int ready[2], go[2];
        if (::pipe(ready) != 0) return;
        if (::pipe(go) != 0) {
            ::close(ready[0]);
            ::close(ready[1]);
            return;
        }
        pid_ = ::fork();
        if (pid_ == 0) {
            ::alarm(kOtherUserBoundSeconds);
            ::close(ready[0]);
            ::close(go[1]);
            const char setupCode = static_cast<char>(BecomeOtherUser() ? setup() : kNoOtherUser);
            (void)!::write(ready[1], &setupCode, 1);
            if (setupCode != 0) ::_exit(setupCode);
            char byte = 0;
            (void)!::read(go[0], &byte, 1);
            ::_exit(finish());
        }
        ::close(ready[1]);
        ::close(go[0]);
        readyFd_ = ready[0];
        goFd_ = go[1];
    }
    ~OtherUserProcess() { (void)Finish(); }
    OtherUserProcess(const OtherUserProcess&) = delete;
    OtherUserProcess& operator=(const OtherUserProcess&) = delete;

    // The result of `setup` (0: done), once it ran.
    [[nodiscard]] int SetupResult() {
        char code = -1;
        if (readyFd_ >= 0 && ::read(readyFd_, &code, 1) != 1) code = -1;
        return code;
    }
    // Lets the process go on to `finish`; its exit code.
    [[nodiscard]] int Finish() {
        if (pid_ <= 0) return -1;
        if (goFd_ >= 0) ::close(goFd_);
        if (readyFd_ >= 0) ::close(readyFd_);
        goFd_ = readyFd_ = -1;
        const int code = ExitCodeOf(pid_);
        pid_ = -1;
        return code;
    }

  private:
    pid_t pid_ = -1;
    int readyFd_ = -1;
    int goFd_ = -1;
};

}  // namespace geolumen::testing

#define GEOLUMEN_SKIP_UNLESS_ROOT() \
    if (::geteuid() != 0) GTEST_SKIP() << "acting as a second user needs root"
