#include "mahjong/app/client_connection.h"

#include <algorithm>
#include <cstring>

#include "client/mj_game_app.h"
#include "platform/bytes.h"
#include "platform/text.h"
#include "transport/log.h"

namespace mahjong {

std::vector<uint8_t> RequestWords::Encode(size_t bytes) const {
    std::vector<uint8_t> out(bytes, 0);
    for (size_t i = 0; i < words_.size() && 4 * i + 4 <= bytes; ++i)
        platform::StoreLE32(&out[4 * i], uint32_t(words_[i]));
    return out;
}

CMJGameConnection::CMJGameConnection()
    : client::CGameSession(client::kSessionKey.data(), 128, 0x100, 0) {}

bool CMJGameConnection::SendRequestAndWait(std::string& text, uint32_t id, uint32_t* lengthInOut,
                                           const uint8_t* data, uint32_t* resultOut,
                                           std::unique_ptr<uint8_t[]>* replyDataOut,
                                           bool wantsReply) {
    if (MaySend()) ++requestsSent_;
    const bool ok = CGameSession::SendRequestAndWait(text, id, lengthInOut, data, resultOut,
                                                     replyDataOut, wantsReply);
    if (id < kFirstGameRequest || !wantsReply || ok) return ok;
    // A connection that broke is told by its own notice on the lost
    // connection's road (rejoin the seat), not as a table out of step.
    if (IsBroken()) return false;
    // A game request without its reply: the table may have moved on.
    if (auto* app = dynamic_cast<client::CMJGameApp*>(GetGameApp())) app->ResyncTable();
    return false;
}

uint32_t CMJGameConnection::GetRequestTimeout(uint32_t id) {
    if (id == kReqDiscard || id == kReqDraw) return 10;
    return CGameSession::GetRequestTimeout(id);
}

RequestWords CMJGameConnection::HeadOnly(size_t words) {
    RequestWords payload(words);
    if (const client::CGameApp* app = GetGameApp()) {
        payload.Set(0, int32_t(app->GetUserId()))
            .Set(1, int32_t(app->GetRoomId()))
            .Set(2, app->GetTableNo())
            .Set(3, app->GetOwnChair());
    }
    return payload;
}

bool CMJGameConnection::Send(std::string& text, uint32_t id, const RequestWords& payload,
                             size_t bytes, bool wait, uint32_t* code, std::span<int32_t> out) {
    text.clear();
    const std::vector<uint8_t> data = payload.Encode(bytes);
    uint32_t length = uint32_t(data.size());
    uint32_t result = 0;
    std::unique_ptr<uint8_t[]> reply;
    const bool ok =
        SendRequestAndWait(text, id, &length, data.data(), &result, wait ? &reply : nullptr, wait);
    if (code) *code = ok ? result : kReplyNotSent;
    // Whatever the reply holds, and zeros where it is short or missing.
    std::fill(out.begin(), out.end(), 0);
    if (ok && wait) {
        const size_t have = reply ? std::min<size_t>(length / 4, out.size()) : 0;
        for (size_t i = 0; i < have; ++i)
            out[i] = int32_t(platform::LoadLE32(&reply[4 * i]));
        if (!out.empty() && have < out.size())
            transport::LogPrintf("request %u: a reply of %u bytes for a block of %zu", id,
                                 reply ? length : 0, out.size() * 4);
    }
    return ok;
}

void CMJGameConnection::Log(uint32_t id, const RequestWords& payload, size_t bytes) {
    auto* app = dynamic_cast<client::CMJGameApp*>(GetGameApp());
    if (client::MJTableSceneTarget* scene = app ? app->GetTableScene() : nullptr)
        scene->QueueGameMessage(id, payload.Encode(bytes));
}

bool CMJGameConnection::SendSeeHandRequest(std::string& text) {
    return Send(text, kReqSeeHand, HeadOnly(8), 32, false, nullptr);
}

bool CMJGameConnection::SendSeeHandAnswer(std::string& text, uint32_t lookerId, int32_t allow) {
    RequestWords payload = HeadOnly(10);
    payload.Set(4, int32_t(lookerId)).Set(5, allow);
    return Send(text, kReqSeeHandAnswer, payload, 40, false, nullptr);
}

bool CMJGameConnection::Send229405(std::string& text) {
    return Send(text, kReqStall, HeadOnly(8), 32, false, nullptr);
}

bool CMJGameConnection::Send229500(std::string& text, int32_t value) {
    RequestWords payload = HeadOnly(8);
    payload.Set(4, value);
    return Send(text, kReqPresence, payload, 32, false, nullptr);
}

bool CMJGameConnection::Send229505(std::string& text) {
    return Send(text, kReq229505, HeadOnly(8), 32, false, nullptr);
}

bool CMJGameConnection::SendPass(std::string& text, const RequestWords& payload) {
    return Send(text, kReqPass, payload, 40, false, nullptr);
}

bool CMJGameConnection::SendPeng(std::string& text, const RequestWords& payload) {
    return Send(text, kReqPeng, payload, 64, false, nullptr);
}

bool CMJGameConnection::SendKong(std::string& text, const RequestWords& payload,
                                 ReplyBlock<12>& out) {
    uint32_t code = 0;
    return Send(text, kReqKong, payload, 64, true, &code, out) && code == kReplyOk;
}

bool CMJGameConnection::SendChi(std::string& text, const RequestWords& payload) {
    return Send(text, kReqChi, payload, 64, false, nullptr);
}

bool CMJGameConnection::Send229025(std::string& text, uint32_t* code, const RequestWords& payload) {
    if (!Send(text, kReqPengExecute, payload, 64, true, code)) return false;
    Log(229185, payload, 64);
    return *code == kReplyOk;
}

bool CMJGameConnection::Send229030(std::string& text, const RequestWords& payload, uint32_t* code) {
    if (!Send(text, kReqChiExecute, payload, 64, true, code)) return false;
    Log(229190, payload, 64);
    return *code == kReplyOk;
}

bool CMJGameConnection::SendGeneric(std::string& text, uint32_t id, const RequestWords& payload,
                                    ReplyBlock<8>& out, uint32_t* code) {
    return Send(text, id, payload, 64, true, code, out) && *code == kReplyOk;
}

uint32_t CMJGameConnection::SendHu(std::string& text, const RequestWords& payload) {
    uint32_t code = kReplyNotSent;
    if (!Send(text, kReqHu, payload, 48, true, &code)) return kReplyNotSent;
    Log(kReqHu, payload, 48);
    return code;
}

namespace {

size_t DiscardBytes(const RequestWords& payload) {
    const int32_t count = std::clamp(payload.Get(discard::kCount), 0, discard::kMaxTiles);
    return discard::kHeadBytes + 4 * size_t(count);
}

}  // namespace

bool CMJGameConnection::SendDiscard(std::string& text, const RequestWords& payload) {
    uint32_t code = 0;
    const size_t bytes = DiscardBytes(payload);
    if (!Send(text, kReqDiscard, payload, bytes, true, &code)) return false;
    Log(221170, payload, bytes);
    return true;
}

uint32_t CMJGameConnection::SendDiscardGetCode(std::string& text, const RequestWords& payload) {
    uint32_t code = kReplyNotSent;
    return Send(text, kReqDiscard, payload, DiscardBytes(payload), true, &code) ? code
                                                                                : kReplyNotSent;
}

bool CMJGameConnection::SendDiscardNoWait(std::string& text, const RequestWords& payload) {
    return Send(text, kReqDiscard, payload, DiscardBytes(payload), false, nullptr);
}

namespace {

// The draw and the flower: 10 copies the reply; a refusal marks word 1.
bool DrawLikeResult(bool ok, uint32_t code, ReplyBlock<8>& out) {
    if (!ok) return false;
    if (code == kReplyRefused) out[1] = -1;
    return code == kReplyOk;
}

}  // namespace

bool CMJGameConnection::SendDraw(std::string& text, const RequestWords& payload,
                                 ReplyBlock<8>& out) {
    uint32_t code = 0;
    const bool ok = Send(text, kReqDraw, payload, 96, true, &code, out);
    if (ok) Log(229160, payload, 96);
    return DrawLikeResult(ok, code, out);
}

bool CMJGameConnection::SendDrawNoWait(std::string& text, const RequestWords& payload) {
    return Send(text, kReqDraw, payload, 96, false, nullptr);
}

bool CMJGameConnection::SendFlower(std::string& text, const RequestWords& payload,
                                   ReplyBlock<8>& out) {
    uint32_t code = 0;
    const bool ok = Send(text, kReqFlower, payload, 44, true, &code, out);
    if (ok) Log(229210, payload, 44);
    return DrawLikeResult(ok, code, out);
}

bool CClientConnection::SendExitRequest(std::string& text, const std::string& requestText) {
    RequestWords payload = HeadOnly(20);
    // 63 bytes of text at most, cut between characters, then its NUL.
    const std::string_view typed = std::string_view(requestText).substr(0, requestText.find('\0'));
    const std::string_view kept = platform::GbkPrefix(typed, 63);
    std::array<uint8_t, 64> field{};
    std::memcpy(field.data(), kept.data(), kept.size());
    for (size_t i = 0; i < 16; ++i)
        payload.Set(4 + i, int32_t(platform::LoadLE32(&field[4 * i])));
    return Send(text, kReqExit, payload, 80, false, nullptr);
}

bool CClientConnection::SendExitReply(std::string& text, uint32_t requesterId, int32_t agree) {
    RequestWords payload = HeadOnly(10);
    payload.Set(4, int32_t(requesterId)).Set(5, agree);
    return Send(text, kReqExitReply, payload, 40, false, nullptr);
}

}  // namespace mahjong
