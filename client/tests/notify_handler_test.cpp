#include "client/notify_handler.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "client/tests/session_fixture.h"
#include "platform/message_queue.h"

namespace client {
namespace {

using Bytes = std::vector<uint8_t>;

class RecordingFrame : public GameFrameAccess {
  public:
    platform::HWND Handle() const override { return {}; }
    void RefreshTable() override { calls.push_back("refresh"); }
    void ClearClosePending() override { calls.push_back("clear-close"); }
    bool HasChatView() const override { return chat; }
    void ChatWords(std::span<const uint8_t>) override { calls.push_back("chat-words"); }
    void ChatCall(std::span<const uint8_t>) override { calls.push_back("chat-call"); }
    void ChatLookerLeft(const PlayerRecord& p) override {
        calls.push_back("chat-left " + std::to_string(p.userId));
    }
    void RefreshPlayerValues(std::span<const uint8_t>) override { calls.push_back("values"); }
    void RemovePlayerRow(uint32_t id) override { calls.push_back("remove " + std::to_string(id)); }

    bool chat = true;
    std::vector<std::string> calls;
};

class SoundApp : public testing::SessionApp {
  public:
    void PlaySound(uint32_t id, uint32_t flags) override {
        sounds.push_back(id);
        EXPECT_EQ(flags, 1u);
    }
    std::vector<uint32_t> sounds;
};

class NotifyHandlerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        setenv("QEVO_HALL_DIR", dir_.path().c_str(), 1);
        app_.SetCommandLine(testing::LaunchFor(1));
        ASSERT_TRUE(app_.ParseLaunchLine());
        ASSERT_TRUE(app_.SetTableState(testing::MakeState(4, 1)));
        app_.SetMainFrame(&frame_);
    }
    void TearDown() override { unsetenv("QEVO_HALL_DIR"); }

    platform::testing::TempDir dir_;
    SoundApp app_;
    RecordingFrame frame_;
    CGameNotifyHandler handler_;
};

Bytes PlayerValues(std::initializer_list<uint32_t> ids) {
    Bytes out(4 + ids.size() * kPlayerValuesRecordSize);
    platform::StoreLE32(out.data(), uint32_t(ids.size()));
    size_t i = 0;
    for (uint32_t id : ids) {
        uint8_t* r = out.data() + 4 + i++ * kPlayerValuesRecordSize;
        platform::StoreLE32(r + 16, id);
        platform::StoreLE32(r + 24, 500 + id);  // score
        platform::StoreLE32(r + 28, 900 + id);  // silver
        platform::StoreLE32(r + 32, 7);
        std::memcpy(r + 36, "0123456789ABCDEFGH", 16);  // no NUL inside the field
    }
    return out;
}

TEST_F(NotifyHandlerTest, UnknownIdDoesNothing) {
    EXPECT_FALSE(handler_.Dispatch(211100, {}));
    EXPECT_TRUE(frame_.calls.empty());
}

TEST_F(NotifyHandlerTest, PlayerValuesUpdateKnownPlayersAndRefreshTheList) {
    const Bytes data = PlayerValues({102, 555});
    ASSERT_TRUE(handler_.Dispatch(kNotePlayerValues, data));
    const PlayerRecord* p = app_.FindPlayer(102);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->score, 602);
    EXPECT_EQ(p->silver, 1002);
    EXPECT_EQ(p->word21, 7u);
    EXPECT_EQ(p->levelTitle, "0123456789ABCDE");  // cut inside its field
    EXPECT_EQ(frame_.calls, std::vector<std::string>{"values"});
}

TEST_F(NotifyHandlerTest, ShortPayloadsAreRefused) {
    struct Case {
        uint32_t id;
        size_t size;
    } cases[] = {{kNotePlayerValues, 0}, {kNotePlayerValues, 3},  {kNoteCall, 19},
                 {kNote211025, 3},       {kNoteLookerLeft, 0},    {kNoteSilverShort, 3},
                 {kNoteScoreShort, 0},   {kNoteScoreOverLimit, 2}};
    for (auto& c : cases) {
        const Bytes data(c.size, 0x11);
        EXPECT_FALSE(handler_.Dispatch(c.id, data)) << c.id << " " << c.size;
    }
    // A count that promises more records than the data holds.
    Bytes values = PlayerValues({102, 103});
    values.resize(values.size() - 1);
    EXPECT_FALSE(handler_.Dispatch(kNotePlayerValues, values));
    platform::StoreLE32(values.data(), 0xFFFFFFFF);
    EXPECT_FALSE(handler_.Dispatch(kNotePlayerValues, values));
    EXPECT_EQ(app_.FindPlayer(102)->score, -5);
    EXPECT_TRUE(frame_.calls.empty());
    EXPECT_TRUE(app_.sounds.empty());
}

TEST_F(NotifyHandlerTest, CallPlaysTheSoundOnlyForTheOwnUser) {
    Bytes data = testing::Words({101, 3, 5, 0, 102, 1});
    ASSERT_TRUE(handler_.Dispatch(kNoteCall, data));
    EXPECT_TRUE(app_.sounds.empty());
    platform::StoreLE32(&data[16], 101);
    ASSERT_TRUE(handler_.Dispatch(kNoteCall, data));
    EXPECT_EQ(app_.sounds, std::vector<uint32_t>{kSoundCalled});
    EXPECT_EQ(frame_.calls, (std::vector<std::string>{"chat-call", "chat-call"}));
}

TEST_F(NotifyHandlerTest, ChatWordsNeedAChatView) {
    ASSERT_TRUE(handler_.Dispatch(kNoteChatWords, testing::Words({1})));
    frame_.chat = false;
    ASSERT_TRUE(handler_.Dispatch(kNoteChatWords, testing::Words({1})));
    EXPECT_EQ(frame_.calls, std::vector<std::string>{"chat-words"});
}

TEST_F(NotifyHandlerTest, LookerLeftForKnownUsersOnly) {
    ASSERT_TRUE(handler_.Dispatch(kNoteLookerLeft, testing::Words({999})));
    EXPECT_TRUE(frame_.calls.empty());
    ASSERT_TRUE(handler_.Dispatch(kNoteLookerLeft, testing::Words({201})));
    EXPECT_EQ(frame_.calls, (std::vector<std::string>{"chat-left 201", "remove 201"}));
}

TEST_F(NotifyHandlerTest, PlayerQuitClearsTheCloseFlagAndDisconnects) {
    ASSERT_TRUE(handler_.Dispatch(kNotePlayerQuit, {}));
    EXPECT_EQ(frame_.calls, (std::vector<std::string>{"clear-close", "refresh"}));
    EXPECT_FALSE(app_.session.IsAlive());
}

// The game layer's way: handle its own ids, pass the rest on.
class GameHandler : public CGameNotifyHandler {
  public:
    bool Dispatch(uint32_t id, Data data) override {
        if (id == 300001) {
            ++own;
            return true;
        }
        return CGameNotifyHandler::Dispatch(id, data);
    }
    bool OnLookerLeft(Data) override {
        ++lookerLeft;
        return true;
    }
    int own = 0, lookerLeft = 0;
};

TEST_F(NotifyHandlerTest, DerivedHandlersReplaceSlots) {
    GameHandler handler;
    EXPECT_TRUE(handler.Dispatch(300001, {}));
    EXPECT_TRUE(handler.Dispatch(kNoteLookerLeft, {}));
    EXPECT_EQ(handler.own, 1);
    EXPECT_EQ(handler.lookerLeft, 1);
}

}  // namespace
}  // namespace client
