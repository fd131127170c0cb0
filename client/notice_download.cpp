#include "client/notice_download.h"

#include <algorithm>
#include <cstdio>
#include <system_error>

#include "platform/http_get.h"
#include "platform/message_queue.h"
#include "platform/text.h"
#include "transport/log.h"

namespace client {
namespace {

std::atomic<int> g_running{0};

void DownloadThread(std::shared_ptr<NoticeJob> job) {
    platform::HttpOptions options;
    options.connectTimeout = kNoticeConnectTimeout;
    options.totalTimeout = kNoticeTotalTimeout;
    options.maxBytes = kMaxNoticeBytes;
    options.abort = &job->abort;
    platform::HttpResult result = platform::HttpGet(job->url, options);
    if (!result.ok()) {
        if (result.status != platform::HttpStatus::kAborted)
            transport::LogPrintf("notice %s: %s", job->url.c_str(), result.error.c_str());
    } else if (!IsNoticeText(result.body)) {
        transport::LogPrintf("notice %s: not a notice", job->url.c_str());
    } else {
        job->text = std::move(result.body);
        job->done = true;
    }
    const platform::HWND frame = job->frame;
    job->finished = true;
    // A frame that has gone takes no post; the payload then frees its share.
    if (!job->abort)
        platform::PostMessage(frame, kMsgNoticeReady, 0, 0,
                              platform::Payload::Make<std::shared_ptr<NoticeJob>>(job));
    job.reset();
    --g_running;
}

}  // namespace

std::string NoticeUrl(const std::string& host, uint32_t gameId) {
    char path[32];
    std::snprintf(path, sizeof(path), "/notify/game/%u.txt", gameId);
    return "http://" + host + "/" + path;
}

bool IsNoticeText(std::string_view body) {
    constexpr std::string_view kTag = "<notify>";
    return body.size() >= kTag.size() &&
           platform::GbkEqualsIgnoreCase(body.substr(0, kTag.size()), kTag);
}

bool NoticeDownloads::Busy() const {
    return std::any_of(jobs_.begin(), jobs_.end(), [](const auto& job) { return !job->finished; });
}

std::shared_ptr<NoticeJob> NoticeDownloads::Start(platform::HWND frame, std::string url) {
    if (Busy()) return nullptr;
    // Jobs whose message never came (their thread has ended) go now.
    std::erase_if(jobs_, [](const auto& job) { return job->finished.load(); });
    std::erase_if(threads_, [](Download& d) {
        if (!d.job->finished) return false;
        d.thread.join();
        return true;
    });
    auto job = std::make_shared<NoticeJob>();
    job->frame = frame;
    job->url = std::move(url);
    ++g_running;
    try {
        threads_.push_back({job, std::thread(DownloadThread, job)});
    } catch (const std::system_error&) {
        --g_running;
        transport::LogPrintf("notice %s: no thread for the download", job->url.c_str());
        return nullptr;
    }
    jobs_.push_back(job);
    return job;
}

std::shared_ptr<NoticeJob> NoticeDownloads::Finish(platform::Message& msg) {
    auto carried = msg.payload.Take<std::shared_ptr<NoticeJob>>();
    if (!carried || !*carried) return nullptr;
    std::shared_ptr<NoticeJob> job = std::move(*carried);
    std::erase(jobs_, job);
    return job;
}

void NoticeDownloads::AbortAll() {
    for (Download& d : threads_)
        d.job->abort = true;
    for (Download& d : threads_)
        d.thread.join();
    threads_.clear();
    jobs_.clear();
}

int NoticeDownloads::RunningThreads() {
    return g_running.load();
}

}  // namespace client
