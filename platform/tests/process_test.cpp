#include "platform/process.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "platform/tests/temp_dir.h"

namespace platform {
namespace {

using testing::TempDir;

TEST(ProcessTest, RunsWithArgumentsAndNoShell) {
    TempDir dir;
    dir.Write("src.txt", "abc");
    // A shell would expand these; cp must see them as they are.
    const std::string args[] = {dir / "src.txt", dir / "$HOME;*"};
    EXPECT_EQ(RunProcess("cp", args), 0);
    EXPECT_EQ(dir.Read("$HOME;*"), "abc");
}

TEST(ProcessTest, ReportsExitStatusAndFailureToStart) {
    const std::vector<std::string> none;
    EXPECT_EQ(RunProcess("true", none), 0);
    EXPECT_EQ(RunProcess("false", none), 1);
    EXPECT_EQ(RunProcess("/no/such/program", none), std::nullopt);
    EXPECT_FALSE(StartProcess("/no/such/program", none));
}

TEST(ProcessTest, ChildInheritsNoFilesBeyondTheStandardStreams) {
    TempDir dir;
    dir.Write("open.txt", "x");
    const int fd = open((dir / "open.txt").c_str(), O_RDONLY);  // no close-on-exec
    ASSERT_GE(fd, 3);
    const std::string theirs[] = {"-e", "/proc/self/fd/" + std::to_string(fd)};
    EXPECT_EQ(RunProcess("test", theirs), 1);
    const std::string stdio[] = {"-e", "/proc/self/fd/2"};
    EXPECT_EQ(RunProcess("test", stdio), 0);
    close(fd);
}

TEST(ProcessTest, ClientPathsWithBackslashesResolve) {
    const std::string args[] = {"x"};
    EXPECT_EQ(RunProcess("\\BIN\\TRUE", args), 0);
}

TEST(ProcessTest, StartDoesNotWait) {
    const std::string args[] = {"quietly"};
    EXPECT_TRUE(StartProcess("/bin/true", args));
}

struct UrlCase {
    const char* url;
    bool ok;
};

TEST(WebAddressTest, OnlyHttpAndHttpsWithAHost) {
    const UrlCase cases[] = {
        {"http://example.test/notice.html", true},
        {"HTTPS://example.test", true},
        {"https://example.test/a?b=c&d", true},
        {"http://", false},
        {"http:///path", false},
        {"file:///etc/passwd", false},
        {"javascript:alert(1)", false},
        {"-http://x", false},
        {"http://exa mple.test", false},
        {"http://example.test/\n", false},
        {"ftp://example.test", false},
        {"", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(IsWebAddress(c.url), c.ok) << c.url;
    EXPECT_FALSE(OpenUrl("file:///etc/passwd"));
}

}  // namespace
}  // namespace platform
