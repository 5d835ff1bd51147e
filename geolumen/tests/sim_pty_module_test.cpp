// The module's side of a byte stream: commands are cut at their multiplex length however the stream's
// reads fall, and a command's start waits for its rest.
#include "sim/sim_pty_module.h"

#include <gtest/gtest.h>

#include "sim/sim_module.h"

namespace geolumen::sim {
namespace {

TEST(SimPtyModule, CommandsAreCutFromTheStreamWhereverItsReadsFall) {
    // A command: 0x01, a 16-bit little-endian length L, then L - 2 bytes; 1 + L bytes in all.
    const Bytes a = {0x01, 0x04, 0x00, 0xAA, 0xBB};        // L = 4: 5 bytes
    const Bytes b = {0x01, 0x05, 0x00, 0x10, 0x20, 0x30};  // L = 5: 6 bytes
    auto join = [](std::initializer_list<Bytes> parts) {
        Bytes out;
        for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
        return out;
    };
    const Bytes ab = join({a, b});
    struct Row {
        const char* legend;
        std::vector<Bytes> reads;
        std::vector<Bytes> commands;
        std::size_t left;  // bytes still waiting for the rest of their command
    };
    const Row rows[] = {
        {"one read, one command", {a}, {a}, 0},
        {"two commands in one read", {ab}, {a, b}, 0},
        {"a command split in its length field", {{0x01, 0x04}, {0x00, 0xAA, 0xBB}}, {a}, 0},
        {"a command and the start of the next", {Bytes(ab.begin(), ab.begin() + 7)}, {a}, 2},
        {"the rest arrives", {Bytes(ab.begin(), ab.begin() + 7), Bytes(ab.begin() + 7, ab.end())}, {a, b}, 0},
        {"byte by byte", {}, {a, b}, 0},
        {"two bytes are no command yet", {{0x01, 0x04}}, {}, 2},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.legend);
        SimModule module;
        Bytes stream;
        std::vector<Bytes> reads = row.reads;
        if (reads.empty()) {
            for (std::uint8_t byte : ab) reads.push_back({byte});
        }
        for (const Bytes& read : reads) {
            stream.insert(stream.end(), read.begin(), read.end());
            HandStreamCommands(stream, module);
        }
        EXPECT_EQ(module.Received(), row.commands);
        EXPECT_EQ(stream.size(), row.left);
    }
}

}  // namespace
}  // namespace geolumen::sim
