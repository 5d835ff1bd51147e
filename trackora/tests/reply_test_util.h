// Building replies and running their rows in tests, without the output window.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

#include "link/PublicData.h"
#include "link/ReplyFamilies.h"
#include "link/ReplyTable.h"

// Bytes past Len are filled with this, so a decoder that reads beyond the frame shows it.
inline constexpr uint8_t kStaleByte = 0xAA;

inline TReplyRecord MakeReply(int type, std::string_view payload, uint8_t stale = kStaleByte) {
    TReplyRecord reply;
    reply.Valid = 1;
    reply.Type = type;
    reply.Len = static_cast<int32_t>(payload.size());
    reply.Data.fill(stale);
    for (size_t i = 0; i < payload.size() && i < reply.Data.size(); ++i)
        reply.Data[i] = static_cast<uint8_t>(payload[i]);
    return reply;
}

inline TReplyRecord MakeReply(int type, std::initializer_list<uint8_t> payload) {
    return MakeReply(type, std::string(payload.begin(), payload.end()));
}

inline std::string Bytes(std::initializer_list<uint8_t> bytes) {
    return std::string(bytes.begin(), bytes.end());
}

// The lines one decoder prints for a reply.
inline ReplyLines Decoded(ReplyDecoder decode, const TReplyRecord& reply) {
    ReplyLines lines;
    decode(reply, lines);
    return lines;
}

// The lines the row of reply.Type prints (its decoder only; forwarding is the dispatcher's).
inline ReplyLines RunRow(const TReplyRecord& reply) {
    RegisterAllReplyFamilies();
    const ReplyRow* row = FindReplyRow(static_cast<uint16_t>(reply.Type));
    return row && row->decode ? Decoded(row->decode, reply) : ReplyLines{};
}

// One row of a golden table: a payload of a reply type and the exact lines it prints.
struct GoldenCase {
    const char* legend;
    int type;
    std::string payload;
    ReplyLines lines;
};

inline void ExpectGolden(const GoldenCase& c) {
    EXPECT_EQ(RunRow(MakeReply(c.type, c.payload)), c.lines) << c.legend;
}
