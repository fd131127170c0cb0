// Four bots play a thousand rounds at one table, every move through the
// table's requests. Every reply and notification is checked as it goes by:
// its length against the layouts the clients read, its tiles against the
// rules model at that moment (the discard's words are pinned byte for byte
// in table_claims_test). After every step each tile is in
// exactly one place and each bot's hand, as it learnt it from the table, is
// the model's; every settled round sums to zero.

#include <gtest/gtest.h>

#include <map>

#include "rules/table/tests/table_driver.h"
#include "tools/gameserver/table_bot.h"
#include "tools/gameserver/table_game.h"

namespace gameserver {
namespace {

using namespace table;
using rules::TileId;

// A reply that says yes has the layout of a notification: the kong replies
// that of a draw ([0] chair, [1] replacement, [2] its wall index). The draw
// reply is its own: [0] the tile, [1] its wall index.
const std::map<uint32_t, uint32_t> kReplyLayout = {
    {kFlower, kFlowerReplaced}, {kPungDone, kPunged},    {kChowDone, kChowed},
    {kExposedKong, kDrew},      {kConcealedKong, kDrew}, {kAddedKong, kDrew},
};
const std::map<uint32_t, size_t> kNoteBytes = {
    {kDiscarded, 88},     {kDrew, 32},          {kFlowerReplaced, 32}, {kPunged, 64},
    {kChowed, 64},        {kExposedKonged, 64}, {kAddedKonged, 64},    {kConcealedKonged, 64},
    {kRoundStart, 932},   {kRoundEnd, 2356},    {kClaimsOver, 0},      {kPungAnnounced, 32},
    {kChowAnnounced, 32}, {kKongAnnounced, 32},
};

class Trace {
  public:
    explicit Trace(rules::CRuleTable& model) : model_(model) {}

    void operator()(const TableMessage& m) {
        const Words w = ToWords(m.data);
        what_ =
            std::to_string(m.kind) + ":" + std::to_string(m.id) + "/" + std::to_string(m.request);
        ++seen[what_];
        auto bytes = [&](const std::map<uint32_t, size_t>& sizes, uint32_t id) {
            Expect(!sizes.count(id) || sizes.at(id) == m.data.size(), "its length");
        };
        if (m.kind == TableMessage::kRequest) {
            chairOf_[m.peer] = At(w, kChair);
        } else if (m.kind == TableMessage::kReply) {
            Expect(m.id == kOk || m.data.empty(), "a refusal carries nothing");
            if (m.id == kOk && m.request == kKong) Expect(m.data.size() == 48, "its length");
            if (m.id == kOk && m.request == kDraw) {
                Expect(m.data.size() == 32, "its length");
                Drawn(chairOf_[m.peer], At(w, kDrawReplyTile), At(w, kDrawReplyIndex), true);
            }
            if (m.id != kOk || !kReplyLayout.count(m.request)) return;
            bytes(kNoteBytes, kReplyLayout.at(m.request));
            Notification(kReplyLayout.at(m.request), w, chairOf_[m.peer]);
        } else {
            bytes(kNoteBytes, m.id);
            Notification(m.id, w, chairOf_.count(m.peer) ? chairOf_[m.peer] : -1);
        }
    }

    std::map<std::string, int> seen;
    std::vector<std::string> faults;

