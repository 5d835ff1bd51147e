#pragma once
// Position reports as the simulated module encodes them, and the ways one frame gets spoilt on its way to
// the driver: each row turns a good frame into what arrives instead of it.
#include <cstdint>

#include "sim/sim_frame.h"
#include "sim/sim_location_service.h"

namespace geolumen::testing {

// The technology mask 0x4001 (satellites, and a bit of the module's own) puts the bytes 01 40 00 00 25
// into the body: a frame start claiming 1 + 0x40 = 65 bytes for service 0x25, which a search that only
// reads a plausible length takes for a frame after a bad byte, swallowing the next report.
inline constexpr std::uint32_t kMaskWithAFrameStart = 0x4001;

// A complete fix, told apart from every other by its time.
inline sim::SimPosition ReportAt(std::uint64_t utcMs) {
    sim::SimPosition p;
    p.latitude = 48.125;
    p.longitude = -11.5;
    p.errorRadius = 4.5f;
    p.technologyMask = kMaskWithAFrameStart;
    p.utcMs = utcMs;
    return p;
}

// The report's TLVs, as a client receives them as the indication's payload.
inline sim::Bytes ReportPayload(std::uint64_t utcMs) {
    return sim::EncodeTlvs(sim::SimLocationService::EncodePosition(ReportAt(utcMs)));
}

// The report as the module sends it to `clientId`: mux header 6 + message header 7 + TLVs 0x01 (3 + 4),
// 0x02 (3 + 1), 0x10 and 0x11 (3 + 8 each), 0x12 and 0x23 (3 + 4 each), 0x25 (3 + 8) = 71 bytes.
inline sim::Bytes ReportFrame(std::uint64_t utcMs, std::uint8_t clientId) {
    sim::SimFrame f;
    f.service = sim::kLocationService;
    f.clientId = clientId;
    f.type = sim::kMsgIndication;
    f.messageId = 0x24;
    f.tlvs = sim::SimLocationService::EncodePosition(ReportAt(utcMs));
    return sim::BuildFrame(f);
}

// Byte offsets in a location-service frame.
inline constexpr std::size_t kMuxLengthAt = 1;
inline constexpr std::size_t kServiceAt = 4;
inline constexpr std::size_t kClientAt = 5;
inline constexpr std::size_t kPayloadLengthAt = 11;

inline void AddLe16(sim::Bytes& b, std::size_t at, int delta) {
    const int v = (b[at] | (b[at + 1] << 8)) + delta;
    b[at] = static_cast<std::uint8_t>(v & 0xFF);
    b[at + 1] = static_cast<std::uint8_t>((v >> 8) & 0xFF);
}

struct Spoil {
    const char* legend;
    // What arrives in place of the good frame `frame`.
    sim::Bytes (*make)(sim::Bytes frame);
    // It arrives in one read with the next good frame (else in a read of its own).
    bool withNext;
    // Something that is no good frame is handed on (the layers above judge it); else only its bytes go.
    bool handedOn;
};

inline constexpr Spoil kSpoils[] = {
    {"interface type 0x02",
     [](sim::Bytes f) {
         f[0] = 0x02;
         return f;
     },
     false, false},
    {"multiplex length 30 too long, overrunning into the next frame",
     [](sim::Bytes f) {
         AddLe16(f, kMuxLengthAt, 30);
         return f;
     },
     false, false},
    {"multiplex length 300 too long, overrunning several frames",
     [](sim::Bytes f) {
         AddLe16(f, kMuxLengthAt, 300);
         return f;
     },
     false, false},
    {"multiplex length 10 too short: the cut frame goes on, its tail is skipped",
     [](sim::Bytes f) {
         AddLe16(f, kMuxLengthAt, -10);
         return f;
     },
     false, true},
    {"unknown service 0x42",
     [](sim::Bytes f) {
         f[kServiceAt] = 0x42;
         return f;
     },
     false, true},
    {"service 200, which no frame names",
     [](sim::Bytes f) {
         f[kServiceAt] = 200;
         return f;
     },
     false, false},
    {"unknown client 0x33",
     [](sim::Bytes f) {
         f[kClientAt] = 0x33;
         return f;
     },
     false, true},
    {"truncated TLV: the last one loses 3 value bytes, both lengths say so",
     [](sim::Bytes f) {
         f.erase(f.end() - 3, f.end());
         AddLe16(f, kMuxLengthAt, -3);
         AddLe16(f, kPayloadLengthAt, -3);
         return f;
     },
     false, true},
    {"frame cut on the way: its last 10 bytes lost, its lengths intact",
     [](sim::Bytes f) {
         f.erase(f.end() - 10, f.end());
         return f;
     },
     false, false},
    {"garbage before a frame, in the frame's read",
     [](sim::Bytes) {
         return sim::Bytes{0x00, 0xFF, 0x7E, 0x02};
     },
     true, false},
    {"garbage that reads as a header (length 48, location service) before a frame",
     [](sim::Bytes) { return sim::Bytes{0x01, 0x30, 0x00, 0x00, 0x10, 0x05}; }, true, false},
};

}  // namespace geolumen::testing
