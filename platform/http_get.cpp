#include "platform/http_get.h"

#include <curl/curl.h>

#include <memory>
#include <mutex>

#include "platform/clock.h"

namespace platform {
namespace {

struct Transfer {
    const HttpOptions& options;
    std::string body{};
    int64_t deadline = 0;  // process-clock microseconds
    bool tooLarge = false;
    bool timedOut = false;
    bool aborted = false;

    bool ShouldStop() {
        if (options.abort && options.abort->load()) aborted = true;
        if (CurrentClock().NowMicros() >= deadline) timedOut = true;
        return aborted || timedOut;
    }
};

size_t Collect(char* data, size_t size, size_t count, void* user) {
    auto* transfer = static_cast<Transfer*>(user);
    const size_t n = size * count;
    if (transfer->ShouldStop()) return 0;
    if (n > transfer->options.maxBytes - transfer->body.size()) {
        transfer->tooLarge = true;
        return 0;
    }
    transfer->body.append(data, n);
    return n;
}

int Progress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    return static_cast<Transfer*>(user)->ShouldStop() ? 1 : 0;
}

struct CurlCloser {
    void operator()(CURL* curl) const { curl_easy_cleanup(curl); }
};

}  // namespace

HttpResult HttpGet(std::string_view url, const HttpOptions& options) {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
    HttpResult result;
    std::unique_ptr<CURL, CurlCloser> curl(curl_easy_init());
    if (!curl) {
        result.error = "libcurl could not start a transfer";
        return result;
    }
    Transfer transfer{options};
    transfer.deadline =
        CurrentClock().NowMicros() + std::chrono::microseconds(options.totalTimeout).count();
    const std::string target(url);
    char message[CURL_ERROR_SIZE] = {};
    CURL* c = curl.get();
    curl_easy_setopt(c, CURLOPT_URL, target.c_str());
    curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(c, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(c, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(c, CURLOPT_MAXREDIRS, options.maxRedirects);
    curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT_MS, long(options.connectTimeout.count()));
    // libcurl's own limit (the system clock) backs up the process clock's.
    curl_easy_setopt(c, CURLOPT_TIMEOUT_MS, long(options.totalTimeout.count()));
    curl_easy_setopt(c, CURLOPT_MAXFILESIZE_LARGE, curl_off_t(options.maxBytes));
    curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, Collect);
    curl_easy_setopt(c, CURLOPT_WRITEDATA, &transfer);
    curl_easy_setopt(c, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(c, CURLOPT_XFERINFOFUNCTION, Progress);
    curl_easy_setopt(c, CURLOPT_XFERINFODATA, &transfer);
    curl_easy_setopt(c, CURLOPT_ERRORBUFFER, message);
    if (options.postData) {
        curl_easy_setopt(c, CURLOPT_POSTFIELDSIZE, long(options.postData->size()));
        curl_easy_setopt(c, CURLOPT_POSTFIELDS, options.postData->data());
    }
    const CURLcode code = curl_easy_perform(c);
    curl_easy_getinfo(c, CURLINFO_RESPONSE_CODE, &result.code);
    char* answered = nullptr;
    curl_easy_getinfo(c, CURLINFO_EFFECTIVE_URL, &answered);
    result.url = answered ? answered : target;
    if (transfer.aborted) {
        result.status = HttpStatus::kAborted;
        result.error = "aborted";
    } else if (transfer.tooLarge || code == CURLE_FILESIZE_EXCEEDED) {
        result.status = HttpStatus::kTooLarge;
        result.error = "the body passes " + std::to_string(options.maxBytes) + " bytes";
    } else if (transfer.timedOut || code == CURLE_OPERATION_TIMEDOUT) {
        result.status = HttpStatus::kTimedOut;
        result.error = "timed out";
    } else if (code != CURLE_OK) {
        result.error = message[0] ? message : curl_easy_strerror(code);
    } else if (result.code < 200 || result.code > 299) {
        result.status = HttpStatus::kHttpError;
        result.error = "HTTP " + std::to_string(result.code);
    } else {
        result.status = HttpStatus::kOk;
    }
    if (!result.ok())
        result.body.clear();
    else
        result.body = std::move(transfer.body);
    return result;
}

}  // namespace platform
