#include "tools/gameserver/table_server.h"

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <future>

#include "platform/clock.h"

namespace gameserver {
namespace {

// A client that lets this much pile up unread is dropped.
constexpr size_t kMaxUnsent = 8 << 20;

int64_t ClockMillis() {
    return platform::CurrentClock().NowMicros() / 1000;
}

}  // namespace

struct TableServer::Connection {
    explicit Connection(int socket, const ServerOptions& wire) : fd(socket), link(wire) {}
    int fd;
    PeerId peer = -1;
    ClientLink link;
    Bytes out;
    size_t sent = 0;
    uint32_t messages = 0;
    bool closing = false;
    std::string why;
};

class TableServer::Events final : public ClientLink::Events {
  public:
    Events(TableServer& server, Connection& c) : server_(server), c_(c) {}
    void OnGreeting(const Bytes&, bool expected) override {
        if (expected) c_.peer = server_.table_.Connect();
    }
    void OnRequest(ReceivedRequest r) override {
        if (c_.peer < 0) return;
        server_.table_.Request(c_.peer, r.id, r.data, r.wantsReply != 0, r.messageNumber);
        server_.Flush();
    }
    void OnBadMessage(std::string error) override { server_.Note(std::move(error)); }

  private:
    TableServer& server_;
    Connection& c_;
};

TableServer::TableServer(TableOptions table, ServerOptions wire,
                         std::function<void(const std::string&)> log)
    : wire_(std::move(wire)), table_(std::move(table), ClockMillis), log_(std::move(log)) {}

TableServer::~TableServer() {
    Stop();
}

uint16_t TableServer::Start(uint16_t port) {
    if (!listener_.Open(port, 16)) return 0;
    thread_ = std::thread([this] { Run(); });
    return listener_.port;
}

void TableServer::Stop() {
    if (!thread_.joinable()) return;
    Post([this] { stopping_ = true; });
    thread_.join();
    for (auto& [fd, c] : connections_)
        close(fd);
    connections_.clear();
    listener_.Close();
}

void TableServer::Post(std::function<void()> job) {
    {
        std::lock_guard lock(mutex_);
        jobs_.push_back(std::move(job));
    }
    listener_.Wake();
}

void TableServer::WithTable(const std::function<void(TableGame&)>& job) {
    if (!thread_.joinable()) {
        job(table_);
        return;
    }
    std::promise<void> done;
    Post([&] {
        job(table_);
        Flush();
        done.set_value();
    });
    done.get_future().wait();
}

void TableServer::Poke() {
    WithTable([](TableGame& table) { table.Tick(); });
}

void TableServer::DropNextReply(uint32_t id) {
    WithTable([&](TableGame&) { dropReplies_.push_back(id); });
}

rules::TableRecord TableServer::SeatView(int32_t chair) {
    rules::TableRecord view;
    WithTable([&](TableGame& table) { view = table.SeatView(chair); });
    return view;
}

int TableServer::rounds() {
    int n = 0;
    WithTable([&](TableGame& table) { n = table.rounds(); });
    return n;
}

int TableServer::connections() {
    int n = 0;
    WithTable([&](TableGame&) { n = int(connections_.size()); });
    return n;
}

std::vector<std::string> TableServer::Log() {
    std::lock_guard lock(mutex_);
    return lines_;
}

void TableServer::Note(std::string line) {
    if (log_) {
        log_(line);
        return;
    }
    std::lock_guard lock(mutex_);
    if (lines_.size() < 10000) lines_.push_back(std::move(line));
}

void TableServer::Run() {
    std::vector<pollfd> fds;
    while (!stopping_) {
        int timeout = -1;
        if (auto due = table_.NextDue())
            timeout = int(std::clamp<int64_t>(*due - ClockMillis(), 0, INT_MAX));
        fds.assign({{listener_.wakeRead, POLLIN, 0}, {listener_.socket, POLLIN, 0}});
        for (const auto& [fd, c] : connections_)
            fds.push_back({fd, short(POLLIN | (c->out.size() > c->sent ? POLLOUT : 0)), 0});
        if (poll(fds.data(), fds.size(), timeout) < 0 && errno != EINTR) break;

        listener_.Drain();
        std::vector<std::function<void()>> jobs;
        {
            std::lock_guard lock(mutex_);
            jobs.swap(jobs_);
        }
        for (auto& job : jobs)
            job();
        if (stopping_) break;

        if (fds[1].revents) Accept();
        for (size_t i = 2; i < fds.size(); ++i) {
            auto it = connections_.find(fds[i].fd);
            if (it == connections_.end() || !fds[i].revents) continue;
            if (fds[i].revents & POLLOUT) Write(*it->second);
            if (fds[i].revents & (POLLIN | POLLHUP | POLLERR)) Read(*it->second);
        }
        table_.Tick();
        Flush();
        std::vector<std::pair<int, std::string>> closing;
        for (const auto& [fd, c] : connections_)
            if (c->closing) closing.emplace_back(fd, c->why);
        for (const auto& [fd, why] : closing)
            Close(fd, why);
    }
}

void TableServer::Accept() {
    for (;;) {
        int fd = accept4(listener_.socket, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd < 0) return;
        int one = 1;
        setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        connections_[fd] = std::make_unique<Connection>(fd, wire_);
    }
}

void TableServer::Read(Connection& c) {
    uint8_t block[65536];
    Events events(*this, c);
    while (!c.closing) {
        ssize_t n = recv(c.fd, block, sizeof block, 0);
        if (n > 0) {
            if (!c.link.Feed({block, size_t(n)}, events)) {
                c.closing = true;
                c.why = c.link.error();
            }
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return;
        c.closing = true;
        if (n < 0) c.why = std::string("receive failed: ") + strerror(errno);
    }
}

void TableServer::Write(Connection& c) {
    while (c.sent < c.out.size() && !c.closing) {
        ssize_t n = send(c.fd, c.out.data() + c.sent, c.out.size() - c.sent, MSG_NOSIGNAL);
        if (n > 0) {
            c.sent += size_t(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) break;
        c.closing = true;
        c.why = std::string("send failed: ") + strerror(errno);
    }
    if (c.sent == c.out.size()) {
        c.out.clear();
        c.sent = 0;
    }
}

void TableServer::Flush() {
    for (TableMessage& m : table_.TakeOutgoing()) {
        auto it = std::find_if(connections_.begin(), connections_.end(),
                               [&](const auto& e) { return e.second->peer == m.peer; });
        if (it == connections_.end() || it->second->closing) continue;
        Connection& c = *it->second;
        const bool reply = m.kind == TableMessage::kReply;
        if (auto drop = std::find(dropReplies_.begin(), dropReplies_.end(), m.request);
            reply && drop != dropReplies_.end()) {
            dropReplies_.erase(drop);
            continue;
        }
        Bytes packets = writer_.Joined(reply ? kKindReply : kKindRequest,
                                       reply ? m.number : ++c.messages, Body{m.id, m.data});
        c.out.insert(c.out.end(), packets.begin(), packets.end());
        if (c.out.size() - c.sent > kMaxUnsent) {
            c.closing = true;
            c.why = "the client reads nothing";
        }
    }
    for (auto& [fd, c] : connections_)
        Write(*c);
    for (std::string& line : table_.TakeLog())
        Note(std::move(line));
}

void TableServer::Close(int fd, const std::string& why) {
    auto it = connections_.find(fd);
    if (it == connections_.end()) return;
    const PeerId peer = it->second->peer;
    close(fd);
    connections_.erase(it);
    if (!why.empty()) Note("connection closed: " + why);
    if (peer >= 0) table_.Disconnect(peer);
    Flush();
}

}  // namespace gameserver
