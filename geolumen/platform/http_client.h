#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <stop_token>
#include <string>
#include <vector>

namespace geolumen {

struct HttpGetRequest {
    std::string url;
    std::string userAgent;
    // A body longer than this is refused whole rather than cut, since a cut file is corrupt data.
    size_t maxBodyBytes = 0;
    std::chrono::milliseconds connectTimeout{0};
    // The transfer gives up when no byte of the body has arrived for this long (0: never). A slow but
    // steady server may take as long as it needs; a stalled one is dropped.
    std::chrono::milliseconds noProgressTimeout{0};
};

struct HttpGetResult {
    enum class Outcome {
        Ok,        // a response arrived; see status
        Failed,    // no response: resolve, connect, send or receive failed
        TimedOut,  // the connect took too long, or no byte came for the no-progress time
        TooLarge,  // the body grew beyond maxBodyBytes
        Stopped,   // the caller asked to stop
    };
    Outcome outcome = Outcome::Failed;
    long status = 0;
    std::vector<uint8_t> body;
    std::string error;
};

// One plain-HTTP GET. Redirects are not followed and no other protocol is allowed, so a server
// cannot send the request elsewhere; the proxy comes from the environment as for any client.
[[nodiscard]] HttpGetResult HttpGet(const HttpGetRequest& request, std::stop_token stop);

}  // namespace geolumen
