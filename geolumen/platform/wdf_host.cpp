#include "platform/wdf_host.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstring>
#include <filesystem>

namespace geolumen {
namespace {

// 0x8007000D: a stored value of another kind than asked for.
const HRESULT kInvalidData = HRESULT_FROM_WIN32(13);

class HostMemory final : public ComObject<IWDFMemory> {
  public:
    HostMemory(ComPtr<IUnknown> owner, void* data, size_t size)
        : owner_(std::move(owner)), data_(data), size_(size) {}
    HRESULT DeleteWdfObject() override { return S_OK; }
    void* GetDataBuffer(size_t* size) override {
        if (size) *size = size_;
        return size_ ? data_ : nullptr;
    }

  private:
    ComPtr<IUnknown> owner_;  // keeps the request, and with it the buffer, alive
    void* data_;
    size_t size_;
};

template <class T>
ComPtr<T> QueryCallback(IUnknown* callbacks) {
    ComPtr<T> out;
    if (callbacks)
        (void)callbacks->QueryInterface(IidOf<T>, reinterpret_cast<void**>(out.ReleaseAndGetAddressOf()));
    return out;
}

}  // namespace

// ---- requests ----

HostRequest::HostRequest(ComPtr<IWDFFile> file, std::vector<uint8_t> input, size_t outputLength)
    : file_(std::move(file)), input_(std::move(input)), output_(outputLength, 0) {}

void HostRequest::CompleteWithInformation(HRESULT status, size_t information) {
    std::lock_guard lock(mutex_);
    if (done_) return;
    done_ = true;
    status_ = status;
    information_ = information;
    completed_.notify_all();
}

void HostRequest::GetInputMemory(IWDFMemory** memory) {
    if (!memory) return;
    *memory = nullptr;
    if (input_.empty()) return;
    ComPtr<IUnknown> self(static_cast<IUnknown*>(static_cast<IWDFIoRequest*>(this)));
    *memory = MakeCom<HostMemory>(self, input_.data(), input_.size()).Detach();
}

void HostRequest::GetOutputMemory(IWDFMemory** memory) {
    if (!memory) return;
    *memory = nullptr;
    if (output_.empty()) return;
    ComPtr<IUnknown> self(static_cast<IUnknown*>(static_cast<IWDFIoRequest*>(this)));
    *memory = MakeCom<HostMemory>(self, output_.data(), output_.size()).Detach();
}

void HostRequest::GetFileObject(IWDFFile** file) {
    if (file) (void)file_.CopyTo(file);
}

bool HostRequest::WaitCompleted(uint32_t timeoutMs) {
    std::unique_lock lock(mutex_);
    return completed_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] { return done_; });
}

IoResult HostRequest::Result() {
    std::lock_guard lock(mutex_);
    IoResult result;
    result.status = done_ ? status_ : kRequestTimedOut;
    result.information = done_ ? information_ : 0;
    // The caller never gets more than its own buffer, whatever count the driver claimed.
    const size_t copied = std::min(result.information, output_.size());
    result.output.assign(output_.begin(), output_.begin() + static_cast<std::ptrdiff_t>(copied));
    return result;
}

// ---- queue ----

HostQueue::HostQueue(ComPtr<IQueueCallbackDeviceIoControl> callbacks, WDF_IO_QUEUE_DISPATCH_TYPE dispatch,
                     bool allowZeroLength)
    : dispatch_(dispatch), allowZeroLength_(allowZeroLength), callbacks_(std::move(callbacks)) {}

IoResult HostQueue::Submit(IWDFFile* file, uint32_t controlCode, std::vector<uint8_t> input,
                           size_t outputLength) {
    if (input.empty() && outputLength == 0 && !allowZeroLength_) return IoResult{E_INVALIDARG, 0, {}};
    ComPtr<IQueueCallbackDeviceIoControl> callbacks;
    {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return state_ != State::kStopped; });
        if (state_ != State::kRunning || !callbacks_) return IoResult{kRequestAborted, 0, {}};
        callbacks = callbacks_;
        ++inFlight_;
    }
    const size_t inputLength = input.size();
    auto request = MakeCom<HostRequest>(ComPtr<IWDFFile>(file), std::move(input), outputLength);
    {
        std::unique_lock sequential(sequential_, std::defer_lock);
        if (dispatch_ == WdfIoQueueDispatchSequential) sequential.lock();
        callbacks->OnDeviceIoControl(this, request.Get(), controlCode, inputLength, outputLength);
    }
    (void)request->WaitCompleted(kRequestCompletionTimeoutMs);
    {
        std::lock_guard lock(mutex_);
        --inFlight_;
    }
    changed_.notify_all();
    return request->Result();
}

