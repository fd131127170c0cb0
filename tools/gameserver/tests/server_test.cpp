// The server against its own small client. The transport tests drive it
// much further as the client's peer.
#include "tools/gameserver/server.h"

#include <gtest/gtest.h>

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

    std::unique_ptr<PeerClient> Greeted(GameServer& server, uint32_t compress = 0) {
        auto client = std::make_unique<PeerClient>(DefaultKey(), kCipherOn, compress);
        EXPECT_TRUE(client->Connect(server.port()));
        EXPECT_TRUE(client->SendBytes(StandardGreeting()));
        EXPECT_TRUE(server.WaitForGreeting(kWait));
        return client;
    }
    std::unique_ptr<PeerClient> Greeted() { return Greeted(server_); }

    GameServer server_;
};

TEST_F(GameServerTest, ABadGreetingOrPacketDropsTheClient) {
    PeerClient client(DefaultKey());
    ASSERT_TRUE(client.Connect(server_.port()));
    Bytes greeting = StandardGreeting();
    greeting[5] = 'X';
    ASSERT_TRUE(client.SendBytes(greeting));
    EXPECT_EQ(server_.WaitForGreeting(kWait), greeting);
    EXPECT_TRUE(client.WaitClosed(kWait));
    EXPECT_FALSE(server_.Errors().empty());
    ASSERT_TRUE(server_.WaitForClientGone(kWait));
    auto greeted = Greeted();
    Bytes packet = EncodePacket({kKindRequest, 1, 1, 1, 1, 1}, Filled(10), true);
    packet.back() ^= 1;
    ASSERT_TRUE(greeted->SendBytes(packet));
    EXPECT_TRUE(greeted->WaitClosed(kWait));
    EXPECT_EQ(server_.Errors().back(), "bad packet checksum");
}

TEST_F(GameServerTest, WelcomesAndCompressesWhenTold) {
    ServerOptions options;
    options.compressFlags = kCompressOn;
    options.welcome = {Body{211000, {9}}, Body{211001, {}}};
    GameServer server(options);
    server.SetReply(3, Reply::With(4, Filled(5000)));
    ASSERT_NE(server.Start(), 0);
    auto client = Greeted(server, kCompressOn);
    client->SendMessage(3, Filled(6000), true);
    auto request = server.WaitForRequest(kWait);
    ASSERT_TRUE(request);
    EXPECT_EQ(request->data, Filled(6000));
    for (uint32_t code : {211000u, 211001u, 4u}) {
        auto m = client->Read(kWait);
        ASSERT_TRUE(m) << client->error();
        EXPECT_EQ(m->body.code, code);
    }
}

}  // namespace
}  // namespace gameserver
