// Cutting a message into its chunk stream and joining it again, for 16 MiB
// in the game's 4000-byte pieces and in 1-byte pieces (the worst a peer can
// send), against a plain copy of the same bytes; and the worker's receive
// path for three 200 KB notifications that arrive in 1-byte parts.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "platform/bytes.h"
#include "transport/message_transform.h"
#include "transport/packet.h"
#include "transport/transport_socket.h"

namespace {

const uint8_t kKey[16] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
constexpr uint32_t kSixteenMiB = 16u << 20;

std::vector<uint8_t> Pattern(size_t n) {
    std::vector<uint8_t> out(n);
    for (size_t i = 0; i < n; ++i)
        out[i] = uint8_t(i % 251 + i / 4093);
    return out;
}

void BM_SplitJoin16MiB(benchmark::State& state) {
    const uint32_t piece = uint32_t(state.range(0));
    const std::vector<uint8_t> data = Pattern(kSixteenMiB);
    transport::CByteBuffer source, chunks, joined;
    for (auto _ : state) {
        source.Clear();
        source.Append(data.data(), kSixteenMiB);
        transport::SplitChunks(source, chunks, piece);
        if (transport::ReadChunks(chunks, joined, piece) == 0 || joined.Size() != kSixteenMiB)
            state.SkipWithError("round trip failed");
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * kSixteenMiB);
}
BENCHMARK(BM_SplitJoin16MiB)->Arg(4000)->Arg(1)->Unit(benchmark::kMillisecond);

// The least work the same bytes need: fill the source, copy them twice.
void BM_SplitJoin16MiBReference(benchmark::State& state) {
    const std::vector<uint8_t> data = Pattern(kSixteenMiB);
    transport::CByteBuffer source;
    std::vector<uint8_t> chunks(kSixteenMiB), joined(kSixteenMiB);
    for (auto _ : state) {
        source.Clear();
        source.Append(data.data(), kSixteenMiB);
        std::memcpy(chunks.data(), source.Data(), kSixteenMiB);
        std::memcpy(joined.data(), chunks.data(), kSixteenMiB);
        benchmark::DoNotOptimize(joined.data());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * kSixteenMiB);
}
BENCHMARK(BM_SplitJoin16MiBReference)->Unit(benchmark::kMillisecond);

// Counts the notices the receive path finishes instead of posting them.
class CountingSocket : public transport::CTransportSocket {
  public:
    CountingSocket() : CTransportSocket(kKey, 128, transport::kCipherOn, 0, 0, 4000) {
        AddEntry(nullptr, 0);
    }
    bool OnRequest(const uint8_t* message, uint32_t size) override {
        transport::TransportInfo info;
        transport::TransportNotice notice;
        if (transport::DecodeMessage(message, size, &info, &notice, kKey, 128, transport::kCipherOn,
                                     0, 4000))
            ++received;
        return true;
    }
    int received = 0;
};

// One sealed message as packets of 1-byte parts, without checksums.
std::vector<uint8_t> BytewisePackets(uint32_t number, const std::vector<uint8_t>& data) {
    transport::CByteBuffer body, chunks;
    uint8_t head[28] = {};
    platform::StoreLE32(head + 4, 211000);
    platform::StoreLE32(head + 24, uint32_t(data.size()));
    body.Append(head, sizeof head);
    body.Append(data.data(), uint32_t(data.size()));
    transport::CMessageTransform(kKey, 128, transport::kCipherOn, 0)
        .Apply(body, transport::kTransformOut);
    transport::SplitChunks(body, chunks, 1);
    std::vector<uint8_t> out;
    transport::PacketHeader header;
    header.kind = transport::kPacketKindRequest;
    header.messageNumber = number;
    for (uint32_t at = 0; at < chunks.Size(); at += 5) {
        header.part += 1;
        header.lastPart = at + 5 == chunks.Size();
        uint8_t packet[61];
        platform::StoreLE32(packet, 57);
        header.Encode(packet + 4);
        std::memcpy(packet + 56, chunks.Data(at), 5);
        out.insert(out.end(), packet, packet + sizeof packet);
    }
    return out;
}

void BM_ReceiveThreeNoticesInBytewiseParts(benchmark::State& state) {
    std::vector<uint8_t> stream;
    for (uint32_t number = 1; number <= 3; ++number) {
        auto packets = BytewisePackets(number, Pattern(200000));
        stream.insert(stream.end(), packets.begin(), packets.end());
    }
    for (auto _ : state) {
        CountingSocket socket;
        transport::EntryPtr entry = socket.FirstEntry(nullptr);
        // As recv hands the stream over: 64 KiB per read event.
        for (size_t at = 0; at < stream.size(); at += 65536) {
            size_t n = std::min<size_t>(65536, stream.size() - at);
            entry->receiveBuffer.Append(stream.data() + at, uint32_t(n));
            socket.ProcessReceived(*entry);
        }
        if (socket.received != 3) state.SkipWithError("notices lost");
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(stream.size()));
}
BENCHMARK(BM_ReceiveThreeNoticesInBytewiseParts)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