void HostQueue::StopSynchronously() {
    std::unique_lock lock(mutex_);
    if (state_ == State::kRunning) state_ = State::kStopped;
    changed_.wait(lock, [this] { return inFlight_ == 0; });
}

void HostQueue::Start() {
    {
        std::lock_guard lock(mutex_);
        if (state_ != State::kDeleted) state_ = State::kRunning;
    }
    changed_.notify_all();
}

void HostQueue::PurgeSynchronously() {
    std::unique_lock lock(mutex_);
    if (state_ != State::kDeleted) state_ = State::kPurged;
    changed_.notify_all();
    changed_.wait(lock, [this] { return inFlight_ == 0; });
}

HRESULT HostQueue::DeleteWdfObject() {
    ComPtr<IQueueCallbackDeviceIoControl> callbacks;
    {
        std::unique_lock lock(mutex_);
        state_ = State::kDeleted;
        changed_.notify_all();
        changed_.wait(lock, [this] { return inFlight_ == 0; });
        callbacks = std::move(callbacks_);
    }
    return S_OK;
}

// ---- property store ----

HRESULT HostPropertyStore::GetNamedValueU32(const char* name, uint32_t* value) {
    if (!name || !value) return E_POINTER;
    auto text = store_.Get(name);
    if (!text) return HRESULT_FROM_WIN32(ERROR_NOT_FOUND);
    if (text->rfind("u32:", 0) != 0) return kInvalidData;
    uint32_t parsed = 0;
    const char* begin = text->data() + 4;
    const char* end = text->data() + text->size();
    auto [ptr, ec] = std::from_chars(begin, end, parsed);
    if (ec != std::errc() || ptr != end || begin == end) return kInvalidData;
    *value = parsed;
    return S_OK;
}

HRESULT HostPropertyStore::SetNamedValueU32(const char* name, uint32_t value) {
    if (!name) return E_POINTER;
    return store_.Set(name, "u32:" + std::to_string(value)) ? S_OK : E_FAIL;
}

HRESULT HostPropertyStore::GetNamedValueText(const char* name, char* buffer, size_t size) {
    if (!name || !buffer) return E_POINTER;
    auto text = store_.Get(name);
    if (!text) return HRESULT_FROM_WIN32(ERROR_NOT_FOUND);
    if (text->rfind("sz:", 0) != 0) return kInvalidData;
    const size_t length = text->size() - 3;
    if (length + 1 > size) return HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER);
    std::memcpy(buffer, text->data() + 3, length);
    buffer[length] = '\0';
    return S_OK;
}

HRESULT HostPropertyStore::SetNamedValueText(const char* name, const char* value) {
    if (!name || !value) return E_POINTER;
    return store_.Set(name, std::string("sz:") + value) ? S_OK : E_INVALIDARG;
}

// ---- device ----

HostDevice::HostDevice(std::string instanceId, IUnknown* callbacks)
    : instanceId_(std::move(instanceId)),
      pnp_(QueryCallback<IPnpCallback>(callbacks)),
      hardware_(QueryCallback<IPnpCallbackHardware>(callbacks)),
      selfManagedIo_(QueryCallback<IPnpCallbackSelfManagedIo>(callbacks)),
      fileCleanup_(QueryCallback<IFileCallbackCleanup>(callbacks)) {}

HRESULT HostDevice::DeleteWdfObject() {
    ComPtr<HostQueue> queue;
    ComPtr<IPnpCallback> pnp;
    ComPtr<IPnpCallbackHardware> hardware;
    ComPtr<IPnpCallbackSelfManagedIo> selfManagedIo;
    ComPtr<IFileCallbackCleanup> fileCleanup;
    std::vector<ComPtr<IUnknown>> extensions;
    {
        std::lock_guard lock(mutex_);
        queue = std::move(defaultQueue_);
        pnp = std::move(pnp_);
        hardware = std::move(hardware_);
        selfManagedIo = std::move(selfManagedIo_);
        fileCleanup = std::move(fileCleanup_);
        extensions = std::move(extensions_);
    }
    if (queue) (void)queue->DeleteWdfObject();
    return S_OK;
}

