#include "driver/main_device.h"

#include <cstring>

#include "driver/queue.h"
#include "halyx/halyx_ctl.h"
#include "platform/sensor_driver.h"
#include "platform/trace.h"

namespace geolumen {

cMainDevice::cMainDevice(DeviceParts parts) : parts_(std::move(parts)) {
    // The message stack asks this when it releases a client id: a removed device cannot answer, so the
    // release stays local instead of waiting for an answer that cannot come.
    halyx_set_device_removed_probe([] { return DriverGlobals::Get().DeviceRemoved.load(); });
    if (parts_.createUsbLink) usb_ = parts_.createUsbLink(*this);
    if (!usb_) usb_ = std::make_unique<NoUsbLink>();
}

cMainDevice::~cMainDevice() { ReleaseDeviceResources(true); }

void cMainDevice::SetDeviceInstanceId(const char* id) {
    std::lock_guard lock(mutex_);
    instanceId_.assign(id ? id : "", id ? strnlen(id, kMaxInstanceIdChars - 1) : 0);
}

std::string cMainDevice::DeviceInstanceId() const {
    std::lock_guard lock(mutex_);
    return instanceId_;
}

ComPtr<IWDFDevice> cMainDevice::Device() const {
    std::lock_guard lock(mutex_);
    return device_;
}

IWDFDevice2* cMainDevice::Device2() const {
    std::lock_guard lock(mutex_);
    return device2_;
}

ComPtr<ISensorClassExtension> cMainDevice::ClassExtension() const {
    std::lock_guard lock(mutex_);
    return classExtension_;
}

ComPtr<IWDFIoQueue> cMainDevice::Queue() const {
    std::lock_guard lock(mutex_);
    return queue_;
}

bool cMainDevice::EventThreadRunning() const {
    std::lock_guard lock(mutex_);
    return eventThread_.joinable();
}

// ---- power and self-managed I/O ----

HRESULT cMainDevice::OnD0Entry(IWDFDevice*, WDF_POWER_DEVICE_STATE) {
    BusyScope busy(busy_, kBusyD0);
    if (busy.ok()) {
        if (auto ddi = DriverGlobals::Get().SensorDdi()) ddi->StartLocationSession();
    }
    return busy.result();
}

HRESULT cMainDevice::OnD0Exit(IWDFDevice*, WDF_POWER_DEVICE_STATE) {
    BusyScope busy(busy_, kBusyD0);
    if (busy.ok()) {
        if (auto ddi = DriverGlobals::Get().SensorDdi()) ddi->StopLocationSession();
    }
    return busy.result();
}

void cMainDevice::OnSurpriseRemoval(IWDFDevice*) {
    GEOLUMEN_TRACE(TRACE_LEVEL_INFORMATION, TRACE_DRIVER, "surprise removal");
    DriverGlobals::Get().DeviceRemoved = true;
    busy_.BeginShutdown();
}

HRESULT cMainDevice::OnSelfManagedIoInit(IWDFDevice*) {
    BusyScope busy(busy_, kBusySelfManagedIo);
    if (busy.ok()) DriverGlobals::Get().SetSelfManagedIoRunning(true);
    return busy.result();
}

HRESULT cMainDevice::OnSelfManagedIoRestart(IWDFDevice* device) { return OnSelfManagedIoInit(device); }

HRESULT cMainDevice::OnSelfManagedIoSuspend(IWDFDevice*) {
    BusyScope busy(busy_, kBusySelfManagedIo);
    if (busy.ok()) {
        DriverGlobals::Get().SetSelfManagedIoRunning(false);
        if (auto queue = Queue()) {
            queue->StopSynchronously();
            queue->Start();
        }
    }
    return busy.result();
}

void cMainDevice::OnSelfManagedIoFlush(IWDFDevice*) {
    BusyScope busy(busy_, kBusySelfManagedIo);
    if (!busy.ok()) return;
    if (auto queue = Queue()) queue->PurgeSynchronously();
}

void cMainDevice::OnCleanupFile(IWDFFile* file) {
    BusyScope busy(busy_, kBusyCleanupFile);
    if (!busy.ok()) return;
    if (auto classExtension = ClassExtension()) (void)classExtension->CleanupFile(file);
}

// ---- hardware ----

HRESULT cMainDevice::BuildSensorParts(IWDFDevice* device) {
    ComPtr<ISensorDdi> ddi;
    HRESULT hr = parts_.createSensorDdi ? parts_.createSensorDdi(ddi.ReleaseAndGetAddressOf()) : E_UNEXPECTED;
    if (SUCCEEDED(hr) && !ddi) hr = E_POINTER;
    if (FAILED(hr)) return hr;
    {
        std::lock_guard lock(mutex_);
        sensorDdi_ = ddi;
    }
    DriverGlobals::Get().SetSensorDdi(ddi);
    hr = ddi->InitializeSensorDdi(device, this);
    if (FAILED(hr)) return hr;

    ComPtr<ISensorClassExtension> classExtension;
    hr = parts_.createClassExtension ? parts_.createClassExtension(classExtension.ReleaseAndGetAddressOf())
                                     : E_UNEXPECTED;
    if (SUCCEEDED(hr) && !classExtension) hr = E_POINTER;
    if (FAILED(hr)) return hr;
    // The class extension calls the sensor callbacks; a sensor object without them (a test's stand-in) is
    // handed over as it is.
    ComPtr<ISensorDriver> driver;
    IUnknown* callbacks = static_cast<IUnknown*>(ddi.Get());
    if (SUCCEEDED(ddi.As(driver)) && driver) callbacks = static_cast<IUnknown*>(driver.Get());
    hr = classExtension->Initialize(device, callbacks);
    if (FAILED(hr)) return hr;
    {
        std::lock_guard lock(mutex_);
        classExtension_ = classExtension;
    }

    std::thread thread;
    if (!parts_.startThread || !parts_.startThread(thread, [this] { SensorEventThread(); })) {
        return E_OUTOFMEMORY;
    }
    {
        std::lock_guard lock(mutex_);
        eventThread_ = std::move(thread);
    }
    ddi->SetEventHandles(&dataReady_, &stateChange_);
    return S_OK;
}

HRESULT cMainDevice::OnPrepareHardware(IWDFDevice* device) {
    if (!device) return E_UNEXPECTED;
    std::lock_guard hardware(hardwareMutex_);

    // A repeated preparation first takes down everything the previous one started, the response reader
    // included, so no second reader thread or event thread can appear.
    if (EventThreadRunning() || Device()) ReleaseHardwareSteps();

    BusyScope busy(busy_, kBusyPrepareHardware);
    if (!busy.ok()) return busy.result();
    {
        std::lock_guard lock(mutex_);
        device_ = ComPtr<IWDFDevice>(device);
    }

    ComPtr<IWDFIoQueue> queue;
    device->GetDefaultIoQueue(queue.ReleaseAndGetAddressOf());
    if (!queue) {
        const HRESULT hr = CreateDefaultQueue(device, this, queue.ReleaseAndGetAddressOf());
        if (FAILED(hr)) {
            GEOLUMEN_TRACE(TRACE_LEVEL_ERROR, TRACE_DRIVER, "default queue not created: 0x%08X",
                           static_cast<unsigned>(hr));
            ReleaseDeviceResources(true);
            return hr;
        }
    }
    {
        std::lock_guard lock(mutex_);
        queue_ = queue;
    }

    // Without the sensor interface, the class extension or the event thread the device cannot serve
    // anyone: preparation fails rather than report a device that does nothing.
    HRESULT hr = BuildSensorParts(device);
    if (FAILED(hr)) {
        GEOLUMEN_TRACE(TRACE_LEVEL_ERROR, TRACE_DRIVER, "sensor parts not built: 0x%08X",
                       static_cast<unsigned>(hr));
        ReleaseDeviceResources(false);
        return hr;
    }

    IWDFDevice2* device2 = nullptr;
    hr = device->QueryInterface(IWDFDevice2::kIid, reinterpret_cast<void**>(&device2));
    if (SUCCEEDED(hr) && device2) {
        // Kept uncounted: the framework device outlives every use of it here.
        device2->Release();
        std::lock_guard lock(mutex_);
        device2_ = device2;
    }

    if (!usb_->StartResponseReader()) {
        GEOLUMEN_TRACE(TRACE_LEVEL_ERROR, TRACE_DEVICE, "response reader not started");
        if (SUCCEEDED(hr)) hr = E_FAIL;
    }
    if (SUCCEEDED(hr)) hr = usb_->ConfigureUsbTarget(device2);
    if (SUCCEEDED(hr)) hr = usb_->SetupContinuousReader();
    if (SUCCEEDED(hr)) hr = usb_->StartInterruptReader();
    if (FAILED(hr)) {
        GEOLUMEN_TRACE(TRACE_LEVEL_ERROR, TRACE_DEVICE, "USB set-up failed: 0x%08X",
                       static_cast<unsigned>(hr));
    }

    DriverGlobals::Get().DeviceRemoved = false;
    return hr;
}

HRESULT cMainDevice::OnReleaseHardware(IWDFDevice*) {
    std::lock_guard hardware(hardwareMutex_);
    ReleaseHardwareSteps();
    return S_OK;
}

void cMainDevice::ReleaseHardwareSteps() {
    busy_.BeginShutdown();
    // The session ends before the response reader: closing the location client is an exchange with the
    // module, and its answer can only arrive while the reader runs. After a surprise removal D0 exit was
    // refused, so this is where the session stops.
    if (auto ddi = DriverGlobals::Get().SensorDdi()) ddi->StopLocationSession();
    usb_->StopResponseReader();
    usb_->DeleteUsbTarget();
    ReleaseDeviceResources(true);
    busy_.ClearShutdown();
}

void cMainDevice::ReleaseDeviceResources(bool all) {
    std::thread thread;
    ComPtr<ISensorClassExtension> classExtension;
    ComPtr<ISensorDdi> ddi;
    ComPtr<IWDFIoQueue> queue;
    ComPtr<IWDFDevice> device;
    {
        std::lock_guard lock(mutex_);
        thread = std::move(eventThread_);
        classExtension = std::move(classExtension_);
        ddi = std::move(sensorDdi_);
        if (all && device_) {
            queue = std::move(queue_);
            device = std::move(device_);
            device2_ = nullptr;
        }
    }
    if (thread.joinable()) {
        eventThreadExit_.Set();
        thread.join();
    }
    // An exit request that found no thread must not stop the next one at once.
    eventThreadExit_.ResetEvent();
    if (classExtension) (void)classExtension->Uninitialize();
    classExtension.Reset();
    if (ddi && DriverGlobals::Get().SensorDdi() == ddi) DriverGlobals::Get().SetSensorDdi(nullptr);
    ddi.Reset();
    queue.Reset();
    device.Reset();
    usb_->StopMessageStack();
}

// ---- I/O controls ----

HRESULT cMainDevice::ProcessSensorIoControl(IWDFIoRequest* request) {
    auto classExtension = ClassExtension();
    if (!classExtension) {
        // Nobody else would complete it, and the caller would wait for ever.
        request->CompleteWithInformation(E_UNEXPECTED, 0);
        return E_UNEXPECTED;
    }
    return classExtension->ProcessIoControl(request);
}

HRESULT cMainDevice::DispatchRadioIoControl(IWDFIoRequest* request, uint32_t controlCode) {
    auto ddi = DriverGlobals::Get().SensorDdi();
    if (!ddi) return E_UNEXPECTED;
    const RadioControl* control = FindRadioControl(controlCode);
    if (!control) return HRESULT_FROM_WIN32(ERROR_NOT_SUPPORTED);
    return control->set ? ddi->SetRadioStateIoctl(request, control->previous)
                        : ddi->GetRadioStateIoctl(request, control->previous);
}

}  // namespace geolumen
