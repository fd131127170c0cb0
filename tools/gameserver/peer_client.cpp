#include "tools/gameserver/peer_client.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

namespace gameserver {

PeerClient::PeerClient(Key key, uint32_t cipherFlags, uint32_t compressFlags)
    : key_(key), cipherFlags_(cipherFlags), compressFlags_(compressFlags) {}

PeerClient::~PeerClient() {
    if (fd_ >= 0) close(fd_);
}

bool PeerClient::Connect(uint16_t port) {
    fd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(port);
    int one = 1;
    setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    return connect(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
}

bool PeerClient::SendBytes(std::span<const uint8_t> bytes) {
    while (!bytes.empty()) {
        ssize_t n = send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        bytes = bytes.subspan(size_t(n));
    }
    return true;
}

uint32_t PeerClient::SendMessage(uint32_t code, const Bytes& data, bool wantsReply) {
    uint32_t number = ++messages_;
    Bytes sealed = Seal(EncodeBody({code, data}), key_, cipherFlags_, compressFlags_);
    auto chunks = SplitMessage(sealed, kMaxPiece);
    Bytes out;
    for (size_t i = 0; i < chunks.size(); ++i) {
        PacketFields f{kKindRequest,
                       ++packets_,
                       number,
                       uint32_t(i + 1),
                       i + 1 == chunks.size() ? 1u : 0u,
                       wantsReply ? 1u : 0u};
        Bytes packet = EncodePacket(f, chunks[i], true);
        out.insert(out.end(), packet.begin(), packet.end());
    }
    return SendBytes(out) ? number : 0;
}

bool PeerClient::Fill(std::chrono::milliseconds timeout) {
    pollfd fd{fd_, POLLIN, 0};
    if (poll(&fd, 1, int(timeout.count())) <= 0) return false;
    uint8_t block[65536];
    ssize_t n = recv(fd_, block, sizeof block, 0);
    if (n <= 0) {
        error_ = n == 0 ? "closed" : "receive failed";
        return false;
    }
    if (!reader_.Feed({block, size_t(n)})) {
        error_ = reader_.error();
        return false;
    }
    return true;
}

std::optional<PeerClient::Incoming> PeerClient::Read(std::chrono::milliseconds timeout) {
    auto giveUp = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        while (auto packet = reader_.Next()) {
            const PacketFields& f = packet->fields;
            if (f.part == 1) {
                assembling_ = f.messageNumber;
                parts_.clear();
            } else if (f.messageNumber != assembling_ || f.part != lastPart_ + 1) {
                error_ = "parts out of sequence";
                return std::nullopt;
            }
            lastPart_ = f.part;
            parts_.insert(parts_.end(), packet->data.begin(), packet->data.end());
            if (!f.lastPart) continue;
            auto plain = Open(parts_, key_, error_);
            auto body = plain ? DecodeBody(*plain, error_) : std::nullopt;
            if (!body) return std::nullopt;
            return Incoming{f.kind, f.messageNumber, f.wantsReply, std::move(*body)};
        }
        auto left =
            std::chrono::ceil<std::chrono::milliseconds>(giveUp - std::chrono::steady_clock::now());
        if (left.count() <= 0 || !Fill(left)) return std::nullopt;
    }
}

bool PeerClient::WaitClosed(std::chrono::milliseconds timeout) {
    auto giveUp = std::chrono::steady_clock::now() + timeout;
    uint8_t block[4096];
    for (;;) {
        auto left =
            std::chrono::ceil<std::chrono::milliseconds>(giveUp - std::chrono::steady_clock::now());
        pollfd fd{fd_, POLLIN, 0};
        if (left.count() <= 0 || poll(&fd, 1, int(left.count())) <= 0) return false;
        ssize_t n = recv(fd_, block, sizeof block, 0);
        if (n <= 0) return true;
    }
}

}  // namespace gameserver
