#include "engine/error_box.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>

namespace engine {
namespace {

std::string g_text, g_title;

void Capture(std::string_view text, std::string_view title) {
    g_text = text;
    g_title = title;
}

TEST(ErrorBoxTest, TextCarriesTheSystemMessage) {
    EXPECT_EQ(LastErrorText("打开文件", ENOENT),
              std::string("打开文件 由于以下错误而失败: ") + "No such file or directory");
    EXPECT_EQ(LastErrorText("x", 0), std::string("x 由于以下错误而失败: "));
}

TEST(ErrorBoxTest, ShowLastErrorUsesErrnoAndTheInstalledBox) {
    SetErrorBoxFunction(&Capture);
    errno = EACCES;
    ShowLastError("载入");
    SetErrorBoxFunction(nullptr);
    EXPECT_EQ(g_text, LastErrorText("载入", EACCES));
    EXPECT_EQ(g_title, "错误");
}

}  // namespace
}  // namespace engine
