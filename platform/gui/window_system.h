#pragma once
// The window system in one include. What it offers:
//   surface.h, painter.h, region.h    32-bit BGRA surfaces, a GDI-like painter, regions
//   display.h                         display back ends: headless (tests) and SDL2
//   wnd.h                             CWnd: windows on screen, painting, focus, capture, input
//   gui_messages.h, virtual_keys.h    message numbers, styles and virtual keys (Win32 values)
//   button.h, static_control.h, edit.h, combo_box.h, scroll_bar.h, list_ctrl.h,
//   rich_edit.h, menu.h, tool_tip.h, splitter.h, image_list.h
//                                     the standard controls the program uses
//   dialog.h, message_box.h           dialogs laid out in code, modal loops, message boxes
//   sys_colors.h                      system colours and stock fonts
// Fonts live in platform/font/font.h.

#include "platform/gui/button.h"
#include "platform/gui/combo_box.h"
#include "platform/gui/dialog.h"
#include "platform/gui/display.h"
#include "platform/gui/edit.h"
#include "platform/gui/image_list.h"
#include "platform/gui/list_ctrl.h"
#include "platform/gui/menu.h"
#include "platform/gui/message_box.h"
#include "platform/gui/painter.h"
#include "platform/gui/rich_edit.h"
#include "platform/gui/scroll_bar.h"
#include "platform/gui/splitter.h"
#include "platform/gui/static_control.h"
#include "platform/gui/sys_colors.h"
#include "platform/gui/tool_tip.h"
#include "platform/gui/virtual_keys.h"
#include "platform/gui/wnd.h"
