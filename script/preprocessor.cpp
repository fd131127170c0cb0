#include "script/preprocessor.h"

#include <vector>

#include "script/expression_compiler.h"
#include "script/keywords.h"
#include "script/messages.h"
#include "script/readers.h"
#include "script/text_scan.h"

namespace script {
namespace {

constexpr std::string_view kIndent = "       ";

class Preprocessor {
  public:
    Preprocessor(std::string_view source, std::string_view name) : src_(source), name_(name) {}

    PreprocessResult Run() {
        PreprocessResult result;
        while (true) {
            size_t start = SkipBlanks(src_, pos_);
            if (start >= src_.size()) break;
            if (!Statement(start)) {
                result.error = std::move(error_);
                result.notices = std::move(notices_);
                return result;
            }
        }
        result.ok = true;
        result.text = std::move(out_);
        result.notices = std::move(notices_);
        result.logLines = std::move(logLines_);
        return result;
    }

  private:
    bool Fail(std::string message) {
        error_ = std::move(message);
        return false;
    }
    bool FailAt(size_t at) {
        std::string_view piece = src_.substr(at, std::min<size_t>(src_.size() - at, 64));
        return Fail(msg::FormatMessage(msg::kBadStatement, {name_, piece}));
    }

    // The end of the statement at `start`: its ';' outside quotes.
    bool StatementEnd(size_t start, size_t& end) {
        end = FindUnquoted(src_, ';', start);
        return end != kNotFound || FailAt(start);
    }

    bool Statement(size_t start) {
        ReadResult word = ReadStatementWord(src_, pos_);
        std::string_view w = word.value.Text();
        size_t next = pos_ + word.consumed;
        if (w.empty()) {
            if (src_[start] == ';') {
                // An empty statement.
                pos_ = start + 1;
                return true;
            }
            return Expression(start);  // an over-long word is no keyword
        }
        if (w == kw::kScriptBegin || w == kw::kScriptEnd) return CopyThrough(start, false);
        static constexpr std::string_view kCopied[] = {
            kw::kInterpreter, kw::kTakeIn, kw::kJump,    kw::kHandOut, kw::kVariable, kw::kGlobal,
            kw::kCall,        kw::kLabel,  kw::kOperate, kw::kReturn,  kw::kMatch};
        for (std::string_view k : kCopied) {
            if (w == k) return CopyThrough(start, true);
        }
        if (IsPassThroughWord(w) || w == kw::kElse) {
            AppendLine(out_, w);
            pos_ = next;
            return true;
        }
        if (w == kw::kIf || w == kw::kOrIf) return If(w, next);
        if (w == kw::kWhile) return While(next);
        if (w == kw::kFor) return For(next);
        return Expression(start);
    }

    bool CopyThrough(size_t start, bool indent) {
        size_t end;
        if (!StatementEnd(start, end)) return false;
        if (indent) out_ += kIndent;
        out_.append(src_.substr(start, end + 1 - start));
        out_ += "\r\n";
        pos_ = end + 1;
        return true;
    }

    // The parenthesised head right after a control word.
    bool Head(size_t from, std::string& head) {
        size_t open = SkipBlanks(src_, from);
        if (open >= src_.size() || src_[open] != '(') return FailAt(from);
        std::string error;
        ReadResult r = ReadCondition(src_, open, &error);
        if (!r.ok) return Fail(std::move(error));
        head = r.value.Text();
        pos_ = open + r.consumed;
        return true;
    }

    // The statements of an expression. One that fails compiles to nothing
    // (with a log line) and compiling goes on: what follows still binds its
    // value, which is then whatever was handed last.
    std::string Compiled(std::string_view expression) {
        CompiledExpression compiled = CompileExpression(std::string(expression) + ";");
        if (compiled.bracketMismatch) notices_.emplace_back(msg::kBracketMismatch);
        if (!compiled.ok)
            logLines_.push_back(msg::FormatMessage(msg::kBadExpression, {name_, compiled.error}));
        return compiled.text;
    }

    // The compiled condition, which leaves its value as the only handed value.
    bool Condition(std::string_view condition) {
        if (SkipBlanks(condition, 0) == condition.size()) return FailAt(pos_);
        out_ += Compiled(condition);
        AppendLine(out_, std::string(kw::kTakeIn) + " " + std::string(kw::kTemp) + "0");
        return true;
    }

