// The settlement panel of this game: the round result's texts drawn over
// the "结算" picture in one text entity, shown at the centre of the screen.
#include <algorithm>

#include "client/game_app.h"
#include "engine/resources/blit.h"
#include "engine/resources/resource_manager.h"
#include "engine/text_entity.h"
#include "mahjong/app/snapshot_words.h"
#include "mahjong/app/table_logic.h"
#include "mahjong/scene/settlement.h"
#include "mahjong/scene/table_scene.h"
#include "platform/bytes.h"

namespace mahjong {
namespace {

// Places of the round-result block and of a chair's 172-byte record.
constexpr int kDiscarder = 169;
constexpr int kPointsChange = 72;  // + chair
constexpr int kSilverChange = 80;  // + chair
constexpr int kFanNames = 340;     // 256 bytes
constexpr int kFanNameBytes = 256;
constexpr int kCharged = 405;  // + chair
constexpr size_t kRecordFans = 3 * 4;
constexpr const char* kRobbedFan = "抢金";
constexpr int32_t kSettlementLayer = 4;

}  // namespace

std::string CTableScene::GetResultField(int32_t n) const {
    std::string names;
    for (int i = 0; i < kFanNameBytes; ++i) {
        const int32_t word = GetTableLogic()->ResultWord(kFanNames + i / 4);
        const char c = char(uint32_t(word) >> (8 * (i % 4)) & 0xFF);
        if (c == 0) break;
        names += c;
    }
    size_t start = 0;
    for (int32_t field = 0; field < n; ++field) {
        start = names.find('|', start);
        if (start == std::string::npos) return {};
        ++start;
    }
    return names.substr(start, names.find('|', start) - start);
}

SettlementResult CTableScene::ReadSettlement() const {
    const CMJTableLogic* t = GetTableLogic();
    const client::CGameApp* app = client::CGameApp::Current();
    SettlementResult r;
    r.drawn = t->IsNoWinner();
    r.winner = t->GetResultWinner();
    r.discarder = t->ResultWord(kDiscarder);
    r.banker = t->GetBankerChair();
    r.ownChair = IsLooker() ? -1 : OwnChair();
    for (int32_t i = 0; i < kSettlementFans; ++i)
        r.fanNames[size_t(i)] = GetResultField(i);
    const auto robbedAt = std::find(r.fanNames.begin(), r.fanNames.end(), kRobbedFan);
    const auto* logic = dynamic_cast<const CTableLogic*>(t);
    for (int32_t chair = 0; chair < std::min(PlayerCount(), 4); ++chair) {
        SettlementSeat& s = r.seats[size_t(chair)];
        s.seated = true;
        if (app) {
            if (const client::PlayerRecord* p = app->FindPlayer(app->GetSeatUserId(chair)))
                s.name = p->userName;
        }
        s.points = t->ResultWord(kPointsChange + chair);
        s.silver = t->ResultWord(kSilverChange + chair);
        s.charged = t->ResultWord(kCharged + chair) != 0;
        const std::span<const uint8_t> record =
            logic ? logic->GetResultRecord(chair) : std::span<const uint8_t>();
        if (record.size() >= kRecordFans + 4 * kSettlementFans) {
            for (size_t f = 0; f < size_t(kSettlementFans); ++f)
                s.fans[f] = int32_t(platform::LoadLE32(&record[kRecordFans + 4 * f]));
        }
        s.robbed = robbedAt != r.fanNames.end() && s.fans[size_t(robbedAt - r.fanNames.begin())];
    }
    return r;
}

void CTableScene::ShowSettlement() {
    CMJTableScene::ShowSettlement();
    const SettlementResult r = ReadSettlement();

    const uint32_t picture = Resources().GetImageIdByName("结算");
    const engine::ImageRecord* image = GetImageRes(picture);
    const int32_t w = image ? image->width : 400, h = image ? image->height : 240;
    auto* panel = dynamic_cast<engine::TextEntity*>(GetEntity(settlementEntity_));
    if (!panel) {
        panel = CreateTextEntity(kSettlementLayer, 0, 0, w, h, 0xff00ff);
        if (!panel) return;
        settlementEntity_ = panel->GetId();
    }
    panel->Clear();
    if (image) panel->DrawImage(0, 0, {picture, 0, 0, w, h}, w, h, 0.0, 1.0, engine::kNoBlendColor);
    panel->SetFontFace(12, 400, "宋体");
    for (const SettlementText& text : LayOutSettlement(r)) {
        panel->SetTextColor(text.color);
        panel->SetText(text.x, text.y, text.text);
    }
    // An entity stands at its centre.
    MoveEntity(panel, GetScreenWidth() / 2, GetScreenHeight() / 2);
    ShowEntity(panel, true);
    InvalidateEntity(panel);
    AttachSettlementControls(*panel);
}

void CTableScene::PollSceneButtons(uint32_t code) {
    const engine::Entity* panel = GetEntity(settlementEntity_);
    if ((code == kMsgAutoPlayClick || code == kMsgAutoPlayPress) && panel && panel->IsVisible())
        return;
    CMJTableScene::PollSceneButtons(code);
}

}  // namespace mahjong
