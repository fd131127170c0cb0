#include "tools/gameserver/server.h"

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <future>

namespace gameserver {
namespace {

constexpr auto kWriteGiveUp = std::chrono::seconds(5);

}  // namespace

GameServer::GameServer(ServerOptions options) : options_(std::move(options)) {}

GameServer::~GameServer() {
    Stop();
}

uint16_t GameServer::Start(uint16_t port, int backlog) {
    if (!listener_.Open(port, backlog)) return 0;
    thread_ = std::thread([this] { Run(); });
    return listener_.port;
}

void GameServer::Stop() {
    if (!thread_.joinable()) return;
    Post([this] { stopping_ = true; });
    thread_.join();
    if (clientFd_ >= 0) close(clientFd_);
    clientFd_ = -1;
    listener_.Close();
}

void GameServer::Post(std::function<void()> job) {
    {
        std::lock_guard lock(mutex_);
        jobs_.push_back(std::move(job));
    }
    listener_.Wake();
}

bool GameServer::RunOnThread(std::function<bool()> job) {
    if (!thread_.joinable()) return false;
    auto done = std::make_shared<std::promise<bool>>();
    auto result = done->get_future();
    Post([job = std::move(job), done] { done->set_value(job()); });
    return result.get();
}

void GameServer::Run() {
    while (!stopping_) {
        int timeoutMs = -1;
        auto now = std::chrono::steady_clock::now();
        for (const Pending& p : delayed_) {
            auto ms = std::chrono::ceil<std::chrono::milliseconds>(p.due - now).count();
            ms = std::max<long long>(ms, 0);
            if (timeoutMs < 0 || ms < timeoutMs) timeoutMs = int(ms);
        }
        pollfd fds[3] = {{listener_.wakeRead, POLLIN, 0}, {-1, POLLIN, 0}, {-1, POLLIN, 0}};
        if (clientFd_ < 0) fds[1].fd = listener_.socket;
        if (clientFd_ >= 0 && !stopReading_) fds[2].fd = clientFd_;
        if (poll(fds, 3, timeoutMs) < 0 && errno != EINTR) break;

        listener_.Drain();
        std::deque<std::function<void()>> jobs;
        {
            std::lock_guard lock(mutex_);
            jobs.swap(jobs_);
        }
        for (auto& job : jobs)
            job();
        if (stopping_) break;

        if (fds[1].revents && clientFd_ < 0) Accept();
        if (fds[2].revents && clientFd_ >= 0 && fds[2].fd == clientFd_) ReadClient();

        now = std::chrono::steady_clock::now();
        std::vector<Pending> due;
        auto split = std::stable_partition(delayed_.begin(), delayed_.end(),
                                           [&](const Pending& p) { return p.due > now; });
        std::move(split, delayed_.end(), std::back_inserter(due));
        delayed_.erase(split, delayed_.end());
        for (const Pending& p : due)
            WriteAll(p.bytes);
    }
}

void GameServer::Accept() {
    int fd = accept4(listener_.socket, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
    if (fd < 0) return;
    int one = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    clientFd_ = fd;
    greeted_ = false;
    link_.emplace(options_);
    std::lock_guard lock(mutex_);
    connected_ = true;
    changed_.notify_all();
}

void GameServer::ReadClient() {
    uint8_t block[65536];
    for (;;) {
        ssize_t n = recv(clientFd_, block, sizeof block, 0);
        if (n > 0) {
            if (!link_->Feed({block, size_t(n)}, *this)) return DropClient(link_->error());
            if (clientFd_ < 0 || stopReading_) return;
            continue;
        }
        if (n == 0) return DropClient("");
        if (errno == EINTR) continue;
        if (errno != EAGAIN && errno != EWOULDBLOCK)
            return DropClient(std::string("receive failed: ") + strerror(errno));
        return;
    }
}

void GameServer::OnGreeting(const Bytes& greeting, bool expected) {
    {
        std::lock_guard lock(mutex_);
        greetings_.push_back(greeting);
        changed_.notify_all();
    }
    if (!expected) return;
    greeted_ = true;
    for (const Body& body : options_.welcome)
        WriteAll(PacketsFor(kKindRequest, NextMessageNumber(), body, 0));
}

void GameServer::OnRequest(ReceivedRequest request) {
    {
        std::lock_guard lock(mutex_);
        requests_.push_back(request);
        changed_.notify_all();
    }
    Answer(request);
}

void GameServer::OnBadMessage(std::string error) {
    NoteError(std::move(error));
}

void GameServer::Answer(const ReceivedRequest& request) {
    Responder responder;
    {
        std::lock_guard lock(mutex_);
        responder = responder_;
    }
    std::optional<Reply> reply = responder ? responder(request) : std::nullopt;
    if (!request.wantsReply) return;
    if (!reply) {
        std::lock_guard lock(mutex_);
        auto it = script_.find(request.id);
        reply = it != script_.end() ? std::optional<Reply>(it->second) : defaultReply_;
    }
    if (!reply || !reply->answer) return;
    Bytes bytes =
        PacketsFor(kKindReply, request.messageNumber, Body{reply->result, reply->data}, 0);
    if (reply->hold) {
        held_.push_back(std::move(bytes));
    } else if (reply->delay.count() > 0) {
        delayed_.push_back({std::chrono::steady_clock::now() + reply->delay, std::move(bytes)});
    } else {
        WriteAll(bytes);
    }
}

Bytes GameServer::PacketsFor(uint32_t kind, uint32_t number, const Body& body,
                             uint32_t wantsReply) {
    return writer_.Joined(kind, number, body, wantsReply);
}

std::vector<Bytes> GameServer::BuildPackets(uint32_t kind, uint32_t number, const Body& body,
                                            uint32_t wantsReply) {
    return writer_.Build(kind, number, body, wantsReply);
}

uint32_t GameServer::NextMessageNumber() {
    return ++messageCounter_;
}

bool GameServer::WriteAll(std::span<const uint8_t> bytes) {
    auto giveUp = std::chrono::steady_clock::now() + kWriteGiveUp;
    while (!bytes.empty() && clientFd_ >= 0) {
        ssize_t n = send(clientFd_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (n > 0) {
            bytes = bytes.subspan(size_t(n));
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK) &&
            std::chrono::steady_clock::now() < giveUp) {
            pollfd fd{clientFd_, POLLOUT, 0};
            poll(&fd, 1, 100);
            continue;
        }
        NoteError(n < 0 ? std::string("send failed: ") + strerror(errno) : "send gave up");
        return false;
    }
    return bytes.empty();
}

void GameServer::DropClient(const std::string& why) {
    if (!why.empty()) NoteError(why);
    if (clientFd_ >= 0) close(clientFd_);
    clientFd_ = -1;
    greeted_ = false;
    stopReading_ = false;
    link_.reset();
    std::lock_guard lock(mutex_);
    connected_ = false;
    changed_.notify_all();
}

void GameServer::NoteError(std::string error) {
    std::lock_guard lock(mutex_);
    errors_.push_back(std::move(error));
    changed_.notify_all();
}

void GameServer::SetResponder(Responder responder) {
    std::lock_guard lock(mutex_);
    responder_ = std::move(responder);
}

void GameServer::SetReply(uint32_t requestId, Reply reply) {
    std::lock_guard lock(mutex_);
    script_[requestId] = std::move(reply);
}

void GameServer::SetDefaultReply(std::optional<Reply> reply) {
    std::lock_guard lock(mutex_);
    defaultReply_ = std::move(reply);
}

void GameServer::ReleaseHeld() {
    RunOnThread([this] {
        for (const Bytes& bytes : held_)
            WriteAll(bytes);
        held_.clear();
        return true;
    });
}

bool GameServer::Notify(uint32_t id, Bytes data) {
    return RunOnThread([this, id, data = std::move(data)] {
        return clientFd_ >= 0 && greeted_ &&
               WriteAll(PacketsFor(kKindRequest, NextMessageNumber(), Body{id, data}, 0));
    });
}

bool GameServer::SendRaw(std::vector<Bytes> pieces, WriteMode mode) {
    return RunOnThread([this, pieces = std::move(pieces), mode] {
        if (clientFd_ < 0) return false;
        if (mode == WriteMode::kCoalesced) {
            Bytes all;
            for (const Bytes& piece : pieces)
                all.insert(all.end(), piece.begin(), piece.end());
            return WriteAll(all);
        }
        for (const Bytes& piece : pieces) {
            if (mode == WriteMode::kPerPacket) {
                if (!WriteAll(piece)) return false;
                continue;
            }
            for (uint8_t byte : piece)
                if (!WriteAll({&byte, 1})) return false;
        }
        return true;
    });
}

void GameServer::Fin() {
    RunOnThread([this] { return clientFd_ >= 0 && shutdown(clientFd_, SHUT_WR) == 0; });
}

void GameServer::Reset() {
    RunOnThread([this] {
        if (clientFd_ < 0) return false;
        linger hard{1, 0};
        setsockopt(clientFd_, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
        DropClient("");
        return true;
    });
}

void GameServer::Disconnect() {
    RunOnThread([this] {
        DropClient("");
        return true;
    });
}

void GameServer::StopReading(bool stop) {
    RunOnThread([this, stop] {
        stopReading_ = stop;
        return true;
    });
}

bool GameServer::WaitForClient(std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] { return connected_; });
}

std::optional<Bytes> GameServer::WaitForGreeting(std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    if (!changed_.wait_for(lock, timeout, [&] { return !greetings_.empty(); })) return std::nullopt;
    Bytes greeting = std::move(greetings_.front());
    greetings_.pop_front();
    return greeting;
}

std::optional<ReceivedRequest> GameServer::WaitForRequest(std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    if (!changed_.wait_for(lock, timeout, [&] { return !requests_.empty(); })) return std::nullopt;
    ReceivedRequest request = std::move(requests_.front());
    requests_.pop_front();
    return request;
}

bool GameServer::WaitForClientGone(std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] { return !connected_; });
}

std::vector<std::string> GameServer::Errors() const {
    std::lock_guard lock(mutex_);
    return errors_;
}

}  // namespace gameserver
