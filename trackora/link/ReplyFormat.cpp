#include "link/ReplyFormat.h"

#include <cstdio>
#include <string_view>

#include "platform/TextCodec.h"

uint8_t ReplyByte(const TReplyRecord& reply, int n) {
    if (n < 0 || n >= kReplyDataSize) return 0;
    return reply.Data[static_cast<size_t>(n)];
}

uint32_t ReplyBE16(const TReplyRecord& reply, int a) {
    return ReplyByte(reply, a) * 256u + ReplyByte(reply, a + 1);
}

uint32_t ReplyLE16(const TReplyRecord& reply, int a) {
    return ReplyByte(reply, a) + ReplyByte(reply, a + 1) * 256u;
}

uint32_t ReplyBE32(const TReplyRecord& reply, int a) {
    return (ReplyBE16(reply, a) << 16) | ReplyBE16(reply, a + 2);
}

uint32_t ReplyLE32(const TReplyRecord& reply, int a) {
    return ReplyLE16(reply, a) | (ReplyLE16(reply, a + 2) << 16);
}

int ReplyReadableLength(const TReplyRecord& reply) {
    if (reply.Len <= 0) return 0;
    return reply.Len > kReplyDataSize ? kReplyDataSize : reply.Len;
}

std::string Dec(uint32_t value) { return std::to_string(value); }

std::string Hex2(uint8_t value) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    return {kDigits[value >> 4], kDigits[value & 0x0F]};
}

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

std::string BytesText(const TReplyRecord& reply, int first, int last) {
    if (first < 0) first = 0;
    if (last >= kReplyDataSize) last = kReplyDataSize - 1;
    if (last < first) return {};
    return Cp936BytesToLogText(reply.Data.data() + first, last - first + 1);
}

namespace {
std::string TwoDigits(int value) {
    std::string text = std::to_string(value);
    return value >= 0 && value < 10 ? "0" + text : text;
}
}  // namespace

std::string MakeTwoDigitPair(int a, int b) { return TwoDigits(a) + TwoDigits(b); }

std::string FormatDegree(uint8_t w, uint8_t x, uint8_t y, uint8_t z) {
    return Dec(w) + "." + TwoDigits(x) + TwoDigits(y) + TwoDigits(z);
}
