// The advert and rules pages as the network may send them: arbitrary bytes
// laid out by litehtml through the client's page control on the headless
// display, with the pictures and style sheets the page names answered from
// the same input. The input is cut at "\n@@\n": part 0 is the page, part n
// what any address ending in "/n" gets. Every HTTP transfer of the process
// goes through a loopback proxy that serves those parts, whatever the host,
// so nothing leaves the machine. The page is laid out at two widths,
// painted, scrolled, pointed at and clicked (a link is followed the same
// way) until nothing is coming any more.

#include <arpa/inet.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "client/html_views.h"
#include "platform/message_queue.h"

namespace {

constexpr std::string_view kCut = "\n@@\n";
constexpr size_t kMaxParts = 9;

// Answers every request with the part its address ends in, then closes.
class PartServer {
  public:
    PartServer() {
        listen_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in addr{AF_INET, 0, {htonl(INADDR_LOOPBACK)}, {}};
        socklen_t len = sizeof addr;
        bind(listen_, reinterpret_cast<sockaddr*>(&addr), len);
        listen(listen_, 64);
        getsockname(listen_, reinterpret_cast<sockaddr*>(&addr), &len);
        port_ = ntohs(addr.sin_port);
        std::thread([this] {
            for (int fd; (fd = accept(listen_, nullptr, nullptr)) >= 0;)
                Serve(fd);
        }).detach();
    }
    uint16_t Port() const { return port_; }
    void SetParts(std::vector<std::string> parts) {
        std::lock_guard lock(mu_);
        parts_ = std::move(parts);
    }

  private:
    void Serve(int fd) {
        const timeval wait{1, 0};
        setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
        std::string head;
        char buffer[1024];
        for (ssize_t n; head.find("\r\n\r\n") == std::string::npos && head.size() < 16384 &&
                        (n = recv(fd, buffer, sizeof buffer, 0)) > 0;)
            head.append(buffer, size_t(n));
        // "GET http://host/path/n?query HTTP/1.1": the part is n.
        std::string target = head.substr(0, head.find("\r\n"));
        target = target.substr(0, target.rfind(' '));
        target = target.substr(0, target.find_first_of("?#"));
        const size_t part = size_t(atoi(target.substr(target.rfind('/') + 1).c_str()));
        std::string body;
        {
            std::lock_guard lock(mu_);
            if (part < parts_.size()) body = parts_[part];
        }
        const std::string answer =
            "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(body.size()) +
            "\r\nConnection: close\r\n\r\n" + body;
        [[maybe_unused]] ssize_t sent = send(fd, answer.data(), answer.size(), MSG_NOSIGNAL);
        close(fd);
    }

    int listen_ = -1;
    uint16_t port_ = 0;
    std::mutex mu_;
    std::vector<std::string> parts_;
};

PartServer& Server() {
    static PartServer* server = new PartServer;
    return *server;
}

// Serves this thread's queue until the page has all it asked for, or the
// input's time is up (well inside libFuzzer's time-out on a busy machine:
// what is still coming then is stopped and waited for by the control).
void Settle(client::CHtmlCtrl& html, std::chrono::steady_clock::time_point giveUp) {
    do {
        platform::Message msg;
        while (platform::PeekMessage(msg, {}, 0, 0, platform::PM_REMOVE))
            platform::DispatchMessage(msg);
        if (!html.Loading()) break;
        platform::MsgWaitForMultipleObjects({}, 2);
    } while (std::chrono::steady_clock::now() < giveUp);
}

void Point(client::CHtmlCtrl& html, platform::UINT message, int x, int y) {
    platform::SendMessage(html.GetSafeHwnd(), message, 0, platform::MAKELPARAM(x, y));
}

}  // namespace

// Some face names make fontconfig keep a small record it never frees;
// that is fontconfig's, not ours.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n";
}

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    const std::string proxy = "http://127.0.0.1:" + std::to_string(Server().Port());
    for (const char* name : {"http_proxy", "https_proxy", "HTTPS_PROXY", "ALL_PROXY", "all_proxy"})
        setenv(name, proxy.c_str(), 1);
    unsetenv("no_proxy");
    unsetenv("NO_PROXY");
    // Fontconfig's process-wide tables, made before the first input.
    for (const char* face : {"宋体", "Arial", "no such face"})
        platform::Font::Open({.face = face, .height = -12})->MeasureText("a");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static auto display = std::make_shared<platform::HeadlessDisplay>();
    platform::SetDisplay(display);
    std::string_view input(reinterpret_cast<const char*>(data), size);
    std::vector<std::string> parts;
    while (parts.size() + 1 < kMaxParts && input.find(kCut) != std::string_view::npos) {
        parts.emplace_back(input.substr(0, input.find(kCut)));
        input.remove_prefix(input.find(kCut) + kCut.size());
    }
    parts.emplace_back(input);
    Server().SetParts(std::move(parts));

    platform::CWnd top;
    top.CreateEx(0, "", platform::WS_POPUP | platform::WS_VISIBLE, {0, 0, 240, 180}, nullptr, 0);
    client::CHtmlCtrl html;
    html.Create(platform::WS_VISIBLE, {0, 0, 240, 180}, &top, 1);
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    html.Navigate("http://pages.fuzz/ad/0");
    Settle(html, giveUp);
    html.UpdateWindow();
    html.MoveWindow(0, 0, 120, 180);
    html.ScrollTo(html.DocumentHeight() / 2);
    html.UpdateWindow();
    for (int y = 4; y < 180; y += 40) {
        for (int x = 4; x < 120; x += 40) {
            Point(html, platform::WM_MOUSEMOVE, x, y);
            Point(html, platform::WM_LBUTTONDOWN, x, y);
            Point(html, platform::WM_LBUTTONUP, x, y);
        }
    }
    Settle(html, giveUp);
    html.UpdateWindow();
    return 0;
}
