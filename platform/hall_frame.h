#pragma once
// The frames the hall link carries over its stream socket. Each frame is a
// 32-bit length (of what follows) and then:
//   u32 kind, u32 sequence number, and a body by kind:
//   kCopyData  u32 wParam, u32 dwData, u32 cbData, cbData bytes  (answered)
//   kSend      u32 message, u32 wParam, u32 lParam                (answered)
//   kPost      u32 message, u32 wParam, u32 lParam
//   kAck       u32 handled (0 or 1), u32 result                   (the answer)
// Handles and parameters are 32-bit, as on the hall's platform.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace platform {

// A frame's length word never exceeds this; the largest hall payload is
// about 23 KiB.
inline constexpr size_t kHallMaxFrame = 64 * 1024;

struct HallFrame {
    enum class Kind : uint32_t { kCopyData = 1, kSend = 2, kPost = 3, kAck = 4 };
    Kind kind = Kind::kPost;
    uint32_t seq = 0;
    uint32_t message = 0;         // kSend, kPost
    uint32_t wParam = 0;          // kCopyData, kSend, kPost
    uint32_t lParam = 0;          // kSend, kPost
    uint32_t dwData = 0;          // kCopyData
    std::vector<uint8_t> data{};  // kCopyData
    uint32_t handled = 0;         // kAck
    uint32_t result = 0;          // kAck

    bool WantsAck() const { return kind == Kind::kCopyData || kind == Kind::kSend; }
    friend bool operator==(const HallFrame&, const HallFrame&) = default;
};

// The frame with its length word; empty when it would exceed kHallMaxFrame.
std::vector<uint8_t> EncodeHallFrame(const HallFrame& frame);

// Cuts frames out of the bytes a stream delivers, in any pieces. A length
// above the cap, an unknown kind or a body of the wrong size is an error
// after which the reader accepts nothing more.
class HallFrameReader {
  public:
    enum class Status { kNeedMore, kFrame, kError };

    void Append(std::span<const uint8_t> bytes);
    // The next whole frame into `out`; kError with the reason in error().
    Status Next(HallFrame& out);
    const std::string& error() const { return error_; }

  private:
    Status Fail(std::string why);

    std::vector<uint8_t> buffer_;
    size_t start_ = 0;
    std::string error_;
};

}  // namespace platform
