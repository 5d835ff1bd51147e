#include "location/assistance_data.h"

#include <array>

#include "location/ntp_time.h"
#include "platform/http_client.h"
#include "platform/udp_socket.h"

namespace geolumen {

namespace {

constexpr size_t kMaxHostNameChars = 253;  // the longest name DNS can carry
constexpr long kHttpOk = 200;

}  // namespace

std::string_view AssistanceOutcomeText(AssistanceOutcome outcome) {
    switch (outcome) {
        case AssistanceOutcome::Injected:
            return "injected";
        case AssistanceOutcome::InjectFailed:
            return "inject failed";
        case AssistanceOutcome::NoHost:
            return "no host";
        case AssistanceOutcome::BadHost:
            return "bad host name";
        case AssistanceOutcome::NetworkFailed:
            return "network failed";
        case AssistanceOutcome::TimedOut:
            return "timed out";
        case AssistanceOutcome::Stopped:
            return "stopped";
        case AssistanceOutcome::BadAnswer:
            return "bad answer";
        case AssistanceOutcome::HttpError:
            return "http error";
        case AssistanceOutcome::EmptyBody:
            return "empty body";
        case AssistanceOutcome::TooLarge:
            return "too large";
    }
    return "unknown";
}

bool IsPlainHostName(std::string_view host) {
    if (host.empty() || host.size() > kMaxHostNameChars) return false;
    for (const char c : host) {
        const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                        c == '-' || c == '_' || c == '.';
        if (!ok) return false;
    }
    return true;
}

AssistanceOutcome QueryNtpTime(const std::string& host, AssistanceSink& sink,
                               const AssistanceNetConfig& config, std::stop_token stop,
                               const std::function<FileTime()>& now) {
    if (host.empty()) return AssistanceOutcome::NoHost;
    if (!IsPlainHostName(host)) return AssistanceOutcome::BadHost;
    std::string error;
    auto socket = UdpSocket::Connect(host, config.sntpPort, error);
    if (!socket) return AssistanceOutcome::NetworkFailed;

    const SntpPacket request = BuildSntpRequest(now());
    if (!socket->Send(request)) return AssistanceOutcome::NetworkFailed;

    // Datagrams that are not the answer to this request are read and dropped until the deadline.
    const auto deadline = std::chrono::steady_clock::now() + config.sntpAnswerTimeout;
    bool sawBadAnswer = false;
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) break;
        const auto waited = socket->WaitReadable(left, stop);
        if (waited == UdpSocket::WaitResult::Stopped) return AssistanceOutcome::Stopped;
        if (waited == UdpSocket::WaitResult::TimedOut) break;
        if (waited == UdpSocket::WaitResult::Failed) return AssistanceOutcome::NetworkFailed;
        std::array<uint8_t, kSntpPacketSize> answer{};
        const ssize_t got = socket->Receive(answer);
        if (got < 0) continue;
        const auto injection = EvaluateSntpAnswer(
            std::span<const uint8_t>(answer.data(), static_cast<size_t>(got)), request, now());
        if (!injection) {
            sawBadAnswer = true;
            continue;
        }
        return sink.InjectUtcTime(injection->utcMs, injection->uncertaintyMs) == 0
                   ? AssistanceOutcome::Injected
                   : AssistanceOutcome::InjectFailed;
    }
    return sawBadAnswer ? AssistanceOutcome::BadAnswer : AssistanceOutcome::TimedOut;
}

AssistanceOutcome DownloadPredictedOrbits(const std::string& host, AssistanceSink& sink,
                                          const AssistanceNetConfig& config, std::stop_token stop) {
    if (host.empty()) return AssistanceOutcome::NoHost;
    if (!IsPlainHostName(host)) return AssistanceOutcome::BadHost;
    HttpGetRequest request;
    request.url = "http://" + host;
    if (config.httpPort != 80) request.url += ":" + std::to_string(config.httpPort);
    request.url += "/";
    request.url += kOrbitFileName;
    request.userAgent = kAssistanceUserAgent;
    request.maxBodyBytes = kOrbitBufferBytes - 1;
    request.connectTimeout = config.httpConnectTimeout;
    request.noProgressTimeout = config.httpNoProgressTimeout;

    const HttpGetResult result = HttpGet(request, stop);
    switch (result.outcome) {
        case HttpGetResult::Outcome::Ok:
            break;
        case HttpGetResult::Outcome::TooLarge:
            return AssistanceOutcome::TooLarge;
        case HttpGetResult::Outcome::Stopped:
            return AssistanceOutcome::Stopped;
        case HttpGetResult::Outcome::TimedOut:
            return AssistanceOutcome::TimedOut;
        case HttpGetResult::Outcome::Failed:
            return AssistanceOutcome::NetworkFailed;
    }
    if (result.status != kHttpOk) return AssistanceOutcome::HttpError;
    if (result.body.empty()) return AssistanceOutcome::EmptyBody;
    return sink.InjectPredictedOrbits(result.body) == 0 ? AssistanceOutcome::Injected
                                                        : AssistanceOutcome::InjectFailed;
}

}  // namespace geolumen