  private:
    void Expect(bool good, const char* check) {
        if (!good && faults.size() < 20) faults.push_back(what_ + ": " + check);
    }
    // A drawn or replacement tile: held by the chair, at its wall index;
    // hidden from those who do not see the hand.
    void Drawn(int32_t chair, TileId tile, int32_t index, bool seen) {
        const TileId real = model_.LastDrawn(chair);
        Expect(seen ? tile == real && model_.TakerOf(tile) == chair : tile == kHiddenTile,
               "the tile drawn");
        Expect(index == model_.WallPosOfTile(real), "the wall index");
    }
    void Meld(const Words& w, rules::MeldArray kind) {
        const auto& melds = model_.Melds(At(w, kChair), kind);
        Expect(!melds.empty(), "a meld the model has");
        if (melds.empty()) return;
        const rules::ShownMeld& m = melds.back();
        const size_t own = kind >= rules::kExposedKongs ? 3 : 2;
        Expect(At(w, kGiver) == m.giver && At(w, kTile) == m.tiles[own] &&
                   At(w, kOwn) == m.tiles[0] && At(w, kOwn + 1) == m.tiles[1],
               "the meld's tiles");
    }
    void Notification(uint32_t id, const Words& w, int32_t viewer) {
        const int32_t chair = At(w, kChair);
        switch (id) {
            case kDrew:
                if (At(w, 1) != -1) Drawn(At(w, 0), At(w, 1), At(w, 2), viewer == At(w, 0));
                break;
            case kFlowerReplaced:
                Expect(model_.TakenStateOf(At(w, 4)) == rules::kTakenFlower, "the flower");
                if (At(w, 5) >= 0) Drawn(chair, At(w, 5), At(w, 6), viewer == chair);
                break;
            case kPunged:
            case kChowed:
                Meld(w, id == kPunged ? rules::kPungs : rules::kChows);
                break;
            case kExposedKonged:
            case kAddedKonged:
            case kConcealedKonged:
                if (id != kConcealedKonged)
                    Meld(w, id == kExposedKonged ? rules::kExposedKongs : rules::kAddedKongs);
                else
                    Expect(viewer == chair || At(w, kTile) == kHiddenTile, "hidden kong tiles");
                if (At(w, kReplacement) >= 0)
                    Drawn(chair, At(w, kReplacement), At(w, kReplacementIndex), viewer == chair);
                break;
            case kRoundStart:  // the own hand: each bot's, checked after every step
                Expect(At(w, rules::state_record::kChowsPlayed) == 1, "chows played");
                break;
            default:
                break;
        }
    }

    rules::CRuleTable& model_;
    std::map<PeerId, int32_t> chairOf_;
    std::string what_;
};

TEST(TableSoakTest, AThousandRoundsOfFourBots) {
    int64_t clock = 0;
    TableOptions options;
    options.botChairs = {true, true, true, true};
    options.botDelayMs = 1;
    options.seed = 2024;
    TableGame table(options, [&] { return clock; });
    rules::CRuleTable& model = table.model();
    Trace trace(model);
    table.SetObserver(std::ref(trace));
    int last = 0, ownDiscardWins = 0;
    for (int step = 0; table.rounds() < 1000; ++step) {
        ASSERT_LT(step, 1000 * 2000) << "the table stopped playing";
        clock += 1;
        table.Tick();
        ASSERT_TRUE(trace.faults.empty()) << trace.faults.front();
        ASSERT_EQ(rules::testing::Misplaced(model), "") << "step " << step;
        for (int32_t c = 0; c < 4; ++c) {
            // Nor while its added kong waits for robbers: the kong's tile has
            // left the hand before the bot is told the kong stands.
            if (table.AwaitsDelivery(c) || (model.WindowAction() == 3 && model.WindowSeat() == c))
                continue;
            const auto &known = table.BotAt(c)->hand(), held = rules::testing::HeldTiles(model, c);
            ASSERT_TRUE(std::is_permutation(known.begin(), known.end(), held.begin(), held.end()))
                << "chair " << c << " step " << step;
        }
        if (table.rounds() == last) continue;
        last = table.rounds();
        int64_t scores = 0, changes = 0;
        for (size_t s = 0; s < 4; ++s) {
            scores += model.LastGameEnd().Get(rules::game_end::kScores + s);
            changes += model.LastGameEnd().Get(rules::game_end::kScoreChange + s);
        }
        ASSERT_EQ(scores, 0) << "round " << last;
        ASSERT_EQ(changes, 0) << "round " << last;
        // "抢金" by the discarder: offered its own tile, a bot takes it.
        ownDiscardWins += model.Winner() >= 0 && model.Winner() == model.Discarder();
    }
    EXPECT_GT(ownDiscardWins, 0);
    // Every request, every kind of move and every ending went by.
    for (const char* kind :
         {"2:221080/0",  "2:229000/0",  "2:229005/0",  "2:229010/0",  "2:229015/0",
          "2:229020/0",  "2:229025/0",  "2:229030/0",  "2:229045/0",  "2:229047/0",
          "2:229049/0",  "2:229060/0",  "2:229080/0",  "1:10/229000", "1:10/229030",
          "1:10/229045", "1:10/229047", "1:10/229049", "1:10/229080", "1:210050/229025",
          "0:229160/0",  "0:229180/0",  "0:229185/0",  "0:229190/0",  "0:229195/0",
          "0:229197/0",  "0:229199/0",  "0:229210/0",  "0:211080/0"})
        EXPECT_GT(trace.seen[kind], 0) << kind;
}

}  // namespace
}  // namespace gameserver
