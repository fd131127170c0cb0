#include "platform/hall_link.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <string>
#include <vector>

#include "platform/bytes.h"
#include "platform/tests/temp_dir.h"
#include "platform/tests/test_window.h"

namespace platform {
namespace {

using testing::LambdaWindow;
using Kind = HallFrame::Kind;

// A folder for the socket, the lines the link logged (from any thread) and
// the frames the hall saw.
class HallLinkTest : public ::testing::Test {
  protected:
    HallLogSink Log() {
        return [this](const std::string& line) {
            std::lock_guard lock(mu_);
            lines_.push_back(line);
        };
    }
    bool Logged(const std::string& part) {
        std::lock_guard lock(mu_);
        return std::any_of(lines_.begin(), lines_.end(),
                           [&](const std::string& l) { return l.find(part) != std::string::npos; });
    }
    // A hall that records each request and answers with `answer`.
    std::unique_ptr<HallEndpoint> OpenHall(std::function<bool(const HallFrame&, uint32_t*)> answer =
                                               [](const HallFrame&, uint32_t*) { return true; }) {
        auto hall = std::make_unique<HallEndpoint>(
            path_,
            [this, answer](HallConnection&, const HallFrame& f, uint32_t* result) {
                {
                    std::lock_guard lock(mu_);
                    seen_.push_back(f);
                }
                return answer(f, result);
            },
            Log());
        EXPECT_TRUE(hall->Open());
        return hall;
    }
    std::vector<HallFrame> Seen() {
        std::lock_guard lock(mu_);
        return seen_;
    }
    // A raw peer socket: connected to the hall, or (listening) the hall itself.
    int RawSocket(bool listening) {
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        std::strncpy(addr.sun_path, path_.c_str(), sizeof addr.sun_path - 1);
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        auto* a = reinterpret_cast<sockaddr*>(&addr);
        const bool ok = listening ? ::bind(fd, a, sizeof addr) == 0 && ::listen(fd, 1) == 0
                                  : ::connect(fd, a, sizeof addr) == 0;
        EXPECT_TRUE(ok);
        return fd;
    }
    // Blocks until the peer closes; true when it did without sending anything.
    static bool ReadsEndOfStream(int fd) {
        char c;
        return ::recv(fd, &c, 1, 0) == 0;
    }

