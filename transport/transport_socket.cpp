#include "transport/transport_socket.h"

#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

#include "platform/bytes.h"
#include "platform/message_queue.h"
#include "transport/crc32.h"
#include "transport/log.h"
#include "transport/message_transform.h"
#include "transport/socket_util.h"
#include "transport/util.h"

namespace transport {
namespace {

// Blocks read per read event, so a flooding peer cannot keep the worker
// from its quit message nor grow a buffer without end.
constexpr int kBlocksPerReadEvent = 16;
constexpr uint32_t kSendStallMs = 1000;

struct InFlight {
    explicit InFlight(std::atomic<long>& count) : count_(count) { ++count_; }
    ~InFlight() { --count_; }
    std::atomic<long>& count_;
};

}  // namespace

CTransportSocket::CTransportSocket(const uint8_t* key, int keyBits, uint32_t cipherFlags,
                                   uint32_t compressionFlags, uint32_t crcOption,
                                   uint32_t maxPieceSize)
    : key_(key),
      keyBits_(keyBits),
      cipherFlags_(cipherFlags),
      compressionFlags_(compressionFlags),
      crcOption_(crcOption),
      maxPieceSize_(std::min(maxPieceSize, kMaxPieceSize)) {}

// Unlike a bare close of the handle, the destructor also ends the worker,
// which would otherwise outlive the object it runs on.
CTransportSocket::~CTransportSocket() {
    Close();
}

bool CTransportSocket::Open(const char* host, int port, int connectSeconds,
                            platform::HWND notifyWindow, platform::DWORD notifyThread,
                            bool waitFirstData, const uint8_t* greeting, uint32_t greetingLength,
                            uint32_t firstDataMs) {
    int socket = CreateSocket();
    if (socket < 0) return false;
    return Create(socket, notifyWindow, notifyThread, waitFirstData, greeting, greetingLength,
                  firstDataMs, host, port, connectSeconds, false);
}

bool CTransportSocket::Attach(int socket, platform::HWND notifyWindow, platform::DWORD notifyThread,
                              bool waitFirstData, const uint8_t* greeting, uint32_t greetingLength,
                              uint32_t firstDataMs, const char* host, int port,
                              int connectSeconds) {
    if (socket < 0) return false;
    return Create(socket, notifyWindow, notifyThread, waitFirstData, greeting, greetingLength,
                  firstDataMs, host, port, connectSeconds, true);
}

bool CTransportSocket::Create(int socket, platform::HWND notifyWindow, platform::DWORD notifyThread,
                              bool waitFirstData, const uint8_t* greeting, uint32_t greetingLength,
                              uint32_t firstDataMs, const char* host, int port, int connectSeconds,
                              bool alreadyConnected) {
    std::lock_guard lifecycle(lifecycleLock_);
    if (socket_ != -1 || worker_) CloseLocked();
    // A window and a thread both named: the window gets the notices, since
    // each record can have one owner only.
    notifyWindow_ = notifyWindow;
    notifyThread_ = notifyWindow ? 0 : notifyThread;
    waitFirstData_ = waitFirstData;
    stopEvent_.Reset();
    writeReadyEvent_.Reset();
    threadReadyEvent_.Reset();
    queueReadyEvent_.Reset();
    peerClosed_ = readError_ = lagging_ = false;
    readErrno_ = 0;
    poisoned_ = false;
    ended_ = false;
    endedEvent_.Reset();
    unread_ = std::make_shared<UnreadNotices>();
    fcntl(socket, F_SETFL, fcntl(socket, F_GETFL) | O_NONBLOCK);
    int one = 1;  // a message leaves as several writes; none should wait for an ACK
    setsockopt(socket, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    socket_ = socket;
    SetSerial(NextConnectionSerial());

    auto fail = [&](const char* step) {
        LogPrintf("transport: %s failed", step);
        CloseLocked();
        return false;
    };
    if (!Connect(host, port, connectSeconds, alreadyConnected)) return fail("connect");
    if (!AddEntry(host, port)) return fail("connection entry");
    if (!waitFirstData && !SendLengthPrefixed(greeting, greetingLength, host, port))
        return fail("greeting");
    if (!CreateWakeChannel()) return fail("wake channel");
    workerQuit_ = false;
    worker_ = std::make_unique<platform::Thread>();
    if (!worker_->Start([this] { Run(); })) return fail("worker thread");
    if (!WaitThreadReady(worker_->Id())) return fail("worker start");
    if (waitFirstData) return WaitFirstData(firstDataMs, host, port);
    return true;
}

void CTransportSocket::Close() {
    stopEvent_.Set();  // ends the waits of a Create under way before taking its lock
    std::lock_guard lifecycle(lifecycleLock_);
    CloseLocked();
}

void CTransportSocket::CloseLocked() {
    stopEvent_.Set();
    if (worker_) {
        // The flag covers a worker whose queue does not exist yet, where the
        // quit message cannot be posted.
        workerQuit_ = true;
        platform::PostThreadMessage(worker_->Id(), platform::WM_QUIT);
        KickWorker();
        // The worker only ever waits in poll, which the kick ends: joining is
        // prompt, and nothing it uses is closed under it.
        worker_->Join();
        worker_.reset();
    }
    {
        std::lock_guard send(sendLock_);
        int socket = socket_.exchange(-1);
        if (socket != -1) close(socket);
        if (wakeFd_ != -1) close(wakeFd_);
        wakeFd_ = -1;
    }
    SetSerial(0);
    bytesReceived_ = 0;
    readEvents_ = 0;
    CancelAll();
    // Requests under way wake on the stop event; let them leave their entries.
    auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    while (requestsInFlight_.load() > 0 && std::chrono::steady_clock::now() < giveUp)
        std::this_thread::yield();
    RemoveAllEntries();
}

bool CTransportSocket::SendRequest(const TransportInfo& info, const TransportNotice& notice,
                                   TransportNotice* replyOut, int* timedOutOut,
                                   uint32_t milliseconds, uint32_t cipherOverride,
                                   uint32_t compressionOverride, int crcFlag, const char* host,
                                   int port) {
    InFlight inFlight(requestsInFlight_);
    // The wait is measured from the call, so it never outlasts `milliseconds`.
    const int64_t deadline = platform::DeadlineAfterMillis(milliseconds);
    if (timedOutOut) *timedOutOut = 0;
    EntryPtr entry = FindEntry(host, port, nullptr);
    if (!entry) entry = FirstEntry(nullptr);
    if (!entry || entry->cancelCount.load() > 0) return false;

    CByteBuffer body;
    uint8_t head[TransportNotice::kHeadSize + 4];
    for (int i = 0; i < 6; ++i)
        platform::StoreLE32(head + 4 * i, notice.head[i]);
    uint32_t length = notice.data ? notice.length : 0;
    platform::StoreLE32(head + 24, length);
    body.Append(head, sizeof head);
    if (length) body.Append(notice.data.get(), length);
    {
        std::lock_guard params(paramsLock_);
        CMessageTransform transform(key_, keyBits_, cipherOverride ? cipherOverride : cipherFlags_,
                                    compressionOverride ? compressionOverride : compressionFlags_);
        if (!transform.Apply(body, kTransformOut)) return false;
    }
    // The receiver's limit, so nothing leaves that the peer must refuse.
    if (body.Size() > kMaxMessageSize) {
        LogPrintf("message of %u bytes too large to send", body.Size());
        return false;
    }
    CByteBuffer chunks;
    SplitChunks(body, chunks, maxPieceSize_);
    entry->replyEvent.Reset();
    uint32_t number = 0;
    if (!SendParts(chunks, info.wantsReply, crcFlag, host, port, &number)) return false;
    if (!info.wantsReply) return true;

    for (;;) {
        platform::Waitable* objects[] = {&stopEvent_, &entry->replyEvent, &endedEvent_};
        const platform::DWORD woke =
            platform::WaitForMultipleObjectsUntil(objects, false, deadline);
        if (woke != platform::WAIT_OBJECT_0 + 1 && woke != platform::WAIT_OBJECT_0 + 2) break;
        std::lock_guard reply(entry->replyLock);
        if (entry->storedReplyNumber == number) {  // also a reply that came with the end
            if (replyOut) CopyNotice(*replyOut, entry->storedReply);
            FreeNotice(&entry->storedReply);
            entry->storedReplyNumber = 0;
            return true;
        }
        if (woke == platform::WAIT_OBJECT_0 + 2) break;  // no reply will come now
        entry->replyEvent.Reset();                       // not ours: keep waiting
    }
    if (timedOutOut) *timedOutOut = 1;
    return false;
}

int CTransportSocket::GetSocket() const {
    return socket_.load();
}
int32_t CTransportSocket::GetSerial() const {
    return serial_.load();
}
void CTransportSocket::SetSerial(int32_t value) {
    serial_.store(value);
}
bool CTransportSocket::IsAlive() const {
    return !ended_.load() && IsSocketConnected(socket_.load());
}

bool CTransportSocket::SetTransformParams(const uint8_t* key, int keyBits, uint32_t cipherFlags,
                                          uint32_t compressionFlags) {
    std::lock_guard params(paramsLock_);
    key_ = key;
    keyBits_ = keyBits;
    cipherFlags_ = cipherFlags;
    compressionFlags_ = compressionFlags;
    return true;
}

void CTransportSocket::CancelAll() {
    std::lock_guard lock(entryLock_);
    for (auto& [key, entry] : entries_)
        ++entry->cancelCount;
}

void CTransportSocket::RemoveAllEntries() {
    std::lock_guard lock(entryLock_);
    entries_.clear();  // a waiter still holding an entry keeps it alive
}

bool CTransportSocket::AddEntry(const char* host, int port) {
    SetEntry(host, port, std::make_shared<ConnectionEntry>());
    return true;
}

EntryPtr CTransportSocket::FindEntry(const char* host, int port, std::string* keyOut) {
    std::string key = MakeEntryKey(host, port);
    std::lock_guard lock(entryLock_);
    auto it = entries_.find(key);
    if (it == entries_.end()) return nullptr;
    if (keyOut) *keyOut = key;
    return it->second;
}

EntryPtr CTransportSocket::FirstEntry(std::string* keyOut) {
    std::lock_guard lock(entryLock_);
    if (entries_.empty()) return nullptr;
    if (keyOut) *keyOut = entries_.begin()->first;
    return entries_.begin()->second;
}

void CTransportSocket::SetEntry(const char* host, int port, EntryPtr entry) {
    std::lock_guard lock(entryLock_);
    entries_[MakeEntryKey(host, port)] = std::move(entry);
}

int CTransportSocket::CreateSocket() {
    return socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, IPPROTO_TCP);
}

bool CTransportSocket::Connect(const char* host, int port, int seconds, bool alreadyConnected) {
    if (alreadyConnected) return true;
    sockaddr_in address;
    if (!ResolveAddress(host, port, &address)) return false;
    int socket = socket_.load();
    if (connect(socket, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) return true;
    if (errno != EINPROGRESS) return false;
    // A connect that is merely writable may still have failed: only a
    // completed connection without a socket error counts.
    pollfd fd{socket, POLLOUT, 0};
    if (poll(&fd, 1, seconds * 1000) <= 0) return false;
    int error = 0;
    socklen_t len = sizeof error;
    return getsockopt(socket, SOL_SOCKET, SO_ERROR, &error, &len) == 0 && error == 0;
}

bool CTransportSocket::Bind(const char* host, int port) {
    sockaddr_in address;
    if (!ResolveAddress(host, port, &address)) return false;
    return bind(socket_.load(), reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
}

bool CTransportSocket::CreateWakeChannel() {
    std::lock_guard send(sendLock_);
    wakeFd_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    return wakeFd_ != -1;
}

void CTransportSocket::KickWorker() {
    if (wakeFd_ == -1) return;
    uint64_t one = 1;
    [[maybe_unused]] ssize_t n = write(wakeFd_, &one, sizeof one);
}

bool CTransportSocket::WaitThreadReady(platform::DWORD threadId) {
    // The worker makes its queue first thing; it either does so or ends.
    platform::Waitable* untilQueue[] = {&stopEvent_, worker_.get(), &queueReadyEvent_};
    if (platform::WaitForMultipleObjects(untilQueue, false, platform::INFINITE) !=
        platform::WAIT_OBJECT_0 + 2)
        return false;
    if (!platform::PostThreadMessage(threadId, kReadyProbeMessage)) return false;
    {
        std::lock_guard send(sendLock_);
        KickWorker();
    }
    platform::Waitable* untilReady[] = {&stopEvent_, worker_.get(), &threadReadyEvent_};
    return platform::WaitForMultipleObjects(untilReady, false, platform::INFINITE) ==
           platform::WAIT_OBJECT_0 + 2;
}

void CTransportSocket::Run() {
    platform::Message msg;
    platform::PeekMessage(msg, {}, 0, 0, platform::PM_NOREMOVE);  // makes the queue
    queueReadyEvent_.Set();
    const int socket = socket_.load();
    const int wake = wakeFd_;
    bool socketDone = false;
    for (;;) {
        pollfd fds[2] = {{wake, POLLIN, 0}, {socketDone ? -1 : socket, POLLIN, 0}};
        if (wantWrite_.load()) fds[1].events |= POLLOUT;
        if (poll(fds, 2, -1) < 0 && errno != EINTR) {
            if (!socketDone) {
                LogPrintf("transport: poll failed: %s", strerror(errno));
                MarkEnded();
                NotifyError();
            }
            return;
        }
        if (fds[0].revents) {
            uint64_t count;
            [[maybe_unused]] ssize_t n = read(wake, &count, sizeof count);
            if (workerQuit_) return;
            while (platform::PeekMessage(msg, {}, 0, 0, platform::PM_REMOVE)) {
                if (msg.message == platform::WM_QUIT) return;
                if (msg.message == kReadyProbeMessage)
                    threadReadyEvent_.Set();
                else
                    platform::DispatchMessage(msg);
            }
        }
        if (socketDone || !fds[1].revents) continue;
        if (fds[1].revents & POLLOUT) {
            wantWrite_ = false;
            OnWritable();
        }
        if (fds[1].revents & (POLLIN | POLLHUP | POLLERR)) {
            bool good = OnReadData();
            const bool error = !good || readError_ || lagging_ || (peerClosed_ && poisoned_);
            if (error || peerClosed_) {
                // Causes the lines before this one have not named yet.
                if (readError_)
                    LogPrintf("transport: receive failed: %s", strerror(readErrno_));
                else if (peerClosed_ && !error)
                    LogPrintf("transport: connection closed by the peer");
                socketDone = true;
                MarkEnded();
                OnWritable();  // a stalled sender tries again and fails
                if (error)
                    NotifyError();
                else
                    NotifyClosed();
            }
        }
    }
}

bool CTransportSocket::ProcessReceived(ConnectionEntry& entry) {
    CByteBuffer& buffer = entry.receiveBuffer;
    // Packets are handled where they lie; what they used is consumed once at
    // the end, so the rest moves down once per read, not once per packet.
    uint32_t at = 0;
    bool good = true;
    while (buffer.Size() - at >= 4) {
        int32_t length = int32_t(platform::LoadLE32(buffer.Data(at)));
        // Judged before the rest of the packet is awaited, so a false length
        // can never make the buffer grow.
        if (!IsPacketLengthValid(length, maxPieceSize_)) {
            LogPrintf("packet length error! len = %ld", long(length));
            buffer.Clear();
            return false;
        }
        if (buffer.Size() - at < uint32_t(length) + 4) break;
        good = ValidatePacket(buffer.Data(at + 4), length, entry) &&
               HandlePacket(buffer.Data(at + 4), length, entry) && !lagging_;
        at += uint32_t(length) + 4;
        if (!good) break;
    }
    buffer.Consume(at);
    return good;
}

bool CTransportSocket::ValidatePacket(uint8_t* p, int32_t length, ConnectionEntry&) {
    if (!IsPacketLengthValid(length, maxPieceSize_)) return false;
    if (platform::LoadLE32(p + kPacketHeaderSize) != uint32_t(length) - 56) {
        LogPrintf("packet length error! len = %ld", long(length));
        return false;
    }
    if (platform::LoadLE32(p + 8) == 0) return true;
    uint32_t saved = platform::LoadLE32(p + 12);
    std::memset(p + 8, 0, 8);
    CCrc32 crc;
    if (crc.Compute(p - 4, uint32_t(length) + 4) == saved) return true;
    LogPrintf("packet checksum error");
    return false;
}

bool CTransportSocket::HandlePacket(const uint8_t* p, int32_t, ConnectionEntry& entry) {
    PacketHeader header = PacketHeader::Decode(p);
    if (header.kind != kPacketKindRequest && header.kind != kPacketKindReply) {
        LogPrintf("packet of unknown kind %u", header.kind);
        return false;
    }
    if (int32_t(header.messageNumber) < 1 || int32_t(header.part) < 1) {
        LogPrintf("packet numbered message %d part %d", int32_t(header.messageNumber),
                  int32_t(header.part));
        return false;
    }

    if (header.kind == kPacketKindRequest) {
        // A part out of sequence costs its message only: a stray part is
        // ignored, a half-built message abandoned, and reading goes on. A
        // first part still starts its message, which is whole so far.
        bool next = entry.assembling == 0 ? header.part == 1
                                          : header.messageNumber == entry.assembling &&
                                                header.part == entry.lastPart + 1;
        if (!next) {
            AbandonRequest(entry, header);
            if (header.part != 1) return true;
        }
        entry.assembling = header.messageNumber;
        entry.lastPart = header.part;
        if (!AppendPart(entry.requestBuffer, p, header)) {
            entry.assembling = entry.lastPart = 0;
            entry.requestBuffer.Clear();
            return false;
        }
        if (header.lastPart) {
            CByteBuffer message(std::move(entry.requestBuffer));
            entry.requestBuffer = CByteBuffer();
            entry.assembling = entry.lastPart = 0;
            entry.sequenceNoted = false;
            OnRequest(message.Data(), message.Size());
        }
        return true;
    }

    CByteBuffer finished;
    {
        std::lock_guard reply(entry.replyLock);
        if (entry.expectedReply == 0) {
            LogPrintf("reply %u part %u to no request", header.messageNumber, header.part);
            return false;
        }
        if (header.messageNumber < entry.expectedReply) return true;  // late: ignored
        if (header.messageNumber > entry.expectedReply || header.part > entry.replyParts + 1) {
            LogPrintf("reply %u part %u not awaited (awaiting reply %u part %u)",
                      header.messageNumber, header.part, entry.expectedReply, entry.replyParts + 1);
            entry.expectedReply = entry.replyParts = 0;
            entry.replyBuffer.Clear();
            return false;
        }
        if (header.part <= entry.replyParts) return true;  // a repeat
        if (!AppendPart(entry.replyBuffer, p, header)) {
            entry.expectedReply = entry.replyParts = 0;
            entry.replyBuffer.Clear();
            return false;
        }
        ++entry.replyParts;
        if (!header.lastPart) return true;
        // Decoded outside the lock from a copy of our own, so the requester
        // may re-arm meanwhile without touching what is being read.
        finished = std::move(entry.replyBuffer);
        entry.replyBuffer = CByteBuffer();
    }
    OnReply(finished.Data(), finished.Size(), entry);
    return true;
}

void CTransportSocket::AbandonRequest(ConnectionEntry& entry, const PacketHeader& header) {
    // One line per run of bad parts, so a hostile stream cannot flood the log.
    if (!entry.sequenceNoted)
        LogPrintf("packet out of sequence: message %u part %u, expected message %u part %u",
                  header.messageNumber, header.part, entry.assembling,
                  entry.assembling ? entry.lastPart + 1 : 1);
    entry.sequenceNoted = true;
    entry.assembling = entry.lastPart = 0;
    entry.requestBuffer.Clear();
}

bool CTransportSocket::AppendPart(CByteBuffer& buffer, const uint8_t* p,
                                  const PacketHeader& header) {
    if (header.part == 1) {
        buffer.Clear();
        TransportInfo info;
        info.socket = uint32_t(socket_.load());
        info.messageNumber = header.messageNumber;
        info.wantsReply = header.wantsReply;
        info.serial = uint32_t(GetSerial());
        uint8_t bytes[TransportInfo::kSize];
        info.Encode(bytes);
        buffer.Append(bytes, sizeof bytes);
    }
    // The parts so far are whole and in order, so the buffer holds the info
    // record, part - 1 length words and the data bytes.
    uint32_t n = platform::LoadLE32(p + kPacketHeaderSize);
    uint64_t data = buffer.Size() - TransportInfo::kSize - 4ull * (header.part - 1);
    if (data + n > kMaxMessageSize) {
        LogPrintf("message too large, dropped at %llu bytes", (unsigned long long)data);
        return false;
    }
    // Grown by doubling: a message in many small parts stays linear.
    if (buffer.Size() + 4 + n > buffer.Capacity())
        buffer.Reserve(std::max(buffer.Size() + 4 + n, 2 * buffer.Capacity()));
    buffer.Append(p + kPacketHeaderSize, 4 + n);
    return true;
}

bool DecodeMessage(const uint8_t* message, uint32_t size, TransportInfo* infoOut,
                   TransportNotice* noticeOut, const uint8_t* key, int keyBits,
                   uint32_t cipherFlags, uint32_t compressionFlags, uint32_t maxPieceSize) {
    if (!message || size < TransportInfo::kSize) return false;
    TransportInfo info = TransportInfo::Decode(message);
    CByteBuffer chunks, joined;
    chunks.Append(message + TransportInfo::kSize, size - TransportInfo::kSize);
    if (ReadChunks(chunks, joined, maxPieceSize) == 0) return false;
    CMessageTransform transform(key, keyBits, cipherFlags, compressionFlags);
    if (!transform.Apply(joined, kTransformIn)) {
        LogPrintf("message envelope error");
        return false;
    }
    if (joined.Size() < TransportNotice::kHeadSize + 4) return false;
    uint32_t length = platform::LoadLE32(joined.Data(TransportNotice::kHeadSize));
    if (length != joined.Size() - TransportNotice::kHeadSize - 4) {
        LogPrintf("message length %u disagrees with its %u bytes", length,
                  joined.Size() - TransportNotice::kHeadSize - 4);
        return false;
    }
    TransportNotice notice;
    for (int i = 0; i < 6; ++i)
        notice.head[i] = platform::LoadLE32(joined.Data(4 * i));
    notice.length = length;
    if (length) {
        notice.data = std::make_unique<uint8_t[]>(length);
        std::memcpy(notice.data.get(), joined.Data(TransportNotice::kHeadSize + 4), length);
    }
    *infoOut = info;
    *noticeOut = std::move(notice);
    return true;
}

bool CTransportSocket::OnRequest(const uint8_t* message, uint32_t size) {
    auto records = std::make_unique<TransportNoticeRecords>();
    {
        std::lock_guard params(paramsLock_);
        if (!DecodeMessage(message, size, &records->info, &records->notice, key_, keyBits_,
                           cipherFlags_, compressionFlags_, maxPieceSize_))
            return false;
    }
    // Decided: a target that lags past the bound is a broken connection.
    // Dropping game notices quietly would leave the table wrong with no sign
    // of it; ending the connection tells the user and keeps memory bounded.
    records->ticket = NoticeTicket::Take(unread_, sizeof *records + records->notice.length);
    if (!records->ticket) {
        if (!lagging_)
            LogPrintf("notify target lags %u notices behind; connection ended",
                      unread_->records.load());
        lagging_ = true;
        return false;  // the records are freed here
    }
    PostNotice(std::move(records));
    return true;
}

bool CTransportSocket::OnReply(const uint8_t* message, uint32_t size, ConnectionEntry& entry) {
    TransportInfo info;
    TransportNotice notice;
    {
        std::lock_guard params(paramsLock_);
        if (!DecodeMessage(message, size, &info, &notice, key_, keyBits_, cipherFlags_,
                           compressionFlags_, maxPieceSize_))
            return false;
    }
    {
        std::lock_guard reply(entry.replyLock);
        // Stored only while its request still waits for exactly this number;
        // a re-armed entry belongs to the next request.
        if (entry.expectedReply != info.messageNumber) return true;
        entry.storedReply = std::move(notice);
        entry.storedReplyNumber = info.messageNumber;
        entry.expectedReply = entry.replyParts = 0;
    }
    entry.replyEvent.Set();
    return true;
}

void CTransportSocket::PostNotice(std::unique_ptr<TransportNoticeRecords> records) {
    auto payload = platform::Payload::From(std::move(records));
    if (notifyWindow_)
        platform::PostMessage(notifyWindow_, kNoticeMessage, 0, 0, std::move(payload));
    else if (notifyThread_)
        platform::PostThreadMessage(notifyThread_, kNoticeMessage, 0, 0, std::move(payload));
    // A failed post, or no target: the payload frees both records here.
}

void CTransportSocket::MarkEnded() {
    ended_ = true;
    endedEvent_.Set();
}

void CTransportSocket::PostLocalNotice(uint32_t code) {
    if (!notifyWindow_ && !notifyThread_) return;
    auto records = std::make_unique<TransportNoticeRecords>();
    records->info.socket = uint32_t(socket_.load());
    records->info.serial = uint32_t(GetSerial());
    records->notice.head[1] = code;
    PostNotice(std::move(records));
}

void CTransportSocket::NotifyError() {
    PostLocalNotice(kNoticeError);
}
void CTransportSocket::NotifyClosed() {
    PostLocalNotice(kNoticeClosed);
}

bool CTransportSocket::OnReadData() {
    bool first = ++readEvents_ == 1;
    EntryMap entryMap;
    ReceiveAll(entryMap);
    for (auto& [key, entry] : entryMap) {
        if (first && SignalIfWaiting(*entry)) {
            entry->receiveBuffer.Clear();  // the peer's greeting
            continue;
        }
        if (!ProcessReceived(*entry)) return false;
    }
    return true;
}

bool CTransportSocket::OnWritable() {
    writeReadyEvent_.Set();
    return true;
}

uint32_t CTransportSocket::ReceiveAll(EntryMap& entryMap) {
    const int socket = socket_.load();
    uint32_t total = 0;
    std::vector<uint8_t> block(ReadBlockSize());
    for (int i = 0; i < kBlocksPerReadEvent; ++i) {
        long n = RecvRaw(socket, block.data(), uint32_t(block.size()));
        if (n == 0) {
            peerClosed_ = true;
            break;
        }
        if (n < 0) {
            if (errno == EINTR) continue;
            if (errno != EAGAIN && errno != EWOULDBLOCK) {
                readError_ = true;
                readErrno_ = errno;
            }
            break;
        }
        total += uint32_t(n);
        bytesReceived_ += uint32_t(n);
        std::string key;
        EntryPtr entry = FirstEntry(&key);
        if (!entry) continue;
        if (!FilterReceived(*entry, block.data(), uint32_t(n)))
            entry->receiveBuffer.Append(block.data(), uint32_t(n));
        entryMap[key] = entry;
    }
    return total;
}

bool CTransportSocket::FilterReceived(ConnectionEntry&, const uint8_t*, uint32_t) {
    return false;
}

bool CTransportSocket::SendParts(CByteBuffer& chunks, uint32_t wantsReply, int crcFlag,
                                 const char* host, int port, uint32_t* messageNumberOut) {
    EntryPtr entry = FindEntry(host, port, nullptr);
    if (!entry) entry = FirstEntry(nullptr);
    if (!entry || entry->cancelCount.load() > 0) return false;
    int socket = socket_.load();
    if (socket == -1 || socket == 0 || !IsAlive()) return false;

    // One message at a time, so the parts of two never interleave.
    std::lock_guard message(messageLock_);
    PacketHeader header;
    header.kind = kPacketKindRequest;
    header.wantsReply = wantsReply;
    header.messageNumber = ++entry->messageCounter;
    if (messageNumberOut) *messageNumberOut = header.messageNumber;
    if (wantsReply) ResetReplyState(header.messageNumber, *entry);
    uint32_t at = 0;
    const uint32_t size = chunks.Size();
    while (size - at > 4) {
        uint32_t n = platform::LoadLE32(chunks.Data(at));
        if (n > size - at - 4) return false;
        header.serial = ++entry->packetCounter;
        header.part += 1;
        header.lastPart = size - (at + 4 + n) < 5 ? 1 : 0;
        if (!SendPacket(chunks.Data(at + 4), n, header, crcFlag, host, port)) {
            if (header.part > 1) {  // the peer holds the first parts and would wait forever
                std::lock_guard send(sendLock_);
                Poison(socket_.load(), "message cut after a part");
            }
            return false;
        }
        at += 4 + n;
    }
    return true;
}

bool CTransportSocket::SendPacket(const uint8_t* data, uint32_t n, PacketHeader& header,
                                  int crcFlag, const char* host, int port) {
    int socket = socket_.load();
    if (socket == -1 || socket == 0 || !IsAlive()) return false;
    CByteBuffer packet;
    packet.Reserve(kPacketOverhead + n);
    uint8_t head[kPacketOverhead];
    platform::StoreLE32(head, n + 56);
    header.crcFlag = header.crc = 0;
    header.Encode(head + 4);
    platform::StoreLE32(head + 56, n);
    packet.Append(head, sizeof head);
    if (n) packet.Append(data, n);
    if (crcFlag == 1 || crcOption_) {
        CCrc32 crc;
        header.crc = crc.Compute(packet.Data(), packet.Size());
        header.crcFlag = 1;
        platform::StoreLE32(packet.Data(12), header.crcFlag);
        platform::StoreLE32(packet.Data(16), header.crc);
    }
    return SendAll(packet, host, port) == n + kPacketOverhead;
}

bool CTransportSocket::SendLengthPrefixed(const uint8_t* bytes, uint32_t length, const char* host,
                                          int port) {
    int socket = socket_.load();
    if (socket == -1 || socket == 0 || !IsAlive()) return false;
    CByteBuffer buffer;
    uint8_t word[4];
    platform::StoreLE32(word, length);
    buffer.Append(word, 4);
    if (length) buffer.Append(bytes, length);
    return SendAll(buffer, host, port) == length + 4;
}

long CTransportSocket::RecvRaw(int socket, uint8_t* buffer, uint32_t size) {
    return long(recv(socket, buffer, size, 0));
}

long CTransportSocket::SendRaw(int socket, const uint8_t* buffer, uint32_t size) {
    return long(send(socket, buffer, size, MSG_NOSIGNAL));
}

uint32_t CTransportSocket::SendAll(CByteBuffer& buffer, const char*, int) {
    std::lock_guard send(sendLock_);
    const int socket = socket_.load();
    uint32_t total = 0;
    while (buffer.Size() > 0 && socket != -1) {
        long n = SendRaw(socket, buffer.Data(), buffer.Size());
        if (n >= 0) {
            total += uint32_t(n);
            buffer.Consume(uint32_t(n));
            continue;
        }
        if (errno == EINTR) continue;
        if (errno != EAGAIN && errno != EWOULDBLOCK) break;
        writeReadyEvent_.Reset();
        wantWrite_ = true;
        KickWorker();
        platform::Waitable* objects[] = {&stopEvent_, &writeReadyEvent_};
        if (platform::WaitForMultipleObjects(objects, false, kSendStallMs) !=
            platform::WAIT_OBJECT_0 + 1)
            break;
    }
    // Part of a packet is on the stream and the rest never will be.
    if (total > 0 && buffer.Size() > 0) Poison(socket, "packet cut");
    return total;
}

void CTransportSocket::Poison(int socket, const char* why) {
    // The peer could only misread what follows, so the connection ends here;
    // the worker reports it as an error.
    if (socket == -1 || poisoned_.exchange(true)) return;
    LogPrintf("transport: send stalled, %s; connection shut down", why);
    shutdown(socket, SHUT_RDWR);
}

void CTransportSocket::ResetReplyState(uint32_t number, ConnectionEntry& entry) {
    std::lock_guard reply(entry.replyLock);
    entry.replyBuffer.Clear();
    entry.expectedReply = number;
    entry.replyParts = 0;
    if (number != 0) {  // arming for a new request: an older stored reply is not its answer
        FreeNotice(&entry.storedReply);
        entry.storedReplyNumber = 0;
    }
}

void CTransportSocket::GetReplyState(uint32_t* numberOut, uint32_t* partsOut,
                                     ConnectionEntry& entry) {
    std::lock_guard reply(entry.replyLock);
    if (numberOut) *numberOut = entry.expectedReply;
    if (partsOut) *partsOut = entry.replyParts;
}

bool CTransportSocket::WaitFirstData(uint32_t milliseconds, const char* host, int port) {
    EntryPtr entry = FindEntry(host, port, nullptr);
    if (!entry) entry = FirstEntry(nullptr);
    if (!entry) return false;
    // The first data counts even when the peer closed right after it.
    platform::Waitable* objects[] = {&stopEvent_, &entry->replyEvent, &endedEvent_};
    if (platform::WaitForMultipleObjects(objects, false, milliseconds) !=
        platform::WAIT_OBJECT_0 + 1)
        return false;
    entry->replyEvent.Reset();
    return true;
}

bool CTransportSocket::SignalIfWaiting(ConnectionEntry& entry) {
    if (!waitFirstData_) return false;
    entry.replyEvent.Set();
    return true;
}

int CTransportSocket::SplitChunks(CByteBuffer& source, CByteBuffer& chunks, uint32_t pieceSize) {
    return transport::SplitChunks(source, chunks, pieceSize);
}

int CTransportSocket::ReadChunks(CByteBuffer& source, CByteBuffer& target, uint32_t pieceSize) {
    return transport::ReadChunks(source, target, pieceSize);
}

}  // namespace transport
