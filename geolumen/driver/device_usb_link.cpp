#include "driver/device_usb_link.h"

#include "halyx/halyx_mux.h"
#include "platform/trace.h"

namespace geolumen {

DeviceUsbLink::~DeviceUsbLink() {
    if (active_) SetActiveUsbTransport(nullptr);
}

bool DeviceUsbLink::StartResponseReader() { return geolumen::StartResponseReader(); }

void DeviceUsbLink::StopResponseReader() { (void)geolumen::StopResponseReader(&transport_); }

HRESULT DeviceUsbLink::ConfigureUsbTarget(IWDFDevice2* device2) {
    if (!device2) return E_UNEXPECTED;
    ComPtr<IWDFUsbTargetFactory> factory;
    HRESULT hr = device2->QueryInterface(IWDFUsbTargetFactory::kIid,
                                         reinterpret_cast<void**>(factory.ReleaseAndGetAddressOf()));
    if (FAILED(hr)) return hr;
    std::shared_ptr<UsbTarget> target;
    hr = factory->CreateUsbTargetDevice(&target);
    if (FAILED(hr)) return hr;
    hr = transport_.ConfigureUsbTarget(std::move(target));
    if (FAILED(hr)) return hr;
    // A single endpoint that is not interrupt IN leaves no pipe: without it no response would ever be
    // announced, so the device cannot work and preparation fails here rather than later in silence.
    if (!transport_.HasInterruptPipe()) return E_UNEXPECTED;
    SetActiveUsbTransport(&transport_);
    active_ = true;
    return S_OK;
}

HRESULT DeviceUsbLink::SetupContinuousReader() { return transport_.SetupContinuousReader(); }

HRESULT DeviceUsbLink::StartInterruptReader() {
    // The pipe's own result, so a pipe that does not start fails preparation.
    return transport_.StartInterruptPipe();
}

void DeviceUsbLink::DeleteUsbTarget() {
    if (active_) {
        SetActiveUsbTransport(nullptr);
        active_ = false;
    }
    transport_.DeleteUsbTarget();
}

void DeviceUsbLink::StopMessageStack() { halyx_mux_stop(); }

}  // namespace geolumen
