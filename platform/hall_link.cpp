#include "platform/hall_link.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/message_queue.h"
#include "platform/thread_queue.h"
#include "platform/waitable.h"
#include "platform/window.h"

namespace platform {
namespace {

// A stuck peer must not hold a writer forever; frames are small, so a full
// socket buffer means the peer stopped reading.
constexpr int kWriteTimeoutSeconds = 5;
// Requests waiting for the handler; a peer that queues more is flooding.
constexpr size_t kMaxQueuedRequests = 256;

void SetWriteTimeout(int fd) {
    timeval tv{kWriteTimeoutSeconds, 0};
    setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv);
}

bool MakeAddress(const std::string& path, sockaddr_un* addr) {
    std::memset(addr, 0, sizeof *addr);
    addr->sun_family = AF_UNIX;
    if (path.empty() || path.size() >= sizeof addr->sun_path) return false;
    std::memcpy(addr->sun_path, path.data(), path.size());
    return true;
}

std::string ErrnoText() {
    return std::strerror(errno);
}

// Joins a thread that may be sending to a window of the calling thread
// (a handler delivering to the client's window): the wait serves those sends.
void JoinServing(Thread& thread) {
    if (!thread.Started()) return;
    auto self = detail::CurrentQueue();
    Waitable* const sources[] = {&thread, self.get()};
    WaitUntil(std::span(sources), kNoDeadline, [&](int64_t&) {
        self->ServeSentMessages();
        std::lock_guard lock(thread.Mutex());
        return thread.IsSignaledLocked();
    });
    thread.Join();
}

}  // namespace

std::string HallEndpointPath(uint32_t hallWindow) {
    std::string dir;
    for (const char* name : {"QEVO_HALL_DIR", "XDG_RUNTIME_DIR"}) {
        const char* value = std::getenv(name);
        if (value && *value) {
            dir = value;
            break;
        }
    }
    if (dir.empty()) dir = "/tmp";
    if (dir.back() != '/') dir += '/';
    return dir + "qevo-hall-" + std::to_string(hallWindow) + ".sock";
}

// ---- HallConnection ---------------------------------------------------------

struct HallConnection::Pending final : Waitable {
    bool done = false;
    bool handled = false;
    uint32_t result = 0;
    bool IsSignaledLocked() const override { return done; }
    void Complete(bool wasHandled, uint32_t value) {
        std::lock_guard lock(Mutex());
        if (done) return;
        done = true;
        handled = wasHandled;
        result = value;
        WakeWaitersLocked();
    }
};

HallConnection::HallConnection(int fd, Handler handler, HallLogSink log)
    : fd_(fd), handler_(std::move(handler)), log_(std::move(log)) {
    SetWriteTimeout(fd_);
}

void HallConnection::Start() {
    if (!dispatcher_.Start([this] { DispatchLoop(); })) {
        Die("hall link: no dispatcher thread");
        return;
    }
    if (!reader_.Start([this] { ReadLoop(); })) {
        Die("hall link: no reader thread");
        std::lock_guard lock(queueMu_);
        readerDone_ = true;
        queueCv_.notify_all();
    }
}

HallConnection::~HallConnection() {
    Close();
    ::close(fd_);
}

bool HallConnection::Alive() const {
    if (!alive_) return false;
    pollfd p{fd_, POLLRDHUP, 0};
    return ::poll(&p, 1, 0) == 0 || !(p.revents & (POLLRDHUP | POLLHUP | POLLERR));
}

void HallConnection::Close() {
    {
        std::lock_guard lock(closeMu_);
        if (!closed_) {
            closed_ = true;
            closing_ = true;
            alive_ = false;
            ::shutdown(fd_, SHUT_RDWR);
        }
    }
    const DWORD self = GetCurrentThreadId();
    if (reader_.Id() == self || dispatcher_.Id() == self) return;
    std::lock_guard lock(joinMu_);
    JoinServing(reader_);
    JoinServing(dispatcher_);
}

