#include "platform/paths.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>

#include "platform/text.h"

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

struct DirCloser {
    void operator()(DIR* d) const { closedir(d); }
};
using DirPtr = std::unique_ptr<DIR, DirCloser>;

bool Exists(const std::string& osPath) {
    struct stat st;
    return lstat(osPath.c_str(), &st) == 0;
}

// The entry of `dir` equal to `name` ignoring case; the smallest such name
// when there are several, so the choice does not depend on listing order.
std::optional<std::string> FindIgnoringCase(const std::string& dir, std::string_view name) {
    DirPtr d(opendir(dir.empty() ? "." : dir.c_str()));
    if (!d) return std::nullopt;
    std::optional<std::string> best;
    while (dirent* e = readdir(d.get())) {
        std::string_view entry(e->d_name);
        if (GbkEqualsIgnoreCase(entry, name) && (!best || entry < *best)) best = entry;
    }
    return best;
}

bool StatResolved(std::string_view path, struct stat& st) {
    return stat(ResolvePath(path).c_str(), &st) == 0;
}

// One matching step of MatchWildcard over GBK text.
bool Match(std::string_view p, std::string_view s) {
    size_t pi = 0, si = 0;
    size_t starP = std::string_view::npos, starS = 0;
    while (si < s.size()) {
        const size_t sLen = GbkCharLength(s, si);
        if (pi < p.size()) {
            const size_t pLen = GbkCharLength(p, pi);
            if (p[pi] == '*') {
                starP = ++pi;
                starS = si;
                continue;
            }
            if (p[pi] == '?' ||
                (pLen == sLen && (pLen == 1 ? AsciiToLower(p[pi]) == AsciiToLower(s[si])
                                            : p.substr(pi, 2) == s.substr(si, 2)))) {
                pi += pLen;
                si += sLen;
                continue;
            }
        }
        if (starP == std::string_view::npos) return false;
        // Let the last '*' take one more character and retry.
        starS += GbkCharLength(s, starS);
        si = starS;
        pi = starP;
    }
    while (pi < p.size() && p[pi] == '*')
        ++pi;
    return pi == p.size();
}

}  // namespace

std::string ProgramDir() {
    if (auto dir = FromEnv("QEVO_PROGRAM_DIR"); !dir.empty()) return Utf8ToGbk(dir);
    std::error_code ec;
    auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) return Utf8ToGbk(WithSlash(std::filesystem::current_path().string()));
    return Utf8ToGbk(WithSlash(exe.parent_path().string()));
}

std::string SystemDir() {
    if (auto dir = FromEnv("QEVO_SYSTEM_DIR"); !dir.empty()) return Utf8ToGbk(dir);
    return ProgramDir() + "system/";
}

std::string ToSlashPath(std::string_view path) {
    std::string out(path);
    for (size_t i = 0; i < out.size();) {
        const size_t n = GbkCharLength(out, i);
        if (n == 1 && out[i] == '\\') out[i] = '/';
        i += n;
    }
    return out;
}

std::string ResolvePath(std::string_view path) {
    const std::string os = GbkToUtf8(ToSlashPath(path));
    std::string out;
    size_t pos = 0;
    if (!os.empty() && os[0] == '/') {
        out = "/";
        pos = 1;
    }
    bool searching = true;  // false once a component is missing
    while (pos <= os.size()) {
        size_t end = os.find('/', pos);
        if (end == std::string::npos) end = os.size();
        const std::string_view part(os.data() + pos, end - pos);
        if (!part.empty() && part != "." && part != "..") {
            std::string candidate = out + std::string(part);
            if (searching && !Exists(candidate)) {
                if (auto found = FindIgnoringCase(out, part)) {
                    candidate = out + *found;
                } else {
                    searching = false;
                }
            }
            out = std::move(candidate);
        } else {
            out += part;
        }
        if (end < os.size()) out += '/';
        pos = end + 1;
    }
    return out;
}

bool FileExists(std::string_view path) {
    struct stat st;
    return StatResolved(path, st) && !S_ISDIR(st.st_mode);
}

bool DirectoryExists(std::string_view path) {
    struct stat st;
    return StatResolved(path, st) && S_ISDIR(st.st_mode);
}

std::optional<uint64_t> GetFileSize(std::string_view path) {
    struct stat st;
    if (!StatResolved(path, st) || S_ISDIR(st.st_mode)) return std::nullopt;
    return uint64_t(st.st_size);
}

std::optional<std::vector<uint8_t>> ReadFileBytes(std::string_view path, uint64_t maxBytes) {
    const std::string os = ResolvePath(path);
    std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(os.c_str(), "rb"), std::fclose);
    struct stat st;
    if (!file || fstat(fileno(file.get()), &st) != 0 || !S_ISREG(st.st_mode) ||
        uint64_t(st.st_size) > maxBytes) {
        return std::nullopt;
    }
    std::vector<uint8_t> bytes(size_t(st.st_size));
    if (!bytes.empty() && std::fread(bytes.data(), 1, bytes.size(), file.get()) != bytes.size())
        return std::nullopt;
    return bytes;
}

bool CreateDirectory(std::string_view path) {
    std::string os = ResolvePath(path);
    while (os.size() > 1 && os.back() == '/')
        os.pop_back();
    return mkdir(os.c_str(), 0777) == 0;
}

bool MatchWildcard(std::string_view pattern, std::string_view name) {
    if (pattern == "*.*") return true;
    return Match(pattern, name);
}

std::vector<FoundFile> FindFiles(std::string_view pattern) {
    const std::string slashed = ToSlashPath(pattern);
    const size_t cut = slashed.rfind('/');
    const std::string folder = cut == std::string::npos ? "" : slashed.substr(0, cut + 1);
    const std::string mask = cut == std::string::npos ? slashed : slashed.substr(cut + 1);
    std::vector<FoundFile> found;
    if (mask.empty()) return found;
    const std::string dir = folder.empty() ? "./" : WithSlash(ResolvePath(folder));
    DirPtr d(opendir(dir.c_str()));
    if (!d) return found;
    while (dirent* e = readdir(d.get())) {
        const std::string_view raw(e->d_name);
        if (raw == "." || raw == "..") continue;
        std::string name = Utf8ToGbk(raw);
        if (!MatchWildcard(mask, name)) continue;
        FoundFile f;
        struct stat st;
        if (stat((dir + std::string(raw)).c_str(), &st) == 0) {
            f.directory = S_ISDIR(st.st_mode);
            f.readOnly = (st.st_mode & S_IWUSR) == 0;
            f.size = f.directory ? 0 : uint64_t(st.st_size);
        }
        f.name = std::move(name);
        found.push_back(std::move(f));
    }
    return found;
}

}  // namespace platform
