#pragma once
// An application with a session, a table data block and a held table state,
// connected to an in-process scripted game server over loopback.

#include <stdlib.h>

#include <array>
#include <chrono>
#include <string>

#include "client/game_app.h"
#include "client/game_session.h"
#include "client/tests/hall_test_data.h"
#include "platform/bytes.h"
#include "platform/tests/temp_dir.h"
#include "tools/gameserver/server.h"

namespace client::testing {

inline constexpr std::chrono::milliseconds kWait{5000};  // a safety net only

class SessionApp : public CGameApp {
  public:
    SessionApp() : CGameApp("Qevo", 31201, 14, 0), session(kSessionKey.data(), 128, 0x100, 0) {}
    CGameSession* GetConnection() override { return &session; }
    std::span<uint8_t> GetTableData() override { return table; }
    uint32_t IsQuickCatch() override { return 1; }

    CGameSession session;
    std::array<uint8_t, 64> table{};
};

inline std::string LaunchFor(uint16_t port, uint32_t userId = 101, int chair = 0, int looker = 0) {
    return "\"7|127.0.0.1|3|424242|9|" + std::to_string(userId) + "|5|" + std::to_string(chair) +
           "|" + std::to_string(looker) + "|0|Caption|" + std::to_string(port) + "\"";
}

// The road tests' launch line: game 7, room 3, user 101, table 5, the local server.
inline LaunchLine RoadLaunchLine(uint16_t port, uint32_t hallWindow, int chair) {
    LaunchLine line;
    line.gameId = 7;
    line.serverHost = "127.0.0.1";
    line.roomId = 3;
    line.hallWindow = hallWindow;
    line.userId = 101;
    line.tableNo = 5;
    line.chair = chair;
    line.serverPort = port;
    return line;
}

inline gameserver::Bytes Words(std::initializer_list<uint32_t> words) {
    gameserver::Bytes out(words.size() * 4);
    size_t i = 0;
    for (uint32_t w : words)
        platform::StoreLE32(&out[4 * i++], w);
    return out;
}

class SessionFixture : public ::testing::Test {
  protected:
    void SetUp() override {
        setenv("QEVO_HALL_DIR", dir_.path().c_str(), 1);
        setenv("QEVO_SYSTEM_DIR", dir_.path().c_str(), 1);
        ASSERT_NE(server_.Start(), 0);
        app_.SetCommandLine(LaunchFor(server_.port()));
        ASSERT_TRUE(app_.ParseLaunchLine());
        auto state = MakeState(4, 1);
        state.room.options = 0x4004;
        state.room.word73 = 73;
        state.room.word74 = 74;
        state.room.words76to79 = {76, 77, 78, 79};
        ASSERT_TRUE(app_.SetTableState(state));
    }
    void TearDown() override {
        app_.session.Close();
        unsetenv("QEVO_HALL_DIR");
        unsetenv("QEVO_SYSTEM_DIR");
    }
    bool Connect() {
        app_.session.InitCipherKey();
        int proxyFailed = 0;
        return app_.session.Connect("", "127.0.0.1", server_.port(), &proxyFailed) &&
               server_.WaitForGreeting(kWait).has_value();
    }

    platform::testing::TempDir dir_;
    gameserver::GameServer server_;
    SessionApp app_;
};

}  // namespace client::testing
