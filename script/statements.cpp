#include "script/statements.h"

#include <limits>

#include "script/keywords.h"
#include "script/messages.h"
#include "script/readers.h"
#include "script/status.h"
#include "script/text_scan.h"

namespace script {
namespace {

class Runner {
  public:
    Runner(ScriptContext& context, const StatementLimits& limits)
        : c_(context), limits_(limits), text_(context.Text()) {}

    int Step() {
        if (c_.position >= text_.size()) return c_.status = kStatusEnded;
        if (c_.status == kStatusEnded || c_.status == kStatusPassUp) return c_.status;
        c_.status = kStatusNext;
        ReadResult word = ReadStatementWord(text_, c_.position);
        c_.position += static_cast<uint32_t>(word.consumed);
        return c_.status = Dispatch(word.value.Text());
    }

  private:
    std::string_view Rest() const {
        return text_.substr(std::min<size_t>(c_.position, text_.size()));
    }

    int Error(std::string message) {
        c_.message = std::move(message);
        return kStatusError;
    }

    // Moves past the next ';' outside quotes (to the end when there is none).
    void PastSemicolon() { PastSemicolonFrom(c_.position); }
    void PastSemicolonFrom(size_t from) {
        size_t semi = FindUnquoted(text_, ';', from);
        c_.position = static_cast<uint32_t>(semi == kNotFound ? text_.size() : semi + 1);
    }

    // Reads with `reader` at the position and advances past what it read.
    template <typename Reader>
    bool Read(Reader reader, ScriptValue& out) {
        std::string error;
        ReadResult r = reader(text_, c_.position, &error);
        if (!r.ok) {
            c_.message = std::move(error);
            return false;
        }
        c_.position += static_cast<uint32_t>(r.consumed);
        out = std::move(r.value);
        last_terminator_ = r.terminator;
        return true;
    }

    int Dispatch(std::string_view w) {
        if (w == kw::kVariable) return Variable();
        if (w == kw::kGlobal) return Global();
        if (w == kw::kTakeIn) return TakeIn(c_.position);
        if (w == kw::kHandOut) return HandOut();
        if (w == kw::kCall) return Call();
        if (w == kw::kJump) return Jump();
        if (w == kw::kLabel) return Label();
        if (w == kw::kOperate) return Operate();
        if (w == kw::kScriptBegin) return ScriptBegin();
        if (w == kw::kScriptEnd) {
            c_.position = 0;
            return kStatusEnded;
        }
        if (w == kw::kInterpreter) return Interpreter();
        if (w == kw::kMatch) return Match();
        if (w == kw::kIf || w == kw::kOrIf) return Condition(0, msg::kIfBraces);
        if (w == kw::kElse) return Else();
        if (w == kw::kWhileStart) return PushLoop(c_.position);
        if (w == kw::kWhile) return Condition(1, msg::kWhileBraces);
        if (w == kw::kBreak) return Break();
        if (w == kw::kForStart) return ForStart();
        if (w == kw::kForBegin) return kStatusNext;
        if (w == kw::kForIf) return Condition(1, msg::kIfBraces);
        if (w == kw::kOpenBlock) {
            if (!c_.PushBlock(0)) return Error(std::string(msg::kNestingTooDeep));
            PastSemicolon();
            return kStatusNext;
        }
        if (w == kw::kCloseBlock) return CloseBlock();
        if (w == kw::kReturn) {
            c_.position = 0;
            return kStatusEnded;
        }
        if (w == kw::kParallel) {
            if (c_.parallel < std::numeric_limits<int32_t>::max()) ++c_.parallel;
            return kStatusNext;
        }
        if (w == kw::kDefaultType) return SetType(0);
        if (w == kw::kInteger) return SetType(1);
        if (w == kw::kDecimal) return SetType(3);
        if (w == kw::kText) return SetType(4);
        if (w == kw::kHandle) return SetType(2);
        // The end of a multi-way branch is reached when the last case runs
        // to it; it does nothing.
        if (w == kw::kMatchEnd) return kStatusNext;
        if (w.empty()) {
            size_t step = CharLen(text_, c_.position);
            c_.position += static_cast<uint32_t>(step ? step : 1);
            return kStatusNext;
        }
        return Error(msg::FormatMessage(msg::kUnknownWord, {w}));
    }

    int SetType(int32_t type) {
        c_.typeWord = type;
        return kStatusNext;
    }

    // Reads "name = value;" into `name` and `value`; a declaration without
    // '=' gives an empty value.
    bool ReadDeclaration(ScriptValue& name, ScriptValue& value) {
        if (!Read(ReadPrefix, name)) return false;
        if (last_terminator_ != '=') {
            value = ScriptValue::FromText("");
            return true;
        }
        return Read(ReadSuffix, value);
    }

