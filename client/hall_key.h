#pragma once
// The key the hall encrypts every WM_COPYDATA payload to the client with:
// AES-128, ECB. A deployment constant that the client and the hall stand-in
// both take from here; it is not the transport's key.

#include <array>
#include <cstdint>

namespace client {

inline constexpr std::array<uint8_t, 16> kHallRecordKey = {
    0x5A, 0x1F, 0xC3, 0x08, 0x77, 0xE4, 0x2B, 0x91, 0x3D, 0xA6, 0x60, 0xF2, 0x0E, 0xB9, 0x54, 0xC7,
};

}  // namespace client
