// Every request the bots send, and every reply and notification of the
// table, checked as it goes by: its length against the layouts the clients
// read, and its words against the rules model at that moment.

#include <gtest/gtest.h>

#include <map>

#include "rules/tests/table_driver.h"
#include "tools/gameserver/table_game.h"

namespace gameserver {
namespace {

using namespace table;
using rules::TileId;

// The bytes a client sends for each request, as the requests' layouts give
// them (the discard: 104 and 4 per tile).
const std::map<uint32_t, size_t> kRequestBytes = {
    {kStart, 32},    {kDiscard, 108},    {kDraw, 96},          {kPass, 40},
    {kPung, 64},     {kKong, 64},        {kChow, 64},          {kPungDone, 64},
    {kChowDone, 64}, {kExposedKong, 64}, {kConcealedKong, 64}, {kAddedKong, 64},
    {kFlower, 44},   {kHu, 48},          {kSeeHandAnswer, 40}, {kExitAnswer, 40},
};

class Trace {
  public:
    explicit Trace(TableGame& table) : table_(table), model_(table.model()) {}

    void operator()(const TableMessage& m) {
        const Words w = ToWords(m.data);
        const std::string what =
            std::to_string(m.kind) + ":" + std::to_string(m.id) + "/" + std::to_string(m.request);
        ++seen[what];
        if (m.kind == TableMessage::kRequest) {
            chairOf_[m.peer] = At(w, kChair);
            Expect(kRequestBytes.count(m.id) && kRequestBytes.at(m.id) == m.data.size(), what,
                   "request length");
            return;
        }
        const int32_t viewer = chairOf_.count(m.peer) ? chairOf_[m.peer] : -1;
        if (m.kind == TableMessage::kReply)
            Reply(m.request, m.id, w, m.data.size(), what);
        else
            Notification(m.id, w, m.data.size(), viewer, what);
    }

    std::map<std::string, int> seen;
    std::vector<std::string> faults;

  private:
    void Expect(bool good, const std::string& what, const char* check) {
        if (!good && faults.size() < 20) faults.push_back(what + ": " + check);
    }
    bool HeldBy(TileId tile, int32_t chair) {
        return model_.TakerOf(tile) == chair && model_.TakenStateOf(tile) == rules::kTakenHeld;
    }
    // A drawn or replacement tile: held by the chair, at its wall index.
    void Drawn(int32_t chair, TileId tile, int32_t index, bool seen, const std::string& what) {
        const TileId real = model_.LastDrawn(chair);
        Expect(seen ? tile == real && HeldBy(tile, chair) : tile == kHiddenTile, what,
               "the tile drawn");
        Expect(index == model_.WallPosOfTile(real), what, "the wall index");
    }
    void Meld(const Words& w, rules::MeldArray kind, const std::string& what) {
        const int32_t chair = At(w, kChair);
        const auto& melds = model_.Melds(chair, kind);
        Expect(!melds.empty(), what, "a meld the model has");
        if (melds.empty()) return;
        const rules::ShownMeld& m = melds.back();
        const size_t own = kind >= rules::kExposedKongs ? 3 : 2;
        Expect(At(w, kGiver) == m.giver && At(w, kTile) == m.tiles[own] &&
                   At(w, kOwn) == m.tiles[0] && At(w, kOwn + 1) == m.tiles[1],
               what, "the meld's tiles");
    }

    void Reply(uint32_t request, uint32_t code, const Words& w, size_t bytes,
               const std::string& what) {
        if (code != kOk) {
            Expect(bytes == 0, what, "a refusal carries nothing");
            return;
        }
        switch (request) {
            case kDraw:
                Expect(bytes == 32, what, "32 bytes");
                Drawn(At(w, 0), At(w, kReplyTile), At(w, kReplyIndex), true, what);
                break;
            case kFlower:
                Expect(bytes == 32, what, "32 bytes");
                Expect(model_.TakenStateOf(At(w, 4)) == rules::kTakenFlower, what, "the flower");
                if (At(w, 5) >= 0) Drawn(At(w, kChair), At(w, 5), At(w, 6), true, what);
                break;
            case kPungDone:
            case kChowDone:
                Expect(bytes == 64, what, "64 bytes");
                Meld(w, request == kPungDone ? rules::kPungs : rules::kChows, what);
                break;
            case kKong:
                Expect(bytes == 48, what, "48 bytes");
                break;
            case kExposedKong:
            case kConcealedKong:
            case kAddedKong:
                Expect(bytes == 32, what, "32 bytes");
                if (At(w, 1) >= 0) Drawn(At(w, 0), At(w, 1), At(w, 2), true, what);
                break;
            default:
                Expect(bytes == 0, what, "no reply data");
        }
    }

