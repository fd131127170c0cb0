#include "engine/error_box.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>

namespace engine {
namespace {

std::string g_text, g_title;

TEST(ErrorBoxTest, TheTextCarriesTheSystemMessageIntoTheInstalledBox) {
    EXPECT_EQ(LastErrorText("x", 0), "x 由于以下错误而失败: ");
    SetErrorBoxFunction([](std::string_view text, std::string_view title) {
        g_text = text;
        g_title = title;
    });
    errno = ENOENT;
    ShowLastError("打开文件");
    SetErrorBoxFunction(nullptr);
    EXPECT_EQ(g_text, std::string("打开文件 由于以下错误而失败: ") + "No such file or directory");
    EXPECT_EQ(g_title, "错误");
}

}  // namespace
}  // namespace engine
