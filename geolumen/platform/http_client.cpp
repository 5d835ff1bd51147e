#include "platform/http_client.h"

#include <curl/curl.h>

#include <chrono>
#include <memory>
#include <mutex>

namespace geolumen {

namespace {

struct Transfer {
    using Clock = std::chrono::steady_clock;

    const HttpGetRequest* request;
    std::stop_token stop;
    std::vector<uint8_t> body;
    bool tooLarge = false;
    bool stalled = false;
    // The body's length when it last grew, and when; the wait for the answer's head counts as no progress.
    curl_off_t lastBytes = 0;
    Clock::time_point lastProgress = Clock::now();
};

size_t OnBody(char* data, size_t size, size_t count, void* user) {
    auto* transfer = static_cast<Transfer*>(user);
    const size_t bytes = size * count;
    if (transfer->body.size() + bytes > transfer->request->maxBodyBytes) {
        transfer->tooLarge = true;
        return 0;  // a short count makes curl abort the transfer
    }
    transfer->body.insert(transfer->body.end(), data, data + bytes);
    return bytes;
}

int OnProgress(void* user, curl_off_t, curl_off_t received, curl_off_t, curl_off_t) {
    // Non-zero aborts the transfer; curl calls this about once a second even while nothing flows, so a
    // stall is seen within a second of its limit.
    auto* transfer = static_cast<Transfer*>(user);
    if (transfer->stop.stop_requested()) return 1;
    const auto now = Transfer::Clock::now();
    if (received != transfer->lastBytes) {
        transfer->lastBytes = received;
        transfer->lastProgress = now;
        return 0;
    }
    const auto limit = transfer->request->noProgressTimeout;
    if (limit.count() > 0 && now - transfer->lastProgress >= limit) {
        transfer->stalled = true;
        return 1;
    }
    return 0;
}

struct EasyDeleter {
    void operator()(CURL* easy) const { curl_easy_cleanup(easy); }
};

}  // namespace

HttpGetResult HttpGet(const HttpGetRequest& request, std::stop_token stop) {
    static std::once_flag curlReady;
    std::call_once(curlReady, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });

    HttpGetResult result;
    if (stop.stop_requested()) {
        result.outcome = HttpGetResult::Outcome::Stopped;
        return result;
    }
    std::unique_ptr<CURL, EasyDeleter> easy(curl_easy_init());
    if (!easy) {
        result.error = "cannot create http session";
        return result;
    }
    Transfer transfer{&request, stop, {}};
    char errorText[CURL_ERROR_SIZE] = {};
    CURL* h = easy.get();
    curl_easy_setopt(h, CURLOPT_URL, request.url.c_str());
    curl_easy_setopt(h, CURLOPT_USERAGENT, request.userAgent.c_str());
    curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "http");
    curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 0L);
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(request.connectTimeout.count()));
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &OnBody);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, &transfer);
    curl_easy_setopt(h, CURLOPT_XFERINFOFUNCTION, &OnProgress);
    curl_easy_setopt(h, CURLOPT_XFERINFODATA, &transfer);
    curl_easy_setopt(h, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(h, CURLOPT_ERRORBUFFER, errorText);

    const CURLcode rc = curl_easy_perform(h);
    if (transfer.tooLarge) {
        result.outcome = HttpGetResult::Outcome::TooLarge;
        result.error = "body too large";
        return result;
    }
    if (rc == CURLE_ABORTED_BY_CALLBACK && stop.stop_requested()) {
        result.outcome = HttpGetResult::Outcome::Stopped;
        result.error = "stopped";
        return result;
    }
    if (rc == CURLE_OPERATION_TIMEDOUT || (rc == CURLE_ABORTED_BY_CALLBACK && transfer.stalled)) {
        result.outcome = HttpGetResult::Outcome::TimedOut;
        result.error = transfer.stalled ? "no progress" : "timed out";
        return result;
    }
    if (rc != CURLE_OK) {
        result.error = errorText[0] != '\0' ? errorText : curl_easy_strerror(rc);
        return result;
    }
    curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &result.status);
    result.outcome = HttpGetResult::Outcome::Ok;
    result.body = std::move(transfer.body);
    return result;
}

}  // namespace geolumen
