// Every result code of the TLV walker, on the location description and on small descriptions built here
// for the element forms the location tables do not use.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "halyx/idl_format.h"
#include "halyx/location_service.h"
#include "platform/trace.h"
#include "support/halyx_bytes.h"

namespace geolumen {
namespace {

using namespace idl;
using test::Append;
using test::HexBytes;

const halyx_service_desc* Loc() { return halyx_location_service_desc(2, 6, 4); }

int DecodeIndication(std::uint16_t id, const std::vector<std::uint8_t>& wire, std::uint32_t outLen = 4096) {
    std::vector<std::uint8_t> out(4096, 0xAA);
    return halyx_decode_tlvs(Loc(), kHalyxKindIndication, id, wire.data(),
                             static_cast<std::uint32_t>(wire.size()), out.data(), outLen);
}

// Encodes request `id` from `msg` into a buffer of exactly `room` bytes.
int EncodeRequest(std::uint16_t id, const void* msg, std::uint32_t room = 4096,
                  std::uint32_t* len = nullptr) {
    std::vector<std::uint8_t> out(room);
    std::uint32_t ignored = 0;
    return halyx_encode_tlvs(Loc(), kHalyxKindRequest, id, msg, out.data(), room, len ? len : &ignored);
}

// Decoding position-report payloads (mandatory 0x01 u32 status, 0x02 u8 session id).
TEST(TlvDecodeErrors, PositionReportPayloads) {
    struct Case {
        const char* legend;
        const char* wire;
        int expected;
    };
    const Case cases[] = {
        {"both mandatory TLVs", "01 04 00 00 00 00 00 02 01 00 01", 0},
        {"0x02 missing", "01 04 00 00 00 00 00", kHalyxIdlErrMissingTlv},
        {"0x01 twice", "01 04 00 00 00 00 00 01 04 00 00 00 00 00 02 01 00 01", kHalyxIdlErrDuplicateTlv},
        {"unknown mandatory 0x07", "01 04 00 00 00 00 00 02 01 00 01 07 01 00 00", kHalyxIdlErrUnknownTlv},
        {"unknown optional 0x3F skipped", "01 04 00 00 00 00 00 02 01 00 01 3F 02 00 AA BB", 0},
        {"unknown optional 0x1F skipped", "1F 01 00 00 01 04 00 00 00 00 00 02 01 00 01", 0},
        {"length beyond the payload", "01 05 00 00 00 00 00", kHalyxIdlErrLength},
        {"value shorter than u32", "01 02 00 00 00 02 01 00 01", kHalyxIdlErrLength},
        {"value byte left over", "01 04 00 00 00 00 00 02 02 00 01 00", kHalyxIdlErrLength},
        {"header cut after two bytes", "01 04 00 00 00 00 00 02 01 00 01 10 08", kHalyxIdlErrLength},
        {"header cut after one byte", "01 04 00 00 00 00 00 02 01 00 01 10", kHalyxIdlErrLength},
        {"optional value too short", "01 04 00 00 00 00 00 02 01 00 01 10 07 00 00 00 00 00 00 00 00",
         kHalyxIdlErrLength},
        {"empty payload", "", kHalyxIdlErrMissingTlv},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(DecodeIndication(kHalyxLocPositionReport, HexBytes(c.wire)), c.expected) << c.legend;
    }
}

TEST(TlvDecodeErrors, OutputSmallerThanTheStructure) {
    const auto wire = HexBytes("01 04 00 00 00 00 00 02 01 00 01");
    EXPECT_EQ(DecodeIndication(kHalyxLocPositionReport, wire, 239), kHalyxIdlErrBufferTooSmall);
    EXPECT_EQ(DecodeIndication(kHalyxLocPositionReport, wire, 240), 0);
}

TEST(TlvDecodeErrors, UnknownMessageAndBadArguments) {
    const auto wire = HexBytes("01 04 00 00 00 00 00");
    std::uint8_t out[16];
    EXPECT_EQ(halyx_decode_tlvs(Loc(), kHalyxKindIndication, 0x23, wire.data(), 7, out, 16),
              kHalyxIdlErrUnknownMessage);
    EXPECT_EQ(halyx_decode_tlvs(Loc(), kHalyxKindIndication, 0x60, wire.data(), 7, out, 16),
              kHalyxIdlErrUnknownMessage);
    EXPECT_EQ(halyx_decode_tlvs(Loc(), 3, 0x38, wire.data(), 7, out, 16), kHalyxIdlErrBadArgument);
    EXPECT_EQ(halyx_decode_tlvs(nullptr, kHalyxKindIndication, 0x38, wire.data(), 7, out, 16),
              kHalyxIdlErrBadArgument);
    EXPECT_EQ(halyx_decode_tlvs(Loc(), kHalyxKindIndication, 0x38, wire.data(), 7, nullptr, 16),
              kHalyxIdlErrBadArgument);
    EXPECT_EQ(halyx_decode_tlvs(Loc(), kHalyxKindIndication, 0x38, nullptr, 7, out, 16),
              kHalyxIdlErrBadArgument);
}

TEST(TlvDecodeErrors, SatelliteCountAboveTheMaximum) {
    // Count 81 with 81 full entries: 1 + 81 x 28 = 2269 = 0x8DD.
    auto wire = HexBytes("01 01 00 00 10 DD 08 51");
    wire.resize(wire.size() + 81 * 28, 0);
    EXPECT_EQ(DecodeIndication(kHalyxLocSatelliteReport, wire), kHalyxIdlErrArrayOverflow);
    // The count alone is enough to refuse: no entry is read.
    EXPECT_EQ(DecodeIndication(kHalyxLocSatelliteReport, HexBytes("01 01 00 00 10 01 00 51")),
              kHalyxIdlErrArrayOverflow);
    // Count 2 but one entry's bytes: the entries run short.
    auto shortWire = HexBytes("01 01 00 00 10 1D 00 02");
    shortWire.resize(shortWire.size() + 28, 0);
    EXPECT_EQ(DecodeIndication(kHalyxLocSatelliteReport, shortWire), kHalyxIdlErrLength);
}

TEST(TlvDecodeErrors, NmeaSentenceLongerThanItsMaximum) {
    auto wire = HexBytes("01 C9 00");  // 201 characters against a maximum of 200
    wire.resize(3 + 201, 'A');
    EXPECT_EQ(DecodeIndication(kHalyxLocNmeaReport, wire), kHalyxIdlErrArrayOverflow);
}

TEST(TlvEncodeErrors, RoomForHeaderAndValue) {
    halyx_loc_register_events_req m{0x73};
    std::uint32_t len = 0;
    EXPECT_EQ(EncodeRequest(kHalyxLocRegisterEvents, &m, 11, &len), 0);
    EXPECT_EQ(len, 11u);
    EXPECT_EQ(EncodeRequest(kHalyxLocRegisterEvents, &m, 10, &len), kHalyxIdlErrLength);
    EXPECT_EQ(EncodeRequest(kHalyxLocRegisterEvents, &m, 2, &len), kHalyxIdlErrBufferTooSmall);
    EXPECT_EQ(len, 11u);  // a failed call leaves the length alone
}

TEST(TlvEncodeErrors, CountsAboveTheirMaximum) {
    halyx_loc_orbit_part_req orbit{};
    orbit.data_len = 1025;
    EXPECT_EQ(EncodeRequest(kHalyxLocInjectOrbitPart, &orbit), kHalyxIdlErrArrayOverflow);
    halyx_loc_delete_assist_req del{};
    del.satellites_valid = 1;
    del.satellite_count = 129;
    EXPECT_EQ(EncodeRequest(kHalyxLocDeleteAssistData, &del), kHalyxIdlErrArrayOverflow);
    del.satellites_valid = 0;  // an absent list is not counted
    EXPECT_EQ(EncodeRequest(kHalyxLocDeleteAssistData, &del), 0);
}

TEST(TlvEncodeErrors, UnknownMessageAndBadArguments) {
    halyx_loc_register_events_req m{0x73};
    std::uint8_t out[16];
    std::uint32_t len = 0;
    EXPECT_EQ(EncodeRequest(0x24, &m), kHalyxIdlErrUnknownMessage);
    EXPECT_EQ(halyx_encode_tlvs(Loc(), 3, 0x21, &m, out, 16, &len), kHalyxIdlErrBadArgument);
    EXPECT_EQ(halyx_encode_tlvs(nullptr, kHalyxKindRequest, 0x21, &m, out, 16, &len),
              kHalyxIdlErrBadArgument);
    EXPECT_EQ(halyx_encode_tlvs(Loc(), kHalyxKindRequest, 0x21, nullptr, out, 16, &len),
              kHalyxIdlErrBadArgument);
    EXPECT_EQ(halyx_encode_tlvs(Loc(), kHalyxKindRequest, 0x21, &m, nullptr, 16, &len),
              kHalyxIdlErrBadArgument);
    EXPECT_EQ(halyx_encode_tlvs(Loc(), kHalyxKindRequest, 0x21, &m, out, 16, nullptr),
              kHalyxIdlErrBadArgument);
}

TEST(TlvDescriptionVersion, OnlyLibraryVersionsOneToFiveAreRead) {
    for (const std::uint32_t version : {0u, 6u, 0xFFFFFFFFu}) {
        halyx_service_desc bad = *Loc();
        bad.library_version = version;
        std::uint8_t out[16];
        std::uint32_t v = 0;
        halyx_loc_register_events_req m{0x73};
        EXPECT_EQ(halyx_encode_tlvs(&bad, kHalyxKindRequest, 0x21, &m, out, 16, &v), kHalyxIdlErrBadVersion);
        EXPECT_EQ(halyx_decode_tlvs(&bad, kHalyxKindIndication, 0x38, out, 0, out, 16),
                  kHalyxIdlErrBadVersion);
        EXPECT_EQ(halyx_idl_version(&bad, &v), kHalyxIdlErrBadVersion);
        EXPECT_EQ(halyx_service_number(&bad, &v), kHalyxIdlErrBadVersion);
        EXPECT_EQ(halyx_max_message_length(&bad, &v), kHalyxIdlErrBadVersion);
        EXPECT_EQ(halyx_max_encoded_length(&bad, kHalyxKindRequest, 0x21, &v), kHalyxIdlErrBadVersion);
        EXPECT_EQ(halyx_message_struct_size(&bad, kHalyxKindRequest, 0x21, &v), kHalyxIdlErrBadVersion);
    }
    std::uint32_t v = 0;
    EXPECT_EQ(halyx_idl_version(nullptr, &v), kHalyxIdlErrBadArgument);
    EXPECT_EQ(halyx_idl_version(Loc(), nullptr), kHalyxIdlErrBadArgument);
    EXPECT_EQ(halyx_max_encoded_length(Loc(), 3, 0x21, &v), kHalyxIdlErrBadArgument);
}

TEST(TlvDescriptionVersion, VersionFiveSearchesItsParent) {
    static constexpr halyx_message_table kNone[] = {{0x99, 0, 0}};
    halyx_service_desc child = *Loc();
    child.requests = kNone;
    child.request_count = 1;
    child.parent = Loc();
    std::uint32_t size = 0;
    child.library_version = 5;
    ASSERT_EQ(halyx_message_struct_size(&child, kHalyxKindRequest, 0x22, &size), 0);
    EXPECT_EQ(size, 104u);
    child.library_version = 4;  // a parent is only read above version 4
    EXPECT_EQ(halyx_message_struct_size(&child, kHalyxKindRequest, 0x22, &size), kHalyxIdlErrUnknownMessage);
}

TEST(TlvErrorTrace, ErrorsAreTracedWithTheirSourceLine) {
    std::vector<TraceRecord> records;
    const TraceSink previous = SetTraceSink([&](const TraceRecord& r) { records.push_back(r); });
    RegisterTraceProvider();
    SetTraceSession(TRACE_LEVEL_ERROR, TRACE_HALYX);
    const auto wire = HexBytes("01 04 00 00 00 00 00 01 04 00 00 00 00 00");
    EXPECT_EQ(DecodeIndication(kHalyxLocPositionReport, wire), kHalyxIdlErrDuplicateTlv);
    SetTraceSession(TRACE_LEVEL_NONE, 0);
    SetTraceSink(previous);
    ASSERT_EQ(records.size(), 1u);  // the first error only
    EXPECT_GT(records[0].line, 0);
    EXPECT_NE(std::string(records[0].file).find("tlv_codec.cpp"), std::string::npos);
    EXPECT_NE(records[0].text.find("duplicate tlv"), std::string::npos) << records[0].text;
}

TEST(TlvErrorText, ShortStableTexts) {
    EXPECT_STREQ(halyx_idl_error_text(0), "ok");
    EXPECT_STREQ(halyx_idl_error_text(kHalyxIdlErrArrayOverflow), "array overflow");
    EXPECT_STREQ(halyx_idl_error_text(kHalyxIdlErrUnknownTlv), "unknown mandatory tlv");
    EXPECT_STREQ(halyx_idl_error_text(-1), "unknown error");
}

// ---- Element forms beyond the location tables ---------------------------------------------------------

struct Strings {
    char text[256];  // up to 255 characters + terminator
};
struct WithResult {
    halyx_result result;
    std::uint32_t extra;
};
struct Extensions {
    std::int32_t byte_unsigned;  // type 4, extension 0x400
    std::int32_t short_signed;   // type 5
    std::uint32_t words_count;
    std::uint16_t words[8];  // count from the TLV length (0x800)
    std::uint32_t bytes_count;
    std::uint8_t bytes[16];  // four-byte count on the wire (0x4000)
};
struct CountOnly {
    std::uint32_t count;
    std::uint8_t data[16];
};
struct CountFromMemory {
    std::uint32_t count;   // TLV 0x01
    std::uint8_t data[8];  // TLV 0x02, count taken from TLV 0x01
};
struct Fixed {
    std::uint16_t values[3];
};
struct Named {
    std::uint8_t id;
    char name[11];
};

// A description with one request per element form; 0x02 also has a response with a second mandatory TLV.
class SmallDescription : public ::testing::Test {
  protected:
    static constexpr std::size_t kFarOffset = 69999;  // needs a three-byte offset

