#include "location/location_tables.h"

#include <algorithm>
#include <array>

namespace geolumen {

namespace {

constexpr std::array<LocationEventEntry, 14> kEvents = {{
    {0x24, 240, 0x1},   // position report
    {0x25, 2568, 0x2},  // satellite report
    {0x26, 201, 0x4},   // NMEA sentence
    {0x27, 1112, 0x8},
    {0x28, 780, 0x10},  // time request
    {0x29, 784, 0x20},  // predicted-orbit request
    {0x2A, 32, 0x40},   // position request
    {0x2B, 4, 0x80},
    {0x2C, 8, 0x100},
    {0x2D, 8, 0x200},
    {0x2E, 16, 0x400},
    {0x2F, 4, 0x800},
    {0x30, 1, 0x1000},
    {0x31, 12, 0x2000},
}};

constexpr std::array<LocationResponseEntry, 46> kResponses = {{
    {0x32, 8},  {0x33, 100}, {0x34, 4},  {0x35, 8},  {0x36, 792}, {0x37, 24}, {0x38, 4},  {0x39, 4},
    {0x3A, 4},  {0x3B, 12},  {0x3C, 4},  {0x3D, 8},  {0x3E, 4},   {0x3F, 12}, {0x40, 4},  {0x41, 8},
    {0x42, 4},  {0x43, 304}, {0x44, 4},  {0x45, 4},  {0x46, 8},   {0x47, 4},  {0x48, 4},  {0x49, 16},
    {0x4A, 4},  {0x4B, 12},  {0x4C, 4},  {0x4D, 16}, {0x4E, 4},   {0x4F, 4},  {0x50, 16}, {0x51, 4},
    {0x52, 12}, {0x53, 4},   {0x54, 16}, {0x55, 20}, {0x56, 4},   {0x57, 12}, {0x58, 4},  {0x59, 12},
    {0x5A, 12}, {0x5B, 24},  {0x5C, 4},  {0x5D, 4},  {0x5E, 12},  {0x5F, 12},
}};

struct RequestSize {
    uint16_t id;
    uint32_t size;
};

// Requests that carry a structure; every other id from 0x32 to 0x5F goes out without payload.
constexpr std::array<RequestSize, 33> kRequestSizes = {{
    {0x20, 4},   {0x21, 8},    {0x22, 104}, {0x23, 1},  {0x34, 1116}, {0x35, 1044}, {0x38, 16},
    {0x39, 128}, {0x3A, 4},    {0x3C, 1},   {0x3E, 4},  {0x40, 1},    {0x42, 300},  {0x44, 1576},
    {0x45, 1},   {0x47, 856},  {0x48, 4},   {0x4A, 4},  {0x4C, 3},    {0x4D, 1640}, {0x4E, 12},
    {0x4F, 8},   {0x51, 4},    {0x53, 124}, {0x54, 16}, {0x55, 8},    {0x56, 8},    {0x58, 8},
    {0x5A, 20},  {0x5C, 2008}, {0x5D, 2},   {0x5E, 6},  {0x5F, 4},
}};

// Results whose structures the client does not read.
constexpr std::array<uint16_t, 9> kRefusedResults = {0x36, 0x37, 0x3D, 0x3F, 0x41, 0x43, 0x46, 0x49, 0x4B};

}  // namespace

std::span<const LocationEventEntry> LocationEventTable() { return kEvents; }
std::span<const LocationResponseEntry> LocationResponseTable() { return kResponses; }

const LocationEventEntry* FindLocationEvent(uint16_t id) {
    const auto it = std::find_if(kEvents.begin(), kEvents.end(), [id](const auto& e) { return e.id == id; });
    return it == kEvents.end() ? nullptr : &*it;
}

const LocationResponseEntry* FindLocationResponse(uint16_t id) {
    const auto it =
        std::find_if(kResponses.begin(), kResponses.end(), [id](const auto& e) { return e.id == id; });
    return it == kResponses.end() ? nullptr : &*it;
}

std::optional<uint32_t> LocationRequestPayloadSize(uint16_t id) {
    if (id < 0x20 || id > 0x5F || (id >= 0x24 && id <= 0x31)) return std::nullopt;
    const auto it =
        std::find_if(kRequestSizes.begin(), kRequestSizes.end(), [id](const auto& r) { return r.id == id; });
    return it == kRequestSizes.end() ? 0 : it->size;
}

bool IsLocationResultAccepted(uint16_t id) {
    return std::find(kRefusedResults.begin(), kRefusedResults.end(), id) == kRefusedResults.end();
}

}  // namespace geolumen
