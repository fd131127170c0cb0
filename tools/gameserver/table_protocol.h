#pragma once
// What a table speaks: the ids of the requests it answers and of the
// notifications it sends, its result codes, and the word places of every
// payload it reads or writes. A payload is a row of little-endian 32-bit
// words; the request head is user id, room id, table number, chair.
//
// Replies and notifications the clients read, word by word:
//   draw reply                       [0] the tile drawn (first, as the protocol fixes it)
//                                    [1] its wall index (8 words)
//   229160 draw                      [0] chair [1] tile [2] its wall index (8 words)
//   flower reply, 229210 flower      head, [4] flower [5] replacement or -1 [6] its wall index
//                                    (8 words)
//   kong replies (229015, 229045,    [0] chair [1] replacement tile or -1 [2] its wall index
//   229047, 229049)                  (229015: 12 words, the others 8)
//   the draw, flower and kong        [7] the mover's options on its new hand (0x8: it may
//   replies (8 words), not their     win now), as word 15 of a round start tells the
//   notifications                    chair on turn
//   229025, 229030 replies, melds    head, [4] giver [5] claimed tile (a kong: the tile konged)
//   229185-229199                    [6] [7] the own tiles [8] a kong's fourth tile or -1
//                                    [9] kong kind [10] replacement [11] its wall index (16 words)
//   221170 discard                   [0] user [1] chair [2] table [3] chair [6 + chair] the
//                                    claim flags of each chair (0x20: it may pass) [11] chair
//                                    [21] tile (22 words)
//   229170 pung, 229175 chow         head of the claimer, [4] giver [5] tile (8 words)
//   229180 kong announced            [0] chair [1] giver [2] tile [3] kind 1 exposed, 2 added
//                                    [4 + chair] claim flags (0x8: may rob it) (8 words)
//   229165 claims over               no words
// A tile a viewer may not see is sent as kHiddenTile.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "tools/gameserver/wire.h"

namespace gameserver::table {

using Words = std::vector<int32_t>;

Bytes ToBytes(const Words& words);
// The whole words of a payload (a trailing part word is dropped).
Words ToWords(std::span<const uint8_t> bytes);
// Word i, or 0 past the end.
inline int32_t At(const Words& w, size_t i) {
    return i < w.size() ? w[i] : 0;
}

// Requests.
inline constexpr uint32_t kEnter = 200110, kVersion = 201001, kKeepAlive = 201020, kLeave = 201120,
                          kIsRunning = 201130, kTableData = 201140, kStart = 201160, kCall = 201200,
                          kChat = 201210, kSeeHand = 221050, kSeeHandAnswer = 221052,
                          kDiscard = 221080, kDraw = 229000, kPass = 229005, kPung = 229010,
                          kKong = 229015, kChow = 229020, kPungDone = 229025, kChowDone = 229030,
                          kExposedKong = 229045, kConcealedKong = 229047, kAddedKong = 229049,
                          kFlower = 229060, kHu = 229080, kStalled = 229405, kPresent = 229500,
                          kSceneRequest = 229505, kExitRequest = 400006, kExitAnswer = 400007;

// Notifications (201160, 201200, 201210, 221050, 229500, 400006 and 400007
// also travel this way, relayed or made by the table).
inline constexpr uint32_t kPlayerLeft = 211000, kLookerLeft = 211020, kRoundStart = 211040,
                          kRoundEnd = 211080, kLookOnView = 221160, kDiscarded = 221170,
                          kHandShown = 221200, kDrew = 229160, kClaimsOver = 229165,
                          kPungAnnounced = 229170, kChowAnnounced = 229175, kKongAnnounced = 229180,
                          kPunged = 229185, kChowed = 229190, kExposedKonged = 229195,
                          kConcealedKonged = 229197, kAddedKonged = 229199,
                          kFlowerReplaced = 229210, kPresence = 229500;

// Result codes.
inline constexpr uint32_t kOk = 10, kNoSuchObject = 1000, kExists = 1001, kFailed = 1010,
                          kUnsupported = 10000, kEntered = 200500, kAuthFailed = 210008,
                          kNotReady = 210010, kNoLookerPlace = 210020, kRunning = 210030,
                          kWait = 210050, kEnterFailed = 210060, kNoTile = 229101,
                          kDiscardRefused = 229450;

inline constexpr int32_t kHiddenTile = 200;
inline constexpr int32_t kPassFlag = 0x20;

// The request head.
inline constexpr size_t kUser = 0, kRoom = 1, kTable = 2, kChair = 3, kHeadWords = 4;
// The sender of a draw or discard: table, chair and user of the client that
// sent it (another chair's in the time-out forms).
inline constexpr size_t kSenderTable = 5, kSenderChair = 6, kSenderUser = 7;
// The discard: [4] 1 in the time-out form, the count and the tiles.
inline constexpr size_t kTimeoutForm = 4, kMachineId = 8, kOwnDiscard = 20, kDiscardCount = 25,
                        kDiscardTiles = 26, kDiscardBaseBytes = 104, kMaxDiscardTiles = 64;
inline constexpr size_t kDrawBytes = 96;
// Claims, kongs and melds (rules::request places): giver, tile, own tiles,
// kong kind; hu kind; a flower.
inline constexpr size_t kGiver = 4, kTile = 5, kOwn = 6, kKongKind = 9, kHuKind = 6,
                        kHuOfferKind = 7, kFlowerTile = 4, kReplacement = 10,
                        kReplacementIndex = 11, kMeldWords = 16;
// The enter request (208 bytes).
inline constexpr size_t kEnterUser = 0, kEnterRoom = 3, kEnterTable = 4, kEnterChair = 5,
                        kEnterLooker = 14, kEnterScore = 15, kEnterSilver = 16, kEnterBytes = 208;
// The discard notification and the kong announcement.
inline constexpr size_t kNoteChair = 1, kNoteFlags = 6, kNoteChairAgain = 11, kNoteTile = 21,
                        kDiscardNoteWords = 22, kAnnouncedFlags = 4;
// The leave request (96 bytes) and the see-hand answer.
inline constexpr size_t kLeaveBytes = 96, kSeeHandLooker = 4, kSeeHandAllow = 5;
// The exit request (80 bytes: its text in words 4-19) and answer (40).
inline constexpr size_t kExitText = 4, kExitTextBytes = 64, kExitRequestBytes = 80,
                        kExitRequester = 4, kExitAgree = 5;
// The draw reply; the draw notification and the kong replies; what the
// draw, flower and kong replies add.
inline constexpr size_t kDrawReplyTile = 0, kDrawReplyIndex = 1;
inline constexpr size_t kReplyChair = 0, kReplyTile = 1, kReplyIndex = 2;
inline constexpr size_t kReplyOptions = 7, kShortReplyWords = 8, kKongClaimReplyWords = 12;

// The smallest payload each request needs, in bytes; 0 for an id the table
// does not know.
size_t MinimumBytes(uint32_t id);
// Whether the client waits for the reply of this request.
bool IsWaited(uint32_t id);

}  // namespace gameserver::table
