#include "mahjong/app/seat_layout.h"

#include "client/game_app.h"
#include "client/game_frame.h"

namespace mahjong {

int32_t Mod4(int32_t n) {
    return ((n % 4) + 4) % 4;
}

int32_t PrevChairOf(int32_t chair, int32_t chairs) {
    if (chairs <= 0) return -1;
    return int32_t(((int64_t(chair) + chairs - 1) % chairs + chairs) % chairs);
}

int32_t NextChairOf(int32_t chair, int32_t chairs) {
    if (chairs <= 0) return -1;
    return int32_t(((int64_t(chair) + 1) % chairs + chairs) % chairs);
}

int32_t OppositeChairOf(int32_t chair) {
    return Mod4(int32_t((int64_t(chair) + 2) % 4));
}

int32_t ChairToViewSeatOf(int32_t chair, int32_t own, int32_t chairs) {
    // A chair that is not seated would index before the per-seat arrays.
    if (chairs <= 0 || chair < 0 || chair >= chairs) return -1;
    if (chair == own) return 3;
    if (chair == NextChairOf(own, chairs)) return 0;
    if (chair == PrevChairOf(own, chairs)) return 2;
    if (chair == OppositeChairOf(own)) return 1;
    return -1;
}

int32_t ViewSeatToChairOf(int32_t seat, int32_t own, int32_t chairs) {
    switch (seat) {
        case 3:
            return own;
        case 0:
            return NextChairOf(own, chairs);
        case 1:
            return chairs >= 4 ? OppositeChairOf(own) : -1;
        case 2:
            return PrevChairOf(own, chairs);
        default:
            return -1;
    }
}

int32_t PrevViewSeatOf(int32_t seat, int32_t chairs) {
    if (chairs == 3 && seat == 2) return 0;
    return Mod4(int32_t((int64_t(seat) + 3) % 4));
}

int32_t NextViewSeatOf(int32_t seat, int32_t chairs) {
    if (chairs == 3 && seat == 0) return 2;
    return Mod4(int32_t((int64_t(seat) + 1) % 4));
}

void NeighbourSeatsOf(int32_t seat, int32_t chairs, int32_t* a, int32_t* b) {
    static constexpr int32_t kFour[4][2] = {{1, 3}, {0, 2}, {1, 3}, {0, 2}};
    static constexpr int32_t kThree[4][2] = {{2, 3}, {0, 2}, {0, 3}, {0, 2}};
    *a = *b = -1;
    if ((chairs != 3 && chairs != 4) || seat < 0 || seat > 3) return;
    const auto& row = chairs == 4 ? kFour[seat] : kThree[seat];
    *a = row[0];
    *b = row[1];
}

void OtherOpponentsOf(int32_t seat, int32_t* a, int32_t* b) {
    static constexpr int32_t kOthers[3][2] = {{2, 1}, {0, 2}, {0, 1}};
    if (seat < 0 || seat > 2) return;
    *a = kOthers[seat][0];
    *b = kOthers[seat][1];
}

int32_t OwnChair() {
    const client::CGameApp* app = client::CGameApp::Current();
    return app ? app->GetOwnChair() : 0;
}

void CGameSeatLayout::GetNeighbourSeats(int32_t seat, int32_t* a, int32_t* b) const {
    NeighbourSeatsOf(seat, ChairCount(), a, b);
}

void CGameSeatLayout::GetNeighbourSeats2(int32_t seat, int32_t* a, int32_t* b) const {
    OtherOpponentsOf(seat, a, b);
    if (ChairCount() == 3 && *a == 1) *b = 1;
}

int32_t CGameSeatLayout::ViewSeatToChair(int32_t seat) const {
    return ViewSeatToChairOf(seat, OwnChair(), ChairCount());
}

int32_t CGameSeatLayout::PrevSeat4(int32_t seat) const {
    return PrevViewSeatOf(seat, ChairCount());
}

int32_t CGameSeatLayout::NextSeat4(int32_t seat) const {
    return NextViewSeatOf(seat, ChairCount());
}

int32_t CGameSeatLayout::OppositeSeat(int32_t seat) const {
    return OppositeChairOf(seat);
}

int32_t CGameSeatLayout::ChairToViewSeat(int32_t chair) const {
    return ChairToViewSeatOf(chair, OwnChair(), ChairCount());
}

int32_t CGameSeatLayout::PrevChair(int32_t chair) const {
    return PrevChairOf(chair, ChairCount());
}

int32_t CGameSeatLayout::NextChair(int32_t chair) const {
    return NextChairOf(chair, ChairCount());
}

int32_t CGameSeatLayout::OppositeChair(int32_t chair) const {
    return OppositeChairOf(chair);
}

namespace {

client::CGameFrameWnd* MainFrameWnd() {
    const client::CGameApp* app = client::CGameApp::Current();
    return app ? dynamic_cast<client::CGameFrameWnd*>(app->MainFrame()) : nullptr;
}

}  // namespace

int32_t CGameSeatLayout::GetTablePaneWidth() const {
    client::CGameFrameWnd* frame = MainFrameWnd();
    return frame ? frame->GetTableViewWidth() : 0;
}

int32_t CGameSeatLayout::GetTablePaneHeight() const {
    client::CGameFrameWnd* frame = MainFrameWnd();
    return frame ? frame->GetTableViewHeight() : 0;
}

void CGameSeatLayout::PlaySound(uint32_t id, uint32_t flags) const {
    if (client::CGameApp* app = client::CGameApp::Current()) app->PlaySound(id, flags);
}

}  // namespace mahjong
