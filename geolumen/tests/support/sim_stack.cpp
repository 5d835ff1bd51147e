#include "support/sim_stack.h"

#include "halyx/halyx_mux.h"
#include "halyx/halyx_transport.h"
#include "halyx/halyx_usb_transport.h"

namespace geolumen::sim {

SimStack::~SimStack() { Stop(); }

int SimStack::Start(bool startMux) {
    // The driver's order: reader, target, continuous reader, pipe.
    SetActiveUsbTransport(&device);
    if (!StartResponseReader()) return E_FAIL;
    readerStarted_ = true;
    HRESULT hr = device.ConfigureUsbTarget(target);
    if (FAILED(hr)) return hr;
    hr = device.SetupContinuousReader();
    if (FAILED(hr)) return hr;
    (void)StartInterruptReader(device);
    if (startMux) {
        muxStarted_ = true;
        const int r = halyx_mux_start();
        if (r != 0) return r;
        return halyx_usb_transport_start();
    }
    return 0;
}

void SimStack::Stop() {
    if (muxStarted_) {
        halyx_mux_stop();
        halyx_transport_unregister();
        muxStarted_ = false;
    }
    if (readerStarted_) {
        (void)StopResponseReader(&device);
        readerStarted_ = false;
    }
    SetActiveUsbTransport(nullptr);
    device.DeleteUsbTarget();
    // A device prepared again gets a new target, as the framework creates one per preparation. The old
    // one goes first: it detaches itself from the module.
    target.reset();
    target = std::make_shared<SimUsbTarget>(module);
}

}  // namespace geolumen::sim
