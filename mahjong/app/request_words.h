#pragma once
// The game's requests: ids, reply codes, the payload as the scene fills it
// and where the replies of the own-turn moves keep their values.
//
// Every payload starts with the head: own user id, room id, table number,
// own chair. Several repeat the sender in words 5-7 (table number, own
// chair, own user id), so that the server knows who asked on another
// chair's behalf.

#include <algorithm>
#include <array>
#include <cstdint>
#include <span>
#include <vector>

namespace mahjong {

// Request ids.
inline constexpr uint32_t kReqDraw = 229000;
inline constexpr uint32_t kReqPass = 229005;
inline constexpr uint32_t kReqPeng = 229010;
inline constexpr uint32_t kReqKong = 229015;
inline constexpr uint32_t kReqChi = 229020;
inline constexpr uint32_t kReqPengExecute = 229025;
inline constexpr uint32_t kReqChiExecute = 229030;
inline constexpr uint32_t kReqExposedKong = 229045;
inline constexpr uint32_t kReqConcealedKong = 229047;
inline constexpr uint32_t kReqAddedKong = 229049;
inline constexpr uint32_t kReqFlower = 229060;
inline constexpr uint32_t kReqHu = 229080;
inline constexpr uint32_t kReqDiscard = 221080;
inline constexpr uint32_t kReqSeeHand = 221050;
inline constexpr uint32_t kReqSeeHandAnswer = 221052;
inline constexpr uint32_t kReqStall = 229405;
inline constexpr uint32_t kReqPresence = 229500;
inline constexpr uint32_t kReq229505 = 229505;
inline constexpr uint32_t kReqExit = 400006;
inline constexpr uint32_t kReqExitReply = 400007;
// Requests below this id are the framework's.
inline constexpr uint32_t kFirstGameRequest = 220001;

// Reply codes.
inline constexpr uint32_t kReplyOk = 10;
inline constexpr uint32_t kReplyWait = 210050;  // the claim stays pending
inline constexpr uint32_t kReplyNotSent = 10100;
inline constexpr uint32_t kReplyDiscardRefused = 229450;
inline constexpr uint32_t kReplyRefused = 229101;  // a draw or a flower replacement

// Where the replies of the own-turn moves keep their values (32 bytes).
// The draw reply begins with the drawn tile; the rest is this table's own:
// the wall place the tile came from, and the drawer's options on its new
// hand (0x8: it may win). A refused draw is marked -1 in word 1.
namespace draw_reply {
inline constexpr int kTile = 0, kWallIndex = 1, kOptions = 7;
}  // namespace draw_reply
// The flower reply is laid out like the flower notification 229210.
namespace flower_reply {
inline constexpr int kChair = 3, kFlower = 4, kReplacement = 5, kWallIndex = 6, kOptions = 7;
}
// The replies of 229045, 229047 and 229049: the kong's replacement tile
// (-1 when the wall is dry), its wall place and the options as above.
namespace kong_reply {
inline constexpr int kChair = 0, kReplacement = 1, kWallIndex = 2, kOptions = 7;
}

// The discard (221080): 90 words are built, 104 bytes and the tiles sent.
namespace discard {
inline constexpr int kTimeOut = 4;    // 1 in the form sent for another chair
inline constexpr int kSender = 5;     // 5-7: table number, own chair, own user id
inline constexpr int kMachineId = 8;  // 8-19: the machine id text
inline constexpr int kOwn = 20;       // 1 for the player's own discard
inline constexpr int kCount = 25;
inline constexpr int kTiles = 26;
inline constexpr int kMaxTiles = 64;
inline constexpr int kWords = 90;
inline constexpr size_t kHeadBytes = 104;
}  // namespace discard

// A payload as the scene fills it: little-endian words, zero unless
// written; a word outside it reads 0 and is never written.
class RequestWords {
  public:
    explicit RequestWords(size_t words) : words_(words, 0) {}
    int32_t Get(size_t i) const { return i < words_.size() ? words_[i] : 0; }
    int32_t operator[](size_t i) const { return Get(i); }
    RequestWords& Set(size_t i, int32_t value) {
        if (i < words_.size()) words_[i] = value;
        return *this;
    }
    size_t size() const { return words_.size(); }
    std::span<const int32_t> Words() const { return words_; }
    // Exactly `bytes` bytes: the words, zero past them.
    std::vector<uint8_t> Encode(size_t bytes) const;

  private:
    std::vector<int32_t> words_;
};

// A reply block of N words the caller owns.
template <size_t N>
using ReplyBlock = std::array<int32_t, N>;

}  // namespace mahjong
