#pragma once
// The device's USB side as prepare- and release-hardware drive it: the message stack's response
// reader, the USB target with its interrupt pipe and continuous reader, and the stop of the message
// stack. The device owns one UsbLink made by DeviceParts.

#include "platform/com.h"
#include "platform/wdf.h"

namespace geolumen {

class UsbLink {
  public:
    virtual ~UsbLink() = default;
    // Starts the reader thread that fetches responses; false when it could not be started.
    [[nodiscard]] virtual bool StartResponseReader() = 0;
    // Stops the interrupt pipe, then the reader thread (never waits for itself).
    virtual void StopResponseReader() = 0;
    // Builds target, interface and pipe from the device's second interface.
    [[nodiscard]] virtual HRESULT ConfigureUsbTarget(IWDFDevice2* device2) = 0;
    [[nodiscard]] virtual HRESULT SetupContinuousReader() = 0;
    [[nodiscard]] virtual HRESULT StartInterruptReader() = 0;
    // Deletes the USB target device when one exists.
    virtual void DeleteUsbTarget() = 0;
    // Stops the message stack when it was started.
    virtual void StopMessageStack() = 0;
};

// A link with no USB behind it: every step succeeds and nothing runs.
class NoUsbLink final : public UsbLink {
  public:
    bool StartResponseReader() override { return true; }
    void StopResponseReader() override {}
    HRESULT ConfigureUsbTarget(IWDFDevice2*) override { return S_OK; }
    HRESULT SetupContinuousReader() override { return S_OK; }
    HRESULT StartInterruptReader() override { return S_OK; }
    void DeleteUsbTarget() override {}
    void StopMessageStack() override {}
};

}  // namespace geolumen