ComPtr<IPnpCallback> HostDevice::Pnp() {
    std::lock_guard lock(mutex_);
    return pnp_;
}
ComPtr<IPnpCallbackHardware> HostDevice::Hardware() {
    std::lock_guard lock(mutex_);
    return hardware_;
}
ComPtr<IPnpCallbackSelfManagedIo> HostDevice::SelfManagedIo() {
    std::lock_guard lock(mutex_);
    return selfManagedIo_;
}
ComPtr<IFileCallbackCleanup> HostDevice::FileCleanup() {
    std::lock_guard lock(mutex_);
    return fileCleanup_;
}

void HostDevice::GetDefaultIoQueue(IWDFIoQueue** queue) {
    if (!queue) return;
    std::lock_guard lock(mutex_);
    *queue = nullptr;
    if (defaultQueue_) *queue = ComPtr<IWDFIoQueue>(defaultQueue_).Detach();
}

HRESULT HostDevice::CreateIoQueue(IUnknown* callbacks, bool defaultQueue, WDF_IO_QUEUE_DISPATCH_TYPE dispatch,
                                  bool /*powerManaged*/, bool allowZeroLength, IWDFIoQueue** queue) {
    if (!callbacks || !queue) return E_INVALIDARG;
    *queue = nullptr;
    if (dispatch != WdfIoQueueDispatchSequential && dispatch != WdfIoQueueDispatchParallel)
        return E_INVALIDARG;
    auto ioControl = QueryCallback<IQueueCallbackDeviceIoControl>(callbacks);
    if (!ioControl) return E_INVALIDARG;
    std::lock_guard lock(mutex_);
    // One default queue per device.
    if (defaultQueue && defaultQueue_) return HRESULT_FROM_WIN32(183);  // already exists
    auto created = MakeCom<HostQueue>(ioControl, dispatch, allowZeroLength);
    if (defaultQueue) defaultQueue_ = created;
    *queue = ComPtr<IWDFIoQueue>(created).Detach();
    return S_OK;
}

HRESULT HostDevice::CreateDeviceInterface(const GUID& interfaceClass, const char* /*reference*/) {
    std::lock_guard lock(mutex_);
    if (std::find(interfaces_.begin(), interfaces_.end(), interfaceClass) == interfaces_.end()) {
        interfaces_.push_back(interfaceClass);
    }
    return S_OK;
}

void HostDevice::SetPnpState(WDF_PNP_STATE state, bool value) {
    std::lock_guard lock(mutex_);
    if (state == WdfPnpStateNotDisableable) pnpNotDisableable_ = value;
}

void HostDevice::CommitPnpState() {
    std::lock_guard lock(mutex_);
    pnpCommitted_ = true;
}

HRESULT HostDevice::RetrieveDevicePropertyStore(WDF_PROPERTY_STORE_DISPOSITION disposition,
                                                IWDFNamedPropertyStore** store) {
    if (!store) return E_POINTER;
    *store = nullptr;
    // A folder that is not safe to use is refused, not repaired: the driver runs without its store.
    const CheckedFolder folder =
        OpenDeviceStoreFolder(instanceId_, disposition == WdfPropertyStoreCreateIfMissing);
    if (!folder.Valid()) {
        return folder.error == -ENOENT ? HRESULT_FROM_WIN32(ERROR_NOT_FOUND) : E_ACCESSDENIED;
    }
    *store = MakeCom<HostPropertyStore>(folder.path / "properties", DeviceStoreRoot()).Detach();
    return S_OK;
}

HRESULT HostDevice::StopIdle(bool) {
    std::function<void(int)> listener;
    int count = 0;
    {
        std::lock_guard lock(mutex_);
        count = ++stopIdleCount_;
        listener = idleListener_;
    }
    if (listener) listener(count);
    return S_OK;
}

void HostDevice::ResumeIdle() {
    std::function<void(int)> listener;
    int count = 0;
    {
        std::lock_guard lock(mutex_);
        // An unmatched ResumeIdle must not drive the count below zero; it is counted as the fault it is.
        if (stopIdleCount_ > 0) {
            --stopIdleCount_;
        } else {
            ++unmatchedResumeIdles_;
        }
        count = stopIdleCount_;
        listener = idleListener_;
    }
    if (listener) listener(count);
}

