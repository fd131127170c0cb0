#pragma once
// One HTTP transfer on libcurl, for notices, web pages and their pictures.
// The body is kept in memory up to a cap; the transfer ends at the connect
// and total time-outs (the total one read on the process clock, so tests
// drive it), or when the caller's abort flag is set, which the transfer
// checks between every piece it receives and at least once a second while
// it waits. Only http:// and https:// are fetched, redirects included.

#include <atomic>
#include <chrono>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

struct HttpOptions {
    std::chrono::milliseconds connectTimeout{10'000};
    std::chrono::milliseconds totalTimeout{30'000};
    size_t maxBytes = 4u << 20;
    long maxRedirects = 5;
    // Set by another thread to end the transfer.
    const std::atomic<bool>* abort = nullptr;
    // A POST with this body instead of a GET.
    std::optional<std::string> postData{};
};

enum class HttpStatus {
    kOk,         // a 2xx answer, whole
    kHttpError,  // any other answer (the code says which)
    kTooLarge,   // the body passed maxBytes
    kTimedOut,
    kAborted,
    kFailed,  // no answer: refused, bad address, broken transfer
};

struct HttpResult {
    HttpStatus status = HttpStatus::kFailed;
    long code = 0;  // the HTTP code of the last answer, 0 without one
    std::string body;
    std::string url;    // the address that answered last, after redirects
    std::string error;  // a line for the log when not kOk
    bool ok() const { return status == HttpStatus::kOk; }
};

HttpResult HttpGet(std::string_view url, const HttpOptions& options = {});

}  // namespace platform
