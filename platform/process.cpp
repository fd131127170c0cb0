#include "platform/process.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <thread>
#include <vector>

#include "platform/paths.h"
#include "platform/text.h"

extern char** environ;

namespace platform {
namespace {

bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() &&
           GbkEqualsIgnoreCase(text.substr(0, prefix.size()), prefix);
}

pid_t Spawn(std::string_view program, std::span<const std::string> args) {
    const std::string slashed = ToSlashPath(program);
    const bool hasFolder = slashed.find('/') != std::string::npos;
    const std::string path = hasFolder ? ResolvePath(slashed) : GbkToUtf8(slashed);
    if (path.empty()) return -1;
    std::vector<std::string> utf8;
    utf8.reserve(args.size() + 1);
    utf8.push_back(path);
    for (const std::string& a : args)
        utf8.push_back(GbkToUtf8(a));
    std::vector<char*> argv;
    for (std::string& a : utf8)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    // The child gets the standard streams only: no server connection or
    // other file of ours leaks into the hall or the browser.
    posix_spawn_file_actions_t actions;
    if (posix_spawn_file_actions_init(&actions) != 0) return -1;
    posix_spawn_file_actions_addclosefrom_np(&actions, 3);
    pid_t pid = -1;
    const int rc = hasFolder
                       ? posix_spawn(&pid, path.c_str(), &actions, nullptr, argv.data(), environ)
                       : posix_spawnp(&pid, path.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    return rc == 0 ? pid : -1;
}

std::optional<int> Reap(pid_t pid) {
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) return std::nullopt;
    }
    if (!WIFEXITED(status)) return std::nullopt;
    // posix_spawn reports a failed exec of the child as exit status 127.
    return WEXITSTATUS(status);
}

}  // namespace

bool StartProcess(std::string_view program, std::span<const std::string> args) {
    const pid_t pid = Spawn(program, args);
    if (pid < 0) return false;
    try {
        std::thread([pid] { Reap(pid); }).detach();
    } catch (...) {
        // No thread for the reaper: the child stays a zombie until we exit.
    }
    return true;
}

std::optional<int> RunProcess(std::string_view program, std::span<const std::string> args) {
    const pid_t pid = Spawn(program, args);
    if (pid < 0) return std::nullopt;
    return Reap(pid);
}

bool IsWebAddress(std::string_view url) {
    size_t hostStart;
    if (StartsWithIgnoringCase(url, "http://")) {
        hostStart = 7;
    } else if (StartsWithIgnoringCase(url, "https://")) {
        hostStart = 8;
    } else {
        return false;
    }
    if (hostStart >= url.size() || url[hostStart] == '/') return false;
    for (unsigned char c : url) {
        if (c <= 0x20 || c == 0x7F) return false;
    }
    return true;
}

std::string WebAddressOf(std::string_view url) {
    return StartsWithIgnoringCase(url, "www.") ? "http://" + std::string(url) : std::string(url);
}

bool OpenUrl(std::string_view url) {
    const std::string address = WebAddressOf(url);
    if (!IsWebAddress(address)) return false;
    const std::string args[] = {address};
    return RunProcess("xdg-open", args) == 0;
}

}  // namespace platform