void HallConnection::Die(const std::string& why) {
    const bool wasAlive = alive_.exchange(false);
    std::map<uint32_t, std::shared_ptr<Pending>> pending;
    {
        std::lock_guard lock(pendingMu_);
        pending.swap(pending_);
    }
    for (auto& [seq, p] : pending)
        p->Complete(false, 0);
    if (wasAlive && log_ && !why.empty()) log_(why);
}

bool HallConnection::Write(const HallFrame& frame) {
    const auto bytes = EncodeHallFrame(frame);
    if (bytes.empty()) {
        if (log_) log_("hall link: a frame above the size limit was not sent");
        return false;
    }
    std::lock_guard lock(writeMu_);
    if (!alive_) return false;
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::send(fd_, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            Die("hall link: write failed: " + ErrnoText());
            ::shutdown(fd_, SHUT_RDWR);  // a half-written frame ruins the stream
            return false;
        }
        done += size_t(n);
    }
    return true;
}

void HallConnection::ReadLoop() {
    HallFrameReader reader;
    std::vector<uint8_t> chunk(4096);
    std::string why = "hall link: closed by the peer";
    for (;;) {
        const ssize_t n = ::recv(fd_, chunk.data(), chunk.size(), 0);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            why = "hall link: read failed: " + ErrnoText();
            break;
        }
        if (n == 0) break;
        reader.Append(std::span<const uint8_t>(chunk.data(), size_t(n)));
        HallFrame frame;
        HallFrameReader::Status status;
        while ((status = reader.Next(frame)) == HallFrameReader::Status::kFrame) {
            if (frame.kind == HallFrame::Kind::kAck) {
                std::shared_ptr<Pending> p;
                {
                    std::lock_guard lock(pendingMu_);
                    auto it = pending_.find(frame.seq);
                    if (it != pending_.end()) {
                        p = it->second;
                        pending_.erase(it);
                    }
                }
                // An answer that comes after its sender gave up is dropped.
                if (p) p->Complete(frame.handled != 0, frame.result);
                continue;
            }
            std::lock_guard lock(queueMu_);
            if (requests_.size() >= kMaxQueuedRequests) {
                status = HallFrameReader::Status::kError;
                break;
            }
            requests_.push_back(std::move(frame));
            queueCv_.notify_one();
        }
        if (status == HallFrameReader::Status::kError) {
            why = reader.error().empty()
                      ? "hall link: the peer floods requests, closing"
                      : "hall link: garbage from the peer (" + reader.error() + "), closing";
            break;
        }
    }
    {
        std::lock_guard lock(closeMu_);
        Die(closed_ ? std::string() : why);
    }
    // The peer sees the end only after the reason was logged.
    ::shutdown(fd_, SHUT_RDWR);
    std::lock_guard lock(queueMu_);
    readerDone_ = true;
    queueCv_.notify_all();
}

void HallConnection::DispatchLoop() {
    for (;;) {
        HallFrame frame;
        {
            std::unique_lock lock(queueMu_);
            queueCv_.wait(lock, [&] { return readerDone_ || !requests_.empty(); });
            // What the peer sent before it went is still handled; what is
            // queued when this side closes is dropped unanswered.
            if (requests_.empty() || closing_) return;
            frame = std::move(requests_.front());
            requests_.pop_front();
        }
        uint32_t result = 0;
        const bool handled = handler_ ? handler_(*this, frame, &result) : false;
        if (frame.WantsAck()) {
            HallFrame ack;
            ack.kind = HallFrame::Kind::kAck;
            ack.seq = frame.seq;
            ack.handled = handled ? 1 : 0;
            ack.result = result;
            Write(ack);
        }
    }
}

LRESULT HallConnection::Request(HallFrame request, UINT flags, UINT timeoutMs, DWORD_PTR* result) {
    if (result) *result = 0;
    if (!request.WantsAck() || !Alive()) return 0;
    request.seq = nextSeq_.fetch_add(1);
    auto pending = std::make_shared<Pending>();
    {
        std::lock_guard lock(pendingMu_);
        pending_[request.seq] = pending;
    }
    const int64_t deadline = DeadlineAfterMillis(timeoutMs);
    if (!alive_ || !Write(request)) pending->Complete(false, 0);

    auto self = detail::CurrentQueue();
    const bool serve = !(flags & SMTO_BLOCK);
    Waitable* const sources[] = {pending.get(), self.get()};
    const bool finished = WaitUntil(std::span(sources, serve ? 2 : 1), deadline, [&](int64_t&) {
        if (serve) self->ServeSentMessages();
        std::lock_guard lock(pending->Mutex());
        return pending->done;
    });
    {
        std::lock_guard lock(pendingMu_);
        pending_.erase(request.seq);
    }
    if (!finished) return 0;
    std::lock_guard lock(pending->Mutex());
    if (!pending->handled) return 0;
    if (result) *result = pending->result;
    return 1;
}

