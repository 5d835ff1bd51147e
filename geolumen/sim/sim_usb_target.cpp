#include "sim/sim_usb_target.h"

#include <algorithm>
#include <cerrno>

namespace geolumen::sim {

SimUsbTarget::SimUsbTarget(SimModule& module) : module_(module) {
    interfaces_ = {{UsbEndpointInfo{0x81, UsbPipeType::Interrupt, 16}}};
    module_.SetNotifier([this] {
        {
            std::lock_guard lock(mutex_);
            ++notifications_;
        }
        cv_.notify_all();
    });
}

SimUsbTarget::~SimUsbTarget() {
    module_.SetNotifier(nullptr);
    {
        std::lock_guard lock(mutex_);
        quit_ = true;
    }
    cv_.notify_all();
    if (thread_.joinable()) thread_.join();
}

void SimUsbTarget::SetInterfaces(std::vector<std::vector<UsbEndpointInfo>> interfaces) {
    std::lock_guard lock(mutex_);
    interfaces_ = std::move(interfaces);
}

void SimUsbTarget::FailInterface(std::size_t index) {
    std::lock_guard lock(mutex_);
    failingInterfaces_.push_back(index);
}

void SimUsbTarget::InjectReaderFailure(int status) {
    {
        std::lock_guard lock(mutex_);
        injectedFailure_ = status;
    }
    cv_.notify_all();
}

void SimUsbTarget::Unplug() {
    module_.SetFault(Fault::Of(FaultMode::Disconnect));
    InjectReaderFailure(-ENODEV);
}

std::size_t SimUsbTarget::InterfaceCount() const {
    std::lock_guard lock(mutex_);
    return interfaces_.size();
}

int SimUsbTarget::RetrieveInterface(std::size_t index, std::vector<UsbEndpointInfo>& endpoints) {
    std::lock_guard lock(mutex_);
    if (index >= interfaces_.size()) return -EINVAL;
    if (std::find(failingInterfaces_.begin(), failingInterfaces_.end(), index) != failingInterfaces_.end())
        return -EIO;
    endpoints = interfaces_[index];
    return 0;
}

int SimUsbTarget::ControlTransfer(const UsbSetupPacket& setup, std::span<std::uint8_t> data,
                                  std::size_t& transferred) {
    transferred = 0;
    {
        std::lock_guard lock(mutex_);
        setups_.push_back(setup);
    }
    if (setup.requestType == kSendEncapsulatedCommand.requestType &&
        setup.request == kSendEncapsulatedCommand.request) {
        const int r = module_.HandleCommand(data);
        if (r == 0) transferred = data.size();
        return r;
    }
    if (setup.requestType == kGetEncapsulatedResponse.requestType &&
        setup.request == kGetEncapsulatedResponse.request) {
        return module_.TakeResponse(data, transferred);
    }
    return -EPIPE;  // a stalled request, as a device answers one it does not know
}

int SimUsbTarget::ConfigureContinuousReader(std::uint8_t endpointAddress, std::size_t transferLength,
                                            unsigned pendingReads, UsbReaderCallbacks callbacks) {
    std::lock_guard lock(mutex_);
    if ((endpointAddress & 0x80) == 0 || transferLength == 0 || pendingReads == 0) return -EINVAL;
    if (configured_) return -EBUSY;
    callbacks_ = std::move(callbacks);
    transferLength_ = transferLength;
    pendingReads_ = pendingReads;
    configured_ = true;
    thread_ = std::thread(&SimUsbTarget::ReaderLoop, this);
    return 0;
}

int SimUsbTarget::StartReader() {
    {
        std::lock_guard lock(mutex_);
        if (!configured_) return -EINVAL;
        running_ = true;
    }
    cv_.notify_all();
    return 0;
}

int SimUsbTarget::StopReader() {
    std::unique_lock lock(mutex_);
    running_ = false;
    cv_.wait(lock, [this] { return !inCallback_; });
    return 0;
}

void SimUsbTarget::ReleaseReader() {
    std::thread thread;
    {
        std::unique_lock lock(mutex_);
        running_ = false;
        cv_.wait(lock, [this] { return !inCallback_; });
        quit_ = true;
        thread = std::move(thread_);
    }
    cv_.notify_all();
    if (thread.joinable()) thread.join();
    std::lock_guard lock(mutex_);
    quit_ = false;
    configured_ = false;
    callbacks_ = {};
}

std::size_t SimUsbTarget::ReaderTransferLength() const {
    std::lock_guard lock(mutex_);
    return transferLength_;
}

unsigned SimUsbTarget::ReaderPendingReads() const {
    std::lock_guard lock(mutex_);
    return pendingReads_;
}

std::vector<UsbSetupPacket> SimUsbTarget::SetupPackets() const {
    std::lock_guard lock(mutex_);
    return setups_;
}

void SimUsbTarget::ReaderLoop() {
    std::unique_lock lock(mutex_);
    for (;;) {
        cv_.wait(lock, [this] { return quit_ || (running_ && (notifications_ > 0 || injectedFailure_)); });
        if (quit_) return;
        inCallback_ = true;
        if (injectedFailure_) {
            const int status = *injectedFailure_;
            injectedFailure_.reset();
            const auto failed = callbacks_.failed;
            lock.unlock();
            const bool restart = failed ? failed(status) : false;
            lock.lock();
            if (!restart) running_ = false;
        } else {
            --notifications_;
            const auto completed = callbacks_.completed;
            lock.unlock();
            if (completed) completed(kSimNotificationBytes);
            lock.lock();
        }
        inCallback_ = false;
        cv_.notify_all();
    }
}

}  // namespace geolumen::sim
