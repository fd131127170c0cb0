#pragma once
// Small helpers shared by the transport and the client framework: integer
// and string helpers, path and file helpers, random identifiers, the
// operating-system version bit set and the connection serial and key.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/machine.h"

namespace transport {

// floor(log2 n) by repeated halving; 0 for n < 2.
int IntLog2(int n);
// 2 to the power n by repeated doubling (wrapping like 32-bit arithmetic:
// n = 31 gives INT_MIN, n >= 32 gives 0); 1 for n < 1.
int PowerOfTwo(int n);

// Nothing when dst or src is null; len == -1 copies the whole string with
// its NUL, else strncpy(dst, src, len).
void CopyStringN(char* dst, const char* src, int len);
// Appends "%02x" of each byte to `out`; nothing for n < 1.
void BytesToHex(const uint8_t* bytes, int n, std::string& out);

// Parts of a path for GetPathParts.
enum PathPart : int { kPathDrive = 1, kPathDirectory = 2, kPathFileName = 4, kPathExtension = 8 };
// Appends to `out` the parts of `path` whose flag is set, in the order drive,
// directory (with its trailing separator), file name, extension (with its
// dot). Both '/' and '\' separate folders (GBK-aware); a drive ("C:") is
// recognised only at the front.
void GetPathParts(std::string_view path, int flags, std::string& out);
// Appends the running program's folder with a trailing '/'.
void GetModuleDir(std::string& out);
// Whether `path` exists and is (wantDirectory) or is not (!wantDirectory)
// a folder.
bool PathExists(const std::string& path, bool wantDirectory);

// Fills n bytes from successive random identifiers; false when the system
// gives none.
bool RandomBytes(uint8_t* buf, size_t n);
// When `str` is empty: 30 random lower-case hex digits, returns true; else
// leaves it and returns false. The char form writes at most size - 1 digits
// and a NUL (size 31 or more takes all 30).
bool FillRandomId(std::string& str);
bool FillRandomId(char* str, size_t size);

// Bits of the version bit set.
enum OsVersionFlag : uint32_t {
    kOsWin32s = 0x1,
    kOsWin95 = 0x2,
    kOsWin98 = 0x4,
    kOsWinMe = 0x8,
    kOsNt4 = 0x10,
    kOsWin2000 = 0x20,
    kOsWinXp = 0x40,
    kOsVista = 0x80,
    kOsWin7 = 0x100,
    kOsNtProductText = 0x10000,
    kOsWorkstation = 0x20000,
    kOsServer = 0x40000,
    kOsDomainController = 0x80000,
    kOsNewerNt = 0x10000000,
};
// The bit set of a version record; `productOptionsType` is read only when the
// record is not extended. Below 0x10 means outside the NT family.
uint32_t OsVersionFlagsOf(const platform::OsVersionRecord& record,
                          std::string_view productOptionsType);
// The bit set of this machine; false (and *out == 0) when unknown.
bool GetOSVersionFlags(uint32_t* out);

// The next serial of a transport connection: 1, 2, ... for the process.
int32_t NextConnectionSerial();
// The connection key "host:port"; a null host gives ":port".
std::string MakeEntryKey(const char* host, int port);

}  // namespace transport
