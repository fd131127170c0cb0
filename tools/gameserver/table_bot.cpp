#include "tools/gameserver/table_bot.h"

#include <algorithm>
#include <utility>

#include "rules/hand/hand_count.h"
#include "rules/table/mj_table.h"

namespace gameserver {

using namespace table;
using rules::TileId;

namespace {

constexpr int32_t kHeldState = 0x100, kRunningState = 0x1, kOverState = 0x1000000;

}  // namespace

TableBot::TableBot(int32_t chair, int32_t user, int32_t room, int32_t table, uint32_t seed)
    : chair_(chair), user_(user), room_(room), table_(table), rng_(seed) {}

Words TableBot::Request(size_t bytes) const {
    Words w(bytes / 4, 0);
    w[kUser] = user_;
    w[kRoom] = room_;
    w[kTable] = table_;
    w[kChair] = chair_;
    return w;
}

// What the table tells the bot.

void TableBot::StartRound(const Words& round, size_t heldAt, size_t meldsAt) {
    using namespace rules::state_record;
    hand_.clear();
    pungs_.clear();
    for (size_t i = 0; i < kHeldWords && At(round, heldAt + i) >= 0; ++i)
        hand_.push_back(At(round, heldAt + i));
    options_ = rules::RuleOptions(At(round, kRuleOptions));
    jokerA_ = At(round, kJokerA);
    jokerB_ = At(round, kJokerB);
    const int32_t state = At(round, kState);
    inRound_ = (state & kRunningState) && !(state & kOverState);
    onTurn_ = inRound_ && At(round, kTurnChair) == chair_ && (state & kHeldState);
    if (meldsAt) {
        const size_t table = meldsAt + kPungTable * kMeldTableWords;
        const int32_t count = std::clamp(At(round, table + kMeldCounts + size_t(chair_)), 0, 6);
        for (size_t m = 0; m < size_t(count); ++m) {
            const size_t at = table + (size_t(chair_) * kMeldsPerSeat + m) * kMeldWords;
            pungs_.push_back({At(round, at), At(round, at + 1), At(round, at + 2)});
        }
    }
    needStart_ = drawDue_ = waitingReady_ = meldSinceDiscard_ = false;
    offer_.reset();
    waiting_.reset();
    queued_.clear();
    lastDiscarder_ = -1;
    NewTurn();
}

void TableBot::Restore(const rules::TableRecord& state) {
    auto words = state.Words();
    StartRound(Words(words.begin(), words.end()), rules::state_record::kHeld,
               rules::state_record::kMeldTables);
}

void TableBot::Take(TileId tile) {
    if (tile >= 0 && !Holds(tile)) hand_.push_back(tile);
}

void TableBot::Give(TileId tile) {
    auto it = std::find(hand_.begin(), hand_.end(), tile);
    if (it != hand_.end()) hand_.erase(it);
}

bool TableBot::Holds(TileId tile) const {
    return std::find(hand_.begin(), hand_.end(), tile) != hand_.end();
}

void TableBot::NewTurn() {
    tried_.clear();
    triedWin_ = false;
}

void TableBot::Melded(uint32_t notify, const Words& m) {
    switch (notify) {
        case kPunged:
            pungs_.push_back({At(m, kOwn), At(m, kOwn + 1), At(m, kTile)});
            [[fallthrough]];
        case kChowed:
            Give(At(m, kOwn));
            Give(At(m, kOwn + 1));
            break;
        case kExposedKonged:
            for (size_t i = 0; i < 3; ++i)
                Give(At(m, kOwn + i));
            break;
        case kConcealedKonged:
            for (size_t i = 0; i < 4; ++i)
                Give(At(m, kTile + i));
            break;
        case kAddedKonged:
            Give(At(m, kTile));
            std::erase_if(pungs_, [&](const auto& p) {
                return p[0] == At(m, kOwn) && p[1] == At(m, kOwn + 1);
            });
            break;
        default:
            return;
    }
    Take(At(m, kReplacement));
    onTurn_ = meldSinceDiscard_ = true;
    drawDue_ = false;
    NewTurn();
    // The rules keep the claimed kind in the hand for this turn: after a
    // chow every kind that makes the same chow with the two shown tiles.
    if (notify == kPunged) {
        for (TileId t : hand_)
            if (rules::IsSameKind(t, At(m, kTile), options_)) tried_.push_back(t);
    } else if (notify == kChowed) {
        rules::TileCountArray shown{};
        const TileId pair[] = {At(m, kOwn), At(m, kOwn + 1)};
        rules::BuildCountArray(pair, shown, options_);
        for (TileId t : hand_)
            if (rules::CanChiWithCounts(shown, t, jokerA_, jokerB_, options_)) tried_.push_back(t);
    }
}

void TableBot::OnNotify(uint32_t id, const Words& w) {
    switch (id) {
        case kRoundStart:
            StartRound(w, rules::seat_record::kHeld, 0);
            return;
        case kRoundEnd:
            // The hands as the round ended, as a client lays them out.
            hand_.clear();
            for (size_t i = 0; i < rules::game_end::kHandWords; ++i) {
                const TileId t = At(
                    w, rules::game_end::kHands + size_t(chair_) * rules::game_end::kHandWords + i);
                if (t < 0) break;
                hand_.push_back(t);
            }
            inRound_ = onTurn_ = drawDue_ = false;
            offer_.reset();
            answered_.reset();
            waiting_.reset();
            needStart_ = true;
            return;
        case kSeeHand:
        case kExitRequest: {
            // A looker may see the hand; a player who asks to leave may.
            Move yes{id == kSeeHand ? kSeeHandAnswer : kExitAnswer, Request(40)};
            static_assert(kSeeHandLooker == kExitRequester && kSeeHandAllow == kExitAgree);
            yes.words[kExitRequester] = At(w, kUser);
            yes.words[kExitAgree] = 1;
            queued_.push_back(yes);
            return;
        }
        default:
            break;
    }
    if (!inRound_) return;
    switch (id) {
        case kDiscarded: {
            lastDiscarder_ = At(w, kNoteChair);
            meldSinceDiscard_ = false;
            answered_.reset();
            if (lastDiscarder_ == chair_) {
                // Discarded for the bot when its time ran out.
                Give(At(w, kNoteTile));
                onTurn_ = false;
            }
            OfferOf(w);
            return;
        }
        case kKongAnnounced:
            meldSinceDiscard_ = true;
            if (At(w, 3) == 2 && At(w, 0) != chair_ &&
                (At(w, kAnnouncedFlags + size_t(chair_)) & rules::kClaimFlagHu))
                offer_ = Offer{At(w, 1), At(w, 2), rules::kClaimFlagHu, 2};
            return;
        case kPungAnnounced:
        case kChowAnnounced:
            meldSinceDiscard_ = true;
            return;
        case kClaimsOver:
            offer_.reset();
            answered_.reset();
            std::erase_if(queued_, [](const Move& m) { return m.id == kPass; });
            waitingReady_ = waiting_.has_value();
            drawDue_ = !waiting_ && !meldSinceDiscard_ && lastDiscarder_ >= 0 &&
                       (lastDiscarder_ + 3) % 4 == chair_;
            return;
        default:
            break;
    }
    // Moves made for the bot's chair, told by notification.
    if (At(w, id == kDrew ? 0 : kChair) != chair_) return;
    if (id == kDrew) {
        Take(At(w, kReplyTile));
        onTurn_ = true;
        drawDue_ = false;
        NewTurn();
    } else if (id == kFlowerReplaced) {
        Give(At(w, kFlowerTile));
        Take(At(w, kFlowerTile + 1));
        onTurn_ = At(w, kFlowerTile + 1) >= 0;
        NewTurn();
    } else {
        Melded(id, w);
    }
}

void TableBot::OfferOf(const Words& note) {
    const int32_t flags = At(note, kNoteFlags + size_t(chair_)) & ~kPassFlag;
    if (flags) offer_ = Offer{At(note, kNoteChair), At(note, kNoteTile), flags, 0};
}

void TableBot::OnReply(uint32_t request, uint32_t code, const Words& w) {
    const std::optional<Move> move = std::exchange(sent_, std::nullopt);
    if (!move || move->id != request) return;
    const Words& m = move->words;
    if (code == kWait) {
        waiting_ = move;
        waitingReady_ = false;
        return;
    }
    if (code != kOk) {
        // A claim refused while its window is open still answers it.
        if (answered_ && (request == kKong || request == kHu || request == kPungDone ||
                          request == kChowDone || request == kExposedKong)) {
            queued_.push_back(Claim(kPass, *std::exchange(answered_, std::nullopt), {}));
            return;
        }
        if (request == kDiscard) tried_.push_back(At(m, kDiscardTiles));
        if (request == kFlower) tried_.push_back(At(m, kFlowerTile));
        if (request == kConcealedKong || request == kAddedKong || request == kKong)
            tried_.push_back(At(m, kTile));
        return;
    }
    switch (request) {
        case kDraw:
            Take(At(w, kDrawReplyTile));
            onTurn_ = true;
            NewTurn();
            break;
        case kDiscard:
            Give(At(m, kDiscardTiles));
            onTurn_ = false;
            lastDiscarder_ = chair_;
            meldSinceDiscard_ = false;
            // The reply of a discard the bot may win on itself ("抢金").
            if (!w.empty()) OfferOf(w);
            break;
        case kFlower:
            Give(At(m, kFlowerTile));
            Take(At(w, kFlowerTile + 1));
            onTurn_ = At(w, kFlowerTile + 1) >= 0;
            NewTurn();
            break;
        case kKong:
            // The claim or the announcement stands: the kong itself follows.
            queued_.push_back({At(m, kKongKind) == 1 ? kExposedKong : kAddedKong, m});
            break;
        case kPungDone:
            Melded(kPunged, w);
            break;
        case kChowDone:
            Melded(kChowed, w);
            break;
        case kExposedKong:
        case kConcealedKong:
        case kAddedKong: {
            Words meld = m;
            meld.resize(kMeldWords, 0);
            meld[kReplacement] = At(w, kReplyTile);
            Melded(request == kExposedKong     ? kExposedKonged
                   : request == kConcealedKong ? kConcealedKonged
                                               : kAddedKonged,
                   meld);
            break;
        }
        default:
            break;
    }
}

// What the bot does.

bool TableBot::WantsToAct() const {
    return !queued_.empty() || needStart_ ||
           (inRound_ && ((waiting_ && waitingReady_) || offer_ || drawDue_ || onTurn_));
}

std::optional<TableBot::Move> TableBot::NextMove(const Advisor& advisor) {
    std::optional<Move> move;
    if (!queued_.empty()) {
        move = queued_.front();
        queued_.pop_front();
    } else if (needStart_) {
        needStart_ = false;
        move = Move{kStart, Request(32)};
    } else if (!inRound_) {
        return std::nullopt;
    } else if (waiting_ && waitingReady_) {
        move = std::exchange(waiting_, std::nullopt);
        waitingReady_ = false;
    } else if (offer_) {
        answered_ = std::exchange(offer_, std::nullopt);
        move = AnswerOffer(*answered_);
    } else if (drawDue_) {
        drawDue_ = false;
        move = Move{kDraw, Request(kDrawBytes)};
        move->words[kSenderTable] = table_;
        move->words[kSenderChair] = chair_;
        move->words[kSenderUser] = user_;
    } else if (onTurn_) {
        move = TurnMove(advisor);
    }
    if (move && IsWaited(move->id)) sent_ = move;
    return move;
}

TableBot::Move TableBot::Claim(uint32_t id, const Offer& offer, std::span<const TileId> own,
                               int32_t kind) const {
    Move move{id, Request(id == kPass ? 40 : id == kHu ? 48 : 64)};
    move.words[kGiver] = offer.giver;
    move.words[kTile] = offer.tile;
    if (id == kHu) return move;
    for (size_t i = 0; i < own.size() && kOwn + i < move.words.size(); ++i)
        move.words[kOwn + i] = own[i];
    if (id != kPass && own.size() < 3) move.words[kOwn + 2] = -1;
    if (kind) move.words[kKongKind] = kind;
    return move;
}

TableBot::Move TableBot::AnswerOffer(Offer offer) {
    if ((offer.flags & rules::kClaimFlagHu) && Chance(95)) {
        Move hu = Claim(kHu, offer, {});
        hu.words[kHuKind] =
            offer.robbing ? int32_t(rules::kHuRobbingKong) : int32_t(rules::kHuOnDiscard);
        if (offer.robbing) hu.words[kHuOfferKind] = offer.robbing;
        return hu;
    }
    std::vector<TileId> out(std::max<size_t>(hand_.size() * 2, 4), -1);
    auto find = [&](auto finder) {
        std::fill(out.begin(), out.end(), -1);
        return finder(hand_, offer.tile, jokerA_, jokerB_, options_, out) != 0;
    };
    if (!offer.robbing) {
        if ((offer.flags & rules::kClaimFlagKong) && Chance(70) && find(rules::FindGangTiles))
            return Claim(kKong, offer, std::span(out).first(3), 1);
        if ((offer.flags & rules::kClaimFlagPung) && Chance(70) && find(rules::FindPengTiles)) {
            queued_.push_back(Claim(kPungDone, offer, std::span(out).first(2)));
            return Claim(kPung, offer, std::span(out).first(2));
        }
        if ((offer.flags & rules::kClaimFlagChow) && Chance(60) && find(rules::FindChiTiles)) {
            queued_.push_back(Claim(kChowDone, offer, std::span(out).first(2)));
            return Claim(kChow, offer, std::span(out).first(2));
        }
    }
    return Claim(kPass, offer, {});
}

std::optional<TableBot::Move> TableBot::TurnMove(const Advisor& advisor) {
    auto tried = [&](TileId t) { return std::count(tried_.begin(), tried_.end(), t) > 0; };
    for (TileId t : hand_) {
        if (tried(t) || !rules::IsHonourOrFlowerTile(t, jokerA_, jokerB_, options_)) continue;
        Move flower{kFlower, Request(44)};
        flower.words[kFlowerTile] = t;
        return flower;
    }
    if (!triedWin_) {
        triedWin_ = true;
        if (const TileId win = advisor ? advisor(chair_) : -1; win >= 0 && Chance(95)) {
            Move hu{kHu, Request(48)};
            hu.words[kGiver] = chair_;
            hu.words[kTile] = win;
            hu.words[kHuKind] = int32_t(rules::kHuSelfDrawn);
            return hu;
        }
    }
    std::vector<TileId> out(std::max<size_t>(hand_.size(), 4), -1);
    if (Chance(70) && rules::FindAnyGangTiles(hand_, jokerA_, jokerB_, options_, out) &&
        out[0] >= 0 && !tried(out[0])) {
        Move kong{kConcealedKong, Request(64)};
        kong.words[kGiver] = chair_;
        for (size_t i = 0; i < 4; ++i)
            kong.words[kTile + i] = out[i];
        return kong;
    }
    for (const auto& pung : pungs_) {
        for (TileId t : hand_) {
            if (tried(t) || !rules::IsSameKind(t, pung[0], options_) || !Chance(70)) continue;
            Move kong{kKong, Request(64)};
            kong.words[kGiver] = chair_;
            kong.words[kTile] = t;
            for (size_t i = 0; i < 3; ++i)
                kong.words[kOwn + i] = pung[i];
            kong.words[kKongKind] = 2;
            return kong;
        }
    }
    const TileId tile = LoneliestTile();
    if (tile < 0) {
        onTurn_ = false;  // nothing stands: the table moves for the bot
        return std::nullopt;
    }
    Move discard{kDiscard, Request(kDiscardBaseBytes + 4)};
    discard.words[kSenderTable] = table_;
    discard.words[kSenderChair] = chair_;
    discard.words[kSenderUser] = user_;
    discard.words[kOwnDiscard] = 1;
    discard.words[kDiscardCount] = 1;
    discard.words[kDiscardTiles] = tile;
    return discard;
}

TileId TableBot::LoneliestTile() const {
    TileId best = -1;
    int bestScore = 1 << 20;
    for (TileId t : hand_) {
        if (std::count(tried_.begin(), tried_.end(), t)) continue;
        int score = 0;
        if (rules::IsJokerTile(t, jokerA_, jokerB_, options_)) score += 1000;
        const rules::TileIndex kind = rules::TileIdToIndex(t, options_);
        for (TileId other : hand_) {
            if (other == t) continue;
            const int distance = std::abs(rules::TileIdToIndex(other, options_) - kind);
            if (distance == 0) score += 4;
            if (kind < 30 && distance == 1) score += 2;
            if (kind < 30 && distance == 2) score += 1;
        }
        if (score < bestScore) {
            bestScore = score;
            best = t;
        }
    }
    return best;
}

}  // namespace gameserver
