#pragma once
// Where each value of the round snapshot lies. The snapshot is one block of
// 1263 little-endian words (5052 bytes): the enter-game and table-data
// replies are copied into it from its first byte, and each round start
// (211040) overwrites its round words and its per-round lists. The game
// server writes the same places.
//
//   words 0-48       round words (below)
//   words 49-908     meld tables: five tables (pungs, chows, exposed kongs,
//                    concealed kongs, added kongs), each 4 chairs x 6 melds
//                    x 7 words, then the 4 counts (172 words a table)
//   words 909-1052   river lists, 36 tile codes a chair; 1053-1056 counts
//   words 1057-1200  flower lists, 36 tile codes a chair; 1201-1204 counts
//   words 1213-1216  tiles in each chair's concealed hand (the drawn one
//                    included)
//   words 1217-1248  the viewer's own tiles, -1 after the last
//
//   words 1253-1256  each chair's running total
//
// The round-result block (211080) is separate: 417 words, then one 172-byte
// record per player. The places are those of the rules model's state record
// (rules/table/table_record.h), which the game server sends.

#include <cstdint>

namespace mahjong::snap {

inline constexpr int kBlockWords = 1263;
inline constexpr int kBlockBytes = kBlockWords * 4;  // 5052

// Round words.
inline constexpr int kRoundNumber = 8;   // games at this table, this one included
inline constexpr int kSilverValue = 9;   // the round's stake in silver
inline constexpr int kPointsValue = 10;  // the round's stake in points
inline constexpr int kBankerChair = 11;
inline constexpr int kTurnChair = 13;      // the chair whose turn it is
inline constexpr int kTableFlags = 14;     // kFlagRunning | kFlagDrawn
inline constexpr int kAnalysisFlags = 15;  // the own chair's options on its turn (0x8: may win)
inline constexpr int kWallStart = 16;      // S: wall position of the first head draw
inline constexpr int kTurnedUpPos = 17;    // J: wall position of the turned-up tile
inline constexpr int kTurnTimeout = 18;    // seconds of a turn (own-move time)
inline constexpr int kTailCounter = 20;    // T: tail positions walked (the skipped J included)
inline constexpr int kMoneyMode = 21;      // 0 counts points, otherwise silver
inline constexpr int kDieA = 23;           // the round's first two dice, 1-6
inline constexpr int kDieB = 24;
inline constexpr int kEarlyClose = 27;        // non-zero: the claim window closes early
inline constexpr int kChowButton = 28;        // non-zero: chows are played (five buttons)
inline constexpr int kKongTopFaceSet = 29;    // face set of a concealed kong's top tile
inline constexpr int kJokersInRow = 30;       // 0: jokers sort apart and merge at the end
inline constexpr int kSubstituteAsTile = 31;  // 0: the substitute sorts as the joker tile
inline constexpr int kWallHead = 33;          // Hd: the next head position
inline constexpr int kJokerA = 34;  // the joker tile code, also the turned-up face F (-1 none)
inline constexpr int kJokerB = 35;
inline constexpr int kClaimTimeout = 39;  // seconds of a claim window (next-move time)
inline constexpr int kWatchTime = 40;     // base of the watch timers

inline constexpr int32_t kFlagRunning = 0x1;
inline constexpr int32_t kFlagDrawn = 0x100;  // the player to move holds a drawn tile

inline constexpr int kRoundWords = 49;
inline constexpr int kSpareStart = 49;  // the second buffer handed out

// Meld tables, counted from the spare start.
inline constexpr int kMeldWords = 7;
inline constexpr int kMeldsPerChair = 6;
inline constexpr int kMeldTableWords = 4 * kMeldsPerChair * kMeldWords + 4;  // 172
enum MeldTable { kPungs, kChows, kExposedKongs, kConcealedKongs, kAddedKongs, kMeldTables };

inline constexpr int kRiverLists = 909;
inline constexpr int kRiverCounts = 1053;
inline constexpr int kFlowerLists = 1057;
inline constexpr int kFlowerCounts = 1201;
inline constexpr int kListWords = 36;
inline constexpr int kHandCounts = 1213;
inline constexpr int kOwnTiles = 1217;
inline constexpr int kSeatTotals = 1253;

// The 211040 payload: its word ranges and where they go in the block.
inline constexpr int kRoundStartWords = 233;
struct BlockRange {
    int payloadFirst;
    int count;
    int blockFirst;
};
inline constexpr BlockRange kRoundStartRanges[] = {{0, 49, 0},
                                                   {49, 4, kHandCounts},
                                                   {53, 32, kOwnTiles},
                                                   {85, 144, kFlowerLists},
                                                   {229, 4, kFlowerCounts}};

// The round-result block.
inline constexpr int kResultWords = 417;
inline constexpr int kResultRecordBytes = 172;
inline constexpr int kResultRecords = 4;
inline constexpr int kResultFlags = 0;     // kResultNoWinner, kResultSelfDrawn ...
inline constexpr int kResultWon = 165;     // 165-168: > 0 for each winning chair
inline constexpr int kResultWinner = 170;  // the winning chair or -1
inline constexpr int kResultWinTile = 171;
inline constexpr int kResultQuiet = 175;  // 0: play the end sound
inline constexpr int kResultRecordCount = 181;
inline constexpr int kResultHands = 212;  // 212 + 32 x chair: each chair's hand
inline constexpr int32_t kResultNoWinner = 0x2;
inline constexpr int32_t kResultWinTileInHand = 0x2000000;

static_assert(kSpareStart + kMeldTables * kMeldTableWords == kRiverLists);
static_assert(kRiverLists + 4 * kListWords == kRiverCounts);
static_assert(kFlowerLists + 4 * kListWords == kFlowerCounts);
static_assert(kOwnTiles + 32 <= kBlockWords);

}  // namespace mahjong::snap
