#include "script/expression_compiler.h"

#include <vector>

#include "script/keywords.h"
#include "script/messages.h"
#include "script/readers.h"
#include "script/text_scan.h"

namespace script {
namespace {

enum class Kind { kOperand, kOperator, kFunction, kPassThrough, kOpen, kClose, kComma, kEnd };

struct Token {
    Kind kind = Kind::kEnd;
    std::string text;
    int arity = 0;  // operands -1, punctuation 0, operators 2, calls their argument count
    int level = 0;
};

// Operator levels; a unary minus binds tighter than any binary operator (so
// a * -3 is a * (0 - 3)) but looser than a call.
constexpr int kUnaryLevel = 14;
constexpr int kFunctionLevel = 15;

int BinaryLevel(std::string_view op) {
    if (op == "&&" || op == "||") return 2;
    if (op == "&" || op == "|") return 3;
    if (op == "+" || op == "-") return 5;
    if (op == "*" || op == "/" || op == "%") return 10;
    return 4;  // comparisons
}

bool IsOperatorByte(char c) {
    return c == '+' || c == '-' || c == '*' || c == '/' || c == '%' || c == '&' || c == '|' ||
           c == '>' || c == '<';
}

bool EndsWord(char c) {
    return IsOperatorByte(c) || c == '=' || c == '!' || c == '(' || c == ')' || IsBlank(c) ||
           c == ',' || c == ';';
}

class Compiler {
  public:
    explicit Compiler(std::string_view source) : source_(source) {}

    CompiledExpression Run() {
        CompiledExpression result;
        result.ok = Parse() && Emit();
        result.bracketMismatch = bracketMismatch_;
        if (result.ok)
            result.text = std::move(text_);
        else
            result.error = error_.empty() ? std::string(source_) : error_;
        return result;
    }

  private:
    bool Fail(std::string message) {
        if (error_.empty()) error_ = std::move(message);
        return false;
    }
    // The expression itself is the message: what is wrong with it is plain.
    bool Bad() { return Fail(std::string(source_)); }
    bool TooBig() { return Fail(msg::FormatMessage(msg::kExpressionTooBig, {source_})); }

    // Reads the token at pos_; false when no token can be read.
    bool NextToken(Token& token) {
        pos_ = SkipBlanks(source_, pos_);
        token = Token{};
        if (pos_ >= source_.size()) return true;  // kEnd
        std::string_view rest = source_.substr(pos_);
        static constexpr std::string_view kTwoByte[] = {"==", "&&", "||", ">=", "<=", "!="};
        for (std::string_view op : kTwoByte) {
            if (rest.starts_with(op)) {
                token = Token{Kind::kOperator, std::string(op), 2, BinaryLevel(op)};
                pos_ += 2;
                return true;
            }
        }
        char c = rest[0];
        if (IsOperatorByte(c)) {
            token = Token{Kind::kOperator, std::string(1, c), 2, BinaryLevel(rest.substr(0, 1))};
            ++pos_;
            return true;
        }
        switch (c) {
            case ';':
                ++pos_;
                return true;  // kEnd
            case '(':
                token.kind = Kind::kOpen;
                ++pos_;
                return true;
            case ')':
                token.kind = Kind::kClose;
                ++pos_;
                return true;
            case ',':
                token.kind = Kind::kComma;
                ++pos_;
                return true;
            default:
                break;
        }
        size_t end = pos_;
        bool quoted = false;
        while (end < source_.size()) {
            size_t length = CharLen(source_, end);
            if (length == 1) {
                if (!quoted && EndsWord(source_[end])) break;
                if (source_[end] == '"') quoted = !quoted;
            }
            end += length;
        }
        if (end == pos_) return Bad();  // a lone '=' or '!'

        token.text.assign(source_.substr(pos_, end - pos_));
        pos_ = end;
        if (IsPassThroughWord(token.text)) {
            token.kind = Kind::kPassThrough;
            return true;
        }
        size_t next = SkipBlanks(source_, pos_);
        if (next < source_.size() && source_[next] == '(') {
            // Without its ')' the arguments run to the end, where the call closes.
            size_t close = MatchingClose(next);
            if (close == kNotFound) close = source_.size();
            token.kind = Kind::kFunction;
            token.arity = CountParams(source_.substr(next + 1, close - next - 1));
            token.level = kFunctionLevel;
            pos_ = next + 1;
            return true;
        }
        token.kind = Kind::kOperand;
        token.arity = -1;
        return true;
    }

    size_t MatchingClose(size_t open) const {
        int depth = 0;
        bool quoted = false;
        for (size_t i = open; i < source_.size();) {
            size_t length = CharLen(source_, i);
            if (length == 1) {
                char c = source_[i];
                if (c == '"') quoted = !quoted;
                if (!quoted && c == '(') ++depth;
                if (!quoted && c == ')' && --depth == 0) return i;
            }
            i += length;
        }
        return kNotFound;
    }

    bool Output(Token token) {
        if (output_.size() >= kOutputSize) return TooBig();
        output_.push_back(std::move(token));
        return true;
    }
    bool PushOperator(Token token) {
        if (stack_.size() >= kOperatorStackSize) return TooBig();
        stack_.push_back(std::move(token));
        return true;
    }
    // Pops to the output while the top is not '(' and `pop(top)` holds.
    template <typename Pred>
    bool PopWhile(Pred pop) {
        while (!stack_.empty() && stack_.back().kind != Kind::kOpen && pop(stack_.back())) {
            if (!Output(std::move(stack_.back()))) return false;
            stack_.pop_back();
        }
        return true;
    }

