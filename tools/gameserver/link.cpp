#include "tools/gameserver/link.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "platform/bytes.h"
#include "tools/loopback_server.h"

namespace gameserver {
namespace {

constexpr uint32_t kMaxGreeting = 1024;

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

bool ClientLink::Fail(std::string why) {
    error_ = std::move(why);
    return false;
}

bool ClientLink::Feed(std::span<const uint8_t> bytes, Events& events) {
    if (!error_.empty()) return false;
    if (!greeted_) {
        greeting_.insert(greeting_.end(), bytes.begin(), bytes.end());
        if (greeting_.size() < 4) return true;
        uint32_t len = platform::LoadLE32(greeting_.data());
        if (len > kMaxGreeting) return Fail("greeting length " + std::to_string(len));
        if (greeting_.size() < 4 + len) return true;
        Bytes greeting(greeting_.begin(), greeting_.begin() + 4 + len);
        Bytes rest(greeting_.begin() + 4 + len, greeting_.end());
        greeting_ = {};
        const bool expected = greeting == options_.greeting;
        events.OnGreeting(greeting, expected);
        if (!expected) return Fail("unexpected greeting");
        greeted_ = true;
        return rest.empty() || Feed(rest, events);
    }
    if (!reader_.Feed(bytes)) return Fail(reader_.error());
    while (auto packet = reader_.Next()) {
        if (packet->fields.kind != kKindRequest)
            return Fail("packet of kind " + std::to_string(packet->fields.kind));
        allCrc_ = allCrc_ && packet->hadCrc;
        std::string error;
        auto message = assembler_.Take(*packet, error);
        if (!error.empty()) return Fail(error);
        if (!message) continue;
        const bool allCrc = allCrc_;
        allCrc_ = true;
        auto plain = Open(message->bytes, options_.key, error);
        auto body = plain ? DecodeBody(*plain, error) : std::nullopt;
        if (!body) {
            events.OnBadMessage("message " + std::to_string(message->number) + ": " + error);
            continue;
        }
        events.OnRequest(
            {message->number, message->wantsReply, body->code, std::move(body->data), allCrc});
    }
    return true;
}

uint16_t Listener::Open(uint16_t wanted, int backlog) {
    socket = tools::ListenOnLoopback(wanted, backlog);
    int pipeFds[2] = {-1, -1};
    if (socket < 0 || fcntl(socket, F_SETFL, fcntl(socket, F_GETFL) | O_NONBLOCK) != 0 ||
        pipe2(pipeFds, O_CLOEXEC | O_NONBLOCK) != 0) {
        Close();
        return 0;
    }
    wakeRead = pipeFds[0];
    wakeWrite = pipeFds[1];
    port = wanted;
    return port;
}

void Listener::Close() {
    for (int* fd : {&socket, &wakeRead, &wakeWrite}) {
        if (*fd >= 0) close(*fd);
        *fd = -1;
    }
}

void Listener::Wake() const {
    uint8_t byte = 1;
    [[maybe_unused]] ssize_t n = write(wakeWrite, &byte, 1);
}

void Listener::Drain() const {
    uint8_t drain[64];
    while (read(wakeRead, drain, sizeof drain) > 0) {
    }
}

std::vector<Bytes> PacketWriter::Build(uint32_t kind, uint32_t number, const Body& body,
                                       uint32_t wantsReply) {
    Bytes sealed =
        Seal(EncodeBody(body), options_.key, options_.cipherFlags, options_.compressFlags);
    auto chunks = SplitMessage(sealed, options_.maxPiece);
    std::vector<Bytes> packets;
    for (size_t i = 0; i < chunks.size(); ++i) {
        PacketFields f{
            kind, ++serial_, number, uint32_t(i + 1), i + 1 == chunks.size() ? 1u : 0u, wantsReply};
        packets.push_back(EncodePacket(f, chunks[i], options_.crc));
    }
    return packets;
}

Bytes PacketWriter::Joined(uint32_t kind, uint32_t number, const Body& body, uint32_t wantsReply) {
    Bytes out;
    for (const Bytes& packet : Build(kind, number, body, wantsReply))
        out.insert(out.end(), packet.begin(), packet.end());
    return out;
}

}  // namespace gameserver
