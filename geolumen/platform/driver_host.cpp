#include "platform/driver_host.h"

#include <dlfcn.h>

#include <cstdio>

namespace geolumen {

std::unique_ptr<DriverLibrary> DriverLibrary::Open(const std::string& path, std::string* error) {
    std::unique_ptr<DriverLibrary> library(new DriverLibrary());
    library->handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!library->handle_) {
        const char* reason = dlerror();
        if (error)
            *error = "cannot load the driver library " + path + ": " + (reason ? reason : "unknown error");
        return nullptr;
    }
    auto& entry = library->entry_;
    entry.getClassObject =
        reinterpret_cast<DllGetClassObjectFn>(dlsym(library->handle_, kExportGetClassObject));
    entry.canUnloadNow = reinterpret_cast<DllCanUnloadNowFn>(dlsym(library->handle_, kExportCanUnloadNow));
    entry.version = static_cast<const UmdfVersionData*>(dlsym(library->handle_, kExportVersion));
    const char* missing = !entry.getClassObject ? kExportGetClassObject
                          : !entry.canUnloadNow ? kExportCanUnloadNow
                          : !entry.version      ? kExportVersion
                                                : nullptr;
    if (missing) {
        if (error) *error = "the driver library " + path + " does not export " + missing;
        return nullptr;
    }
    return library;
}

DriverLibrary::~DriverLibrary() {
    if (handle_) dlclose(handle_);
}

std::string CheckDriverVersion(const UmdfVersionData* version) {
    if (!version) return "the driver library has no version record";
    if (version->MajorNumber != kHostUmdfMajor || version->MinorNumber > kHostUmdfMinor) {
        char text[160];
        std::snprintf(text, sizeof text,
                      "the driver was built for framework version %u.%u; this host runs %u.%u",
                      version->MajorNumber, version->MinorNumber, kHostUmdfMajor, kHostUmdfMinor);
        return text;
    }
    return {};
}

std::string DescribeHresult(HRESULT hr) {
    struct Known {
        HRESULT hr;
        const char* name;
    };
    static constexpr Known kKnown[] = {
        {S_OK, "S_OK"},
        {S_FALSE, "S_FALSE"},
        {E_NOTIMPL, "E_NOTIMPL"},
        {E_NOINTERFACE, "E_NOINTERFACE"},
        {E_POINTER, "E_POINTER"},
        {E_FAIL, "E_FAIL"},
        {E_UNEXPECTED, "E_UNEXPECTED"},
        {E_OUTOFMEMORY, "E_OUTOFMEMORY"},
        {E_INVALIDARG, "E_INVALIDARG"},
        {HRESULT_FROM_WIN32(ERROR_NOT_SUPPORTED), "0x80070032 (not supported)"},
        {HRESULT_FROM_WIN32(ERROR_SHUTDOWN_IN_PROGRESS), "0x8007045B (shutdown in progress)"},
        {kRequestAborted, "0x800703E3 (request cancelled)"},
        {kRequestTimedOut, "0x800705B4 (request not completed in time)"},
    };
    for (const auto& known : kKnown) {
        if (known.hr == hr) return known.name;
    }
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(hr));
    return text;
}

DriverHost::DriverHost(DriverEntryPoints entry, std::string instanceId, Log log)
    : entry_(entry), instanceId_(std::move(instanceId)), log_(std::move(log)) {}

DriverHost::~DriverHost() {
    // Whatever the caller left running is taken down in order, so no driver thread outlives the host.
    if (device_) (void)RemoveDevice(false);
    if (entryObject_) (void)UnloadDriver();
}

HRESULT DriverHost::Report(const char* step, HRESULT hr) {
    if (log_) log_(std::string(step) + ": " + DescribeHresult(hr));
    return hr;
}

HRESULT DriverHost::LoadDriver() {
    const std::string versionProblem = CheckDriverVersion(entry_.version);
    if (!versionProblem.empty()) {
        if (log_) log_("version check: " + versionProblem);
        return E_FAIL;
    }
    if (log_) {
        log_("version check: driver built for framework " + std::to_string(entry_.version->MajorNumber) +
             "." + std::to_string(entry_.version->MinorNumber));
    }
    if (!entry_.getClassObject) return Report("class factory", E_POINTER);
    ComPtr<IClassFactory> factory;
    HRESULT hr = entry_.getClassObject(&CLSID_GeolumenDriver, &IClassFactory::kIid,
                                       reinterpret_cast<void**>(factory.ReleaseAndGetAddressOf()));
    if (FAILED(hr) || !factory) return Report("class factory", FAILED(hr) ? hr : E_POINTER);
    hr = factory->CreateInstance(nullptr, IDriverEntry::kIid,
                                 reinterpret_cast<void**>(entryObject_.ReleaseAndGetAddressOf()));
    factory.Reset();
    if (FAILED(hr) || !entryObject_) return Report("driver object", FAILED(hr) ? hr : E_POINTER);
    driver_ = MakeCom<HostDriver>();
    return Report("driver initialise", entryObject_->OnInitialize(driver_.Get()));
}

