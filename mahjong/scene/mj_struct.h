#pragma once
// The records of the table scene: one MJStruct per tile place (wall, hands,
// flowers, rivers, shown tiles), the claim option records of the own
// player, and the face lists hands travel in.

#include <array>
#include <cstdint>

namespace mahjong {

// A tile place; every word is 0 while the place is empty.
struct MJStruct {
    int32_t nFace = 0;  // TileId 0-151; kFaceDown: a back without identity
    int32_t x = 0;      // top-left corner, relative to the area's rectangle
    int32_t y = 0;
    int32_t faceState = 0;    // 1 face shown; 2 back of a standing tile; 0 back of a lying one
    int32_t orientation = 0;  // picture orientation 0-3
    int32_t standing = 0;     // in the concealed hand (the drawn tile included)
    int32_t raised = 0;       // own tile lifted or chosen
    int32_t visible = 0;      // drawn; on an own tile also 1 while dragged
    int32_t present = 0;      // the place holds a tile (wall: still in the wall; shown: pending)
    int32_t locked = 0;       // own tile that may not be chosen; moves with the face
    int32_t meldMark = 0;     // 1 pung, 2 added kong and every own kong, 3 chow
    int32_t seat = 0;         // owning view seat; in the wall the side
    int32_t showLarge = 0;    // wall: the turned-up tile shown full size
    int32_t jokerMark = 0;    // drawn with the joker picture; moves with the face
    int32_t huMark = 0;       // shown tile: the win picture in its place
    int32_t nObject = 0;      // tile binding that draws it (1-336), 0 unbound
    int32_t drawOrder = 0;    // order of the bound entity (higher drawn later)

    bool operator==(const MJStruct&) const = default;
};

inline constexpr int32_t kFaceDown = 200;

// Tile areas, as GetMJStruct numbers them; areas 2 and 3 are the same records.
enum TileArea : int32_t {
    kAreaWall = 1,
    kAreaHand = 2,
    kAreaMeld = 3,
    kAreaFlower = 4,
    kAreaRiver = 5,
    kAreaShown = 6,
};

inline constexpr int kWallRecords = 168;
inline constexpr int kHandRecords = 32;
inline constexpr int kStripRecords = 36;  // a river or flower strip

// A hand as a list of tile codes, -1 for an empty entry.
using FaceList = std::array<int32_t, 32>;

// The own player's options on a tile; records 1-5 belong to the buttons.
struct ClaimOption {
    int32_t offerChair = 0;  // the chair that offered the tile
    int32_t tile = 0;
    int32_t count = 0;  // candidate entries
    std::array<int32_t, 32> candidates{};
    int32_t enabled = 0;     // the button may be used
    int32_t huPossible = 0;  // another chair (or, for the chow, the flags) may win on it
    int32_t kind = 0;        // kind of the offer (kong announced: the kong's kind)
};
// What a meld notification (and a meld rebuilt from the snapshot) says:
// payload words 3-8 and 10.
struct MeldWords {
    int32_t chair = -1;    // the melding player
    int32_t giver = -1;    // the chair that gave the claimed tile
    int32_t claimed = -1;  // the claimed tile; a kong's first tile
    int32_t handA = -1;    // the tiles taken from the hand
    int32_t handB = -1;
    int32_t fourth = -1;       // a kong's fourth tile
    int32_t replacement = -1;  // the tile drawn after a kong
};
// The meld of a notification's or a request's words (word n is w[n]).
template <class Words>
MeldWords MeldOf(const Words& w) {
    return {w[3], w[4], w[5], w[6], w[7], w[8], w[10]};
}

enum ClaimButton : int32_t { kPengButton = 1, kKongButton, kChowButton, kHuButton, kPassButton };
inline constexpr int kClaimOptions = 9;

}  // namespace mahjong
