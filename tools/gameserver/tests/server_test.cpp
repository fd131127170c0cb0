#include "tools/gameserver/server.h"

#include <gtest/gtest.h>

#include "platform/bytes.h"
#include "tools/gameserver/peer_client.h"

namespace gameserver {
namespace {

using std::chrono::milliseconds;
constexpr milliseconds kWait{5000};  // a safety net; events normally arrive at once

Bytes Filled(size_t n) {
    Bytes out(n);
    for (size_t i = 0; i < n; ++i)
        out[i] = uint8_t(i * 31 + 7);
    return out;
}

class GameServerTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_NE(server_.Start(), 0); }

    std::unique_ptr<PeerClient> Greeted() {
        auto client = std::make_unique<PeerClient>(DefaultKey());
        EXPECT_TRUE(client->Connect(server_.port()));
        EXPECT_TRUE(client->SendBytes(StandardGreeting()));
        EXPECT_TRUE(server_.WaitForGreeting(kWait));
        return client;
    }

    GameServer server_;
};

TEST(GreetingTest, IsTheLengthWordAndTwentyOneBytes) {
    Bytes g = StandardGreeting();
    ASSERT_EQ(g.size(), 25u);
    EXPECT_EQ(platform::LoadLE32(g.data()), 21u);
    EXPECT_EQ(std::string(g.begin() + 4, g.end() - 1), "Hello! Mirb Station.");
    EXPECT_EQ(g.back(), 0);
}

TEST_F(GameServerTest, AnswersAScriptedRequest) {
    server_.SetReply(201001, Reply::With(0, {14, 0, 0, 0, 0, 0, 0, 0}));
    auto client = Greeted();
    uint32_t number = client->SendMessage(201001, {}, true);
    auto request = server_.WaitForRequest(kWait);
    ASSERT_TRUE(request);
    EXPECT_EQ(request->id, 201001u);
    EXPECT_EQ(request->messageNumber, number);
    EXPECT_TRUE(request->hadCrc);
    auto reply = client->Read(kWait);
    ASSERT_TRUE(reply) << client->error();
    EXPECT_EQ(reply->kind, kKindReply);
    EXPECT_EQ(reply->messageNumber, number);
    EXPECT_EQ(reply->body.code, 0u);
    EXPECT_EQ(reply->body.data, (Bytes{14, 0, 0, 0, 0, 0, 0, 0}));
}

TEST_F(GameServerTest, CarriesLargeMessagesBothWays) {
    Bytes big = Filled(40000);
    server_.SetReply(7, Reply::With(10, big));
    auto client = Greeted();
    client->SendMessage(7, big, true);
    auto request = server_.WaitForRequest(kWait);
    ASSERT_TRUE(request);
    EXPECT_EQ(request->data, big);
    auto reply = client->Read(kWait);
    ASSERT_TRUE(reply) << client->error();
    EXPECT_EQ(reply->body.data, big);
}

TEST_F(GameServerTest, NoAnswerWithoutTheWantsReplyFlagOrForSilentIds) {
    server_.SetDefaultReply(Reply::With(10000));
    server_.SetReply(201130, Reply::Silent());
    auto client = Greeted();
    client->SendMessage(201210, Filled(128), false);
    client->SendMessage(201130, {}, true);
    ASSERT_TRUE(server_.WaitForRequest(kWait));
    ASSERT_TRUE(server_.WaitForRequest(kWait));
    // A notification sent afterwards is the first thing the client reads.
    ASSERT_TRUE(server_.Notify(211000, {1}));
    auto next = client->Read(kWait);
    ASSERT_TRUE(next);
    EXPECT_EQ(next->kind, kKindRequest);
    EXPECT_EQ(next->body.code, 211000u);
}

TEST_F(GameServerTest, HeldReplyGoesOutOnRelease) {
    server_.SetReply(5, Reply::Held(1));
    auto client = Greeted();
    client->SendMessage(5, {}, true);
    ASSERT_TRUE(server_.WaitForRequest(kWait));
    ASSERT_TRUE(server_.Notify(99, {}));  // proves nothing was sent before it
    auto first = client->Read(kWait);
    ASSERT_TRUE(first);
    EXPECT_EQ(first->body.code, 99u);
    server_.ReleaseHeld();
    auto reply = client->Read(kWait);
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->kind, kKindReply);
    EXPECT_EQ(reply->body.code, 1u);
}

TEST_F(GameServerTest, DelayedReplyArrives) {
    server_.SetReply(5, Reply::After(milliseconds(20), 3));
    auto client = Greeted();
    client->SendMessage(5, {}, true);
    auto reply = client->Read(kWait);
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->body.code, 3u);
}

