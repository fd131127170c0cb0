#include "platform/hall_frame.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/bytes.h"

namespace platform {
namespace {

using Status = HallFrameReader::Status;

HallFrame CopyData(uint32_t seq, uint32_t dwData, std::vector<uint8_t> data) {
    HallFrame f;
    f.kind = HallFrame::Kind::kCopyData;
    f.seq = seq;
    f.wParam = 0x1234;
    f.dwData = dwData;
    f.data = std::move(data);
    return f;
}

HallFrame Message(HallFrame::Kind kind, uint32_t seq, uint32_t message) {
    HallFrame f;
    f.kind = kind;
    f.seq = seq;
    f.message = message;
    f.wParam = 7;
    f.lParam = 0xFFFFFFFF;
    return f;
}

HallFrame Ack(uint32_t seq, uint32_t handled, uint32_t result) {
    HallFrame f;
    f.kind = HallFrame::Kind::kAck;
    f.seq = seq;
    f.handled = handled;
    f.result = result;
    return f;
}

std::vector<HallFrame> SampleFrames() {
    return {CopyData(1, 1, std::vector<uint8_t>(1900, 0xAB)),
            CopyData(2, 6, {}),
            Message(HallFrame::Kind::kSend, 3, 0x9105),
            Message(HallFrame::Kind::kPost, 4, 0x9107),
            Ack(5, 1, 42),
            Ack(6, 0, 0)};
}

TEST(HallFrame, KnownBytesOfASend) {
    const auto bytes = EncodeHallFrame(Message(HallFrame::Kind::kSend, 9, 0x9105));
    const std::vector<uint8_t> expected = {20, 0,    0, 0, 2, 0, 0, 0, 9,    0,    0,    0,
                                           5,  0x91, 0, 0, 7, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF};
    EXPECT_EQ(bytes, expected);
}

TEST(HallFrame, KnownBytesOfACopyData) {
    const auto bytes = EncodeHallFrame(CopyData(1, 4, {0xAA, 0xBB}));
    ASSERT_EQ(bytes.size(), 4u + 8 + 12 + 2);
    EXPECT_EQ(LoadLE32(&bytes[0]), 22u);
    EXPECT_EQ(LoadLE32(&bytes[4]), 1u);        // kind
    EXPECT_EQ(LoadLE32(&bytes[12]), 0x1234u);  // wParam
    EXPECT_EQ(LoadLE32(&bytes[16]), 4u);       // dwData
    EXPECT_EQ(LoadLE32(&bytes[20]), 2u);       // cbData
    EXPECT_EQ(bytes[24], 0xAA);
}

TEST(HallFrameReader, RoundTripsEveryKindInOrder) {
    HallFrameReader reader;
    for (const auto& f : SampleFrames())
        reader.Append(EncodeHallFrame(f));
    for (const auto& expected : SampleFrames()) {
        HallFrame got;
        ASSERT_EQ(reader.Next(got), Status::kFrame);
        EXPECT_EQ(got, expected);
    }
    HallFrame none;
    EXPECT_EQ(reader.Next(none), Status::kNeedMore);
}

TEST(HallFrameReader, FramesArrivingAByteAtATime) {
    std::vector<uint8_t> stream;
    for (const auto& f : SampleFrames()) {
        const auto b = EncodeHallFrame(f);
        stream.insert(stream.end(), b.begin(), b.end());
    }
    HallFrameReader reader;
    std::vector<HallFrame> got;
    for (uint8_t byte : stream) {
        reader.Append(std::span<const uint8_t>(&byte, 1));
        HallFrame f;
        while (reader.Next(f) == Status::kFrame)
            got.push_back(f);
    }
    EXPECT_EQ(got, SampleFrames());
}

TEST(HallFrame, AFrameAboveTheLimitIsNotEncoded) {
    EXPECT_TRUE(EncodeHallFrame(CopyData(1, 1, std::vector<uint8_t>(kHallMaxFrame))).empty());
    EXPECT_FALSE(EncodeHallFrame(CopyData(1, 1, std::vector<uint8_t>(kHallMaxFrame - 20))).empty());
}

std::vector<uint8_t> Words(std::initializer_list<uint32_t> words) {
    std::vector<uint8_t> out;
    ByteWriter w(out);
    for (uint32_t v : words)
        w.U32(v);
    return out;
}

TEST(HallFrameReader, RefusesGarbage) {
    struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
    };
    const Case cases[] = {
        {"length above the limit", Words({uint32_t(kHallMaxFrame + 1), 1, 1})},
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
        // Nothing after garbage is taken.
        reader.Append(EncodeHallFrame(Ack(1, 1, 1)));
        EXPECT_EQ(reader.Next(f), Status::kError) << c.name;
    }
}

TEST(HallFrameReader, AnOversizedLengthIsRefusedBeforeItsBodyArrives) {
    HallFrameReader reader;
    reader.Append(Words({uint32_t(kHallMaxFrame + 1)}));
    HallFrame f;
    EXPECT_EQ(reader.Next(f), Status::kError);
}

}  // namespace
}  // namespace platform
