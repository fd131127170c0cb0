#pragma once
// The message box: a modal dialog with an icon, the text and the buttons
// its type names. Answers IDOK, IDCANCEL, IDYES or IDNO.

#include <string_view>

#include "platform/gui/wnd.h"

namespace platform {

constexpr UINT MB_OK = 0x0;
constexpr UINT MB_OKCANCEL = 0x1;
constexpr UINT MB_YESNOCANCEL = 0x3;
constexpr UINT MB_YESNO = 0x4;
constexpr UINT MB_ICONERROR = 0x10;
constexpr UINT MB_ICONQUESTION = 0x20;
constexpr UINT MB_ICONWARNING = 0x30;
constexpr UINT MB_ICONINFORMATION = 0x40;
constexpr UINT MB_TYPEMASK = 0xF;
constexpr UINT MB_ICONMASK = 0xF0;

int MessageBox(CWnd* owner, std::string_view text, std::string_view caption, UINT type);

// Draws the 32 x 32 icon of a message-box type at (x, y); nothing for none.
void DrawMessageIcon(Painter& painter, int x, int y, UINT type);

}  // namespace platform
