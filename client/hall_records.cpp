#include "client/hall_records.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "client/hall_key.h"
#include "platform/bytes.h"
#include "platform/text.h"
#include "transport/rijndael.h"

namespace client {
namespace {

using platform::LoadLE32;
using platform::StoreLE32;

constexpr size_t kBlock = 16;

size_t RoundUpToBlocks(size_t n) {
    return (n + kBlock - 1) / kBlock * kBlock;
}

// The text of a fixed field: its bytes up to the first NUL.
std::string FieldText(const uint8_t* field, size_t n) {
    size_t len = 0;
    while (len < n && field[len] != 0)
        ++len;
    return std::string(reinterpret_cast<const char*>(field), len);
}

// Writes `text` into a fixed field of an image, cut between characters. A
// field whose text is unchanged keeps its bytes as received, bytes after
// the NUL included.
void PutText(uint8_t* field, size_t n, const std::string& text) {
    if (FieldText(field, n) == text) return;
    const size_t len = platform::GbkPrefix(text, n - 1).size();
    std::memcpy(field, text.data(), len);
    std::memset(field + len, 0, n - len);
}

uint32_t Word(std::span<const uint8_t> bytes, size_t index) {
    return LoadLE32(&bytes[index * 4]);
}
void PutWord(uint8_t* image, size_t index, uint32_t value) {
    StoreLE32(image + index * 4, value);
}

}  // namespace

// ---- RoomRecord -------------------------------------------------------------

RoomRecord RoomRecord::Decode(std::span<const uint8_t, kRoomRecordSize> bytes) {
    RoomRecord r;
    std::copy(bytes.begin(), bytes.end(), r.image.begin());
    r.noticeFileNumber = Word(bytes, 3);
    r.options = Word(bytes, 4);
    r.zoneName = FieldText(&bytes[20], 64);
    r.advertHost = FieldText(&bytes[84], 64);
    r.noticeHost = FieldText(&bytes[148], 64);
    r.roomName = FieldText(&bytes[212], 68);
    r.noticePeriod = Word(bytes, 70);
    r.word73 = Word(bytes, 73);
    r.word74 = Word(bytes, 74);
    for (size_t i = 0; i < 4; ++i)
        r.words76to79[i] = Word(bytes, 76 + i);
    return r;
}

void RoomRecord::EncodeTo(std::vector<uint8_t>& out) const {
    auto img = image;
    PutWord(img.data(), 3, noticeFileNumber);
    PutWord(img.data(), 4, options);
    PutText(&img[20], 64, zoneName);
    PutText(&img[84], 64, advertHost);
    PutText(&img[148], 64, noticeHost);
    PutText(&img[212], 68, roomName);
    PutWord(img.data(), 70, noticePeriod);
    PutWord(img.data(), 73, word73);
    PutWord(img.data(), 74, word74);
    for (size_t i = 0; i < 4; ++i)
        PutWord(img.data(), 76 + i, words76to79[i]);
    out.insert(out.end(), img.begin(), img.end());
}

// ---- TableRecord ------------------------------------------------------------

TableRecord TableRecord::Decode(std::span<const uint8_t, kTableRecordSize> bytes) {
    TableRecord t;
    std::copy(bytes.begin(), bytes.end(), t.image.begin());
    t.seatedCount = Word(bytes, 2);
    t.lookerCount = Word(bytes, 3);
    return t;
}

void TableRecord::EncodeTo(std::vector<uint8_t>& out) const {
    auto img = image;
    PutWord(img.data(), 2, seatedCount);
    PutWord(img.data(), 3, lookerCount);
    out.insert(out.end(), img.begin(), img.end());
}

// ---- PlayerRecord -----------------------------------------------------------

PlayerRecord PlayerRecord::Decode(std::span<const uint8_t, kPlayerRecordSize> bytes) {
    PlayerRecord p;
    std::copy(bytes.begin(), bytes.end(), p.image.begin());
    p.userId = Word(bytes, 0);
    p.flags = Word(bytes, 1);
    p.userName = FieldText(&bytes[20], 32);
    p.nickname = FieldText(&bytes[52], 20);
    p.portrait = Word(bytes, 18);
    p.silver = int32_t(Word(bytes, 20));
    p.word21 = Word(bytes, 21);
    p.levelTitle = FieldText(&bytes[88], 16);
    p.score = int32_t(Word(bytes, 26));
    p.chair = int32_t(Word(bytes, 36));
    p.lookerFlag = Word(bytes, 37);
    p.friendFlag = Word(bytes, 40);
    p.unwelcomeFlag = Word(bytes, 41);
    p.knownFlag = Word(bytes, 42);
    return p;
}

std::string PlayerRecord::LevelTitleOf(std::span<const uint8_t, 16> field) {
    return std::string(platform::GbkPrefix(FieldText(field.data(), field.size()), 15));
}

void PlayerRecord::EncodeTo(std::vector<uint8_t>& out) const {
    auto img = image;
    PutWord(img.data(), 0, userId);
    PutWord(img.data(), 1, flags);
    PutText(&img[20], 32, userName);
    PutText(&img[52], 20, nickname);
    PutWord(img.data(), 18, portrait);
    PutWord(img.data(), 20, uint32_t(silver));
    PutWord(img.data(), 21, word21);
    PutText(&img[88], 16, levelTitle);
    PutWord(img.data(), 26, uint32_t(score));
    PutWord(img.data(), 36, uint32_t(chair));
    PutWord(img.data(), 37, lookerFlag);
    PutWord(img.data(), 40, friendFlag);
    PutWord(img.data(), 41, unwelcomeFlag);
    PutWord(img.data(), 42, knownFlag);
    out.insert(out.end(), img.begin(), img.end());
}

std::vector<uint8_t> PlayerRecord::Encode() const {
    std::vector<uint8_t> out;
    out.reserve(kPlayerRecordSize);
    EncodeTo(out);
    return out;
}

// ---- HallTableState ---------------------------------------------------------

std::optional<HallTableState> HallTableState::Decode(std::span<const uint8_t> bytes,
                                                     std::string* error) {
    auto refuse = [&](std::string why) -> std::optional<HallTableState> {
        if (error) *error = std::move(why);
        return std::nullopt;
    };
    if (bytes.size() < kTableStateHeadSize)
        return refuse("table state of " + std::to_string(bytes.size()) + " bytes is shorter than " +
                      std::to_string(kTableStateHeadSize));
    HallTableState s;
    s.room = RoomRecord::Decode(bytes.subspan<0, kRoomRecordSize>());
    s.table = TableRecord::Decode(bytes.subspan<kRoomRecordSize, kTableRecordSize>());
    const uint32_t seated = s.table.seatedCount;
    const uint32_t lookers = s.table.lookerCount;
    if (seated > kMaxSeated || lookers > kMaxLookers)
        return refuse("table state counts " + std::to_string(seated) + " seated and " +
                      std::to_string(lookers) + " lookers, above 8 or 64");
    const size_t need = SizeFor(seated, lookers);
    if (bytes.size() < need)
        return refuse("table state of " + std::to_string(bytes.size()) +
                      " bytes does not cover its " + std::to_string(seated + lookers) +
                      " players (" + std::to_string(need) + " bytes)");
    size_t at = kTableStateHeadSize;
    auto next = [&] {
        auto p = PlayerRecord::Decode(bytes.subspan(at).first<kPlayerRecordSize>());
        at += kPlayerRecordSize;
        return p;
    };
    for (uint32_t i = 0; i < seated; ++i)
        s.seated.push_back(next());
    for (uint32_t i = 0; i < lookers; ++i)
        s.lookers.push_back(next());
    return s;
}

std::vector<uint8_t> HallTableState::Encode() const {
    std::vector<uint8_t> out;
    out.reserve(SizeFor(seated.size(), lookers.size()));
    room.EncodeTo(out);
    TableRecord t = table;
    t.seatedCount = uint32_t(seated.size());
    t.lookerCount = uint32_t(lookers.size());
    t.EncodeTo(out);
    for (const auto& p : seated)
        p.EncodeTo(out);
    for (const auto& p : lookers)
        p.EncodeTo(out);
    return out;
}

// ---- PlayerLeftRecord -------------------------------------------------------

PlayerLeftRecord PlayerLeftRecord::Decode(std::span<const uint8_t, kPlayerLeftRecordSize> bytes) {
    platform::ByteReader r(bytes);
    PlayerLeftRecord p;
    p.hallWindow = r.U32();
    p.userId = r.U32();
    p.tableNo = r.I32();
    p.chair = r.I32();
    return p;
}

std::vector<uint8_t> PlayerLeftRecord::Encode() const {
    std::vector<uint8_t> out;
    platform::ByteWriter w(out);
    w.U32(hallWindow);
    w.U32(userId);
    w.I32(tableNo);
    w.I32(chair);
    return out;
}

// ---- HallReport -------------------------------------------------------------

std::optional<HallReport> HallReport::Decode(std::span<const uint8_t> bytes) {
    if (bytes.size() != kHallReportSize) return std::nullopt;
    platform::ByteReader r(bytes);
    HallReport h;
    h.code = r.U32();
    h.userId = r.U32();
    h.tableNo = r.I32();
    h.chair = r.I32();
    h.serverMajor = r.U32();
    h.lookerFlag = r.U32();
    h.connectionLost = r.U32();
    h.gameId = r.U32();
    h.serverMinor = r.U32();
    return h;
}

std::vector<uint8_t> HallReport::Encode() const {
    std::vector<uint8_t> out;
    out.reserve(kHallReportSize);
    platform::ByteWriter w(out);
    w.U32(code);
    w.U32(userId);
    w.I32(tableNo);
    w.I32(chair);
    w.U32(serverMajor);
    w.U32(lookerFlag);
    w.U32(connectionLost);
    w.U32(gameId);
    w.U32(serverMinor);
    w.Zeros(kHallReportSize - out.size());
    return out;
}

// ---- cipher -----------------------------------------------------------------

bool HallDataDecrypt(size_t length, uint8_t* destination, const uint8_t* source) {
    if (length % kBlock != 0 || length > UINT32_MAX - kBlock) return false;
    if (length == 0) return true;
    // DecryptBuffer reports one block more than it writes for whole blocks;
    // it writes exactly `length` bytes here.
    transport::CEncryptorBase cipher;
    uint32_t written = 0;
    return cipher.EncryptBuffer(kHallRecordKey.data(), 128, source, uint32_t(length), destination,
                                &written, transport::kCipherOn | transport::kCipherDecrypt);
}

std::vector<uint8_t> HallDataEncrypt(std::span<const uint8_t> plain) {
    std::vector<uint8_t> padded(plain.begin(), plain.end());
    padded.resize(RoundUpToBlocks(padded.size()), 0);
    transport::CRijndael aes;
    aes.SetKey(kHallRecordKey.data(), 128);
    std::vector<uint8_t> out(padded.size());
    for (size_t at = 0; at < padded.size(); at += kBlock)
        aes.EncryptBlock(&padded[at], &out[at]);
    return out;
}

// ---- WM_COPYDATA ------------------------------------------------------------

HallCopyData ReadHallCopyData(uintptr_t dwData, std::span<const uint8_t> encrypted) {
    using Kind = HallCopyData::Kind;
    HallCopyData result;
    size_t recordSize = 0;
    switch (dwData) {
        case kCopyTableState:
            recordSize = kTableStateHeadSize;
            break;
        case kCopyLookerJoined:
        case kCopyPlayerCard:
            recordSize = kPlayerRecordSize;
            break;
        case kCopyPlayerLeft:
            recordSize = kPlayerLeftRecordSize;
            break;
        default:
            return result;
    }
    auto refuse = [&](std::string why) {
        result.kind = Kind::kRefused;
        result.error = "hall data type " + std::to_string(dwData) + ": " + std::move(why);
        return result;
    };
    // The largest payload a type may carry: its full record (the largest
    // table state for type 1) padded to whole blocks, plus the one block a
    // cipher may add to whole blocks.
    const size_t largest =
        dwData == kCopyTableState ? HallTableState::SizeFor(kMaxSeated, kMaxLookers) : recordSize;
    if (encrypted.size() % kBlock != 0)
        return refuse(std::to_string(encrypted.size()) + " bytes are not whole cipher blocks");
    if (encrypted.size() < recordSize || encrypted.size() > RoundUpToBlocks(largest) + kBlock)
        return refuse(std::to_string(encrypted.size()) + " bytes is a wrong size");
    std::vector<uint8_t> plain(encrypted.size());
    if (!HallDataDecrypt(plain.size(), plain.data(), encrypted.data()))
        return refuse("cannot be deciphered");
    const std::span<const uint8_t> bytes(plain);
    switch (dwData) {
        case kCopyTableState: {
            std::string why;
            auto state = HallTableState::Decode(bytes, &why);
            if (!state) return refuse(why);
            const size_t need =
                HallTableState::SizeFor(state->seated.size(), state->lookers.size());
            if (bytes.size() > RoundUpToBlocks(need) + kBlock)
                return refuse(std::to_string(bytes.size()) + " bytes for a state of " +
                              std::to_string(need));
            result.kind = Kind::kTableState;
            result.tableState = std::move(*state);
            break;
        }
        case kCopyLookerJoined:
        case kCopyPlayerCard:
            result.kind = dwData == kCopyLookerJoined ? Kind::kLookerJoined : Kind::kPlayerCard;
            result.player = PlayerRecord::Decode(bytes.first<kPlayerRecordSize>());
            break;
        case kCopyPlayerLeft:
            result.kind = Kind::kPlayerLeft;
            result.left = PlayerLeftRecord::Decode(bytes.first<kPlayerLeftRecordSize>());
            break;
    }
    return result;
}

}  // namespace client
