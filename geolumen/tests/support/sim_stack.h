#pragma once
// Brings the driver's message stack up against a simulated module the way the driver does it: the USB
// transport on the simulated device (set-up checks, continuous reader, pipe started), the response
// reader thread, then the multiplexer and the USB transport of the message stack. Tests of every layer
// above start one of these and talk to `module`.
#include <memory>

#include "driver/usb_transport.h"
#include "sim/sim_module.h"
#include "sim/sim_usb_target.h"

namespace geolumen::sim {

class SimStack {
  public:
    SimStack() = default;
    SimStack(const SimStack&) = delete;
    SimStack& operator=(const SimStack&) = delete;
    ~SimStack();

    // Prepares the device and starts the reader; with `startMux` also the multiplexer and the transport.
    // 0 on success, else the first failing step's result.
    [[nodiscard]] int Start(bool startMux = true);
    // Tears down in the driver's order: multiplexer, reader and pipe, device. Safe to call twice.
    void Stop();

    SimModule module;
    std::shared_ptr<SimUsbTarget> target = std::make_shared<SimUsbTarget>(module);
    UsbTransport device;

  private:
    bool readerStarted_ = false;
    bool muxStarted_ = false;
};

}  // namespace geolumen::sim
