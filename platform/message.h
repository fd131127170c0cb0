#pragma once
// A window or thread message and the message numbers this layer knows.
// Numbers keep their Win32 values, so WM_USER + 1001 is 2025.

#include "platform/payload.h"
#include "platform/win_types.h"

namespace platform {

constexpr UINT WM_NULL = 0x0000;
constexpr UINT WM_CREATE = 0x0001;
constexpr UINT WM_DESTROY = 0x0002;
constexpr UINT WM_CLOSE = 0x0010;
constexpr UINT WM_QUIT = 0x0012;
constexpr UINT WM_COPYDATA = 0x004A;
constexpr UINT WM_NCDESTROY = 0x0082;
constexpr UINT WM_TIMER = 0x0113;
constexpr UINT WM_USER = 0x0400;
constexpr UINT WM_APP = 0x8000;

// PeekMessage removal flags.
constexpr UINT PM_NOREMOVE = 0x0000;
constexpr UINT PM_REMOVE = 0x0001;

// SendMessageTimeout flags. SMTO_BLOCK: the sender serves no sent messages
// while it waits. The others are accepted and change nothing here.
constexpr UINT SMTO_NORMAL = 0x0000;
constexpr UINT SMTO_BLOCK = 0x0001;
constexpr UINT SMTO_ABORTIFHUNG = 0x0002;
constexpr UINT SMTO_NOTIMEOUTIFNOTHUNG = 0x0008;

// MsgWaitForMultipleObjects wake mask: any input.
constexpr DWORD QS_ALLINPUT = 0x04FF;

// The record WM_COPYDATA points at (lParam) while it is sent.
struct COPYDATASTRUCT {
    uintptr_t dwData = 0;
    DWORD cbData = 0;
    const void* lpData = nullptr;
};

// A message as queues hold and handlers see it. `time` is GetTickCount()
// when it was queued. The payload, if any, is freed with the message unless
// a handler takes it.
struct Message {
    HWND hwnd;
    UINT message = WM_NULL;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
    DWORD time = 0;
    Payload payload;
};
using MSG = Message;

}  // namespace platform
