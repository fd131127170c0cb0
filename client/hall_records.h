#pragma once
// The records the hall and the client exchange with WM_COPYDATA, byte-exact
// (little-endian, GBK text in NUL-terminated fixed fields), and the cipher of
// the hall's payloads. Each record keeps the bytes of the words this client
// does not read, so what is decoded encodes back to the same bytes.
//
//   RoomRecord 444, TableRecord 176, PlayerRecord 320   the table state's records
//   HallTableState                                       payload of type 1
//   PlayerLeftRecord 16                                  payload of type 6
//   HallReport 188                                       the client's report (type 2 or 5)
//   ReadHallCopyData                                     decrypt and decode types 1, 4, 6, 7

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace client {

inline constexpr size_t kRoomRecordSize = 444;
inline constexpr size_t kTableRecordSize = 176;
inline constexpr size_t kPlayerRecordSize = 320;
inline constexpr size_t kPlayerLeftRecordSize = 16;
inline constexpr size_t kHallReportSize = 188;
inline constexpr size_t kTableStateHeadSize = kRoomRecordSize + kTableRecordSize;  // 620

inline constexpr uint32_t kMaxSeated = 8;
inline constexpr uint32_t kMaxLookers = 64;

// WM_COPYDATA payload types (dwData).
inline constexpr uintptr_t kCopyTableState = 1;
inline constexpr uintptr_t kCopyReport = 2;
inline constexpr uintptr_t kCopyLookerJoined = 4;
inline constexpr uintptr_t kCopyReportConnectionLost = 5;
inline constexpr uintptr_t kCopyPlayerLeft = 6;
inline constexpr uintptr_t kCopyPlayerCard = 7;

// Messages to the hall window.
inline constexpr uint32_t kHallMsgMainWindow = 0x9105;  // wParam main window, lParam table
inline constexpr uint32_t kHallMsgPlayerNotice = 0x9107;
inline constexpr uint32_t kHallMsgPlayerRow = 0x9108;
inline constexpr uint32_t kHallSendTimeoutMs = 5000;

struct RoomRecord {
    uint32_t noticeFileNumber = 0;  // word 3
    uint32_t options = 0;           // word 4: 0x4 silver room, 0x4000 no leaving in a game
    std::string zoneName;           // char[64] at 20
    std::string advertHost;         // char[64] at 84
    std::string noticeHost;         // char[64] at 148
    std::string roomName;           // char[68] at 212
    uint32_t noticePeriod = 0;      // word 70, seconds
    uint32_t word73 = 0;            // passed in the enter request
    uint32_t word74 = 0;
    std::array<uint32_t, 4> words76to79{};
    std::array<uint8_t, kRoomRecordSize> image{};  // the whole record as received

    static RoomRecord Decode(std::span<const uint8_t, kRoomRecordSize> bytes);
    void EncodeTo(std::vector<uint8_t>& out) const;
    friend bool operator==(const RoomRecord&, const RoomRecord&) = default;
};

struct TableRecord {
    uint32_t seatedCount = 0;  // word 2
    uint32_t lookerCount = 0;  // word 3
    std::array<uint8_t, kTableRecordSize> image{};

    static TableRecord Decode(std::span<const uint8_t, kTableRecordSize> bytes);
    void EncodeTo(std::vector<uint8_t>& out) const;
    friend bool operator==(const TableRecord&, const TableRecord&) = default;
};

struct PlayerRecord {
    uint32_t userId = 0;         // 0 marks a free looker slot
    uint32_t flags = 0;          // bit 0x1000 read by the chat pane
    std::string userName;        // char[32] at 20
    std::string nickname;        // char[20] at 52
    uint32_t portrait = 0;       // word 18
    int32_t silver = 0;          // word 20
    uint32_t word21 = 0;         // rewritten from each game result
    std::string levelTitle;      // char[16] at 88
    int32_t score = 0;           // word 26
    int32_t chair = 0;           // word 36; for a looker, the chair watched
    uint32_t lookerFlag = 0;     // word 37: 1 = watching
    uint32_t friendFlag = 0;     // word 40
    uint32_t unwelcomeFlag = 0;  // word 41
    uint32_t knownFlag = 0;      // word 42
    std::array<uint8_t, kPlayerRecordSize> image{};

    static PlayerRecord Decode(std::span<const uint8_t, kPlayerRecordSize> bytes);
    void EncodeTo(std::vector<uint8_t>& out) const;
    std::vector<uint8_t> Encode() const;
    // A 16-byte level title of a game result as the record's field keeps
    // it: up to its NUL, at most 15 bytes, cut between characters.
    static std::string LevelTitleOf(std::span<const uint8_t, 16> field);
    friend bool operator==(const PlayerRecord&, const PlayerRecord&) = default;
};

// The type-1 payload: room, table, the seated records in chair order, then
// the lookers. The counts travel in the table record; Encode writes the
// sizes of the two lists there.
struct HallTableState {
    RoomRecord room;
    TableRecord table;
    std::vector<PlayerRecord> seated;
    std::vector<PlayerRecord> lookers;

    static size_t SizeFor(size_t seated, size_t lookers) {
        return kTableStateHeadSize + kPlayerRecordSize * (seated + lookers);
    }
    // Refuses (nullopt, reason in *error) a payload shorter than its head,
    // counts above 8 seated or 64 lookers, and a length that does not cover
    // the counted records. Bytes after them (cipher padding) are ignored.
    static std::optional<HallTableState> Decode(std::span<const uint8_t> bytes,
                                                std::string* error = nullptr);
    std::vector<uint8_t> Encode() const;
    friend bool operator==(const HallTableState&, const HallTableState&) = default;
};

struct PlayerLeftRecord {
    uint32_t hallWindow = 0;
    uint32_t userId = 0;
    int32_t tableNo = 0;
    int32_t chair = 0;

    static PlayerLeftRecord Decode(std::span<const uint8_t, kPlayerLeftRecordSize> bytes);
    std::vector<uint8_t> Encode() const;
    friend bool operator==(const PlayerLeftRecord&, const PlayerLeftRecord&) = default;
};

// The client's report to the hall; all other words are zero.
struct HallReport {
    uint32_t code = 0;
    uint32_t userId = 0;
    int32_t tableNo = 0;
    int32_t chair = 0;
    uint32_t serverMajor = 0;  // when the server's was higher, else 0
    uint32_t lookerFlag = 0;
    uint32_t connectionLost = 0;  // non-zero: a game ran when the connection was lost
    uint32_t gameId = 0;
    uint32_t serverMinor = 0;

    // 5 when the connection-lost word is set, else 2.
    uintptr_t CopyDataType() const {
        return connectionLost ? kCopyReportConnectionLost : kCopyReport;
    }
    // Refuses any size but 188 bytes.
    static std::optional<HallReport> Decode(std::span<const uint8_t> bytes);
    std::vector<uint8_t> Encode() const;
    friend bool operator==(const HallReport&, const HallReport&) = default;
};

// Deciphers `length` bytes of `source` into `destination` with the hall
// record key (ECB). False, destination untouched, when the length is not
// whole 16-byte blocks.
bool HallDataDecrypt(size_t length, uint8_t* destination, const uint8_t* source);
// The hall's side: `plain` zero-padded to whole blocks and enciphered.
std::vector<uint8_t> HallDataEncrypt(std::span<const uint8_t> plain);

// One hall WM_COPYDATA, deciphered and decoded.
struct HallCopyData {
    enum class Kind { kNotHall, kRefused, kTableState, kLookerJoined, kPlayerLeft, kPlayerCard };
    Kind kind = Kind::kNotHall;
    std::string error;  // why it was refused
    HallTableState tableState;
    PlayerRecord player;  // looker joined, player card
    PlayerLeftRecord left;
};

// Types other than 1, 4, 6 and 7 are kNotHall (default processing). A
// payload that is empty, not whole blocks, shorter than its record or
// longer than the record plus cipher padding, is kRefused with a reason.
HallCopyData ReadHallCopyData(uintptr_t dwData, std::span<const uint8_t> encrypted);

}  // namespace client
