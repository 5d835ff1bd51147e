#include "link/ReplyFormat.h"

#include <algorithm>
#include <cstdio>
#include <string_view>

#include "platform/TextCodec.h"

int ReplyReadableLength(const TReplyRecord& reply) {
    if (reply.Len <= 0) return 0;
    return reply.Len > kReplyDataSize ? kReplyDataSize : reply.Len;
}

std::string Dec(uint32_t value) { return std::to_string(value); }

std::string Hex2(uint8_t value) { return {kHexDigits[value >> 4], kHexDigits[value & 0x0F]}; }

std::string Hex4(uint16_t value) {
    return Hex2(static_cast<uint8_t>(value >> 8)) + Hex2(static_cast<uint8_t>(value & 0xFF));
}

std::string FloatText(double value) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.15g", value);
    return buffer;
}

std::string HexDump(const TReplyRecord& reply) {
    const int count = ReplyReadableLength(reply);
    std::string text;
    text.reserve(static_cast<size_t>(count) * 3);
    for (int i = 0; i < count; ++i) text += Hex2(reply.Data[static_cast<size_t>(i)]) + " ";
    return text;
}

std::string Cp936BytesToLogText(const uint8_t* bytes, int count) {
    std::string raw;
    raw.reserve(count > 0 ? static_cast<size_t>(count) : 0);
    for (int i = 0; i < count; ++i)
        if (bytes[i] != 0) raw.push_back(static_cast<char>(bytes[i]));
    return Cp936ToUtf8(raw);
}

std::string MakeTwoDigitPair(int a, int b) { return MakeHHMM(a, b); }

std::string FormatDegree(uint8_t w, uint8_t x, uint8_t y, uint8_t z) {
    return Dec(w) + "." + TwoDigitText(x) + TwoDigitText(y) + TwoDigitText(z);
}

std::string LogText(std::string_view cp936) {
    return Cp936BytesToLogText(reinterpret_cast<const uint8_t*>(cp936.data()),
                               static_cast<int>(cp936.size()));
}

std::string ReplyBytes::Raw(int first, int last) const {
    first = std::max(first, 0);
    last = std::min(last, size_ - 1);
    if (first > last) return {};
    return std::string(reinterpret_cast<const char*>(reply_.Data.data()) + first,
                       static_cast<size_t>(last - first + 1));
}

std::string ReplyBytes::RawUntilZero(int first, int count) const {
    std::string out;
    for (int n = std::max(first, 0); n < first + count && Has(n) && At(n) != 0; ++n)
        out.push_back(static_cast<char>(At(n)));
    return out;
}

std::string HexPacked(const ReplyBytes& bytes) {
    std::string out;
    out.reserve(static_cast<size_t>(bytes.Size()) * 2);
    for (int n = 0; n < bytes.Size(); ++n) out += Hex2(bytes.At(n));
    return out;
}