    const ElementList resultRun_ = ElementList{}
                                       .Member(ShortAsI32(offsetof(halyx_result, result)))
                                       .Member(ShortAsI32(offsetof(halyx_result, error)))
                                       .EndStruct();
    const ElementList namedRun_ =
        ElementList{}.Member(U8(offsetof(Named, id))).Member(String(offsetof(Named, name), 10)).EndStruct();

    const ElementList strings_ = ElementList{}.Mandatory(0x01, String(0, 255)).Last();
    const ElementList withResult_ = ElementList{}
                                        .Mandatory(0x02, Struct(offsetof(WithResult, result), 0, 0))
                                        .Mandatory(0x03, U32(offsetof(WithResult, extra)))
                                        .Last();
    const ElementList extensions_ = [] {
        Field unsignedByte{kTypeByteAsI32, offsetof(Extensions, byte_unsigned)};
        unsignedByte.ext = kExtUnsigned;
        Field words = VarArray(U16(offsetof(Extensions, words)), 8, offsetof(Extensions, words_count));
        words.ext = kExtCountFromLength;
        Field bytes = VarArray(U8(offsetof(Extensions, bytes)), 16, offsetof(Extensions, bytes_count));
        bytes.ext = kExtFourByteCount;
        return ElementList{}
            .Mandatory(0x01, unsignedByte)
            .Mandatory(0x02, ShortAsI32(offsetof(Extensions, short_signed)))
            .Mandatory(0x03, words)
            .Mandatory(0x04, bytes)
            .Last();
    }();
    const ElementList countOnly_ = [] {
        Field f = VarArray(U8(offsetof(CountOnly, data)), 16, offsetof(CountOnly, count));
        f.ext = kExtCountOnly;
        return ElementList{}.Mandatory(0x01, f).Last();
    }();
    const ElementList countFromMemory_ = [] {
        Field f = VarArray(U8(offsetof(CountFromMemory, data)), 8, offsetof(CountFromMemory, count));
        f.ext = kExtCountFromMemory;
        return ElementList{}.Mandatory(0x01, U32(offsetof(CountFromMemory, count))).Mandatory(0x02, f).Last();
    }();
    const ElementList fixed_ = ElementList{}.Mandatory(0x01, FixedArray(U16(0), 3)).Last();
    const ElementList far_ = ElementList{}.Mandatory(0x01, U8(kFarOffset)).Last();
    const ElementList named_ = ElementList{}.Mandatory(0x01, Struct(0, 1, 0)).Last();

