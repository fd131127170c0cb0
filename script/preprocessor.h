#pragma once
// The compiler's front half: comments out, control flow and expressions
// rewritten into one simple statement per line.

#include <string>
#include <string_view>
#include <vector>

namespace script {

// Removes every "//", inside double quotes too, up to and including the
// next LF (to the end of the text when none follows).
std::string StripComments(std::string_view text);

struct PreprocessResult {
    bool ok = false;
    std::string text;   // the compiled form
    std::string error;  // what could not be compiled
    // Shown on screen, compiling went on (parentheses that do not pair up).
    std::vector<std::string> notices;
    // Expressions that failed and compiled to nothing, for the log.
    std::vector<std::string> logLines;
};

// The compiled form of one function text ("脚本开始" ... "脚本结束;"); `name`
// goes into the error texts.
PreprocessResult Preprocess(std::string_view function, std::string_view name = {});

}  // namespace script
