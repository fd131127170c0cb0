#pragma once
// The mahjong connection: one operation per request of the game. The
// table scene builds most payloads (request_words.h) and the connection
// sends exactly the request's length of them; the connection builds the
// small ones itself. Every request goes through SendRequestAndWait, which
// this layer overrides: a waited game request that got no reply makes the
// application resynchronise the table.
//
// Replies come from the server: a reply block is copied as far as the
// reply holds it, and the rest of the caller's block is zeroed.

#include <array>
#include <cstdint>
#include <span>
#include <string>

#include "client/game_session.h"
#include "mahjong/app/request_words.h"

namespace mahjong {

class CMJGameConnection : public client::CGameSession {
  public:
    CMJGameConnection();

    bool SendRequestAndWait(std::string& text, uint32_t id, uint32_t* lengthInOut,
                            const uint8_t* data, uint32_t* resultOut,
                            std::unique_ptr<uint8_t[]>* replyDataOut, bool wantsReply) override;
    uint32_t GetRequestTimeout(uint32_t id) override;
    // Requests handed to the live connection so far.
    uint64_t RequestsSent() const { return requestsSent_; }

    // Payloads the connection builds.
    virtual bool SendSeeHandRequest(std::string& text);
    virtual bool SendSeeHandAnswer(std::string& text, uint32_t lookerId, int32_t allow);
    virtual bool Send229405(std::string& text);
    virtual bool Send229500(std::string& text, int32_t value);
    virtual bool Send229505(std::string& text);

    // Payloads the scene builds.
    virtual bool SendPass(std::string& text, const RequestWords& payload);
    virtual bool SendPeng(std::string& text, const RequestWords& payload);
    // The reply's 48 bytes go to `out` (read by nobody).
    virtual bool SendKong(std::string& text, const RequestWords& payload, ReplyBlock<12>& out);
    virtual bool SendChi(std::string& text, const RequestWords& payload);
    virtual bool Send229025(std::string& text, uint32_t* code, const RequestWords& payload);
    virtual bool Send229030(std::string& text, const RequestWords& payload, uint32_t* code);
    // 229045, 229047, 229049: the kong reply (kong_reply words) into `out`.
    virtual bool SendGeneric(std::string& text, uint32_t id, const RequestWords& payload,
                             ReplyBlock<8>& out, uint32_t* code);
    // The reply code; kReplyNotSent when nothing came back.
    virtual uint32_t SendHu(std::string& text, const RequestWords& payload);
    // The discard's length follows its tile count (word 25, 0-64).
    virtual bool SendDiscard(std::string& text, const RequestWords& payload);
    virtual uint32_t SendDiscardGetCode(std::string& text, const RequestWords& payload);
    virtual bool SendDiscardNoWait(std::string& text, const RequestWords& payload);
    // The draw reply (draw_reply words) into `out`; refused with 229101,
    // word 1 of `out` is -1.
    virtual bool SendDraw(std::string& text, const RequestWords& payload, ReplyBlock<8>& out);
    virtual bool SendDrawNoWait(std::string& text, const RequestWords& payload);
    // The flower reply (flower_reply words) into `out`, as the draw.
    virtual bool SendFlower(std::string& text, const RequestWords& payload, ReplyBlock<8>& out);

  protected:
    // A request with the payload's first `bytes` bytes; a waited one hands
    // back the reply code and copies the reply into `out` (`outWords`
    // words); true when a reply came back (or, unwaited, when it was sent).
    bool Send(std::string& text, uint32_t id, const RequestWords& payload, size_t bytes, bool wait,
              uint32_t* code, std::span<int32_t> out = {});
    // The move log: the payload handed to the scene under a notification id.
    void Log(uint32_t id, const RequestWords& payload, size_t bytes);
    // A payload of `words` words with the head written.
    RequestWords HeadOnly(size_t words);

  private:
    uint64_t requestsSent_ = 0;
};

class CClientConnection : public CMJGameConnection {
  public:
    // The exit request with the player's text (at most 63 bytes are sent).
    virtual bool SendExitRequest(std::string& text, const std::string& requestText);
    virtual bool SendExitReply(std::string& text, uint32_t requesterId, int32_t agree);
};

}  // namespace mahjong
