// The simulated module's own framing and control service: its answers byte for byte (computed by hand),
// the frames it refuses, and the reach of its faults.
#include "sim/sim_module.h"

#include <gtest/gtest.h>

#include "sim/sim_frame.h"

namespace geolumen::sim {
namespace {

Bytes Answer(SimModule& module) {
    Bytes b(4096);
    std::size_t n = 0;
    EXPECT_EQ(module.TakeResponse(b, n), 0);
    b.resize(n);
    return b;
}

// Hands `command` to the module and takes its answer.
Bytes Exchange(SimModule& module, const Bytes& command) {
    EXPECT_EQ(module.HandleCommand(command), 0);
    return Answer(module);
}

TEST(SimModule, ControlAnswersByteForByte) {
    SimModule module;
    // Get client id, transaction 6, service 0x10.
    // TLVs: result 3 + 4, client id 3 + 2 = 12 = 0x0C; message 6 + 12 = 18; mux length 23 = 0x17.
    EXPECT_EQ(Exchange(module, Bytes{0x01, 0x0F, 0x00, 0x00, 0x00, 0x00, 0x00, 0x06, 0x22, 0x00, 0x04, 0x00,
                                     0x01, 0x01, 0x00, 0x10}),
              (Bytes{0x01, 0x17, 0x00, 0x00, 0x00, 0x00, 0x01, 0x06, 0x22, 0x00, 0x0C, 0x00,
                     0x02, 0x04, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x02, 0x00, 0x10, 0x05}));
    EXPECT_EQ(module.ClientId(), 5);

    // Version info, transaction 7: list {service 0 v1.5, service 0x10 v2.6} = 1 + 2 x 5 = 11 bytes;
    // TLVs 7 + 14 = 21 = 0x15; message 27; mux length 32 = 0x20.
    EXPECT_EQ(Exchange(module, Bytes{0x01, 0x0B, 0x00, 0x00, 0x00, 0x00, 0x00, 0x07, 0x21, 0x00, 0x00, 0x00}),
              (Bytes{0x01, 0x20, 0x00, 0x00, 0x00, 0x00, 0x01, 0x07, 0x21, 0x00, 0x15,
                     0x00, 0x02, 0x04, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x0B, 0x00,
                     0x02, 0x00, 0x01, 0x00, 0x05, 0x00, 0x10, 0x02, 0x00, 0x06, 0x00}));

    // Release (0x10, 5), transaction 8: the answer names them again; TLVs 7 + 5 = 12; mux length 23.
    EXPECT_EQ(Exchange(module, Bytes{0x01, 0x10, 0x00, 0x00, 0x00, 0x00, 0x00, 0x08, 0x23, 0x00, 0x05, 0x00,
                                     0x01, 0x02, 0x00, 0x10, 0x05}),
              (Bytes{0x01, 0x17, 0x00, 0x00, 0x00, 0x00, 0x01, 0x08, 0x23, 0x00, 0x0C, 0x00,
                     0x02, 0x04, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x02, 0x00, 0x10, 0x05}));
    EXPECT_EQ(module.ClientId(), 0);

    // The host's sync needs no answer.
    ASSERT_EQ(
        module.HandleCommand(Bytes{0x01, 0x0B, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x27, 0x00, 0x00, 0x00}),
        0);
    EXPECT_EQ(module.QueuedResponses(), 0u);
}

TEST(SimModule, LocationRequestGetsScriptedResultWithItsTransaction) {
    SimModule module;
    module.SetResult(0x21, 1, 23);
    // Register events, client 5, transaction 0x0102.
    // Result 1, error 23 = 0x17; payload 7; message 14; mux length 19 = 0x13.
    EXPECT_EQ(Exchange(module, Bytes{0x01, 0x17, 0x00, 0x00, 0x10, 0x05, 0x00, 0x02, 0x01, 0x21, 0x00, 0x0B,
                                     0x00, 0x01, 0x08, 0x00, 0x73, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}),
              (Bytes{0x01, 0x13, 0x00, 0x00, 0x10, 0x05, 0x02, 0x02, 0x01, 0x21,
                     0x00, 0x07, 0x00, 0x02, 0x04, 0x00, 0x01, 0x00, 0x17, 0x00}));
}

TEST(SimModule, RefusedFramesAreRecordedButNotAnswered) {
    const struct {
        const char* legend;
        Bytes frame;
        SimParseError error;
    } rows[] = {
        {"five bytes", {0x01, 0x04, 0x00, 0x00, 0x00}, SimParseError::TooShort},
        {"interface 2",
         {0x02, 0x0B, 0x00, 0x00, 0x00, 0x00, 0x00, 0x07, 0x21, 0x00, 0x00, 0x00},
         SimParseError::BadInterface},
        {"mux length off",
         {0x01, 0x0C, 0x00, 0x00, 0x00, 0x00, 0x00, 0x07, 0x21, 0x00, 0x00, 0x00},
         SimParseError::LengthMismatch},
        {"control length off",
         {0x01, 0x0B, 0x00, 0x00, 0x00, 0x00, 0x00, 0x07, 0x21, 0x00, 0x01, 0x00},
         SimParseError::BadHeaderLength},
        {"TLV past the end",
         {0x01, 0x0E, 0x00, 0x00, 0x00, 0x00, 0x00, 0x07, 0x22, 0x00, 0x03, 0x00, 0x01, 0x05, 0x00},
         SimParseError::BadTlv},
        {"message header cut",
         {0x01, 0x0B, 0x00, 0x00, 0x10, 0x05, 0x00, 0x01, 0x00, 0x21, 0x00, 0x00},
         SimParseError::TooShort},
    };
    SimModule module;
    for (const auto& row : rows) {
        EXPECT_EQ(ParseFrame(row.frame).error, row.error) << row.legend;
        EXPECT_EQ(module.HandleCommand(row.frame), 0) << row.legend;
    }
    EXPECT_EQ(module.Received().size(), std::size(rows));
    EXPECT_TRUE(module.ReceivedFrames().empty());
    EXPECT_EQ(module.QueuedResponses(), 0u);
}

TEST(SimModule, FaultsReachOnlyWhatTheyName) {
    SimModule module;
    module.SetFault(Fault::Of(FaultMode::Silence, kLocationService));
    module.Indicate(0x24, {});
    EXPECT_EQ(module.QueuedResponses(), 0u) << "location service silenced";
    ASSERT_EQ(
        module.HandleCommand(Bytes{0x01, 0x0B, 0x00, 0x00, 0x00, 0x00, 0x00, 0x07, 0x21, 0x00, 0x00, 0x00}),
        0);
    EXPECT_EQ(module.QueuedResponses(), 1u) << "control still answers";

    module.SetFault(Fault::Of(FaultMode::Late));
    module.Indicate(0x24, {});
    EXPECT_EQ(module.QueuedResponses(), 1u);
    module.ReleaseHeld();
    EXPECT_EQ(module.QueuedResponses(), 2u);

    module.SetFault(Fault::Of(FaultMode::Disconnect));
    Bytes b(16);
    std::size_t n = 0;
    EXPECT_LT(module.TakeResponse(b, n), 0);
    EXPECT_LT(module.HandleCommand(Bytes{0x01}), 0);
    EXPECT_TRUE(module.Disconnected());
}

TEST(SimModule, WrongTransactionOfAControlAnswerNeverBecomesZero) {
    SimModule module;
    module.SetFault(Fault::Of(FaultMode::WrongTransaction));
    // Transaction 255: the wrong one wraps to 1, as the host's counter does, never to 0.
    EXPECT_EQ(
        Exchange(module, Bytes{0x01, 0x0B, 0x00, 0x00, 0x00, 0x00, 0x00, 0xFF, 0x21, 0x00, 0x00, 0x00})[7],
        0x01);
}

}  // namespace
}  // namespace geolumen::sim