    testing::TempDir dir_;
    const std::string path_ = dir_ / "hall.sock";
    std::mutex mu_;
    std::vector<std::string> lines_;
    std::vector<HallFrame> seen_;
};

TEST(HallEndpointPath, NamesTheWindowNumberInTheChosenFolder) {
    setenv("QEVO_HALL_DIR", "/some/dir", 1);
    EXPECT_EQ(HallEndpointPath(4660), "/some/dir/qevo-hall-4660.sock");
    unsetenv("QEVO_HALL_DIR");
    EXPECT_NE(HallEndpointPath(7).find("qevo-hall-7.sock"), std::string::npos);
}

TEST_F(HallLinkTest, RequestsReachTheHallInOrderOnlyHandledOnesSucceedAndAGoneHallFailsThem) {
    HallLink none(1, path_, Log());
    EXPECT_FALSE(none.IsWindow());
    DWORD_PTR result = 9;
    EXPECT_EQ(none.SendMessageTimeout(0x9105, 1, 2, SMTO_NORMAL, 5000, &result), 0);
    EXPECT_EQ(result, 0u);
    EXPECT_FALSE(none.PostMessage(0x9107, 1, 2));

    auto hall = OpenHall([](const HallFrame& f, uint32_t* result) {
        *result = f.kind == Kind::kSend ? f.message + 1 : f.dwData * 10;
        return f.message != 0x9999;
    });
    HallLink link(1, path_, Log());
    ASSERT_TRUE(link.IsWindow());
    EXPECT_EQ(link.SendMessageTimeout(0x9105, 0x55, 12, SMTO_NORMAL, 5000, &result), 1);
    EXPECT_EQ(result, 0x9106u);
    EXPECT_TRUE(link.PostMessage(0x9107, 0x55, 777));
    std::vector<uint8_t> report(188, 3);
    COPYDATASTRUCT cds{5, DWORD(report.size()), report.data()};
    EXPECT_EQ(link.SendCopyData(0x55, cds, SMTO_NORMAL, 5000, &result), 1);
    EXPECT_EQ(result, 50u);
    EXPECT_EQ(link.SendMessageTimeout(0x9999, 1, 2, SMTO_NORMAL, 5000, &result), 0);

    auto frames = Seen();
    ASSERT_EQ(frames.size(), 4u);
    for (auto& f : frames)
        f.seq = 0;
    EXPECT_EQ(frames[0],
              (HallFrame{.kind = Kind::kSend, .message = 0x9105, .wParam = 0x55, .lParam = 12}));
    EXPECT_EQ(frames[1],
              (HallFrame{.kind = Kind::kPost, .message = 0x9107, .wParam = 0x55, .lParam = 777}));
    EXPECT_EQ(frames[2],
              (HallFrame{.kind = Kind::kCopyData, .wParam = 0x55, .dwData = 5, .data = report}));
    // The hall's own requests fail while the client has no window for them.
    auto to = hall->WaitForClient(INFINITE);
    ASSERT_TRUE(to);
    EXPECT_EQ(to->Request({.kind = Kind::kCopyData, .dwData = 1}, SMTO_NORMAL, 5000, &result), 0);
    EXPECT_TRUE(Logged("no window"));
    // A vanished hall is found by the probe; sends fail at once, on a clock
    // that does not move; a new hall at the same place is another window.
    hall->Close();
    EXPECT_FALSE(std::filesystem::exists(path_));
    EXPECT_FALSE(link.IsWindow());
    ManualClock clock;
    ScopedClock scope(clock);
    EXPECT_EQ(link.SendMessageTimeout(0x9105, 1, 2, SMTO_NORMAL, 5000, &result), 0);
    hall = OpenHall();
    EXPECT_FALSE(link.IsWindow());
}

TEST_F(HallLinkTest, ASilentHallTimesOutOnTheProcessClock) {
    Event entered(true, false), release(true, false);
    std::atomic<int> calls{0};
    auto hall = OpenHall([&](const HallFrame& f, uint32_t* result) {
        if (calls++ == 0) {
            entered.Set();
            WaitForSingleObject(release, INFINITE);
        }
        *result = f.message;
        return true;
    });
    HallLink link(1, path_);
    ManualClock clock;
    ScopedClock scope(clock);
    std::atomic<LRESULT> answer{-1};
    DWORD_PTR result = 0;
    Thread sender;
    sender.Start(
        [&] { answer = link.SendMessageTimeout(0x9105, 1, 2, SMTO_NORMAL, 5000, &result); });
    WaitForSingleObject(entered, INFINITE);
    clock.AdvanceMillis(4999);
    EXPECT_EQ(answer.load(), -1);  // not given up before its time
    clock.AdvanceMillis(1);
    sender.Join();
    EXPECT_EQ(answer.load(), 0);
    release.Set();  // the late answer is dropped; the link keeps working
    EXPECT_EQ(link.SendMessageTimeout(0x9106, 1, 2, SMTO_NORMAL, 5000, &result), 1);
    EXPECT_EQ(result, 0x9106u);
}

TEST_F(HallLinkTest, BothEndsDropPeersThatSendGarbageAndTheHallOnesThatFloodIt) {
    std::vector<uint8_t> oversized, flood;
    ByteWriter(oversized).U32(uint32_t(kHallMaxFrame) + 1);
    for (int i = 0; i < 400; ++i) {
        const auto bytes = EncodeHallFrame({.kind = Kind::kPost, .message = 0x9107});
        flood.insert(flood.end(), bytes.begin(), bytes.end());
    }
    const struct {
        std::vector<uint8_t> bytes;
        const char* logged;
    } cases[] = {
        {oversized, "garbage"},
        {{12, 0, 0, 0, 77, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0}, "garbage"},  // unknown kind
        {flood, "floods"},
    };
    for (const auto& c : cases) {
        Event release(true, false);
        auto hall = OpenHall([&](const HallFrame&, uint32_t*) {
            WaitForSingleObject(release, INFINITE);
            return true;
        });
        const int fd = RawSocket(false);
        ASSERT_EQ(::send(fd, c.bytes.data(), c.bytes.size(), MSG_NOSIGNAL),
                  ssize_t(c.bytes.size()));
        EXPECT_TRUE(ReadsEndOfStream(fd)) << c.logged;
        EXPECT_TRUE(Logged(c.logged));
        release.Set();
        ::close(fd);
    }
    // The client drops a hall that sends garbage.
    const int listener = RawSocket(true);
    HallLink link(1, path_, Log());
    ASSERT_TRUE(link.IsWindow());
    const int peer = ::accept(listener, nullptr, nullptr);
    ASSERT_EQ(::send(peer, oversized.data(), oversized.size(), MSG_NOSIGNAL), 4);
    EXPECT_TRUE(ReadsEndOfStream(peer));  // the client hung up
    EXPECT_FALSE(link.IsWindow());
    ::close(peer);
    ::close(listener);
}

TEST_F(HallLinkTest, PeersThatComeAndGoDoNotPileUp) {
    auto hall = OpenHall([](const HallFrame&, uint32_t* result) { return *result = 1; });
    auto openFiles = [] {
        auto it = std::filesystem::directory_iterator("/proc/self/fd");
        return std::distance(begin(it), end(it));
    };
    const auto before = openFiles();
    for (int i = 0; i < 50; ++i)
        ::close(RawSocket(false));
    // Accepting this one lets go of every connection before it.
    HallLink link(1, path_);
    DWORD_PTR result = 0;
    ASSERT_EQ(link.SendMessageTimeout(0x9105, 1, 2, SMTO_NORMAL, 5000, &result), 1);
    EXPECT_LE(openFiles(), before + 4);
    EXPECT_EQ(hall->Clients().size(), 1u);
}

TEST_F(HallLinkTest, AClientWaitingOnTheHallServesMessagesSentToIt) {
    // The hall answers the client's request only after the client's window
    // has handled a record the hall sends meanwhile, as a hall that sends the
    // table state from its handler of 0x9105 would.
    std::atomic<LRESULT> copyResult{-1};
    HallEndpoint hall(path_, [&](HallConnection& from, const HallFrame& f, uint32_t* result) {
        if (f.kind == Kind::kSend) {
            DWORD_PTR r = 0;
            const bool ok =
                from.Request({.kind = Kind::kCopyData, .dwData = 1}, SMTO_NORMAL, 5000, &r);
            copyResult = ok ? LRESULT(r) : 0;
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
