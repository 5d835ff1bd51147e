#include "sim/sim_frame.h"

#include <cstdio>

namespace geolumen::sim {

const SimTlv* SimFrame::Find(std::uint8_t tlvType) const {
    for (const SimTlv& t : tlvs) {
        if (t.type == tlvType) return &t;
    }
    return nullptr;
}

void PutU8(Bytes& out, std::uint8_t v) { out.push_back(v); }

void PutU16(Bytes& out, std::uint16_t v) {
    out.push_back(static_cast<std::uint8_t>(v & 0xFF));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}

void PutU32(Bytes& out, std::uint32_t v) {
    PutU16(out, static_cast<std::uint16_t>(v & 0xFFFF));
    PutU16(out, static_cast<std::uint16_t>(v >> 16));
}

void PutU64(Bytes& out, std::uint64_t v) {
    PutU32(out, static_cast<std::uint32_t>(v & 0xFFFFFFFFu));
    PutU32(out, static_cast<std::uint32_t>(v >> 32));
}

Bytes U8(std::uint8_t v) { return Bytes{v}; }

Bytes U16(std::uint16_t v) {
    Bytes b;
    PutU16(b, v);
    return b;
}

Bytes U32(std::uint32_t v) {
    Bytes b;
    PutU32(b, v);
    return b;
}

SimTlv ResultTlv(std::uint16_t result, std::uint16_t error) {
    SimTlv t{0x02, {}};
    PutU16(t.value, result);
    PutU16(t.value, error);
    return t;
}

Bytes EncodeTlvs(const std::vector<SimTlv>& tlvs) {
    Bytes out;
    for (const SimTlv& t : tlvs) {
        PutU8(out, t.type);
        PutU16(out, static_cast<std::uint16_t>(t.value.size()));
        out.insert(out.end(), t.value.begin(), t.value.end());
    }
    return out;
}

Bytes BuildFrame(const SimFrame& f) {
    const Bytes body = EncodeTlvs(f.tlvs);
    Bytes inner;
    if (f.service == kControlService) {
        PutU8(inner, f.type);
        PutU8(inner, static_cast<std::uint8_t>(f.transaction));
        PutU16(inner, f.messageId);
        PutU16(inner, static_cast<std::uint16_t>(body.size()));
    } else {
        PutU8(inner, f.type);
        PutU16(inner, f.transaction);
        PutU16(inner, f.messageId);
        PutU16(inner, static_cast<std::uint16_t>(body.size()));
    }
    inner.insert(inner.end(), body.begin(), body.end());

    Bytes out;
    PutU8(out, 0x01);
    // The length counts everything after the interface byte: the 5 remaining header bytes and the message.
    PutU16(out, static_cast<std::uint16_t>(inner.size() + 5));
    PutU8(out, f.flags);
    PutU8(out, f.service);
    PutU8(out, f.clientId);
    out.insert(out.end(), inner.begin(), inner.end());
    return out;
}

namespace {

std::uint16_t Le16(std::span<const std::uint8_t> b, std::size_t at) {
    return static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8));
}

bool ParseTlvArea(std::span<const std::uint8_t> area, std::vector<SimTlv>& out) {
    std::size_t at = 0;
    while (at < area.size()) {
        if (area.size() - at < 3) return false;
        const std::uint8_t type = area[at];
        const std::size_t len = Le16(area, at + 1);
        at += 3;
        if (area.size() - at < len) return false;
        out.push_back(SimTlv{type, Bytes(area.begin() + static_cast<std::ptrdiff_t>(at),
                                         area.begin() + static_cast<std::ptrdiff_t>(at + len))});
        at += len;
    }
    return true;
}

}  // namespace

SimParsed ParseFrame(std::span<const std::uint8_t> b) {
    SimParsed p;
    if (b.size() < kMuxHeaderSize) {
        p.error = SimParseError::TooShort;
        return p;
    }
    if (b[0] != 0x01) {
        p.error = SimParseError::BadInterface;
        return p;
    }
    if (Le16(b, 1) != b.size() - 1) {
        p.error = SimParseError::LengthMismatch;
        return p;
    }
    SimFrame& f = p.frame;
    f.flags = b[3];
    f.service = b[4];
    f.clientId = b[5];
    const auto inner = b.subspan(kMuxHeaderSize);
    const std::size_t headerSize = f.service == kControlService ? kControlHeaderSize : kMessageHeaderSize;
    if (inner.size() < headerSize) {
        p.error = SimParseError::TooShort;
        return p;
    }
    std::size_t declared = 0;
    if (f.service == kControlService) {
        f.type = inner[0];
        f.transaction = inner[1];
        f.messageId = Le16(inner, 2);
        declared = Le16(inner, 4);
    } else {
        f.type = inner[0];
        f.transaction = Le16(inner, 1);
        f.messageId = Le16(inner, 3);
        declared = Le16(inner, 5);
    }
    const auto area = inner.subspan(headerSize);
    if (declared != area.size()) {
        p.error = SimParseError::BadHeaderLength;
        return p;
    }
    if (!ParseTlvArea(area, f.tlvs)) p.error = SimParseError::BadTlv;
    return p;
}

std::string ToHex(std::span<const std::uint8_t> bytes) {
    std::string s;
    char buf[4];
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        std::snprintf(buf, sizeof buf, i == 0 ? "%02X" : " %02X", bytes[i]);
        s += buf;
    }
    return s;
}

}  // namespace geolumen::sim