int HostDevice::UnmatchedResumeIdleCount() {
    std::lock_guard lock(mutex_);
    return unmatchedResumeIdles_;
}

void HostDevice::SetIdleListener(std::function<void(int count)> listener) {
    std::lock_guard lock(mutex_);
    idleListener_ = std::move(listener);
}

HRESULT HostDevice::AssignS0IdleSettingsEx(const WUDF_DEVICE_POWER_POLICY_IDLE_SETTINGS* settings) {
    if (!settings || settings->Size != sizeof(WUDF_DEVICE_POWER_POLICY_IDLE_SETTINGS)) return E_INVALIDARG;
    std::lock_guard lock(mutex_);
    idle_ = *settings;
    idleAssigned_ = true;
    return S_OK;
}

ComPtr<HostQueue> HostDevice::DefaultQueue() {
    std::lock_guard lock(mutex_);
    return defaultQueue_;
}

std::vector<GUID> HostDevice::DeviceInterfaces() {
    std::lock_guard lock(mutex_);
    return interfaces_;
}

bool HostDevice::PnpNotDisableableCommitted() {
    std::lock_guard lock(mutex_);
    return pnpNotDisableable_ && pnpCommitted_;
}

bool HostDevice::IdleSettingsAssigned(WUDF_DEVICE_POWER_POLICY_IDLE_SETTINGS* settings) {
    std::lock_guard lock(mutex_);
    if (settings) *settings = idle_;
    return idleAssigned_;
}

int HostDevice::StopIdleCount() {
    std::lock_guard lock(mutex_);
    return stopIdleCount_;
}

void HostDevice::SetExtension(ComPtr<IUnknown> extension) {
    std::lock_guard lock(mutex_);
    extensions_.clear();
    if (extension) extensions_.push_back(std::move(extension));
}

void HostDevice::AddExtension(ComPtr<IUnknown> extension) {
    if (!extension) return;
    std::lock_guard lock(mutex_);
    extensions_.push_back(std::move(extension));
}

HRESULT HostDevice::QueryInterfaceHook(REFIID iid, void** out) {
    std::vector<ComPtr<IUnknown>> extensions;
    {
        std::lock_guard lock(mutex_);
        extensions = extensions_;
    }
    for (const auto& extension : extensions) {
        if (SUCCEEDED(extension->QueryInterface(iid, out))) return S_OK;
    }
    return E_NOINTERFACE;
}

// ---- device initialisation and driver ----

HRESULT HostDeviceInit::RetrieveDevicePnpInstanceId(char* buffer, uint32_t* chars) {
    if (!chars) return E_POINTER;
    const uint32_t needed = static_cast<uint32_t>(instanceId_.size() + 1);
    if (!buffer || *chars < needed) {
        *chars = needed;
        return HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER);
    }
    std::memcpy(buffer, instanceId_.c_str(), needed);
    *chars = needed;
    return S_OK;
}

HRESULT HostDriver::CreateDevice(IWDFDeviceInitialize* init, IUnknown* callbacks, IWDFDevice** device) {
    if (!init || !callbacks || !device) return E_INVALIDARG;
    *device = nullptr;
    // The instance id as the device-init object reports it, bounded like the driver's own buffer.
    std::vector<char> id(1024);
    uint32_t chars = static_cast<uint32_t>(id.size());
    if (FAILED(init->RetrieveDevicePnpInstanceId(id.data(), &chars))) return E_INVALIDARG;
    auto created = MakeCom<HostDevice>(std::string(id.data()), callbacks);
    std::function<void(HostDevice&)> hook;
    {
        std::lock_guard lock(mutex_);
        device_ = created;
        hook = onCreated_;
    }
    if (hook) hook(*created);
    *device = ComPtr<IWDFDevice>(created).Detach();
    return S_OK;
}

ComPtr<HostDevice> HostDriver::Device() {
    std::lock_guard lock(mutex_);
    return device_;
}

void HostDriver::OnDeviceCreated(std::function<void(HostDevice&)> hook) {
    std::lock_guard lock(mutex_);
    onCreated_ = std::move(hook);
}

}  // namespace geolumen
