#pragma once
// The records the rule tables fill for their callers: the game server sends
// them to the clients, and the client reads them word by word. A record is a
// row of signed 32-bit little-endian words; text fields are packed into the
// words byte by byte. The named word positions below are the contract between
// the two sides; a word without a name is zero.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace rules {

class TableRecord {
  public:
    TableRecord() = default;
    // A zeroed record of `bytes` bytes (a multiple of 4).
    explicit TableRecord(size_t bytes) : words_(bytes / 4, 0) {}

    size_t ByteSize() const { return words_.size() * 4; }
    size_t WordCount() const { return words_.size(); }
    // 0 past the end.
    int32_t Get(size_t word) const { return word < words_.size() ? words_[word] : 0; }
    // A word past the end is a layout error of the caller: it aborts.
    void Set(size_t word, int32_t value);
    void Fill(size_t word, size_t count, int32_t value);
    // Copies values from `word` on.
    void Put(size_t word, std::span<const int32_t> values);
    std::span<const int32_t> Words() const { return words_; }
    void Zero();

    // A text field of `bytes` bytes at `word`: the text cut to bytes - 1 and
    // NUL-padded; Text reads up to the first NUL.
    void PutText(size_t word, size_t bytes, std::string_view text);
    std::string Text(size_t word, size_t bytes) const;

    std::vector<uint8_t> Encode() const;
    // Refuses any length but `expectedBytes`.
    static std::optional<TableRecord> Decode(std::span<const uint8_t> bytes, size_t expectedBytes);

    bool operator==(const TableRecord&) const = default;

  private:
    std::vector<int32_t> words_;
};

// The table-info record: CGameTable's part (444 bytes), CTileGameTable's
// (5764) and CMJGameTable's (10716, also the rule table's).
namespace table_info {
inline constexpr size_t kBaseBytes = 444;
inline constexpr size_t kStakeStep = 0, kLevelUnit = 1, kSeatCount = 2, kRuleOptions = 3,
                        kRequestLimit = 4, kSeatWords = 5, kFlagsA = 13, kAllFlag2 = 21,
                        kAllFlag4 = 22, kAllFlag4000 = 23, kParams = 24 /* p2-p6 */,
                        kFirstGame = 30, kGamesCount = 31, kCurrentChair = 32, kGroups = 33,
                        kDice = 41, kState = 45, kActiveChair = 46, kTurnTimes = 47,
                        kSeatArrays = 55 /* two arrays of 8 */, kFlagsC = 71, kBaseValue = 79,
                        kSilverStake = 80, kEndCode = 81, kEndArray = 82, kFactors = 90,
                        kRequestCounts = 98, kTakeoverMillis = 106, kPrepareWord = 107,
                        kAnyFlagB1 = 108;

inline constexpr size_t kTileBytes = 5764;
inline constexpr size_t kTileCount = 111, kCopiesPerKind = 112, kTileConfig3 = 113,
                        kReserveCount = 114, kKindCountA = 115, kSuitStride = 116,
                        kKindCountB = 117, kRuleWords = 118 /* 16 */, kTurnTime = 134,
                        kTileConfig17 = 135, kTileConfig18 = 136, kTopBid = 137, kBottomBid = 138,
                        kDefaultBid = 139, kBanker = 140, kSecondSeat = 141, kBidCount = 142,
                        kBids = 143 /* 32 x 7 */, kBestBid = 367, kDealStart = 368,
                        kSpecialPos = 369, kJokerTile = 370, kPoints = 371, kArea512 = 372,
                        kArea8 = 884, kDiscardStamp = 892, kReserve = 893 /* 32 */,
                        kHeld = 925 /* 8 x 64 */;

inline constexpr size_t kMJBytes = 10716;
inline constexpr size_t kJokerB = 1441, kDiscarder = 1442, kWinner = 1443, kWinFlag = 1444,
                        kFrontDraws = 1445, kTailCounter = 1446, kFrontPos = 1447,
                        kWindowSeat = 1448, kWindowTile = 1449, kWindowAction = 1450,
                        kDealerRun = 1451, kDoubling = 1452, kRunSeat = 1453, kRunLength = 1454,
                        kStartAnyFlagB1 = 1455, kDrawCounts = 1456, kReplacement = 1460,
                        kClaimFlags = 1464, kRunCounters = 1468, kHuWords = 1472,
                        kMeldCounts = 1476 /* 4 x 5 */, kDiscardCounts = 1496, kFlowerCounts = 1500,
                        kDiscards = 1504 /* 4 x 36 */, kFlowers = 1648 /* 4 x 36 */,
                        kMelds = 1792 /* 4 x 6 x 8 */,
                        kHuResults = 1984 /* 4 x 129, only the viewer's before the end */;
inline constexpr size_t kListWords = 36, kMeldsPerSeat = 6, kMeldWords = 8;
}  // namespace table_info

