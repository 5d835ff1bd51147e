#include "link/ReplyFormat.h"

#include <algorithm>
#include <cstdio>
#include <utility>

#include "platform/TextCodec.h"

ReplyBytes::ReplyBytes(const TReplyRecord& reply)
    : data_(reply.Data.data()), size_(std::clamp<int32_t>(reply.Len, 0, kReplyDataSize)) {}

uint32_t ReplyBytes::Be32(int n) const { return (Be16(n) << 16) | Be16(n + 2); }

std::string ReplyBytes::Raw(int first, int last) const {
    first = std::max(first, 0);
    last = std::min(last, size_ - 1);
    if (first > last) return {};
    return std::string(reinterpret_cast<const char*>(data_) + first, static_cast<size_t>(last - first + 1));
}

std::string ReplyBytes::RawUntilZero(int first, int count) const {
    std::string out;
    for (int n = first; n < first + count && Has(n) && data_[n] != 0; ++n)
        out.push_back(static_cast<char>(data_[n]));
    return out;
}

std::string DecText(uint32_t value) { return std::to_string(value); }

std::string Hex2(uint8_t value) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    return {kDigits[value >> 4], kDigits[value & 0x0F]};
}

std::string FloatText(double value) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.15g", value);
    return buf;
}

std::string HexDump(const ReplyBytes& bytes) {
    std::string out;
    out.reserve(static_cast<size_t>(bytes.Size()) * 3);
    for (int n = 0; n < bytes.Size(); ++n) out += Hex2(bytes.At(n)) + ' ';
    return out;
}

std::string HexPacked(const ReplyBytes& bytes) {
    std::string out;
    out.reserve(static_cast<size_t>(bytes.Size()) * 2);
    for (int n = 0; n < bytes.Size(); ++n) out += Hex2(bytes.At(n));
    return out;
}

std::string LogText(const std::string& cp936) {
    std::string kept = cp936;
    // Safe on code page 936 bytes: a zero is never the trail byte of a two-byte character.
    std::erase(kept, '\0');
    return Cp936ToUtf8(kept);
}

namespace {
// A text of exactly one character gets a "0" in front; longer ones stay whole.
std::string TwoDigits(int v) {
    std::string s = std::to_string(v);
    return s.size() == 1 ? "0" + s : s;
}
}  // namespace

std::string MakeTwoDigitPair(int a, int b) { return TwoDigits(a) + TwoDigits(b); }

std::string FormatDegree(uint8_t w, uint8_t x, uint8_t y, uint8_t z) {
    return DecText(w) + "." + TwoDigits(x) + TwoDigits(y) + TwoDigits(z);
}

void SortSatellitePairs(uint8_t* prn, uint8_t* snr, int n, int capacity) {
    n = std::clamp(n, 0, capacity);
    for (int pass = 0; pass < n; ++pass) {
        for (int k = 0; k + 1 < n; ++k) {
            if (snr[k] < snr[k + 1]) {
                std::swap(snr[k], snr[k + 1]);
                std::swap(prn[k], prn[k + 1]);
            }
        }
    }
}
