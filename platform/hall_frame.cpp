#include "platform/hall_frame.h"

#include "platform/bytes.h"

namespace platform {
namespace {

constexpr size_t kHeadSize = 8;       // kind, seq
constexpr size_t kMessageBody = 12;   // message, wParam, lParam
constexpr size_t kCopyDataHead = 12;  // wParam, dwData, cbData
constexpr size_t kAckBody = 8;        // handled, result

}  // namespace

std::vector<uint8_t> EncodeHallFrame(const HallFrame& frame) {
    std::vector<uint8_t> out;
    ByteWriter w(out);
    w.U32(0);  // length, filled in below
    w.U32(uint32_t(frame.kind));
    w.U32(frame.seq);
    switch (frame.kind) {
        case HallFrame::Kind::kCopyData:
            w.U32(frame.wParam);
            w.U32(frame.dwData);
            w.U32(uint32_t(frame.data.size()));
            w.Bytes(frame.data);
            break;
        case HallFrame::Kind::kSend:
        case HallFrame::Kind::kPost:
            w.U32(frame.message);
            w.U32(frame.wParam);
            w.U32(frame.lParam);
            break;
        case HallFrame::Kind::kAck:
            w.U32(frame.handled);
            w.U32(frame.result);
            break;
    }
    const size_t length = out.size() - 4;
    if (length > kHallMaxFrame) return {};
    StoreLE32(out.data(), uint32_t(length));
    return out;
}

void HallFrameReader::Append(std::span<const uint8_t> bytes) {
    if (!error_.empty()) return;
    // Drop what was consumed before growing, so the buffer stays within
    // about one frame however long the stream runs.
    if (start_ > 0) {
        buffer_.erase(buffer_.begin(), buffer_.begin() + std::ptrdiff_t(start_));
        start_ = 0;
    }
    buffer_.insert(buffer_.end(), bytes.begin(), bytes.end());
}

HallFrameReader::Status HallFrameReader::Fail(std::string why) {
    error_ = std::move(why);
    buffer_.clear();
    start_ = 0;
    return Status::kError;
}

HallFrameReader::Status HallFrameReader::Next(HallFrame& out) {
    if (!error_.empty()) return Status::kError;
    const size_t available = buffer_.size() - start_;
    if (available < 4) return Status::kNeedMore;
    const uint32_t length = LoadLE32(&buffer_[start_]);
    if (length > kHallMaxFrame)
        return Fail("frame of " + std::to_string(length) + " bytes exceeds the limit");
    if (length < kHeadSize)
        return Fail("frame of " + std::to_string(length) + " bytes is too short");
    if (available - 4 < length) return Status::kNeedMore;

    ByteReader r(std::span<const uint8_t>(&buffer_[start_ + 4], length));
    HallFrame f;
    const uint32_t kind = r.U32();
    f.seq = r.U32();
    const size_t body = length - kHeadSize;
    switch (kind) {
        case uint32_t(HallFrame::Kind::kCopyData): {
            if (body < kCopyDataHead) return Fail("copy-data frame without its head");
            f.wParam = r.U32();
            f.dwData = r.U32();
            const uint32_t cbData = r.U32();
            if (cbData != body - kCopyDataHead)
                return Fail("copy-data frame claims " + std::to_string(cbData) +
                            " bytes but holds " + std::to_string(body - kCopyDataHead));
            auto bytes = r.Bytes(cbData);
            f.data.assign(bytes.begin(), bytes.end());
            break;
        }
        case uint32_t(HallFrame::Kind::kSend):
        case uint32_t(HallFrame::Kind::kPost):
            if (body != kMessageBody) return Fail("message frame of a wrong size");
            f.message = r.U32();
            f.wParam = r.U32();
            f.lParam = r.U32();
            break;
        case uint32_t(HallFrame::Kind::kAck):
            if (body != kAckBody) return Fail("answer frame of a wrong size");
            f.handled = r.U32();
            f.result = r.U32();
            if (f.handled > 1) return Fail("answer frame with a bad handled word");
            break;
        default:
            return Fail("frame of unknown kind " + std::to_string(kind));
    }
    f.kind = HallFrame::Kind(kind);
    start_ += 4 + length;
    out = std::move(f);
    return Status::kFrame;
}

}  // namespace platform
