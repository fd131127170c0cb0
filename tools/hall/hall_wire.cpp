#include "tools/hall/hall_wire.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "client/hall_key.h"
#include "platform/bytes.h"
#include "tools/gameserver/envelope.h"

namespace hall {
namespace {

constexpr size_t kRoomSize = 444;
constexpr size_t kTableSize = 176;
constexpr size_t kPlayerSize = 320;
constexpr size_t kReportSize = 188;

// A record of zeros that fields are put into at their offsets.
class Record {
  public:
    explicit Record(size_t size) : bytes_(size, 0) {}
    void Word(size_t offset, uint32_t value) { platform::StoreLE32(&bytes_[offset], value); }
    // Text in a fixed field, cut to leave room for its NUL.
    void Text(size_t offset, size_t field, const std::string& text) {
        std::memcpy(&bytes_[offset], text.data(), std::min(text.size(), field - 1));
    }
    void AppendTo(std::vector<uint8_t>& out) const {
        out.insert(out.end(), bytes_.begin(), bytes_.end());
    }

  private:
    std::vector<uint8_t> bytes_;
};

void AppendPlayer(const client::PlayerRecord& p, std::vector<uint8_t>& out) {
    Record r(kPlayerSize);
    r.Word(0, p.userId);
    r.Word(4, p.flags);
    r.Text(20, 32, p.userName);
    r.Text(52, 20, p.nickname);
    r.Word(68, platform::LoadLE32(&p.image[68]));  // the voice kind (word 17)
    r.Word(72, p.portrait);
    r.Word(80, uint32_t(p.silver));
    r.Word(84, p.word21);
    r.Text(88, 16, p.levelTitle);
    r.Word(104, uint32_t(p.score));
    r.Word(144, uint32_t(p.chair));
    r.Word(148, p.lookerFlag);
    r.Word(160, p.friendFlag);
    r.Word(164, p.unwelcomeFlag);
    r.Word(168, p.knownFlag);
    r.AppendTo(out);
}

}  // namespace

std::vector<uint8_t> EncodeTableState(const client::HallTableState& state) {
    std::vector<uint8_t> out;
    const client::RoomRecord& room = state.room;
    Record r(kRoomSize);
    r.Word(12, room.noticeFileNumber);
    r.Word(16, room.options);
    r.Text(20, 64, room.zoneName);
    r.Text(84, 64, room.advertHost);
    r.Text(148, 64, room.noticeHost);
    r.Text(212, 68, room.roomName);
    r.Word(280, room.noticePeriod);
    r.Word(292, room.word73);
    r.Word(296, room.word74);
    for (size_t i = 0; i < 4; ++i)
        r.Word(304 + 4 * i, room.words76to79[i]);
    r.AppendTo(out);
    Record table(kTableSize);
    table.Word(8, uint32_t(state.seated.size()));
    table.Word(12, uint32_t(state.lookers.size()));
    table.AppendTo(out);
    for (const auto& p : state.seated)
        AppendPlayer(p, out);
    for (const auto& p : state.lookers)
        AppendPlayer(p, out);
    return out;
}

std::vector<uint8_t> EncodePlayer(const client::PlayerRecord& player) {
    std::vector<uint8_t> out;
    AppendPlayer(player, out);
    return out;
}

std::vector<uint8_t> EncodePlayerLeft(const client::PlayerLeftRecord& left) {
    std::vector<uint8_t> out;
    Record r(16);
    r.Word(0, left.hallWindow);
    r.Word(4, left.userId);
    r.Word(8, uint32_t(left.tableNo));
    r.Word(12, uint32_t(left.chair));
    r.AppendTo(out);
    return out;
}

std::optional<client::HallReport> DecodeReport(std::span<const uint8_t> bytes) {
    if (bytes.size() != kReportSize) return std::nullopt;
    auto word = [&](size_t i) { return platform::LoadLE32(&bytes[4 * i]); };
    client::HallReport report;
    report.code = word(0);
    report.userId = word(1);
    report.tableNo = int32_t(word(2));
    report.chair = int32_t(word(3));
    report.serverMajor = word(4);
    report.lookerFlag = word(5);
    report.connectionLost = word(6);
    report.gameId = word(7);
    report.serverMinor = word(8);
    return report;
}

std::vector<uint8_t> EncryptForClient(std::span<const uint8_t> plain) {
    std::vector<uint8_t> padded(plain.begin(), plain.end());
    padded.resize((padded.size() + 15) / 16 * 16, 0);
    return gameserver::AesEcb(padded, client::kHallRecordKey, true);
}

}  // namespace hall
