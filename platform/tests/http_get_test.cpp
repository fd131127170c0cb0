#include "platform/http_get.h"

#include <gtest/gtest.h>

#include "platform/tests/canned_http_peer.h"
#include "platform/tests/clock_driver.h"

namespace platform {
namespace {

using testing::CannedHttpPeer;

std::string Answer(const std::string& status, const std::string& body,
                   const std::string& extra = "") {
    return "HTTP/1.1 " + status + "\r\nContent-Length: " + std::to_string(body.size()) + "\r\n" +
           extra + "Connection: close\r\n\r\n" + body;
}

TEST(HttpGetTest, AnswersComeBackByKind) {
    CannedHttpPeer ok(Answer("200 OK", "<notify>hello"));
    CannedHttpPeer missing(Answer("404 Not Found", "gone"));
    CannedHttpPeer moved(Answer("302 Found", "", "Location: " + ok.Url("/there") + "\r\n"));
    CannedHttpPeer chunked(
        "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\nConnection: close\r\n\r\n"
        "3\r\n<no\r\n5\r\ntify>\r\n0\r\n\r\n");
    CannedHttpPeer toFile(Answer("302 Found", "", "Location: file:///etc/hostname\r\n"));
    const struct {
        std::string url;
        HttpStatus status;
        long code;
        std::string body;
    } cases[] = {
        {ok.Url(), HttpStatus::kOk, 200, "<notify>hello"},
        {missing.Url(), HttpStatus::kHttpError, 404, ""},
        {moved.Url(), HttpStatus::kOk, 200, "<notify>hello"},
        {chunked.Url(), HttpStatus::kOk, 200, "<notify>"},
        {toFile.Url(), HttpStatus::kFailed, 302, ""},  // redirects stay on the web
        {"file:///etc/hostname", HttpStatus::kFailed, 0, ""},
        {"http://127.0.0.1:1/", HttpStatus::kFailed, 0, ""},  // nothing listens there
        {"not a url", HttpStatus::kFailed, 0, ""},
    };
    for (const auto& c : cases) {
        const HttpResult result = HttpGet(c.url);
        EXPECT_EQ(result.status, c.status) << c.url << ": " << result.error;
        EXPECT_EQ(result.code, c.code) << c.url;
        EXPECT_EQ(result.body, c.body) << c.url;
        EXPECT_EQ(result.error.empty(), result.ok()) << c.url;
        if (c.url == moved.Url()) {
            EXPECT_EQ(result.url, ok.Url("/there"));
        }
    }
}

TEST(HttpGetTest, BodiesPastTheCapAreRefused) {
    const std::string big(5000, 'x');
    CannedHttpPeer announced(Answer("200 OK", big));
    CannedHttpPeer unannounced("HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n" + big);
    for (const CannedHttpPeer* peer : {&announced, &unannounced}) {
        EXPECT_EQ(HttpGet(peer->Url(), {.maxBytes = 4999}).status, HttpStatus::kTooLarge);
        EXPECT_EQ(HttpGet(peer->Url(), {.maxBytes = 5000}).body, big);
    }
}

TEST(HttpGetTest, ATransferThatHangsEndsAtTheTimeOutOnTheProcessClock) {
    ManualClock clock;
    ScopedClock scoped(clock);
    // The head and half the body, then nothing more.
    CannedHttpPeer stalled("HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\nhalf", true);
    HttpResult result;
    testing::ClockTimeOf(clock, 100, [&] {
        result = HttpGet(stalled.Url(), {.totalTimeout = std::chrono::seconds(60)});
    });
    EXPECT_EQ(result.status, HttpStatus::kTimedOut);
    EXPECT_TRUE(result.body.empty());
}

}  // namespace
}  // namespace platform
