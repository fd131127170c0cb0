// Compiled arithmetic against an independent evaluator: random expression
// trees are printed with only the parentheses their precedence needs, run
// as scripts, and compared with the tree's own value.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <random>

#include "script/tests/test_host.h"

namespace script {
namespace {

using test_support::TestInterpreter;

struct Node {
    char op = 0;  // 0 a number, 'u' unary minus, else a binary operator
    int32_t value = 0;
    std::unique_ptr<Node> left, right;
};

int Level(char op) {
    return op == '*' ? 10 : 5;
}

std::unique_ptr<Node> Generate(std::mt19937& rng, int depth) {
    auto node = std::make_unique<Node>();
    int kind = depth == 0 ? 0 : static_cast<int>(rng() % 6);
    if (kind <= 1) {
        node->value = static_cast<int32_t>(rng() % 20);
    } else if (kind == 2) {
        node->op = 'u';
        node->left = Generate(rng, depth - 1);
    } else {
        node->op = "+-*"[kind - 3];
        node->left = Generate(rng, depth - 1);
        node->right = Generate(rng, depth - 1);
    }
    return node;
}

int32_t Evaluate(const Node& n) {
    auto wrap = [](int64_t v) { return static_cast<int32_t>(static_cast<uint32_t>(v)); };
    switch (n.op) {
        case 0:
            return n.value;
        case 'u':
            return wrap(-int64_t(Evaluate(*n.left)));
        case '+':
            return wrap(int64_t(Evaluate(*n.left)) + Evaluate(*n.right));
        case '-':
            return wrap(int64_t(Evaluate(*n.left)) - Evaluate(*n.right));
        default:
            return wrap(int64_t(Evaluate(*n.left)) * Evaluate(*n.right));
    }
}

// Prints `n` so that the script's precedence and left associativity give the
// tree back, with a redundant pair of parentheses now and then.
std::string Print(const Node& n, std::mt19937& rng) {
    auto wrapIf = [&](const Node& child, bool needed) {
        std::string text = Print(child, rng);
        return needed || rng() % 7 == 0 ? "(" + text + ")" : text;
    };
    if (n.op == 0) return std::to_string(n.value);
    if (n.op == 'u') return "-" + wrapIf(*n.left, n.left->op != 0 && n.left->op != 'u');
    bool leftNeeds = n.left->op != 0 && n.left->op != 'u' && Level(n.left->op) < Level(n.op);
    bool rightNeeds = n.right->op != 0 && n.right->op != 'u' && Level(n.right->op) <= Level(n.op);
    return wrapIf(*n.left, leftNeeds) + " " + n.op + " " + wrapIf(*n.right, rightNeeds);
}

TEST(OracleTest, RandomArithmeticMatchesTheEvaluator) {
    std::mt19937 rng(20261206);
    int compared = 0;
    for (int i = 0; i < 400; ++i) {
        std::unique_ptr<Node> tree = Generate(rng, 3);
        std::string expression = Print(*tree, rng);
        TestInterpreter t;
        int status = t.RunMain("r = " + expression + "; record(r);");
        if (!t.host.logs.empty()) continue;  // too many live values for the compiler's stacks
        ASSERT_EQ(status, kStatusEnded) << expression;
        ASSERT_EQ(t.commands.records.size(), 1u) << expression;
        EXPECT_EQ(t.commands.records[0], std::to_string(Evaluate(*tree))) << expression;
        ++compared;
    }
    EXPECT_GT(compared, 350);
}

TEST(ContextTest, SplitAndJoinHandedValues) {
    ScriptContext c;
    c.SplitArgs(" a , \"b, c\",, d ,");
    ASSERT_EQ(c.ArgCount(), 4u);
    EXPECT_EQ(c.GetArg(0).Text(), "a");
    EXPECT_EQ(c.GetArg(1).Text(), "\"b, c\"");
    EXPECT_EQ(c.GetArg(2).Text(), "");
    EXPECT_EQ(c.GetArg(3).Text(), "d");
    EXPECT_EQ(c.GetArg(1).Type(), ScriptValue::kString);
    EXPECT_EQ(c.GetArg(9).Type(), ScriptValue::kEmpty);
    EXPECT_EQ(c.JoinArgs(), "a,\"b, c\",,d");
    EXPECT_EQ(c.PopValue().Text(), "d");
    c.ClearArgs();
    c.SplitArgs("");
    EXPECT_EQ(c.ArgCount(), 0u);
    EXPECT_EQ(c.PopValue().Type(), ScriptValue::kEmpty);
}

}  // namespace
}  // namespace script
