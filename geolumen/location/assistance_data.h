#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <span>
#include <stop_token>
#include <string>
#include <string_view>

#include "location/file_time.h"

namespace geolumen {

// Where fetched assistance goes: the location-service client, which hands it to the module.
class AssistanceSink {
  public:
    virtual ~AssistanceSink() = default;
    // Both return a location client status (0 success).
    [[nodiscard]] virtual int InjectUtcTime(uint64_t utcMs, uint32_t uncertaintyMs) = 0;
    [[nodiscard]] virtual int InjectPredictedOrbits(std::span<const uint8_t> data) = 0;
};

inline constexpr std::string_view kOrbitFileName = "almar2.bin";
inline constexpr std::string_view kAssistanceUserAgent = "Dornave";
// The module takes at most this much orbit data; a file of this size or more is not a valid one.
inline constexpr size_t kOrbitBufferBytes = 66560;

struct AssistanceNetConfig {
    uint16_t sntpPort = 123;
    uint16_t httpPort = 80;
    // A public SNTP server answers within a few hundred ms; two seconds covers a slow mobile link
    // without holding the session thread, which serves nothing else meanwhile, for long.
    std::chrono::milliseconds sntpAnswerTimeout{2000};
    // Ten seconds to connect is generous on a slow link. The orbit file (about 60 KiB) may then take as
    // long as a slow but steady server needs, while a server that sends nothing for thirty seconds has
    // stalled and no longer holds the session thread.
    std::chrono::milliseconds httpConnectTimeout{10000};
    std::chrono::milliseconds httpNoProgressTimeout{30000};
};

enum class AssistanceOutcome {
    Injected,
    InjectFailed,   // the module refused what we fetched
    NoHost,         // empty host: nothing to do
    BadHost,        // not a plain host name
    NetworkFailed,  // resolve, socket, send or transfer failed
    TimedOut,       // no (valid) answer in time
    Stopped,        // the session asked us to stop
    BadAnswer,      // an SNTP answer that is not the answer to our request
    HttpError,      // a status other than 200
    EmptyBody,      // nothing to inject
    TooLarge,       // the file does not fit what the module takes
};

[[nodiscard]] std::string_view AssistanceOutcomeText(AssistanceOutcome outcome);

// True for a host name or IPv4 literal: letters, digits, "-", "_" and "."; nothing that could
// change the meaning of a URL.
[[nodiscard]] bool IsPlainHostName(std::string_view host);

// Asks `host` for the time over SNTP and injects the server's transmit time with half the round trip
// as uncertainty. `now` gives the system time as a file time (tests pin it).
[[nodiscard]] AssistanceOutcome QueryNtpTime(const std::string& host, AssistanceSink& sink,
                                             const AssistanceNetConfig& config, std::stop_token stop,
                                             const std::function<FileTime()>& now = SystemFileTimeNow);

// Fetches the orbit file from `host` over HTTP and injects it whole; an error status, an empty or
// an oversize body injects nothing.
[[nodiscard]] AssistanceOutcome DownloadPredictedOrbits(const std::string& host, AssistanceSink& sink,
                                                        const AssistanceNetConfig& config,
                                                        std::stop_token stop);

}  // namespace geolumen
