// The engine's calls into the table scene at its fixed moments: the game
// data made once the logical screen exists.
#include "engine/resources/resource_manager.h"
#include "engine/sound_manager.h"
#include "mahjong/scene/asset_names.h"
#include "mahjong/scene/table_scene.h"

namespace mahjong {
namespace {

constexpr int32_t kClothWidth = 744, kClothHeight = 710;

}  // namespace

void CMJTableScene::SizeLogicalScreen() {
    const uint32_t cloth = Resources().GetImageIdByName(assets::kStylePictures[0].title);
    if (cloth != 0) Screen().CreateFromImage(cloth, 0, 0, kClothWidth, kClothHeight, 1);
}

void CMJTableScene::InitGameData() {
    LogLine("游戏数据初始化开始");
    SetInvalidateMode(0);
    SizeLogicalScreen();
    CreateButtons();
    CreateTileEntities();
    CreateTileControls();
    CreateClockEntities();
    CreateNoteBoard();
    ShowBanker();
    CreateSeatBoards();
    CreateDiceEntities();
    SetMouseEvents();
    CreateAutoPlaySign();
    LoadAIWeights();
    SelectFont(16, 400, "宋体");
    SetInRound(0);
    ClearTable();
    SetupEngineControls();
    PlaceOperationButtons();
    GetWorld().Sound().EnableBass();
    LogLine("游戏数据初始化完毕");
}

}  // namespace mahjong
