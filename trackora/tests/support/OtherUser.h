// Acting as a second local user: a forked child drops to a uid and gid that no account uses and runs a
// few system calls there. Only root can do this; tests skip without it.
#pragma once

#include <grp.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <thread>

inline constexpr uid_t kOtherUid = 64123;
inline constexpr gid_t kOtherGid = 64123;

inline bool RunningAsRoot() { return ::geteuid() == 0; }

// Runs `body` as the other user in a child and returns its result (0..255), or -1 when the child could
// not become that user, died, or ran past `limit` (it is then killed). `body` runs in a forked copy of a
// threaded process: plain system calls only, no allocation-heavy library code.
inline int AsOtherUser(const std::function<int()>& body,
                       std::chrono::milliseconds limit = std::chrono::seconds(10)) {
    const pid_t child = ::fork();
    if (child < 0) return -1;
    if (child == 0) {
        if (::setgroups(0, nullptr) != 0 || ::setresgid(kOtherGid, kOtherGid, kOtherGid) != 0 ||
            ::setresuid(kOtherUid, kOtherUid, kOtherUid) != 0)
            ::_exit(255);
        ::_exit(body() & 0xff);
    }
    const auto deadline = std::chrono::steady_clock::now() + limit;
    int status = 0;
    while (::waitpid(child, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            ::kill(child, SIGKILL);
            ::waitpid(child, &status, 0);
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) == 255) return -1;
    return WEXITSTATUS(status);
}
