#include "platform/process.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "platform/tests/temp_dir.h"

namespace platform {
namespace {

using Args = std::vector<std::string>;

TEST(ProcessTest, RunsWithoutAShellReportingStatusAndFailureToStart) {
    testing::TempDir dir;
    dir.Write("src.txt", "abc");
    // A shell would expand these; cp must see them as they are.
    EXPECT_EQ(RunProcess("cp", Args{dir / "src.txt", dir / "$HOME;*"}), 0);
    EXPECT_EQ(dir.Read("$HOME;*"), "abc");
    EXPECT_EQ(RunProcess("false", Args{}), 1);
    EXPECT_EQ(RunProcess("\\BIN\\TRUE", Args{"x"}), 0);  // a client path
    EXPECT_EQ(RunProcess("/no/such/program", Args{}), std::nullopt);
    EXPECT_FALSE(StartProcess("/no/such/program", Args{}));
    EXPECT_TRUE(StartProcess("/bin/true", Args{"quietly"}));
    // The child inherits no files beyond the standard streams.
    const int fd = open((dir / "src.txt").c_str(), O_RDONLY);  // no close-on-exec
    ASSERT_GE(fd, 3);
    EXPECT_EQ(RunProcess("test", Args{"-e", "/proc/self/fd/" + std::to_string(fd)}), 1);
    EXPECT_EQ(RunProcess("test", Args{"-e", "/proc/self/fd/2"}), 0);
    close(fd);
}

TEST(WebAddressTest, OnlyHttpAndHttpsWithAHost) {
    for (const char* url : {"http://example.test/notice.html", "HTTPS://example.test",
                            "https://example.test/a?b=c&d"})
        EXPECT_TRUE(IsWebAddress(url)) << url;
    for (const char* url :
         {"http://", "http:///path", "file:///etc/passwd", "javascript:alert(1)", "-http://x",
          "http://exa mple.test", "http://example.test/\n", "ftp://example.test", ""})
        EXPECT_FALSE(IsWebAddress(url)) << url;
    EXPECT_FALSE(OpenUrl("file:///etc/passwd"));
}

}  // namespace
}  // namespace platform
