// Coverage-guided fuzz target for the TLV decoder (not part of the CMake build: it needs clang's libFuzzer).
//
// Build and run from the repository root:
//   clang++ -std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined -Igeolumen \
//     geolumen/tests/fuzz/halyx_decode_fuzz.cpp geolumen/halyx/tlv_codec.cpp \
//     geolumen/halyx/location_service.cpp geolumen/platform/trace.cpp -o /tmp/halyx_decode_fuzz
//   /tmp/halyx_decode_fuzz -max_total_time=60
//
// The first two input bytes pick the kind and the message id; the rest is the payload. The decode goes
// into a buffer of exactly the structure's size, so any write past it is caught.
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
    if (rc > 0 || rc < geolumen::HALYX_IDL_ERR_UNKNOWN_TLV) std::abort();
    if (rc == 0 && kind == geolumen::HALYX_KIND_INDICATION && id == geolumen::HALYX_LOC_SATELLITE_REPORT) {
        geolumen::halyx_loc_satellite_report r;
        std::memcpy(&r, out.data(), sizeof r);
        if (r.satellite_count > geolumen::HALYX_LOC_MAX_SATELLITES) std::abort();
    }
    return 0;
}
