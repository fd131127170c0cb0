#pragma once
// CTransportSocket: the TCP message transport of the game server connection.
// One object owns one connected socket, a table of connection entries keyed
// "host:port", and one worker thread that waits on the socket with poll,
// receives and reassembles packets, hands finished incoming messages to the
// notify target (message 2025 with TransportNoticeRecords) and wakes the
// thread that waits for a reply.
//
// Threads: the owner opens, sends and waits; any thread may Close; the
// worker receives. Entries are shared, so a Close during a wait never frees
// what the waiter still touches.
//
// Once the worker stops reading (the peer closed or reset the connection, a
// bad packet, a notify target that stopped taking notices) the connection
// has ended: IsAlive() says false and every send and wait fails at once,
// before the notice of the end goes out.

#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "platform/message.h"
#include "platform/sync.h"
#include "platform/thread.h"
#include "transport/byte_buffer.h"
#include "transport/notice.h"
#include "transport/packet.h"

namespace transport {

// Thread message that tells the worker its queue exists.
inline constexpr uint32_t kReadyProbeMessage = 11026;

struct ConnectionEntry {
    std::atomic<int32_t> cancelCount{0};
    // Signals a delivered reply, or the peer's first data in wait-first-data mode.
    platform::Event replyEvent{true, false};
    CByteBuffer receiveBuffer;
    // Request reassembly: worker thread only.
    CByteBuffer requestBuffer;
    uint32_t assembling = 0;
    uint32_t lastPart = 0;
    // A broken part sequence was logged; quiet until a message gets through.
    bool sequenceNoted = false;
    // Reply state, guarded by replyLock: the expected reply and its parts,
    // and the delivered reply with the number it answered.
    std::mutex replyLock;
    CByteBuffer replyBuffer;
    uint32_t expectedReply = 0;
    uint32_t replyParts = 0;
    TransportNotice storedReply;
    uint32_t storedReplyNumber = 0;
    std::atomic<uint32_t> messageCounter{0};
    std::atomic<uint32_t> packetCounter{0};
};
using EntryPtr = std::shared_ptr<ConnectionEntry>;
using EntryMap = std::map<std::string, EntryPtr>;

class CTransportSocket {
  public:
    CTransportSocket(const uint8_t* key, int keyBits, uint32_t cipherFlags,
                     uint32_t compressionFlags, uint32_t crcOption, uint32_t maxPieceSize);
    virtual ~CTransportSocket();
    CTransportSocket(const CTransportSocket&) = delete;
    CTransportSocket& operator=(const CTransportSocket&) = delete;

    virtual bool Open(const char* host, int port, int connectSeconds, platform::HWND notifyWindow,
                      platform::DWORD notifyThread, bool waitFirstData, const uint8_t* greeting,
                      uint32_t greetingLength, uint32_t firstDataMs);
    virtual void Close();
    // Takes over a socket that is already connected (a proxy tunnel): from
    // here on this object owns and closes it, so the giver must forget it.
    virtual bool Attach(int socket, platform::HWND notifyWindow, platform::DWORD notifyThread,
                        bool waitFirstData, const uint8_t* greeting, uint32_t greetingLength,
                        uint32_t firstDataMs, const char* host, int port, int connectSeconds);
    // Sends `notice` (head, length, data) as one message; with info.wantsReply
    // waits up to `milliseconds` (process clock) for the reply and deep-copies
    // it into *replyOut. *timedOutOut is 1 when the wait ended without a reply.
    virtual bool SendRequest(const TransportInfo& info, const TransportNotice& notice,
                             TransportNotice* replyOut, int* timedOutOut, uint32_t milliseconds,
                             uint32_t cipherOverride, uint32_t compressionOverride, int crcFlag,
                             const char* host, int port);
    virtual int GetSocket() const;
    virtual int32_t GetSerial() const;
    virtual void SetSerial(int32_t value);
    virtual bool IsAlive() const;
    // The connection ended without a Close here (the peer, a bad packet, a
    // lagging notify target): the notice of its end is on its way.
    bool IsBroken() const { return GetSerial() != 0 && !IsAlive(); }
    virtual bool SetTransformParams(const uint8_t* key, int keyBits, uint32_t cipherFlags,
                                    uint32_t compressionFlags);
    virtual bool Create(int socket, platform::HWND notifyWindow, platform::DWORD notifyThread,
                        bool waitFirstData, const uint8_t* greeting, uint32_t greetingLength,
                        uint32_t firstDataMs, const char* host, int port, int connectSeconds,
                        bool alreadyConnected);
    virtual void CancelAll();
    virtual void RemoveAllEntries();
    virtual bool AddEntry(const char* host, int port);
    virtual EntryPtr FindEntry(const char* host, int port, std::string* keyOut);
    virtual EntryPtr FirstEntry(std::string* keyOut);
    virtual void SetEntry(const char* host, int port, EntryPtr entry);
    virtual int CreateSocket();
    // Non-blocking connect that must complete (without a socket error)
    // within `seconds`.
    virtual bool Connect(const char* host, int port, int seconds, bool alreadyConnected);
    virtual bool Bind(const char* host, int port);
    // The worker's wake-up channel, in place of a window receiving socket
    // events: posts to the worker are followed by a kick on it.
    virtual bool CreateWakeChannel();
    virtual bool WaitThreadReady(platform::DWORD threadId);
    virtual void Run();
    // `p` addresses the byte after the length word L.
    virtual bool ValidatePacket(uint8_t* p, int32_t length, ConnectionEntry& entry);
    virtual bool HandlePacket(const uint8_t* p, int32_t length, ConnectionEntry& entry);
    virtual bool OnRequest(const uint8_t* message, uint32_t size);
    virtual bool OnReply(const uint8_t* message, uint32_t size, ConnectionEntry& entry);
    virtual void NotifyError();
    virtual void NotifyClosed();
    virtual bool OnReadData();
    virtual bool OnWritable();
    virtual bool SendParts(CByteBuffer& chunks, uint32_t wantsReply, int crcFlag, const char* host,
                           int port, uint32_t* messageNumberOut);
    virtual bool SendPacket(const uint8_t* data, uint32_t n, PacketHeader& header, int crcFlag,
                            const char* host, int port);
    virtual bool SendLengthPrefixed(const uint8_t* bytes, uint32_t length, const char* host,
                                    int port);
    virtual long RecvRaw(int socket, uint8_t* buffer, uint32_t size);
    virtual long SendRaw(int socket, const uint8_t* buffer, uint32_t size);
    // Reads what the socket holds, at most a bounded amount per call, into
    // the receive buffers; fills `entryMap` with the entries that got data.
    virtual uint32_t ReceiveAll(EntryMap& entryMap);
    virtual uint32_t SendAll(CByteBuffer& buffer, const char* host, int port);
    virtual uint32_t ReadBlockSize() const { return 4096; }
    virtual bool FilterReceived(ConnectionEntry& entry, const uint8_t* bytes, uint32_t n);
    virtual void ResetReplyState(uint32_t number, ConnectionEntry& entry);
    virtual void GetReplyState(uint32_t* numberOut, uint32_t* partsOut, ConnectionEntry& entry);
    virtual bool AppendPart(CByteBuffer& buffer, const uint8_t* p, const PacketHeader& header);
    virtual bool WaitFirstData(uint32_t milliseconds, const char* host, int port);
    virtual bool SignalIfWaiting(ConnectionEntry& entry);
    virtual int SplitChunks(CByteBuffer& source, CByteBuffer& chunks, uint32_t pieceSize);
    virtual int ReadChunks(CByteBuffer& source, CByteBuffer& target, uint32_t pieceSize);