bool HallConnection::Post(UINT message, uint32_t wParam, uint32_t lParam) {
    HallFrame f;
    f.kind = HallFrame::Kind::kPost;
    f.message = message;
    f.wParam = wParam;
    f.lParam = lParam;
    return Write(f);
}

// ---- HallLink ---------------------------------------------------------------

HallLink::HallLink(uint32_t hallWindow, HallLogSink log)
    : HallLink(hallWindow, HallEndpointPath(hallWindow), std::move(log)) {}

HallLink::HallLink(uint32_t hallWindow, std::string path, HallLogSink log)
    : hallWindow_(hallWindow), path_(std::move(path)), log_(std::move(log)) {}

HallLink::~HallLink() {
    std::shared_ptr<HallConnection> c;
    {
        std::lock_guard lock(mu_);
        c = std::move(connection_);
    }
    if (c) c->Close();
}

void HallLink::SetTarget(HWND window) {
    target_ = window.value;
}

bool HallLink::IsWindow() {
    std::lock_guard lock(mu_);
    // Once connected, the hall lives as long as the link: a hall window
    // that went away does not come back.
    if (connection_) return connection_->Alive();
    sockaddr_un addr;
    if (!MakeAddress(path_, &addr)) {
        if (log_) log_("hall link: bad endpoint path " + path_);
        return false;
    }
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0) {
        ::close(fd);
        return false;
    }
    connection_ = std::make_shared<HallConnection>(
        fd,
        [this](HallConnection&, const HallFrame& frame, uint32_t* result) {
            return Deliver(frame, result);
        },
        log_);
    connection_->Start();
    return connection_->Alive();
}

std::shared_ptr<HallConnection> HallLink::Connection() {
    if (!IsWindow()) return nullptr;
    std::lock_guard lock(mu_);
    return connection_;
}

bool HallLink::Deliver(const HallFrame& frame, uint32_t* result) const {
    const HWND target{target_.load()};
    if (!target || !platform::IsWindow(target)) {
        if (log_) log_("hall link: a hall message arrived with no window to take it");
        return false;
    }
    switch (frame.kind) {
        case HallFrame::Kind::kCopyData: {
            COPYDATASTRUCT cds;
            cds.dwData = frame.dwData;
            cds.cbData = DWORD(frame.data.size());
            cds.lpData = frame.data.data();
            *result = uint32_t(
                SendMessage(target, WM_COPYDATA, frame.wParam, reinterpret_cast<LPARAM>(&cds)));
            return true;
        }
        case HallFrame::Kind::kSend:
            *result = uint32_t(
                SendMessage(target, frame.message, frame.wParam, LPARAM(int32_t(frame.lParam))));
            return true;
        case HallFrame::Kind::kPost:
            return platform::PostMessage(target, frame.message, frame.wParam,
                                         LPARAM(int32_t(frame.lParam)));
        case HallFrame::Kind::kAck:
            break;
    }
    return false;
}

LRESULT HallLink::SendMessageTimeout(UINT message, WPARAM wParam, LPARAM lParam, UINT flags,
                                     UINT timeoutMs, DWORD_PTR* result) {
    if (result) *result = 0;
    auto c = Connection();
    if (!c) return 0;
    HallFrame f;
    f.kind = HallFrame::Kind::kSend;
    f.message = message;
    f.wParam = uint32_t(wParam);
    f.lParam = uint32_t(lParam);
    return c->Request(std::move(f), flags, timeoutMs, result);
}

