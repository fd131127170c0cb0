// The scene's requests: each gathers the head from the application, adds
// the scene's words for the operation (the claim option records, the own
// hand, the tiles the caller gives) and sends it through the connection.
#include <algorithm>
#include <cstring>

#include "client/client_utils.h"
#include "client/game_app.h"
#include "mahjong/app/client_connection.h"
#include "mahjong/scene/table_scene_base.h"
#include "mahjong/scene/tile_identity.h"
#include "platform/bytes.h"

namespace mahjong {
namespace {

CMJGameConnection* Connection() {
    client::CGameApp* app = client::CGameApp::Current();
    return app ? dynamic_cast<CMJGameConnection*>(app->GetConnection()) : nullptr;
}

// The head: own user id, room id, table number, own chair.
RequestWords Head(size_t words) {
    RequestWords w(words);
    if (const client::CGameApp* app = client::CGameApp::Current())
        w.Set(0, int32_t(app->GetUserId()))
            .Set(1, int32_t(app->GetRoomId()))
            .Set(2, app->GetTableNo())
            .Set(3, app->GetOwnChair());
    return w;
}

// Words 5-7: the sender (table number, own chair, own user id).
void PutSender(RequestWords& w) {
    if (const client::CGameApp* app = client::CGameApp::Current())
        w.Set(5, app->GetTableNo()).Set(6, app->GetOwnChair()).Set(7, int32_t(app->GetUserId()));
}

// The head of a request made for the chair whose turn comes before the own.
RequestWords HeadForNextChair(size_t words, int32_t nextChair) {
    RequestWords w = Head(words);
    if (const client::CGameApp* app = client::CGameApp::Current())
        w.Set(0, int32_t(app->GetSeatUserId(nextChair))).Set(3, nextChair);
    PutSender(w);
    return w;
}

void PutMachineId(RequestWords& w) {
    std::array<uint8_t, 48> text{};
    const std::string id = client::GetMachineUniqueId();
    std::memcpy(text.data(), id.data(), std::min<size_t>(id.size(), 47));
    for (int i = 0; i < 12; ++i)
        w.Set(size_t(discard::kMachineId + i), int32_t(platform::LoadLE32(&text[size_t(4 * i)])));
}

// Offering chair and tile of an option record, then its first `n`
// candidates from word 6.
RequestWords FromOption(const ClaimOption& o, int n) {
    RequestWords w = Head(16);
    w.Set(4, o.offerChair).Set(5, o.tile);
    for (int i = 0; i < n; ++i)
        w.Set(size_t(6 + i), o.candidates[size_t(i)]);
    return w;
}

}  // namespace

RequestWords CMJTableSceneBase::OwnDiscardWords(int32_t tile) const {
    RequestWords w = Head(discard::kWords);
    PutSender(w);
    PutMachineId(w);
    w.Set(discard::kOwn, 1);
    for (int i = 0; i < discard::kMaxTiles; ++i)
        w.Set(size_t(discard::kTiles + i), -1);
    w.Set(discard::kTiles, tile);
    int32_t count = 1;
    if (revealRest_) {
        FaceList hand;
        GetOwnHandFaces(hand);
        bool skipped = false;
        for (int32_t face : hand) {
            if (face < 0 || count >= discard::kMaxTiles) continue;
            if (face == tile && !skipped) {
                skipped = true;
                continue;
            }
            w.Set(size_t(discard::kTiles + count++), face);
        }
    }
    w.Set(discard::kCount, count);
    return w;
}

RequestWords CMJTableSceneBase::PengWords() const {
    return FromOption(Option(kPengButton), 2).Set(8, -1);
}

RequestWords CMJTableSceneBase::ChowWords(int32_t a, int32_t b) const {
    return FromOption(Option(kChowButton), 0).Set(6, a).Set(7, b).Set(8, -1);
}

RequestWords CMJTableSceneBase::ExposedKongWords() const {
    return FromOption(Option(kKongButton), 3);
}

RequestWords CMJTableSceneBase::ConcealedKongWords(int32_t tile) const {
    RequestWords w = Head(16);
    w.Set(4, OwnChair()).Set(5, tile);
    // The other three own tiles of the kind, as the hand holds them.
    const int32_t kind = TileSortKey(tile);
    int32_t n = 0;
    for (int32_t i = 0; i < HandTiles() && n < 3; ++i) {
        const MJStruct& r = Hand(3, i);
        if (r.standing && r.present && r.nFace != tile && TileSortKey(r.nFace) == kind)
            w.Set(size_t(6 + n++), r.nFace);
    }
    while (n < 3)
        w.Set(size_t(6 + n++), -1);
    return w;
}

RequestWords CMJTableSceneBase::AddedKongWords(const std::array<int32_t, 3>& tiles) const {
    RequestWords w = FromOption(Option(kKongButton), 0);
    for (int i = 0; i < 3; ++i)
        w.Set(size_t(6 + i), tiles[size_t(i)]);
    return w;
}

int32_t CMJTableSceneBase::RequestFlower(int32_t tile, ReplyBlock<8>& reply) {
    CMJGameConnection* c = Connection();
    std::string text;
    RequestWords w = Head(11);
    w.Set(4, tile);
    if (c) return c->SendFlower(text, w, reply) ? 1 : 0;
    reply.fill(0);
    return 0;
}

int32_t CMJTableSceneBase::RequestDiscard(int32_t tile) {
    RequestWords w = OwnDiscardWords(tile);
    w.Set(discard::kCount, 1);
    std::string text;
    CMJGameConnection* c = Connection();
    return c && c->SendDiscard(text, w) ? 1 : 0;
}

uint32_t CMJTableSceneBase::RequestDiscardGetCode(int32_t tile) {
    std::string text;
    CMJGameConnection* c = Connection();
    return c ? c->SendDiscardGetCode(text, OwnDiscardWords(tile)) : kReplyNotSent;
}

int32_t CMJTableSceneBase::RequestDiscardNoWait() {
    RequestWords w = HeadForNextChair(discard::kWords, ViewSeatToChair(0));
    PutMachineId(w);
    w.Set(discard::kTimeOut, 1).Set(discard::kOwn, 0).Set(discard::kCount, 0);
    std::string text;
    CMJGameConnection* c = Connection();
    return c && c->SendDiscardNoWait(text, w) ? 1 : 0;
}

int32_t CMJTableSceneBase::RequestDraw(ReplyBlock<8>& reply) {
    RequestWords w = Head(24);
    PutSender(w);
    std::string text;
    CMJGameConnection* c = Connection();
    if (c) return c->SendDraw(text, w, reply) ? 1 : 0;
    reply.fill(0);
    return 0;
}

int32_t CMJTableSceneBase::RequestDrawNoWait() {
    RequestWords w = HeadForNextChair(24, ViewSeatToChair(0));
    std::string text;
    CMJGameConnection* c = Connection();
    return c && c->SendDrawNoWait(text, w) ? 1 : 0;
}

int32_t CMJTableSceneBase::RequestPeng() {
    std::string text;
    CMJGameConnection* c = Connection();
    return c && c->SendPeng(text, PengWords()) ? 1 : 0;
}

int32_t CMJTableSceneBase::RequestKong(ReplyBlock<12>& block) {
    RequestWords w = FromOption(Option(kKongButton), 3);
    w.Set(9, 1);
    std::string text;
    CMJGameConnection* c = Connection();
    return c && c->SendKong(text, w, block) ? 1 : 0;
}

int32_t CMJTableSceneBase::RequestKong2(const std::array<int32_t, 3>& tiles,
                                        ReplyBlock<12>& block) {
    RequestWords w = AddedKongWords(tiles);
    w.Set(9, 2);
    std::string text;
    CMJGameConnection* c = Connection();
    return c && c->SendKong(text, w, block) ? 1 : 0;
}

int32_t CMJTableSceneBase::RequestChi() {
    const ClaimOption& o = Option(kChowButton);
    std::string text;
    CMJGameConnection* c = Connection();
    return c && c->SendChi(text, ChowWords(o.candidates[0], o.candidates[1])) ? 1 : 0;
}

int32_t CMJTableSceneBase::Request229025(const RequestWords& meld, uint32_t* code) {
    std::string text;
    *code = kReplyNotSent;
    CMJGameConnection* c = Connection();
    return c && c->Send229025(text, code, meld) ? 1 : 0;
}

int32_t CMJTableSceneBase::Request229030(const RequestWords& meld, uint32_t* code) {
    std::string text;
    *code = kReplyNotSent;
    CMJGameConnection* c = Connection();
    return c && c->Send229030(text, meld, code) ? 1 : 0;
}

int32_t CMJTableSceneBase::RequestKongMove(uint32_t id, const RequestWords& meld, uint32_t* code,
                                           ReplyBlock<8>& block) {
    std::string text;
    *code = kReplyNotSent;
    block.fill(0);
    CMJGameConnection* c = Connection();
    return c && c->SendGeneric(text, id, meld, block, code) ? 1 : 0;
}

int32_t CMJTableSceneBase::RequestPass() {
    const ClaimOption& o = Option(kPassButton);
    RequestWords w = Head(10);
    w.Set(4, o.offerChair).Set(5, o.tile);
    std::string text;
    CMJGameConnection* c = Connection();
    return c && c->SendPass(text, w) ? 1 : 0;
}

uint32_t CMJTableSceneBase::RequestHuSelf() {
    const ClaimOption& o = Option(kHuButton);
    RequestWords w = Head(12);
    w.Set(4, OwnChair()).Set(5, o.tile).Set(6, 2);
    std::string text;
    CMJGameConnection* c = Connection();
    return c ? c->SendHu(text, w) : kReplyNotSent;
}

uint32_t CMJTableSceneBase::RequestHu() {
    const ClaimOption& o = Option(kHuButton);
    RequestWords w = Head(12);
    w.Set(4, o.offerChair).Set(5, o.tile);
    if (o.kind != 0)
        w.Set(6, 4).Set(7, o.kind);
    else
        w.Set(6, 1);
    std::string text;
    CMJGameConnection* c = Connection();
    return c ? c->SendHu(text, w) : kReplyNotSent;
}

int32_t CMJTableSceneBase::Request229505() {
    if (IsLooker()) return 0;
    std::string text;
    CMJGameConnection* c = Connection();
    return c && c->Send229505(text) ? 1 : 0;
}

int32_t CMJTableSceneBase::Request229500(int32_t value) {
    std::string text;
    CMJGameConnection* c = Connection();
    return c && c->Send229500(text, value) ? 1 : 0;
}

int32_t CMJTableSceneBase::Request229405() {
    std::string text;
    CMJGameConnection* c = Connection();
    return c && c->Send229405(text) ? 1 : 0;
}

}  // namespace mahjong