    // Cuts the entry's receive buffer into packets and handles them; false
    // on a bad packet. The receive path of the worker, without a socket.
    bool ProcessReceived(ConnectionEntry& entry);

    uint32_t BytesReceived() const { return bytesReceived_.load(); }
    uint32_t ReadEvents() const { return readEvents_.load(); }

  private:
    void PostNotice(std::unique_ptr<TransportNoticeRecords> records);
    void MarkEnded();
    void AbandonRequest(ConnectionEntry& entry, const PacketHeader& header);
    void PostLocalNotice(uint32_t code);
    void KickWorker();
    bool SendAllLocked(CByteBuffer& buffer);
    void CloseLocked();
    // Shuts the connection down after a send left a torn packet or message.
    void Poison(int socket, const char* why);

    std::atomic<int> socket_{-1};
    std::atomic<int32_t> serial_{0};
    // Transform parameters, read by the worker while the owner may replace them.
    mutable std::mutex paramsLock_;
    const uint8_t* key_;
    int keyBits_;
    uint32_t cipherFlags_;
    uint32_t compressionFlags_;
    const uint32_t crcOption_;
    const uint32_t maxPieceSize_;
    bool waitFirstData_ = false;
    platform::HWND notifyWindow_;
    platform::DWORD notifyThread_ = 0;
    std::unique_ptr<platform::Thread> worker_;
    std::atomic<bool> workerQuit_{false};
    platform::Event stopEvent_{true, false};
    platform::Event writeReadyEvent_{false, false};
    platform::Event threadReadyEvent_{true, false};
    platform::Event queueReadyEvent_{true, false};
    int wakeFd_ = -1;
    std::atomic<bool> wantWrite_{false};
    // A send stalled mid-packet and shut the connection down.
    std::atomic<bool> poisoned_{false};
    std::atomic<uint32_t> bytesReceived_{0};
    std::atomic<uint32_t> readEvents_{0};
    // Worker thread only: what the last reads saw of the peer, and a notify
    // target that stopped taking notices.
    bool peerClosed_ = false;
    bool readError_ = false;
    int readErrno_ = 0;
    bool lagging_ = false;
    // The worker stopped reading; set before the notice of it goes out.
    std::atomic<bool> ended_{false};
    platform::Event endedEvent_{true, false};
    std::shared_ptr<UnreadNotices> unread_ = std::make_shared<UnreadNotices>();
    std::mutex entryLock_;
    EntryMap entries_;
    std::atomic<long> requestsInFlight_{0};
    // Serialises Create and Close; sendLock_ keeps the socket open under a send.
    std::recursive_mutex lifecycleLock_;
    std::mutex sendLock_;
    std::mutex messageLock_;
};

// Turns a finished reassembly buffer ([TransportInfo][chunk stream]) into
// the two records; false for anything that does not decode cleanly.
bool DecodeMessage(const uint8_t* message, uint32_t size, TransportInfo* infoOut,
                   TransportNotice* noticeOut, const uint8_t* key, int keyBits,
                   uint32_t cipherFlags, uint32_t compressionFlags, uint32_t maxPieceSize);

}  // namespace transport
