// The location service (service 0x10) as the driver sees it: message ids, the in-memory structures of the
// messages the driver sends and reads, and the service description the codec walks.
//
// Structures are plain little-endian-host C layouts. An optional TLV's field has a `_valid` byte before
// it: the encoder sends the TLV only when it is non-zero, the decoder sets it to 1 when the TLV arrived.
// `reserved` tails keep a structure at the size the service's description gives for TLVs the driver does
// not use. Sizes and offsets are checked against the description at compile time (location_service.cpp).
#pragma once

#include <cstdint>

#include "halyx/halyx_services.h"
#include "halyx/tlv_codec.h"

namespace geolumen {

inline constexpr std::uint32_t kHalyxLocIdlMajor = 2;
inline constexpr std::uint32_t kHalyxLocIdlMinor = 6;
inline constexpr std::uint32_t kHalyxLocLibraryVersion = 4;
// The longest payload of the service (a full satellite report).
inline constexpr std::uint32_t kHalyxLocMaxMessageLength = 2248;

// Message ids the driver uses. Requests 0x20-0x23 and 0x32-0x5F exist (each with a response of the same
// id); indications 0x24-0x31 are events, 0x32-0x5F carry the outcome of the request with the same id.
inline constexpr std::uint16_t kHalyxLocRegisterEvents = 0x21;
inline constexpr std::uint16_t kHalyxLocStartSession = 0x22;
inline constexpr std::uint16_t kHalyxLocStopSession = 0x23;
inline constexpr std::uint16_t kHalyxLocPositionReport = 0x24;   // indication
inline constexpr std::uint16_t kHalyxLocSatelliteReport = 0x25;  // indication
inline constexpr std::uint16_t kHalyxLocNmeaReport = 0x26;       // indication
inline constexpr std::uint16_t kHalyxLocTimeRequest = 0x28;      // indication
inline constexpr std::uint16_t kHalyxLocOrbitRequest = 0x29;     // indication
inline constexpr std::uint16_t kHalyxLocPositionRequest = 0x2A;  // indication
inline constexpr std::uint16_t kHalyxLocInjectOrbitPart = 0x35;
inline constexpr std::uint16_t kHalyxLocInjectUtcTime = 0x38;
inline constexpr std::uint16_t kHalyxLocInjectPosition = 0x39;
inline constexpr std::uint16_t kHalyxLocDeleteAssistData = 0x44;
inline constexpr std::uint16_t kHalyxLocRequest4A = 0x4A;  // sent on open when asked; meaning is the modem's
inline constexpr std::uint16_t kHalyxLocRequest54 = 0x54;  // sent on open; meaning is the modem's
inline constexpr std::uint16_t kHalyxLocRequest55 = 0x55;  // sent on open; meaning is the modem's

// The most bytes of predicted-orbit data one 0x35 request carries.
inline constexpr std::uint32_t kHalyxLocOrbitPartMax = 1024;
// The most satellites in one satellite report.
inline constexpr std::uint32_t kHalyxLocMaxSatellites = 80;
// The most entries of the delete-assistance satellite list.
inline constexpr std::uint32_t kHalyxLocMaxDeleteEntries = 128;
// The most characters of an NMEA report.
inline constexpr std::uint32_t kHalyxLocMaxNmeaChars = 200;

// TLV 0x02 of every response (common type): wire u16 result (0 success, 1 failure), u16 error; both
// sign-extended into 32 bits.
struct halyx_result {
    std::int32_t result;
    std::int32_t error;
};

// 0x21: TLV 0x01 u64 event mask.
struct halyx_loc_register_events_req {
    std::uint64_t event_mask;
};

// 0x22: TLV 0x01 u8 session id; optional 0x10, 0x11 (accuracy level), 0x12, 0x13 (interval) u32.
struct halyx_loc_start_session_req {
    std::uint8_t session_id;
    std::uint8_t option_10_valid;
    std::uint32_t option_10;
    std::uint8_t accuracy_level_valid;
    std::uint32_t accuracy_level;
    std::uint8_t option_12_valid;
    std::uint32_t option_12;
    std::uint8_t interval_ms_valid;
    std::uint32_t interval_ms;
    std::uint8_t reserved[72];
};

// 0x23: TLV 0x01 u8 session id.
struct halyx_loc_stop_session_req {
    std::uint8_t session_id;
};

// 0x35: TLVs 0x01 u32 total size, 0x02 u16 number of parts, 0x03 u16 part number (from 1), 0x04 u16 count
// + data bytes; optional 0x10 u32.
struct halyx_loc_orbit_part_req {
    std::uint32_t total_size;
    std::uint16_t part_count;
    std::uint16_t part_number;
    std::uint32_t data_len;
    std::uint8_t data[kHalyxLocOrbitPartMax];
    std::uint8_t option_10_valid;
    std::uint32_t option_10;
};

// 0x38: TLVs 0x01 u64 UTC milliseconds since 1970, 0x02 u32 uncertainty in milliseconds.
struct halyx_loc_utc_time_req {
    std::uint64_t utc_ms;
    std::uint32_t uncertainty_ms;
};

// 0x39: optional TLVs 0x10 latitude and 0x11 longitude (double degrees), 0x12 error radius (float metres),
// 0x13 u8, 0x16 altitude (float metres).
struct halyx_loc_inject_position_req {
    std::uint8_t latitude_valid;
    double latitude;
    std::uint8_t longitude_valid;
    double longitude;
    std::uint8_t error_radius_valid;
    float error_radius;
    std::uint8_t option_13_valid;
    std::uint8_t option_13;
    std::uint8_t altitude_valid;
    float altitude;
    std::uint8_t reserved[76];
};

// One satellite of the delete-assistance list: wire u16 id, u32 system, u8.
struct halyx_loc_delete_entry {
    std::uint16_t satellite_id;
    std::uint32_t system;
    std::uint8_t option;
};

// 0x44: TLV 0x01 u8 delete all; optional 0x10 list (u8 count + entries), 0x11 u64, 0x12 u32, 0x13 u32.
struct halyx_loc_delete_assist_req {
    std::uint8_t delete_all;
    std::uint8_t satellites_valid;
    std::uint32_t satellite_count;
    halyx_loc_delete_entry satellites[kHalyxLocMaxDeleteEntries];
    std::uint8_t option_11_valid;
    std::uint64_t option_11;
    std::uint8_t option_12_valid;
    std::uint32_t option_12;
    std::uint8_t option_13_valid;
    std::uint32_t option_13;
};

// 0x4A: TLV 0x01 u32.
struct halyx_loc_request_4a {
    std::uint32_t value;
};

// 0x54: optional TLV 0x10 u8.
struct halyx_loc_request_54 {
    std::uint8_t option_10_valid;
    std::uint8_t option_10;
    std::uint8_t reserved[14];
};

// 0x55: TLV 0x01 u64.
struct halyx_loc_request_55 {
    std::uint64_t value;
};

// Dilution of precision, TLV 0x24 of the position report: three floats.
struct halyx_loc_dop {
    float pdop;
    float hdop;
    float vdop;
};

// Indication 0x24. Mandatory 0x01 u32 session status (0 final, 1 intermediate, 7 engine unavailable) and
// 0x02 u8 session id; the rest optional (see the fields).
struct halyx_loc_position_report {
    std::uint32_t status;
    std::uint8_t session_id;
    std::uint8_t latitude_valid;  // 0x10, degrees
    double latitude;
    std::uint8_t longitude_valid;  // 0x11, degrees
    double longitude;
    std::uint8_t error_radius_valid;  // 0x12, metres
    float error_radius;
    std::uint8_t speed_valid;  // 0x18, metres per second
    float speed;
    std::uint8_t altitude_ellipsoid_valid;  // 0x1A, metres
    float altitude_ellipsoid;
    std::uint8_t altitude_sea_level_valid;  // 0x1B, metres
    float altitude_sea_level;
    std::uint8_t vertical_uncertainty_valid;  // 0x1C, metres
    float vertical_uncertainty;
    std::uint8_t heading_valid;  // 0x20, degrees true
    float heading;
    std::uint8_t magnetic_deviation_valid;  // 0x22, degrees
    float magnetic_deviation;
    std::uint8_t technology_mask_valid;  // 0x23
    std::uint32_t technology_mask;
    std::uint8_t dop_valid;  // 0x24
    halyx_loc_dop dop;
    std::uint8_t utc_ms_valid;  // 0x25, milliseconds since 1970
    std::uint64_t utc_ms;
    std::uint8_t reserved[112];
};

// One satellite of the satellite report; wire form is 28 bytes (u32, u32, u16, u8, u32, u8, 3 floats).
struct halyx_loc_satellite_info {
    std::uint32_t valid_mask;  // 0x1 system, 0x2 id, 0x20 elevation, 0x40 azimuth, 0x80 SNR
    std::uint32_t system;
    std::uint16_t satellite_id;
    std::uint8_t aux_1;
    std::uint32_t aux_2;
    std::uint8_t aux_3;
    float elevation;  // degrees
    float azimuth;    // degrees
    float snr;        // dB-Hz
};

// Indication 0x25: mandatory TLV 0x01 u8; optional 0x10 u8 count + entries.
struct halyx_loc_satellite_report {
    std::uint8_t tlv_01;
    std::uint8_t satellites_valid;
    std::uint32_t satellite_count;
    halyx_loc_satellite_info satellites[kHalyxLocMaxSatellites];
};

// Indication 0x26: TLV 0x01, the sentence text as the whole value, kept zero-terminated.
struct halyx_loc_nmea_report {
    char sentence[kHalyxLocMaxNmeaChars + 1];
};

// Result indications 0x32-0x5F: mandatory TLV 0x01 u32 status (0 success). Those whose structure is
// larger keep their further fields unread.
struct halyx_loc_result_ind {
    std::uint32_t status;
};

// Result indication 0x35: status, and optional TLV 0x10 u16 echoing the part number.
struct halyx_loc_orbit_part_result_ind {
    std::uint32_t status;
    std::uint8_t part_number_valid;
    std::uint16_t part_number;
};

// The location description for IDL version (major, minor) and codec library version; only (2, 6, 4)
// is known, anything else gives null.
[[nodiscard]] const halyx_service_desc* halyx_location_service_desc(std::uint32_t idl_major,
                                                                    std::uint32_t idl_minor,
                                                                    std::uint32_t library_version);

}  // namespace geolumen
