#include "tools/gameserver/script.h"

#include <gtest/gtest.h>

namespace gameserver {
namespace {

TEST(ScriptTest, ReadsEveryRule) {
    Script script;
    std::string error;
    ASSERT_TRUE(
        ParseScript("# version check\n"
                    "reply 201001 0 0e000000 00000000\n"
                    "reply 200110 200500 delay=250 ab\n"
                    "silent 201130\n"
                    "default 10000\n"
                    "notify 211000 0102\n",
                    script, error))
        << error;
    ASSERT_EQ(script.replies.size(), 3u);
    EXPECT_EQ(script.replies[201001].result, 0u);
    EXPECT_EQ(script.replies[201001].data, (Bytes{14, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(script.replies[200110].delay, std::chrono::milliseconds(250));
    EXPECT_EQ(script.replies[200110].data, (Bytes{0xab}));
    EXPECT_FALSE(script.replies[201130].answer);
    ASSERT_TRUE(script.defaultReply);
    EXPECT_EQ(script.defaultReply->result, 10000u);
    ASSERT_EQ(script.welcome.size(), 1u);
    EXPECT_EQ(script.welcome[0].code, 211000u);
    EXPECT_EQ(script.welcome[0].data, (Bytes{1, 2}));
}

TEST(ScriptTest, NamesTheBadLine) {
    const char* bad[] = {"reply x 0\n", "reply 1\n",           "reply 1 2 abc\n",
                         "bogus 1\n",   "reply 1 2 delay=z\n", "\n\nnotify 1 zz\n"};
    for (const char* text : bad) {
        Script script;
        std::string error;
        EXPECT_FALSE(ParseScript(text, script, error)) << text;
        EXPECT_EQ(error.rfind("line ", 0), 0u) << text;
    }
}

}  // namespace
}  // namespace gameserver
