#include "mahjong/app/seat_panel.h"

#include <algorithm>
#include <vector>

#include "client/game_app.h"
#include "client/skin_library.h"
#include "mahjong/app/client_app.h"
#include "mahjong/app/table_logic.h"
#include "mahjong/scene/classic_bitmaps.h"
#include "platform/bytes.h"
#include "platform/gui/painter.h"
#include "platform/gui/sys_colors.h"
#include "rules/hand/random.h"

namespace mahjong {
namespace {

constexpr size_t kVoiceKindOffset = 17 * 4;
constexpr int32_t kLabelGap = 4;      // between a label and its seat's hand
constexpr int32_t kLabelAlong = 100;  // the label's centre from the hand's end
constexpr int32_t kButtonsRow = 31;   // the claim buttons above the own hand
constexpr int32_t kMarkGap = 6;       // the banker's mark beside the text
constexpr uint32_t kStartedColour = 0x00ffff, kWaitingColour = 0xffffff;

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
    if (LayoutWord(4) == 2) {
        if (scenePainter_) scenePainter_(seat);
        return;
    }
    // The classic pane draws every label as it repaints.
    const client::CGameApp* app = client::CGameApp::Current();
    if (app && app->MainFrame()) app->MainFrame()->RefreshTable();
}

void CMJSeatPanel::CreateFonts() {
    platform::FontSpec spec = platform::DefaultGuiFont();
    const int32_t escapements[4] = {900, 0, 2700, 0};  // by view seat
    for (int32_t size = 0; size < 2; ++size) {
        spec.height = size == 0 ? -16 : -20;
        spec.weight = size == 0 ? 400 : 700;
        for (int32_t seat = 0; seat < 4; ++seat)
            fonts_[size_t(4 * size + seat)] = {spec, escapements[seat]};
    }
}

void CMJSeatPanel::LoadBankerMark() {
    bankerMark_ = client::SkinLibrary::Instance().GetBitmap(assets::kBankerMarkBitmap.name);
}

void CMJSeatPanel::GetLabelRect(int32_t seat, platform::RECT* rect) const {
    *rect = {};
    CClientApp* app = CClientApp::Current();
    if (!app || seat < 0 || seat > 3) return;
    const SeatRecord& r = seats_[size_t(seat)];
    const platform::SIZE size = TableTextSize(fonts_[size_t(seat)], r.label);
    platform::RECT hand;
    app->GetTableScene()->GetHandAreaRect(seat, &hand);
    // On the hand's inner side, at the end away from the seat's flowers (as
    // the engine pane's seat boards stand); the own one above the buttons.
    int32_t x = 0, y = 0;
    switch (seat) {
        case 0:
            x = hand.right + kLabelGap;
            y = hand.bottom - kLabelAlong - size.cy / 2;
            break;
        case 1:
            x = hand.left + kLabelAlong - size.cx / 2;
            y = hand.bottom + kLabelGap;
            break;
        case 2:
            x = hand.left - kLabelGap - size.cx;
            y = hand.top + kLabelAlong - size.cy / 2;
            break;
        default:
            x = hand.right - kLabelAlong - size.cx / 2;
            y = hand.top - kButtonsRow - kLabelGap - size.cy;
            break;
    }
    *rect = {x, y, x + size.cx, y + size.cy};
}

void CMJSeatPanel::DrawLabelText(platform::Painter& dc, int32_t seat) {
    SeatRecord& r = seats_[size_t(seat & 3)];
    platform::RECT text;
    GetLabelRect(seat, &text);
    r.labelX = text.left;
    r.labelY = text.top;
    const bool along = seat == 0 || seat == 2;
    const int32_t markSize = bankerMark_ ? bankerMark_->Width() : 0;
    r.markX = along ? (text.left + text.right - markSize) / 2 : text.right + kMarkGap;
    r.markY = along ? text.bottom + kMarkGap : (text.top + text.bottom - markSize) / 2;
    if (r.label.empty()) return;
    DrawTableText(dc, fonts_[size_t(seat & 3)], text.left, text.top, r.label,
                  r.started ? kStartedColour : kWaitingColour);
    if (r.banker && bankerMark_)
        dc.TransparentBlt(
            {r.markX, r.markY, r.markX + bankerMark_->Width(), r.markY + bankerMark_->Height()},
            *bankerMark_, bankerMark_->Bounds(), assets::kBankerMarkBitmap.colorKey);
}

void CMJSeatPanel::DrawSeatLabels(platform::Painter& dc) {
    if (LayoutWord(4) != 1) return;
    for (int32_t seat = 0; seat < 4; ++seat) {
        if (seat == 1 && ChairCount() == 3) continue;
        DrawLabelText(dc, seat);
    }
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
