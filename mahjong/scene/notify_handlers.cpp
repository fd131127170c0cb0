// The game's notifications as the table scene applies them: deal, draws,
// discards with the own claim options, melds and kongs, flower
// replacements, presence and the round's end.
//
// Payloads come from the server: one shorter than what its handler reads,
// or naming a chair that is not seated, is dropped with a log line; a wall
// index outside the wall takes no tile.
#include <algorithm>
#include <cstdio>
#include <utility>

#include "client/game_app.h"
#include "mahjong/scene/table_scene_base.h"
#include "mahjong/scene/tile_identity.h"
#include "platform/bytes.h"

namespace mahjong {
namespace {

// The payload's little-endian words; reading past the end gives 0 (the
// handlers check the length first).
class PayloadWords {
  public:
    explicit PayloadWords(std::span<const uint8_t> bytes) : bytes_(bytes) {}
    int32_t operator[](int32_t n) const {
        if (n < 0 || size_t(n) * 4 + 4 > bytes_.size()) return 0;
        return int32_t(platform::LoadLE32(&bytes_[size_t(n) * 4]));
    }
    int32_t Count() const { return int32_t(bytes_.size() / 4); }

  private:
    std::span<const uint8_t> bytes_;
};

std::string Format(const char* format, auto... args) {
    char text[256];
    std::snprintf(text, sizeof(text), format, args...);
    return text;
}

}  // namespace

bool CMJTableSceneBase::Enough(uint32_t id, Bytes payload, int32_t words) const {
    if (payload.size() >= size_t(words) * 4) return true;
    LogLine("通知%u的数据不足: %zu字节, 需要%d个字", id, payload.size(), words);
    return false;
}

int32_t CMJTableSceneBase::SeatOfChair(uint32_t id, int32_t chair) const {
    const int32_t seat = ChairToViewSeat(chair);
    if (!IsSeat(seat)) LogLine("通知%u的座位%d无效", id, chair);
    return seat;
}

bool CMJTableSceneBase::TakeWallTile(int32_t index) {
    if (!IsWallIndex(index)) {
        LogLine("牌墙位置%d无效", index);
        return false;
    }
    Wall(index).present = 0;
    DrawWallArea();
    return true;
}

void CMJTableSceneBase::CloseShownTile(int32_t seat) {
    Shown(seat).present = 0;
    DrawShownTile(seat);
}

void CMJTableSceneBase::ClockTo(int32_t seat) {
    TC_MoveClockHand(TC_GetPointTo(), 2 * seat);
}

void CMJTableSceneBase::OnRoundStart() {
    StartClockTimer();
    // A round that runs offers no start.
    ShowStartButton(0);
    HideReadyIcons();
    ClearTable();
    // The dealt tiles leave the wall shown for a fresh round too.
    SyncWallFromSnapshot();
    FillFlowersFromSnapshot();
    LoadOwnHandFromSnapshot(1);
    MarkDealtHands();
    movesSinceDeal_ = 0;
    HideCentre();
    RefreshEntities(1);
    SetInRound(1);
    // The classic pane shows the turned-up tile full size for a while.
    if (paneKind_ == 1) PeekTurnedUpTile(2000);
    ThrowDice();
}

void CMJTableSceneBase::OnOwnHand(Bytes payload) {
    const PayloadWords w(payload);
    if (!Enough(221200, payload, 3) || w[1] != OwnChair()) return;
    // Only the hand's free places, and only the codes the payload holds.
    const int32_t places = HandTiles() - (HasDrawnTile(3) ? 0 : 1);
    const int32_t n = std::clamp(w[2], 0, std::min(places, w.Count() - 3));
    FaceList list;
    ClearFaces(list);
    for (int32_t i = 0; i < n; ++i)
        list[size_t(i)] = w[3 + i];
    PlaceHandFaces(3, list);
    OnSortButton();
    BindSeatTiles(3);
    PlaySoundResource(29102, 0);
}

void CMJTableSceneBase::OnHandHidden(Bytes payload) {
    const PayloadWords w(payload);
    const client::CGameApp* app = client::CGameApp::Current();
    if (!Enough(221160, payload, 6) || !IsLooker() || !app) return;
    if (w[3] != OwnChair() || uint32_t(w[4]) != app->GetUserId() || w[5] != 0) return;
    if (!IsHandFaceKnown(3)) return;
    HideHandFaces(3);
    BindSeatTiles(3);
    PlaySoundResource(29102, 5);
}

void CMJTableSceneBase::OnDraw(Bytes payload) {
    const PayloadWords w(payload);
    if (!Enough(229160, payload, 3)) return;
    const int32_t v = SeatOfChair(229160, w[0]);
    if (v < 0) return;
    ++movesSinceDeal_;
    KillTurnTimers();
    const int32_t p = NextViewSeat(v);
    // The own draw was applied when its request returned.
    if (!IsLooker() && w[0] == OwnChair() && HasDrawnTile(v)) return;
    if (IsShownTilePending(p)) {
        CloseShownTile(p);
        PlaySoundResource(29104, 17);
        AddRiverTile(p, Shown(p).nFace);
        RefreshRiver(p);
    }
    MJStruct& drawn = Hand(v, 0);
    drawn.present = 1;
    drawn.standing = 1;
    if (IsHandFaceKnown(v)) {
        drawn.faceState = 1;
        drawn.nFace = w[1];
    }
    BindSeatTiles(v);
    SetDrawnFlag(1);
    SetTurnSeconds(GetTableLogic()->GetTurnTimeout());
    ClockTo(v);
    TakeWallTile(w[2]);
    ResetOperationState();
}

void CMJTableSceneBase::OnDiscard(Bytes payload) {
    const PayloadWords w(payload);
    if (!Enough(221170, payload, 22)) return;
    const int32_t v = SeatOfChair(221170, w[1]);
    if (v < 0) return;
    ++movesSinceDeal_;
    KillTurnTimers();
    EndPendingClaim();
    claimTookTurn_ = false;
    const int32_t t = w[21];
    const int32_t own = ViewSeatToChair(3);
    const bool looker = IsLooker();
    // The own discard was applied locally.
    if (!looker && w[1] == own && !HasDrawnTile(v)) return;
    PlaySoundResource(29103, 0);
    PlayTileSound(v, t);
    if (IsHandFaceKnown(v)) {
        RemoveHandTile(v, t);
        MergeDrawnTile(v);
    }
    Hand(v, 0).present = 0;
    BindSeatTiles(v);
    MJStruct& shown = Shown(v);
    shown.present = 1;
    shown.nFace = t;
    shown.faceState = 1;
    DrawShownTile(v);
    SetHandMode(0);
    SetDrawnFlag(0);
    SetTurnSeconds(GetTableLogic()->GetClaimTimeout());
    SetClaimWindow(1);
    TC_MoveClockHand(2 * v, 2 * PrevViewSeat(v));
    if (looker || v == 3) return;

    // The own player's options on the tile.
    auto flagsOf = [&](int32_t chair) { return chair >= 0 && chair < 4 ? w[6 + chair] : 0; };
    const int32_t f = flagsOf(own);
    int32_t a = -1, b = -1;
    GetNeighbourSeats2(v, &a, &b);
    const int32_t chairA = ViewSeatToChair(a), chairB = ViewSeatToChair(b);
    const bool four = PlayerCount() >= 4;
    const bool anyClaim = flagsOf(chairA) || f || (four && (flagsOf(chairB) || flagsOf(w[1])));
    if (GetTableLogic()->GetEarlyClose() != 0 && !anyClaim) {
        SetClaimWindow(0);
        if (TC_GetPointTo() == 6) {
            SetTurnSeconds(1);
            return;
        }
    }
    FaceList hand;
    GetOwnHandFaces(hand);
    const bool othersHu =
        (flagsOf(chairA) & 0x8) || (four && ((flagsOf(chairB) & 0x8) || (flagsOf(w[1]) & 0x8)));
    ClearOptions();
    for (int32_t i = kPengButton; i <= kPassButton; ++i) {
        Option(i).offerChair = w[1];
        Option(i).tile = t;
        Option(i).huPossible = othersHu ? 1 : 0;
    }
    auto fill = [&](ClaimOption& o,
                    bool (CMJTableSceneBase::*find)(std::span<const int32_t>, int32_t,
                                                    std::span<int32_t>) const) {
        o.candidates.fill(-1);
        (this->*find)(hand, t, o.candidates);
        o.count = CountFaces(o.candidates);
    };
    fill(Option(kPengButton), &CMJTableSceneBase::FindPengTiles);
    fill(Option(kKongButton), &CMJTableSceneBase::FindGangTiles);
    if (PrevViewSeat(v) == 3) {
        fill(Option(kChowButton), &CMJTableSceneBase::FindChiTiles);
        Option(kChowButton).huPossible = flagsOf(ViewSeatToChair(2));
    }
    static constexpr int32_t kBits[6] = {0, 0x1, 0x2, 0x4, 0x8, 0x20};
    for (int32_t i = kPengButton; i <= kPassButton; ++i) {
        Option(i).enabled = (f & kBits[i]) ? 1 : 0;
        EnableOperationButton(i, Option(i).enabled);
    }
}

void CMJTableSceneBase::OnClaimsOver(Bytes) {
    if (std::exchange(claimTookTurn_, false)) {
        claimAnnounced_ = false;
        return;
    }
    SetTurnSeconds(0);
    OnOwnTurn();
    // A claim this notice completed is this window's own.
    claimTookTurn_ = false;
    claimAnnounced_ = false;
}

void CMJTableSceneBase::OnPengAnnounced(Bytes payload) {
    const PayloadWords w(payload);
    if (!Enough(229170, payload, 4)) return;
    const int32_t v = SeatOfChair(229170, w[3]);
    if (v < 0) return;
    KillTurnTimers();
    PlayOperationSound(v, 1);
    claimAnnounced_ = true;
}

void CMJTableSceneBase::OnChowAnnounced(Bytes payload) {
    const PayloadWords w(payload);
    if (!Enough(229175, payload, 4)) return;
    const int32_t v = SeatOfChair(229175, w[3]);
    if (v < 0) return;
    KillTurnTimers();
    PlayOperationSound(v, 9);
    SetTurnSeconds(GetTableLogic()->GetClaimTimeout());
    claimAnnounced_ = true;
}

void CMJTableSceneBase::OnKongAnnounced(Bytes payload) {
    const PayloadWords w(payload);
    if (!Enough(229180, payload, 8)) return;
    const int32_t v = SeatOfChair(229180, w[0]);
    if (v < 0 || SeatOfChair(229180, w[1]) < 0) return;
    PlayOperationSound(v, w[3] == 1 ? 5 : 7);
    claimAnnounced_ = claimAnnounced_ || w[3] == 1;
    if (w[3] == 2) SetTurnSeconds(GetTableLogic()->GetClaimTimeout());
    const int32_t own = OwnChair();
    if (IsLooker() || own < 0 || own > 3 || !(w[4 + own] & 0x8)) return;
    ClaimOption& hu = Option(kHuButton);
    hu.offerChair = w[1];
    hu.tile = w[2];
    hu.enabled = 1;
    hu.kind = w[3];
    EnableOperationButton(kHuButton, 1);
    EnableOperationButton(kPassButton, 1);
}

void CMJTableSceneBase::OnMeldExecuted(uint32_t id, Bytes payload) {
    const PayloadWords w(payload);
    if (!Enough(id, payload, 9)) return;
    const int32_t v = SeatOfChair(id, w[3]);
    const int32_t giver = v < 0 ? -1 : SeatOfChair(id, w[4]);
    if (giver < 0) return;
    ++movesSinceDeal_;
    KillTurnTimers();
    if (id == 229185) {
        LayPung(v, MeldOf(w));
    } else {
        LayChow(v, MeldOf(w));
    }
    BindSeatTiles(v);
    CloseShownTile(giver);
    SetDrawnFlag(0);
    SetTurnSeconds(GetTableLogic()->GetTurnTimeout());
    ClockTo(v);
    ResetOperationState();
}

void CMJTableSceneBase::OnPengExecuted(Bytes payload) {
    OnMeldExecuted(229185, payload);
}

void CMJTableSceneBase::OnChowExecuted(Bytes payload) {
    OnMeldExecuted(229190, payload);
}

void CMJTableSceneBase::OnKong(uint32_t id, Bytes payload) {
    const PayloadWords w(payload);
    if (!Enough(id, payload, 12)) return;
    const int32_t v = SeatOfChair(id, w[3]);
    if (v < 0) return;
    ++movesSinceDeal_;
    const int32_t turnTimeout = GetTableLogic()->GetTurnTimeout();
    if (id == 229195) {
        const int32_t giver = SeatOfChair(id, w[4]);
        if (giver < 0) return;
        LayExposedKong(v, MeldOf(w));
        BindSeatTiles(v);
        CloseShownTile(giver);
        SetDrawnFlag(0);
        SetTurnSeconds(turnTimeout);
    } else if (id == 229197) {
        PlayOperationSound(v, 3);
        LayConcealedKong(v, MeldOf(w));
        BindSeatTiles(v);
        SetTurnSeconds(GetTurnSeconds() + 3);
    } else {
        LayAddedKong(v, MeldOf(w));
        BindSeatTiles(v);
        SetTurnSeconds(turnTimeout);
    }
    TC_MoveClockHand(GetClockPosition(), 2 * v);
    if (w[10] != -1) TakeWallTile(w[11]);  // a dry wall gave no replacement
    ResetOperationState();
}

void CMJTableSceneBase::OnFlowerReplaced(Bytes payload) {
    const PayloadWords w(payload);
    if (!Enough(229210, payload, 7)) return;
    const int32_t v = SeatOfChair(229210, w[3]);
    if (v < 0) return;
    ++movesSinceDeal_;
    KillTurnTimers();
    PlayOperationSound(v, 13);
    if (IsHandFaceKnown(v)) {
        RemoveHandTile(v, w[4]);
        MergeDrawnTile(v);
        if (w[5] != -1) {
            MJStruct& drawn = Hand(v, 0);
            drawn.nFace = w[5];
            drawn.standing = 1;
            drawn.present = 1;
        }
    } else if (w[5] == -1) {
        // The dry wall gave no replacement: the hidden hand is one tile short.
        const int32_t gone = HasDrawnTile(v) ? 0 : LastHandTile(v);
        if (gone >= 0) {
            Hand(v, gone).present = 0;
            Hand(v, gone).standing = 0;
        }
    }
    BindSeatTiles(v);
    AddFlower(v, w[4]);
    RefreshFlowers(v);
    SetDrawnFlag(0);
    SetTurnSeconds(GetTableLogic()->GetTurnTimeout());
    ClockTo(v);
    if (w[5] == -1) {
        SetTurnSeconds(GetTableLogic()->GetClaimTimeout());
        TC_MoveClockHand(2 * v, 2 * PrevViewSeat(v));
        return;
    }
    TakeWallTile(w[6]);
    ResetOperationState();
}

void CMJTableSceneBase::OnRoundEnd(Bytes payload) {
    const PayloadWords w(payload);
    if (!Enough(211080, payload, snap::kResultWords)) return;
    StopClockTimer();
    // Nothing of the turn outlives the round: no watch, no flower check.
    ResetOwnTurnWords();
    StopSceneTimer(kTimerFlowerCheck);
    const CMJTableLogic* t = GetTableLogic();
    if (w[snap::kResultQuiet] == 0) PlaySoundResource(29106, 0);
    EnableAllOperationButtons(0);
    ClearHandSelection();
    for (int32_t chair = 0; chair < std::min(PlayerCount(), 4); ++chair) {
        const int32_t v = ChairToViewSeat(chair);
        if (!IsSeat(v)) continue;
        FaceList list;
        ClearFaces(list);
        t->GetResultHand(chair, list.data());
        if (w[snap::kResultWon + chair] > 0) {
            ShowParticles(v);
            if (w[snap::kResultFlags] & snap::kResultWinTileInHand)
                RemoveFace(list, w[snap::kResultWinTile]);
            ArrangeHand(v, list);
            PlaceDrawnTile(v, w[snap::kResultWinTile]);
        } else if (HasDrawnTile(v)) {
            ArrangeHandWithDrawn(v, list);
        } else {
            ArrangeHand(v, list);
        }
        BindSeatTiles(v);
    }
    SetInRound(0);
    // A winner that is not seated gets no voice; the round still ends.
    if (w[snap::kResultWinner] != -1) {
        const int32_t winner = SeatOfChair(211080, w[snap::kResultWinner]);
        if (winner >= 0) PlayOperationSound(winner, 11);
    }
    ShowSettlement();
}

void CMJTableSceneBase::OnPresence(Bytes payload) {
    const PayloadWords w(payload);
    if (!Enough(229500, payload, 5) || SeatOfChair(229500, w[3]) < 0) return;
    const client::CGameApp* app = client::CGameApp::Current();
    const std::string name = app ? app->GetSeatName(w[3]) : std::string();
    switch (w[4]) {
        case 1:
            AddChatLine(
                Format("<c=%d>[系统]<c=%d>%s重新回到了游戏!\r\n", 0xff, 0x4b967d, name.c_str()));
            break;
        case 2:
            AddChatLine(
                Format("<c=%d>[系统]<c=%d>%s离开了游戏!\r\n", 0xff, 0x4b967d, name.c_str()));
            break;
        case 6:
            PlaySoundResource(29012, 17);
            AddChatLine(Format("<c=%d>闲家跟庄成功!\r\n", 0xff));
            break;
        default:
            break;
    }
}

bool CMJTableSceneBase::HandleNotification(uint32_t id, Bytes payload) {
    switch (id) {
        case 211040:
            // The round is the snapshot's, stored before (no payload).
            OnRoundStart();
            break;
        case 221200:
            OnOwnHand(payload);
            break;
        case 221160:
            OnHandHidden(payload);
            break;
        case 229160:
            OnDraw(payload);
            break;
        case 221170:
            OnDiscard(payload);
            break;
        case 229165:
            OnClaimsOver(payload);
            break;
        case 229170:
            OnPengAnnounced(payload);
            break;
        case 229175:
            OnChowAnnounced(payload);
            break;
        case 229180:
            OnKongAnnounced(payload);
            break;
        case 229185:
            OnPengExecuted(payload);
            break;
        case 229190:
            OnChowExecuted(payload);
            break;
        case 229195:
        case 229197:
        case 229199:
            OnKong(id, payload);
            break;
        case 229210:
            OnFlowerReplaced(payload);
            break;
        case 211080:
            OnRoundEnd(payload);
            break;
        case 229500:
            OnPresence(payload);
            break;
        default:
            return false;
    }
    return true;
}

}  // namespace mahjong
