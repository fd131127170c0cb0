#pragma once
// The texts the interpreter reports, with "%s" where a name or a piece of
// script goes (see FormatMessage). The display texts carry the engine's
// rich-text markup.

#include <initializer_list>
#include <string>
#include <string_view>

namespace script::msg {

// Readers.
inline constexpr std::string_view kNameTooLong = "函数名超长:%s";
inline constexpr std::string_view kConditionTooLong = "条件超长:%s";
inline constexpr std::string_view kPrefixTooLong = "前缀超长:%s";
inline constexpr std::string_view kSuffixTooLong = "后缀超长:%s";

// Compilation.
inline constexpr std::string_view kEmptyName = "脚本名为空!";
inline constexpr std::string_view kBracketMismatch = "运算格式括号不匹配!";
inline constexpr std::string_view kExpressionTooBig = "运算式过于复杂:%s";
inline constexpr std::string_view kBadExpression = "脚本%s运算式错误:%s";
inline constexpr std::string_view kBadStatement = "脚本%s语句错误:%s";

// Execution.
inline constexpr std::string_view kUnknownWord = "脚本调用了一个无法识别的符号:%s!";
inline constexpr std::string_view kUnsupportedFunction =
    "<color=255>脚本<rgb=0,0,255;>%s<rgb=255,255,255>调用了一个不支持的函数<rgb=0,255,0>%s";
inline constexpr std::string_view kMissingScript =
    "<break;break;>   脚本运行错误,%s不存在!<break;break>";
inline constexpr std::string_view kCallTooFewArgs =
    "<color=255>脚本<rgb=0,0,255;>%s<rgb=255,255,255>调用函数<rgb=0,255,0>%s<rgb=255,255,255>"
    "参数不足!";
inline constexpr std::string_view kCallFailed =
    "<color=255>脚本<rgb=0,0,255;>%s<rgb=255,255,255>调用函数<rgb=0,255,0>%s<rgb=255,255,255>"
    "失败!";
inline constexpr std::string_view kCallBadArgs =
    "<color=255>脚本<rgb=0,0,255;>%s<rgb=255,255,255>调用函数<rgb=0,255,0>%s<rgb=255,255,255>"
    "失败,参数不合法!";
inline constexpr std::string_view kCallInterrupted =
    "<color=255>调用脚本<rgb=0,0,255;>%s<rgb=255,255,255>失败,串行调用被打断!";
inline constexpr std::string_view kStepBudget = "脚本%s执行步数超过上限!";
inline constexpr std::string_view kCallTooDeep = "脚本%s调用嵌套过深!";
inline constexpr std::string_view kTooManyContexts = "脚本%s同时运行的脚本过多!";

// Statements.
inline constexpr std::string_view kGlobalTwice = "脚本%s全局变量%s重复定义!";
inline constexpr std::string_view kTooFewParams = "%s:GetParamValue错误,传入参数不足!";
inline constexpr std::string_view kEmptyParamName = "传入：接受参数名不能为空!";
inline constexpr std::string_view kVersionTooHigh = "脚本版本号过高,请换用更高级的脚本解释器!";
inline constexpr std::string_view kOperandsTooFew = "运算传入参数不能小于2,%s";
inline constexpr std::string_view kUnknownOperator = "无法匹配的运算操作符%s!";
inline constexpr std::string_view kDivideByZero = "运算除数为零:%s";
inline constexpr std::string_view kValueTooLong = "运算结果超长:%s";
inline constexpr std::string_view kIfBraces = "条件句括号匹配错误!%s";
inline constexpr std::string_view kWhileBraces = "While条件句括号匹配错误!%s";
inline constexpr std::string_view kElseNoCondition = "Else语法错误，缺乏前置条件%s";
inline constexpr std::string_view kElseBraces = "条件句Else括号匹配错误!%s";
inline constexpr std::string_view kStrayCloseBrace = "右括号匹配错误!少了一个左括号,大哥!";
inline constexpr std::string_view kBreakFailed = "跳出失败!%s";
inline constexpr std::string_view kMatchEmpty = "匹配语句不能匹配空.";
inline constexpr std::string_view kMatchNoEnd = "匹配错误，没有正确的结束语.";
inline constexpr std::string_view kNestingTooDeep = "段落嵌套过多!";

// The pattern with each "%s" replaced by the next argument, in order.
std::string FormatMessage(std::string_view pattern, std::initializer_list<std::string_view> args);

}  // namespace script::msg
