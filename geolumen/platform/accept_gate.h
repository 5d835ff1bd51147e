#pragma once
// Takes connections off a non-blocking listening socket without ever spinning on a full process.
//
// When the process runs out of descriptors (EMFILE, ENFILE) or memory, the waiting peers stay in the
// backlog and the listener stays readable: polling it again at once would spin. The gate then rests for
// kAcceptBackoff, during which the server leaves the listener out of its poll set; ended connections give
// their descriptors back meanwhile, so a client that comes as a flood ends is taken after the rest. When
// the descriptors are still short after a rest, a reserve descriptor, given up for a moment, lets one
// waiting peer be taken and hear why before it is closed, so a client of a lasting flood learns the
// reason instead of hanging.
#include <chrono>
#include <cstddef>
#include <functional>

#include "platform/device_interface_channel.h"

namespace geolumen {

// How long the listener rests after the process ran out of descriptors or memory: long enough that a
// full backlog cannot keep a server busy (ten tries a second), short enough that a client after the
// flood barely notices.
inline constexpr std::chrono::milliseconds kAcceptBackoff{100};
// New connections a server takes per round of its loop, so that a flood of them cannot starve the
// connections it serves.
inline constexpr size_t kAcceptsPerRound = 64;

class AcceptGate {
  public:
    using Clock = std::chrono::steady_clock;
    // Writes a refusal to a peer that is about to be closed; the socket is non-blocking.
    using Refuse = std::function<void(int fd)>;

    AcceptGate();

    // False while the gate rests: leave the listener out of the poll set until RestsUntil().
    [[nodiscard]] bool Open(Clock::time_point now) const { return now >= restsUntil_; }
    [[nodiscard]] Clock::time_point RestsUntil() const { return restsUntil_; }

    // One waiting connection, non-blocking and close-on-exec; an invalid descriptor when none waits or
    // when the gate has just started to rest (errno says why; one peer may have been refused through
    // `refuse`).
    [[nodiscard]] UnixFd Accept(int listener, Clock::time_point now, const Refuse& refuse);

  private:
    UnixFd reserve_;
    Clock::time_point restsUntil_{};
    bool starved_ = false;  // the last try ran out of descriptors too
};

}  // namespace geolumen
