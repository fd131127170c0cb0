// Messages per second through both envelopes, out and back in, for a 4 KB
// message: the game's mode (AES only) and the full one (zlib, then AES).
#include <benchmark/benchmark.h>

#include <vector>

#include "transport/message_transform.h"

namespace {

const uint8_t kKey[16] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};

void WrapUnwrap(benchmark::State& state, uint32_t compression) {
    std::vector<uint8_t> body(4096);
    for (size_t i = 0; i < body.size(); ++i)
        body[i] = uint8_t(i % 61 + (i / 97));
    transport::CMessageTransform transform(kKey, 128, transport::kCipherOn, compression);
    transport::CByteBuffer buffer;
    for (auto _ : state) {
        buffer.Clear();
        buffer.Append(body.data(), uint32_t(body.size()));
        bool ok = transform.Apply(buffer, transport::kTransformOut) &&
                  transform.Apply(buffer, transport::kTransformIn);
        if (!ok || buffer.Size() != body.size()) state.SkipWithError("round trip failed");
    }
    state.SetItemsProcessed(int64_t(state.iterations()));
}

void BM_EnvelopeAes(benchmark::State& state) {
    WrapUnwrap(state, 0);
}
void BM_EnvelopeZlibAes(benchmark::State& state) {
    WrapUnwrap(state, transport::kCompressOn);
}

BENCHMARK(BM_EnvelopeAes);
BENCHMARK(BM_EnvelopeZlibAes);

}  // namespace

BENCHMARK_MAIN();
