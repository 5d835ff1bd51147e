// Coverage-guided fuzz target for the TLV decoder. Built by the BUILD_FUZZERS option with clang's
// libFuzzer; scripts/test.sh runs it for a bounded time.
//
// The first two input bytes pick the kind and the message id; the rest is the payload. The decode goes
// into a buffer of exactly the structure's size, so any write past it is caught. The walk of the element
// list that the index replaced must give the same code and the same structure bytes.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "halyx/location_service.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    const geolumen::halyx_service_desc* desc = geolumen::halyx_location_service_desc(2, 6, 4);
    const std::uint32_t kind = data[0] % 3;
    const std::uint16_t id = static_cast<std::uint16_t>(0x20 + data[1] % 0x40);
    std::uint32_t structSize = 0;
    if (geolumen::halyx_message_struct_size(desc, kind, id, &structSize) != 0) return 0;
    std::vector<std::uint8_t> payload(data + 2, data + size);
    std::vector<std::uint8_t> out(structSize);
    const int rc = geolumen::halyx_decode_tlvs(
        desc, kind, id, payload.data(), static_cast<std::uint32_t>(payload.size()), out.data(), structSize);
    if (rc > 0 || rc < geolumen::kHalyxIdlErrUnknownTlv) std::abort();
    std::vector<std::uint8_t> walked(structSize);
    const int walkRc = geolumen::halyx_decode_tlvs_walk(desc, kind, id, payload.data(),
                                                        static_cast<std::uint32_t>(payload.size()),
                                                        walked.data(), structSize);
    if (walkRc != rc || walked != out) std::abort();
    if (rc == 0 && kind == geolumen::kHalyxKindIndication && id == geolumen::kHalyxLocSatelliteReport) {
        geolumen::halyx_loc_satellite_report r;
        std::memcpy(&r, out.data(), sizeof r);
        if (r.satellite_count > geolumen::kHalyxLocMaxSatellites) std::abort();
    }
    return 0;
}
