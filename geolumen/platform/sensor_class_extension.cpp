#include "platform/sensor_class_extension.h"

#include <mutex>

#include "platform/trace.h"

namespace geolumen {
namespace {

std::mutex g_listener_mutex;
std::function<void(const SensorPost&)> g_listener;

void Notify(const SensorPost& post) {
    std::function<void(const SensorPost&)> listener;
    {
        std::lock_guard lock(g_listener_mutex);
        listener = g_listener;
    }
    if (listener) listener(post);
}

class SensorClassExtension final : public ComObject<ISensorClassExtension> {
  public:
    HRESULT Initialize(IUnknown* device, IUnknown* driver) override {
        if (!device || !driver) return E_INVALIDARG;
        std::lock_guard lock(mutex_);
        if (initialized_) return E_UNEXPECTED;
        device_ = ComPtr<IUnknown>(device);
        driver_ = ComPtr<IUnknown>(driver);
        initialized_ = true;
        return S_OK;
    }
    HRESULT Uninitialize() override {
        std::lock_guard lock(mutex_);
        device_.Reset();
        driver_.Reset();
        initialized_ = false;
        return S_OK;
    }
    HRESULT ProcessIoControl(IWDFIoRequest* request) override {
        if (!request) return E_POINTER;
        request->CompleteWithInformation(HRESULT_FROM_WIN32(ERROR_NOT_SUPPORTED), 0);
        return S_OK;
    }
    HRESULT PostEvent(const char* sensorId, IPortableDeviceValuesCollection* events) override {
        if (!sensorId || !events) return E_POINTER;
        if (!Initialized()) return E_UNEXPECTED;
        GEOLUMEN_TRACE(TRACE_LEVEL_VERBOSE, TRACE_SENSOR, "class extension: event of %s", sensorId);
        Notify(SensorPost{SensorPost::Kind::kEvent, sensorId, 0,
                          ComPtr<IPortableDeviceValuesCollection>(events)});
        return S_OK;
    }
    HRESULT PostStateChange(const char* sensorId, uint32_t state) override {
        if (!sensorId) return E_POINTER;
        if (!Initialized()) return E_UNEXPECTED;
        GEOLUMEN_TRACE(TRACE_LEVEL_VERBOSE, TRACE_SENSOR, "class extension: state %u of %s", state, sensorId);
        Notify(SensorPost{SensorPost::Kind::kStateChange, sensorId, state, nullptr});
        return S_OK;
    }
    HRESULT CleanupFile(IWDFFile* file) override { return file ? S_OK : E_POINTER; }

  private:
    bool Initialized() {
        std::lock_guard lock(mutex_);
        return initialized_;
    }

    std::mutex mutex_;
    bool initialized_ = false;
    ComPtr<IUnknown> device_;
    ComPtr<IUnknown> driver_;
};

}  // namespace

std::function<void(const SensorPost&)> SetSensorPostListener(
    std::function<void(const SensorPost&)> listener) {
    std::lock_guard lock(g_listener_mutex);
    std::swap(g_listener, listener);
    return listener;
}

HRESULT CreateSensorClassExtension(ISensorClassExtension** out) {
    if (!out) return E_POINTER;
    *out = MakeCom<SensorClassExtension>().Detach();
    return S_OK;
}

}  // namespace geolumen