    int Variable() {
        ScriptValue name, value;
        if (!ReadDeclaration(name, value)) return kStatusError;
        c_.SetVariable(name.Text(), std::move(value));
        return kStatusNext;
    }

    int Global() {
        ScriptValue name, value;
        if (!ReadDeclaration(name, value)) return kStatusError;
        if (!c_.globals) return kStatusNext;
        if (c_.globals->find(name.Text()) != c_.globals->end()) {
            return Error(msg::FormatMessage(msg::kGlobalTwice, {c_.name.Text(), name.Text()}));
        }
        c_.globals->emplace(name.Text(), std::move(value));
        return kStatusNext;
    }

    // Binds the names of a list to the handed values in order, from `from`
    // up to ';' or ')', then moves past the next ';'.
    int TakeIn(size_t from) {
        size_t i = from;
        size_t nameStart = kNotFound;
        size_t commas = 0;
        bool nameSinceComma = false;
        auto bind = [&](size_t end) {
            bool ok = c_.BindParam(commas, text_.substr(nameStart, end - nameStart));
            nameStart = kNotFound;
            nameSinceComma = true;
            return ok;
        };
        while (i < text_.size()) {
            size_t length = CharLen(text_, i);
            char c = text_[i];
            if (length != 1 || !IsDelimiter(c)) {
                if (nameStart == kNotFound) nameStart = i;
                i += length;
                continue;
            }
            if (nameStart != kNotFound && !bind(i)) return kStatusError;
            if (c == ',') {
                if (!nameSinceComma) return Error(std::string(msg::kEmptyParamName));
                ++commas;
                nameSinceComma = false;
            }
            if (c == ';' || c == ')') break;
            ++i;
        }
        if (nameStart != kNotFound && !bind(i)) return kStatusError;
        PastSemicolonFrom(i);
        return kStatusNext;
    }

    int HandOut() {
        c_.ClearArgs();
        size_t end = FindUnquoted(text_, ';', c_.position);
        if (end == kNotFound) end = text_.size();
        std::string_view list = text_.substr(c_.position, end - c_.position);
        c_.position = static_cast<uint32_t>(end < text_.size() ? end + 1 : end);
        // Every piece between commas is a value, an empty one too: "传出 ;"
        // hands out one empty value, "传出 a,;" two values.
        size_t start = 0;
        bool quoted = false;
        for (size_t i = 0; i < list.size();) {
            size_t length = CharLen(list, i);
            if (length == 1 && list[i] == '"') quoted = !quoted;
            if (length == 1 && list[i] == ',' && !quoted) {
                HandOutItem(list.substr(start, i - start));
                start = i + 1;
            }
            i += length;
        }
        HandOutItem(list.substr(start));
        return kStatusNext;
    }

    void HandOutItem(std::string_view piece) {
        size_t begin = SkipBlanks(piece, 0);
        size_t end = begin;
        bool quoted = false;
        while (end < piece.size()) {
            size_t length = CharLen(piece, end);
            if (length == 1) {
                if (!quoted && IsDelimiter(piece[end])) break;
                if (piece[end] == '"') quoted = !quoted;
            }
            end += length;
        }
        std::string_view item = piece.substr(begin, end - begin);
        if (item.empty()) {
            c_.PushValue(ScriptValue());
        } else if (item.size() >= 2 && item.front() == '"' && item.back() == '"') {
            c_.PushValue(ScriptValue::FromText(item.substr(1, item.size() - 2)));
        } else if (const ScriptValue* local = c_.FindLocal(item)) {
            c_.PushValue(*local);
        } else {
            c_.PushValue(ScriptValue::FromText(item));
        }
    }

    int Call() {
        size_t at = SkipBlanks(text_, c_.position);
        bool indirect = at < text_.size() && text_[at] == '@';
        if (indirect) c_.position = static_cast<uint32_t>(at + 1);
        ScriptValue name;
        if (!Read(ReadFunctionName, name)) return kStatusError;
        c_.calledName = indirect ? c_.GetVariableValue(name.Text()) : std::move(name);
        PastSemicolon();
        return kStatusCall;
    }

    int Jump() {
        ScriptValue label;
        if (!Read(ReadSuffix, label)) return kStatusError;
        if (const ScriptValue* target = c_.FindLocal(label.Text())) {
            c_.depth = 0;
            c_.position = static_cast<uint32_t>(target->ToInt());
        }
        return kStatusNext;
    }

    int Label() {
        ScriptValue label;
        if (!Read(ReadSuffix, label)) return kStatusError;
        c_.SetVariable(label.Text(), ScriptValue::FromUInt(c_.position));
        return kStatusNext;
    }