    void ConditionLine(std::string_view word) {
        AppendLine(out_, std::string(word) + " " + std::string(kw::kTemp) + "0");
    }

    // A loop's '{' is dropped; only blanks may stand before it.
    bool SkipLoopOpen() {
        size_t open = SkipBlanks(src_, pos_);
        if (open >= src_.size() || src_[open] != '{') return FailAt(pos_);
        pos_ = open + 1;
        return true;
    }

    bool If(std::string_view word, size_t from) {
        std::string head;
        if (!Head(from, head) || !Condition(head)) return false;
        ConditionLine(word);
        return true;
    }

    bool While(size_t from) {
        std::string head;
        if (!Head(from, head)) return false;
        AppendLine(out_, kw::kWhileStart);
        if (!Condition(head)) return false;
        ConditionLine(kw::kWhile);
        return SkipLoopOpen();
    }

    bool For(size_t from) {
        std::string head;
        if (!Head(from, head)) return false;
        std::vector<std::string_view> parts;
        std::string_view rest = head;
        for (size_t semi; (semi = FindUnquoted(rest, ';', 0)) != kNotFound;) {
            parts.push_back(rest.substr(0, semi));
            rest.remove_prefix(semi + 1);
        }
        parts.push_back(rest);
        if (parts.size() != 3) return FailAt(from);
        if (!Simple(parts[0])) return false;
        AppendLine(out_, kw::kForStart);
        if (!Simple(parts[2])) return false;
        AppendLine(out_, kw::kForBegin);
        if (!Condition(parts[1])) return false;
        ConditionLine(kw::kForIf);
        return SkipLoopOpen();
    }

    // The assignment '=' of a statement: outside quotes, not part of "==",
    // ">=" or "<=" ("!=" counts as an assignment).
    static size_t AssignmentAt(std::string_view statement) {
        bool quoted = false;
        for (size_t i = 0; i < statement.size();) {
            size_t length = CharLen(statement, i);
            if (length == 1) {
                char c = statement[i];
                if (c == '"') quoted = !quoted;
                if (!quoted && c == '=') {
                    char before = i > 0 ? statement[i - 1] : 0;
                    char after = i + 1 < statement.size() ? statement[i + 1] : 0;
                    if (before != '>' && before != '<' && before != '=' && after != '=') return i;
                    if (after == '=') ++i;
                }
            }
            i += length;
        }
        return kNotFound;
    }

    // An assignment or a plain expression (a call statement); `statement`
    // holds no ';' outside quotes.
    bool Simple(std::string_view statement) {
        if (SkipBlanks(statement, 0) == statement.size()) return true;
        size_t eq = AssignmentAt(statement);
        if (eq == kNotFound) {
            out_ += Compiled(statement);
            return true;
        }
        std::string error;
        std::string target(statement.substr(0, eq + 1));
        ReadResult name = ReadPrefix(target, 0, &error);
        if (!name.ok) return Fail(std::move(error));
        if (name.value.Text().empty())
            return Fail(msg::FormatMessage(msg::kBadStatement, {name_, statement}));
        std::string right(statement.substr(eq + 1));
        right += ';';
        ReadResult value = ReadSuffix(right, 0, &error);
        if (!value.ok) return Fail(std::move(error));
        if (value.value.Text().empty())
            return Fail(msg::FormatMessage(msg::kBadStatement, {name_, statement}));
        out_ += Compiled(value.value.Text());
        AppendLine(out_, std::string(kw::kTakeIn) + " " + name.value.Text());
        return true;
    }

    bool Expression(size_t start) {
        size_t end;
        if (!StatementEnd(start, end)) return false;
        pos_ = end + 1;
        return Simple(src_.substr(start, end - start));
    }

    std::string_view src_;
    std::string_view name_;
    size_t pos_ = 0;
    std::string out_;
    std::string error_;
    std::vector<std::string> notices_;
    std::vector<std::string> logLines_;
};

}  // namespace

// Quotes are no shelter: stored scripts were written against this rule.
std::string StripComments(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    size_t pos = 0;
    for (size_t at; (at = FindText(text, "//", pos)) != kNotFound;) {
        out.append(text.substr(pos, at - pos));
        size_t lf = text.find('\n', at);
        pos = lf == std::string_view::npos ? text.size() : lf + 1;
    }
    out.append(text.substr(pos));
    return out;
}

PreprocessResult Preprocess(std::string_view function, std::string_view name) {
    return Preprocessor(function, name).Run();
}

}  // namespace script
