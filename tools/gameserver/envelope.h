#pragma once
// The game server's envelopes and message bodies: a message is
// [24-byte head][u32 n][n bytes], wrapped in a compression envelope (zlib or
// stored) and then a cipher envelope (AES-128 in ECB, from OpenSSL, or
// stored). Each envelope head is [flags][plain size][0][0][payload size].

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "tools/gameserver/wire.h"

namespace gameserver {

using Key = std::array<uint8_t, 16>;

inline constexpr uint32_t kCipherOn = 0x100;
inline constexpr uint32_t kCompressOn = 0x400;

struct Body {
    uint32_t code = 0;  // head word 1: request id, notification id or result code
    Bytes data;
};

Bytes EncodeBody(const Body& body);
std::optional<Body> DecodeBody(std::span<const uint8_t> bytes, std::string& error);

// Outgoing: compress (when compressFlags has 0x400), then encipher (when
// cipherFlags has 0x100).
Bytes Seal(std::span<const uint8_t> body, const Key& key, uint32_t cipherFlags,
           uint32_t compressFlags);
// Incoming: the envelopes' own heads say what was applied.
std::optional<Bytes> Open(std::span<const uint8_t> sealed, const Key& key, std::string& error);

// The pieces, for tests and fault injection.
// AES-ECB without padding, with a key of 16, 24 or 32 bytes (OpenSSL's; the
// independent oracle of the client's cipher tests too).
Bytes AesEcb(std::span<const uint8_t> in, std::span<const uint8_t> key, bool encrypt);
Bytes DeflateSync(std::span<const uint8_t> in);
std::optional<Bytes> InflateSync(std::span<const uint8_t> in, size_t limit);

}  // namespace gameserver
