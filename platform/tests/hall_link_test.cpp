#include "platform/hall_link.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <string>
#include <vector>

#include "platform/bytes.h"
#include "platform/message_queue.h"
#include "platform/sync.h"
#include "platform/tests/test_window.h"
#include "platform/thread.h"

namespace platform {
namespace {

using testing::LambdaWindow;

// Lines the link logged, from any thread.
class LogLines {
  public:
    HallLogSink Sink() {
        return [this](const std::string& line) {
            std::lock_guard lock(mu_);
            lines_.push_back(line);
        };
    }
    bool Contains(const std::string& part) {
        std::lock_guard lock(mu_);
        for (const auto& l : lines_)
            if (l.find(part) != std::string::npos) return true;
        return false;
    }

  private:
    std::mutex mu_;
    std::vector<std::string> lines_;
};

// A fresh folder for the sockets of one test.
class HallLinkTest : public ::testing::Test {
  protected:
    void SetUp() override {
        char pattern[] = "/tmp/qevo-hall-test-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir_ = pattern;
        path_ = dir_ + "/hall.sock";
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    std::string dir_;
    std::string path_;
    LogLines log_;
};

// What the hall saw.
struct Seen {
    std::mutex mu;
    std::vector<HallFrame> frames;
    void Add(const HallFrame& f) {
        std::lock_guard lock(mu);
        frames.push_back(f);
    }
    std::vector<HallFrame> Get() {
        std::lock_guard lock(mu);
        return frames;
    }
};

// A thread owning one window of the client, running its message loop.
class ClientWindowThread {
  public:
    explicit ClientWindowThread(LambdaWindow::Handler handler) {
        Event made(true, false);
        thread_.Start([this, &made, handler = std::move(handler)] {
            LambdaWindow w(handler);
            w.Create();
            hwnd_ = w.Handle();
            made.Set();
            RunMessageLoop();
        });
        WaitForSingleObject(made, INFINITE);
    }
    ~ClientWindowThread() {
        PostThreadMessage(thread_.Id(), WM_QUIT);
        thread_.Join();
    }
    HWND hwnd() const { return hwnd_; }

