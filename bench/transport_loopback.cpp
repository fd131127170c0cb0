// The transport over loopback: request round trips per second and
// notification throughput for 100-byte and 40 KB messages, each beside a raw
// TCP baseline that moves the same wire bytes (an echo for round trips, a
// plain stream for notifications). The peer is a minimal one written here:
// it turns each request packet into a reply packet by rewriting its kind and
// checksum, and pushes pre-built notification packets.
#include <benchmark/benchmark.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <thread>
#include <vector>

#include "platform/bytes.h"
#include "platform/message_queue.h"
#include "platform/thread.h"
#include "transport/crc32.h"
#include "transport/message_transform.h"
#include "transport/packet.h"
#include "transport/transport_socket.h"

namespace {

using Bytes = std::vector<uint8_t>;

const uint8_t kKey[16] = {9, 8, 7, 6, 5, 4, 3, 2, 1, 0, 1, 2, 3, 4, 5, 6};
const char kGreeting[] = "Hello! Mirb Station.";
constexpr int kBatch = 64;  // notifications per pushed batch

bool WriteAll(int fd, const uint8_t* p, size_t n) {
    while (n > 0) {
        ssize_t k = send(fd, p, n, MSG_NOSIGNAL);
        if (k <= 0) return false;
        p += k;
        n -= size_t(k);
    }
    return true;
}

bool ReadAll(int fd, uint8_t* p, size_t n) {
    while (n > 0) {
        ssize_t k = recv(fd, p, n, 0);
        if (k <= 0) return false;
        p += k;
        n -= size_t(k);
    }
    return true;
}

void NoDelay(int fd) {
    int one = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
}

// The packets of one message with `code` and `size` data bytes, as the
// transport itself would send them.
Bytes MessagePackets(uint32_t kind, uint32_t number, uint32_t code, size_t size) {
    transport::CByteBuffer body, chunks;
    uint8_t head[28] = {};
    platform::StoreLE32(head + 4, code);
    platform::StoreLE32(head + 24, uint32_t(size));
    body.Append(head, sizeof head);
    Bytes data(size, 0x5A);
    body.Append(data.data(), uint32_t(size));
    transport::CMessageTransform transform(kKey, 128, transport::kCipherOn, 0);
    transform.Apply(body, transport::kTransformOut);
    transport::SplitChunks(body, chunks, 4000);
    Bytes out;
    uint32_t part = 0;
    for (uint32_t at = 0; at < chunks.Size();) {
        uint32_t n = platform::LoadLE32(chunks.Data(at));
        transport::PacketHeader h;
        h.kind = kind;
        h.serial = ++part;
        h.messageNumber = number;
        h.part = part;
        h.lastPart = at + 4 + n == chunks.Size();
        size_t start = out.size();
        out.resize(start + transport::kPacketOverhead + n);
        platform::StoreLE32(&out[start], n + 56);
        h.Encode(&out[start + 4]);
        platform::StoreLE32(&out[start + 56], n);
        std::memcpy(&out[start + 60], chunks.Data(at + 4), n);
        h.crcFlag = 1;
        h.crc = transport::CCrc32().Compute(&out[start], uint32_t(60 + n));
        h.Encode(&out[start + 4]);
        at += 4 + n;
    }
    return out;
}

// A one-client peer on a background thread.
class Peer {
  public:
    enum Mode { kReplyToRequests, kPushBatches, kRawEcho, kRawPush };