LRESULT HallLink::SendCopyData(WPARAM wParam, const COPYDATASTRUCT& data, UINT flags,
                               UINT timeoutMs, DWORD_PTR* result) {
    if (result) *result = 0;
    if (data.cbData > kHallMaxFrame || (data.cbData && !data.lpData)) return 0;
    auto c = Connection();
    if (!c) return 0;
    HallFrame f;
    f.kind = HallFrame::Kind::kCopyData;
    f.wParam = uint32_t(wParam);
    f.dwData = uint32_t(data.dwData);
    const auto* bytes = static_cast<const uint8_t*>(data.lpData);
    f.data.assign(bytes, bytes + data.cbData);
    return c->Request(std::move(f), flags, timeoutMs, result);
}

bool HallLink::PostMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    auto c = Connection();
    return c && c->Post(message, uint32_t(wParam), uint32_t(lParam));
}

// ---- HallEndpoint -----------------------------------------------------------

HallEndpoint::HallEndpoint(std::string path, Handler handler, HallLogSink log)
    : path_(std::move(path)), handler_(std::move(handler)), log_(std::move(log)) {}

HallEndpoint::~HallEndpoint() {
    Close();
}

bool HallEndpoint::Open() {
    if (listenFd_ >= 0) return false;
    sockaddr_un addr;
    if (!MakeAddress(path_, &addr)) {
        if (log_) log_("hall endpoint: bad path " + path_);
        return false;
    }
    ::unlink(path_.c_str());  // a socket file left by an earlier hall of this number
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0 ||
        ::listen(fd, 8) != 0 || ::pipe2(wakeFd_, O_CLOEXEC) != 0) {
        if (log_) log_("hall endpoint: cannot listen at " + path_ + ": " + ErrnoText());
        ::close(fd);
        return false;
    }
    listenFd_ = fd;
    if (!acceptor_.Start([this] { AcceptLoop(); })) {
        Close();
        return false;
    }
    return true;
}

void HallEndpoint::AcceptLoop() {
    for (;;) {
        pollfd fds[2] = {{listenFd_, POLLIN, 0}, {wakeFd_[0], POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR) continue;
            return;
        }
        if (fds[1].revents) return;
        if (!(fds[0].revents & POLLIN)) continue;
        const int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) continue;
        auto c = std::make_shared<HallConnection>(fd, handler_, log_);
        // Connections whose peer went are let go here, so peers that come
        // and go cannot pile up sockets and threads.
        std::vector<std::shared_ptr<HallConnection>> gone;
        {
            std::lock_guard lock(mu_);
            std::erase_if(clients_, [&](const std::shared_ptr<HallConnection>& old) {
                if (old->Alive()) return false;
                gone.push_back(old);
                return true;
            });
            clients_.push_back(c);
        }
        // Registered before it reads, so a peer that got an answer finds it
        // among the clients.
        c->Start();
        clientArrived_.Set();
        gone.clear();
    }
}

void HallEndpoint::Close() {
    if (listenFd_ < 0) return;
    const char wake = 1;
    [[maybe_unused]] ssize_t n = ::write(wakeFd_[1], &wake, 1);
    acceptor_.Join();
    ::close(listenFd_);
    ::close(wakeFd_[0]);
    ::close(wakeFd_[1]);
    listenFd_ = -1;
    wakeFd_[0] = wakeFd_[1] = -1;
    ::unlink(path_.c_str());
    std::vector<std::shared_ptr<HallConnection>> clients;
    {
        std::lock_guard lock(mu_);
        clients.swap(clients_);
    }
    for (auto& c : clients)
        c->Close();
}

std::vector<std::shared_ptr<HallConnection>> HallEndpoint::Clients() {
    std::lock_guard lock(mu_);
    std::vector<std::shared_ptr<HallConnection>> alive;
    for (auto& c : clients_)
        if (c->Alive()) alive.push_back(c);
    return alive;
}

std::shared_ptr<HallConnection> HallEndpoint::WaitForClient(DWORD timeoutMs) {
    if (WaitForSingleObject(clientArrived_, timeoutMs) != WAIT_OBJECT_0) return nullptr;
    auto clients = Clients();
    return clients.empty() ? nullptr : clients.front();
}

}  // namespace platform
