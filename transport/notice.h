#pragma once
// The records through which every incoming message, close and error reaches
// the application. Message 2025 carries both records in one payload; the
// receiver owns it from the moment the post succeeds.

#include <atomic>
#include <cstdint>
#include <memory>
#include <span>

namespace transport {

// Local notice codes; they never travel on the wire.
inline constexpr uint32_t kNoticeClosed = 1;
inline constexpr uint32_t kNoticeError = 2;
// The notice message (WM_USER + 1001).
inline constexpr uint32_t kNoticeMessage = 2025;

// 24 bytes on the wire and at the front of a reassembly buffer.
struct TransportInfo {
    uint32_t socket = 0;
    uint32_t messageNumber = 0;
    uint32_t wantsReply = 0;
    uint32_t serial = 0;
    uint32_t reserved4 = 0;
    uint32_t reserved5 = 0;

    static constexpr uint32_t kSize = 24;
    void Encode(uint8_t* out) const;
    static TransportInfo Decode(const uint8_t* in);
};

// The six-word message head, the data length and the data (null when 0).
struct TransportNotice {
    uint32_t head[6] = {};
    uint32_t length = 0;
    std::unique_ptr<uint8_t[]> data;

    static constexpr uint32_t kHeadSize = 24;
    // Head word 1: request id, notification id, result code or local code.
    uint32_t Code() const { return head[1]; }
    std::span<const uint8_t> Bytes() const { return {data.get(), data ? length : 0}; }
};

// Frees the data block and clears the pointer; the record itself stays.
void FreeNotice(TransportNotice* notice);
// The eight words, and a new copy of the data when the length is non-zero.
void CopyNotice(TransportNotice& target, const TransportNotice& source);

// The notices a connection has posted that nobody has freed yet, wherever
// they wait (the communication thread's queue, the window's queue).
struct UnreadNotices {
    // A target that lags this far behind has stopped taking the connection's
    // notices: ordinary play leaves a few dozen waiting.
    static constexpr uint32_t kMaxRecords = 10000;
    static constexpr uint64_t kMaxBytes = 16u << 20;

    std::atomic<uint32_t> records{0};
    std::atomic<uint64_t> bytes{0};
};

// One record's share of its connection's UnreadNotices, given back when the
// record is freed.
class NoticeTicket {
  public:
    NoticeTicket() = default;
    // Counts `bytes` more; an empty ticket (nothing counted) when that would
    // pass either bound.
    static NoticeTicket Take(std::shared_ptr<UnreadNotices> unread, uint64_t bytes);
    NoticeTicket(NoticeTicket&& other) noexcept;
    NoticeTicket& operator=(NoticeTicket&& other) noexcept;
    ~NoticeTicket();
    explicit operator bool() const { return unread_ != nullptr; }

  private:
    std::shared_ptr<UnreadNotices> unread_;
    uint64_t bytes_ = 0;
};

// What message 2025 carries.
struct TransportNoticeRecords {
    TransportInfo info;
    TransportNotice notice;
    NoticeTicket ticket;  // empty for local notices
};

}  // namespace transport
