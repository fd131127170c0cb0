// The table centre's entities at play: the turn clock's face shows the
// drawing the scene keeps (the hand towards the seat on turn, the seconds
// left), the dice roll their strips and rest on the thrown numbers, and
// each seat board carries its player's name beside the seat's hand.
#include <string>

#include "client/game_app.h"
#include "engine/anim_entity.h"
#include "engine/image_entity.h"
#include "engine/resources/resource_manager.h"
#include "engine/text_entity.h"
#include "mahjong/app/client_app.h"
#include "mahjong/scene/table_scene.h"

namespace mahjong {
namespace {

constexpr int32_t kDigitShift = 4;  // each digit's centre beside the face's
constexpr int32_t kDieWidth = 106, kDieHeight = 99, kDieFrames = 9, kDieFrameMs = 100;
constexpr uint32_t kNameYellow = 0x00ffff, kNameWhite = 0xffffff;
constexpr int32_t kNameFontHeight = 12;
constexpr int32_t kBoardHalfWidth = 100, kBoardHalfHeight = 25;
constexpr int32_t kNameGap = 4;  // between a board and its seat's hand

// The picture is found by its title each time: the entities may be made
// before the pictures are loaded, and a skin change replaces them.
void SetCell(engine::ImageEntity* image, uint32_t imageId, int32_t srcX) {
    if (!image) return;
    image->SetImage(imageId, srcX, 0, image->GetWidth(), image->GetHeight(), image->GetBackColor());
}

}  // namespace

void CMJTableScene::DrawTurnClock() {
    CMJTableSceneBase::DrawTurnClock();
    ShowClockOnEngine();
}

void CMJTableScene::ShowClockOnEngine() {
    engine::Entity* face = IsScreenReady() ? GetEntity(clockFace_) : nullptr;
    if (!face) return;
    const CMJTableSceneBase::ClockFace& drawn = GetClockFace();
    RECT r{};
    GetClockRect(&r);
    const int32_t x = (r.left + r.right) / 2, y = (r.top + r.bottom) / 2;
    SetCell(dynamic_cast<engine::ImageEntity*>(face), Resources().GetImageIdByName("计时钟"), 0);
    MoveEntity(face, x, y);
    ShowEntity(face, drawn.visible);
    // Children 0-2: the hand, the tens and the units.
    const uint32_t hand = Resources().GetImageIdByName("钟指针");
    const uint32_t digits = Resources().GetImageIdByName("数字");
    const uint32_t pictures[3] = {hand, digits, digits};
    const int32_t cells[3] = {drawn.handX, drawn.tensX, drawn.unitsX};
    const int32_t shifts[3] = {0, -kDigitShift, kDigitShift};
    for (uint32_t n = 0; n < 3; ++n) {
        engine::Entity* part = face->GetChild(n);
        if (!part) continue;
        SetCell(dynamic_cast<engine::ImageEntity*>(part), pictures[n], cells[n]);
        MoveEntity(part, x + shifts[n], y);
        ShowEntity(part, drawn.visible);
    }
    // The dice share the centre with the clock: they leave when it shows,
    // and with the round.
    if (drawn.visible || !InRound()) HideDice();
}

void CMJTableScene::RollDice(int32_t first, int32_t second) {
    if (PlaysEffects()) ThrowDiceOnEngine(first, second);
    CMJTableSceneBase::RollDice(first, second);
}

void CMJTableScene::ThrowDiceOnEngine(int32_t first, int32_t second) {
    RECT box{};
    GetDiceRect(&box);
    // Strips 1-6 roll to the first die's number, 7-12 to the second's.
    const int32_t strips[2] = {first - 1, 6 + second - 1};
    for (int32_t i = 0; i < 2; ++i) {
        auto* die = dynamic_cast<engine::AnimEntity*>(GetEntity(dice_[size_t(i)]));
        if (!die || strips[i] < 0 || strips[i] >= int32_t(diceFrames_.size())) continue;
        // Made afresh: the strips' pictures may have been loaded (or
        // replaced) since the dice were made.
        engine::FrameSet& strip = diceFrames_[size_t(strips[i])];
        strip = engine::MakeUniformStrip(
            Resources().GetImageIdByName("骰子" + std::to_string(strips[i] + 1)), kDieWidth,
            kDieHeight, kDieFrames, kDieFrameMs);
        die->SetFrames(&strip, 1.0, 0);
        MoveEntity(die, box.left + kDieWidth * i + kDieWidth / 2, box.top + kDieHeight / 2);
        ShowEntity(die, true);
        die->Play();
        // Each frame period moves the strip on; its end leaves the last
        // frame, the thrown number, standing.
        AddApply(
            die->GetId(), engine::MakeApplyTiming(0, 0, {}, 0),
            [](engine::Entity* entity, engine::ApplyTiming&, engine::World&, uint32_t now) {
                auto* anim = dynamic_cast<engine::AnimEntity*>(entity);
                return !anim || anim->Advance(now) == engine::kStripEnded ? 1 : 0;
            },
            0, 0, 0, engine::kFacadeLevel);
    }
}

void CMJTableScene::HideDice() {
    for (uint32_t id : dice_)
        if (engine::Entity* die = GetEntity(id); die && die->IsVisible()) ShowEntity(die, false);
}

void CMJTableScene::PlacePlayerName(int32_t seat) {
    CClientApp* app = CClientApp::Current();
    if (!IsScreenReady() || !IsSeat(seat) || !app) return;
    CreateSeatBoards();
    auto* board = dynamic_cast<engine::TextEntity*>(GetEntity(boards_[size_t(seat)].board));
    if (!board) return;
    const SeatRecord& record = app->GetSeatPanel()->Seat(seat);
    board->Clear();
    board->SetFontFace(kNameFontHeight, 400, "宋体");
    board->SetTextColor(record.started ? kNameYellow : kNameWhite);
    const int32_t length = int32_t(record.name.size());
    board->SetText(kBoardHalfWidth - kNameFontHeight * length / 4,
                   kBoardHalfHeight - kNameFontHeight / 2, record.name);
    // On the hand's inner side (the hands reach the table's edges), at the
    // end away from the seat's flowers; the side boards stand turned along
    // their hands.
    RECT hand{};
    GetHandAreaRect(seat, &hand);
    const int32_t gap = SmallScreen() ? kNameGap / 2 : kNameGap;
    const int32_t across = kBoardHalfHeight + gap;
    int32_t x = 0, y = 0;
    switch (seat) {
        case 0:  // left
            x = hand.right + across;
            y = hand.bottom - kBoardHalfWidth;
            break;
        case 1:  // opposite
            x = hand.left + kBoardHalfWidth;
            y = hand.bottom + across;
            break;
        case 2:  // right
            x = hand.left - across;
            y = hand.top + kBoardHalfWidth;
            break;
        default:  // own
            x = hand.right - kBoardHalfWidth;
            y = hand.top - across;
            break;
    }
    MoveEntity(board, x, y);
    ShowEntity(board, !record.name.empty());
}

void CMJTableScene::PlaceClockAndNames() {
    if (!IsScreenReady()) return;
    ShowClockOnEngine();
    for (int32_t seat = 0; seat < 4; ++seat)
        PlacePlayerName(seat);
}

}  // namespace mahjong
