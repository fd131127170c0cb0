#include "client/notify_handler.h"

#include <gtest/gtest.h>

#include <vector>

#include "client/tests/session_fixture.h"

namespace client {
namespace {

using Bytes = std::vector<uint8_t>;
using Calls = std::vector<std::string>;
using testing::PlayerValues;
using testing::Words;

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
    Calls calls;
};

class NotifyHandlerTest : public testing::SessionFixture {
  protected:
    void SetUp() override {
        SessionFixture::SetUp();
        app_.SetMainFrame(&frame_);
    }

    RecordingFrame frame_;
    CGameNotifyHandler handler_;
};

TEST_F(NotifyHandlerTest, EachNotificationReachesItsTarget) {
    const std::vector<std::pair<uint32_t, uint32_t>> called = {{kSoundCalled, 1}};
    const struct {
        const char* name;
        uint32_t id;
        Bytes data;
        bool chatView;
        Calls calls;
        std::vector<std::pair<uint32_t, uint32_t>> sounds = {};
    } cases[] = {
        {"call for another user", kNoteCall, Words({101, 3, 5, 0, 102, 1}), true, {"chat-call"}},
        {"call for the own user",
         kNoteCall,
         Words({101, 3, 5, 0, 101, 1}),
         true,
         {"chat-call"},
         called},
        {"chat words", kNoteChatWords, Words({1}), true, {"chat-words"}},
        {"chat words, no chat view", kNoteChatWords, Words({1}), false, {}},
        {"unknown looker left", kNoteLookerLeft, Words({999}), true, {}},
        {"looker left", kNoteLookerLeft, Words({201}), true, {"chat-left 201", "remove 201"}},
        {"player values", kNotePlayerValues, PlayerValues({102, 555}), true, {"values"}},
        {"player quit", kNotePlayerQuit, {}, true, {"clear-close", "refresh"}},
    };
    ASSERT_TRUE(Connect());
    for (const auto& c : cases) {
        frame_.calls.clear();
        frame_.chat = c.chatView;
        app_.sounds.clear();
        EXPECT_TRUE(handler_.Dispatch(c.id, c.data)) << c.name;
        EXPECT_EQ(frame_.calls, c.calls) << c.name;
        EXPECT_EQ(app_.sounds, c.sounds) << c.name;
    }
    // The known player's values, the level title cut inside its field.
    const PlayerRecord* p = app_.FindPlayer(102);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(std::tie(p->score, p->silver, p->word21, p->levelTitle),
              std::make_tuple(602, 1002, 7u, "0123456789ABCDE"));
    // The quitting player's notice ends the connection.
    EXPECT_FALSE(app_.session.IsAlive());
}

TEST_F(NotifyHandlerTest, UnknownIdsAndShortPayloadsChangeNothing) {
    Bytes cut = PlayerValues({102, 103});
    cut.pop_back();
    Bytes overCounted = cut;
    platform::StoreLE32(overCounted.data(), 0xFFFFFFFF);
    const std::pair<uint32_t, Bytes> cases[] = {
        {211100, {}},
        {kNotePlayerValues, {}},
        {kNotePlayerValues, Bytes(3)},
        {kNotePlayerValues, cut},  // the count promises more than the data holds
        {kNotePlayerValues, overCounted},
        {kNoteCall, Bytes(19)},
        {kNote211025, Bytes(3)},
        {kNoteLookerLeft, {}},
        {kNoteSilverShort, Bytes(3)},
        {kNoteScoreShort, {}},
        {kNoteScoreOverLimit, Bytes(2)},
    };
    for (const auto& [id, data] : cases)
        EXPECT_FALSE(handler_.Dispatch(id, data)) << id << " " << data.size();
    EXPECT_EQ(app_.FindPlayer(102)->score, -5);
    EXPECT_TRUE(frame_.calls.empty());
    EXPECT_TRUE(app_.sounds.empty());
}

}  // namespace
}  // namespace client
