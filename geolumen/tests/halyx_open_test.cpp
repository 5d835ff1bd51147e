// The open sequence of the location client against the simulated module, byte for byte.
#include <gtest/gtest.h>

#include "halyx/halyx_mux.h"
#include "sim/sim_frame.h"
#include "support/halyx_test_support.h"

namespace geolumen::testing {
namespace {

using sim::Bytes;

class HalyxOpenTest : public HalyxStackTest {};

// Opened, with the frames and debug lines of the opening forgotten.
class HalyxOpenedTest : public HalyxOpenStackTest {
  protected:
    void SetUp() override {
        HalyxOpenStackTest::SetUp();
        stack.module.ClearReceived();
    }
};

TEST_F(HalyxOpenTest, OpenSendsSyncClientIdAndVersionFramesExactly) {
    ASSERT_EQ(stack.Start(), 0);
    ASSERT_EQ(Open(), kHalyxOk);
    ASSERT_NE(client, nullptr);
    const std::vector<Bytes> frames = stack.module.Received();
    ASSERT_EQ(frames.size(), 4u);
    // Sync: control header only; mux length 6 + 5 = 11 = 0x0B; transaction 1 (first use of the counter).
    EXPECT_EQ(frames[0], (Bytes{0x01, 0x0B, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x27, 0x00, 0x00, 0x00}));
    // Get client id: TLV 01 len 1 value 0x10 (4 bytes); message 6 + 4 = 10; mux length 15 = 0x0F.
    EXPECT_EQ(frames[1], (Bytes{0x01, 0x0F, 0x00, 0x00, 0x00, 0x00, 0x00, 0x02, 0x22, 0x00, 0x04, 0x00, 0x01,
                                0x01, 0x00, 0x10}));
    // Service lookup: count, then list, each one version request without TLVs.
    EXPECT_EQ(frames[2], (Bytes{0x01, 0x0B, 0x00, 0x00, 0x00, 0x00, 0x00, 0x03, 0x21, 0x00, 0x00, 0x00}));
    EXPECT_EQ(frames[3], (Bytes{0x01, 0x0B, 0x00, 0x00, 0x00, 0x00, 0x00, 0x04, 0x21, 0x00, 0x00, 0x00}));
    EXPECT_EQ(halyx_location_client_id(), 5);
    EXPECT_TRUE(halyx_client_id_held(kHalyxLocationOwner, kHalyxLocationService, 5));
    EXPECT_TRUE(halyx_owner_registered(kHalyxLocationOwner));
}

TEST_F(HalyxOpenedTest, LocationRequestCarriesMuxHeaderClientIdAndTransaction) {
    halyx_loc_register_events_req req{0x73};
    halyx_result resp{-7, -7};
    ASSERT_EQ(halyx_request_and_wait(client, kHalyxLocRegisterEvents, &req, sizeof req, &resp, sizeof resp,
                                     kTestRequestTimeoutMs),
              kHalyxOk);
    EXPECT_EQ(resp.result, 0);
    EXPECT_EQ(resp.error, 0);
    const std::vector<Bytes> frames = stack.module.Received();
    ASSERT_EQ(frames.size(), 1u);
    // TLV 01 len 8 mask 0x73 = 11 bytes; message 7 + 11 = 18; mux length 23 = 0x17; service 0x10, client 5;
    // first transaction of the client = 1.
    EXPECT_EQ(frames[0], (Bytes{0x01, 0x17, 0x00, 0x00, 0x10, 0x05, 0x00, 0x01, 0x00, 0x21, 0x00, 0x0B,
                                0x00, 0x01, 0x08, 0x00, 0x73, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}));
    // The answer is the result TLV alone: 3 + 4 = 7 payload bytes.
    EXPECT_EQ(ZorvicLines(), (std::vector<std::string>{"Zorvic TX: REQ txn: 0x1 msg_id: 0x21 len: 11\n",
                                                       "Zorvic RX: RESP txn: 0x1 msg_id: 0x21 len: 7\n"}));
}

TEST_F(HalyxOpenedTest, CloseReleasesTheClientIdWithItsServiceAndId) {
    ASSERT_EQ(halyx_close_client(client), kHalyxOk);
    client = nullptr;
    const std::vector<Bytes> frames = stack.module.Received();
    ASSERT_EQ(frames.size(), 1u);
    // Release: TLV 01 len 2 (0x10, 5) = 5 bytes; message 11; mux length 16 = 0x10; transaction 5 follows
    // sync 1, client id 2 and the two version requests 3 and 4.
    EXPECT_EQ(frames[0], (Bytes{0x01, 0x10, 0x00, 0x00, 0x00, 0x00, 0x00, 0x05, 0x23, 0x00, 0x05, 0x00, 0x01,
                                0x02, 0x00, 0x10, 0x05}));
    EXPECT_EQ(halyx_location_client_id(), 0);
    EXPECT_FALSE(halyx_client_id_held(kHalyxLocationOwner, kHalyxLocationService, 5));
    EXPECT_FALSE(halyx_owner_registered(kHalyxLocationOwner));
    EXPECT_EQ(stack.module.ClientId(), 0);
}

TEST_F(HalyxOpenedTest, RequestWithEmptyStructureIsSentAsBareHeader) {
    std::uint32_t size = 99;
    ASSERT_EQ(halyx_message_struct_size(Desc(), kHalyxKindRequest, 0x32, &size), 0);
    ASSERT_EQ(size, 0u);
    halyx_result resp{};
    ASSERT_EQ(halyx_request_and_wait(client, 0x32, nullptr, 0, &resp, sizeof resp, kTestRequestTimeoutMs),
              kHalyxOk);
    const std::vector<Bytes> frames = stack.module.Received();
    ASSERT_EQ(frames.size(), 1u);
    // Message header only: 7 bytes, payload length 0; mux length 12 = 0x0C.
    EXPECT_EQ(frames[0],
              (Bytes{0x01, 0x0C, 0x00, 0x00, 0x10, 0x05, 0x00, 0x01, 0x00, 0x32, 0x00, 0x00, 0x00}));
}

TEST_F(HalyxOpenedTest, StructureLengthOffByOneFailsBeforeAnythingIsSent) {
    std::uint8_t req[9] = {};
    halyx_result resp{};
    for (std::uint32_t len : {7u, 9u}) {
        EXPECT_EQ(halyx_request_and_wait(client, kHalyxLocRegisterEvents, req, len, &resp, sizeof resp,
                                         kTestRequestTimeoutMs),
                  kHalyxErrArgument)
            << len;
    }
    EXPECT_TRUE(stack.module.Received().empty());
    EXPECT_TRUE(ZorvicLines().empty());
}

TEST_F(HalyxOpenTest, StartStopStartServesASecondOpen) {
    for (int round = 0; round < 2; ++round) {
        ASSERT_EQ(stack.Start(), 0) << round;
        ASSERT_EQ(Open(), kHalyxOk) << round;
        halyx_loc_register_events_req req{1};
        halyx_result resp{};
        EXPECT_EQ(halyx_request_and_wait(client, kHalyxLocRegisterEvents, &req, sizeof req, &resp,
                                         sizeof resp, kTestRequestTimeoutMs),
                  kHalyxOk)
            << round;
        ASSERT_EQ(halyx_close_client(client), kHalyxOk);
        client = nullptr;
        stack.Stop();
        // The first control transaction after a restart is 1 again, and the multiplexer is closed between.
        EXPECT_FALSE(halyx_mux_is_open(0));
        stack.module.ClearReceived();
    }
}

TEST_F(HalyxOpenTest, ReopeningsNeverFillTheOwnersClientIds) {
    ASSERT_EQ(stack.Start(), 0);
    // More reopenings than an owner's entry has bytes (8), with each id the module may give.
    const struct {
        const char* legend;
        std::uint8_t given;
        int open;
    } rows[] = {
        {"id 0 is no id: the open fails", 0, kHalyxErrArgument},
        {"a real id", 5, kHalyxOk},
        {"id 0 again after a real one", 0, kHalyxErrArgument},
    };
    for (const auto& row : rows) {
        stack.module.SetClientIdToGive(row.given);
        for (int round = 0; round < 12; ++round) {
            SCOPED_TRACE(std::string(row.legend) + ", round " + std::to_string(round));
            ASSERT_EQ(Open(), row.open);
            EXPECT_EQ(halyx_client_id_count(kHalyxLocationOwner, kHalyxLocationService),
                      row.open == kHalyxOk ? 1u : 0u);
            if (client != nullptr) {
                ASSERT_EQ(halyx_close_client(client), kHalyxOk);
                client = nullptr;
            }
            EXPECT_EQ(halyx_client_id_count(kHalyxLocationOwner, kHalyxLocationService), 0u);
            EXPECT_EQ(halyx_location_client_id(), 0);
        }
    }
}

}  // namespace
}  // namespace geolumen::testing
