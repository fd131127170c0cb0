#pragma once
// The threaded form of CCrc32: the checksum of a private copy of the data,
// computed on a worker thread that reports its progress to a progress-bar
// window and the result to that window's parent. Nothing in the client uses
// it with a window; it exists for callers with large files.

#include <cstdint>
#include <memory>

#include "platform/thread.h"
#include "platform/win_types.h"

namespace transport {

inline constexpr platform::UINT PBM_SETPOS = 1026;
inline constexpr platform::UINT PBM_SETRANGE32 = 1030;
// To the window's parent: wParam = the worker's thread id, lParam = checksum.
inline constexpr platform::UINT kCrcDoneMessage = 0xADB1;
// Bytes checksummed between two progress reports.
inline constexpr uint32_t kCrcStep = 102400;

// Starts the worker; null for null data, a zero length, a `window` that does
// not exist, or a thread that could not start (then use CCrc32::Compute).
// The data is copied first, so the caller may free it at once. The caller
// owns the worker: destroying it waits for the worker to end.
std::unique_ptr<platform::Thread> ComputeCrcInThread(const void* data, uint32_t length,
                                                     platform::HWND window);

}  // namespace transport