    void Retag(ScriptValue& v) const {
        switch (c_.typeWord) {
            case 1:
                v.SetType(ScriptValue::kInteger, v.Flag());
                break;
            case 2:
                v.SetType(ScriptValue::kUnsigned, v.Flag());
                break;
            case 3:
                v.SetType(ScriptValue::kFloating, v.Flag());
                break;
            case 4:
                v.SetType(ScriptValue::kString, v.Flag());
                break;
            default:
                v.Classify();
                break;
        }
    }

    static bool IsNumeric(const ScriptValue& v) {
        return v.Type() == ScriptValue::kInteger || v.Type() == ScriptValue::kBoolean ||
               v.Type() == ScriptValue::kUnsigned || v.Type() == ScriptValue::kFloating;
    }

    int Operate() {
        if (c_.ArgCount() < 2) return Error(msg::FormatMessage(msg::kOperandsTooFew, {Rest()}));
        ScriptValue op;
        if (!Read(ReadSuffix, op)) return kStatusError;
        ScriptValue a = c_.args[0];
        ScriptValue b = c_.args[1];
        Retag(a);
        Retag(b);
        c_.ClearArgs();
        const std::string& o = op.Text();
        ScriptValue result;
        if (o == "+" || o == "*") {
            if (!IsNumeric(a) && a.Text().size() + b.Text().size() > limits_.maxValueLength) {
                return Error(msg::FormatMessage(msg::kValueTooLong, {o}));
            }
            result = o == "+" ? a + b : a * b;
        } else if (o == "-") {
            result = a - b;
        } else if (o == "/") {
            // Only an integer quotient has no value; a floating one by zero is
            // inf, -inf or nan, as "%f" writes them.
            if (IsNumeric(a) && a.Type() != ScriptValue::kFloating && b.ToInt() == 0)
                return Error(msg::FormatMessage(msg::kDivideByZero, {a.Text()}));
            result = a / b;
        } else if (o == "%") {
            int64_t x = a.ToInt(), y = b.ToInt();
            if (y == 0) return Error(msg::FormatMessage(msg::kDivideByZero, {a.Text()}));
            result = ScriptValue::FromInt(static_cast<int32_t>(x % y));
        } else if (o == ">=") {
            result = ScriptValue::FromBool(a >= b);
        } else if (o == ">") {
            result = ScriptValue::FromBool(a.ToInt() > b.ToInt());
        } else if (o == "<") {
            result = ScriptValue::FromBool(a < b);
        } else if (o == "==") {
            result = ScriptValue::FromBool(a == b);
        } else if (o == "<=") {
            result = ScriptValue::FromBool(a < b || a == b);
        } else if (o == "!=") {
            result = ScriptValue::FromBool(a != b);
        } else if (o == "&&") {
            result = ScriptValue::FromBool(a.ToBool() && b.ToBool());
        } else if (o == "||") {
            result = ScriptValue::FromBool(a.ToBool() || b.ToBool());
        } else if (o == "&") {
            result = ScriptValue::FromUInt(static_cast<uint32_t>(a.ToInt() & b.ToInt()));
        } else if (o == "|") {
            result = ScriptValue::FromUInt(static_cast<uint32_t>(a.ToInt() | b.ToInt()));
        } else {
            return Error(msg::FormatMessage(msg::kUnknownOperator, {o}));
        }
        c_.PushValue(std::move(result));
        return kStatusNext;
    }

    int ScriptBegin() {
        ScriptValue name;
        if (!Read(ReadFunctionName, name)) return kStatusError;
        if (name.Text().empty()) return Error(std::string(msg::kEmptyName));
        return TakeIn(c_.position);
    }

    int Interpreter() {
        ScriptValue version;
        if (!Read(ReadSuffix, version)) return kStatusError;
        if (version.GreaterThanNumber(1.0)) return Error(std::string(msg::kVersionTooHigh));
        c_.version = version.ToFloat();
        return kStatusNext;
    }

    int Match() {
        ScriptValue name;
        if (!Read(ReadPrefix, name)) return kStatusError;
        ScriptValue value = c_.GetVariableValue(name.Text());
        if (value.Type() == ScriptValue::kEmpty || value.Text().empty()) {
            return Error(std::string(msg::kMatchEmpty));
        }
        size_t end = FindText(text_, kw::kMatchEnd, c_.position);
        if (end == kNotFound) return Error(std::string(msg::kMatchNoEnd));
        // The case label must be the whole label: "标记 1;" is not the case 12.
        std::string needle = std::string(kw::kLabel) + " " + value.Text();
        for (size_t from = c_.position;;) {
            size_t hit = FindText(text_, needle, from);
            if (hit == kNotFound || hit > end) break;
            size_t after = hit + needle.size();
            while (after < text_.size() && text_[after] == ' ')
                ++after;
            if (after < text_.size() && text_[after] == ';') {
                c_.position = static_cast<uint32_t>(after + 1);
                return kStatusNext;
            }
            from = hit + CharLen(text_, hit);
        }
        c_.position = static_cast<uint32_t>(std::min(text_.size(), end + kw::kMatchEnd.size() + 1));
        return kStatusNext;
    }

