#include "location/location_tables.h"

#include <algorithm>
#include <array>

#include "halyx/location_service.h"
#include "halyx/tlv_codec.h"

namespace geolumen {

namespace {

// Every structure size comes from the service description, the one place the wire layout is written.
const halyx_service_desc* LocationDescription() {
    static const halyx_service_desc* desc =
        halyx_location_service_desc(kHalyxLocIdlMajor, kHalyxLocIdlMinor, kHalyxLocLibraryVersion);
    return desc;
}

constexpr std::array<LocationEventEntry, 14> kEvents = {{
    {0x24, 0x1},  // position report
    {0x25, 0x2},  // satellite report
    {0x26, 0x4},  // NMEA sentence
    {0x27, 0x8},
    {0x28, 0x10},  // time request
    {0x29, 0x20},  // predicted-orbit request
    {0x2A, 0x40},  // position request
    {0x2B, 0x80},
    {0x2C, 0x100},
    {0x2D, 0x200},
    {0x2E, 0x400},
    {0x2F, 0x800},
    {0x30, 0x1000},
    {0x31, 0x2000},
}};

constexpr std::array<uint16_t, 46> kResponses = {
    0x32, 0x33, 0x34, 0x35, 0x36, 0x37, 0x38, 0x39, 0x3A, 0x3B, 0x3C, 0x3D, 0x3E, 0x3F, 0x40, 0x41,
    0x42, 0x43, 0x44, 0x45, 0x46, 0x47, 0x48, 0x49, 0x4A, 0x4B, 0x4C, 0x4D, 0x4E, 0x4F, 0x50, 0x51,
    0x52, 0x53, 0x54, 0x55, 0x56, 0x57, 0x58, 0x59, 0x5A, 0x5B, 0x5C, 0x5D, 0x5E, 0x5F,
};

// Results whose structures the client does not read.
constexpr std::array<uint16_t, 9> kRefusedResults = {0x36, 0x37, 0x3D, 0x3F, 0x41, 0x43, 0x46, 0x49, 0x4B};

}  // namespace

std::span<const LocationEventEntry> LocationEventTable() { return kEvents; }
std::span<const uint16_t> LocationResponseTable() { return kResponses; }

const LocationEventEntry* FindLocationEvent(uint16_t id) {
    const auto it = std::find_if(kEvents.begin(), kEvents.end(), [id](const auto& e) { return e.id == id; });
    return it == kEvents.end() ? nullptr : &*it;
}

bool IsLocationResponse(uint16_t id) {
    return std::find(kResponses.begin(), kResponses.end(), id) != kResponses.end();
}

std::optional<uint32_t> LocationRequestPayloadSize(uint16_t id) {
    if (id < 0x20 || id > 0x5F || (id >= 0x24 && id <= 0x31)) return std::nullopt;
    uint32_t size = 0;
    if (halyx_message_struct_size(LocationDescription(), kHalyxKindRequest, id, &size) != 0)
        return std::nullopt;
    return size;
}

std::optional<uint32_t> LocationIndicationSize(uint16_t id) {
    uint32_t size = 0;
    if (halyx_message_struct_size(LocationDescription(), kHalyxKindIndication, id, &size) != 0)
        return std::nullopt;
    return size;
}

bool IsLocationResultAccepted(uint16_t id) {
    return std::find(kRefusedResults.begin(), kRefusedResults.end(), id) == kRefusedResults.end();
}

}  // namespace geolumen
