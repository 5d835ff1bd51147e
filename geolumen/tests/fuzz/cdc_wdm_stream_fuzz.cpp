// Coverage-guided fuzz target for the road of a CDC WDM device's bytes: the back end's stream framer, the
// multiplexer (and the control service behind it) and the client layer with the decoder of every
// indication. Built by the BUILD_FUZZERS option with clang's libFuzzer.
//
// Input: byte 0 = k (low 4 bits), bytes 1..k = piece lengths (0 stands for 1), byte k+1 = bits that let
// the clock pass the partial-frame time-out after a piece; the rest is the stream, cut into those pieces
// (the last piece takes what is left). One message stack against the simulated module is opened once; its
// client then receives what the pieces carry, message by message, on this thread.
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

#include "driver/usb_transport.h"
#include "halyx/halyx_client.h"
#include "halyx/halyx_ctl.h"
#include "halyx/halyx_mux.h"
#include "halyx/halyx_usb_transport.h"
#include "halyx/location_service.h"
#include "support/sim_stack.h"
#include "support/stream_syscalls.h"

namespace {

using namespace geolumen;

// Decodes every indication as the location client would, into a structure of exactly its size.
void OnIndication(halyx_client* client, std::uint16_t id, const void* payload, std::uint32_t length, void*) {
    std::uint32_t size = 0;
    if (halyx_message_struct_size(halyx_location_service_desc(2, 6, 4), kHalyxKindIndication, id, &size) != 0)
        return;
    std::vector<std::uint8_t> out(size);
    const int rc = halyx_decode_message(client, kHalyxKindIndication, id,
                                        static_cast<const std::uint8_t*>(payload), length, out.data(), size);
    if (rc > 0 || rc < kHalyxIdlErrUnknownTlv) std::abort();
}

struct Road {
    Road() {
        halyx_ctl_set_timeout_for_test(1000);
        if (stack.Start() != 0) std::abort();
        halyx_service_instance instance{};
        if (halyx_open_client(&instance, halyx_location_service_desc(2, 6, 4), &OnIndication, nullptr,
                              &client) != 0)
            std::abort();
        // From here the driver's device is the scripted stream; the module's side falls silent.
        target = std::make_shared<CdcWdmUsbTarget>(-1, std::unique_ptr<CdcWdmSyscalls>(sys));
        if (device.ConfigureUsbTarget(target) != S_OK) std::abort();
        SetActiveUsbTransport(&device);
    }
    sim::SimStack stack;
    halyx_client* client = nullptr;
    testing::StreamSyscalls* sys = new testing::StreamSyscalls;  // owned by the target
    std::shared_ptr<CdcWdmUsbTarget> target;
    UsbTransport device;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Road* road = new Road;  // never torn down: the process ends with the fuzzer
    if (size < 2) return 0;
    const std::size_t k = data[0] & 0x0F;
    if (size < k + 2) return 0;
    const std::uint8_t stalls = data[k + 1];
    const std::uint8_t* stream = data + k + 2;
    std::size_t left = size - k - 2;

    road->target->SetFrameRule(&halyx_mux_frame_check);  // a fresh framer per input
    road->sys->pieces.clear();
    std::vector<std::uint8_t> buffer(kHalyxReaderBufferSize);
    for (std::size_t piece = 0; piece <= k && left > 0; ++piece) {
        std::size_t n = piece < k ? (data[1 + piece] == 0 ? 1 : data[1 + piece]) : left;
        if (n > left) n = left;
        road->sys->pieces.emplace_back(stream, stream + n);
        stream += n;
        left -= n;
        if ((stalls >> (piece % 8)) & 1)
            road->sys->now += std::chrono::milliseconds(kCdcWdmPartialFrameTimeoutMs);
        // Fetch as the reader thread would, once per notification: the piece's read, then each whole frame
        // it completed (a frame has at least 6 bytes).
        for (std::size_t fetch = 0; fetch < n / kHalyxMuxHeaderSize + 2; ++fetch) {
            std::size_t count = 0;
            if (halyx_usb_read_one(buffer.data(), kHalyxUsbReadSize, count) != 1) continue;
            if (count < kHalyxMuxHeaderSize + 7 || count > kHalyxUsbReadSize) std::abort();
            (void)halyx_client_receive(road->client, buffer.data() + kHalyxMuxHeaderSize,
                                       count - kHalyxMuxHeaderSize);
        }
    }
    return 0;
}
