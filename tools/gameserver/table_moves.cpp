// The moves of a round. The chair on turn draws, discards, replaces flowers,
// declares kongs and wins; the others claim a discard or rob a kong while
// its claim window is open. A move the model makes for a chair when a window
// closes (the next draw, a claimed meld, a kong's replacement) waits until
// that chair's client asks for it: the reply tells the client, a
// notification everybody else.

#include <algorithm>

#include "tools/gameserver/table_game.h"

namespace gameserver {

using namespace table;
using rules::TileId;

namespace {

constexpr int32_t kPungClaim = rules::kClaimFlagPung, kKongClaim = rules::kClaimFlagKong,
                  kChowClaim = rules::kClaimFlagChow, kHuClaim = rules::kClaimFlagHu;
constexpr int32_t kSelfDrawn = int32_t(rules::kHuSelfDrawn);

// What each notification hides from the peers that do not see the hand.
constexpr size_t kDrawHidden[] = {kReplyTile};
constexpr size_t kMeldHidden[] = {kReplacement};
constexpr size_t kConcealedHidden[] = {kTile, kOwn, kOwn + 1, kOwn + 2, kReplacement};
constexpr size_t kFlowerHidden[] = {kFlowerTile + 1};

std::span<const size_t> HiddenIn(uint32_t notify) {
    switch (notify) {
        case kDrew:
            return kDrawHidden;
        case kConcealedKonged:
            return kConcealedHidden;
        case kFlowerReplaced:
            return kFlowerHidden;
        default:
            return kMeldHidden;
    }
}

}  // namespace

TableGame::Answer TableGame::Move(PeerId peer, uint32_t id, const Words& w, size_t bytes,
                                  bool timeoutForm) {
    const int32_t chair = ChairOf(peer);
    const uint32_t refusal = id == kDiscard                 ? kDiscardRefused
                             : id == kDraw || id == kFlower ? kNoTile
                                                            : kFailed;
    if (timeoutForm) {
        if (!MayActFor(peer, w)) return {refusal, {}};
        MoveFor(At(w, kChair));
        return {kOk, {}};
    }
    switch (id) {
        case kDraw:
            return Draw(chair);
        case kDiscard: {
            const int32_t count = At(w, kDiscardCount);
            if (count < 0 || count > int32_t(kMaxDiscardTiles) ||
                bytes < kDiscardBaseBytes + 4 * size_t(count))
                return {refusal, {}};
            return Discard(chair, w);
        }
        case kFlower:
            return Flower(chair, At(w, kFlowerTile), false);
        case kConcealedKong:
            return ConcealedKong(chair, w);
        case kAddedKong:
            return AddedKong(chair, w, false);
        case kKong:
            if (At(w, kKongKind) == 1) return Claim(chair, kKongClaim, w, false);
            if (At(w, kKongKind) == 2) return AddedKong(chair, w, true);
            return {refusal, {}};
        case kPass:
            return Pass(chair);
        case kPung:
            return Claim(chair, kPungClaim, w, false);
        case kChow:
            return Claim(chair, kChowClaim, w, true);
        case kPungDone:
            return Execute(chair, kPungClaim, w);
        case kChowDone:
            return Execute(chair, kChowClaim, w);
        case kExposedKong:
            return Execute(chair, kKongClaim, w);
        case kHu:
            return Hu(chair, w);
        default:
            return {kUnsupported, {}};
    }
}

bool TableGame::OnTurn(int32_t chair) const {
    return roundRunning_ && IsChair(chair) && !pending_[size_t(chair)] && !window_ &&
           model_->ActiveChair() == chair && (model_->State() & rules::kStateOwnAction) &&
           !model_->HandOver();
}

void TableGame::TurnBegins() {
    turnSince_ = now_;
}

int32_t TableGame::WallIndex(TileId tile) const {
    return tile >= 0 ? model_->WallPosOfTile(tile) : -1;
}

TableGame::Words TableGame::DrawWords(int32_t chair, TileId tile) const {
    return {chair, tile, WallIndex(tile), 0, 0, 0, 0, 0};
}

TableGame::Words TableGame::KongReply(int32_t chair, TileId replacement, size_t words) const {
    Words reply = DrawWords(chair, replacement);
    reply.resize(words, 0);
    return words == kShortReplyWords ? WithOptions(chair, std::move(reply)) : reply;
}

TableGame::Words TableGame::WithOptions(int32_t chair, Words reply) const {
    if (reply.size() > kReplyOptions)
        reply[kReplyOptions] = model_->SelfDrawnWinTile(chair) >= 0 ? kHuClaim : 0;
    return reply;
}

TableGame::Words TableGame::MeldWords(int32_t chair, rules::MeldArray kind,
                                      TileId replacement) const {
    Words w = Head(chair);
    w.resize(kMeldWords, 0);
    const auto& melds = model_->Melds(chair, kind);
    if (melds.empty()) return w;
    const rules::ShownMeld& meld = melds.back();
    // The model keeps the own tiles first and the claimed (or added) one last.
    const bool kong = kind >= rules::kExposedKongs;
    const size_t own = kong ? 3 : 2;
    w[kGiver] = meld.giver;
    w[kTile] = meld.tiles[own];
    for (size_t i = 0; i < 3; ++i)
        w[kOwn + i] = i < own ? meld.tiles[i] : -1;
    w[kKongKind] = kind == rules::kExposedKongs ? 1 : kind == rules::kAddedKongs ? 2 : 0;
    w[kReplacement] = replacement;
    w[kReplacementIndex] = WallIndex(replacement);
    return w;
}

void TableGame::Deliver(int32_t chair, PeerId except) {
    auto pending = std::move(pending_[size_t(chair)]);
    if (!pending) return;
    AfterUnaskedMove();
    ToAll(pending->notify, pending->words, except, chair, HiddenIn(pending->notify));
    TurnBegins();
}

// The chair on turn.

TableGame::Answer TableGame::Draw(int32_t chair) {
    const Pending* pending = pending_[size_t(chair)].get();
    if (!pending || pending->notify != kDrew) return {kNoTile, {}};
    const TileId tile = pending->words[kReplyTile];
    Words reply(kShortReplyWords, 0);
    reply[kDrawReplyTile] = tile;
    reply[kDrawReplyIndex] = WallIndex(tile);
    Deliver(chair, seats_[size_t(chair)]->player);
    return {kOk, WithOptions(chair, std::move(reply))};
}

TableGame::Answer TableGame::Discard(int32_t chair, const Words& w) {
    if (!OnTurn(chair) || !model_->RequestDiscard(w)) return {kDiscardRefused, {}};
    Words note = Discarded(chair, At(w, kDiscardTiles), seats_[size_t(chair)]->player);
    // A discarder offered its own tile hears of it in the reply.
    const bool offered = window_ && window_->awaiting[size_t(chair)];
    return {kOk, offered ? std::move(note) : Words{}};
}

Words TableGame::Discarded(int32_t chair, TileId tile, PeerId except) {
    OpenWindow();
    Words note = Head(chair);
    note.resize(kDiscardNoteWords, 0);
    note[kUser] = seats_[size_t(chair)]->user;
    note[kNoteChair] = chair;
    note[kNoteChairAgain] = chair;
    note[kNoteTile] = tile;
    for (int32_t s = 0; s < kChairs; ++s) {
        const int32_t flags = window_->awaiting[size_t(s)] ? model_->ClaimFlags(s) : 0;
        note[kNoteFlags + size_t(s)] = flags ? flags | kPassFlag : 0;
    }
    ToAll(kDiscarded, note, except);
    AfterAnswer();
    return note;
}

TableGame::Answer TableGame::Flower(int32_t chair, TileId flower, bool byNotice) {
    if (!OnTurn(chair)) return {kNoTile, {}};
    Words note = Head(chair);
    note.resize(kShortReplyWords, 0);
    note[kFlowerTile] = flower;
    TileId replacement = -1;
    if (!model_->RequestFlower(note, &replacement)) return {kNoTile, {}};
    note[kFlowerTile + 1] = replacement;
    note[kFlowerTile + 2] = WallIndex(replacement);
    ToAll(kFlowerReplaced, note, byNotice ? -1 : seats_[size_t(chair)]->player, chair,
          kFlowerHidden);
    TurnBegins();
    CheckHandOver();
    return {kOk, WithOptions(chair, std::move(note))};
}

TableGame::Answer TableGame::ConcealedKong(int32_t chair, const Words& w) {
    if (!OnTurn(chair) || !model_->RequestConcealedKong(w)) return {kFailed, {}};
    const TileId replacement = model_->HandOver() ? -1 : model_->LastDrawn(chair);
    ToAll(kConcealedKonged, MeldWords(chair, rules::kConcealedKongs, replacement),
          seats_[size_t(chair)]->player, chair, kConcealedHidden);
    TurnBegins();
    CheckHandOver();
    return {kOk, KongReply(chair, replacement, kShortReplyWords)};
}

TableGame::Answer TableGame::AddedKong(int32_t chair, const Words& w, bool announceOnly) {
    const PeerId player = seats_[size_t(chair)]->player;
    const Answer announced{kOk, KongReply(chair, -1, kKongClaimReplyWords)};
    // Its robbing window is open: the kong waits.
    if (window_ && model_->WindowAction() == rules::kWindowAddedKong &&
        model_->WindowSeat() == chair)
        return announceOnly ? announced : Answer{kWait, {}};
    const Pending* pending = pending_[size_t(chair)].get();
    if (pending && pending->notify == kAddedKonged) {
        if (announceOnly) return announced;
        const TileId replacement = pending->words[kReplacement];
        Deliver(chair, player);
        return {kOk, KongReply(chair, replacement, kShortReplyWords)};
    }
    if (!OnTurn(chair)) return {kFailed, {}};
    // The others hear of the kong before its meld stands.
    BeforeUnaskedMove();
    if (!model_->RequestAddedKong(w)) {
        AfterUnaskedMove();
        return {kFailed, {}};
    }
    Words note = {chair, chair, At(w, kTile), 2, 0, 0, 0, 0};
    if (model_->State() & rules::kStateAddedKongWindow) {
        OpenWindow();
        for (int32_t s = 0; s < kChairs; ++s)
            note[kAnnouncedFlags + size_t(s)] =
                window_->awaiting[size_t(s)] ? model_->ClaimFlags(s) | kPassFlag : 0;
        ToAll(kKongAnnounced, note, player);
        AfterAnswer();
        return announceOnly ? announced : Answer{kWait, {}};
    }
    // Nobody can rob it: it stands with its replacement.
    const TileId replacement = model_->HandOver() ? -1 : model_->LastDrawn(chair);
    Words meld = MeldWords(chair, rules::kAddedKongs, replacement);
    ToAll(kKongAnnounced, note, player);
    TurnBegins();
    if (announceOnly) {
        pending_[size_t(chair)] = std::make_unique<Pending>(Pending{kAddedKonged, meld});
    } else {
        AfterUnaskedMove();
        ToAll(kAddedKonged, meld, player, chair, kMeldHidden);
    }
    CheckHandOver();
    return announceOnly ? announced : Answer{kOk, KongReply(chair, replacement, kShortReplyWords)};
}

TableGame::Answer TableGame::Hu(int32_t chair, const Words& w) {
    if (At(w, kHuKind) == kSelfDrawn) {
        if (!OnTurn(chair) || !model_->RequestHu(w)) return {kFailed, {}};
        CheckHandOver();
        return {kOk, {}};
    }
    if (!window_) return {kFailed, {}, lost_[size_t(chair)]};
    if (window_->claimed[size_t(chair)] == kHuClaim) return {kWait, {}};
    if (!window_->awaiting[size_t(chair)] || !model_->RequestHu(w)) return {kFailed, {}};
    window_->claimed[size_t(chair)] = kHuClaim;
    window_->awaiting[size_t(chair)] = false;
    AfterAnswer();
    if (window_) return {kWait, {}};
    return {model_->HuWord(chair) > 0 ? kOk : kFailed, {}};
}

// Claims.

void TableGame::OpenWindow() {
    window_ = std::make_unique<Window>();
    // The model takes no claim in the window's last second: the window closes
    // just before it.
    window_->deadline =
        now_ + std::max<int64_t>(0, int64_t(options_.rules.operationSeconds) * 1000 - 1001);
    for (int32_t s = 0; s < kChairs; ++s)
        window_->awaiting[size_t(s)] = model_->ClaimFlags(s) != 0;
    // The discarder is offered its own tile only for "抢金" (the indicator
    // completes its hand on the round's first discard). A bot is asked like
    // any other chair; a client never shows an offer on its own discard, so
    // waiting for it would only hold the window (and the claims below the
    // offer) until its deadline.
    const int32_t giver = model_->WindowSeat();
    if (model_->WindowAction() == rules::kWindowDiscard && IsChair(giver) &&
        window_->awaiting[size_t(giver)] && !BotAt(giver)) {
        PassInModel(giver);
        window_->awaiting[size_t(giver)] = false;
    }
}

void TableGame::PassInModel(int32_t chair) {
    Words pass = Head(chair);
    pass.resize(kShortReplyWords, 0);
    model_->RequestPass(pass);
}

bool TableGame::ClaimStands(int32_t kind, const Words& w) {
    // The model's own checks, without the priority gate: a claim that a
    // higher offer blocks now may stand once that offer is passed.
    rules::CMJGameTable& base = *model_;
    if (kind == kPungClaim) return base.CMJGameTable::CheckPeng(w);
    if (kind == kChowClaim) return base.CMJGameTable::CheckChi(w);
    return base.CMJGameTable::CheckMingGang(w);
}

TableGame::Answer TableGame::Claim(int32_t chair, int32_t kind, const Words& w, bool choosing) {
    if (!window_ || model_->WindowAction() != rules::kWindowDiscard) return {kFailed, {}};
    Window& win = *window_;
    const size_t c = size_t(chair);
    if (!win.awaiting[c] || win.claimed[c] || win.attemptKind[c] ||
        !(model_->ClaimFlags(chair) & kind) || !ClaimStands(kind, w))
        return {kFailed, {}};
    win.attemptKind[c] = kind;
    win.attempt[c] = w;
    win.choosing[c] = choosing;
    win.awaiting[c] = choosing;
    AfterAnswer();
    return {kOk, kind == kKongClaim ? KongReply(chair, -1, kKongClaimReplyWords) : Words{}};
}

TableGame::Answer TableGame::Execute(int32_t chair, int32_t kind, const Words& w) {
    const size_t c = size_t(chair);
    const uint32_t notify = kind == kPungClaim   ? kPunged
                            : kind == kChowClaim ? kChowed
                                                 : kExposedKonged;
    if (window_ && !window_->claimed[c] && !window_->attemptKind[c]) {
        // Sent without its claim: it is the claim.
        Answer claim = Claim(chair, kind, w, false);
        if (claim.code != kOk) return claim;
    } else if (window_ && window_->choosing[c] && window_->attemptKind[c] == kind) {
        // The chow's own tiles, chosen.
        window_->attempt[c] = w;
        window_->choosing[c] = false;
        window_->awaiting[c] = false;
        AfterAnswer();
    }
    const Pending* pending = pending_[c].get();
    if (pending && pending->notify == notify) {
        Words meld = pending->words;
        Deliver(chair, seats_[c]->player);
        if (kind == kKongClaim)
            return {kOk, KongReply(chair, meld[kReplacement], kShortReplyWords)};
        return {kOk, meld};
    }
    if (window_ && (window_->claimed[c] == kind || window_->attemptKind[c] == kind))
        return {kWait, {}};
    return {kFailed, {}, lost_[c]};
}

TableGame::Answer TableGame::Pass(int32_t chair) {
    if (!window_) return {kFailed, {}};
    Window& win = *window_;
    const size_t c = size_t(chair);
    if (!win.awaiting[c] && !win.attemptKind[c] && !win.claimed[c]) return {kFailed, {}};
    PassInModel(chair);
    win.awaiting[c] = win.choosing[c] = false;
    win.attemptKind[c] = win.claimed[c] = 0;
    AfterAnswer();
    return {kOk, {}};
}

void TableGame::TryAttempts() {
    Window& win = *window_;
    for (int32_t kind : {kKongClaim, kPungClaim, kChowClaim}) {
        for (size_t s = 0; s < size_t(kChairs); ++s) {
            if (win.attemptKind[s] != kind || win.choosing[s]) continue;
            if (!model_->RequestClaim(win.attempt[s], kind)) continue;
            win.claimed[s] = kind;
            win.attemptKind[s] = 0;
        }
    }
}

void TableGame::AfterAnswer() {
    if (!window_) return;
    TryAttempts();
    for (bool awaiting : window_->awaiting)
        if (awaiting) return;
    CloseWindow();
}

void TableGame::CloseWindow() {
    Window& win = *window_;
    // Who has not answered lets the tile go; a chow still being chosen is
    // taken with the tiles it was claimed with.
    for (int32_t s = 0; s < kChairs; ++s) {
        const size_t c = size_t(s);
        if (win.awaiting[c] && !win.choosing[c]) PassInModel(s);
        win.awaiting[c] = win.choosing[c] = false;
    }
    TryAttempts();
    const int32_t giver = model_->WindowSeat();
    const TileId tile = model_->WindowTile();
    const bool addedKong = model_->WindowAction() == rules::kWindowAddedKong;
    const auto claimed = win.claimed;
    for (size_t c = 0; c < lost_.size(); ++c)
        lost_[c] = claimed[c] || win.attemptKind[c];
    window_.reset();
    BeforeUnaskedMove();
    const rules::ClaimOutcome out = model_->CloseClaims();
    TurnBegins();
    if (CheckHandOver()) return;
    if (out.kind == rules::ClaimOutcome::kDrew) {
        pending_[size_t(out.seat)] =
            std::make_unique<Pending>(Pending{kDrew, DrawWords(out.seat, out.tile)});
    } else if (out.kind == rules::ClaimOutcome::kMeld) {
        lost_[size_t(out.seat)] = false;
        MeldMade(out.seat, giver, tile, addedKong ? kKongClaim : claimed[size_t(out.seat)],
                 addedKong, out.tile);
    } else {
        Note("a claim window closed without an outcome");
    }
    AfterUnaskedMove();
    ToAll(kClaimsOver, {});
}

void TableGame::BeforeUnaskedMove() {
    if (toldChair_ >= 0 && !toldBefore_) toldBefore_ = SeatView(toldChair_);
}

void TableGame::AfterUnaskedMove() {
    if (std::none_of(pending_.begin(), pending_.end(), [](const auto& p) { return p != nullptr; }))
        toldBefore_.reset();
}

void TableGame::MeldMade(int32_t chair, int32_t giver, TileId tile, int32_t kind, bool addedKong,
                         TileId replacement) {
    const PeerId player = seats_[size_t(chair)]->player;
    Words announce = Head(chair);
    announce.resize(kShortReplyWords, 0);
    announce[kGiver] = giver;
    announce[kTile] = tile;
    Pending pending;
    if (addedKong) {
        pending = {kAddedKonged, MeldWords(chair, rules::kAddedKongs, replacement)};
    } else if (kind == kPungClaim) {
        ToAll(kPungAnnounced, announce, player);
        pending = {kPunged, MeldWords(chair, rules::kPungs, -1)};
    } else if (kind == kChowClaim) {
        ToAll(kChowAnnounced, announce, player);
        pending = {kChowed, MeldWords(chair, rules::kChows, -1)};
    } else {
        ToAll(kKongAnnounced, Words{chair, giver, tile, 1, 0, 0, 0, 0}, player);
        pending = {kExposedKonged, MeldWords(chair, rules::kExposedKongs, replacement)};
    }
    pending_[size_t(chair)] = std::make_unique<Pending>(std::move(pending));
}

// Time-outs and moves made for a chair.

bool TableGame::MayActFor(PeerId sender, const Words& w) const {
    const Peer& p = *peers_.at(sender);
    const int32_t target = At(w, kChair);
    if (p.looker || !IsChair(target) || target != (p.chair + 1) % kChairs) return false;
    if (At(w, kSenderTable) != options_.tableNo || At(w, kSenderChair) != p.chair ||
        At(w, kSenderUser) != p.user || At(w, kUser) != seats_[size_t(target)]->user)
        return false;
    if (!pending_[size_t(target)] && !OnTurn(target)) return false;
    return now_ >= turnSince_ + int64_t(options_.rules.turnTime) * 1000;
}

void TableGame::MoveFor(int32_t chair) {
    if (pending_[size_t(chair)]) {
        Deliver(chair, -1);
        return;
    }
    if (!OnTurn(chair)) return;
    if (const TileId flower = model_->FirstHeldFlower(chair); flower >= 0) {
        Flower(chair, flower, true);
        return;
    }
    std::vector<TileId> candidates;
    if (model_->LastDrawn(chair) >= 0) candidates.push_back(model_->LastDrawn(chair));
    rules::TileList choice;
    model_->ChooseTile(chair, choice);
    if (choice[0] >= 0) candidates.push_back(choice[0]);
    std::array<TileId, rules::kTileListSize> held;
    const int32_t n = model_->ListHeld(chair, held);
    candidates.insert(candidates.end(), held.begin(), held.begin() + n);
    for (TileId tile : candidates) {
        Words discard = Head(chair);
        discard.resize(kDiscardTiles + 1, 0);
        discard[kDiscardCount] = 1;
        discard[kDiscardTiles] = tile;
        if (!model_->RequestDiscard(discard)) continue;
        Discarded(chair, tile, -1);
        return;
    }
    Note("no discard stands for chair " + std::to_string(chair));
}

}  // namespace gameserver
