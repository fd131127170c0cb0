// The table's peers and chairs, the requests every client sends around a
// round (enter, start, leave, table data, chat, looking on), the round's
// start and end, the time-outs and the bots' turns.

#include "tools/gameserver/table_game.h"

#include <algorithm>
#include <climits>
#include <random>
#include <utility>

#include "tools/gameserver/level_titles.h"
#include "tools/gameserver/table_bot.h"

namespace gameserver {

using namespace table;
using rules::TableRecord;

namespace {

constexpr size_t kMaxLookers = 64;
constexpr int32_t kBotUserBase = 1000;
constexpr int kBotMovesAtOnce = 16;
constexpr int kEventsPerTick = 1 << 20;

std::unique_ptr<rules::CRuleTable> MakeModel(const TableOptions& options,
                                             std::function<uint32_t()> tick) {
    auto environment = [&] {
        rules::TableEnvironment env;
        env.random = options.random;
        if (!env.random && options.seed) {
            auto generator = std::make_shared<std::mt19937>(options.seed);
            env.random = [generator] { return uint32_t((*generator)()); };
        }
        env.tickCount = tick;
        return env;
    };
    auto model = rules::CRuleTable::Create(options.rules, environment());
    if (!model) model = rules::CRuleTable::Create({}, environment());
    // Round results name each seat's new level.
    if (model) model->SetLevelTitles(LevelTitleMap());
    return model;
}

// The table data (the state record) or, for a round start, the seat record
// a viewer gets; `hidden` keeps the viewer's chair's hand out.
TableRecord RecordFor(rules::CRuleTable& model, bool roundStart, int32_t viewer, bool hidden,
                      int32_t watchSeconds) {
    TableRecord record;
    if (roundStart)
        model.FillSeatRecord(record, viewer, hidden ? 1 : 0);
    else
        model.FillStateRecord(record, viewer, hidden ? 1 : 0);
    record.Set(rules::state_record::kWatchSeconds, watchSeconds);
    return record;
}

}  // namespace

TableGame::TableGame(TableOptions options, Clock clock)
    : options_(std::move(options)), clock_(std::move(clock)) {
    now_ = clock_();
    options_.roundPauseMs = std::max<int64_t>(options_.roundPauseMs, 1);
    model_ = MakeModel(options_, [this] { return uint32_t(now_); });
    if (!options_.deal.empty() && !model_->SetTestDeal(options_.deal))
        Note("the deal given is not a permutation of the tiles: the wall is shuffled");
    for (int32_t c = 0; c < kChairs; ++c) {
        seats_[size_t(c)] = std::make_unique<Seat>();
        if (options_.botChairs[size_t(c)]) SeatBot(c, kBotUserBase + c, false);
    }
}

TableGame::~TableGame() = default;

void TableGame::Note(std::string line) {
    if (log_.size() < 10000) log_.push_back(std::move(line));
}

std::vector<std::string> TableGame::TakeLog() {
    return std::exchange(log_, {});
}

std::vector<TableMessage> TableGame::TakeOutgoing() {
    return std::exchange(outgoing_, {});
}

const TableBot* TableGame::BotAt(int32_t chair) const {
    if (!IsChair(chair)) return nullptr;
    auto it = peers_.find(seats_[size_t(chair)]->player);
    return it == peers_.end() ? nullptr : it->second->bot.get();
}

TableGame::Words TableGame::Head(int32_t chair) const {
    return {IsChair(chair) ? seats_[size_t(chair)]->user : 0, options_.roomId, options_.tableNo,
            chair};
}

int32_t TableGame::ChairOf(PeerId peer) const {
    auto it = peers_.find(peer);
    if (it == peers_.end() || !it->second->entered || it->second->looker) return -1;
    return it->second->chair;
}

// Messages.

void TableGame::Observe(const TableMessage& message) {
    if (observer_) observer_(message);
}

void TableGame::SendBytes(PeerId peer, uint32_t id, Bytes data) {
    auto it = peers_.find(peer);
    if (it == peers_.end()) return;
    TableMessage message{TableMessage::kNotify, peer, id, std::move(data)};
    Observe(message);
    Peer& p = *it->second;
    if (!p.bot) {
        outgoing_.push_back(std::move(message));
        return;
    }
    p.mail.emplace_back(id, ToWords(message.data));
}

void TableGame::Send(PeerId peer, uint32_t id, const Words& words) {
    SendBytes(peer, id, ToBytes(words));
}

bool TableGame::SeesHand(PeerId peer, int32_t chair) const {
    auto it = peers_.find(peer);
    if (it == peers_.end() || !it->second->entered || it->second->chair != chair) return false;
    return !it->second->looker || it->second->seesHand;
}

void TableGame::ToAll(uint32_t id, const Words& words, PeerId except, int32_t tileChair,
                      std::span<const size_t> hidden) {
    std::vector<PeerId> targets;
    for (const auto& [id2, p] : peers_)
        if (p->entered && id2 != except) targets.push_back(id2);
    for (PeerId peer : targets) {
        if (tileChair < 0 || SeesHand(peer, tileChair)) {
            Send(peer, id, words);
            continue;
        }
        Words masked = words;
        for (size_t i : hidden)
            if (i < masked.size() && masked[i] >= 0) masked[i] = kHiddenTile;
        Send(peer, id, masked);
    }
}

Bytes TableGame::ViewFor(PeerId peer) {
    const Peer& p = *peers_.at(peer);
    return RecordFor(*model_, false, p.chair, p.looker && !p.seesHand, options_.watchSeconds)
        .Encode();
}

TableRecord TableGame::SeatView(int32_t chair) {
    return RecordFor(*model_, false, chair, false, options_.watchSeconds);
}

// Requests.

PeerId TableGame::Connect() {
    now_ = clock_();
    PeerId id = nextPeer_++;
    peers_[id] = std::make_unique<Peer>();
    return id;
}

void TableGame::Disconnect(PeerId peer) {
    now_ = clock_();
    auto it = peers_.find(peer);
    if (it == peers_.end() || it->second->bot) return;
    Leave(peer, false);
    if (it->second->user) Note("user " + std::to_string(it->second->user) + " went away");
    peers_.erase(peer);
    RunBots();
}

void TableGame::Request(PeerId peer, uint32_t id, std::span<const uint8_t> data, bool wantsReply,
                        uint32_t messageNumber) {
    now_ = clock_();
    if (!peers_.count(peer)) return;
    Observe({TableMessage::kRequest, peer, id, Bytes(data.begin(), data.end())});
    const size_t mark = outgoing_.size();
    auto reply = Dispatch(peer, id, ToWords(data), data.size());
    if (wantsReply) {
        TableMessage message{TableMessage::kReply, peer, reply.code,
                             ToBytes(reply.words), id,   messageNumber};
        Observe(message);
        // The requester reads its reply before what the request caused.
        outgoing_.insert(outgoing_.begin() + ptrdiff_t(mark), std::move(message));
    }
    RunBots();
}

TableGame::Answer TableGame::Refuse(PeerId peer, uint32_t id, uint32_t code, const char* why) {
    ++refused_;
    Note("request " + std::to_string(id) + " of peer " + std::to_string(peer) + " refused: " + why);
    return {code, {}};
}

TableGame::Answer TableGame::Dispatch(PeerId peer, uint32_t id, const Words& w, size_t bytes) {
    Peer& p = *peers_.at(peer);
    if (bytes < MinimumBytes(id)) return Refuse(peer, id, kFailed, "payload too short");
    switch (id) {
        case kVersion:
            return {0, {options_.versionMajor, options_.versionMinor, 0, 0, 0, 0, 0}};
        case kEnter:
            return Enter(peer, w);
        case kKeepAlive:
            return {kOk, {}};
        default:
            break;
    }
    if (!p.entered) return Refuse(peer, id, kNoSuchObject, "not at the table");
    // The time-out forms name the next chair in the head: their sender is
    // checked where they are handled.
    const bool timeoutForm =
        (id == kDiscard && At(w, kTimeoutForm) == 1) || (id == kDraw && At(w, kChair) != p.chair);
    if (!timeoutForm &&
        (At(w, kUser) != p.user || At(w, kTable) != options_.tableNo || At(w, kChair) != p.chair))
        return Refuse(peer, id, kFailed, "head names another user, table or chair");
    switch (id) {
        case kLeave:
            Leave(peer, true);
            return {kOk, {}};
        case kIsRunning:
            return {roundRunning_ ? kRunning : kOk, {}};
        case kTableData:
            return {kOk, ToWords(ViewFor(peer))};
        case kStart:
            if (p.looker || roundRunning_) return Refuse(peer, id, kFailed, "no start now");
            Started(p.chair);
            return {kOk, {}};
        case kCall:
        case kChat:
        case kExitAnswer:
            Relay(peer, id, w, bytes);
            return {kOk, {}};
        case kExitRequest:
            if (p.looker) return Refuse(peer, id, kFailed, "a looker asks to leave");
            Relay(peer, id, w, bytes);
            return {kOk, {}};
        case kSeeHand:
            if (!p.looker) return Refuse(peer, id, kFailed, "a player asks to see a hand");
            AskToSeeHand(peer);
            return {kOk, {}};
        case kSeeHandAnswer:
            if (p.looker) return Refuse(peer, id, kFailed, "a looker answers");
            SeeHandAnswer(p.chair, At(w, kSeeHandLooker), At(w, kSeeHandAllow) != 0);
            return {kOk, {}};
        case 201180:
        case kStalled:
        case kPresent:
        case kSceneRequest:
            return {kOk, {}};
        default:
            break;
    }
    if (MinimumBytes(id) == 0) return Refuse(peer, id, kUnsupported, "unknown request");
    if (p.looker) return Refuse(peer, id, kFailed, "a looker plays");
    if (!roundRunning_) return Refuse(peer, id, kFailed, "no round running");
    Answer answer = Move(peer, id, w, bytes, timeoutForm);
    if (answer.code != kOk && answer.code != kWait && !answer.lost)
        return Refuse(peer, id, answer.code, "the move does not stand");
    return answer;
}

TableGame::Answer TableGame::Enter(PeerId peer, const Words& w) {
    Peer& p = *peers_.at(peer);
    if (p.entered) return {kEntered, ToWords(ViewFor(peer))};
    const int32_t user = At(w, kEnterUser), chair = At(w, kEnterChair);
    const bool looker = At(w, kEnterLooker) != 0;
    if (user == 0) return Refuse(peer, kEnter, kAuthFailed, "user 0");
    if (At(w, kEnterTable) != options_.tableNo || !IsChair(chair))
        return Refuse(peer, kEnter, kEnterFailed, "no such table or chair");
    Seat& seat = *seats_[size_t(chair)];
    const bool returning = !looker && seat.standIn && seat.user == user;
    for (const auto& [id, other] : peers_) {
        if (other->entered && other->user == user && !(returning && id == seat.player))
            return Refuse(peer, kEnter, kExists, "the user is at the table");
    }
    if (looker) {
        size_t lookers = size_t(std::count_if(peers_.begin(), peers_.end(), [](const auto& e) {
            return e.second->entered && e.second->looker;
        }));
        if (lookers >= kMaxLookers) return Refuse(peer, kEnter, kNoLookerPlace, "lookers full");
        if (seat.player < 0) return Refuse(peer, kEnter, kNotReady, "nobody to watch");
    } else if (seat.player >= 0 && !returning) {
        return Refuse(peer, kEnter, kExists, "the chair is taken");
    } else if (seat.player < 0 && roundRunning_) {
        return Refuse(peer, kEnter, kEnterFailed, "a round runs without that chair");
    }
    p.entered = true;
    p.user = user;
    p.chair = chair;
    p.looker = looker;
    Note("user " + std::to_string(user) + (looker ? " looks on at chair " : " sits at chair ") +
         std::to_string(chair));
    if (looker) return {kEntered, ToWords(ViewFor(peer))};
    if (returning) {
        // The stand-in leaves the chair to its client; what it was told last
        // of a move the client will read in the table data.
        if (pending_[size_t(chair)]) Deliver(chair, peer);
        peers_.erase(seat.player);
        seat.standIn = false;
        ToAll(kPresence, Words{user, options_.roomId, options_.tableNo, chair, 1, 0, 0, 0}, peer);
    }
    seat.player = peer;
    seat.user = user;
    seat.score = At(w, kEnterScore);
    seat.silver = At(w, kEnterSilver);
    return {kEntered, ToWords(ViewFor(peer))};
}

void TableGame::Leave(PeerId peer, bool byRequest) {
    Peer& p = *peers_.at(peer);
    if (!p.entered) return;
    p.entered = false;
    const int32_t chair = p.chair;
    if (p.looker) {
        ToAll(kLookerLeft, Words{p.user, options_.roomId, options_.tableNo, chair}, peer);
        return;
    }
    Seat& seat = *seats_[size_t(chair)];
    if (seat.player != peer) return;
    if (byRequest)
        ToAll(kPlayerLeft, Words{p.user, chair, roundRunning_ ? 1 : 0, 0, 0, 0, 0, 0}, peer);
    else
        ToAll(kPresence, Words{p.user, options_.roomId, options_.tableNo, chair, 2, 0, 0, 0}, peer);
    if (roundRunning_) {
        // A bot plays the rest of the round; the chair stays the client's.
        SeatBot(chair, seat.user, true);
        return;
    }
    seat = Seat();
}

void TableGame::SeatBot(int32_t chair, int32_t user, bool standIn) {
    const PeerId id = nextPeer_++;
    auto peer = std::make_unique<Peer>();
    peer->entered = true;
    peer->user = user;
    peer->chair = chair;
    const uint32_t seed =
        options_.seed ? options_.seed * 31 + uint32_t(chair) : uint32_t(std::random_device()());
    peer->bot = std::make_unique<TableBot>(chair, user, options_.roomId, options_.tableNo, seed);
    if (standIn) peer->bot->Restore(RecordFor(*model_, false, chair, false, options_.watchSeconds));
    Seat& seat = *seats_[size_t(chair)];
    seat.player = id;
    seat.user = user;
    seat.standIn = standIn;
    if (!standIn) seat.score = seat.silver = 10000;
    Peer& p = *peer;
    peers_[id] = std::move(peer);
    Schedule(p);
}

void TableGame::Relay(PeerId peer, uint32_t id, const Words& w, size_t bytes) {
    Words copy(w.begin(), w.begin() + ptrdiff_t(std::min(w.size(), bytes / 4)));
    if (id == kExitRequest) {
        // The reason is shown as text: it ends inside its field.
        int32_t& last = copy[kExitText + kExitTextBytes / 4 - 1];
        last &= 0x00ffffff;
    }
    ToAll(id, copy, peer);
}

void TableGame::AskToSeeHand(PeerId looker) {
    const Peer& p = *peers_.at(looker);
    Words ask = Head(p.chair);
    ask[kUser] = p.user;
    ask.resize(8, 0);
    Send(seats_[size_t(p.chair)]->player, kSeeHand, ask);
}

void TableGame::SeeHandAnswer(int32_t chair, int32_t lookerUser, bool allow) {
    for (auto& [id, p] : peers_) {
        if (!p->entered || !p->looker || p->chair != chair || p->user != lookerUser) continue;
        p->seesHand = allow;
        Words view = Head(chair);
        view.insert(view.end(), {lookerUser, allow ? 1 : 0, 0, 0});
        Send(id, kLookOnView, view);
        if (!allow || !roundRunning_) return;
        std::array<rules::TileId, 32> held;
        held.fill(-1);
        const int32_t n = model_->ListHeld(chair, held);
        Words hand = {seats_[size_t(chair)]->user, chair, n};
        hand.insert(hand.end(), held.begin(), held.end());
        Send(id, kHandShown, hand);
        return;
    }
}

// The round.

void TableGame::Started(int32_t chair) {
    Seat& seat = *seats_[size_t(chair)];
    if (seat.started) return;
    seat.started = true;
    Words start = Head(chair);
    start.resize(8, 0);
    ToAll(kStart, start, seat.player);
    MaybeStartRound();
}

void TableGame::MaybeStartRound() {
    if (roundRunning_) return;
    for (const auto& seat : seats_)
        if (seat->player < 0 || !seat->started) return;
    // The model's players follow the chairs.
    for (int32_t c = 0; c < kChairs; ++c) {
        const rules::TablePlayer* player = model_->PlayerAt(c);
        if (player && player->userId != seats_[size_t(c)]->user)
            model_->RemovePlayer(player->userId, c);
    }
    for (int32_t c = 0; c < kChairs; ++c) {
        if (model_->PlayerAt(c)) continue;
        auto player = std::make_unique<rules::TablePlayer>();
        player->userId = seats_[size_t(c)]->user;
        player->score = seats_[size_t(c)]->score;
        player->silver = seats_[size_t(c)]->silver;
        model_->SeatPlayer(std::move(player), c);
    }
    if (rounds_ > 0) model_->PrepareGame(&model_->LastGameEnd());
    int32_t seat = -1;
    const int32_t result = model_->StartRound(&seat, rules::StartParams{});
    if (result != 1) {
        Note("the round did not start: " + std::to_string(result) + ", chair " +
             std::to_string(seat));
        return;
    }
    roundRunning_ = true;
    if (options_.dealtRounds > 0 && rounds_ + 1 >= options_.dealtRounds) model_->SetTestDeal({});
    for (auto& s : seats_)
        s->started = false;
    for (auto& p : pending_)
        p.reset();
    toldBefore_.reset();
    window_.reset();
    std::vector<PeerId> targets;
    for (const auto& [id, p] : peers_)
        if (p->entered) targets.push_back(id);
    for (PeerId id : targets) {
        const Peer& p = *peers_.at(id);
        TableRecord record =
            RecordFor(*model_, true, p.chair, p.looker && !p.seesHand, options_.watchSeconds);
        auto words = record.Words().first(rules::seat_record::kRoundStartWords);
        Send(id, kRoundStart, Words(words.begin(), words.end()));
    }
    TurnBegins();
}

bool TableGame::CheckHandOver() {
    if (!roundRunning_ || !model_->HandOver()) return false;
    roundRunning_ = false;
    ++rounds_;
    window_.reset();
    for (auto& p : pending_)
        p.reset();
    toldBefore_.reset();
    auto words = model_->LastGameEnd().Words();
    ToAll(kRoundEnd, Words(words.begin(), words.end()));
    const int32_t winner = model_->Winner();
    Note("round " + std::to_string(rounds_) +
         (winner >= 0 ? ": chair " + std::to_string(winner) + " wins" : ": nobody wins"));
    // A chair whose client went away is free again.
    for (auto& seat : seats_) {
        if (!seat->standIn) continue;
        peers_.erase(seat->player);
        *seat = Seat();
    }
    return true;
}

// Time.

std::optional<int64_t> TableGame::StallDeadline(int32_t* chair) const {
    if (!roundRunning_ || window_) return std::nullopt;
    const int64_t grace = (int64_t(options_.rules.turnTime) + options_.watchSeconds + 2) * 1000;
    for (int32_t c = 0; c < kChairs; ++c) {
        if (pending_[size_t(c)] || OnTurn(c)) {
            if (chair) *chair = c;
            return turnSince_ + grace;
        }
    }
    return std::nullopt;
}

std::optional<int64_t> TableGame::NextDue() const {
    std::optional<int64_t> due;
    auto take = [&](int64_t at) { due = due ? std::min(*due, at) : at; };
    if (window_) take(window_->deadline);
    if (auto stall = StallDeadline(nullptr)) take(*stall);
    for (const auto& [id, p] : peers_)
        if (p->bot && p->actAt >= 0) take(p->actAt);
    return due;
}

void TableGame::Tick() {
    const int64_t clock = clock_();
    for (int i = 0; i < kEventsPerTick; ++i) {
        auto due = NextDue();
        if (!due || *due > clock) break;
        now_ = std::max(now_, *due);
        int32_t chair = -1;
        if (window_ && window_->deadline <= now_) {
            CloseWindow();
        } else if (auto stall = StallDeadline(&chair); stall && *stall <= now_) {
            MoveFor(chair);
            // Nothing more to do for it before another turn's time.
            turnSince_ = now_;
        }
        RunBots();
    }
    now_ = clock;
    RunBots();
}

// Bots.

void TableGame::Schedule(Peer& p) {
    if (!p.bot || p.actAt >= 0 || !p.bot->WantsToAct()) return;
    // After a round the bots give the players a pause before the next.
    p.actAt =
        now_ + (p.bot->WantsToStart() && rounds_ > 0 ? options_.roundPauseMs : options_.botDelayMs);
}

void TableGame::ReadMail(Peer& p) {
    while (!p.mail.empty()) {
        auto [id, words] = std::move(p.mail.front());
        p.mail.pop_front();
        p.bot->OnNotify(id, words);
    }
    Schedule(p);
}

void TableGame::RunBots() {
    for (int i = 0; i < kEventsPerTick; ++i) {
        for (auto& [id, p] : peers_)
            if (p->bot) ReadMail(*p);
        PeerId due = -1;
        int64_t at = LLONG_MAX;
        for (const auto& [id, p] : peers_) {
            if (p->bot && p->actAt >= 0 && p->actAt <= now_ && p->actAt < at) {
                at = p->actAt;
                due = id;
            }
        }
        if (due < 0) return;
        ActBot(due);
    }
    Note("the bots did not settle");
}

void TableGame::ActBot(PeerId id) {
    peers_.at(id)->actAt = -1;
    const TableBot::Advisor advisor = [this](int32_t chair) {
        return model_->SelfDrawnWinTile(chair);
    };
    for (int i = 0; i < kBotMovesAtOnce; ++i) {
        auto it = peers_.find(id);
        if (it == peers_.end()) return;
        auto move = it->second->bot->NextMove(advisor);
        if (!move) break;
        Bytes data = ToBytes(move->words);
        Observe({TableMessage::kRequest, id, move->id, data});
        Answer answer = Dispatch(id, move->id, move->words, data.size());
        it = peers_.find(id);
        if (it == peers_.end()) return;
        if (IsWaited(move->id)) {
            Observe({TableMessage::kReply, id, answer.code, ToBytes(answer.words), move->id});
            it->second->bot->OnReply(move->id, answer.code, answer.words);
        }
        ReadMail(*it->second);
    }
    // Its next move is timed from what it wants now: a round pause planned
    // while it was still moving (a win, then the next round's start) would
    // hold up the moves of the round it has started.
    if (auto it = peers_.find(id); it != peers_.end()) {
        it->second->actAt = -1;
        Schedule(*it->second);
    }
}

}  // namespace gameserver
