#pragma once
// A table that deals real rounds: four chairs taken by clients or bots, and
// up to 64 lookers. The rules model (CRuleTable) holds the round; the table
// checks who sends each request, turns it into the model's requests, answers
// with the layouts of table_protocol.h and tells every other peer what the
// move showed. Claim windows close when every chair that could claim has
// answered, or when their time is out; a chair that lets its turn run out is
// played for. Bots are peers like clients: they read the same notifications
// and send the same requests.
//
// Single-threaded: the network server calls it from its own thread. Time is
// read from the clock given; tests drive it.

#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "rules/table/rule_table.h"
#include "tools/gameserver/envelope.h"
#include "tools/gameserver/table_protocol.h"

namespace gameserver {

class TableBot;

struct TableOptions {
    int32_t tableNo = 0;  // the hall stand-in's default table
    int32_t roomId = 1;
    int32_t versionMajor = 14, versionMinor = 0;
    // Chairs that bots take (user id 1000 + chair); the others wait for
    // clients.
    std::array<bool, 4> botChairs{};
    // A bot's thinking time before each move, and the pause between a
    // round's end and the bots' start of the next (at least 1 ms).
    int64_t botDelayMs = 0;
    int64_t roundPauseMs = 1;
    // Written into the records as the seconds a client watches a stalled
    // chair before it asks the table to move for it.
    int32_t watchSeconds = 3;
    uint32_t seed = 0;  // 0: a random deal
    // Tests: the rules' random numbers (dice, the first dealer) and the wall
    // order of every deal, instead of the seeded ones.
    rules::RandomSource random;
    std::vector<rules::TileId> deal;
    int32_t dealtRounds = 0;  // the rounds dealt from `deal`; 0: every round
    rules::TableConfig rules;
};

using PeerId = int32_t;

inline constexpr int32_t kChairs = 4;
inline bool IsChair(int32_t chair) {
    return chair >= 0 && chair < kChairs;
}

// A request, reply or notification as the table sees it go by.
struct TableMessage {
    enum Kind { kNotify, kReply, kRequest } kind = kNotify;
    PeerId peer = -1;
    uint32_t id = 0;  // the notification or request id, or a reply's result code
    Bytes data;
    uint32_t request = 0;  // a reply: the request id it answers
    uint32_t number = 0;   // a reply: the request's message number
};

class TableGame {
  public:
    using Clock = std::function<int64_t()>;  // milliseconds, monotonic
    using Observer = std::function<void(const TableMessage&)>;

    TableGame(TableOptions options, Clock clock);
    ~TableGame();
    TableGame(const TableGame&) = delete;
    TableGame& operator=(const TableGame&) = delete;

    // A connection that greeted; it takes a chair or looks on when it enters.
    PeerId Connect();
    void Disconnect(PeerId peer);
    // A request of a connection. Its reply (when it wants one) and the
    // notifications it causes wait in TakeOutgoing, the reply first.
    void Request(PeerId peer, uint32_t id, std::span<const uint8_t> data, bool wantsReply,
                 uint32_t messageNumber = 0);
    // Runs what is due: window and turn time-outs, bot moves.
    void Tick();
    // The time of the next due work, if any.
    std::optional<int64_t> NextDue() const;
    std::vector<TableMessage> TakeOutgoing();

    // Observation, for tests and the log.
    void SetObserver(Observer observer) { observer_ = std::move(observer); }
    rules::CRuleTable& model() { return *model_; }
    // The table data that chair's client would get now.
    rules::TableRecord SeatView(int32_t chair);
    const TableBot* BotAt(int32_t chair) const;
    // Tests: the table data that chair's client was told of so far. While
    // the model has moved for a chair that has not asked for its move yet,
    // that is the table as it stood before the move. Off until asked for.
    void KeepToldView(int32_t chair) { toldChair_ = chair; }
    rules::TableRecord ToldView() { return toldBefore_ ? *toldBefore_ : SeatView(toldChair_); }
    // The model made a move for the chair that its peer has not asked for.
    bool AwaitsDelivery(int32_t chair) const {
        return IsChair(chair) && pending_[size_t(chair)] != nullptr;
    }
    int rounds() const { return rounds_; }
    int refused() const { return refused_; }
    std::vector<std::string> TakeLog();

  private:
    using Words = table::Words;
    using TileId = rules::TileId;
    struct Answer {
        uint32_t code = 0;
        Words words;
        bool lost = false;  // a claim that lost to a higher one: no fault
    };
    struct Peer {
        bool entered = false;
        int32_t user = 0;
        int32_t chair = -1;  // the chair played, or watched
        bool looker = false;
        bool seesHand = false;  // a looker whom the player lets see the hand
        std::unique_ptr<TableBot> bot;
        // A bot reads its notifications after the reply to the request that
        // caused them, as a client does.
        std::deque<std::pair<uint32_t, Words>> mail;
        int64_t actAt = -1;  // a bot's next move
    };
    struct Seat {
        PeerId player = -1;
        int32_t user = 0;
        bool started = false;
        bool standIn = false;  // a bot plays for a client that went away
        int32_t score = 0, silver = 0;
    };
    // A move the model made for a chair that its peer has not been told.
    struct Pending {
        uint32_t notify = 0;
        Words words;
    };
    struct Window {
        int64_t deadline = 0;
        std::array<bool, 4> awaiting{};
        // A claim the model has not taken yet: a higher offer blocks it, or
        // it is a chow whose tiles are being chosen.
        std::array<int32_t, 4> attemptKind{};
        std::array<Words, 4> attempt;
        std::array<bool, 4> choosing{};
        std::array<int32_t, 4> claimed{};  // kinds the model took
    };
    // Chairs whose claim lost when the last window closed.
    std::array<bool, 4> lost_{};

