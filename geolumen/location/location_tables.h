#pragma once
// What the location-service client knows of the service's messages: which indications are events and
// which carry the result of a request, how large each decoded structure is, which request ids may be
// sent and with how many bytes, and which results are passed on.
#include <cstdint>
#include <optional>
#include <span>

namespace geolumen {

struct LocationEventEntry {
    uint16_t id;
    uint64_t mask;  // 1 << row
};

// Position, satellite, time-request, orbit-request and position-request events: 0x1|0x2|0x10|0x20|0x40.
inline constexpr uint64_t kRegisteredEventMask = 0x73;

[[nodiscard]] std::span<const LocationEventEntry> LocationEventTable();
// Result indications that answer a request.
[[nodiscard]] std::span<const uint16_t> LocationResponseTable();
[[nodiscard]] const LocationEventEntry* FindLocationEvent(uint16_t id);
[[nodiscard]] bool IsLocationResponse(uint16_t id);
// Bytes of the decoded structure of indication `id`, from the service description.
[[nodiscard]] std::optional<uint32_t> LocationIndicationSize(uint16_t id);

// Bytes of the request structure sent for `id`, from the service description (0: no payload); nothing
// for ids that are never sent: below 0x20, above 0x5F, and the indication ids 0x24-0x31.
[[nodiscard]] std::optional<uint32_t> LocationRequestPayloadSize(uint16_t id);

// Whether a decoded result indication is handed on to the request slots.
[[nodiscard]] bool IsLocationResultAccepted(uint16_t id);

}  // namespace geolumen