// The game-end record: CGameTable's part (560 bytes), CTileGameTable's (580),
// CMJGameTable's (832), then the rule table's (1668 + 172 per seat).
namespace game_end {
inline constexpr size_t kBaseBytes = 560, kTileBytes = 580, kMJBytes = 832, kRuleBytes = 1668;
inline constexpr size_t kEndCode = 0, kFlags = 1, kSeats = 2, kGamesCount = 3, kCurrentChair = 4,
                        kGroups = 5, kPartner = 13, kScores = 14, kEndArray = 22, kFactors = 30,
                        kBaseValue = 38, kSilverStake = 39;
// Per-seat fields, field by field: word field + seat.
inline constexpr size_t kScore = 40, kSilver = 48, kBaseTimesFactor = 56, kFactorTimesStake = 64,
                        kScoreChange = 72, kSilverChange = 80, kFee = 88, kNewLevel = 96,
                        kLevelTitles = 104 /* 8 x 16 bytes */;
inline constexpr size_t kLevelTitleBytes = 16;
inline constexpr size_t kFirstGameAdd = 140;
inline constexpr size_t kExposedKongs = 145, kAddedKongs = 149, kConcealedKongs = 153,
                        kFlowerCounts = 157, kHuWords = 161, kWon = 165, kDiscarder = 169,
                        kWinner = 170, kWinningTile = 171, kDealerRun = 172, kNextDealer = 173,
                        kWinFlag = 174, kTableWords = 177, kSeatCount = 181;
inline constexpr size_t kTileTotals = 208, kHands = 212 /* 4 x 32 */, kCounterNames = 340,
                        kCounterNameBytes = 256, kDoubling = 404, kCharged = 405,
                        kSeatResults = 417;
inline constexpr size_t kHandWords = 32;
}  // namespace game_end

// One seat's result after the game-end record's first 417 words (172 bytes).
namespace seat_result {
inline constexpr size_t kBytes = 172;
inline constexpr size_t kSeat = 0, kHuShapes = 1, kHuWaits = 2, kCounters = 3, kValue = 35;
}  // namespace seat_result

// A per-seat result entry of the game result (116 bytes).
namespace result_entry {
inline constexpr size_t kBytes = 116;
inline constexpr size_t kUserId = 0, kTableId = 1, kStakeStep = 2, kValue = 4, kBaseValue = 5,
                        kSilverStake = 6, kScore = 7, kSilver = 8, kSeconds = 9, kMinutes = 10,
                        kOne = 11, kWin = 13, kLoss = 14, kDraw = 15, kScoreChange = 16,
                        kSilverChange = 17, kNewLevel = 18, kLevelTitle = 19, kFee = 23;
}  // namespace result_entry

