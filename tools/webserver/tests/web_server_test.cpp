#include "tools/webserver/web_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "platform/http_get.h"
#include "tools/webserver/pages.h"

namespace webserver {
namespace {

using std::chrono::milliseconds;
constexpr milliseconds kWait{5000};  // a safety net; events normally come at once

// A raw connection, for what an HTTP library would not send.
class RawClient {
  public:
    explicit RawClient(uint16_t port) : fd_(socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        addr.sin_port = htons(port);
        connect(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    }
    ~RawClient() { close(fd_); }
    void Send(const std::string& bytes) {
        [[maybe_unused]] ssize_t n = send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    }
    std::string ReadAll() {
        std::string out;
        char buffer[4096];
        for (ssize_t n; (n = recv(fd_, buffer, sizeof buffer, 0)) > 0;)
            out.append(buffer, size_t(n));
        return out;
    }

  private:
    int fd_;
};

class WebServerTest : public testing::Test {
  protected:
    void SetUp() override { ASSERT_NE(server_.Start(), 0); }
    std::string Url(const std::string& path) { return "http://" + server_.HostAndPort() + path; }
    platform::HttpResult Get(const std::string& path, size_t maxBytes = 4u << 20) {
        return platform::HttpGet(Url(path), {.maxBytes = maxBytes});
    }

    WebServer server_;
};

TEST_F(WebServerTest, ServesTheClientsPages) {
    const std::string self = server_.HostAndPort();
    const struct {
        std::string path;
        long code;
        std::string contains;
    } cases[] = {
        {"//notify/game/7.txt", 200, "http://" + self + "/rules/7.html"},
        {"/notify/game/7.txt", 404, ""},  // the client's path has two slashes
        {"/advert/window/7/jq.htm", 200, "<a href=\"app:rules\">"},
        {"/advert/window/7/jq.htm?x=1", 200, "第7号游戏"},
        {"/advert/window/x7/jq.htm", 404, ""},
        {"/rules/mahjong.html", 200, "mahjong 游戏规则"},
        {"/skin/mahjong/", 200, "更多皮肤"},
        {"/skin/mahjong", 404, ""},
        {"/pictures/none.bmp", 404, ""},  // no file root
    };
    for (const auto& c : cases) {
        const platform::HttpResult result = Get(c.path);
        EXPECT_EQ(result.code, c.code) << c.path;
        EXPECT_NE(result.body.find(c.contains), std::string::npos) << c.path;
    }
    EXPECT_EQ(Get("//notify/game/7.txt").body.rfind("<notify>", 0), 0u);
    ASSERT_TRUE(server_.WaitForRequests(std::size(cases) + 1, kWait));
    // Each connection logs its request after answering, so the log's order
    // is not the order of the requests: look entries up by target.
    const auto log = server_.Requests();
    const auto logged = [&](const std::string& target) {
        return std::find_if(log.begin(), log.end(),
                            [&](const LoggedRequest& r) { return r.target == target; });
    };
    ASSERT_NE(logged("//notify/game/7.txt"), log.end());
    EXPECT_EQ(logged("//notify/game/7.txt")->method, "GET");
    ASSERT_NE(logged("/notify/game/7.txt"), log.end());
    EXPECT_EQ(logged("/notify/game/7.txt")->status, 404);
}

TEST(WebPagesTest, FilesComeOnlyFromUnderTheRoot) {
    const std::string root = testing::TempDir() + "qevo_web_root";
    std::filesystem::create_directories(root + "/pictures");
    std::ofstream(root + "/pictures/a.bmp", std::ios::binary) << "BMdata";
    std::ofstream(root + "/.hidden", std::ios::binary) << "no";
    WebOptions options;
    options.fileRoot = root;
    const struct {
        std::string target;
        int status;
        std::string type;
    } cases[] = {
        {"/pictures/a.bmp", 200, "image/bmp"},
        {"/pictures/../pictures/a.bmp", 404, ""},
        {"/.hidden", 404, ""},
        {"/pictures//a.bmp", 404, ""},
        {"/pictures", 404, ""},  // a folder
        {"/pictures/b.bmp", 404, ""},
    };
    for (const auto& c : cases) {
        const Reply reply = Answer({"GET", c.target, ""}, options, "h");
        EXPECT_EQ(reply.status, c.status) << c.target;
        EXPECT_EQ(reply.contentType, c.status == 200 ? c.type : "text/html; charset=gbk");
    }
    EXPECT_EQ(Answer({"GET", "/pictures/a.bmp", ""}, options, "h").body, "BMdata");
    EXPECT_EQ(Answer({"POST", "/rules/a.html", ""}, options, "h").status, 405);
    std::filesystem::remove_all(root);
}

TEST_F(WebServerTest, SwitchesMakeTheAnswersFail) {
    // A log file gets a line per answer once its last byte went out, so
    // the reader can be first.
    WebOptions options;
    options.logPath = testing::TempDir() + "qevo_web_log.txt";
    std::remove(options.logPath.c_str());
    server_.SetOptions(options);
    const std::string plain = Get("//notify/game/3.txt").body;
    ASSERT_TRUE(server_.WaitForRequests(1, kWait));
    std::string line;
    std::getline(std::ifstream(options.logPath), line);
    EXPECT_EQ(line, "GET //notify/game/3.txt 200 " + std::to_string(plain.size()));
    options.chunked = true;
    server_.SetOptions(options);
    EXPECT_EQ(Get("//notify/game/3.txt").body, plain);
    options.wrongPrefix = true;
    server_.SetOptions(options);
    const platform::HttpResult wrong = Get("//notify/game/3.txt");
    EXPECT_EQ(wrong.code, 200);
    EXPECT_EQ(wrong.body.rfind("<html>", 0), 0u);
    options.notFound = true;
    server_.SetOptions(options);
    EXPECT_EQ(Get("/advert/window/3/jq.htm").code, 404);
    std::remove(options.logPath.c_str());
}

TEST_F(WebServerTest, HeadsAndConnectionsAreBounded) {
    RawClient big(server_.port());
    big.Send("GET / HTTP/1.1\r\nX: " + std::string(WebServer::kMaxHead, 'a'));
    EXPECT_EQ(big.ReadAll().rfind("HTTP/1.1 431 ", 0), 0u);
    RawClient bad(server_.port());
    bad.Send("HELLO\r\n\r\n");
    EXPECT_EQ(bad.ReadAll().rfind("HTTP/1.1 400 ", 0), 0u);
    std::vector<std::unique_ptr<RawClient>> idle;
    for (size_t i = 0; i < WebServer::kMaxConnections; ++i)
        idle.push_back(std::make_unique<RawClient>(server_.port()));
    RawClient extra(server_.port());
    EXPECT_EQ(extra.ReadAll().rfind("HTTP/1.1 503 ", 0), 0u);
    server_.Stop();  // ends the idle ones at once
}

}  // namespace
}  // namespace webserver
