#pragma once
// A bot in a chair. It knows its hand only from what the table tells it (the
// round start or the table data, the replies to its requests, the
// notifications), as a client does, and plays a simple legal game through
// the requests a client sends, with their layouts: flowers replaced, wins
// taken, kongs and claims now and then, the loneliest tile discarded. It
// lets lookers see its hand and agrees when a player asks to leave.

#include <array>
#include <deque>
#include <functional>
#include <optional>
#include <random>
#include <span>
#include <vector>

#include "rules/table/table_record.h"
#include "rules/hand/tile.h"
#include "tools/gameserver/table_protocol.h"

namespace gameserver {

class TableBot {
  public:
    struct Move {
        uint32_t id = 0;
        table::Words words;
    };
    // The tile with which the chair may declare a self-drawn win now, or -1:
    // the bot's own reading of its hand, done by the rules.
    using Advisor = std::function<rules::TileId(int32_t chair)>;

    TableBot(int32_t chair, int32_t user, int32_t room, int32_t table, uint32_t seed);

    // The table data of a round in play, for a bot that takes over a chair.
    void Restore(const rules::TableRecord& state);
    void OnNotify(uint32_t id, const table::Words& w);
    void OnReply(uint32_t request, uint32_t code, const table::Words& w);
    bool WantsToAct() const;
    bool WantsToStart() const { return needStart_; }
    // The next request to send now, if any.
    std::optional<Move> NextMove(const Advisor& advisor);

    int32_t chair() const { return chair_; }
    // The concealed tiles as the bot knows them.
    const std::vector<rules::TileId>& hand() const { return hand_; }

  private:
    struct Offer {
        int32_t giver = -1;
        rules::TileId tile = -1;
        int32_t flags = 0;
        int32_t robbing = 0;  // the kong kind when the offer is to rob a kong
    };

    table::Words Request(size_t bytes) const;
    Move Claim(uint32_t id, const Offer& offer, std::span<const rules::TileId> own,
               int32_t kind = 0) const;
    Move AnswerOffer(Offer offer);
    std::optional<Move> TurnMove(const Advisor& advisor);
    rules::TileId LoneliestTile() const;
    bool Chance(int percent) { return int(rng_() % 100) < percent; }

    void StartRound(const table::Words& round, size_t heldAt, size_t meldsAt);
    void Take(rules::TileId tile);
    void Give(rules::TileId tile);
    bool Holds(rules::TileId tile) const;
    void NewTurn();
    // The bot's offer in a discard's note (the discarder's own for "抢金").
    void OfferOf(const table::Words& note);
    // A meld of the bot's, from a reply or from a notification for its chair.
    void Melded(uint32_t notify, const table::Words& meld);

    int32_t chair_, user_, room_, table_;
    std::mt19937 rng_;
    bool needStart_ = true, inRound_ = false, onTurn_ = false, drawDue_ = false;
    bool meldSinceDiscard_ = false, triedWin_ = false;
    rules::TileId jokerA_ = -1, jokerB_ = -1;
    rules::RuleOptions options_ = 0;
    std::vector<rules::TileId> hand_;
    std::vector<std::array<rules::TileId, 3>> pungs_;
    std::vector<rules::TileId> tried_;  // refused this turn
    std::optional<Offer> offer_;
    std::optional<Offer> answered_;  // until its window closes
    int32_t lastDiscarder_ = -1;
    std::deque<Move> queued_;      // sent next, before anything else
    std::optional<Move> waiting_;  // answered "wait": sent again when the claims are over
    bool waitingReady_ = false;
    std::optional<Move> sent_;  // the last waited request, for its reply
};

}  // namespace gameserver
