#pragma once
// Every keyword of the script language in one place. Sources are UTF-8 and
// gcc turns these literals into the GBK bytes that scripts hold; keywords are
// compared byte for byte, so nothing may depend on their sizes (clang builds
// keep UTF-8).

#include <string_view>

namespace script::kw {

// Function frame.
inline constexpr std::string_view kScriptBegin = "脚本开始";
inline constexpr std::string_view kScriptEnd = "脚本结束";

// Statements copied through the next semicolon.
inline constexpr std::string_view kInterpreter = "解释器";
inline constexpr std::string_view kTakeIn = "传入";
inline constexpr std::string_view kHandOut = "传出";
inline constexpr std::string_view kVariable = "变量";
inline constexpr std::string_view kGlobal = "全局变量";
inline constexpr std::string_view kCall = "函数";
inline constexpr std::string_view kJump = "跳转";
inline constexpr std::string_view kLabel = "标记";
inline constexpr std::string_view kOperate = "运算";
inline constexpr std::string_view kReturn = "返回";
inline constexpr std::string_view kMatch = "匹配";

// Words passed through alone.
inline constexpr std::string_view kParallel = "并行";
inline constexpr std::string_view kInteger = "整数";
inline constexpr std::string_view kDecimal = "小数";
inline constexpr std::string_view kHandle = "句柄";
inline constexpr std::string_view kText = "字符";
inline constexpr std::string_view kDefaultType = "默认类型";
inline constexpr std::string_view kMatchEnd = "匹配完毕";
inline constexpr std::string_view kOpenBlock = "{";
inline constexpr std::string_view kCloseBlock = "}";
inline constexpr std::string_view kBreak = "跳出";

// Control flow rewritten by the compiler.
inline constexpr std::string_view kIf = "如果";
inline constexpr std::string_view kOrIf = "或者";
inline constexpr std::string_view kElse = "否则";
inline constexpr std::string_view kWhile = "当";
inline constexpr std::string_view kFor = "从";

// Internal words that appear only in compiled text.
inline constexpr std::string_view kWhileStart = "%WhileStart%";
inline constexpr std::string_view kForStart = "%ForStart%";
inline constexpr std::string_view kForBegin = "%ForBeGin%";
inline constexpr std::string_view kForIf = "%ForIF%";

// Temporaries of compiled expressions: the prefix and a decimal number.
inline constexpr std::string_view kTemp = "缓存";

// Built-in commands of the basic group.
inline constexpr std::string_view kWait = "等待";
inline constexpr std::string_view kWaitLatin = "WAIT";
inline constexpr std::string_view kRgb = "红黄绿";
inline constexpr std::string_view kColour = "颜色";
inline constexpr std::string_view kRgbLatin = "RGB";
inline constexpr std::string_view kRunScript = "触发脚本";
inline constexpr std::string_view kRunScriptLatin = "RUNSCRIPT";
inline constexpr std::string_view kScreenSize = "获取当前屏幕大小";
inline constexpr std::string_view kTimestamp = "时间戳";
inline constexpr std::string_view kPlaySound = "播放音效";

}  // namespace script::kw
