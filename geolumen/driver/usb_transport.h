#pragma once
// The device side of the Halyx channel: every outgoing message is one SEND_ENCAPSULATED_COMMAND control
// transfer, every incoming one is fetched with one GET_ENCAPSULATED_RESPONSE, and the module announces
// a waiting response by completing a read on its interrupt IN pipe. Each such completion counts up
// ResponseSemaphore, on which the message stack's reader thread waits.
//
// UsbTransport is the USB part of the device object; the device that owns the sensor interface makes its
// UsbTransport the active one, and hands the message stack UsbSendCommand and UsbReceiveResponse as its
// port.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>

#include "platform/hresult.h"
#include "platform/usb_target.h"

namespace geolumen {

class Event;
class Semaphore;

// The interrupt pipe's transfers: the content is not used, only the notification counts.
inline constexpr std::size_t kInterruptTransferLength = 2048;
inline constexpr unsigned kInterruptPendingReads = 2;
// Notifications counted up before the reader fetches them; more are dropped.
inline constexpr std::int32_t kResponseSemaphoreMaximum = 1000;

// HRESULT of a platform result (0 or a negative errno value).
[[nodiscard]] HRESULT HresultFromUsbStatus(int status);

class UsbTransport {
  public:
    UsbTransport() = default;
    UsbTransport(const UsbTransport&) = delete;
    UsbTransport& operator=(const UsbTransport&) = delete;
    ~UsbTransport();

    // Takes the USB target device, keeps the last interface and requires it to have exactly one
    // endpoint; keeps that endpoint as the interrupt pipe when it is an interrupt IN endpoint.
    // E_UNEXPECTED for another number of endpoints, E_POINTER without a target.
    [[nodiscard]] HRESULT ConfigureUsbTarget(std::shared_ptr<UsbTarget> target);
    // Sets up the continuous reader: 2048-byte transfers, 2 pending.
    [[nodiscard]] HRESULT SetupContinuousReader();
    [[nodiscard]] HRESULT ClassControlTransfer(const UsbSetupPacket& setup, std::uint8_t* buffer,
                                               std::size_t length, std::size_t* transferred);
    [[nodiscard]] HRESULT SendEncapsulatedCommand(const std::uint8_t* buffer, std::size_t length);
    [[nodiscard]] HRESULT ReceiveEncapsulatedResponse(std::uint8_t* buffer, std::size_t length,
                                                      std::size_t* transferred);
    // S_FALSE when no interrupt pipe was found.
    [[nodiscard]] HRESULT StartInterruptPipe();
    [[nodiscard]] HRESULT StopInterruptPipe();
    // One completion of the continuous reader: releases ResponseSemaphore once when bytes arrived.
    void OnReaderCompletion(std::size_t bytesRead);
    // Keeps the status; true lets the reader restart.
    bool OnReaderFailure(HRESULT status);

    [[nodiscard]] bool HasInterruptPipe() const { return pipeFound_; }
    [[nodiscard]] HRESULT LastReaderFailure() const { return lastReaderFailure_.load(); }
    // Drops the target device (release hardware).
    void DeleteUsbTarget();

  private:
    std::shared_ptr<UsbTarget> target_;
    bool haveInterface_ = false;
    bool pipeFound_ = false;
    UsbEndpointInfo pipe_{};
    std::atomic<HRESULT> lastReaderFailure_{S_OK};
};

// Makes `device` the one the transport entries reach (null: none, as before preparation or after
// release). The caller keeps it alive until it is replaced.
void SetActiveUsbTransport(UsbTransport* device);

// Sends one message. 1 when it went out; 0 when there is no device or the transfer failed, so that the
// message stack can report the failure instead of waiting for an answer that cannot come.
[[nodiscard]] int UsbSendCommand(const std::uint8_t* buffer, std::size_t length);
// Fetches one response into buffer. 0 when `transferred` is null; else 1, with *transferred the byte
// count (0 when there is no device or the transfer failed).
[[nodiscard]] int UsbReceiveResponse(std::uint8_t* buffer, std::size_t length, std::size_t* transferred);

// The semaphore between interrupt completions and the reader thread; null while no reader runs.
[[nodiscard]] Semaphore* ResponseSemaphore();

// Creates ResponseSemaphore (0, 1000) and the reader exit event and starts the message stack's reader
// thread; false when that failed.
[[nodiscard]] bool StartResponseReader();
// The same with another thread body in place of the message stack's reader (tests of the semaphore).
[[nodiscard]] bool StartResponseReaderWith(std::function<void(Semaphore&, Event&)> body);
// Stops the interrupt pipe of `device` (when given), then ends the reader thread and closes the semaphore.
// Called on the reader thread itself it does not wait for itself.
bool StopResponseReader(UsbTransport* device);
// Starts the interrupt pipe of the device; true.
bool StartInterruptReader(UsbTransport& device);

}  // namespace geolumen
