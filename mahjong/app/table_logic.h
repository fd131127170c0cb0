#pragma once
// The round snapshot store: the table logic keeps the last round start
// (211040) and round result (211080) as raw little-endian blocks and answers
// the scene's questions about the running round from them; it also writes
// the chat lines that open and close a round and gives the main frame its
// pane sizes. Word places: snapshot_words.h.
//
// Payloads come from the server: one shorter than what its store reads is
// logged and dropped, and the stored blocks stay as they were.

#include <array>
#include <cstdint>
#include <span>
#include <string>

#include "mahjong/app/seat_layout.h"
#include "mahjong/app/snapshot_words.h"

namespace mahjong {

class CMJTableLogic : public CGameSeatLayout {
  public:
    using Bytes = std::span<const uint8_t>;

    virtual bool StoreRoundStart(Bytes payload) = 0;
    virtual bool StoreRoundResult(Bytes payload) = 0;
    virtual std::span<const uint8_t> GetRoundStartBlock() const = 0;
    // Block word 49 onward.
    std::span<const uint8_t> GetRoundStartSpare() const {
        return GetRoundStartBlock().subspan(snap::kSpareStart * 4);
    }
    virtual std::span<const uint8_t> GetRoundResultBlock() const = 0;

    // One word of the round-start block (0 outside it), of the spare buffer,
    // and of the round-result block.
    int32_t Word(int n) const;
    int32_t SpareWord(int n) const { return n < 0 ? 0 : Word(snap::kSpareStart + n); }
    int32_t ResultWord(int n) const;

    // Accessors of the round words (snapshot_words.h names the places).
    virtual bool IsWord36Set() const { return Word(36) != -1; }
    virtual bool HasDrawnTile() const { return (Word(snap::kTableFlags) & snap::kFlagDrawn) != 0; }
    virtual bool IsRunning() const { return (Word(snap::kTableFlags) & snap::kFlagRunning) != 0; }
    virtual int32_t GetEarlyClose() const { return Word(snap::kEarlyClose); }
    virtual int32_t GetKongTopFaceSet() const { return Word(snap::kKongTopFaceSet); }
    virtual int32_t GetMoneyMode() const { return Word(snap::kMoneyMode); }
    virtual int32_t GetJokersInRow() const { return Word(snap::kJokersInRow); }
    virtual int32_t GetSubstituteAsTile() const { return Word(snap::kSubstituteAsTile); }
    virtual bool IsNoWinner() const {
        return (ResultWord(snap::kResultFlags) & snap::kResultNoWinner) != 0;
    }
    virtual bool IsWinTileInHand() const {
        return (ResultWord(snap::kResultFlags) & snap::kResultWinTileInHand) != 0;
    }
    virtual int32_t GetResultWinner() const { return ResultWord(snap::kResultWinner); }
    virtual int32_t GetTableFlags() const { return Word(snap::kTableFlags); }
    virtual void SetTableWord14(int32_t value) = 0;
    virtual int32_t GetBankerChair() const { return Word(snap::kBankerChair); }
    virtual int32_t GetTurnChair() const { return Word(snap::kTurnChair); }
    // The round's two dice (words 23 and 24).
    virtual void GetDice(int32_t out[2]) const {
        out[0] = Word(snap::kDieA);
        out[1] = Word(snap::kDieB);
    }
    virtual int32_t GetPointsValue() const { return Word(snap::kPointsValue); }
    virtual int32_t GetSilverValue() const { return Word(snap::kSilverValue); }
    virtual int32_t GetRoundNumber() const { return Word(snap::kRoundNumber); }
    virtual int32_t GetJokerA() const { return Word(snap::kJokerA); }
    virtual int32_t GetJokerB() const { return Word(snap::kJokerB); }
    virtual int32_t GetAnalysisFlags() const { return Word(snap::kAnalysisFlags); }
    virtual bool HasChowButton() const { return Word(snap::kChowButton) != 0; }

    // The viewer's own tiles (32 words, -1 filled): the count before the
    // first -1 (0-32). A result hand of a chair likewise (-1 filled and 0 for
    // a chair outside 0-3).
    virtual int32_t GetSeatList(int32_t out[32]) const;
    virtual int32_t GetResultHand(int32_t chair, int32_t out[32]) const;
    // Tiles in the chair's concealed hand; 0 for a chair outside 0-3.
    virtual int32_t GetSeatValue(int32_t chair) const;

    virtual int32_t GetTurnTimeout() const { return Word(snap::kTurnTimeout); }
    virtual int32_t GetClaimTimeout() const { return Word(snap::kClaimTimeout); }
    virtual int32_t GetWatchTime() const { return Word(snap::kWatchTime); }

    // Round words and result flags whose readers lie outside the scene
    // (named by their place).
    virtual int32_t GetWord12() const { return Word(12); }
    virtual int32_t GetWord19() const { return Word(19); }
    virtual int32_t GetWord22() const { return Word(22); }
    virtual int32_t GetWord32() const { return Word(32); }
    virtual int32_t GetWord37() const { return Word(37); }
    virtual int32_t GetWord38() const { return Word(38); }
    virtual bool HasResultFlag1000000() const {
        return (ResultWord(snap::kResultFlags) & 0x1000000) != 0;
    }
    virtual bool HasResultFlag4000000() const {
        return (ResultWord(snap::kResultFlags) & 0x4000000) != 0;
    }

    virtual std::string GetBaseLabel() const { return {}; }
    virtual std::string GetKongLabel() const { return "杠"; }

    virtual std::string GetRoundOpenText() const { return {}; }
    virtual std::string GetRunningText() const { return RunningText(9); }
    virtual std::string GetRoundText() const;

    // Pane sizes for the main frame. The operation bar is one button high,
    // or four on a small screen whose layout word 3 stacks its buttons; the
    // player list has a row per chair.
    // Two constants the main frame reads.
    virtual int32_t GetFrameConstantA() const { return 250; }
    virtual int32_t GetFrameConstantB() const { return 24; }
    virtual int32_t GetTablePaneWidthFor() const;
    virtual int32_t GetAdvertPaneHeight() const;
    virtual int32_t GetOperationBarHeight() const;
    virtual int32_t GetPlayerListHeight() const;

  protected:
    // The round-start line, its second line indented by `indent` blanks.
    std::string RunningText(int indent) const;
};

class CTableLogic : public CMJTableLogic {
  public:
    CTableLogic();

    bool StoreRoundStart(Bytes payload) override;
    bool StoreRoundResult(Bytes payload) override;
    std::span<const uint8_t> GetRoundStartBlock() const override { return block_; }
    std::span<const uint8_t> GetRoundResultBlock() const override { return result_; }
    void SetTableWord14(int32_t value) override;

    // The block the framework copies the enter-game and table-data replies
    // into (the application's table data).
    std::span<uint8_t> TableData() { return block_; }
    // The stored result record of a player (172 bytes, zero until stored).
    std::span<const uint8_t> GetResultRecord(int i) const;

    std::string GetBaseLabel() const override { return "基础银"; }
    std::string GetRunningText() const override { return RunningText(5); }
    int32_t GetTablePaneWidthFor() const override;

  private:
    std::array<uint8_t, snap::kBlockBytes> block_{};
    std::array<uint8_t, snap::kResultWords * 4> result_{};
    std::array<uint8_t, snap::kResultRecords * snap::kResultRecordBytes> records_{};
};

}  // namespace mahjong
