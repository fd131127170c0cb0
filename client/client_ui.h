#pragma once
// Client utilities that reach the speakers and the screen: sounds from the
// program's resources, and sizes scaled by the screen's dots per inch (a
// size of 160 at 120 DPI is 200).

#include <cstdint>

#include "platform/gui/wnd.h"

namespace client {

// Plays sound resource `id` asynchronously, without stopping a sound that
// plays (which then goes on alone); false when nothing was played.
bool PlayWaveResource(uint32_t id);
// The same with the caller's PlaySound flags.
bool PlayWaveResourceEx(uint32_t id, uint32_t flags);

// v x dpi / 96, truncated. The factors are read once per display.
int ScaleX(int v);
int ScaleY(int v);
// Moves `window` with x and width scaled horizontally, y and height
// vertically (the factors read on every call).
bool MoveWindowScaled(platform::CWnd& window, int x, int y, int width, int height, bool repaint);

// The answer to WM_CTLCOLORSTATIC of a window whose statics show its own
// background: transparent text and the null brush.
platform::LRESULT TransparentStatic(const platform::Message& msg);

}  // namespace client
