#include "platform/hall_frame.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "platform/bytes.h"

namespace platform {
namespace {

using Kind = HallFrame::Kind;
using Status = HallFrameReader::Status;

std::vector<uint8_t> Words(std::initializer_list<uint32_t> words, std::vector<uint8_t> tail = {}) {
    std::vector<uint8_t> out;
    ByteWriter w(out);
    for (uint32_t v : words)
        w.U32(v);
    w.Bytes(tail);
    return out;
}

// Known bytes of each kind; frames come back whatever pieces the stream
// arrives in.
TEST(HallFrame, KnownBytesOfEachKindAndReadsOfAStreamInAnyPieces) {
    const std::pair<HallFrame, std::vector<uint8_t>> known[] = {
        {{.kind = Kind::kSend, .seq = 9, .message = 0x9105, .wParam = 7, .lParam = 0xFFFFFFFF},
         Words({20, 2, 9, 0x9105, 7, 0xFFFFFFFF})},
        {{.kind = Kind::kPost, .seq = 1, .message = 0x9107, .wParam = 2, .lParam = 3},
         Words({20, 3, 1, 0x9107, 2, 3})},
        {{.kind = Kind::kCopyData, .seq = 1, .wParam = 0x1234, .dwData = 4, .data = {0xAA, 0xBB}},
         Words({22, 1, 1, 0x1234, 4, 2}, {0xAA, 0xBB})},
        {{.kind = Kind::kAck, .seq = 5, .handled = 1, .result = 42}, Words({16, 4, 5, 1, 42})},
    };
    std::vector<HallFrame> frames = {
        {.kind = Kind::kCopyData, .seq = 1, .dwData = 1, .data = std::vector<uint8_t>(1900, 0xAB)},
        {.kind = Kind::kAck, .seq = 6},
        {.kind = Kind::kCopyData, .seq = 2, .dwData = 6},
        {.kind = Kind::kCopyData, .data = std::vector<uint8_t>(kHallMaxFrame - 20)},
    };
    for (const auto& [frame, bytes] : known) {
        EXPECT_EQ(EncodeHallFrame(frame), bytes);
        frames.push_back(frame);
    }
    EXPECT_TRUE(
        EncodeHallFrame({.kind = Kind::kCopyData, .data = std::vector<uint8_t>(kHallMaxFrame)})
            .empty());
    std::vector<uint8_t> stream;
    for (const auto& f : frames) {
        const auto b = EncodeHallFrame(f);
        stream.insert(stream.end(), b.begin(), b.end());
    }
    std::mt19937 rng(4);
    for (size_t most : {stream.size(), size_t(1), size_t(300)}) {
        HallFrameReader reader;
        std::vector<HallFrame> got;
        for (size_t at = 0; at < stream.size();) {
            const size_t n = std::min(stream.size() - at, 1 + rng() % most);
            reader.Append(std::span(stream).subspan(at, n));
            at += n;
            HallFrame f;
            while (reader.Next(f) == Status::kFrame)
                got.push_back(f);
        }
        EXPECT_EQ(got, frames) << most;
    }
}

TEST(HallFrameReader, RefusesGarbageAndEverythingAfterIt) {
    const struct {
        const char* name;
        std::vector<uint8_t> bytes;
    } cases[] = {
        {"length above the limit, body not yet there", Words({uint32_t(kHallMaxFrame + 1), 1, 1})},
        {"huge length", Words({0xFFFFFFFF})},
        {"length below the head", Words({4, 2})},
        {"unknown kind", Words({8, 9, 1})},
        {"kind zero", Words({8, 0, 1})},
        {"send too short", Words({16, 2, 1, 5, 6})},
        {"send too long", Words({24, 2, 1, 5, 6, 7, 8})},
        {"answer with a bad handled word", Words({16, 4, 1, 2, 0})},
        {"copy-data without a head", Words({12, 1, 1, 0})},
        {"copy-data claiming more than it holds", Words({24, 1, 1, 0, 1, 8, 0})},
        {"copy-data claiming less than it holds", Words({24, 1, 1, 0, 1, 0, 0})},
    };
    for (const auto& c : cases) {
        HallFrameReader reader;
        reader.Append(c.bytes);
        HallFrame f;
        EXPECT_EQ(reader.Next(f), Status::kError) << c.name;
        EXPECT_FALSE(reader.error().empty()) << c.name;
        reader.Append(Words({16, 4, 1, 1, 1}));
        EXPECT_EQ(reader.Next(f), Status::kError) << c.name;
    }
}

}  // namespace
}  // namespace platform
