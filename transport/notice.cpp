#include "transport/notice.h"

#include <cstring>
#include <utility>

#include "platform/bytes.h"

namespace transport {

void TransportInfo::Encode(uint8_t* out) const {
    const uint32_t words[6] = {socket, messageNumber, wantsReply, serial, reserved4, reserved5};
    for (int i = 0; i < 6; ++i)
        platform::StoreLE32(out + 4 * i, words[i]);
}

TransportInfo TransportInfo::Decode(const uint8_t* in) {
    TransportInfo info;
    info.socket = platform::LoadLE32(in);
    info.messageNumber = platform::LoadLE32(in + 4);
    info.wantsReply = platform::LoadLE32(in + 8);
    info.serial = platform::LoadLE32(in + 12);
    info.reserved4 = platform::LoadLE32(in + 16);
    info.reserved5 = platform::LoadLE32(in + 20);
    return info;
}

void FreeNotice(TransportNotice* notice) {
    if (notice) notice->data.reset();
}

void CopyNotice(TransportNotice& target, const TransportNotice& source) {
    if (&target == &source) return;
    std::memcpy(target.head, source.head, sizeof target.head);
    target.length = source.data ? source.length : 0;
    target.data.reset();
    if (source.length != 0 && source.data) {
        target.data = std::make_unique<uint8_t[]>(source.length);
        std::memcpy(target.data.get(), source.data.get(), source.length);
    }
}

NoticeTicket NoticeTicket::Take(std::shared_ptr<UnreadNotices> unread, uint64_t bytes) {
    NoticeTicket ticket;
    if (!unread) return ticket;
    uint32_t records = ++unread->records;
    uint64_t held = unread->bytes += bytes;
    if (records > UnreadNotices::kMaxRecords || held > UnreadNotices::kMaxBytes) {
        --unread->records;
        unread->bytes -= bytes;
        return ticket;
    }
    ticket.unread_ = std::move(unread);
    ticket.bytes_ = bytes;
    return ticket;
}

NoticeTicket::NoticeTicket(NoticeTicket&& other) noexcept
    : unread_(std::move(other.unread_)), bytes_(std::exchange(other.bytes_, 0)) {}

NoticeTicket& NoticeTicket::operator=(NoticeTicket&& other) noexcept {
    if (this == &other) return *this;
    NoticeTicket released(std::move(*this));
    unread_ = std::move(other.unread_);
    bytes_ = std::exchange(other.bytes_, 0);
    return *this;
}

NoticeTicket::~NoticeTicket() {
    if (!unread_) return;
    --unread_->records;
    unread_->bytes -= bytes_;
}

}  // namespace transport