    const halyx_message_desc types_[2] = {{sizeof(halyx_result), resultRun_.data()},
                                          {sizeof(Named), namedRun_.data()}};
    const halyx_message_desc messages_[8] = {
        {sizeof(Strings), strings_.data()},
        {sizeof(WithResult), withResult_.data()},
        {sizeof(Extensions), extensions_.data()},
        {sizeof(CountOnly), countOnly_.data()},
        {sizeof(CountFromMemory), countFromMemory_.data()},
        {sizeof(Fixed), fixed_.data()},
        {kFarOffset + 1, far_.data()},
        {sizeof(Named), named_.data()},
    };
    const halyx_type_table* list_[1] = {&table_};
    const halyx_type_table table_{2, 8, 1, types_, messages_, list_, 1};
    const halyx_message_table requests_[8] = {{0x01, 0, 258}, {0x02, 1, 14}, {0x03, 2, 64}, {0x04, 3, 4},
                                              {0x05, 4, 18},  {0x06, 5, 9},  {0x07, 6, 4},  {0x08, 7, 18}};
    const halyx_message_table responses_[1] = {{0x02, 1, 14}};
    const halyx_service_desc desc_{4, 1,         0x42,       512,     8,       1,
                                   0, requests_, responses_, nullptr, &table_, nullptr};