    // Steps statement by statement from `pos` to the next one that opens a
    // block ('{' or a loop condition, whose '{' the compiler dropped: +1) or
    // closes one ('}': -1); returns its start and leaves `pos` past it.
    // Counting loop conditions keeps nested loops balanced.
    size_t NextBlockMark(size_t& pos, int& delta) const {
        for (;;) {
            size_t start = SkipBlanks(text_, pos);
            if (start >= text_.size()) return kNotFound;
            ReadResult word = ReadStatementWord(text_, start);
            std::string_view w = word.value.Text();
            size_t after = start + word.consumed;
            if (!w.empty() && word.terminator == ';' && text_[after - 1] == ';') {
                pos = after;
            } else {
                size_t semi = FindUnquoted(text_, ';', after);
                pos = semi == kNotFound ? text_.size() : semi + 1;
            }
            if (w == kw::kOpenBlock || w == kw::kWhile || w == kw::kForIf) {
                delta = 1;
                return start;
            }
            if (w == kw::kCloseBlock) {
                delta = -1;
                return start;
            }
        }
    }

    // Skips from the position past the '}' that closes a block and its ';'.
    // `depth` 1 starts inside the block (loop bodies).
    int SkipBlock(int depth, std::string_view failure) {
        size_t pos = c_.position;
        int delta = 0;
        while (NextBlockMark(pos, delta) != kNotFound) {
            depth += delta;
            if (depth < 0) break;  // a '}' before the block's '{'
            if (depth == 0 && delta < 0) {
                c_.position = static_cast<uint32_t>(pos);
                return kStatusNext;
            }
        }
        return Error(msg::FormatMessage(failure, {Rest()}));
    }

    // "如果", "或者", "当" and "%ForIF%": `loop` 1 for the loop conditions.
    int Condition(int loop, std::string_view failure) {
        ScriptValue name;
        if (!Read(ReadSuffix, name)) return kStatusError;
        if (c_.GetVariableValue(name.Text()).ToBool()) return kStatusNext;
        int status = SkipBlock(loop, failure);
        if (status == kStatusNext && loop && c_.depth > 0) --c_.depth;
        return status;
    }

    int Else() {
        if (c_.args.empty()) return Error(msg::FormatMessage(msg::kElseNoCondition, {Rest()}));
        if (!c_.PopValue().ToBool()) return kStatusNext;
        return SkipBlock(0, msg::kElseBraces);
    }

    int PushLoop(uint32_t restart) {
        if (!c_.PushBlock(restart)) return Error(std::string(msg::kNestingTooDeep));
        return kStatusNext;
    }

    int ForStart() {
        if (int status = PushLoop(c_.position); status != kStatusNext) return status;
        size_t begin = FindText(text_, kw::kForBegin, c_.position);
        if (begin == kNotFound) {
            c_.position = 0;
            return kStatusEnded;
        }
        PastSemicolonFrom(begin + kw::kForBegin.size());
        return kStatusNext;
    }

    int CloseBlock() {
        if (c_.depth == 0) return Error(std::string(msg::kStrayCloseBrace));
        uint32_t top = c_.blocks[c_.depth - 1];
        if (top == 0) {
            c_.ClearArgs();
            c_.PushValue(ScriptValue::FromText("TRUE"));
            --c_.depth;
        } else {
            c_.position = top;
        }
        return kStatusNext;
    }

    // Leaves the innermost loop: plain blocks on the way are closed, blocks
    // and loops nested after this statement are stepped over.
    int Break() {
        if (c_.depth == 0) return kStatusNext;
        int count = 0;
        size_t pos = c_.position;
        int delta = 0;
        while (NextBlockMark(pos, delta) != kNotFound) {
            count += delta;
            if (count >= 0) continue;
            // A '}' of a block that encloses this statement.
            if (c_.depth == 0) break;
            uint32_t top = c_.blocks[--c_.depth];
            if (top != 0) {
                c_.position = static_cast<uint32_t>(pos);
                return kStatusNext;
            }
            count = 0;
        }
        return Error(msg::FormatMessage(msg::kBreakFailed, {Rest()}));
    }

    ScriptContext& c_;
    const StatementLimits& limits_;
    std::string_view text_;
    char last_terminator_ = 0;
};

}  // namespace

int RunStatement(ScriptContext& context, const StatementLimits& limits) {
    return Runner(context, limits).Step();
}

}  // namespace script
