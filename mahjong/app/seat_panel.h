#pragma once
// The seat panel: one record per view seat with the player's id, name,
// started and banker marks and the voice folder from which the seat's
// spoken tile names and calls are played. The table scene draws the labels
// on the engine pane (pane kind 2, this game's kind).

#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <string>

#include "mahjong/app/seat_layout.h"

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
    explicit CMJSeatPanel(const CMJTableLogic* logic = nullptr) : logic_(logic) {}

    virtual const CMJTableLogic* GetTableLogic() const { return logic_; }
    // From the application's player records of the seated chairs.
    virtual void SetupSeats();
    virtual void ChooseVoiceFolders();
    virtual void SetAllStarted(int32_t value);
    virtual void SetAllBanker(int32_t value);
    virtual void SetBanker(int32_t chair, int32_t value);
    // Redraws one seat's label: on the engine pane the scene draws it.
    virtual void DrawSeat(int32_t seat);
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