  private:
    Thread thread_;
    HWND hwnd_;
};

TEST(HallEndpointPath, NamesTheWindowNumberInTheChosenFolder) {
    setenv("QEVO_HALL_DIR", "/some/dir", 1);
    EXPECT_EQ(HallEndpointPath(4660), "/some/dir/qevo-hall-4660.sock");
    unsetenv("QEVO_HALL_DIR");
    EXPECT_NE(HallEndpointPath(7).find("qevo-hall-7.sock"), std::string::npos);
}

TEST_F(HallLinkTest, ProbeFindsNoHallWithoutAnEndpoint) {
    HallLink link(1, path_, log_.Sink());
    EXPECT_FALSE(link.IsWindow());
    DWORD_PTR result = 9;
    EXPECT_EQ(link.SendMessageTimeout(0x9105, 1, 2, SMTO_NORMAL, 5000, &result), 0);
    EXPECT_EQ(result, 0u);
    EXPECT_FALSE(link.PostMessage(0x9107, 1, 2));
}

TEST_F(HallLinkTest, ClientRequestsReachTheHallInOrderAndAreAnswered) {
    Seen seen;
    HallEndpoint hall(
        path_,
        [&](HallConnection&, const HallFrame& f, uint32_t* result) {
            seen.Add(f);
            *result = f.kind == HallFrame::Kind::kSend ? f.message + 1 : f.dwData * 10;
            return true;
        },
        log_.Sink());
    ASSERT_TRUE(hall.Open());
    HallLink link(1, path_, log_.Sink());
    ASSERT_TRUE(link.IsWindow());

    DWORD_PTR result = 0;
    EXPECT_EQ(link.SendMessageTimeout(0x9105, 0x55, 12, SMTO_NORMAL, 5000, &result), 1);
    EXPECT_EQ(result, 0x9106u);
    EXPECT_TRUE(link.PostMessage(0x9107, 0x55, 777));
    std::vector<uint8_t> report(188, 3);
    COPYDATASTRUCT cds{5, DWORD(report.size()), report.data()};
    EXPECT_EQ(link.SendCopyData(0x55, cds, SMTO_NORMAL, 5000, &result), 1);
    EXPECT_EQ(result, 50u);

    const auto frames = seen.Get();
    ASSERT_EQ(frames.size(), 3u);
    EXPECT_EQ(frames[0].kind, HallFrame::Kind::kSend);
    EXPECT_EQ(frames[0].message, 0x9105u);
    EXPECT_EQ(frames[0].wParam, 0x55u);
    EXPECT_EQ(frames[0].lParam, 12u);
    EXPECT_EQ(frames[1].kind, HallFrame::Kind::kPost);
    EXPECT_EQ(frames[1].lParam, 777u);
    EXPECT_EQ(frames[2].kind, HallFrame::Kind::kCopyData);
    EXPECT_EQ(frames[2].dwData, 5u);
    EXPECT_EQ(frames[2].data, report);
}

TEST_F(HallLinkTest, AnUnhandledRequestIsNotASuccess) {
    HallEndpoint hall(path_, [](HallConnection&, const HallFrame&, uint32_t*) { return false; });
    ASSERT_TRUE(hall.Open());
    HallLink link(1, path_);
    DWORD_PTR result = 0;
    EXPECT_EQ(link.SendMessageTimeout(0x9105, 1, 2, SMTO_NORMAL, 5000, &result), 0);
}

TEST_F(HallLinkTest, HallRecordsArriveAtTheClientWindowInOrder) {
    HallEndpoint hall(path_, [](HallConnection&, const HallFrame&, uint32_t*) { return true; });
    ASSERT_TRUE(hall.Open());

    std::mutex mu;
    std::vector<std::pair<uintptr_t, std::vector<uint8_t>>> got;
    ClientWindowThread client([&](Message& msg) -> LRESULT {
        if (msg.message != WM_COPYDATA) return DefWindowProc(msg);
        const auto* cds = reinterpret_cast<const COPYDATASTRUCT*>(msg.lParam);
        const auto* p = static_cast<const uint8_t*>(cds->lpData);
        std::lock_guard lock(mu);
        got.emplace_back(cds->dwData, std::vector<uint8_t>(p, p + cds->cbData));
        EXPECT_EQ(msg.wParam, 4660u);
        return LRESULT(cds->dwData + 100);
    });
    HallLink link(4660, path_);
    link.SetTarget(client.hwnd());
    ASSERT_TRUE(link.IsWindow());
    auto to = hall.WaitForClient(INFINITE);
    ASSERT_TRUE(to);

    for (uint32_t type : {1u, 4u, 6u, 7u}) {
        HallFrame f;
        f.kind = HallFrame::Kind::kCopyData;
        f.wParam = 4660;
        f.dwData = type;
        f.data.assign(type * 16, uint8_t(type));
        DWORD_PTR result = 0;
        EXPECT_EQ(to->Request(f, SMTO_NORMAL, 5000, &result), 1);
        EXPECT_EQ(result, type + 100);
    }
    std::lock_guard lock(mu);
    ASSERT_EQ(got.size(), 4u);
    EXPECT_EQ(got[0].first, 1u);
    EXPECT_EQ(got[3].first, 7u);
    EXPECT_EQ(got[2].second, std::vector<uint8_t>(96, 6));
}

TEST_F(HallLinkTest, WithoutAClientWindowTheHallIsToldItWasNotHandled) {
    HallEndpoint hall(path_, [](HallConnection&, const HallFrame&, uint32_t*) { return true; });
    ASSERT_TRUE(hall.Open());
    HallLink link(1, path_, log_.Sink());
    ASSERT_TRUE(link.IsWindow());
    auto to = hall.WaitForClient(INFINITE);
    ASSERT_TRUE(to);
    HallFrame f;
    f.kind = HallFrame::Kind::kCopyData;
    f.dwData = 1;
    DWORD_PTR result = 0;
    EXPECT_EQ(to->Request(f, SMTO_NORMAL, 5000, &result), 0);
    EXPECT_TRUE(log_.Contains("no window"));
}

TEST_F(HallLinkTest, ASilentHallTimesOutOnTheProcessClock) {
    Event entered(true, false), release(true, false);
    std::atomic<int> calls{0};
    HallEndpoint hall(path_, [&](HallConnection&, const HallFrame& f, uint32_t* result) {
        if (calls++ == 0) {
            entered.Set();
            WaitForSingleObject(release, INFINITE);
        }
        *result = f.message;
        return true;
    });
    ASSERT_TRUE(hall.Open());
    HallLink link(1, path_);
    ASSERT_TRUE(link.IsWindow());

    ManualClock clock;
    ScopedClock scope(clock);
    std::atomic<LRESULT> answer{-1};
    Thread sender;
    sender.Start([&] {
        DWORD_PTR result = 0;
        answer = link.SendMessageTimeout(0x9105, 1, 2, SMTO_NORMAL, 5000, &result);
    });
    WaitForSingleObject(entered, INFINITE);
    clock.AdvanceMillis(4999);
    EXPECT_EQ(answer.load(), -1);  // not given up before its time
    clock.AdvanceMillis(1);
    sender.Join();
    EXPECT_EQ(answer.load(), 0);

    // The late answer is dropped; the link keeps working.
    release.Set();
    DWORD_PTR result = 0;
    EXPECT_EQ(link.SendMessageTimeout(0x9106, 1, 2, SMTO_NORMAL, 5000, &result), 1);
    EXPECT_EQ(result, 0x9106u);
}

TEST_F(HallLinkTest, AVanishedHallIsFoundByTheProbeAndFailsSendsAtOnce) {
    auto hall = std::make_unique<HallEndpoint>(
        path_, [](HallConnection&, const HallFrame&, uint32_t*) { return true; });
    ASSERT_TRUE(hall->Open());
    HallLink link(1, path_, log_.Sink());
    ASSERT_TRUE(link.IsWindow());
    ASSERT_TRUE(hall->WaitForClient(INFINITE));
    hall->Close();
    EXPECT_FALSE(std::filesystem::exists(path_));
    EXPECT_FALSE(link.IsWindow());

    // No time passes on this clock: a send must not wait for it.
    ManualClock clock;
    ScopedClock scope(clock);
    DWORD_PTR result = 0;
    EXPECT_EQ(link.SendMessageTimeout(0x9105, 1, 2, SMTO_NORMAL, 5000, &result), 0);

    // A new hall at the same place is not the window that went away.
    hall = std::make_unique<HallEndpoint>(
        path_, [](HallConnection&, const HallFrame&, uint32_t*) { return true; });
    ASSERT_TRUE(hall->Open());
    EXPECT_FALSE(link.IsWindow());
}

// A raw peer for sending garbage.
int ConnectRaw(const std::string& path) {
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::strncpy(addr.sun_path, path.c_str(), sizeof addr.sun_path - 1);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// Blocks until the peer closes; true when it did without sending anything.
bool ReadsEndOfStream(int fd) {
    char c;
    return ::recv(fd, &c, 1, 0) == 0;
}

TEST_F(HallLinkTest, TheHallClosesAConnectionThatSendsGarbage) {
    struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
    };
    std::vector<uint8_t> oversized;
    ByteWriter(oversized).U32(uint32_t(kHallMaxFrame) + 1);
    const Case cases[] = {
        {"oversized", oversized},
        {"unknown kind", {12, 0, 0, 0, 77, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0}},
    };
    for (const auto& c : cases) {
        std::atomic<int> handled{0};
        HallEndpoint hall(
            path_,
            [&](HallConnection&, const HallFrame&, uint32_t*) {
                ++handled;
                return true;
            },
            log_.Sink());
        ASSERT_TRUE(hall.Open());
        const int fd = ConnectRaw(path_);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::send(fd, c.bytes.data(), c.bytes.size(), MSG_NOSIGNAL),
                  ssize_t(c.bytes.size()));
        EXPECT_TRUE(ReadsEndOfStream(fd)) << c.name;
        ::close(fd);
        EXPECT_EQ(handled.load(), 0) << c.name;
        EXPECT_TRUE(log_.Contains("garbage")) << c.name;
    }
}

size_t OpenFileCount() {
    size_t n = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator("/proc/self/fd"))
        ++n;
    return n;
}

TEST_F(HallLinkTest, PeersThatComeAndGoDoNotPileUp) {
    HallEndpoint hall(path_, [](HallConnection&, const HallFrame&, uint32_t* result) {
        *result = 1;
        return true;
    });
    ASSERT_TRUE(hall.Open());
    const size_t before = OpenFileCount();
    for (int i = 0; i < 50; ++i) {
        const int fd = ConnectRaw(path_);
        ASSERT_GE(fd, 0);
        ::close(fd);
    }
    // Accepting this one lets go of every connection before it.
    HallLink link(1, path_);
    DWORD_PTR result = 0;
    ASSERT_EQ(link.SendMessageTimeout(0x9105, 1, 2, SMTO_NORMAL, 5000, &result), 1);
    EXPECT_LE(OpenFileCount(), before + 4);
    EXPECT_EQ(hall.Clients().size(), 1u);
}

TEST_F(HallLinkTest, APeerThatFloodsRequestsIsDropped) {
    Event release(true, false);
    HallEndpoint hall(
        path_,
        [&](HallConnection&, const HallFrame&, uint32_t*) {
            WaitForSingleObject(release, INFINITE);
            return true;
        },
        log_.Sink());
    ASSERT_TRUE(hall.Open());
    const int fd = ConnectRaw(path_);
    ASSERT_GE(fd, 0);
    HallFrame post;
    post.kind = HallFrame::Kind::kPost;
    post.message = 0x9107;
    std::vector<uint8_t> flood;
    for (int i = 0; i < 400; ++i) {
        const auto bytes = EncodeHallFrame(post);
        flood.insert(flood.end(), bytes.begin(), bytes.end());
    }
    ASSERT_EQ(::send(fd, flood.data(), flood.size(), MSG_NOSIGNAL), ssize_t(flood.size()));
    EXPECT_TRUE(ReadsEndOfStream(fd));
    EXPECT_TRUE(log_.Contains("floods"));
    release.Set();
    ::close(fd);
}

TEST_F(HallLinkTest, TheClientDropsAHallThatSendsGarbage) {
    // A raw hall: listens, accepts one client and writes an oversized length.
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::strncpy(addr.sun_path, path_.c_str(), sizeof addr.sun_path - 1);
    const int listener = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    ASSERT_EQ(::listen(listener, 1), 0);

    HallLink link(1, path_, log_.Sink());
    ASSERT_TRUE(link.IsWindow());
    const int peer = ::accept(listener, nullptr, nullptr);
    ASSERT_GE(peer, 0);
    const uint8_t garbage[] = {0xFF, 0xFF, 0xFF, 0x7F, 1, 2, 3, 4};
    ASSERT_EQ(::send(peer, garbage, sizeof garbage, MSG_NOSIGNAL), ssize_t(sizeof garbage));
    EXPECT_TRUE(ReadsEndOfStream(peer));  // the client hung up
    EXPECT_FALSE(link.IsWindow());
    EXPECT_TRUE(log_.Contains("garbage"));
    ::close(peer);
    ::close(listener);
}

TEST_F(HallLinkTest, AClientWaitingOnTheHallServesMessagesSentToIt) {
    // The hall answers the client's request only after the client's window
    // has handled a record the hall sends meanwhile, as a hall that sends the
    // table state from its handler of 0x9105 would.
    std::shared_ptr<HallConnection> toClient;
    std::atomic<LRESULT> copyResult{-1};
    HallEndpoint hall(path_, [&](HallConnection& from, const HallFrame& f, uint32_t* result) {
        if (f.kind == HallFrame::Kind::kSend) {
            HallFrame record;
            record.kind = HallFrame::Kind::kCopyData;
            record.dwData = 1;
            DWORD_PTR r = 0;
            copyResult = from.Request(record, SMTO_NORMAL, 5000, &r) ? LRESULT(r) : 0;
        }
        *result = 1;
        return true;
    });
    ASSERT_TRUE(hall.Open());

    LambdaWindow window([](Message& msg) -> LRESULT {
        return msg.message == WM_COPYDATA ? 31 : DefWindowProc(msg);
    });
    ASSERT_TRUE(window.Create());
    HallLink link(1, path_);
    link.SetTarget(window.Handle());
    DWORD_PTR result = 0;
    EXPECT_EQ(
        link.SendMessageTimeout(0x9105, ToWParam(window.Handle()), 3, SMTO_NORMAL, 5000, &result),
        1);
    EXPECT_EQ(copyResult.load(), 31);
}

}  // namespace
}  // namespace platform
