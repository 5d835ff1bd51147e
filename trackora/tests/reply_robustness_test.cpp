// Every decoder against short, long, lying and hostile payloads: it never reads past the frame,
// never crashes (the sanitizer build watches), and never prints a broken row.
#include <gtest/gtest.h>

#include <random>

#include "link/ListDecoders.h"
#include "reply_test_util.h"

namespace {

std::vector<std::pair<int, ReplyDecoder>> AllDecoders() {
    RegisterAllReplyFamilies();
    std::vector<std::pair<int, ReplyDecoder>> all;
    for (int type = 0x8300; type <= 0x85FF; ++type) {
        const ReplyRow* row = FindReplyRow(static_cast<uint16_t>(type));
        if (row && row->decode) all.emplace_back(type, row->decode);
    }
    for (ReplyDecoder d : {&ParamGetAckDeal, &ParamSetAckDeal, &PW3310AlarmReadDeal,
                           &PW3310CallOutCodeReadDeal, &PW3310WhileCodeReadDeal})
        all.emplace_back(0x8200, d);
    return all;
}

std::vector<std::string> Payloads() {
    std::vector<std::string> payloads;
    std::mt19937 random(20241208);  // fixed seed: the same bytes every run
    for (int length : {0, 1, 2, 3, 4, 7, 14, 19, 20, 21, 51, 70, 199, 200, 201, 300, 767, 1023, 1024}) {
        std::string bytes(static_cast<size_t>(length), '\0');
        for (char& c : bytes) c = static_cast<char>(random());
        payloads.push_back(bytes);
        payloads.push_back(std::string(static_cast<size_t>(length), '\xFF'));
        payloads.push_back(std::string(static_cast<size_t>(length), ','));
        std::string items;
        while (items.size() < static_cast<size_t>(length)) items += "=,PRO=,VIBCALL,x=";
        items.resize(static_cast<size_t>(length));
        if (length >= 2) items[0] = items[1] = '\xFF';  // list lengths far beyond the frame
        payloads.push_back(items);
    }
    return payloads;
}

TEST(ReplyRobustness, NoDecoderReadsPastTheFrameOrBreaks) {
    const auto decoders = AllDecoders();
    ASSERT_GT(decoders.size(), 90u);
    const auto payloads = Payloads();
    for (const auto& [type, decode] : decoders) {
        for (const std::string& payload : payloads) {
            // What lies behind Len must not matter: stale 0xAA and zeros give the same lines.
            const ReplyLines stale = Decoded(decode, MakeReply(type, payload, 0xAA));
            const ReplyLines clean = Decoded(decode, MakeReply(type, payload, 0x00));
            ASSERT_EQ(stale, clean) << std::hex << type << " len " << std::dec << payload.size();
            for (const std::string& line : stale)
                ASSERT_EQ(line.find("{?}"), std::string::npos) << std::hex << type << ": " << line;
        }
    }
}

TEST(ReplyRobustness, LengthsTheRecordCannotHold) {
    for (const auto& [type, decode] : AllDecoders()) {
        for (int len : {-1, -70000, 1025, 2048, 70000}) {
            TReplyRecord reply = MakeReply(type, std::string(1024, '\x01'));
            reply.Len = len;
            (void)Decoded(decode, reply);  // bounded reads; the sanitizer build catches any overrun
        }
    }
}

}  // namespace