// The rule table's state record (5052 bytes): the table as one viewer may see
// it, sent when a client enters or resynchronises. It starts with the round
// words, which the seat record and the round-start message share.
namespace state_record {
inline constexpr size_t kBytes = 5052;
// Round words, shared with the seat record and the round-start message.
inline constexpr size_t kTableId = 0;
inline constexpr size_t kSeatCount = 1;
inline constexpr size_t kRuleOptions = 2;
inline constexpr size_t kWallSize = 3;
inline constexpr size_t kHandSize = 4;      // tiles dealt a seat; the banker gets one more
inline constexpr size_t kWindowSeat = 5;    // the open claim window: the discarder or the
inline constexpr size_t kWindowTile = 6;    // player of an added kong, its tile, and the
inline constexpr size_t kWindowAction = 7;  // action (1 discard, 3 added kong); -1 when closed
inline constexpr size_t kRoundNumber = 8;
inline constexpr size_t kSilverValue = 9;   // the silver stake
inline constexpr size_t kPointsValue = 10;  // the base value
inline constexpr size_t kBanker = 11;       // the dealer's chair
inline constexpr size_t kSecondSeat = 12;
inline constexpr size_t kTurnChair = 13;  // whose move it is
// The table's state bits: 0x1 a hand is running, 0x100 the seat on turn has
// its tile and acts on its hand, 0x400 a discard is open to claims,
// 0x1000000 the hand is over, 0x4000000 an added kong may be robbed.
inline constexpr size_t kState = 14;
// The viewer's options when its turn begins (kClaimFlagHu: it may win with
// the tiles it holds); 0 in a view without the viewer's hand.
inline constexpr size_t kOwnTurnFlags = 15;
inline constexpr size_t kWallStart = 16;   // the deal's first wall position
inline constexpr size_t kSpecialPos = 17;  // the indicator's wall position
inline constexpr size_t kTurnSeconds = 18;
inline constexpr size_t kFrontDraws = 19;  // tiles taken from the front, the deal's included
// The tail-draw counter: every position drawn from the tail is among those
// NextWallTailPos names from counter 0 until its counter reaches this value.
inline constexpr size_t kTailCounter = 20;
inline constexpr size_t kMoneyMode = 21;    // 0 points, 1 silver
inline constexpr size_t kDice = 23;         // four dice; the second pair 0 when not thrown
inline constexpr size_t kEarlyClose = 27;   // 1: a window nobody can claim closes at once
inline constexpr size_t kChowsPlayed = 28;  // 1: chows are claimed (the client shows their button)
inline constexpr size_t kFrontPos = 33;     // the next front position
inline constexpr size_t kJokerA = 34;       // the indicator tile; its kind is the joker
inline constexpr size_t kJokerB = 35;       // -1: this game has one joker kind
inline constexpr size_t kClaimSeconds = 39;
// Left to the game server: the seconds a client waits, after the seat before
// it ran out of time, before it asks the server to draw or discard for that
// seat.
inline constexpr size_t kWatchSeconds = 40;
inline constexpr size_t kRoundWords = 49;
// Seat views from word 49. Meld tables in the order below, each 4 seats x 6
// melds x 7 words (a shown meld: tiles 0-3, the giver in word 4), then the 4
// counts.
inline constexpr size_t kMeldTables = 49, kMeldTableWords = 172, kMeldsPerSeat = 6, kMeldWords = 7,
                        kMeldCounts = 168;
enum MeldTable { kPungTable, kChowTable, kExposedKongTable, kConcealedKongTable, kAddedKongTable };
inline constexpr size_t kRivers = 909 /* 4 x 36 */, kRiverCounts = 1053,
                        kFlowers = 1057 /* 4 x 36 */, kFlowerCounts = 1201, kTileTotals = 1213,
                        kHeld = 1217 /* 32 */, kTableWords = 1249, kRunningTotals = 1253,
                        kBlocked = 1257;
inline constexpr size_t kListWords = 36, kHeldWords = 32;
}  // namespace state_record

// The rule table's seat record (948 bytes): the round words, then one
// viewer's hand and every seat's flowers. Its first 233 words are the
// round-start message.
namespace seat_record {
inline constexpr size_t kBytes = 948;
inline constexpr size_t kTileTotals = 49, kHeld = 53 /* 32 */, kFlowers = 85 /* 4 x 36 */,
                        kFlowerCounts = 229;
inline constexpr size_t kRoundStartWords = 233;
}  // namespace seat_record

// Request payloads as the client sends them: the head (user, room, table,
// own chair), then the words of each request.
namespace request {
inline constexpr size_t kUserId = 0, kRoomId = 1, kTableNo = 2, kChair = 3;
// Claims and kongs: the offering chair (the player himself for his own
// kongs), the tile, the tiles shown beside it, and the kong's kind.
inline constexpr size_t kOffering = 4, kTile = 5, kShown = 6, kKongKind = 9;
inline constexpr size_t kShownWords = 3, kClaimWords = 16;
// Hu: kind 1 on a discard, 2 on the own draw, 4 robbing a kong.
inline constexpr size_t kHuKind = 6;
// Discard: the tile count and the tiles.
inline constexpr size_t kDiscardCount = 25, kDiscardTiles = 26, kMaxDiscardTiles = 64;
// Flower replacement: the flower tile.
inline constexpr size_t kFlowerTile = 4;
// Bids: pass flag and value after the chair.
inline constexpr size_t kBidPass = 4, kBidValue = 5;
}  // namespace request

}  // namespace rules
