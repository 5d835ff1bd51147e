#include "driver/queue.h"

#include "driver/main_device.h"
#include "platform/trace.h"

namespace geolumen {
namespace {

const HRESULT kNotSupported = HRESULT_FROM_WIN32(ERROR_NOT_SUPPORTED);

}  // namespace

const RadioControl* FindRadioControl(uint32_t code) {
    for (const auto& control : kRadioControls) {
        if (control.code == code) return &control;
    }
    return nullptr;
}

cQueue::cQueue(cMainDevice* owner) : owner_(static_cast<IPnpCallback*>(owner)), device_(owner) {}

void cQueue::OnDeviceIoControl(IWDFIoQueue*, IWDFIoRequest* request, uint32_t controlCode, size_t inputLength,
                               size_t outputLength) {
    if (!request) return;
    const bool sensorMessage =
        controlCode == kIoctlPortableDeviceMessageReadWrite || controlCode == kIoctlPortableDeviceMessageRead;
    if (sensorMessage && device_) {
        BusyScope busy(device_->Busy(), kBusyIoControl);
        if (busy.ok()) {
            (void)device_->ProcessSensorIoControl(request);
        } else {
            // Shutdown has begun: refused as not supported, as clients expect of a departing device.
            request->CompleteWithInformation(kNotSupported, 0);
        }
        return;
    }

    const RadioControl* control = FindRadioControl(controlCode);
    if (!control || !device_) {
        request->CompleteWithInformation(kNotSupported, 0);
        return;
    }
    BusyScope busy(device_->Busy(), kBusyIoControl);
    if (!busy.ok()) {
        request->CompleteWithInformation(kNotSupported, 0);
        return;
    }
    // The state is exactly four bytes each way; any other buffer is refused before it reaches the
    // sensor interface, so a get never reports bytes it did not write.
    const size_t length = control->set ? inputLength : outputLength;
    if (length != kRadioStateBytes) {
        request->CompleteWithInformation(E_INVALIDARG, 0);
        return;
    }
    const HRESULT hr = device_->DispatchRadioIoControl(request, controlCode);
    // Only a get that succeeded hands bytes back; a set has no output.
    const size_t information = (!control->set && SUCCEEDED(hr)) ? kRadioStateBytes : 0;
    GEOLUMEN_TRACE(TRACE_LEVEL_VERBOSE, TRACE_QUEUE, "radio control 0x%08X: 0x%08X", controlCode,
                   static_cast<unsigned>(hr));
    request->CompleteWithInformation(hr, information);
}

HRESULT CreateDefaultQueue(IWDFDevice* device, cMainDevice* owner, IWDFIoQueue** queue) {
    if (!device || !owner || !queue) return E_INVALIDARG;
    auto callbacks = MakeCom<cQueue>(owner);
    ComPtr<IUnknown> unknown;
    HRESULT hr =
        callbacks->QueryInterface(IUnknown::kIid, reinterpret_cast<void**>(unknown.ReleaseAndGetAddressOf()));
    if (FAILED(hr)) return hr;
    hr = device->CreateIoQueue(unknown.Get(), true, WdfIoQueueDispatchParallel, false, true, queue);
    if (FAILED(hr)) return hr;
    return device->CreateDeviceInterface(kRadioDeviceInterface, nullptr);
}

}  // namespace geolumen
