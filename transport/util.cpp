#include "transport/util.h"

#include <strings.h>
#include <array>
#include <atomic>
#include <cstdio>
#include <cstring>

#include "platform/paths.h"
#include "platform/text.h"

namespace transport {

int IntLog2(int n) {
    int log = 0;
    while (n >= 2) {
        n /= 2;
        ++log;
    }
    return log;
}

int PowerOfTwo(int n) {
    uint32_t value = 1;
    for (int i = 0; i < n && value; ++i)
        value <<= 1;
    return int(value);
}

void CopyStringN(char* dst, const char* src, int len) {
    if (!dst || !src) return;
    if (len == -1) {
        std::strcpy(dst, src);
    } else if (len > 0) {
        std::strncpy(dst, src, size_t(len));
    }
}

void BytesToHex(const uint8_t* bytes, int n, std::string& out) {
    static constexpr char kDigits[] = "0123456789abcdef";
    for (int i = 0; i < n; ++i) {
        out += kDigits[bytes[i] >> 4];
        out += kDigits[bytes[i] & 15];
    }
}

void GetPathParts(std::string_view path, int flags, std::string& out) {
    size_t start = 0;
    if (path.size() >= 2 && path[1] == ':' && static_cast<unsigned char>(path[0]) < 0x80) start = 2;
    // The end of the folder part: one past the last separator that is not
    // the trail byte of a double-byte character.
    size_t dirEnd = start;
    for (size_t i = start; i < path.size();) {
        size_t len = platform::GbkCharLength(path, i);
        if (len == 1 && (path[i] == '/' || path[i] == '\\')) dirEnd = i + 1;
        i += len;
    }
    std::string_view name = path.substr(dirEnd);
    size_t dot = std::string_view::npos;
    for (size_t i = 0; i < name.size();) {
        size_t len = platform::GbkCharLength(name, i);
        if (len == 1 && name[i] == '.') dot = i;
        i += len;
    }
    if (dot == std::string_view::npos) dot = name.size();
    if (flags & kPathDrive) out += path.substr(0, start);
    if (flags & kPathDirectory) out += path.substr(start, dirEnd - start);
    if (flags & kPathFileName) out += name.substr(0, dot);
    if (flags & kPathExtension) out += name.substr(dot);
}

void GetModuleDir(std::string& out) {
    out += platform::ProgramDir();
}

bool PathExists(const std::string& path, bool wantDirectory) {
    return wantDirectory ? platform::DirectoryExists(path) : platform::FileExists(path);
}

bool RandomBytes(uint8_t* buf, size_t n) {
    size_t done = 0;
    while (done < n) {
        std::array<uint8_t, 16> uuid;
        if (!platform::CreateUuid(uuid)) return false;
        size_t take = n - done < uuid.size() ? n - done : uuid.size();
        std::memcpy(buf + done, uuid.data(), take);
        done += take;
    }
    return true;
}

namespace {

// 30 hex digits of 32 random bytes; what could not be filled stays zero,
// as the id is still usable then.
std::string RandomIdDigits() {
    uint8_t bytes[32] = {};
    RandomBytes(bytes, sizeof bytes);
    std::string hex;
    BytesToHex(bytes, int(sizeof bytes), hex);
    hex.resize(30);
    return hex;
}

}  // namespace

bool FillRandomId(std::string& str) {
    if (!str.empty()) return false;
    str = RandomIdDigits();
    return true;
}

bool FillRandomId(char* str, size_t size) {
    if (!str || size == 0 || str[0] != '\0') return false;
    std::string digits = RandomIdDigits();
    size_t n = digits.size() < size - 1 ? digits.size() : size - 1;
    std::memcpy(str, digits.data(), n);
    str[n] = '\0';
    return true;
}

uint32_t OsVersionFlagsOf(const platform::OsVersionRecord& v, std::string_view productOptionsType) {
    uint32_t flags = 0;
    switch (v.platformId) {
        case platform::kPlatformWin32s:
            flags |= kOsWin32s;
            break;
        case platform::kPlatformWindows:
            if (v.majorVersion < 5 && !(v.majorVersion == 4 && v.minorVersion != 0))
                flags |= kOsWin95;
            if (v.minorVersion == 10) flags |= kOsWin98;
            if (v.minorVersion == 90) flags |= kOsWinMe;
            break;
        case platform::kPlatformNt:
            if (v.majorVersion < 5) flags |= kOsNt4;
            if (v.majorVersion == 5 && v.minorVersion == 0) flags |= kOsWin2000;
            if (v.majorVersion == 5 && v.minorVersion == 1) flags |= kOsWinXp;
            if (v.majorVersion == 6 && v.minorVersion == 0) flags |= kOsVista;
            if (v.majorVersion == 6 && v.minorVersion == 1) flags |= kOsWin7;
            if (v.majorVersion >= 7) flags |= kOsNewerNt;
            break;
        default:
            break;
    }
    if (v.extended) {
        if (v.productType == platform::kProductWorkstation) flags |= kOsWorkstation;
        if (v.productType == platform::kProductServer) flags |= kOsServer;
        if (v.productType == platform::kProductDomainController) flags |= kOsDomainController;
    } else {
        std::string type(productOptionsType);
        if (strcasecmp(type.c_str(), "WINNT") == 0) flags |= kOsNtProductText;
        if (strcasecmp(type.c_str(), "SERVERNT") == 0) flags |= kOsServer;
    }
    return flags;
}

bool GetOSVersionFlags(uint32_t* out) {
    if (!out) return false;
    const platform::OsVersionRecord record = platform::GetOsVersionRecord();
    *out = OsVersionFlagsOf(record, record.extended ? "" : platform::GetProductOptionsType());
    return true;
}

int32_t NextConnectionSerial() {
    static std::atomic<int32_t> counter{0};
    return counter.fetch_add(1, std::memory_order_relaxed) + 1;
}

std::string MakeEntryKey(const char* host, int port) {
    std::string key = host ? host : "";
    key += ':';
    key += std::to_string(port);
    return key;
}

}  // namespace transport
