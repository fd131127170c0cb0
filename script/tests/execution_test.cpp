#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "script/messages.h"
#include "script/tests/test_host.h"

namespace script {
namespace {

using test_support::TestInterpreter;
using ::testing::ElementsAre;

TEST(ExecutionTest, Smoke) {
    TestInterpreter t;
    EXPECT_EQ(t.RunMain("x = 1 + 2; record(x);"), kStatusEnded);
    EXPECT_EQ(t.commands.records, std::vector<std::string>{"3"});
    EXPECT_TRUE(t.host.notices.empty());
}

}  // namespace
}  // namespace script
