#pragma once
// Notice downloads of the main frame. Each download runs on a short thread
// of its own and keeps the notice text in memory (a file named from the
// room and game would collide between downloads and between clients on one
// machine). A job is shared by the frame's list and its thread, so neither
// outlives the other's use of it. When the frame goes it sets the abort flag,
// which the transfer checks while it waits (at least once a second), and
// joins the thread: no download outlives the frame to log or post at exit.
// When the thread ends it posts 0x9054 with the job; the frame takes it off
// its list and shows the text when a whole notice came. One download at a time.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "platform/message.h"
#include "platform/win_types.h"

namespace client {

inline constexpr platform::UINT kMsgNoticeReady = 0x9054;
inline constexpr size_t kMaxNoticeBytes = 64 * 1024;
inline constexpr std::chrono::milliseconds kNoticeConnectTimeout{10'000};
inline constexpr std::chrono::milliseconds kNoticeTotalTimeout{30'000};

struct NoticeJob {
    platform::HWND frame;
    std::string url;
    std::atomic<bool> abort{false};
    std::atomic<bool> finished{false};  // the thread has nothing left to do
    // Written by the thread before it posts; read by the frame after.
    bool done = false;  // a whole notice came
    std::string text;
};

// "http://<host>//notify/game/<game>.txt": the path keeps its two slashes.
std::string NoticeUrl(const std::string& host, uint32_t gameId);
// Whether a body is a notice: it begins with "<notify>", in any case.
bool IsNoticeText(std::string_view body);

class NoticeDownloads {
  public:
    NoticeDownloads() = default;
    ~NoticeDownloads() { AbortAll(); }
    NoticeDownloads(const NoticeDownloads&) = delete;
    NoticeDownloads& operator=(const NoticeDownloads&) = delete;

    // Whether a job's thread still runs.
    bool Busy() const;
    // Starts downloading `url` for `frame`; null (nothing started) while
    // another job runs.
    std::shared_ptr<NoticeJob> Start(platform::HWND frame, std::string url);
    // The job a 0x9054 message carries, taken off the list (null for a
    // message without one).
    std::shared_ptr<NoticeJob> Finish(platform::Message& msg);
    // Aborts every download and waits for its thread to end.
    void AbortAll();
    size_t Count() const { return jobs_.size(); }

    // Download threads running in this process.
    static int RunningThreads();

  private:
    struct Download {
        std::shared_ptr<NoticeJob> job;
        std::thread thread;
    };
    std::vector<std::shared_ptr<NoticeJob>> jobs_;
    std::vector<Download> threads_;
};

}  // namespace client
