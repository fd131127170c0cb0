#pragma once
// Starting other programs: never through a shell (posix_spawn with an
// argument list), and web addresses opened in the desktop's browser.
// Program paths are client paths (see paths.h); a name without a folder is
// looked up on PATH. Arguments are GBK and reach the program as UTF-8.

#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace platform {

// Starts the program and does not wait; the child is reaped in the
// background. False when it could not be started.
bool StartProcess(std::string_view program, std::span<const std::string> args);
// Runs the program to its end; its exit status, or nothing when it could not
// be started or ended by a signal.
std::optional<int> RunProcess(std::string_view program, std::span<const std::string> args);

// An http:// or https:// address (scheme in any case) with a host and no
// control characters or blanks.
bool IsWebAddress(std::string_view url);
// The address a link names: one that starts with "www." is an http:// one
// written without its scheme; others are taken as they are.
std::string WebAddressOf(std::string_view url);
// Opens a web address (as WebAddressOf gives it) with xdg-open and waits for
// it: false for anything else, and when no browser took the address
// (xdg-open missing or failing). It may block while the desktop starts a
// browser: not for the UI thread.
bool OpenUrl(std::string_view url);

}  // namespace platform
