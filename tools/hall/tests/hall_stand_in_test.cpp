#include "tools/hall/hall_stand_in.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>

#include "client/hall_tables.h"
#include "platform/message_queue.h"
#include "platform/tests/temp_dir.h"
#include "platform/window.h"
#include "tools/hall/hall_wire.h"

namespace hall {
namespace {

using platform::COPYDATASTRUCT;
using platform::DWORD_PTR;
using platform::LRESULT;
using platform::Message;

// Every field set, the hall window below INT_MAX.
client::LaunchLine SampleLine() {
    // gameId, host, room, hall window, field 4, user, table, chair, looker, caption, port
    return client::LaunchLine{3, "127.0.0.1", 12, 4660, 9, 777, 5, 2, 0, "雀", 31201};
}

TEST(BuildLaunchLine, KnownTextThatTheClientReadsBack) {
    auto line = SampleLine();
    EXPECT_EQ(BuildLaunchLine(line), "\"3|127.0.0.1|12|4660|9|777|5|2|0|0|雀|31201\"");
    for (int32_t chair : {-1, 0, 3}) {
        line.chair = chair;
        line.lookerFlag = chair < 0 ? 1 : 0;
        line.hallWindow = 0xFFFFFFF0u;  // above INT_MAX: travels as a negative %d
        EXPECT_EQ(client::ParseLaunchLine(BuildLaunchLine(line), 1), line) << chair;
        // The table state passes the client's checks, seated and watching.
        const auto state = MakeTableState(line, 4, 3);
        client::HallTables tables;
        EXPECT_TRUE(tables.SetTableState(
            state, {line.userId, line.tableNo, line.chair, line.lookerFlag, line.hallWindow}));
        EXPECT_EQ(state.seated.size(), 4u);
        EXPECT_EQ(state.lookers.size(), 3u + line.lookerFlag);
    }
}

// The stand-in's codec against the client's, whose offsets the client's own
// tests pin byte for byte: a field at a wrong offset here fails the match.
TEST(HallWire, TheStandInsCodecMatchesTheClients) {
    client::PlayerRecord player;
    player.userId = 0x01020304;
    player.flags = 0x1000;
    player.userName = "ab";
    player.nickname = "n";
    player.portrait = 5;
    player.silver = -2;
    player.word21 = 7;
    player.levelTitle = std::string(20, 't');  // cut to its field, NUL kept
    player.score = -3;
    player.chair = 2;
    player.lookerFlag = 1;
    player.friendFlag = 8;
    player.unwelcomeFlag = 9;
    player.knownFlag = 10;
    const auto playerBytes = EncodePlayer(player);
    EXPECT_EQ(playerBytes, player.Encode());
    ASSERT_EQ(playerBytes.size(), 320u);
    EXPECT_EQ(client::PlayerRecord::Decode(std::span(playerBytes).first<320>()).levelTitle,
              std::string(15, 't'));
    // Texts too long for their fields are cut between characters by both.
    client::PlayerRecord wide = player;
    wide.userName = "";
    for (int i = 0; i < 16; ++i)
        wide.userName += "字";
    wide.levelTitle = wide.userName.substr(0, 16);
    const auto wideBytes = EncodePlayer(wide);
    EXPECT_EQ(wideBytes, wide.Encode());
    const auto cut = client::PlayerRecord::Decode(std::span(wideBytes).first<320>());
    EXPECT_EQ(cut.userName, wide.userName.substr(0, 30));
    EXPECT_EQ(cut.levelTitle, wide.userName.substr(0, 14));

    client::HallTableState state;
    state.room.noticeFileNumber = 12;
    state.room.options = 0x4004;
    state.room.zoneName = "z";
    state.room.advertHost = "a";
    state.room.noticeHost = "h";
    state.room.roomName = "r";
    state.room.noticePeriod = 600;
    state.room.word73 = 73;
    state.room.word74 = 74;
    state.room.words76to79 = {76, 77, 78, 79};
    state.seated = {player};
    const auto stateBytes = EncodeTableState(state);
    EXPECT_EQ(stateBytes, state.Encode());
    auto decoded = client::HallTableState::Decode(stateBytes);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(EncodeTableState(*decoded), stateBytes);

    EXPECT_EQ(EncodePlayerLeft({0x1234, 9, 5, -1}),
              (client::PlayerLeftRecord{0x1234, 9, 5, -1}).Encode());
    const client::HallReport report{1, 2, 3, 4, 5, 6, 7, 8, 9};
    EXPECT_EQ(DecodeReport(report.Encode()), report);
    EXPECT_FALSE(DecodeReport(std::vector<uint8_t>(187)));

    // Both ciphers agree, and the client reads what the stand-in sends.
    EXPECT_EQ(EncryptForClient(stateBytes), client::HallDataEncrypt(stateBytes));
    auto read = client::ReadHallCopyData(client::kCopyTableState, EncryptForClient(stateBytes));
    ASSERT_EQ(read.kind, client::HallCopyData::Kind::kTableState) << read.error;
    EXPECT_EQ(read.tableState.seated.at(0).userName, "ab");
}

// A client in this process: a window whose WM_COPYDATA handler decodes the
// hall's records, as the main frame would.
class FakeClient : public platform::Window {
  public:
    ~FakeClient() override { Destroy(); }
    std::vector<client::HallCopyData> got;

