// The seat boards and their icons, and the wind markers: entities made
// once, off the table or hidden, and shown where the round puts them.
#include <algorithm>

#include "engine/image_entity.h"
#include "engine/resources/resource_manager.h"
#include "engine/text_entity.h"
#include "mahjong/scene/asset_names.h"
#include "mahjong/scene/table_scene.h"

namespace mahjong {
namespace {

constexpr int32_t kBoardLayer = 2;
constexpr int32_t kOffTable = -100;
constexpr int32_t kBoardWidth = 200, kBoardHeight = 50;
constexpr int32_t kBoardDepth = 2000;
constexpr int32_t kIconSize = 30;
constexpr int32_t kIconDrop = 25;  // below the board's top
constexpr double kBoardTurn[4] = {270, 0, 90, 0};
constexpr int32_t kWindCell = 59, kWindHeight = 61;
constexpr int32_t kWindDepth = 30;
constexpr double kWindOpacity = 0.7;
// The icons move, turn and redraw with their board; each shows on its own.
constexpr uint32_t kIconLink =
    engine::kLinkOwned | engine::kLinkPosition | engine::kLinkRotation | engine::kLinkUpdate;

}  // namespace

void CMJTableScene::CreateSeatBoards() {
    if (boards_[0].board != 0) return;
    for (int32_t seat = 0; seat < 4; ++seat) {
        SeatBoard& b = boards_[size_t(seat)];
        engine::TextEntity* board = CreateTextEntity(kBoardLayer, kOffTable, kOffTable, kBoardWidth,
                                                     kBoardHeight, assets::kMagenta);
        if (!board) return;
        board->SetDepth(kBoardDepth);
        ShowEntity(board, true);  // off the table until the seat's name places it
        b.board = board->GetId();
        b.kinds.fill(0);
        for (uint32_t& id : b.icons) {
            engine::ImageEntity* icon = CreateImageEntity(
                kBoardLayer, kOffTable, kOffTable, 0, 0, 0, kIconSize, kIconSize, assets::kMagenta);
            if (!icon) return;
            icon->SetDepth(kBoardDepth + 1);
            ShowEntity(icon, false);
            AttachChild(board, icon, kIconLink);
            id = icon->GetId();
        }
        PlaceSeatIcons(seat);
        board->SetRotation(kBoardTurn[seat]);
    }
}

void CMJTableScene::PlaceSeatIcons(int32_t seat) {
    const SeatBoard& b = boards_[size_t(seat)];
    const engine::Entity* board = GetEntity(b.board);
    if (!board) return;
    // A row from the board's left edge, centred 25 pixels below its top.
    for (int32_t i = 0; i < kSeatIcons; ++i)
        MoveEntity(GetEntity(b.icons[size_t(i)]),
                   board->GetLeft() + kIconSize / 2 + i * kIconSize - SeatIconShift(),
                   board->GetTop() + kIconDrop);
}

void CMJTableScene::ShowBanker() {
    iconKinds_.fill({});
    iconKinds_[kBankerIcon] = {Resources().GetImageIdByName("BUFF"),
                               assets::kBuffBanker * kIconSize, 0, kIconSize, kIconSize};
    if (windMarkers_[0] != 0) return;
    const uint32_t winds = Resources().GetImageIdByName("东南西北");
    for (int32_t i = 0; i < 4; ++i) {
        engine::ImageEntity* e =
            CreateImageEntity(kBoardLayer, kOffTable, kOffTable, winds, i * kWindCell, 0, kWindCell,
                              kWindHeight, assets::kMagenta);
        if (!e) return;
        e->SetDepth(kWindDepth);
        e->SetScale(kWindOpacity);
        ShowEntity(e, false);
        windMarkers_[size_t(i)] = e->GetId();
    }
}

void CMJTableScene::AddSeatIcon(int32_t seat, int32_t kind) {
    CMJTableSceneBase::AddSeatIcon(seat, kind);
    if (!IsSeat(seat) || kind <= 0 || kind >= kIconKinds) return;
    // The money is drawn more than once a round: a mark shows once.
    auto& kinds = boards_[size_t(seat)].kinds;
    if (std::find(kinds.begin(), kinds.end(), kind) != kinds.end()) return;
    kinds.back() = kind;
    ShowSeatIcons(seat);
}

void CMJTableScene::ShowSeatIcons(int32_t seat) {
    if (!IsSeat(seat) || !PlaysEffects()) return;
    if (iconKinds_[kBankerIcon].imageId == 0) ShowBanker();
    CreateSeatBoards();
    SeatBoard& b = boards_[size_t(seat)];
    // The marks in the order they came, at the front.
    std::stable_partition(b.kinds.begin(), b.kinds.end(), [](int32_t k) { return k != 0; });
    for (int32_t i = 0; i < kSeatIcons; ++i) {
        auto* icon = dynamic_cast<engine::ImageEntity*>(GetEntity(b.icons[size_t(i)]));
        if (!icon) continue;
        const int32_t kind = b.kinds[size_t(i)];
        const IconKind& k = iconKinds_[size_t(std::clamp(kind, 0, kIconKinds - 1))];
        if (kind <= 0 || k.imageId == 0) {
            ShowEntity(icon, false);
            continue;
        }
        icon->SetImage(k.imageId, k.x, k.y, k.width, k.height, assets::kMagenta);
        ShowEntity(icon, true);
    }
}

void CMJTableScene::PlaceWindMarkers() {
    if (!PlaysEffects()) return;
    if (windMarkers_[0] == 0) ShowBanker();
    const int32_t banker = ChairToViewSeat(GetTableLogic()->GetBankerChair());
    if (!IsSeat(banker)) return;
    for (int32_t i = 0; i < 4; ++i) {
        engine::Entity* marker = GetEntity(windMarkers_[size_t(i)]);
        const platform::POINT at = GetMarkerPos((banker + 4 - i) % 4);
        MoveEntity(marker, at.x, at.y);
        ShowEntity(marker, true);
    }
}

void CMJTableScene::ClearTable() {
    CMJTableSceneBase::ClearTable();
    discardFlying_ = drawFlying_ = false;
    for (int32_t seat = 0; seat < 4; ++seat) {
        boards_[size_t(seat)].kinds.fill(0);
        ShowSeatIcons(seat);
    }
}

void CMJTableScene::DrawMoney() {
    PlaceWindMarkers();
    CMJTableSceneBase::DrawMoney();
}

}  // namespace mahjong
