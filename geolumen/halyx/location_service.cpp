// The location service's description: element lists, type tables and message tables.
//
// Decisions where the service leaves a choice, made once here:
// - TLV order: every element list is in ascending TLV type, so the encoder writes TLVs in that order. The
//   decoder accepts any order.
// - Position report: only the TLVs the driver reads are listed. The others it may carry (0x13-0x17, 0x19,
//   0x1D-0x1F, 0x21, 0x26-0x2B) are optional TLVs whose sizes the driver does not depend on, so the decoder
//   skips them whatever their length instead of refusing a whole report over a TLV it never reads.
// - Result indications 0x32-0x5F carry their 32-bit status as mandatory TLV 0x01; the orbit-part result
//   (0x35) adds optional TLV 0x10, the part number echoed as u16.
// - Messages whose TLVs the driver neither sends nor reads have no element list: encoding them yields no
//   TLVs, and decoding skips their optional TLVs and refuses mandatory ones. Their structure sizes and
//   longest encodings are kept, as the client layer sizes its buffers from them.
//
// Every list is built from offsetof() of the structures in location_service.h, and static_asserts below
// check each structure size and each list (offsets, valid bytes, counts, longest encoding) against the
// message tables at compile time.
#include "halyx/location_service.h"

#include <array>
#include <cstddef>

#include "halyx/idl_format.h"

