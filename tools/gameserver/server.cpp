#include "tools/gameserver/server.h"

#include <fcntl.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <future>

#include "platform/bytes.h"
#include "tools/loopback_server.h"

namespace gameserver {
namespace {

constexpr uint32_t kMaxGreeting = 1024;
constexpr auto kWriteGiveUp = std::chrono::seconds(5);

void SetNonBlocking(int fd) {
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
}

}  // namespace

Bytes StandardGreeting() {
    static const char kText[] = "Hello! Mirb Station.";
    Bytes out;
    platform::ByteWriter w(out);
    w.U32(sizeof kText);
    w.Bytes({reinterpret_cast<const uint8_t*>(kText), sizeof kText});
    return out;
}

Key DefaultKey() {
    return {0x51, 0x65, 0x76, 0x6f, 0x2d, 0x74, 0x61, 0x62,
            0x6c, 0x65, 0x2d, 0x6b, 0x65, 0x79, 0x21, 0x07};
}

GameServer::GameServer(ServerOptions options) : options_(std::move(options)) {}

GameServer::~GameServer() {
    Stop();
}

uint16_t GameServer::Start(uint16_t port, int backlog) {
    listenFd_ = tools::ListenOnLoopback(port, backlog);
    if (listenFd_ < 0) return 0;
    SetNonBlocking(listenFd_);
    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC | O_NONBLOCK) != 0) {
        close(listenFd_);
        listenFd_ = -1;
        return 0;
    }
    wakeRead_ = pipeFds[0];
    wakeWrite_ = pipeFds[1];
    port_ = port;
    thread_ = std::thread([this] { Run(); });
    return port_;
}

void GameServer::Stop() {
    if (!thread_.joinable()) return;
    Post([this] { stopping_ = true; });
    thread_.join();
    if (clientFd_ >= 0) close(clientFd_);
    clientFd_ = -1;
    for (int* fd : {&listenFd_, &wakeRead_, &wakeWrite_}) {
        if (*fd >= 0) close(*fd);
        *fd = -1;
    }
}

void GameServer::Post(std::function<void()> job) {
    {
        std::lock_guard lock(mutex_);
        jobs_.push_back(std::move(job));
    }
    uint8_t byte = 1;
    [[maybe_unused]] ssize_t n = write(wakeWrite_, &byte, 1);
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
        pollfd fds[3] = {{wakeRead_, POLLIN, 0}, {-1, POLLIN, 0}, {-1, POLLIN, 0}};
        if (clientFd_ < 0) fds[1].fd = listenFd_;
        if (clientFd_ >= 0 && !stopReading_) fds[2].fd = clientFd_;
        if (poll(fds, 3, timeoutMs) < 0 && errno != EINTR) break;

        uint8_t drain[64];
        while (read(wakeRead_, drain, sizeof drain) > 0) {
        }
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
    int fd = accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
    if (fd < 0) return;
    int one = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    clientFd_ = fd;
    greeted_ = false;
    greetingBuffer_.clear();
    reader_.emplace(options_.maxPiece);
    assembler_ = MessageAssembler();
    allCrc_ = true;
    std::lock_guard lock(mutex_);
    ++accepted_;
    connected_ = true;
    changed_.notify_all();
}

void GameServer::ReadClient() {
    uint8_t block[65536];
    for (;;) {
        ssize_t n = recv(clientFd_, block, sizeof block, 0);
        if (n > 0) {
            HandleBytes({block, size_t(n)});
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

void GameServer::HandleBytes(std::span<const uint8_t> bytes) {
    if (!greeted_) {
        greetingBuffer_.insert(greetingBuffer_.end(), bytes.begin(), bytes.end());
        if (greetingBuffer_.size() < 4) return;
        uint32_t len = platform::LoadLE32(greetingBuffer_.data());
        if (len > kMaxGreeting) return DropClient("greeting length " + std::to_string(len));
        if (greetingBuffer_.size() < 4 + len) return;
        Bytes greeting(greetingBuffer_.begin(), greetingBuffer_.begin() + 4 + len);
        Bytes rest(greetingBuffer_.begin() + 4 + len, greetingBuffer_.end());
        greetingBuffer_.clear();
        bool good = greeting == options_.greeting;
        {
            std::lock_guard lock(mutex_);
            greetings_.push_back(greeting);
            changed_.notify_all();
        }
        if (!good) return DropClient("unexpected greeting");
        greeted_ = true;
        for (const Body& body : options_.welcome)
            WriteAll(PacketsFor(kKindRequest, NextMessageNumber(), body, 0));
        if (rest.empty() || clientFd_ < 0) return;
        return HandleBytes(rest);
    }
    if (!reader_->Feed(bytes)) return DropClient(reader_->error());
    while (auto packet = reader_->Next()) {
        if (packet->fields.kind != kKindRequest)
            return DropClient("packet of kind " + std::to_string(packet->fields.kind));
        allCrc_ = allCrc_ && packet->hadCrc;
        std::string error;
        auto message = assembler_.Take(*packet, error);
        if (!error.empty()) return DropClient(error);
        if (message) {
            HandleMessage(*message, allCrc_);
            allCrc_ = true;
            if (clientFd_ < 0) return;
        }
    }
}

void GameServer::HandleMessage(const MessageAssembler::Message& message, bool allCrc) {
    std::string error;
    auto plain = Open(message.bytes, options_.key, error);
    auto body = plain ? DecodeBody(*plain, error) : std::nullopt;
    if (!body) return NoteError("message " + std::to_string(message.number) + ": " + error);
    ReceivedRequest request{message.number, message.wantsReply, body->code, std::move(body->data),
                            allCrc};
    {
        std::lock_guard lock(mutex_);
        requests_.push_back(request);
        changed_.notify_all();
    }
    Answer(request);
}

void GameServer::Answer(const ReceivedRequest& request) {
    if (!request.wantsReply) return;
    std::optional<Reply> reply;
    {
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
    Bytes out;
    for (const Bytes& packet : BuildPackets(kind, number, body, wantsReply))
        out.insert(out.end(), packet.begin(), packet.end());
    return out;
}

std::vector<Bytes> GameServer::BuildPackets(uint32_t kind, uint32_t number, const Body& body,
                                            uint32_t wantsReply) {
    Bytes sealed =
        Seal(EncodeBody(body), options_.key, options_.cipherFlags, options_.compressFlags);
    auto chunks = SplitMessage(sealed, options_.maxPiece);
    std::vector<Bytes> packets;
    for (size_t i = 0; i < chunks.size(); ++i) {
        PacketFields f{
            kind,      ++packetSerial_, number, uint32_t(i + 1), i + 1 == chunks.size() ? 1u : 0u,
            wantsReply};
        packets.push_back(EncodePacket(f, chunks[i], options_.crc));
    }
    return packets;
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
    reader_.reset();
    std::lock_guard lock(mutex_);
    connected_ = false;
    changed_.notify_all();
}

void GameServer::NoteError(std::string error) {
    std::lock_guard lock(mutex_);
    errors_.push_back(std::move(error));
    changed_.notify_all();
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

int GameServer::clientsAccepted() const {
    std::lock_guard lock(mutex_);
    return accepted_;
}

}  // namespace gameserver
