#pragma once
// The seat panel: one record per view seat with the player's id, name,
// started and banker marks and the voice folder from which the seat's
// spoken tile names and calls are played. The table scene draws the labels
// on the engine pane (pane kind 2, this game's kind).

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>

#include "mahjong/app/seat_layout.h"
#include "mahjong/scene/classic_table.h"
#include "platform/gui/geometry.h"

namespace mahjong {

class CMJTableLogic;

struct SeatRecord {
    uint32_t userId = 0;
    int32_t chair = 0;
    int32_t voiceKind = 0;  // word 17 of the player record: 0 or 1
    int32_t started = 0;
    int32_t banker = 0;
    int32_t labelX = 0, labelY = 0, markX = 0, markY = 0;
    std::string voiceFolder;  // program folder + "sound\<sub-folder>\"
    std::string name;
    std::string label;
};

class CMJSeatPanel : public CGameSeatLayout {
  public:
    explicit CMJSeatPanel(const CMJTableLogic* logic = nullptr) : logic_(logic) { CreateFonts(); }

    virtual const CMJTableLogic* GetTableLogic() const { return logic_; }
    // From the application's player records of the seated chairs.
    virtual void SetupSeats();
    virtual void ChooseVoiceFolders();
    virtual void SetAllStarted(int32_t value);
    virtual void SetAllBanker(int32_t value);
    virtual void SetBanker(int32_t chair, int32_t value);
    // Redraws one seat's label: the classic pane repaints, on the engine
    // pane the scene draws it.
    virtual void DrawSeat(int32_t seat);
    // The classic pane's labels (pane kind 1): beside each seat's hand, in
    // yellow once the seat started, else white; the side seats' run along
    // their hands; the banker's mark 6 pixels beside the banker's.
    virtual void CreateFonts();
    virtual void LoadBankerMark();
    virtual void DrawSeatLabels(platform::Painter& dc);
    virtual void GetLabelRect(int32_t seat, platform::RECT* rect) const;
    virtual void DrawLabelText(platform::Painter& dc, int32_t seat);
    virtual void ResetForRound();
    virtual void MarkStarted(int32_t chair);

    const SeatRecord& Seat(int32_t seat) const { return seats_[size_t(seat & 3)]; }
    // Where the engine pane's labels are drawn (the scene sets it).
    void SetSceneSeatPainter(std::function<void(int32_t)> painter) {
        scenePainter_ = std::move(painter);
    }

  private:
    const CMJTableLogic* logic_;
    std::array<SeatRecord, 4> seats_{};
    // Heights -16 (weight 400) and -20 (700), each upright for the bottom
    // and top seats and turned for the two side seats.
    std::array<TableFont, 8> fonts_{};
    std::shared_ptr<const platform::Surface> bankerMark_;
    std::function<void(int32_t)> scenePainter_;
};

class CSeatPanel : public CMJSeatPanel {
  public:
    using CMJSeatPanel::CMJSeatPanel;
};

// Moves the entries greater than `threshold` to the front in their order,
// fills the other places with the threshold and returns how many were kept.
int32_t CompactAbove(std::span<int32_t> values, int32_t threshold);

}  // namespace mahjong
