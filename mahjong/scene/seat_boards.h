#pragma once
// The seat boards beside each hand with their row of icons (the banker's
// mark among them), the four wind markers and the system bar's slide: what
// the scene keeps of the entities it made for them.

#include <array>
#include <cstdint>

namespace mahjong {

inline constexpr int32_t kSeatIcons = 10;
inline constexpr int32_t kIconKinds = 50;
inline constexpr int32_t kBankerIcon = 1;

// The picture cell an icon kind shows; kind 0 and unset kinds show none.
struct IconKind {
    uint32_t imageId = 0;
    int32_t x = 0, y = 0, width = 0, height = 0;
};

struct SeatBoard {
    uint32_t board = 0;                        // the text entity
    std::array<int32_t, kSeatIcons> kinds{};   // 0: no icon
    std::array<uint32_t, kSeatIcons> icons{};  // the icon entities, children of the board
};

// The system bar's messages: the end of its slide in, the pointer over it
// and away from it.
inline constexpr uint32_t kMsgSystemBarIn = 210039;
inline constexpr uint32_t kMsgSystemBarOver = 210048;
inline constexpr uint32_t kMsgSystemBarAway = 210049;

}  // namespace mahjong
