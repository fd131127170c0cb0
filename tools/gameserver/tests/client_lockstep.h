#pragma once
// The real client at the table server, served in an order that thread
// timing does not decide. The table answers on its own thread at once, so
// what it tells the client may reach the client's queue before or after
// the client's own messages (a timer fallen due, a post to itself), and
// which of them the client handles first decides the game's path. Here the
// client's next message is taken only once the table has taken every
// request the client sent and has finished what followed, and the table's
// notices come first, each awaited while it is on its way.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>

#include "platform/message_queue.h"
#include "tools/gameserver/table_server.h"
#include "transport/notice.h"

namespace gameserver {

class ClientLockstep {
  public:
    static constexpr std::chrono::seconds kWait{10};  // a safety net only

    // `requestsSent`: the requests the client has sent so far.
    ClientLockstep(TableServer& server, std::function<uint64_t()> requestsSent)
        : server_(server), requestsSent_(std::move(requestsSent)) {}

    // The table's thread, from its observer: counts the requests and the
    // notices of the client's connection (the first to ask for the version
    // check); true for those.
    bool Observe(const TableMessage& m) {
        std::lock_guard lock(mu_);
        if (m.kind == TableMessage::kRequest && m.id == table::kVersion && peer_ < 0)
            peer_ = m.peer;
        if (m.peer != peer_) return false;
        if (m.kind == TableMessage::kNotify) ++sent_;
        if (m.kind == TableMessage::kRequest) ++received_;
        changed_.notify_all();
        return true;
    }
    // Makes Observe the table's observer.
    void ObserveTable() {
        server_.WithTable(
            [this](TableGame& t) { t.SetObserver([this](const TableMessage& m) { Observe(m); }); });
    }

    // The client's next message; false when it has none, or when the table
    // lags past the safety net.
    bool Next(platform::Message& msg) {
        const auto giveUp = std::chrono::steady_clock::now() + kWait;
        if (const uint64_t asked = requestsSent_(); asked != taken_) {
            {
                std::unique_lock lock(mu_);
                if (!changed_.wait_until(lock, giveUp, [&] { return received_ >= asked; }))
                    return false;
            }
            server_.WithTable([](TableGame&) {});  // done with what the requests caused
            taken_ = asked;
        }
        for (;;) {
            {
                std::lock_guard lock(mu_);
                if (sent_ == handled_) break;
            }
            if (platform::PeekMessage(msg, {}, transport::kNoticeMessage, transport::kNoticeMessage,
                                      platform::PM_REMOVE)) {
                ++handled_;
                return true;
            }
            if (std::chrono::steady_clock::now() > giveUp) return false;
            std::this_thread::yield();
        }
        if (!platform::PeekMessage(msg, {}, 0, 0, platform::PM_REMOVE)) return false;
        handled_ += msg.message == transport::kNoticeMessage;
        return true;
    }
    // Everything on its way has arrived and been handled.
    bool Synced() {
        std::lock_guard lock(mu_);
        return received_ == requestsSent_() && sent_ == handled_;
    }
    // Serves the client until everything on its way has arrived and been
    // handled and the table has done what fell due; `dispatch` hands each
    // message on and answers false to stop (the client quit). False when
    // stopped or when the table lags past the safety net.
    template <typename Dispatch>
    bool Settle(Dispatch dispatch) {
        platform::Message msg;
        for (;;) {
            while (Next(msg))
                if (!dispatch(msg)) return false;
            if (!Synced()) return false;
            server_.Poke();
            if (!Next(msg)) return Synced();
            if (!dispatch(msg)) return false;
        }
    }

    // The notices the table has sent the client, and those it has handled.
    uint64_t Sent() {
        std::lock_guard lock(mu_);
        return sent_;
    }
    uint64_t Handled() const { return handled_; }

  private:
    TableServer& server_;
    std::function<uint64_t()> requestsSent_;
    // The client's thread only.
    uint64_t taken_ = 0, handled_ = 0;

    std::mutex mu_;
    std::condition_variable changed_;
    PeerId peer_ = -1;
    uint64_t sent_ = 0, received_ = 0;
};

}  // namespace gameserver
