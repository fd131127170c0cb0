#include "mahjong/app/table_logic.h"

#include <algorithm>
#include <cstring>

#include "client/game_app.h"
#include "client/skin_settings.h"
#include "platform/bytes.h"
#include "platform/gui/wnd.h"
#include "transport/log.h"

namespace mahjong {
namespace {

int32_t LoadWord(std::span<const uint8_t> block, int n) {
    if (n < 0 || size_t(n) * 4 + 4 > block.size()) return 0;
    return int32_t(platform::LoadLE32(&block[size_t(n) * 4]));
}

// Copies the words before the first -1 (at most 32) and fills the rest
// with -1; returns how many were copied.
int32_t CopyList(const CMJTableLogic& logic, int first, bool result, int32_t out[32]) {
    int32_t n = 0;
    for (int i = 0; i < 32; ++i)
        out[i] = -1;
    for (int i = 0; i < 32; ++i) {
        const int32_t v = result ? logic.ResultWord(first + i) : logic.Word(first + i);
        if (v == -1) break;
        out[n++] = v;
    }
    return n;
}

std::string SeatName(int32_t chair) {
    const client::CGameApp* app = client::CGameApp::Current();
    return app ? app->GetSeatName(chair) : std::string();
}

std::string Format(const char* format, auto... args) {
    const int n = std::snprintf(nullptr, 0, format, args...);
    std::string text(size_t(std::max(n, 0)), '\0');
    std::snprintf(text.data(), text.size() + 1, format, args...);
    return text;
}

platform::RECT ScreenArea() {
    return platform::GetDisplay()->WorkArea();
}

bool SmallScreen() {
    const client::CGameApp* app = client::CGameApp::Current();
    return app && app->IsSmallScreen();
}

}  // namespace

int32_t CMJTableLogic::Word(int n) const {
    return LoadWord(GetRoundStartBlock(), n);
}

int32_t CMJTableLogic::ResultWord(int n) const {
    return LoadWord(GetRoundResultBlock(), n);
}

int32_t CMJTableLogic::GetSeatList(int32_t out[32]) const {
    return CopyList(*this, snap::kOwnTiles, false, out);
}

int32_t CMJTableLogic::GetResultHand(int32_t chair, int32_t out[32]) const {
    if (chair < 0 || chair > 3) {
        for (int i = 0; i < 32; ++i)
            out[i] = -1;
        return 0;
    }
    return CopyList(*this, snap::kResultHands + 32 * chair, true, out);
}

int32_t CMJTableLogic::GetSeatValue(int32_t chair) const {
    return chair >= 0 && chair <= 3 ? Word(snap::kHandCounts + chair) : 0;
}

std::string CMJTableLogic::RunningText(int indent) const {
    const std::string banker = SeatName(GetBankerChair());
    const std::string label = GetBaseLabel();
    const bool points = GetMoneyMode() == 0;
    const std::string format = std::string("【第%d局】庄：<c=255>%s <>\r\n") +
                               std::string(size_t(indent), ' ') + "%s：<c=255>%d<> " +
                               (points ? "分" : "两") + "\r\n";
    return Format(format.c_str(), GetRoundNumber(), banker.c_str(), label.c_str(),
                  points ? GetPointsValue() : GetSilverValue());
}

std::string CMJTableLogic::GetRoundText() const {
    if (IsNoWinner()) return Format("【第%d局】流局。<>\r\n", GetRoundNumber());
    std::string names;
    for (int chair = 0; chair < 4; ++chair) {
        if (ResultWord(snap::kResultWon + chair) > 0) names += SeatName(chair) + ",";
    }
    if (!names.empty()) names.pop_back();
    return Format("【第%d局】胡：<c=255>%s <>\r\n", GetRoundNumber(), names.c_str());
}

int32_t CMJTableLogic::GetTablePaneWidthFor() const {
    const int32_t width = ScreenArea().Width() * 14 / 18;
    return SmallScreen() ? width - 10 : width;
}

int32_t CMJTableLogic::GetAdvertPaneHeight() const {
    return ScreenArea().Height() / 6;
}

int32_t CMJTableLogic::GetOperationBarHeight() const {
    if (!SmallScreen() || LayoutWord(3) != 2) return 36;
    // The stacked bar holds its four buttons one under another.
    client::CGameApp* app = client::CGameApp::Current();
    const client::CSkinSettings* skin = app ? app->GetSkinSettings() : nullptr;
    return 4 * (skin ? skin->GetButtonHeight() : client::kDefaultButtonHeight);
}

int32_t CMJTableLogic::GetPlayerListHeight() const {
    return SmallScreen() ? 56 + 16 * ChairCount() : 72 + 32 * ChairCount();
}

CTableLogic::CTableLogic() = default;

bool CTableLogic::StoreRoundStart(Bytes payload) {
    if (payload.size() < size_t(snap::kRoundStartWords) * 4) {
        transport::LogPrintf("round start of %zu bytes dropped: %d words needed", payload.size(),
                             snap::kRoundStartWords);
        return false;
    }
    for (const snap::BlockRange& r : snap::kRoundStartRanges) {
        std::memcpy(&block_[size_t(r.blockFirst) * 4], &payload[size_t(r.payloadFirst) * 4],
                    size_t(r.count) * 4);
    }
    return true;
}

bool CTableLogic::StoreRoundResult(Bytes payload) {
    const size_t head = size_t(snap::kResultWords) * 4;
    if (payload.size() < head) {
        transport::LogPrintf("round result of %zu bytes dropped: %d words needed", payload.size(),
                             snap::kResultWords);
        return false;
    }
    const int32_t count =
        std::clamp(int32_t(platform::LoadLE32(&payload[snap::kResultRecordCount * 4])), 0,
                   snap::kResultRecords);
    const size_t need = head + size_t(count) * snap::kResultRecordBytes;
    if (payload.size() < need) {
        transport::LogPrintf("round result of %zu bytes dropped: %d records need %zu",
                             payload.size(), count, need);
        return false;
    }
    std::memcpy(result_.data(), payload.data(), head);
    std::memcpy(records_.data(), payload.data() + head, need - head);
    return true;
}

void CTableLogic::SetTableWord14(int32_t value) {
    platform::StoreLE32(&block_[snap::kTableFlags * 4], uint32_t(value));
}

std::span<const uint8_t> CTableLogic::GetResultRecord(int i) const {
    if (i < 0 || i >= snap::kResultRecords) return {};
    return std::span<const uint8_t>(records_).subspan(size_t(i) * snap::kResultRecordBytes,
                                                      snap::kResultRecordBytes);
}

int32_t CTableLogic::GetTablePaneWidthFor() const {
    const int32_t width = ScreenArea().Width() * 14 / 18;
    return SmallScreen() ? width + 120 : width;
}

}  // namespace mahjong