  protected:
    LRESULT WindowProc(Message& msg) override {
        if (msg.message != platform::WM_COPYDATA) return platform::DefWindowProc(msg);
        const auto* cds = reinterpret_cast<const COPYDATASTRUCT*>(msg.lParam);
        const auto* p = static_cast<const uint8_t*>(cds->lpData);
        got.push_back(client::ReadHallCopyData(cds->dwData, {p, cds->cbData}));
        return 1;
    }
};

class HallStandInTest : public ::testing::Test {
  protected:
    platform::testing::TempDir dir_;
};

// Serves this thread's messages until `done` holds; false when nothing
// arrives for 10 s (a safety net against a hang, not a timing).
template <class Done>
bool PumpUntil(Done done) {
    while (!done()) {
        if (platform::MsgWaitForMultipleObjects({}, 10000) == platform::WAIT_TIMEOUT) return false;
        Message m;
        while (platform::PeekMessage(m, {}, 0, 0, platform::PM_REMOVE))
            platform::DispatchMessage(m);
    }
    return true;
}

TEST_F(HallStandInTest, ServesAClientFromMainWindowToReport) {
    const auto line = SampleLine();
    HallStandIn hall(line, dir_ / "hall.sock");
    hall.TableState() = MakeTableState(line, 4, 2);
    ASSERT_TRUE(hall.Open());

    FakeClient frame;
    ASSERT_TRUE(frame.Create());
    platform::HallLink link(line.hallWindow, hall.Path());
    link.SetTarget(frame.Handle());
    ASSERT_TRUE(link.IsWindow());

    // 0x9105 names the main window; the table state follows by itself.
    DWORD_PTR result = 0;
    ASSERT_EQ(link.SendMessageTimeout(
                  client::kHallMsgMainWindow, platform::ToWParam(frame.Handle()),
                  platform::LPARAM(line.tableNo), platform::SMTO_NORMAL, 5000, &result),
              1);
    ASSERT_TRUE(PumpUntil([&] { return frame.got.size() == 1; }));
    ASSERT_EQ(frame.got[0].kind, client::HallCopyData::Kind::kTableState) << frame.got[0].error;
    client::HallTables tables;
    EXPECT_TRUE(tables.SetTableState(frame.got[0].tableState, {777, 5, 2, 0, 4660}));
    EXPECT_EQ(tables.Room().zoneName, "测试区");
    EXPECT_EQ(hall.ClientWindow(), frame.Handle().value);

    // Looker, player-left and player-card records, each handled in turn, and
    // raw bytes that the client refuses.
    client::PlayerRecord looker;
    looker.userId = 3001;
    looker.lookerFlag = 1;
    bool sent = false;
    platform::Thread sender;
    sender.Start([&] {
        sent = hall.SendLooker(looker) && hall.SendPlayerLeft(1000, 1) &&
               hall.SendPlayerCard(looker) &&
               hall.SendRaw(client::kCopyTableState, std::vector<uint8_t>(33, 1));
    });
    ASSERT_TRUE(PumpUntil([&] { return frame.got.size() == 5; }));
    sender.Join();
    EXPECT_TRUE(sent);
    EXPECT_EQ(frame.got[1].kind, client::HallCopyData::Kind::kLookerJoined);
    EXPECT_EQ(frame.got[1].player.userId, 3001u);
    ASSERT_EQ(frame.got[2].kind, client::HallCopyData::Kind::kPlayerLeft);
    EXPECT_TRUE(client::HallTables::ConcernsOwnTable(frame.got[2].left, {777, 5, 2, 0, 4660}));
    EXPECT_EQ(frame.got[2].left.userId, 1000u);
    EXPECT_EQ(frame.got[3].kind, client::HallCopyData::Kind::kPlayerCard);
    EXPECT_EQ(frame.got[4].kind, client::HallCopyData::Kind::kRefused);

    // The client's report and a post are recorded.
    const client::HallReport report{.code = uint32_t(frame.Handle().value),
                                    .userId = 777,
                                    .tableNo = 5,
                                    .chair = 2,
                                    .connectionLost = 9};
    const auto bytes = report.Encode();
    COPYDATASTRUCT cds{report.CopyDataType(), platform::DWORD(bytes.size()), bytes.data()};
    EXPECT_EQ(link.SendCopyData(report.code, cds, platform::SMTO_NORMAL, 5000, &result), 1);
    EXPECT_TRUE(link.PostMessage(client::kHallMsgPlayerRow, frame.Handle().value, 1000));
    ASSERT_TRUE(hall.WaitForEvents(3, 10000));
    const auto events = hall.Events();
    EXPECT_EQ(events[0].kind, HallEvent::Kind::kMainWindow);
    EXPECT_EQ(events[0].lParam, 5u);
    EXPECT_EQ(events[1].kind, HallEvent::Kind::kReport);
    EXPECT_EQ(events[1].dwData, 5u);
    ASSERT_TRUE(events[1].report);
    EXPECT_EQ(*events[1].report, report);
    EXPECT_EQ(events[2].kind, HallEvent::Kind::kPost);
    EXPECT_EQ(events[2].message, client::kHallMsgPlayerRow);
    EXPECT_EQ(events[2].lParam, 1000u);

    // Gone on command.
    hall.Vanish();
    EXPECT_FALSE(link.IsWindow());
    EXPECT_FALSE(hall.SendTableState());
}

TEST_F(HallStandInTest, TheProgramRunsAScriptAndPrintsWhatTheClientSaid) {
    dir_.Write("script.txt", "# the client names its window and reports\nwait 2 10000\nnonsense\n");
    const std::string window = std::to_string(getpid());
    const std::string command = "QEVO_HALL_DIR='" + dir_.path() + "' '" + QEVO_HALL_PROGRAM +
                                "' --program '" + QEVO_HALL_FAKE_CLIENT + "' --window " + window +
                                " --user 55 --table 3 --chair 1 --game 9 < '" +
                                dir_ / "script.txt" + "' > '" + dir_ / "out.txt" + "'";
    EXPECT_EQ(std::system(command.c_str()), 0);
    const std::string text = dir_.Read("out.txt");
    for (const std::string& line :
         {"endpoint " + dir_.path() + "qevo-hall-" + window + ".sock", std::string("main-window "),
          std::string(" table 3\n"), std::string("report type 2 code "),
          std::string("user 55 table 3 chair 1 looker 0 lost 0 game 9"), std::string("ok wait"),
          std::string("failed nonsense"), std::string("exit 0")})
        EXPECT_NE(text.find(line), std::string::npos) << line << " in:\n" << text;
}

}  // namespace
}  // namespace hall
