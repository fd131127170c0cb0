#pragma once
// The hall stand-in's own codec of the WM_COPYDATA records, written from the
// record layouts (offsets, fixed text fields with their NUL) and enciphered
// through OpenSSL, apart from the client's codec: a layout fault on one side
// shows against the other instead of being mirrored. The records' fields
// travel in the client's structs; only the bytes are made here.

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "client/hall_records.h"

namespace hall {

// Room, table (with the two counts), seated records, then lookers; the
// words the layouts leave unnamed are zero.
std::vector<uint8_t> EncodeTableState(const client::HallTableState& state);
std::vector<uint8_t> EncodePlayer(const client::PlayerRecord& player);
std::vector<uint8_t> EncodePlayerLeft(const client::PlayerLeftRecord& left);
// The client's 188-byte report; any other size is refused.
std::optional<client::HallReport> DecodeReport(std::span<const uint8_t> bytes);
// `plain` zero-padded to whole 16-byte blocks, enciphered with the hall
// record key (AES-128, ECB).
std::vector<uint8_t> EncryptForClient(std::span<const uint8_t> plain);

}  // namespace hall
