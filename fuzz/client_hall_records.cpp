// Decodes untrusted hall payloads. The first byte picks the WM_COPYDATA
// type; the rest is the plain payload, enciphered as the hall would, and
// also read as it stands (ciphertext of no known plain text). Whatever
// decodes must encode back to the bytes it came from.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <vector>

#include "client/hall_records.h"

namespace {

void CheckTableState(std::span<const uint8_t> plain) {
    const auto state = client::HallTableState::Decode(plain);
    if (!state) return;
    if (state->seated.size() > client::kMaxSeated || state->lookers.size() > client::kMaxLookers)
        std::abort();
    const auto back = state->Encode();
    if (back.size() > plain.size() || !std::equal(back.begin(), back.end(), plain.begin()))
        std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0 || size > 64 * 1024) return 0;
    static const uintptr_t kTypes[] = {1, 2, 4, 6, 7};
    const uintptr_t type = kTypes[data[0] % 5];
    const std::span<const uint8_t> plain(data + 1, size - 1);

    const auto read = client::ReadHallCopyData(type, client::HallDataEncrypt(plain));
    if (read.kind == client::HallCopyData::Kind::kTableState) CheckTableState(plain);
    // A shorter record is zero-padded by the cipher, so compare whole ones.
    if (read.kind == client::HallCopyData::Kind::kLookerJoined &&
        plain.size() >= client::kPlayerRecordSize &&
        !std::equal(plain.begin(), plain.begin() + client::kPlayerRecordSize,
                    read.player.Encode().begin()))
        std::abort();
    CheckTableState(plain);
    client::ReadHallCopyData(type, plain);
    client::HallReport::Decode(plain);
    return 0;
}
