#pragma once
// The engine's modal error box: the caller's text followed by the system's
// message for the calling thread's last error, titled "错误". The box itself
// belongs to the window system; the application installs it here, and until
// then the text goes to the game log so that it is not lost.

#include <string>
#include <string_view>

namespace engine {

// "<text> 由于以下错误而失败: <system message>"; the message is empty for
// error 0 (the system has no text for it).
std::string LastErrorText(std::string_view text, int error);

// Shows `text` (GBK) in a stop-icon box titled `title` without an owner.
using ErrorBoxFunction = void (*)(std::string_view text, std::string_view title);
void SetErrorBoxFunction(ErrorBoxFunction box);

// Reads errno, builds the text and shows the box.
void ShowLastError(std::string_view text);

}  // namespace engine
