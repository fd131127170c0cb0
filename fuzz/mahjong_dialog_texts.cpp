// What the player card and the exit answer show of untrusted bytes: a player
// record from the hall, a request's reason from the server. The reason shown
// is at most 63 bytes without a NUL.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string_view>

#include "client/hall_records.h"
#include "mahjong/panes/exit_dialogs.h"
#include "mahjong/panes/player_dialogs.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < client::kPlayerRecordSize) return 0;
    const auto record = client::PlayerRecord::Decode(
        std::span<const uint8_t>(data, size).first<client::kPlayerRecordSize>());
    for (const auto& [id, text] : mahjong::PlayerCardValues(record)) {
        if (text.size() > 128) std::abort();
    }
    const std::string_view rest(reinterpret_cast<const char*>(data) + client::kPlayerRecordSize,
                                std::min<size_t>(size - client::kPlayerRecordSize, 64));
    const std::string reason = mahjong::ExitReasonText(rest);
    if (reason.size() > 63 || reason.find('\0') != std::string::npos) std::abort();
    return 0;
}