    void Note(std::string line);
    void Observe(const TableMessage& message);
    // Messages: a bot reads them at once, a connection's wait in outgoing_.
    void Send(PeerId peer, uint32_t id, const Words& words);
    void SendBytes(PeerId peer, uint32_t id, Bytes data);
    // To every entered peer but `except`; the words `hidden` name are sent as
    // kHiddenTile to the peers that do not see tileChair's hand.
    void ToAll(uint32_t id, const Words& words, PeerId except = -1, int32_t tileChair = -1,
               std::span<const size_t> hidden = {});
    bool SeesHand(PeerId peer, int32_t chair) const;
    Bytes ViewFor(PeerId peer);
    Words Head(int32_t chair) const;
    int32_t ChairOf(PeerId peer) const;

    // Requests around the round.
    Answer Refuse(PeerId peer, uint32_t id, uint32_t code, const char* why);
    Answer Dispatch(PeerId peer, uint32_t id, const Words& w, size_t bytes);
    Answer Enter(PeerId peer, const Words& w);
    void Leave(PeerId peer, bool byRequest);
    void SeatBot(int32_t chair, int32_t user, bool standIn);
    void Relay(PeerId peer, uint32_t id, const Words& w, size_t bytes);
    void AskToSeeHand(PeerId looker);
    void SeeHandAnswer(int32_t chair, int32_t lookerUser, bool allow);
    void Started(int32_t chair);
    void MaybeStartRound();
    bool CheckHandOver();

    // Moves (table_moves.cpp).
    Answer Move(PeerId peer, uint32_t id, const Words& w, size_t bytes, bool timeoutForm);
    bool OnTurn(int32_t chair) const;
    void TurnBegins();
    int32_t WallIndex(TileId tile) const;
    Words DrawWords(int32_t chair, TileId tile) const;
    Words KongReply(int32_t chair, TileId replacement, size_t words) const;
    // A reply of an own-turn move with the mover's options on its new hand.
    Words WithOptions(int32_t chair, Words reply) const;
    Words MeldWords(int32_t chair, rules::MeldArray kind, TileId replacement) const;
    void Deliver(int32_t chair, PeerId except);
    Answer Draw(int32_t chair);
    Answer Discard(int32_t chair, const Words& w);
    // Opens the discard's window and tells the others; returns the note.
    Words Discarded(int32_t chair, TileId tile, PeerId except);
    Answer Flower(int32_t chair, TileId flower, bool byNotice);
    Answer ConcealedKong(int32_t chair, const Words& w);
    Answer AddedKong(int32_t chair, const Words& w, bool announceOnly);
    Answer Hu(int32_t chair, const Words& w);
    void OpenWindow();
    void PassInModel(int32_t chair);
    bool ClaimStands(int32_t kind, const Words& w);
    Answer Claim(int32_t chair, int32_t kind, const Words& w, bool choosing);
    Answer Execute(int32_t chair, int32_t kind, const Words& w);
    Answer Pass(int32_t chair);
    void TryAttempts();
    void AfterAnswer();
    void CloseWindow();
    // Around a move the model makes for a chair before it asks: keeps and
    // drops the view KeepToldView asked for.
    void BeforeUnaskedMove();
    void AfterUnaskedMove();
    void MeldMade(int32_t chair, int32_t giver, TileId tile, int32_t kind, bool addedKong,
                  TileId replacement);
    bool MayActFor(PeerId sender, const Words& w) const;
    void MoveFor(int32_t chair);

    // Time and bots.
    std::optional<int64_t> StallDeadline(int32_t* chair) const;
    void Schedule(Peer& peer);
    void RunBots();
    void ReadMail(Peer& peer);
    void ActBot(PeerId peer);

    TableOptions options_;
    Clock clock_;
    int64_t now_ = 0;
    std::unique_ptr<rules::CRuleTable> model_;
    std::map<PeerId, std::unique_ptr<Peer>> peers_;
    PeerId nextPeer_ = 1;
    std::array<std::unique_ptr<Seat>, 4> seats_;
    std::unique_ptr<Window> window_;
    std::array<std::unique_ptr<Pending>, 4> pending_;
    bool roundRunning_ = false;
    int64_t turnSince_ = 0;
    int rounds_ = 0, refused_ = 0;
    std::vector<TableMessage> outgoing_;
    std::vector<std::string> log_;
    Observer observer_;
    int32_t toldChair_ = -1;
    std::optional<rules::TableRecord> toldBefore_;
};

}  // namespace gameserver
