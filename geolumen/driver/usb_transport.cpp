#include "driver/usb_transport.h"

#include <cerrno>
#include <shared_mutex>
#include <thread>

#include "halyx/halyx_usb_transport.h"
#include "platform/event.h"
#include "platform/semaphore.h"
#include "platform/trace.h"

namespace geolumen {

namespace {

// Result of a transfer to a device that is no longer there.
constexpr HRESULT kDeviceNotConnected = HRESULT_FROM_WIN32(ERROR_DEVICE_NOT_CONNECTED);

// The device the transport entries reach. Transfers hold the lock shared, so that replacing the device
// waits until none of them still uses the old one.
std::shared_mutex g_activeLock;
UsbTransport* g_active = nullptr;

// The response reader: ResponseSemaphore, the reader's exit event and its thread.
struct ReaderState {
    std::mutex mutex;
    std::shared_ptr<Semaphore> semaphore;
    std::shared_ptr<Event> exit;
    std::thread thread;

    // A process that exits, or a library unloaded, while the reader runs: stop and join it, since a thread
    // object destroyed while joinable ends the process.
    ~ReaderState() {
        if (exit) exit->Set();
        if (!thread.joinable()) return;
        if (thread.get_id() == std::this_thread::get_id()) {
            thread.detach();
        } else {
            thread.join();
        }
    }
};

ReaderState& Reader() {
    static ReaderState state;
    return state;
}

}  // namespace

HRESULT HresultFromUsbStatus(int status) {
    if (status >= 0) return S_OK;
    if (status == -ENODEV) return kDeviceNotConnected;
    if (status == -ENOMEM) return E_OUTOFMEMORY;
    if (status == -EINVAL) return E_INVALIDARG;
    return E_FAIL;
}

UsbTransport::~UsbTransport() {
    {
        std::unique_lock lock(g_activeLock);
        if (g_active == this) g_active = nullptr;
    }
    // The reader's callbacks point here: they must have ended, and be forgotten, before this object goes.
    if (target_) target_->ReleaseReader();
}

HRESULT UsbTransport::ConfigureUsbTarget(std::shared_ptr<UsbTarget> target) {
    if (!target) return E_POINTER;
    target_ = std::move(target);
    haveInterface_ = false;
    pipeFound_ = false;
    std::vector<UsbEndpointInfo> endpoints;
    const std::size_t count = target_->InterfaceCount();
    for (std::size_t i = 0; i < count; ++i) {
        std::vector<UsbEndpointInfo> found;
        const int status = target_->RetrieveInterface(i, found);
        if (status != 0) {
            GEOLUMEN_TRACE(TRACE_LEVEL_ERROR, TRACE_DEVICE, "USB interface %zu not retrieved (%d)", i,
                           status);
            if (i + 1 == count) return HresultFromUsbStatus(status);
            continue;
        }
        // The last interface is the one that carries the notification endpoint.
        endpoints = std::move(found);
        haveInterface_ = true;
    }
    if (!haveInterface_ || endpoints.size() != 1) {
        GEOLUMEN_TRACE(TRACE_LEVEL_ERROR, TRACE_DEVICE, "USB interface with %zu endpoints", endpoints.size());
        return E_UNEXPECTED;
    }
    // Without an interrupt IN endpoint no response would ever be announced: refuse the device now
    // rather than leave it without a reader.
    if (!endpoints[0].IsIn() || endpoints[0].type != UsbPipeType::Interrupt) {
        GEOLUMEN_TRACE(TRACE_LEVEL_ERROR, TRACE_DEVICE, "USB endpoint 0x%02x is not interrupt IN",
                       endpoints[0].address);
        return E_UNEXPECTED;
    }
    pipe_ = endpoints[0];
    pipeFound_ = true;
    return S_OK;
}

HRESULT UsbTransport::SetupContinuousReader() {
    if (!target_ || !pipeFound_) return E_UNEXPECTED;
    UsbReaderCallbacks callbacks;
    callbacks.completed = [this](std::size_t bytes) { OnReaderCompletion(bytes); };
    callbacks.failed = [this](int status) { return OnReaderFailure(HresultFromUsbStatus(status)); };
    return HresultFromUsbStatus(target_->ConfigureContinuousReader(
        pipe_.address, kInterruptTransferLength, kInterruptPendingReads, std::move(callbacks)));
}

HRESULT UsbTransport::ClassControlTransfer(const UsbSetupPacket& setup, std::uint8_t* buffer,
                                           std::size_t length, std::size_t* transferred) {
    if (transferred != nullptr) *transferred = 0;
    if (!target_) return E_POINTER;
    if (buffer == nullptr && length != 0) return E_INVALIDARG;
    std::size_t n = 0;
    const int status = target_->ControlTransfer(setup, std::span<std::uint8_t>(buffer, length), n);
    if (status != 0) return HresultFromUsbStatus(status);
    if (transferred != nullptr) *transferred = std::min(n, length);
    return S_OK;
}

HRESULT UsbTransport::SendEncapsulatedCommand(const std::uint8_t* buffer, std::size_t length) {
    std::size_t ignored = 0;
    // The transfer only reads the buffer on an OUT request.
    return ClassControlTransfer(kSendEncapsulatedCommand, const_cast<std::uint8_t*>(buffer), length,
                                &ignored);
}

HRESULT UsbTransport::ReceiveEncapsulatedResponse(std::uint8_t* buffer, std::size_t length,
                                                  std::size_t* transferred) {
    return ClassControlTransfer(kGetEncapsulatedResponse, buffer, length, transferred);
}

HRESULT UsbTransport::StartInterruptPipe() {
    if (!target_ || !pipeFound_) return S_FALSE;
    return HresultFromUsbStatus(target_->StartReader());
}

HRESULT UsbTransport::StopInterruptPipe() {
    if (!target_ || !pipeFound_) return S_FALSE;
    return HresultFromUsbStatus(target_->StopReader());
}

void UsbTransport::OnReaderCompletion(std::size_t bytesRead) {
    if (bytesRead == 0) return;
    ReaderState& r = Reader();
    std::lock_guard lock(r.mutex);
    // At the maximum the notification is dropped: the reader still has 1000 to fetch.
    if (r.semaphore && !r.semaphore->Release(1)) {
        GEOLUMEN_TRACE(TRACE_LEVEL_WARNING, TRACE_DEVICE, "response notification dropped: semaphore full");
    }
}

bool UsbTransport::OnReaderFailure(HRESULT status) {
    lastReaderFailure_ = status;
    GEOLUMEN_TRACE(TRACE_LEVEL_WARNING, TRACE_DEVICE, "interrupt reader failed (0x%08x)",
                   static_cast<unsigned>(status));
    return true;
}

void UsbTransport::DeleteUsbTarget() {
    // The device may be handed out again (the host gives every preparation the same one): it must not
    // keep a reader configured, nor callbacks into this object.
    if (target_) target_->ReleaseReader();
    target_.reset();
    haveInterface_ = false;
    pipeFound_ = false;
}

void SetActiveUsbTransport(UsbTransport* device) {
    // The message stack talks through these two entries; they find the active device themselves.
    static const halyx_usb_port port{UsbSendCommand, UsbReceiveResponse};
    halyx_set_usb_port(&port);
    std::unique_lock lock(g_activeLock);
    g_active = device;
}

int UsbSendCommand(const std::uint8_t* buffer, std::size_t length) {
    std::shared_lock lock(g_activeLock);
    if (g_active == nullptr) {
        GEOLUMEN_TRACE(TRACE_LEVEL_ERROR, TRACE_DEVICE, "command not sent: no device");
        return 0;
    }
    const HRESULT hr = g_active->SendEncapsulatedCommand(buffer, length);
    if (FAILED(hr)) {
        GEOLUMEN_TRACE(TRACE_LEVEL_ERROR, TRACE_DEVICE, "command not sent (0x%08x)",
                       static_cast<unsigned>(hr));
        return 0;
    }
    return 1;
}

int UsbReceiveResponse(std::uint8_t* buffer, std::size_t length, std::size_t* transferred) {
    if (transferred == nullptr) return 0;
    *transferred = 0;
    std::shared_lock lock(g_activeLock);
    if (g_active == nullptr) return 1;
    const HRESULT hr = g_active->ReceiveEncapsulatedResponse(buffer, length, transferred);
    if (FAILED(hr)) {
        GEOLUMEN_TRACE(TRACE_LEVEL_WARNING, TRACE_DEVICE, "response not fetched (0x%08x)",
                       static_cast<unsigned>(hr));
        *transferred = 0;
    }
    return 1;
}

Semaphore* ResponseSemaphore() {
    ReaderState& r = Reader();
    std::lock_guard lock(r.mutex);
    return r.semaphore.get();
}

bool StartResponseReader() {
    return StartResponseReaderWith(
        [](Semaphore& responses, Event& exit) { halyx_usb_reader_thread(responses, exit); });
}

bool StartResponseReaderWith(std::function<void(Semaphore&, Event&)> body) {
    ReaderState& r = Reader();
    std::lock_guard lock(r.mutex);
    if (r.thread.joinable()) return true;
    r.semaphore = std::make_shared<Semaphore>(0, kResponseSemaphoreMaximum);
    r.exit = std::make_shared<Event>(Event::Reset::kAuto);
    halyx_usb_set_reader_running(true);
    try {
        // The thread holds its own references, so a stop from the thread itself cannot pull them away.
        r.thread = std::thread(
            [semaphore = r.semaphore, exit = r.exit, body = std::move(body)] { body(*semaphore, *exit); });
    } catch (const std::system_error&) {
        halyx_usb_set_reader_running(false);
        r.semaphore.reset();
        r.exit.reset();
        return false;
    }
    return true;
}

bool StopResponseReader(UsbTransport* device) {
    if (device != nullptr) (void)device->StopInterruptPipe();
    ReaderState& r = Reader();
    std::thread thread;
    std::shared_ptr<Event> exit;
    {
        std::lock_guard lock(r.mutex);
        thread = std::move(r.thread);
        exit = std::move(r.exit);
        r.semaphore.reset();
    }
    if (exit) exit->Set();
    if (thread.joinable()) {
        if (thread.get_id() == std::this_thread::get_id()) {
            thread.detach();
        } else {
            thread.join();
        }
        halyx_usb_set_reader_running(false);
    }
    return true;
}

bool StartInterruptReader(UsbTransport& device) {
    const HRESULT hr = device.StartInterruptPipe();
    if (FAILED(hr))
        GEOLUMEN_TRACE(TRACE_LEVEL_ERROR, TRACE_DEVICE, "interrupt pipe not started (0x%08x)",
                       static_cast<unsigned>(hr));
    return true;
}

}  // namespace geolumen
