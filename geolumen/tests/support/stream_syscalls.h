#pragma once
// The CDC WDM back end's system calls with a scripted byte stream behind them: each read hands out what is
// left of the oldest scripted piece (at most the read's length), then "nothing waiting"; the clock stands
// still until moved. Every piece boundary lies exactly where the script puts it.
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <deque>
#include <vector>

#include "platform/cdc_wdm_usb_target.h"

namespace geolumen::testing {

struct StreamSyscalls : CdcWdmSyscalls {
    std::deque<std::vector<std::uint8_t>> pieces;
    std::chrono::steady_clock::time_point now{};

    long Read(int, void* buffer, std::size_t length) override {
        if (pieces.empty()) {
            errno = EAGAIN;
            return -1;
        }
        auto& piece = pieces.front();
        const std::size_t n = std::min(length, piece.size());
        std::memcpy(buffer, piece.data(), n);
        piece.erase(piece.begin(), piece.begin() + static_cast<long>(n));
        if (piece.empty()) pieces.pop_front();
        return static_cast<long>(n);
    }
    // Commands go nowhere: the far end is the script.
    long Write(int, const void*, std::size_t length) override { return static_cast<long>(length); }
    std::chrono::steady_clock::time_point Now() override { return now; }
};

}  // namespace geolumen::testing
