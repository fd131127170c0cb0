#include "tools/gameserver/literal_peer.h"

#include "rules/hand/tile.h"

namespace gameserver {

using namespace table;

namespace {

constexpr int32_t kPassFlagBit = 0x20, kPungBit = 0x1, kKongBit = 0x2, kChowBit = 0x4, kHuBit = 0x8;
constexpr size_t kHandWords = 53, kHandPlaces = 32, kTurnChairWord = 13;
constexpr int32_t kSelfDrawnKind = 2;

int32_t UserOf(int32_t chair) {
    return 1000 + chair;
}

}  // namespace

LiteralPeer::LiteralPeer(int32_t chair, int32_t user) : chair_(chair), user_(user) {
    server_.SetResponder([this](const ReceivedRequest& r) { return Respond(r); });
}

LiteralPeer::~LiteralPeer() {
    server_.Stop();
}

uint16_t LiteralPeer::Start() {
    return server_.Start();
}

int32_t LiteralPeer::Kind(int32_t tile) {
    return rules::TileIdToIndex(tile, 0);
}

Reply LiteralPeer::Refuse(uint32_t code, const std::string& why) {
    if (!why.empty()) faults_.push_back(why);
    return Reply::With(code);
}

std::optional<Reply> LiteralPeer::Respond(const ReceivedRequest& request) {
    const Words w = ToWords(request.data);
    std::lock_guard lock(mu_);
    requests_.emplace_back(request.id, w);
    std::optional<Reply> reply;
    switch (request.id) {
        case kVersion:
            reply = Reply::With(0, ToBytes({14, 0, 0, 0, 0, 0, 0}));
            break;
        case kEnter:
            reply = Reply::With(kEntered, ToBytes({1, 2, 3}));
            break;
        case kIsRunning:
            reply = Reply::With(dealt_ ? kRunning : 0);
            break;
        case kTableData:
            reply = Reply::With(kFailed);
            break;
        default:
            reply = Move(request.id, w);
            break;
    }
    if (withheld_.count(request.id)) return Reply::Silent();
    if (!reply && request.wantsReply) reply = Reply::With(kUnsupported);
    return reply;
}

std::optional<Reply> LiteralPeer::Move(uint32_t id, const Words& w) {
    const bool own = At(w, kChair) == chair_;
    switch (id) {
        case kDraw: {
            if (!own) return std::nullopt;  // the time-out form, for another chair
            if (!mayDraw_ || wall_.empty()) return Refuse(kNoTile, "a draw off its turn");
            const int32_t tile = wall_.front();
            wall_.pop_front();
            held_.insert(tile);
            mayDraw_ = false;
            mayDiscard_ = true;
            offer_.live = false;
            // The drawn tile first; nothing else is laid down for it.
            Words reply(kShortReplyWords, 0);
            reply[0] = tile;
            return Reply::With(kOk, ToBytes(reply));
        }
        case kDiscard: {
            if (At(w, kTimeoutForm) == 1) return std::nullopt;
            const int32_t tile = At(w, kDiscardTiles);
            if (!mayDiscard_) return Refuse(kDiscardRefused, "a discard off its turn");
            if (kongWaits_)
                return Refuse(kDiscardRefused, "a discard while its added kong waits for robbers");
            const auto held = held_.find(tile);
            if (At(w, kDiscardCount) < 1 || held == held_.end())
                return Refuse(kDiscardRefused,
                              "a discard of tile " + std::to_string(tile) + ", not held");
            held_.erase(held);
            mayDiscard_ = false;
            lastDiscarder_ = chair_;
            return Reply::With(kOk);
        }
        case kPass:
            Offered(id, w, kPassFlagBit);
            return std::nullopt;
        case kPung:
            Offered(id, w, kPungBit);
            return std::nullopt;
        case kChow:
            Offered(id, w, kChowBit);
            return std::nullopt;
        case kKong:
            if (At(w, kKongKind) == 2) {
                // Announced once; the kong itself (229049) may come again
                // while it waits.
                if (kongWaits_) return Refuse(kFailed, "an added kong announced twice");
                if (!MayAddKong(w)) return Refuse(kFailed, "an added kong not held");
                return Reply::With(kOk, ToBytes(Words(kKongClaimReplyWords, 0)));
            }
            if (!Offered(id, w, kKongBit)) return Refuse(kFailed, "");
            return Reply::With(claimAnswer_, claimAnswer_ == kOk
                                                 ? ToBytes(Words(kKongClaimReplyWords, 0))
                                                 : Bytes{});
        case kPungDone:
        case kChowDone:
        case kExposedKong: {
            const int32_t bit = id == kPungDone ? kPungBit : id == kChowDone ? kChowBit : kKongBit;
            if (!Offered(id, w, bit)) return Refuse(kFailed, "");
            if (claimAnswer_ != kOk) return Reply::With(claimAnswer_);
            for (size_t i = kOwn; i < kOwn + (bit == kKongBit ? 3 : 2); ++i)
                if (auto t = held_.find(At(w, i)); t != held_.end()) held_.erase(t);
            if (bit == kPungBit) pungKinds_.insert(Kind(At(w, kTile)));
            offer_.live = false;
            discardTaken_ = true;
            mayDiscard_ = true;
            return Reply::With(kOk);
        }
        case kAddedKong:
            if (!MayAddKong(w)) return Refuse(kFailed, "an added kong not held");
            kongWaits_ = kongAnswer_ == kWait;
            return Reply::With(kongAnswer_);
        case kConcealedKong:
            // Its reply's words are not fixed: a literal table has none to give.
            return Reply::With(kFailed);
        case kFlower:
            return Reply::With(kNoTile);
        case kHu:
            if (At(w, kHuKind) == kSelfDrawnKind) {
                if (!mayDiscard_) return Refuse(kFailed, "a self-drawn win off its turn");
            } else if (!Offered(id, w, kHuBit)) {
                return Refuse(kFailed, "");
            }
            return Reply::With(kFailed);
        default:
            return std::nullopt;
    }
}

bool LiteralPeer::Offered(uint32_t id, const Words& w, int32_t flag) {
    if (offer_.live && (offer_.flags & flag) && At(w, kGiver) == offer_.giver &&
        At(w, kTile) == offer_.tile)
        return true;
    faults_.push_back("request " + std::to_string(id) + " on tile " + std::to_string(At(w, kTile)) +
                      " of chair " + std::to_string(At(w, kGiver)) + ", which was not offered");
    return false;
}

bool LiteralPeer::MayAddKong(const Words& w) {
    return mayDiscard_ && held_.count(At(w, kTile)) && pungKinds_.count(Kind(At(w, kTile)));
}

void LiteralPeer::Push(uint32_t id, const Words& words) {
    if (!server_.Notify(id, ToBytes(words))) return;
    std::lock_guard lock(mu_);
    ++pushed_;
}

uint64_t LiteralPeer::Pushed() {
    std::lock_guard lock(mu_);
    return pushed_;
}

void LiteralPeer::Deal(const Words& roundStart) {
    Words hand = {user_, chair_, 0};
    {
        std::lock_guard lock(mu_);
        held_.clear();
        for (size_t i = kHandWords; i < kHandWords + kHandPlaces && At(roundStart, i) >= 0; ++i) {
            held_.insert(roundStart[i]);
            hand.push_back(roundStart[i]);
        }
        hand[2] = int32_t(hand.size() - 3);
        pungKinds_.clear();
        dealt_ = true;
        mayDraw_ = kongWaits_ = false;
        mayDiscard_ = At(roundStart, kTurnChairWord) == chair_;
        offer_ = {};
    }
    Push(kRoundStart, roundStart);
    Push(kHandShown, hand);
}

void LiteralPeer::SetWall(std::vector<int32_t> tiles) {
    std::lock_guard lock(mu_);
    wall_.assign(tiles.begin(), tiles.end());
}

void LiteralPeer::Discard(int32_t chair, int32_t tile, int32_t flags) {
    Words w(kDiscardNoteWords, 0);
    w[kUser] = UserOf(chair);
    w[kNoteChair] = chair;
    w[kNoteChairAgain] = chair;
    w[kNoteTile] = tile;
    w[kNoteFlags + size_t(chair_)] = flags;
    {
        std::lock_guard lock(mu_);
        offer_ = {chair, tile, flags, flags != 0};
        lastDiscarder_ = chair;
        discardTaken_ = mayDraw_ = false;
    }
    Push(kDiscarded, w);
}

void LiteralPeer::ClaimsOver() {
    {
        std::lock_guard lock(mu_);
        mayDraw_ = !discardTaken_ && lastDiscarder_ == (chair_ + 1) % 4;
    }
    Push(kClaimsOver, {});
}

void LiteralPeer::Punged(int32_t chair, int32_t ownA, int32_t ownB) {
    Words w(kMeldWords, 0);
    {
        std::lock_guard lock(mu_);
        w[kUser] = UserOf(chair);
        w[kChair] = chair;
        w[kGiver] = offer_.giver;
        w[kTile] = offer_.tile;
        offer_.live = false;
        discardTaken_ = true;
    }
    w[kOwn] = ownA;
    w[kOwn + 1] = ownB;
    w[kOwn + 2] = -1;
    w[kReplacement] = -1;
    Push(kPunged, w);
}

void LiteralPeer::Drew(int32_t chair, int32_t wallIndex) {
    {
        std::lock_guard lock(mu_);
        offer_.live = false;
    }
    Push(kDrew, {chair, kHiddenTile, wallIndex, 0, 0, 0, 0, 0});
}

void LiteralPeer::AnswerClaims(uint32_t code) {
    std::lock_guard lock(mu_);
    claimAnswer_ = code;
}

void LiteralPeer::AnswerAddedKong(uint32_t code) {
    std::lock_guard lock(mu_);
    kongAnswer_ = code;
}

void LiteralPeer::Withhold(uint32_t id) {
    std::lock_guard lock(mu_);
    withheld_.insert(id);
}

std::vector<std::string> LiteralPeer::Faults() {
    std::lock_guard lock(mu_);
    return faults_;
}

uint64_t LiteralPeer::Received() {
    std::lock_guard lock(mu_);
    return requests_.size();
}

std::vector<Words> LiteralPeer::Requests(uint32_t id) {
    std::lock_guard lock(mu_);
    std::vector<Words> out;
    for (const auto& [rid, words] : requests_)
        if (rid == id) out.push_back(words);
    return out;
}

}  // namespace gameserver
