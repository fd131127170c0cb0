// Every request of the game, as the scripted server receives it, against
// its layout; replies short, missing, refused and late.
#include <gtest/gtest.h>

#include <cstring>

#include "client/client_utils.h"
#include "mahjong/tests/client_fixture.h"

namespace mahjong {
namespace {

using testing::ClientFixture;
using testing::Reply;
using testing::Words;
using testing::WordsOf;

std::vector<int32_t> MachineIdWords() {
    std::array<uint8_t, 48> text{};
    const std::string id = client::GetMachineUniqueId();
    std::memcpy(text.data(), id.data(), std::min<size_t>(id.size(), 47));
    std::vector<int32_t> out;
    for (int i = 0; i < 12; ++i)
        out.push_back(int32_t(platform::LoadLE32(&text[size_t(4 * i)])));
    return out;
}

class RequestTest : public ClientFixture {
  protected:
    void SetUp() override { Seat(0); }
    void Hold(std::initializer_list<int32_t> tiles) {
        int i = 1;
        for (int32_t t : tiles) {
            MJStruct& r = *Scene().GetMJStruct(kAreaHand, 3, i++);
            r = {};
            r.nFace = t;
            r.standing = r.present = r.faceState = 1;
        }
    }
    void Offer(int button, int32_t chair, int32_t tile, std::initializer_list<int32_t> cands,
               int32_t kind = 0) {
        ClaimOption& o = Scene().Option(button);
        o.offerChair = chair;
        o.tile = tile;
        o.kind = kind;
        o.candidates.fill(-1);
        std::copy(cands.begin(), cands.end(), o.candidates.begin());
        o.count = int32_t(cands.size());
    }
};

TEST_F(RequestTest, EveryRequestCarriesItsLayout) {
    CTableScene& s = Scene();
    CClientConnection& c = *app_->GetConnection();
    auto expect = [&](const char* name, uint32_t id, size_t bytes, std::vector<int32_t> words) {
        auto r = Next(id);
        ASSERT_TRUE(r) << name;
        EXPECT_EQ(r->data.size(), bytes) << name;
        words.resize(bytes / 4, 0);
        EXPECT_EQ(WordsOf(r->data), words) << name;
    };
    std::string text;
    ReplyBlock<8> b8;
    ReplyBlock<12> b12;
    uint32_t code;
    const std::array<int32_t, 3> pung = {11, 2, 29};
    Offer(kPassButton, 2, 40, {});
    s.RequestPass();
    expect("pass", 229005, 40, {101, 3, 5, 0, 2, 40});
    Offer(kPengButton, 1, 17, {16, 15, 14});
    s.RequestPeng();
    expect("peng", 229010, 64, {101, 3, 5, 0, 1, 17, 16, 15, -1});
    s.Request229025(s.PengWords(), &code);
    expect("pung carried out", 229025, 64, {101, 3, 5, 0, 1, 17, 16, 15, -1});
    Offer(kKongButton, 1, 17, {16, 15, 14});
    s.RequestKong(b12);
    expect("kong on a discard", 229015, 64, {101, 3, 5, 0, 1, 17, 16, 15, 14, 1});
    s.RequestKongMove(229045, s.ExposedKongWords(), &code, b8);
    expect("exposed kong", 229045, 64, {101, 3, 5, 0, 1, 17, 16, 15, 14});
    Offer(kKongButton, 0, 20, {});
    s.RequestKong2(pung, b12);
    expect("kong added to a pung", 229015, 64, {101, 3, 5, 0, 0, 20, 11, 2, 29, 2});
    s.RequestKongMove(229049, s.AddedKongWords(pung), &code, b8);
    expect("added kong", 229049, 64, {101, 3, 5, 0, 0, 20, 11, 2, 29});
    Hold({5, 9, 40, 18, 27, 0});
    s.RequestKongMove(229047, s.ConcealedKongWords(18), &code, b8);
    expect("concealed kong", 229047, 64, {101, 3, 5, 0, 0, 18, 9, 27, 0});
    Offer(kChowButton, 1, 10, {11, 12});
    s.RequestChi();
    expect("chow", 229020, 64, {101, 3, 5, 0, 1, 10, 11, 12, -1});
    s.Request229030(s.ChowWords(11, 21), &code);
    expect("chow carried out", 229030, 64, {101, 3, 5, 0, 1, 10, 11, 21, -1});
    Offer(kHuButton, 0, 33, {});
    s.RequestHuSelf();
    expect("self-drawn win", 229080, 48, {101, 3, 5, 0, 0, 33, 2});
    Offer(kHuButton, 2, 44, {});
    s.RequestHu();
    expect("win on a discard", 229080, 48, {101, 3, 5, 0, 2, 44, 1});
    Offer(kHuButton, 2, 44, {}, 2);
    s.RequestHu();
    expect("robbing a kong", 229080, 48, {101, 3, 5, 0, 2, 44, 4, 2});
    // The discard: sender, machine id, own mark, count and tiles.
    const std::vector<int32_t> mid = MachineIdWords();
    auto discard = [&](std::vector<int32_t> w, int32_t own, std::vector<int32_t> tiles) {
        w.insert(w.end(), mid.begin(), mid.end());
        w.insert(w.end(), {own, 0, 0, 0, 0, int32_t(tiles.size())});
        w.insert(w.end(), tiles.begin(), tiles.end());
        return w;
    };
    s.RequestDiscardGetCode(77);
    expect("discard", 221080, 108, discard({101, 3, 5, 0, 0, 5, 0, 101}, 1, {77}));
    s.RequestDiscardNoWait();
    expect("discard for the next chair", 221080, 104, discard({102, 3, 5, 1, 1, 5, 0, 101}, 0, {}));
    s.RequestDraw(b8);
    expect("draw", 229000, 96, {101, 3, 5, 0, 0, 5, 0, 101});
    s.RequestDrawNoWait();
    expect("draw for the next chair", 229000, 96, {102, 3, 5, 1, 0, 5, 0, 101});
    s.RequestFlower(137, b8);
    expect("flower", 229060, 44, {101, 3, 5, 0, 137});
    c.SendSeeHandRequest(text);
    expect("see the hand", 221050, 32, {101, 3, 5, 0});
    c.SendSeeHandAnswer(text, 201, 1);
    expect("see-hand answer", 221052, 40, {101, 3, 5, 0, 201, 1});
    s.Request229405();
    expect("stalled table", 229405, 32, {101, 3, 5, 0});
    s.Request229500(1);
    expect("presence", 229500, 32, {101, 3, 5, 0, 1});
    s.Request229505();
    expect("229505", 229505, 32, {101, 3, 5, 0});
    c.SendExitRequest(text, "abcdefg");
    expect("exit request", 400006, 80, {101, 3, 5, 0, 0x64636261, 0x00676665});
    c.SendExitReply(text, 104, 1);
    expect("exit answer", 400007, 40, {101, 3, 5, 0, 104, 1});
    // 62 letters and a two-byte character: the character does not fit.
    c.SendExitRequest(text, std::string(62, 'a') + "财" + "bc");
    auto r = Next(400006);
    ASSERT_TRUE(r);
    const std::string field(r->data.begin() + 16, r->data.end());
    EXPECT_EQ(field, std::string(62, 'a') + std::string(2, '\0'));
}

TEST_F(RequestTest, RepliesShortMissingRefusedAndLong) {
    CTableScene& s = Scene();
    ReplyBlock<8> reply;
    reply.fill(99);
    // Two words of eight: the rest of the block is zeroed.
    server_.SetReply(229000, Reply::With(kReplyOk, Words(2).Set(0, 1).Set(1, 55).Bytes()));
    EXPECT_EQ(s.RequestDraw(reply), 1);
    EXPECT_EQ(reply, (ReplyBlock<8>{1, 55, 0, 0, 0, 0, 0, 0}));
    // Success without data: a block of zeros.
    reply.fill(99);
    server_.SetReply(229060, Reply::With(kReplyOk));
    EXPECT_EQ(s.RequestFlower(140, reply), 1);
    EXPECT_EQ(reply, ReplyBlock<8>{});
    // Refused: 0, and the tile word says so.
    server_.SetReply(229000, Reply::With(kReplyRefused, Words(3).Set(1, 7).Bytes()));
    EXPECT_EQ(s.RequestDraw(reply), 0);
    EXPECT_EQ(reply[1], -1);
    // A kong reply longer than its block is cut to it; a refused one is 0.
    ReplyBlock<12> kong;
    server_.SetReply(229015, Reply::With(kReplyOk, Words(20, 3).Bytes()));
    EXPECT_EQ(s.RequestKong(kong), 1);
    EXPECT_EQ(kong, (ReplyBlock<12>{3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3}));
    server_.SetReply(229015, Reply::With(1010));
    EXPECT_EQ(s.RequestKong(kong), 0);
    // The pung carried out: its code comes back, 1 only for success.
    uint32_t code = 0;
    server_.SetReply(229025, Reply::With(kReplyWait));
    EXPECT_EQ(s.Request229025(s.PengWords(), &code), 0);
    EXPECT_EQ(code, kReplyWait);
    // The discard's code, and a win's code as it came.
    server_.SetReply(221080, Reply::With(kReplyDiscardRefused));
    EXPECT_EQ(s.RequestDiscardGetCode(3), kReplyDiscardRefused);
    server_.SetReply(229080, Reply::With(0));
    EXPECT_EQ(s.RequestHuSelf(), 0u);
}

TEST_F(RequestTest, ALostReplyResynchronisesGameRequestsOnly) {
    server_.SetReply(201140, Reply::With(kReplyOk, Words(snap::kBlockWords).Bytes()));
    server_.SetReply(229000, Reply::Held(kReplyOk));
    ReplyBlock<8> reply;
    EXPECT_EQ(WithTimeOut(229000, 10000, [&] { return Scene().RequestDraw(reply); }), 0);
    EXPECT_TRUE(Next(201140)) << "the table data asked for again";
    EXPECT_NE(std::find(lines_.begin(), lines_.end(), "resync"), lines_.end());
    // A late reply that comes while the next request waits is passed over.
    server_.SetReply(229000, Reply::Held(kReplyOk));
    auto next = std::async(std::launch::async, [&] { return Scene().RequestDraw(reply); });
    ASSERT_TRUE(Next(229000));
    server_.ReleaseHeld();
    EXPECT_EQ(next.get(), 1);
    EXPECT_TRUE(app_->GetConnection()->IsAlive());

    // A win without an answer reads as not sent, never as success.
    server_.SetReply(229080, Reply::Silent());
    EXPECT_EQ(WithTimeOut(229080, 10000, [&] { return Scene().RequestHu(); }), kReplyNotSent);
    // A framework request's time-out does not resynchronise.
    server_.SetReply(201130, Reply::Silent());
    EXPECT_FALSE(WithTimeOut(201130, 5000, [&] { return app_->GetConnection()->IsGameRunning(); }));
    EXPECT_FALSE(SentBeforeMarker(201140));
}

}  // namespace
}  // namespace mahjong