    std::vector<std::uint8_t> Encode(std::uint16_t id, const void* in, int* rc = nullptr) {
        std::vector<std::uint8_t> out(512);
        std::uint32_t len = 0;
        const int r = halyx_encode_tlvs(&desc_, kHalyxKindRequest, id, in, out.data(), 512, &len);
        if (rc) *rc = r;
        out.resize(r == 0 ? len : 0);
        return out;
    }
    int Decode(std::uint32_t kind, std::uint16_t id, const std::vector<std::uint8_t>& wire, void* out,
               std::uint32_t n) {
        return halyx_decode_tlvs(&desc_, kind, id, wire.data(), static_cast<std::uint32_t>(wire.size()), out,
                                 n);
    }
};

TEST_F(SmallDescription, StringOfItsMaximumLengthIsStoredWithTerminator) {
    Strings s{};
    std::memset(s.text, 'x', 255);
    const auto wire = Encode(0x01, &s);
    ASSERT_EQ(wire.size(), 258u);  // 3 + 255, no count: the TLV length gives it
    EXPECT_EQ(wire[1], 0xFF);
    EXPECT_EQ(wire[2], 0x00);
    Strings back;
    std::memset(&back, 0xAA, sizeof back);
    ASSERT_EQ(Decode(kHalyxKindRequest, 0x01, wire, &back, sizeof back), 0);
    EXPECT_EQ(std::string(back.text), std::string(255, 'x'));
}

TEST_F(SmallDescription, StringAboveItsMaximumIsRefused) {
    auto wire = HexBytes("01 00 01");  // 256 characters
    wire.resize(3 + 256, 'y');
    Strings back;
    EXPECT_EQ(Decode(kHalyxKindRequest, 0x01, wire, &back, sizeof back), kHalyxIdlErrArrayOverflow);
    Strings unterminated;
    std::memset(unterminated.text, 'z', sizeof unterminated.text);  // 256 characters, no terminator
    int rc = 0;
    Encode(0x01, &unterminated, &rc);
    EXPECT_EQ(rc, kHalyxIdlErrArrayOverflow);
}

TEST_F(SmallDescription, FailedResponseMayOmitItsOtherMandatoryTlvs) {
    WithResult r;
    // Result 1: TLV 0x03 is not required.
    EXPECT_EQ(Decode(kHalyxKindResponse, 0x02, HexBytes("02 04 00 01 00 05 00"), &r, sizeof r), 0);
    EXPECT_EQ(r.result.result, 1);
    EXPECT_EQ(r.result.error, 5);
    // Result 0: it is.
    EXPECT_EQ(Decode(kHalyxKindResponse, 0x02, HexBytes("02 04 00 00 00 00 00"), &r, sizeof r),
              kHalyxIdlErrMissingTlv);
    // The exemption belongs to responses only.
    EXPECT_EQ(Decode(kHalyxKindRequest, 0x02, HexBytes("02 04 00 01 00 05 00"), &r, sizeof r),
              kHalyxIdlErrMissingTlv);
}

TEST_F(SmallDescription, ExtensionForms) {
    Extensions e{};
    e.byte_unsigned = 0xF0;
    e.short_signed = -2;  // low two bytes FE FF
    e.words_count = 2;
    e.words[0] = 0x1234;
    e.words[1] = 0xABCD;
    e.bytes_count = 3;
    e.bytes[0] = 7;
    e.bytes[1] = 8;
    e.bytes[2] = 9;
    // 0x03: no count, 2 x 2 bytes; 0x04: four-byte count (03 00 00 00) then 3 bytes.
    const auto wire =
        HexBytes("01 01 00 F0 | 02 02 00 FE FF | 03 04 00 34 12 CD AB | 04 07 00 03 00 00 00 07 08 09");
    EXPECT_EQ(Encode(0x03, &e), wire);
    Extensions back;
    std::memset(&back, 0xAA, sizeof back);
    ASSERT_EQ(Decode(kHalyxKindRequest, 0x03, wire, &back, sizeof back), 0);
    EXPECT_EQ(back.byte_unsigned, 0xF0);  // not sign-extended
    EXPECT_EQ(back.short_signed, -2);     // sign-extended
    EXPECT_EQ(back.words_count, 2u);
    EXPECT_EQ(back.words[1], 0xABCD);
    EXPECT_EQ(back.bytes_count, 3u);
    EXPECT_EQ(back.bytes[2], 9);
    // Nine words from the TLV length exceed the maximum of eight.
    auto tooMany = HexBytes("01 01 00 F0 | 02 02 00 FE FF | 03 12 00");
    tooMany.resize(tooMany.size() + 18, 0);
    Append(tooMany, HexBytes("04 04 00 00 00 00 00"));
    EXPECT_EQ(Decode(kHalyxKindRequest, 0x03, tooMany, &back, sizeof back), kHalyxIdlErrArrayOverflow);
}

TEST_F(SmallDescription, CountOnlyAndCountFromMemory) {
    CountOnly c{};
    c.count = 5;
    c.data[0] = 0x55;
    EXPECT_EQ(Encode(0x04, &c), HexBytes("01 01 00 05"));
    CountOnly cBack;
    ASSERT_EQ(Decode(kHalyxKindRequest, 0x04, HexBytes("01 01 00 05"), &cBack, sizeof cBack), 0);
    EXPECT_EQ(cBack.count, 5u);
    EXPECT_EQ(cBack.data[0], 0);

    CountFromMemory m{};
    m.count = 2;
    m.data[0] = 0xA1;
    m.data[1] = 0xA2;
    const auto wire = HexBytes("01 04 00 02 00 00 00 | 02 02 00 A1 A2");
    EXPECT_EQ(Encode(0x05, &m), wire);
    CountFromMemory mBack;
    ASSERT_EQ(Decode(kHalyxKindRequest, 0x05, wire, &mBack, sizeof mBack), 0);
    EXPECT_EQ(mBack.data[1], 0xA2);
    // The count decoded from TLV 0x01 above the array's maximum of 8.
    EXPECT_EQ(Decode(kHalyxKindRequest, 0x05, HexBytes("01 04 00 09 00 00 00 | 02 02 00 A1 A2"), &mBack,
                     sizeof mBack),
              kHalyxIdlErrArrayOverflow);
}

TEST_F(SmallDescription, FixedArrayFarOffsetAndStringInsideAStructure) {
    Fixed f{{1, 2, 0x0300}};
    EXPECT_EQ(Encode(0x06, &f), HexBytes("01 06 00 01 00 02 00 00 03"));
    Fixed fBack;
    EXPECT_EQ(Decode(kHalyxKindRequest, 0x06, HexBytes("01 04 00 01 00 02 00"), &fBack, sizeof fBack),
              kHalyxIdlErrLength);

    std::vector<std::uint8_t> far(kFarOffset + 1, 0);
    far[kFarOffset] = 0x5A;
    EXPECT_EQ(Encode(0x07, far.data()), HexBytes("01 01 00 5A"));
    std::vector<std::uint8_t> farBack(kFarOffset + 1, 0xAA);
    ASSERT_EQ(Decode(kHalyxKindRequest, 0x07, HexBytes("01 01 00 5B"), farBack.data(), kFarOffset + 1), 0);
    EXPECT_EQ(farBack[kFarOffset], 0x5B);
    EXPECT_EQ(farBack[0], 0);

    Named n{};
    n.id = 4;
    std::strcpy(n.name, "GNSS");
    // Inside a structure the string carries its count: 1 + 1 + 4 = 6.
    const auto wire = HexBytes("01 06 00 04 04 47 4E 53 53");
    EXPECT_EQ(Encode(0x08, &n), wire);
    Named nBack;
    std::memset(&nBack, 0xAA, sizeof nBack);
    ASSERT_EQ(Decode(kHalyxKindRequest, 0x08, wire, &nBack, sizeof nBack), 0);
    EXPECT_STREQ(nBack.name, "GNSS");
    EXPECT_EQ(Decode(kHalyxKindRequest, 0x08, HexBytes("01 06 00 04 0B 47 4E 53 53"), &nBack, sizeof nBack),
              kHalyxIdlErrArrayOverflow);  // 11 characters against 10
}

TEST_F(SmallDescription, DescriptionPointingOutsideItsTablesIsRefused) {
    halyx_message_table rows[1] = {{0x01, 0x0105, 4}};  // table list index 1 does not exist
    halyx_service_desc bad = desc_;
    bad.requests = rows;
    bad.request_count = 1;
    std::uint32_t size = 0;
    EXPECT_EQ(halyx_message_struct_size(&bad, kHalyxKindRequest, 0x01, &size), kHalyxIdlErrBadArgument);
    rows[0].desc_index = 0x0008;  // message 8 of 8
    EXPECT_EQ(halyx_message_struct_size(&bad, kHalyxKindRequest, 0x01, &size), kHalyxIdlErrBadArgument);
}

}  // namespace
}  // namespace geolumen
