#include "platform/paths.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>

namespace platform {
namespace {

std::string WithSlash(std::string dir) {
    if (dir.empty() || dir.back() != '/') dir += '/';
    return dir;
}

std::string FromEnv(const char* name) {
    const char* value = std::getenv(name);
    return value && *value ? WithSlash(value) : std::string();
}

}  // namespace

std::string ProgramDir() {
    if (auto dir = FromEnv("QEVO_PROGRAM_DIR"); !dir.empty()) return dir;
    std::error_code ec;
    auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) return WithSlash(std::filesystem::current_path().string());
    return WithSlash(exe.parent_path().string());
}

std::string SystemDir() {
    if (auto dir = FromEnv("QEVO_SYSTEM_DIR"); !dir.empty()) return dir;
    return ProgramDir() + "system/";
}

}  // namespace platform
