#include "platform/sensor_class_extension.h"

#include <mutex>

#include "platform/sensor_client_host.h"
#include "platform/trace.h"

namespace geolumen {
namespace {

std::mutex g_listener_mutex;
std::function<void(const SensorPost&)> g_listener;

// The post is built only when someone listens: with none, a post costs no string and no copy.
void Notify(SensorPost::Kind kind, const char* sensorId, uint32_t state,
            IPortableDeviceValuesCollection* events) {
    std::function<void(const SensorPost&)> listener;
    {
        std::lock_guard lock(g_listener_mutex);
        if (!g_listener) return;
        listener = g_listener;
    }
    listener(SensorPost{kind, sensorId, state, ComPtr<IPortableDeviceValuesCollection>(events)});
}

class SensorClassExtension final : public ComObject<ISensorClassExtension> {
  public:
    HRESULT Initialize(IUnknown* device, IUnknown* driver) override {
        if (!device || !driver) return E_INVALIDARG;
        ComPtr<ISensorDriver> callbacks;
        (void)ComPtr<IUnknown>(driver).As(callbacks);
        ComPtr<ISensorClientHost> host;
        (void)ComPtr<IUnknown>(device).As(host);
        {
            std::lock_guard lock(mutex_);
            if (initialized_) return E_UNEXPECTED;
            device_ = ComPtr<IUnknown>(device);
            driver_ = ComPtr<IUnknown>(driver);
            initialized_ = true;
        }
        // Without the sensor's callbacks there is nothing a client could call; the host then serves none.
        if (host && callbacks) {
            const HRESULT hr = host->AttachSensorDriver(callbacks.Get());
            if (FAILED(hr)) {
                GEOLUMEN_TRACE(TRACE_LEVEL_WARNING, TRACE_SENSOR,
                               "class extension: client host refused: 0x%08X", static_cast<unsigned>(hr));
                host.Reset();
            }
        } else {
            host.Reset();
        }
        std::lock_guard lock(mutex_);
        host_ = std::move(host);
        return S_OK;
    }
    HRESULT Uninitialize() override {
        ComPtr<ISensorClientHost> host;
        {
            std::lock_guard lock(mutex_);
            host = std::move(host_);
            device_.Reset();
            driver_.Reset();
            initialized_ = false;
        }
        // Outside the lock: the host waits for its calls into the sensor to end.
        if (host) host->DetachSensorDriver();
        return S_OK;
    }
    HRESULT ProcessIoControl(IWDFIoRequest* request) override {
        if (!request) return E_POINTER;
        request->CompleteWithInformation(HRESULT_FROM_WIN32(ERROR_NOT_SUPPORTED), 0);
        return S_OK;
    }
    HRESULT PostEvent(const char* sensorId, IPortableDeviceValuesCollection* events) override {
        if (!sensorId || !events) return E_POINTER;
        ComPtr<ISensorClientHost> host;
        if (!Initialized(&host)) return E_UNEXPECTED;
        GEOLUMEN_TRACE(TRACE_LEVEL_VERBOSE, TRACE_SENSOR, "class extension: event of %s", sensorId);
        Notify(SensorPost::Kind::kEvent, sensorId, 0, events);
        return host ? host->PostEvent(sensorId, events) : S_OK;
    }
    HRESULT PostStateChange(const char* sensorId, uint32_t state) override {
        if (!sensorId) return E_POINTER;
        ComPtr<ISensorClientHost> host;
        if (!Initialized(&host)) return E_UNEXPECTED;
        GEOLUMEN_TRACE(TRACE_LEVEL_VERBOSE, TRACE_SENSOR, "class extension: state %u of %s", state, sensorId);
        Notify(SensorPost::Kind::kStateChange, sensorId, state, nullptr);
        return host ? host->PostStateChange(sensorId, state) : S_OK;
    }
    // The host ends a client's subscription and connection itself when its connection closes.
    HRESULT CleanupFile(IWDFFile* file) override { return file ? S_OK : E_POINTER; }

  private:
    bool Initialized(ComPtr<ISensorClientHost>* host) {
        std::lock_guard lock(mutex_);
        *host = host_;
        return initialized_;
    }

    std::mutex mutex_;
    bool initialized_ = false;
    ComPtr<IUnknown> device_;
    ComPtr<IUnknown> driver_;
    ComPtr<ISensorClientHost> host_;
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
