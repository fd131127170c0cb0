#include "mahjong/app/seat_panel.h"

#include <algorithm>
#include <vector>

#include "client/game_app.h"
#include "mahjong/app/table_logic.h"
#include "platform/bytes.h"
#include "rules/random.h"

namespace mahjong {
namespace {

constexpr size_t kVoiceKindOffset = 17 * 4;

// Picks a folder of `list` at random and takes it out of the list, so that
// no two seats share it; an exhausted list gives its first folder.
std::string TakeFolder(std::vector<std::string>& list, const std::string& fallback) {
    if (list.empty()) return fallback;
    const size_t i = size_t(rules::RandomBelow(int32_t(list.size())));
    std::string folder = std::move(list[i]);
    list.erase(list.begin() + ptrdiff_t(i));
    return folder;
}

}  // namespace

void CMJSeatPanel::SetupSeats() {
    const client::CGameApp* app = client::CGameApp::Current();
    if (!app) return;
    const int32_t own = OwnChair();
    const int32_t chairs[4] = {own, NextChair(own), ChairCount() >= 4 ? OppositeChair(own) : -1,
                               PrevChair(own)};
    for (int32_t chair : chairs) {
        const int32_t seat = ChairToViewSeat(chair);
        if (seat < 0) continue;
        SeatRecord& r = seats_[size_t(seat)];
        r.chair = chair;
        r.userId = app->GetSeatUserId(chair);
        const client::PlayerRecord* player = app->FindPlayer(r.userId);
        r.voiceKind = player ? int32_t(platform::LoadLE32(&player->image[kVoiceKindOffset])) : 0;
        r.name = player ? player->userName : std::string();
        r.label = r.name;
    }
    ChooseVoiceFolders();
}

void CMJSeatPanel::ChooseVoiceFolders() {
    const client::CGameApp* app = client::CGameApp::Current();
    if (!app) return;
    std::vector<std::string> lists[2];
    app->EnumSoundFolders(lists[0], lists[1]);
    if (lists[0].empty() && lists[1].empty()) return;
    // A kind without folders of its own speaks with the other kind's.
    std::vector<std::string>* source[2] = {&lists[0], &lists[1]};
    if (lists[0].empty()) source[0] = &lists[1];
    if (lists[1].empty()) source[1] = &lists[0];
    const std::string fallback[2] = {source[0]->front(), source[1]->front()};
    for (int32_t chair = 0; chair < ChairCount(); ++chair) {
        const int32_t seat = ChairToViewSeat(chair);
        if (seat < 0) continue;
        SeatRecord& r = seats_[size_t(seat)];
        r.voiceFolder = app->GetModuleDir() + "sound\\";
        if (r.voiceKind == 0 || r.voiceKind == 1)
            r.voiceFolder += TakeFolder(*source[r.voiceKind], fallback[r.voiceKind]);
        r.voiceFolder += "\\";
    }
}

void CMJSeatPanel::SetAllStarted(int32_t value) {
    for (SeatRecord& r : seats_)
        r.started = value;
}

void CMJSeatPanel::SetAllBanker(int32_t value) {
    for (SeatRecord& r : seats_)
        r.banker = value;
}

void CMJSeatPanel::SetBanker(int32_t chair, int32_t value) {
    const int32_t seat = ChairToViewSeat(chair);
    if (seat >= 0) seats_[size_t(seat)].banker = value;
}

void CMJSeatPanel::DrawSeat(int32_t seat) {
    if (LayoutWord(4) == 2 && scenePainter_) scenePainter_(seat);
}

void CMJSeatPanel::ResetForRound() {
    SetAllBanker(0);
    SetAllStarted(1);
    if (logic_) SetBanker(logic_->GetBankerChair(), 1);
    for (int32_t seat = 0; seat < 4; ++seat) {
        if (seat == 1 && ChairCount() == 3) continue;
        DrawSeat(seat);
    }
}

void CMJSeatPanel::MarkStarted(int32_t chair) {
    const int32_t seat = ChairToViewSeat(chair);
    if (seat < 0) return;
    seats_[size_t(seat)].started = 1;
    DrawSeat(seat);
}

int32_t CompactAbove(std::span<int32_t> values, int32_t threshold) {
    std::vector<int32_t> kept;
    for (int32_t v : values)
        if (v > threshold) kept.push_back(v);
    std::fill(values.begin(), values.end(), threshold);
    std::copy(kept.begin(), kept.end(), values.begin());
    return int32_t(kept.size());
}

}  // namespace mahjong
