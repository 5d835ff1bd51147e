// Every message of the location service's description: the in-memory structure size and the longest
// encoding of each request, response and indication, as the service publishes them.
#include <gtest/gtest.h>

#include <cstdint>

#include "halyx/location_service.h"
#include "halyx/tlv_codec.h"

namespace geolumen {
namespace {

struct Row {
    std::uint32_t kind;
    std::uint16_t id;
    std::uint32_t size;
    std::uint32_t max;
};

// Responses all carry the 8-byte result structure (32-bit result, 32-bit error) in TLV 0x02: 7 bytes.
constexpr std::uint32_t kResultSize = 8;
constexpr std::uint32_t kResultMax = 7;

const Row kRequests[] = {
    {kHalyxKindRequest, 0x20, 4, 7},       {kHalyxKindRequest, 0x21, 8, 11},
    {kHalyxKindRequest, 0x22, 104, 103},   {kHalyxKindRequest, 0x23, 1, 4},
    {kHalyxKindRequest, 0x32, 0, 0},       {kHalyxKindRequest, 0x33, 0, 0},
    {kHalyxKindRequest, 0x34, 1116, 1075}, {kHalyxKindRequest, 0x35, 1044, 1053},
    {kHalyxKindRequest, 0x36, 0, 0},       {kHalyxKindRequest, 0x37, 0, 0},
    {kHalyxKindRequest, 0x38, 16, 18},     {kHalyxKindRequest, 0x39, 128, 112},
    {kHalyxKindRequest, 0x3A, 4, 7},       {kHalyxKindRequest, 0x3B, 0, 0},
    {kHalyxKindRequest, 0x3C, 1, 4},       {kHalyxKindRequest, 0x3D, 0, 0},
    {kHalyxKindRequest, 0x3E, 4, 7},       {kHalyxKindRequest, 0x3F, 0, 0},
    {kHalyxKindRequest, 0x40, 1, 4},       {kHalyxKindRequest, 0x41, 0, 0},
    {kHalyxKindRequest, 0x42, 300, 297},   {kHalyxKindRequest, 0x43, 8, 11},
    {kHalyxKindRequest, 0x44, 1576, 929},  {kHalyxKindRequest, 0x45, 1, 4},
    {kHalyxKindRequest, 0x46, 0, 0},       {kHalyxKindRequest, 0x47, 856, 694},
    {kHalyxKindRequest, 0x48, 4, 7},       {kHalyxKindRequest, 0x49, 0, 0},
    {kHalyxKindRequest, 0x4A, 4, 7},       {kHalyxKindRequest, 0x4B, 0, 0},
    {kHalyxKindRequest, 0x4C, 3, 8},       {kHalyxKindRequest, 0x4D, 1640, 1425},
    {kHalyxKindRequest, 0x4E, 12, 21},     {kHalyxKindRequest, 0x4F, 8, 11},
    {kHalyxKindRequest, 0x50, 0, 0},       {kHalyxKindRequest, 0x51, 4, 7},
    {kHalyxKindRequest, 0x52, 0, 0},       {kHalyxKindRequest, 0x53, 124, 129},
    {kHalyxKindRequest, 0x54, 16, 18},     {kHalyxKindRequest, 0x55, 8, 11},
    {kHalyxKindRequest, 0x56, 8, 7},       {kHalyxKindRequest, 0x57, 0, 0},
    {kHalyxKindRequest, 0x58, 8, 7},       {kHalyxKindRequest, 0x59, 0, 0},
    {kHalyxKindRequest, 0x5A, 20, 21},     {kHalyxKindRequest, 0x5B, 0, 0},
    {kHalyxKindRequest, 0x5C, 2008, 2009}, {kHalyxKindRequest, 0x5D, 2, 4},
    {kHalyxKindRequest, 0x5E, 6, 12},      {kHalyxKindRequest, 0x5F, 4, 7},
};

const Row kIndications[] = {
    {kHalyxKindIndication, 0x24, 240, 224}, {kHalyxKindIndication, 0x25, 2568, 2248},
    {kHalyxKindIndication, 0x26, 201, 203}, {kHalyxKindIndication, 0x27, 1112, 1068},
    {kHalyxKindIndication, 0x28, 780, 776}, {kHalyxKindIndication, 0x29, 784, 783},
    {kHalyxKindIndication, 0x2A, 32, 40},   {kHalyxKindIndication, 0x2B, 4, 7},
    {kHalyxKindIndication, 0x2C, 8, 11},    {kHalyxKindIndication, 0x2D, 8, 12},
    {kHalyxKindIndication, 0x2E, 16, 16},   {kHalyxKindIndication, 0x2F, 4, 7},
    {kHalyxKindIndication, 0x30, 1, 4},     {kHalyxKindIndication, 0x31, 12, 21},
    {kHalyxKindIndication, 0x32, 8, 14},    {kHalyxKindIndication, 0x33, 100, 99},
    {kHalyxKindIndication, 0x34, 4, 7},     {kHalyxKindIndication, 0x35, 8, 12},
    {kHalyxKindIndication, 0x36, 792, 790}, {kHalyxKindIndication, 0x37, 24, 20},
    {kHalyxKindIndication, 0x38, 4, 7},     {kHalyxKindIndication, 0x39, 4, 7},
    {kHalyxKindIndication, 0x3A, 4, 7},     {kHalyxKindIndication, 0x3B, 12, 14},
    {kHalyxKindIndication, 0x3C, 4, 7},     {kHalyxKindIndication, 0x3D, 8, 11},
    {kHalyxKindIndication, 0x3E, 4, 7},     {kHalyxKindIndication, 0x3F, 12, 14},
    {kHalyxKindIndication, 0x40, 4, 7},     {kHalyxKindIndication, 0x41, 8, 11},
    {kHalyxKindIndication, 0x42, 4, 7},     {kHalyxKindIndication, 0x43, 304, 304},
    {kHalyxKindIndication, 0x44, 4, 7},     {kHalyxKindIndication, 0x45, 4, 7},
    {kHalyxKindIndication, 0x46, 8, 11},    {kHalyxKindIndication, 0x47, 4, 7},
    {kHalyxKindIndication, 0x48, 4, 7},     {kHalyxKindIndication, 0x49, 16, 18},
    {kHalyxKindIndication, 0x4A, 4, 7},     {kHalyxKindIndication, 0x4B, 12, 14},
    {kHalyxKindIndication, 0x4C, 4, 7},     {kHalyxKindIndication, 0x4D, 16, 22},
    {kHalyxKindIndication, 0x4E, 4, 7},     {kHalyxKindIndication, 0x4F, 4, 7},
    {kHalyxKindIndication, 0x50, 16, 18},   {kHalyxKindIndication, 0x51, 4, 7},
    {kHalyxKindIndication, 0x52, 12, 14},   {kHalyxKindIndication, 0x53, 4, 7},
    {kHalyxKindIndication, 0x54, 16, 18},   {kHalyxKindIndication, 0x55, 20, 25},
    {kHalyxKindIndication, 0x56, 4, 7},     {kHalyxKindIndication, 0x57, 12, 14},
    {kHalyxKindIndication, 0x58, 4, 7},     {kHalyxKindIndication, 0x59, 12, 14},
    {kHalyxKindIndication, 0x5A, 12, 14},   {kHalyxKindIndication, 0x5B, 24, 28},
    {kHalyxKindIndication, 0x5C, 4, 7},     {kHalyxKindIndication, 0x5D, 4, 7},
    {kHalyxKindIndication, 0x5E, 12, 14},   {kHalyxKindIndication, 0x5F, 12, 19},
};

const halyx_service_desc* Loc() { return halyx_location_service_desc(2, 6, 4); }

void ExpectRow(const Row& row) {
    SCOPED_TRACE(::testing::Message() << "kind " << row.kind << " id 0x" << std::hex << row.id);
    std::uint32_t size = 0;
    std::uint32_t max = 0;
    ASSERT_EQ(halyx_message_struct_size(Loc(), row.kind, row.id, &size), 0);
    ASSERT_EQ(halyx_max_encoded_length(Loc(), row.kind, row.id, &max), 0);
    EXPECT_EQ(size, row.size);
    EXPECT_EQ(max, row.max);
}

TEST(LocationDescriptionRows, EveryRequestAndItsResponse) {
    ASSERT_EQ(std::size(kRequests), 50u);
    for (const Row& row : kRequests) {
        ExpectRow(row);
        ExpectRow(Row{kHalyxKindResponse, row.id, kResultSize, kResultMax});
    }
}

TEST(LocationDescriptionRows, EveryIndication) {
    ASSERT_EQ(std::size(kIndications), 60u);
    for (const Row& row : kIndications) ExpectRow(row);
}

}  // namespace
}  // namespace geolumen
