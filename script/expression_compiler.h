#pragma once
// Turns one expression into flat statements (shunting-yard): operands are
// handed out with "传出", operators applied with "运算", calls made with
// "函数", and intermediate results bound to the temporaries 缓存0..缓存4.

#include <string>
#include <string_view>

namespace script {

struct CompiledExpression {
    bool ok = false;
    std::string text;   // the statements, each indented and ending in ";\r\n"
    std::string error;  // why it failed
    // Parentheses that did not pair up: reported, and the expression
    // compiled on ('(' left open closes at the end, a stray ')' is dropped).
    bool bracketMismatch = false;
};

// The fixed sizes of the compiler's stacks; an expression that needs more is
// refused as too complex.
inline constexpr size_t kOperatorStackSize = 40;
inline constexpr size_t kOutputSize = 60;
inline constexpr size_t kOperandStackSize = 60;
inline constexpr int kTempCount = 5;

// `expression` runs up to its first ';' outside quotes (or the end).
CompiledExpression CompileExpression(std::string_view expression);

// One compiled line: 7 blanks, the statement, ";\r\n".
void AppendLine(std::string& out, std::string_view statement);

// Whether `word` is one of the words passed through alone.
bool IsPassThroughWord(std::string_view word);

}  // namespace script