    void Notification(uint32_t id, const Words& w, size_t bytes, int32_t viewer,
                      const std::string& what) {
        const int32_t chair = At(w, kChair);
        const bool seesChair = viewer == chair;
        switch (id) {
            case kDiscarded: {
                const int32_t by = At(w, kNoteChair);
                Expect(bytes == 88 && At(w, 3) == by && At(w, 11) == by, what, "88 bytes");
                Expect(
                    !model_.Discards(by).empty() && model_.Discards(by).back() == At(w, kNoteTile),
                    what, "the tile discarded");
                for (int32_t s = 0; s < 4; ++s) {
                    const int32_t f = s == by ? 0 : model_.ClaimFlags(s);
                    Expect(At(w, kNoteFlags + size_t(s)) == (f ? f | kPassFlag : 0), what,
                           "the claim flags");
                }
                break;
            }
            case kDrew:
                Expect(bytes == 32, what, "32 bytes");
                Drawn(At(w, 0), At(w, 1), At(w, 2), viewer == At(w, 0), what);
                break;
            case kFlowerReplaced:
                Expect(bytes == 32, what, "32 bytes");
                Expect(model_.TakenStateOf(At(w, 4)) == rules::kTakenFlower, what, "the flower");
                if (At(w, 5) >= 0) Drawn(chair, At(w, 5), At(w, 6), seesChair, what);
                break;
            case kPunged:
            case kChowed:
                Expect(bytes == 64, what, "64 bytes");
                Meld(w, id == kPunged ? rules::kPungs : rules::kChows, what);
                break;
            case kExposedKonged:
            case kAddedKonged:
                Expect(bytes == 64, what, "64 bytes");
                Meld(w, id == kExposedKonged ? rules::kExposedKongs : rules::kAddedKongs, what);
                if (At(w, kReplacement) >= 0)
                    Drawn(chair, At(w, kReplacement), At(w, kReplacementIndex), seesChair, what);
                break;
            case kConcealedKonged:
                Expect(bytes == 64, what, "64 bytes");
                for (size_t i = kTile; i <= kOwn + 2; ++i)
                    Expect(seesChair || At(w, i) == kHiddenTile, what, "hidden kong tiles");
                if (At(w, kReplacement) >= 0)
                    Drawn(chair, At(w, kReplacement), At(w, kReplacementIndex), seesChair, what);
                break;
            case kRoundStart: {
                Expect(bytes == 233 * 4, what, "233 words");
                auto held = rules::testing::HeldTiles(model_, viewer);
                Expect(int32_t(held.size()) == At(w, 49 + size_t(viewer)), what, "the count");
                for (size_t i = 0; i < held.size(); ++i)
                    Expect(At(w, 53 + i) == held[i], what, "the own hand");
                Expect(At(w, rules::state_record::kChowsPlayed) == 1, what, "chows played");
                break;
            }
            case kRoundEnd:
                Expect(bytes == 1668 + 4 * 172 && At(w, 181) == 4, what, "417 words and 4");
                break;
            case kClaimsOver:
                Expect(bytes == 0, what, "no words");
                break;
            case kPungAnnounced:
            case kChowAnnounced:
            case kKongAnnounced:
                Expect(bytes == 32, what, "32 bytes");
                break;
            default:
                break;
        }
    }

    TableGame& table_;
    rules::CRuleTable& model_;
    std::map<PeerId, int32_t> chairOf_;
};

TEST(TableTraceTest, EveryMessageHasItsLayoutAndAgreesWithTheModel) {
    int64_t clock = 0;
    TableOptions options;
    options.botChairs = {true, true, true, true};
    options.seed = 99;
    TableGame table(options, [&] { return clock; });
    Trace trace(table);
    table.SetObserver(std::ref(trace));
    while (table.rounds() < 300) {
        clock += 1;
        table.Tick();
        ASSERT_TRUE(trace.faults.empty()) << trace.faults.front();
    }
    // Every request and every kind of move went by.
    for (const char* kind :
         {"2:221080/0",  "2:229000/0",  "2:229005/0",  "2:229010/0",      "2:229015/0",
          "2:229020/0",  "2:229025/0",  "2:229030/0",  "2:229045/0",      "2:229047/0",
          "2:229049/0",  "2:229060/0",  "2:229080/0",  "1:10/229000",     "1:10/229030",
          "1:10/229045", "1:10/229047", "1:10/229049", "1:210050/229025", "0:229160/0",
          "0:229180/0",  "0:229185/0",  "0:229190/0",  "0:229195/0",      "0:229197/0",
          "0:229199/0",  "0:229210/0",  "0:211080/0"})
        EXPECT_GT(trace.seen[kind], 0) << kind;
}

}  // namespace
}  // namespace gameserver
