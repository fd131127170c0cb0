#pragma once
// The integer types and handle values the Win32-shaped calls of this layer
// take: message parameters, window handles, wait results and time-outs.

#include <cstddef>
#include <cstdint>
#include <functional>

namespace platform {

using UINT = uint32_t;
using DWORD = uint32_t;
using LONG = int32_t;
using UINT_PTR = uintptr_t;
using DWORD_PTR = uintptr_t;
using WPARAM = uintptr_t;
using LPARAM = intptr_t;
using LRESULT = intptr_t;

// A window handle. Values are never reused within a process, so a handle to
// a destroyed window stays detectably dead (IsWindow). 0 is "no window".
struct HWND {
    uint32_t value = 0;
    constexpr explicit operator bool() const { return value != 0; }
    friend constexpr bool operator==(HWND, HWND) = default;
};

// Handles travel in message parameters and in the hall's launch line.
constexpr WPARAM ToWParam(HWND hwnd) {
    return hwnd.value;
}
constexpr LPARAM ToLParam(HWND hwnd) {
    return LPARAM(hwnd.value);
}
constexpr HWND HwndFromParam(uintptr_t value) {
    return HWND{uint32_t(value)};
}

// Time-outs and wait results.
constexpr DWORD INFINITE = 0xFFFFFFFF;
constexpr DWORD WAIT_OBJECT_0 = 0;
constexpr DWORD WAIT_TIMEOUT = 258;
constexpr DWORD WAIT_FAILED = 0xFFFFFFFF;

}  // namespace platform

template <>
struct std::hash<platform::HWND> {
    size_t operator()(platform::HWND h) const noexcept { return std::hash<uint32_t>()(h.value); }
};