HRESULT DriverHost::AddDevice() {
    if (!entryObject_) return Report("device add", E_UNEXPECTED);
    if (usbTarget_ || !extensions_.empty()) {
        auto target = usbTarget_;
        auto extensions = extensions_;
        driver_->OnDeviceCreated([target, extensions](HostDevice& device) {
            if (target) device.AddExtension(ComPtr<IUnknown>(MakeCom<HostUsbTargetFactory>(target)));
            for (const auto& extension : extensions) device.AddExtension(extension);
        });
    }
    auto init = MakeCom<HostDeviceInit>(instanceId_);
    const HRESULT hr = entryObject_->OnDeviceAdd(driver_.Get(), init.Get());
    device_ = driver_->Device();
    if (SUCCEEDED(hr) && !device_) return Report("device add", E_POINTER);
    return Report(("device add (" + instanceId_ + ")").c_str(), hr);
}

HRESULT DriverHost::StartDevice() {
    if (!device_) return Report("prepare hardware", E_UNEXPECTED);
    auto hardware = device_->Hardware();
    if (!hardware) return Report("prepare hardware", E_NOINTERFACE);
    HRESULT hr = Report("prepare hardware", hardware->OnPrepareHardware(device_.Get()));
    if (FAILED(hr)) {
        (void)Report("release hardware", hardware->OnReleaseHardware(device_.Get()));
        return hr;
    }
    started_ = true;
    if (auto pnp = device_->Pnp()) {
        hr = Report("D0 entry", pnp->OnD0Entry(device_.Get(), WdfPowerDeviceD3));
        if (FAILED(hr)) return hr;
    }
    inD0_ = true;
    if (auto io = device_->SelfManagedIo()) {
        hr = Report("self-managed I/O init", io->OnSelfManagedIoInit(device_.Get()));
    }
    file_ = MakeCom<HostFile>();
    fileOpen_ = true;
    return hr;
}

IoResult DriverHost::DeviceIoControl(uint32_t controlCode, std::vector<uint8_t> input, size_t outputLength) {
    auto queue = device_ ? device_->DefaultQueue() : nullptr;
    if (!queue || !file_) return IoResult{E_UNEXPECTED, 0, {}};
    return queue->Submit(file_.Get(), controlCode, std::move(input), outputLength);
}

void DriverHost::CloseFile() {
    if (!fileOpen_ || !device_) return;
    fileOpen_ = false;
    if (auto cleanup = device_->FileCleanup()) cleanup->OnCleanupFile(file_.Get());
    if (log_) log_("file cleanup");
}

HRESULT DriverHost::RemoveDevice(bool surprise) {
    if (!device_) return S_OK;
    CloseFile();
    auto pnp = device_->Pnp();
    auto io = device_->SelfManagedIo();
    auto hardware = device_->Hardware();
    if (surprise) {
        if (pnp) pnp->OnSurpriseRemoval(device_.Get());
        if (log_) log_("surprise removal");
    } else if (pnp) {
        (void)Report("query remove", pnp->OnQueryRemove(device_.Get()));
    }
    HRESULT hr = S_OK;
    if (started_) {
        if (inD0_) {
            if (io) (void)Report("self-managed I/O suspend", io->OnSelfManagedIoSuspend(device_.Get()));
            if (pnp) (void)Report("D0 exit", pnp->OnD0Exit(device_.Get(), WdfPowerDeviceD3));
            inD0_ = false;
        }
        if (hardware) hr = Report("release hardware", hardware->OnReleaseHardware(device_.Get()));
        if (io) {
            io->OnSelfManagedIoFlush(device_.Get());
            io->OnSelfManagedIoCleanup(device_.Get());
            if (log_) log_("self-managed I/O flush and cleanup");
        }
        started_ = false;
    }
    (void)device_->DeleteWdfObject();
    device_.Reset();
    file_.Reset();
    if (log_) log_(surprise ? "device gone (surprise removal)" : "device removed");
    return hr;
}

HRESULT DriverHost::PowerDown() {
    if (!device_ || !started_ || !inD0_) return S_OK;
    HRESULT hr = S_OK;
    if (auto io = device_->SelfManagedIo())
        hr = Report("idle: self-managed I/O suspend", io->OnSelfManagedIoSuspend(device_.Get()));
    if (auto pnp = device_->Pnp()) {
        const HRESULT exit = Report("idle: D0 exit", pnp->OnD0Exit(device_.Get(), WdfPowerDeviceD3));
        if (SUCCEEDED(hr)) hr = exit;
    }
    inD0_ = false;
    return hr;
}

HRESULT DriverHost::PowerUp() {
    if (!device_ || !started_ || inD0_) return S_OK;
    HRESULT hr = S_OK;
    if (auto pnp = device_->Pnp()) {
        hr = Report("wake: D0 entry", pnp->OnD0Entry(device_.Get(), WdfPowerDeviceD3));
        if (FAILED(hr)) return hr;
    }
    inD0_ = true;
    if (auto io = device_->SelfManagedIo())
        hr = Report("wake: self-managed I/O restart", io->OnSelfManagedIoRestart(device_.Get()));
    return hr;
}

HRESULT DriverHost::UnloadDriver() {
    if (!entryObject_) return S_OK;
    entryObject_->OnDeinitialize(driver_.Get());
    entryObject_.Reset();
    driver_.Reset();
    if (log_) log_("driver deinitialise");
    if (!entry_.canUnloadNow) return Report("unload check", E_POINTER);
    return Report("unload check", entry_.canUnloadNow());
}

}  // namespace geolumen