namespace geolumen {
namespace {

using namespace idl;

// ---- Structure types ------------------------------------------------------------------------------------

// Own type table's types.
constexpr std::uint8_t kSatelliteInfoType = 0;
constexpr std::uint8_t kDeleteEntryType = 1;
constexpr std::uint8_t kDopType = 2;
// Index of a table in the own table's list.
constexpr std::uint8_t kOwnTable = 0;
constexpr std::uint8_t kCommonTable = 1;
// Common table's only type: the result of every response.
constexpr std::uint8_t kResultType = 0;

using Sat = halyx_loc_satellite_info;
constexpr ElementList kSatelliteInfoRun = ElementList{}
                                              .Member(U32(offsetof(Sat, valid_mask)))
                                              .Member(U32(offsetof(Sat, system)))
                                              .Member(U16(offsetof(Sat, satellite_id)))
                                              .Member(U8(offsetof(Sat, aux_1)))
                                              .Member(U32(offsetof(Sat, aux_2)))
                                              .Member(U8(offsetof(Sat, aux_3)))
                                              .Member(F32(offsetof(Sat, elevation)))
                                              .Member(F32(offsetof(Sat, azimuth)))
                                              .Member(F32(offsetof(Sat, snr)))
                                              .EndStruct();

using Del = halyx_loc_delete_entry;
constexpr ElementList kDeleteEntryRun = ElementList{}
                                            .Member(U16(offsetof(Del, satellite_id)))
                                            .Member(U32(offsetof(Del, system)))
                                            .Member(U8(offsetof(Del, option)))
                                            .EndStruct();

constexpr ElementList kDopRun = ElementList{}
                                    .Member(F32(offsetof(halyx_loc_dop, pdop)))
                                    .Member(F32(offsetof(halyx_loc_dop, hdop)))
                                    .Member(F32(offsetof(halyx_loc_dop, vdop)))
                                    .EndStruct();

constexpr ElementList kResultRun = ElementList{}
                                       .Member(ShortAsI32(offsetof(halyx_result, result)))
                                       .Member(ShortAsI32(offsetof(halyx_result, error)))
                                       .EndStruct();

constexpr halyx_message_desc kOwnTypes[] = {
    {sizeof(halyx_loc_satellite_info), kSatelliteInfoRun.data()},
    {sizeof(halyx_loc_delete_entry), kDeleteEntryRun.data()},
    {sizeof(halyx_loc_dop), kDopRun.data()},
};
constexpr halyx_message_desc kCommonTypes[] = {{sizeof(halyx_result), kResultRun.data()}};

// ---- Element lists of requests -------------------------------------------------------------------------

constexpr ElementList kRegisterEventsList =
    ElementList{}.Mandatory(0x01, U64(offsetof(halyx_loc_register_events_req, event_mask))).Last();

using Start = halyx_loc_start_session_req;
constexpr ElementList kStartSessionList =
    ElementList{}
        .Mandatory(0x01, U8(offsetof(Start, session_id)))
        .Optional(0x10, offsetof(Start, option_10_valid), U32(offsetof(Start, option_10)))
        .Optional(0x11, offsetof(Start, accuracy_level_valid), U32(offsetof(Start, accuracy_level)))
        .Optional(0x12, offsetof(Start, option_12_valid), U32(offsetof(Start, option_12)))
        .Optional(0x13, offsetof(Start, interval_ms_valid), U32(offsetof(Start, interval_ms)))
        .Last();

constexpr ElementList kStopSessionList =
    ElementList{}.Mandatory(0x01, U8(offsetof(halyx_loc_stop_session_req, session_id))).Last();

using Orbit = halyx_loc_orbit_part_req;
constexpr ElementList kOrbitPartList =
    ElementList{}
        .Mandatory(0x01, U32(offsetof(Orbit, total_size)))
        .Mandatory(0x02, U16(offsetof(Orbit, part_count)))
        .Mandatory(0x03, U16(offsetof(Orbit, part_number)))
        .Mandatory(0x04,
                   VarArray(U8(offsetof(Orbit, data)), kHalyxLocOrbitPartMax, offsetof(Orbit, data_len)))
        .Optional(0x10, offsetof(Orbit, option_10_valid), U32(offsetof(Orbit, option_10)))
        .Last();

constexpr ElementList kUtcTimeList =
    ElementList{}
        .Mandatory(0x01, U64(offsetof(halyx_loc_utc_time_req, utc_ms)))
        .Mandatory(0x02, U32(offsetof(halyx_loc_utc_time_req, uncertainty_ms)))
        .Last();

using Pos = halyx_loc_inject_position_req;
constexpr ElementList kInjectPositionList =
    ElementList{}
        .Optional(0x10, offsetof(Pos, latitude_valid), F64(offsetof(Pos, latitude)))
        .Optional(0x11, offsetof(Pos, longitude_valid), F64(offsetof(Pos, longitude)))
        .Optional(0x12, offsetof(Pos, error_radius_valid), F32(offsetof(Pos, error_radius)))
        .Optional(0x13, offsetof(Pos, option_13_valid), U8(offsetof(Pos, option_13)))
        .Optional(0x16, offsetof(Pos, altitude_valid), F32(offsetof(Pos, altitude)))
        .Last();

using DelReq = halyx_loc_delete_assist_req;
constexpr ElementList kDeleteAssistList =
    ElementList{}
        .Mandatory(0x01, U8(offsetof(DelReq, delete_all)))
        .Optional(0x10, offsetof(DelReq, satellites_valid),
                  VarArray(Struct(offsetof(DelReq, satellites), kDeleteEntryType, kOwnTable),
                           kHalyxLocMaxDeleteEntries, offsetof(DelReq, satellite_count)))
        .Optional(0x11, offsetof(DelReq, option_11_valid), U64(offsetof(DelReq, option_11)))
        .Optional(0x12, offsetof(DelReq, option_12_valid), U32(offsetof(DelReq, option_12)))
        .Optional(0x13, offsetof(DelReq, option_13_valid), U32(offsetof(DelReq, option_13)))
        .Last();

constexpr ElementList kRequest4AList =
    ElementList{}.Mandatory(0x01, U32(offsetof(halyx_loc_request_4a, value))).Last();

constexpr ElementList kRequest54List = ElementList{}
                                           .Optional(0x10, offsetof(halyx_loc_request_54, option_10_valid),
                                                     U8(offsetof(halyx_loc_request_54, option_10)))
                                           .Last();

constexpr ElementList kRequest55List =
    ElementList{}.Mandatory(0x01, U64(offsetof(halyx_loc_request_55, value))).Last();

// ---- Element lists of responses and indications --------------------------------------------------------

constexpr ElementList kResponseList =
    ElementList{}.Mandatory(0x02, Struct(0, kResultType, kCommonTable)).Last();

using Rep = halyx_loc_position_report;
constexpr ElementList kPositionReportList =
    ElementList{}
        .Mandatory(0x01, U32(offsetof(Rep, status)))
        .Mandatory(0x02, U8(offsetof(Rep, session_id)))
        .Optional(0x10, offsetof(Rep, latitude_valid), F64(offsetof(Rep, latitude)))
        .Optional(0x11, offsetof(Rep, longitude_valid), F64(offsetof(Rep, longitude)))
        .Optional(0x12, offsetof(Rep, error_radius_valid), F32(offsetof(Rep, error_radius)))
        .Optional(0x18, offsetof(Rep, speed_valid), F32(offsetof(Rep, speed)))
        .Optional(0x1A, offsetof(Rep, altitude_ellipsoid_valid), F32(offsetof(Rep, altitude_ellipsoid)))
        .Optional(0x1B, offsetof(Rep, altitude_sea_level_valid), F32(offsetof(Rep, altitude_sea_level)))
        .Optional(0x1C, offsetof(Rep, vertical_uncertainty_valid), F32(offsetof(Rep, vertical_uncertainty)))
        .Optional(0x20, offsetof(Rep, heading_valid), F32(offsetof(Rep, heading)))
        .Optional(0x22, offsetof(Rep, magnetic_deviation_valid), F32(offsetof(Rep, magnetic_deviation)))
        .Optional(0x23, offsetof(Rep, technology_mask_valid), U32(offsetof(Rep, technology_mask)))
        .Optional(0x24, offsetof(Rep, dop_valid), Struct(offsetof(Rep, dop), kDopType, kOwnTable))
        .Optional(0x25, offsetof(Rep, utc_ms_valid), U64(offsetof(Rep, utc_ms)))
        .Last();

using SatRep = halyx_loc_satellite_report;
constexpr ElementList kSatelliteReportList =
    ElementList{}
        .Mandatory(0x01, U8(offsetof(SatRep, tlv_01)))
        .Optional(0x10, offsetof(SatRep, satellites_valid),
                  VarArray(Struct(offsetof(SatRep, satellites), kSatelliteInfoType, kOwnTable),
                           kHalyxLocMaxSatellites, offsetof(SatRep, satellite_count)))
        .Last();

constexpr ElementList kNmeaReportList =
    ElementList{}
        .Mandatory(0x01, String(offsetof(halyx_loc_nmea_report, sentence), kHalyxLocMaxNmeaChars))
        .Last();

constexpr ElementList kResultIndList =
    ElementList{}.Mandatory(0x01, U32(offsetof(halyx_loc_result_ind, status))).Last();

using OrbitRes = halyx_loc_orbit_part_result_ind;
constexpr ElementList kOrbitPartResultList =
    ElementList{}
        .Mandatory(0x01, U32(offsetof(OrbitRes, status)))
        .Optional(0x10, offsetof(OrbitRes, part_number_valid), U16(offsetof(OrbitRes, part_number)))
        .Last();

// ---- Message catalogue ---------------------------------------------------------------------------------

// One message of a kind: id, in-memory structure size, longest encoding, element list (null: none).
// `complete` says the list holds every TLV the message can carry, so its longest encoding must equal the
// table's; otherwise it may be shorter.
struct Row {
    std::uint16_t id;
    std::uint32_t size;
    std::uint16_t max_length;
    const ElementList* list = nullptr;
    bool complete = false;
};

constexpr Row kRequestRows[] = {
    {0x20, 4, 7},
    {0x21, 8, 11, &kRegisterEventsList, true},
    {0x22, 104, 103, &kStartSessionList},
    {0x23, 1, 4, &kStopSessionList, true},
    {0x32, 0, 0, nullptr, true},
    {0x33, 0, 0, nullptr, true},
    {0x34, 1116, 1075},
    {0x35, 1044, 1053, &kOrbitPartList, true},
    {0x36, 0, 0, nullptr, true},
    {0x37, 0, 0, nullptr, true},
    {0x38, 16, 18, &kUtcTimeList, true},
    {0x39, 128, 112, &kInjectPositionList},
    {0x3A, 4, 7},
    {0x3B, 0, 0, nullptr, true},
    {0x3C, 1, 4},
    {0x3D, 0, 0, nullptr, true},
    {0x3E, 4, 7},
    {0x3F, 0, 0, nullptr, true},
    {0x40, 1, 4},
    {0x41, 0, 0, nullptr, true},
    {0x42, 300, 297},
    {0x43, 8, 11},
    {0x44, 1576, 929, &kDeleteAssistList, true},
    {0x45, 1, 4},
    {0x46, 0, 0, nullptr, true},
    {0x47, 856, 694},
    {0x48, 4, 7},
    {0x49, 0, 0, nullptr, true},
    {0x4A, 4, 7, &kRequest4AList, true},
    {0x4B, 0, 0, nullptr, true},
    {0x4C, 3, 8},
    {0x4D, 1640, 1425},
    {0x4E, 12, 21},
    {0x4F, 8, 11},
    {0x50, 0, 0, nullptr, true},
    {0x51, 4, 7},
    {0x52, 0, 0, nullptr, true},
    {0x53, 124, 129},
    {0x54, 16, 18, &kRequest54List},
    {0x55, 8, 11, &kRequest55List, true},
    {0x56, 8, 7},
    {0x57, 0, 0, nullptr, true},
    {0x58, 8, 7},
    {0x59, 0, 0, nullptr, true},
    {0x5A, 20, 21},
    {0x5B, 0, 0, nullptr, true},
    {0x5C, 2008, 2009},
    {0x5D, 2, 4},
    {0x5E, 6, 12},
    {0x5F, 4, 7},
};

constexpr Row kIndicationRows[] = {
    {0x24, 240, 224, &kPositionReportList},
    {0x25, 2568, 2248, &kSatelliteReportList, true},
    {0x26, 201, 203, &kNmeaReportList, true},
    {0x27, 1112, 1068},
    {0x28, 780, 776},
    {0x29, 784, 783},
    {0x2A, 32, 40},
    {0x2B, 4, 7},
    {0x2C, 8, 11},
    {0x2D, 8, 12},
    {0x2E, 16, 16},
    {0x2F, 4, 7},
    {0x30, 1, 4},
    {0x31, 12, 21},
    {0x32, 8, 14, &kResultIndList},
    {0x33, 100, 99, &kResultIndList},
    {0x34, 4, 7, &kResultIndList, true},
    {0x35, 8, 12, &kOrbitPartResultList, true},
    {0x36, 792, 790, &kResultIndList},
    {0x37, 24, 20, &kResultIndList},
    {0x38, 4, 7, &kResultIndList, true},
    {0x39, 4, 7, &kResultIndList, true},
    {0x3A, 4, 7, &kResultIndList, true},
    {0x3B, 12, 14, &kResultIndList},
    {0x3C, 4, 7, &kResultIndList, true},
    {0x3D, 8, 11, &kResultIndList},
    {0x3E, 4, 7, &kResultIndList, true},
    {0x3F, 12, 14, &kResultIndList},
    {0x40, 4, 7, &kResultIndList, true},
    {0x41, 8, 11, &kResultIndList},
    {0x42, 4, 7, &kResultIndList, true},
    {0x43, 304, 304, &kResultIndList},
    {0x44, 4, 7, &kResultIndList, true},
    {0x45, 4, 7, &kResultIndList, true},
    {0x46, 8, 11, &kResultIndList},
    {0x47, 4, 7, &kResultIndList, true},
    {0x48, 4, 7, &kResultIndList, true},
    {0x49, 16, 18, &kResultIndList},
    {0x4A, 4, 7, &kResultIndList, true},
    {0x4B, 12, 14, &kResultIndList},
    {0x4C, 4, 7, &kResultIndList, true},
    {0x4D, 16, 22, &kResultIndList},
    {0x4E, 4, 7, &kResultIndList, true},
    {0x4F, 4, 7, &kResultIndList, true},
    {0x50, 16, 18, &kResultIndList},
    {0x51, 4, 7, &kResultIndList, true},
    {0x52, 12, 14, &kResultIndList},
    {0x53, 4, 7, &kResultIndList, true},
    {0x54, 16, 18, &kResultIndList},
    {0x55, 20, 25, &kResultIndList},
    {0x56, 4, 7, &kResultIndList, true},
    {0x57, 12, 14, &kResultIndList},
    {0x58, 4, 7, &kResultIndList, true},
    {0x59, 12, 14, &kResultIndList},
    {0x5A, 12, 14, &kResultIndList},
    {0x5B, 24, 28, &kResultIndList},
    {0x5C, 4, 7, &kResultIndList, true},
    {0x5D, 4, 7, &kResultIndList, true},
    {0x5E, 12, 14, &kResultIndList},
    {0x5F, 12, 19, &kResultIndList},
};

constexpr std::size_t kRequestCount = std::size(kRequestRows);
constexpr std::size_t kIndicationCount = std::size(kIndicationRows);
static_assert(kRequestCount == 50 && kIndicationCount == 60);

// Every response is the common result with TLV 0x02 only: 3 + 2 + 2 bytes.
constexpr std::uint32_t kResponseSize = sizeof(halyx_result);
constexpr std::uint16_t kResponseMaxLength = 7;

// Message descriptions of the own table: requests, then indications, then the one response.
constexpr std::size_t kFirstIndicationDesc = kRequestCount;
constexpr std::size_t kResponseDesc = kRequestCount + kIndicationCount;
constexpr std::size_t kMessageDescCount = kResponseDesc + 1;
static_assert(kMessageDescCount == 111 && kMessageDescCount <= 0x100);

constexpr halyx_message_desc DescOf(const Row& r) { return {r.size, r.list ? r.list->data() : nullptr}; }

constexpr std::array<halyx_message_desc, kMessageDescCount> kMessageDescs = [] {
    std::array<halyx_message_desc, kMessageDescCount> d{};
    for (std::size_t i = 0; i < kRequestCount; ++i) d[i] = DescOf(kRequestRows[i]);
    for (std::size_t i = 0; i < kIndicationCount; ++i)
        d[kFirstIndicationDesc + i] = DescOf(kIndicationRows[i]);
    d[kResponseDesc] = {kResponseSize, kResponseList.data()};
    return d;
}();

constexpr std::uint16_t DescIndex(std::uint8_t table, std::size_t index) {
    return static_cast<std::uint16_t>((table << 8) | index);
}

constexpr std::array<halyx_message_table, kRequestCount> kRequests = [] {
    std::array<halyx_message_table, kRequestCount> t{};
    for (std::size_t i = 0; i < kRequestCount; ++i) {
        t[i] = {kRequestRows[i].id, DescIndex(kOwnTable, i), kRequestRows[i].max_length};
    }
    return t;
}();

constexpr std::array<halyx_message_table, kRequestCount> kResponses = [] {
    std::array<halyx_message_table, kRequestCount> t{};
    for (std::size_t i = 0; i < kRequestCount; ++i) {
        t[i] = {kRequestRows[i].id, DescIndex(kOwnTable, kResponseDesc), kResponseMaxLength};
    }
    return t;
}();

constexpr std::array<halyx_message_table, kIndicationCount> kIndications = [] {
    std::array<halyx_message_table, kIndicationCount> t{};
    for (std::size_t i = 0; i < kIndicationCount; ++i) {
        t[i] = {kIndicationRows[i].id, DescIndex(kOwnTable, kFirstIndicationDesc + i),
                kIndicationRows[i].max_length};
    }
    return t;
}();

// ---- Type tables and the description -------------------------------------------------------------------

extern const halyx_type_table kOwnTypeTable;
extern const halyx_type_table kCommonTypeTable;

constexpr const halyx_type_table* kOwnTableList[] = {&kOwnTypeTable, &kCommonTypeTable};
constexpr const halyx_type_table* kCommonTableList[] = {&kCommonTypeTable};

constexpr halyx_type_table kOwnTypeTable{static_cast<std::uint16_t>(std::size(kOwnTypes)),
                                         static_cast<std::uint16_t>(kMessageDescCount),
                                         1,
                                         kOwnTypes,
                                         kMessageDescs.data(),
                                         kOwnTableList,
                                         static_cast<std::uint32_t>(std::size(kOwnTableList))};

constexpr halyx_type_table kCommonTypeTable{
    static_cast<std::uint16_t>(std::size(kCommonTypes)),    0, 1, kCommonTypes, nullptr, kCommonTableList,
    static_cast<std::uint32_t>(std::size(kCommonTableList))};

constexpr halyx_service_desc kLocationDesc{
    kHalyxLocLibraryVersion,
    kHalyxLocIdlMajor,
    kHalyxLocationService,
    kHalyxLocMaxMessageLength,
    static_cast<std::uint16_t>(kRequestCount),
    static_cast<std::uint16_t>(kRequestCount),
    static_cast<std::uint16_t>(kIndicationCount),
    kRequests.data(),
    kResponses.data(),
    kIndications.data(),
    &kOwnTypeTable,
    nullptr,
};

// ---- Compile-time checks -------------------------------------------------------------------------------

constexpr const Row& RowOf(const Row* rows, std::size_t n, std::uint16_t id) {
    for (std::size_t i = 0; i < n; ++i) {
        if (rows[i].id == id) return rows[i];
    }
    return rows[n];  // not constant: an id missing from the table stops the build
}
constexpr const Row& Request(std::uint16_t id) { return RowOf(kRequestRows, kRequestCount, id); }
constexpr const Row& Indication(std::uint16_t id) { return RowOf(kIndicationRows, kIndicationCount, id); }

// Each list fits its structure, and its longest encoding stays within (or, when complete, equals) the
// table's; no encoding is longer than the service allows.
constexpr bool RowsConsistent(const Row* rows, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) {
        const Row& r = rows[i];
        const ListCheck c = CheckMessageList(DescOf(r), &kOwnTypeTable);
        if (!c.ok || c.max_wire > r.max_length || (r.complete && c.max_wire != r.max_length)) return false;
        if (r.max_length > kHalyxLocMaxMessageLength) return false;
        for (std::size_t j = 0; j < i; ++j) {
            if (rows[j].id == r.id) return false;
        }
    }
    return true;
}
static_assert(RowsConsistent(kRequestRows, kRequestCount));
static_assert(RowsConsistent(kIndicationRows, kIndicationCount));
static_assert(CheckMessageList({kResponseSize, kResponseList.data()}, &kOwnTypeTable).max_wire ==
              kResponseMaxLength);
static_assert(StructFits(kOwnTypes[kSatelliteInfoType], &kOwnTypeTable) &&
              StructFits(kOwnTypes[kDeleteEntryType], &kOwnTypeTable) &&
              StructFits(kOwnTypes[kDopType], &kOwnTypeTable));

// The TLVs of the position report the driver reads: 7 + 4 + 2 x 11 + 8 x 7 + 15 + 11 = 115 bytes at most.
static_assert(CheckMessageList(DescOf(Indication(kHalyxLocPositionReport)), &kOwnTypeTable).max_wire == 115);
// A satellite entry is 28 bytes on the wire, 32 in memory.
static_assert(MaxStructWire(kOwnTypes[kSatelliteInfoType], &kOwnTypeTable) == 28);

// The structures are the sizes the tables give.
static_assert(sizeof(halyx_loc_register_events_req) == Request(kHalyxLocRegisterEvents).size);
static_assert(sizeof(halyx_loc_start_session_req) == Request(kHalyxLocStartSession).size);
static_assert(sizeof(halyx_loc_stop_session_req) == Request(kHalyxLocStopSession).size);
static_assert(sizeof(halyx_loc_orbit_part_req) == Request(kHalyxLocInjectOrbitPart).size);
static_assert(sizeof(halyx_loc_utc_time_req) == Request(kHalyxLocInjectUtcTime).size);
static_assert(sizeof(halyx_loc_inject_position_req) == Request(kHalyxLocInjectPosition).size);
static_assert(sizeof(halyx_loc_delete_assist_req) == Request(kHalyxLocDeleteAssistData).size);
static_assert(sizeof(halyx_loc_request_4a) == Request(kHalyxLocRequest4A).size);
static_assert(sizeof(halyx_loc_request_54) == Request(kHalyxLocRequest54).size);
static_assert(sizeof(halyx_loc_request_55) == Request(kHalyxLocRequest55).size);
static_assert(sizeof(halyx_loc_position_report) == Indication(kHalyxLocPositionReport).size);
static_assert(sizeof(halyx_loc_satellite_report) == Indication(kHalyxLocSatelliteReport).size);
static_assert(sizeof(halyx_loc_nmea_report) == Indication(kHalyxLocNmeaReport).size);
static_assert(sizeof(halyx_loc_orbit_part_result_ind) == Indication(kHalyxLocInjectOrbitPart).size);
static_assert(sizeof(halyx_loc_satellite_info) == 32);

}  // namespace

const halyx_service_desc* halyx_location_service_desc(std::uint32_t idl_major, std::uint32_t idl_minor,
                                                      std::uint32_t library_version) {
    if (idl_major != kHalyxLocIdlMajor || idl_minor != kHalyxLocIdlMinor ||
        library_version != kHalyxLocLibraryVersion) {
        return nullptr;
    }
    static const bool declared = (halyx_declare_static_description(&kLocationDesc), true);
    (void)declared;
    return &kLocationDesc;
}

}  // namespace geolumen
