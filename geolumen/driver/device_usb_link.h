#pragma once
// The device's USB side on the USB transport: the target comes from the framework device's USB target
// factory, the transport becomes the one the message stack reaches, and the message stack's response
// reader runs from preparation to release.

#include "driver/usb_link.h"
#include "driver/usb_transport.h"

namespace geolumen {

class DeviceUsbLink final : public UsbLink {
  public:
    DeviceUsbLink() = default;
    ~DeviceUsbLink() override;

    bool StartResponseReader() override;
    void StopResponseReader() override;
    HRESULT ConfigureUsbTarget(IWDFDevice2* device2) override;
    HRESULT SetupContinuousReader() override;
    HRESULT StartInterruptReader() override;
    void DeleteUsbTarget() override;
    void StopMessageStack() override;

  private:
    UsbTransport transport_;
    bool active_ = false;
    bool readerStarted_ = false;
};

}  // namespace geolumen
