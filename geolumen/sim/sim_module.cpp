#include "sim/sim_module.h"

#include <algorithm>
#include <cerrno>

namespace geolumen::sim {

namespace {

constexpr std::uint16_t kCtlGetVersion = 0x21;
constexpr std::uint16_t kCtlGetClientId = 0x22;
constexpr std::uint16_t kCtlReleaseClientId = 0x23;
constexpr std::uint16_t kCtlSync = 0x27;

void Malform(Bytes& b, Malformation how) {
    switch (how) {
        case Malformation::BadInterface:
            b[0] = 0x02;
            break;
        case Malformation::LengthTooLong: {
            const unsigned len = static_cast<unsigned>(b[1] | (b[2] << 8)) + 1;
            b[1] = static_cast<std::uint8_t>(len & 0xFF);
            b[2] = static_cast<std::uint8_t>(len >> 8);
            break;
        }
        case Malformation::ServiceTooHigh:
            b[4] = 100;
            break;
        case Malformation::Broadcast:
            b[5] = 0xFF;
            break;
        case Malformation::ShortFrame:
            b.resize(5);
            break;
        case Malformation::HeaderLengthOff: {
            // The inner header's length field: bytes 10-11 of a control frame, 11-12 of a service frame.
            const std::size_t at = b[4] == kControlService ? 10 : 11;
            if (b.size() > at + 1) ++b[at];
            break;
        }
        case Malformation::BadTlv: {
            // The first TLV's length grows past the end; the header lengths stay as they were.
            const std::size_t at =
                (b[4] == kControlService ? kControlHeaderSize : kMessageHeaderSize) + kMuxHeaderSize;
            if (b.size() > at + 2) b[at + 1] = static_cast<std::uint8_t>(b[at + 1] + 0x40);
            break;
        }
    }
}

}  // namespace

SimModule::SimModule() {
    versions_ = {VersionEntry{kControlService, 1, 5}, VersionEntry{kLocationService, 2, 6}};
}

int SimModule::HandleCommand(std::span<const std::uint8_t> bytes) {
    {
        std::lock_guard lock(mutex_);
        if (fault_.mode == FaultMode::Disconnect) return -ENODEV;
        received_.emplace_back(bytes.begin(), bytes.end());
    }
    received_cv_.notify_all();
    const SimParsed parsed = ParseFrame(bytes);
    if (parsed.error != SimParseError::None) return 0;
    if (parsed.frame.service == kControlService) {
        HandleControl(parsed.frame);
    } else {
        HandleService(parsed.frame);
    }
    return 0;
}

int SimModule::TakeResponse(std::span<std::uint8_t> out, std::size_t& count) {
    count = 0;
    std::lock_guard lock(mutex_);
    if (fault_.mode == FaultMode::Disconnect) return -ENODEV;
    if (queue_.empty()) return 0;
    const Bytes frame = std::move(queue_.front());
    queue_.pop_front();
    count = std::min(frame.size(), out.size());
    std::copy_n(frame.begin(), count, out.begin());
    return 0;
}

void SimModule::SetNotifier(std::function<void()> notifier) {
    std::lock_guard lock(mutex_);
    notifier_ = std::move(notifier);
}

void SimModule::SetHandler(std::uint8_t service, std::uint16_t messageId, Handler handler) {
    std::lock_guard lock(mutex_);
    handlers_[{service, messageId}] = std::move(handler);
}

void SimModule::SetResult(std::uint16_t messageId, std::uint16_t result, std::uint16_t error) {
    std::lock_guard lock(mutex_);
    results_[messageId] = {result, error};
}

void SimModule::SetClientIdToGive(std::uint8_t clientId) {
    std::lock_guard lock(mutex_);
    clientIdToGive_ = clientId;
}

void SimModule::SetVersionList(std::vector<VersionEntry> versions) {
    std::lock_guard lock(mutex_);
    versions_ = std::move(versions);
}

void SimModule::SetFault(const Fault& fault) {
    std::lock_guard lock(mutex_);
    fault_ = fault;
}

void SimModule::HandleControl(const SimFrame& request) {
    if (request.type != kCtlRequest) return;
    switch (request.messageId) {
        case kCtlSync:
            return;
        case kCtlGetVersion: {
            Bytes list;
            {
                std::lock_guard lock(mutex_);
                PutU8(list, static_cast<std::uint8_t>(versions_.size()));
                for (const VersionEntry& v : versions_) {
                    PutU8(list, v.service);
                    PutU16(list, v.major);
                    PutU16(list, v.minor);
                }
            }
            Respond(request, {SimTlv{0x01, list}});
            return;
        }
        case kCtlGetClientId: {
            const SimTlv* service = request.Find(0x01);
            bool refuse = service == nullptr || service->value.size() != 1;
            std::uint16_t error = 0;
            std::uint8_t id = 0;
            {
                std::lock_guard lock(mutex_);
                if (fault_.mode == FaultMode::RefuseClientId && FaultApplies(request)) {
                    refuse = true;
                    error = fault_.error;
                }
                if (!refuse) {
                    clientId_ = clientIdToGive_;
                    id = clientId_;
                }
            }
            if (refuse) {
                Respond(request, {}, 1, error);
            } else {
                Respond(request, {SimTlv{0x01, {service->value[0], id}}});
            }
            return;
        }
        case kCtlReleaseClientId: {
            const SimTlv* which = request.Find(0x01);
            if (which == nullptr || which->value.size() != 2) {
                Respond(request, {}, 1, 0);
                return;
            }
            {
                std::lock_guard lock(mutex_);
                if (which->value[1] == clientId_) clientId_ = 0;
            }
            Respond(request, {SimTlv{0x01, which->value}});
            return;
        }
        default:
            Respond(request, {}, 1, 0);
            return;
    }
}

void SimModule::HandleService(const SimFrame& request) {
    if (request.type != kMsgRequest) return;
    Handler handler;
    std::pair<std::uint16_t, std::uint16_t> result{0, 0};
    {
        std::lock_guard lock(mutex_);
        if (auto it = handlers_.find({request.service, request.messageId}); it != handlers_.end())
            handler = it->second;
        if (auto it = results_.find(request.messageId); it != results_.end()) result = it->second;
    }
    if (handler) {
        handler(*this, request);
    } else {
        Respond(request, {}, result.first, result.second);
    }
}

void SimModule::Respond(const SimFrame& request, std::vector<SimTlv> tlvs, std::uint16_t result,
                        std::uint16_t error) {
    SimFrame f;
    f.service = request.service;
    f.clientId = request.clientId;
    f.type = request.service == kControlService ? kCtlResponse : kMsgResponse;
    f.transaction = request.transaction;
    f.messageId = request.messageId;
    {
        std::lock_guard lock(mutex_);
        if (fault_.mode == FaultMode::FailureResult && FaultApplies(f)) {
            result = fault_.result;
            error = fault_.error;
        }
    }
    f.tlvs.push_back(ResultTlv(result, error));
    for (SimTlv& t : tlvs) f.tlvs.push_back(std::move(t));
    Send(f);
}

void SimModule::Indicate(std::uint16_t messageId, std::vector<SimTlv> tlvs) {
    SimFrame f;
    f.service = kLocationService;
    f.type = kMsgIndication;
    f.messageId = messageId;
    f.tlvs = std::move(tlvs);
    {
        std::lock_guard lock(mutex_);
        f.clientId = clientId_;
    }
    Send(f);
}

void SimModule::Send(const SimFrame& frame) {
    SimFrame f = frame;
    Fault fault;
    bool applies = false;
    {
        std::lock_guard lock(mutex_);
        fault = fault_;
        applies = FaultApplies(frame);
    }
    if (!applies) {
        Queue(BuildFrame(f));
        return;
    }
    switch (fault.mode) {
        case FaultMode::Silence:
        case FaultMode::Disconnect:
            return;
        case FaultMode::Late: {
            std::lock_guard lock(mutex_);
            held_.push_back(BuildFrame(f));
            return;
        }
        case FaultMode::WrongTransaction:
            // Control transaction ids skip 0 on wrapping; so does the wrong one.
            f.transaction = f.service == kControlService ? static_cast<std::uint16_t>(f.transaction % 255 + 1)
                                                         : static_cast<std::uint16_t>(f.transaction + 1);
            break;
        case FaultMode::WrongMessageId:
            f.messageId = static_cast<std::uint16_t>(f.messageId + 1);
            break;
        default:
            break;
    }
    Bytes bytes = BuildFrame(f);
    if (fault.mode == FaultMode::Malformed) Malform(bytes, fault.malformation);
    if (fault.mode == FaultMode::Truncated)
        bytes.resize(bytes.size() - std::min(bytes.size(), fault.truncateBy));
    Queue(std::move(bytes));
}

void SimModule::SendRaw(Bytes bytes) { Queue(std::move(bytes)); }

void SimModule::ReleaseHeld() {
    std::vector<Bytes> held;
    {
        std::lock_guard lock(mutex_);
        held.swap(held_);
    }
    for (Bytes& b : held) Queue(std::move(b));
}

void SimModule::Queue(Bytes bytes) {
    std::function<void()> notify;
    {
        std::lock_guard lock(mutex_);
        queue_.push_back(std::move(bytes));
        notify = notifier_;
    }
    if (notify) notify();
}

bool SimModule::FaultApplies(const SimFrame& frame) const {
    if (fault_.mode == FaultMode::None) return false;
    if (fault_.service && *fault_.service != frame.service) return false;
    if (fault_.messageId && *fault_.messageId != frame.messageId) return false;
    return true;
}

std::vector<Bytes> SimModule::Received() const {
    std::lock_guard lock(mutex_);
    return received_;
}

std::vector<SimFrame> SimModule::ReceivedFrames() const {
    std::vector<SimFrame> frames;
    for (const Bytes& b : Received()) {
        SimParsed p = ParseFrame(b);
        if (p.error == SimParseError::None) frames.push_back(std::move(p.frame));
    }
    return frames;
}

bool SimModule::WaitForReceived(std::size_t count, std::chrono::milliseconds timeout) const {
    std::unique_lock lock(mutex_);
    return received_cv_.wait_for(lock, timeout, [&] { return received_.size() >= count; });
}

void SimModule::ClearReceived() {
    std::lock_guard lock(mutex_);
    received_.clear();
}

std::size_t SimModule::QueuedResponses() const {
    std::lock_guard lock(mutex_);
    return queue_.size();
}

std::uint8_t SimModule::ClientId() const {
    std::lock_guard lock(mutex_);
    return clientId_;
}

bool SimModule::Disconnected() const {
    std::lock_guard lock(mutex_);
    return fault_.mode == FaultMode::Disconnect;
}

}  // namespace geolumen::sim