    Peer(Mode mode, Bytes push = {}) : mode_(mode), push_(std::move(push)) {
        listen_ = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof addr;
        bind(listen_, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
        listen(listen_, 1);
        getsockname(listen_, reinterpret_cast<sockaddr*>(&addr), &len);
        port_ = ntohs(addr.sin_port);
        thread_ = std::thread([this] { Serve(); });
    }
    ~Peer() {
        stop_ = true;
        shutdown(listen_, SHUT_RDWR);
        if (client_ >= 0) shutdown(client_, SHUT_RDWR);
        thread_.join();
        if (client_ >= 0) close(client_);
        close(listen_);
    }
    uint16_t port() const { return port_; }

  private:
    void Serve() {
        client_ = accept(listen_, nullptr, nullptr);
        if (client_ < 0) return;
        NoDelay(client_);
        uint8_t block[65536];
        if (mode_ == kReplyToRequests || mode_ == kPushBatches) {
            uint8_t greeting[25];
            if (!ReadAll(client_, greeting, sizeof greeting)) return;
        }
        while (!stop_) {
            if (mode_ == kRawEcho) {
                ssize_t n = recv(client_, block, sizeof block, 0);
                if (n <= 0 || !WriteAll(client_, block, size_t(n))) return;
            } else if (mode_ == kPushBatches || mode_ == kRawPush) {
                uint8_t go;  // one byte asks for one batch
                if (!ReadAll(client_, &go, 1) || !WriteAll(client_, push_.data(), push_.size()))
                    return;
            } else {
                uint8_t lengthWord[4];
                if (!ReadAll(client_, lengthWord, 4)) return;
                uint32_t length = platform::LoadLE32(lengthWord);
                if (length > 4056) return;
                Bytes packet(4 + length);
                std::memcpy(packet.data(), lengthWord, 4);
                if (!ReadAll(client_, packet.data() + 4, length)) return;
                platform::StoreLE32(&packet[4], transport::kPacketKindReply);
                platform::StoreLE32(&packet[12], 0);
                platform::StoreLE32(&packet[16], 0);
                uint32_t crc = transport::CCrc32().Compute(packet.data(), uint32_t(packet.size()));
                platform::StoreLE32(&packet[12], 1);
                platform::StoreLE32(&packet[16], crc);
                if (!WriteAll(client_, packet.data(), packet.size())) return;
            }
        }
    }

    Mode mode_;
    Bytes push_;
    int listen_ = -1;
    int client_ = -1;
    uint16_t port_ = 0;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

int RawConnect(uint16_t port) {
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(port);
    connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    NoDelay(fd);
    return fd;
}

bool OpenTransport(transport::CTransportSocket& s, uint16_t port) {
    return s.Open("127.0.0.1", port, 5, {}, platform::GetCurrentThreadId(), false,
                  reinterpret_cast<const uint8_t*>(kGreeting), sizeof kGreeting, 1000);
}

void BM_RequestRoundTrip(benchmark::State& state) {
    Peer peer(Peer::kReplyToRequests);
    transport::CTransportSocket s(kKey, 128, transport::kCipherOn, 0, 1, 4000);
    if (!OpenTransport(s, peer.port())) return state.SkipWithError("open failed");
    transport::TransportInfo info;
    info.wantsReply = 1;
    transport::TransportNotice request;
    request.head[1] = 201001;
    request.length = uint32_t(state.range(0));
    request.data = std::make_unique<uint8_t[]>(request.length);
    for (auto _ : state) {
        transport::TransportNotice reply;
        int timedOut = 0;
        if (!s.SendRequest(info, request, &reply, &timedOut, 5000, 0, 0, 1, nullptr, 0) ||
            reply.length != request.length)
            return state.SkipWithError("request failed");
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * state.range(0));
    s.Close();
}

void BM_RawEchoRoundTrip(benchmark::State& state) {
    Peer peer(Peer::kRawEcho);
    int fd = RawConnect(peer.port());
    Bytes wire = MessagePackets(1, 1, 201001, size_t(state.range(0)));
    Bytes back(wire.size());
    for (auto _ : state) {
        if (!WriteAll(fd, wire.data(), wire.size()) || !ReadAll(fd, back.data(), back.size()))
            return state.SkipWithError("echo failed");
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * state.range(0));
    close(fd);
}

void BM_Notifications(benchmark::State& state) {
    Bytes batch;
    for (int i = 0; i < kBatch; ++i) {
        Bytes one = MessagePackets(1, uint32_t(i + 1), 211000, size_t(state.range(0)));
        batch.insert(batch.end(), one.begin(), one.end());
    }
    Peer peer(Peer::kPushBatches, batch);
    transport::CTransportSocket s(kKey, 128, transport::kCipherOn, 0, 1, 4000);
    if (!OpenTransport(s, peer.port())) return state.SkipWithError("open failed");
    // Each batch restarts its message numbers, which the receiver allows
    // between whole messages. Batches are asked for with one raw byte on the
    // transport's socket, which the peer reads apart from any packet.
    for (auto _ : state) {
        state.PauseTiming();
        uint8_t go = 1;
        bool sent = WriteAll(s.GetSocket(), &go, 1);
        state.ResumeTiming();
        if (!sent) return state.SkipWithError("ask failed");
        for (int got = 0; got < kBatch;) {
            platform::Message msg;
            if (platform::GetMessage(msg) <= 0) return state.SkipWithError("queue ended");
            if (msg.message != transport::kNoticeMessage) continue;
            auto records = msg.payload.Take<transport::TransportNoticeRecords>();
            if (!records || records->notice.Code() != 211000)
                return state.SkipWithError("bad notice");
            ++got;
        }
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * kBatch);
    state.SetBytesProcessed(int64_t(state.iterations()) * kBatch * state.range(0));
    s.Close();
}

void BM_RawStream(benchmark::State& state) {
    Bytes batch;
    for (int i = 0; i < kBatch; ++i) {
        Bytes one = MessagePackets(1, uint32_t(i + 1), 211000, size_t(state.range(0)));
        batch.insert(batch.end(), one.begin(), one.end());
    }
    Peer peer(Peer::kRawPush, batch);
    int fd = RawConnect(peer.port());
    Bytes in(batch.size());
    for (auto _ : state) {
        uint8_t go = 1;
        if (!WriteAll(fd, &go, 1) || !ReadAll(fd, in.data(), in.size()))
            return state.SkipWithError("stream failed");
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * kBatch);
    state.SetBytesProcessed(int64_t(state.iterations()) * kBatch * state.range(0));
    close(fd);
}

BENCHMARK(BM_RequestRoundTrip)->Arg(100)->Arg(40000)->UseRealTime();
BENCHMARK(BM_RawEchoRoundTrip)->Arg(100)->Arg(40000)->UseRealTime();
BENCHMARK(BM_Notifications)->Arg(100)->Arg(40000)->UseRealTime();
BENCHMARK(BM_RawStream)->Arg(100)->Arg(40000)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