    bool Parse() {
        bool operandExpected = true;  // at the start, after an operator, '(' or ','
        for (;;) {
            Token token;
            if (!NextToken(token)) return false;
            switch (token.kind) {
                case Kind::kEnd:
                    // Parentheses still open close here, so no operator under
                    // them is lost.
                    while (!stack_.empty()) {
                        if (stack_.back().kind == Kind::kOpen)
                            bracketMismatch_ = true;
                        else if (!Output(std::move(stack_.back())))
                            return false;
                        stack_.pop_back();
                    }
                    return true;
                case Kind::kOperand:
                case Kind::kPassThrough:
                    if (!Output(std::move(token))) return false;
                    operandExpected = false;
                    break;
                case Kind::kOpen:
                    if (!PushOperator(std::move(token))) return false;
                    operandExpected = true;
                    break;
                case Kind::kClose:
                    if (!PopWhile([](const Token&) { return true; })) return false;
                    if (stack_.empty())
                        bracketMismatch_ = true;  // a ')' without its '(' is dropped
                    else
                        stack_.pop_back();
                    operandExpected = false;
                    break;
                case Kind::kComma:
                    if (!PopWhile([](const Token& t) { return t.level >= 1; })) return false;
                    operandExpected = true;
                    break;
                case Kind::kOperator:
                    if (operandExpected && token.text == "-") {
                        // Unary minus: 0 - x, right-associative.
                        if (!Output(Token{Kind::kOperand, "0", -1, 0})) return false;
                        token.level = kUnaryLevel;
                        if (!PopWhile([](const Token& t) { return t.level > kUnaryLevel; }))
                            return false;
                    } else {
                        int level = token.level;
                        if (!PopWhile([level](const Token& t) { return t.level >= level; }))
                            return false;
                    }
                    if (!PushOperator(std::move(token))) return false;
                    operandExpected = true;
                    break;
                case Kind::kFunction: {
                    int level = token.level;
                    if (!PopWhile([level](const Token& t) { return t.level >= level; }))
                        return false;
                    if (!PushOperator(std::move(token))) return false;
                    if (!PushOperator(Token{Kind::kOpen, "(", 0, 0})) return false;
                    operandExpected = true;
                    break;
                }
            }
        }
    }

    std::string TempName(const std::vector<std::string>& operands) const {
        for (int n = 0; n < kTempCount; ++n) {
            std::string name = std::string(kw::kTemp) + std::to_string(n);
            bool used = false;
            for (const std::string& operand : operands)
                used = used || operand == name;
            if (!used) return name;
        }
        return {};
    }

    bool Emit() {
        std::vector<std::string> operands;
        for (size_t i = 0; i < output_.size(); ++i) {
            Token& entry = output_[i];
            if (entry.kind == Kind::kOperand) {
                if (operands.size() >= kOperandStackSize) return TooBig();
                operands.push_back(std::move(entry.text));
                continue;
            }
            if (entry.kind == Kind::kPassThrough) {
                AppendLine(text_, entry.text);
                continue;
            }
            std::string action =
                std::string(entry.kind == Kind::kFunction ? kw::kCall : kw::kOperate) + " " +
                entry.text;
            if (entry.arity <= 0) {
                AppendLine(text_, action);
                continue;
            }
            size_t n = static_cast<size_t>(entry.arity);
            if (operands.size() < n) return Bad();  // e.g. f() + 1: a bare call leaves no value
            std::string handOut = std::string(kw::kHandOut) + " ";
            for (size_t k = operands.size() - n; k < operands.size(); ++k) {
                if (k > operands.size() - n) handOut += ',';
                handOut += operands[k];
            }
            operands.resize(operands.size() - n);
            AppendLine(text_, handOut);
            AppendLine(text_, action);
            if (i + 1 == output_.size() && operands.empty()) continue;
            std::string temp = TempName(operands);
            if (temp.empty()) return TooBig();
            AppendLine(text_, std::string(kw::kTakeIn) + " " + temp);
            operands.push_back(std::move(temp));
        }
        if (!operands.empty()) {
            std::string handOut = std::string(kw::kHandOut) + " ";
            for (size_t k = 0; k < operands.size(); ++k) {
                if (k) handOut += ',';
                handOut += operands[k];
            }
            AppendLine(text_, handOut);
        }
        return true;
    }

    std::string_view source_;
    size_t pos_ = 0;
    std::vector<Token> stack_;
    std::vector<Token> output_;
    std::string text_;
    std::string error_;
    bool bracketMismatch_ = false;
};

}  // namespace

void AppendLine(std::string& out, std::string_view statement) {
    out.append(7, ' ');
    out += statement;
    out += ";\r\n";
}

bool IsPassThroughWord(std::string_view word) {
    static constexpr std::string_view kWords[] = {
        kw::kParallel,    kw::kInteger,  kw::kDecimal,   kw::kHandle,     kw::kText,
        kw::kDefaultType, kw::kMatchEnd, kw::kOpenBlock, kw::kCloseBlock, kw::kBreak};
    for (std::string_view w : kWords) {
        if (word == w) return true;
    }
    return false;
}

CompiledExpression CompileExpression(std::string_view expression) {
    size_t end = FindUnquoted(expression, ';', 0);
    if (end != kNotFound) expression = expression.substr(0, end);
    return Compiler(expression).Run();
}

}  // namespace script