TEST_F(GameServerTest, WelcomeNotificationsFollowTheGreeting) {
    ServerOptions options;
    options.welcome = {Body{211000, {9}}, Body{211001, {}}};
    GameServer server(options);
    ASSERT_NE(server.Start(), 0);
    PeerClient client(DefaultKey());
    ASSERT_TRUE(client.Connect(server.port()));
    ASSERT_TRUE(client.SendBytes(StandardGreeting()));
    for (uint32_t id : {211000u, 211001u}) {
        auto m = client.Read(kWait);
        ASSERT_TRUE(m) << client.error();
        EXPECT_EQ(m->body.code, id);
    }
}

TEST_F(GameServerTest, WrongGreetingIsRecordedAndDropped) {
    PeerClient client(DefaultKey());
    ASSERT_TRUE(client.Connect(server_.port()));
    Bytes greeting = StandardGreeting();
    greeting[5] = 'X';
    ASSERT_TRUE(client.SendBytes(greeting));
    EXPECT_EQ(server_.WaitForGreeting(kWait), greeting);
    EXPECT_TRUE(client.WaitClosed(kWait));
    EXPECT_FALSE(server_.Errors().empty());
}

TEST_F(GameServerTest, BadPacketFromTheClientDropsIt) {
    auto client = Greeted();
    Bytes packet = EncodePacket({kKindRequest, 1, 1, 1, 1, 1}, Filled(10), true);
    packet[70 - 1] ^= 1;
    ASSERT_TRUE(client->SendBytes(packet));
    EXPECT_TRUE(client->WaitClosed(kWait));
    ASSERT_FALSE(server_.Errors().empty());
    EXPECT_EQ(server_.Errors().back(), "bad packet checksum");
}

TEST_F(GameServerTest, ServesTheNextClientAfterOneLeaves) {
    { auto client = Greeted(); }
    ASSERT_TRUE(server_.WaitForClientGone(kWait));
    server_.SetReply(1, Reply::With(2));
    auto client = Greeted();
    client->SendMessage(1, {}, true);
    auto reply = client->Read(kWait);
    ASSERT_TRUE(reply);
    EXPECT_EQ(server_.clientsAccepted(), 2);
}

TEST_F(GameServerTest, RawPacketsInEveryWriteMode) {
    auto client = Greeted();
    for (WriteMode mode : {WriteMode::kPerPacket, WriteMode::kCoalesced, WriteMode::kBytewise}) {
        uint32_t number = server_.NextMessageNumber();
        auto packets = server_.BuildPackets(kKindRequest, number, Body{42, Filled(9000)});
        ASSERT_EQ(packets.size(), 3u);
        ASSERT_TRUE(server_.SendRaw(packets, mode));
        auto m = client->Read(kWait);
        ASSERT_TRUE(m) << client->error();
        EXPECT_EQ(m->messageNumber, number);
        EXPECT_EQ(m->body.data, Filled(9000));
    }
}

TEST_F(GameServerTest, FinAndResetEndTheConnection) {
    auto client = Greeted();
    server_.Fin();
    EXPECT_TRUE(client->WaitClosed(kWait));
    client.reset();
    ASSERT_TRUE(server_.WaitForClientGone(kWait));
    client = Greeted();
    server_.Reset();
    EXPECT_TRUE(client->WaitClosed(kWait));
}

TEST_F(GameServerTest, StoppedReaderLeavesRequestsUnread) {
    auto client = Greeted();
    server_.StopReading(true);
    client->SendMessage(1, {}, false);
    EXPECT_FALSE(server_.WaitForRequest(milliseconds(50)));
    server_.StopReading(false);
    EXPECT_TRUE(server_.WaitForRequest(kWait));
}

TEST_F(GameServerTest, CompressedEnvelopesBothWays) {
    ServerOptions options;
    options.compressFlags = kCompressOn;
    GameServer server(options);
    server.SetReply(3, Reply::With(4, Filled(5000)));
    ASSERT_NE(server.Start(), 0);
    PeerClient client(DefaultKey(), kCipherOn, kCompressOn);
    ASSERT_TRUE(client.Connect(server.port()));
    ASSERT_TRUE(client.SendBytes(StandardGreeting()));
    client.SendMessage(3, Filled(6000), true);
    auto request = server.WaitForRequest(kWait);
    ASSERT_TRUE(request);
    EXPECT_EQ(request->data, Filled(6000));
    auto reply = client.Read(kWait);
    ASSERT_TRUE(reply) << client.error();
    EXPECT_EQ(reply->body.data, Filled(5000));
}

}  // namespace
}  // namespace gameserver
