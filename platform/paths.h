#pragma once
// Where the program's files are, and the file-system calls the client makes
// with paths as it builds them: GBK text with '\' separators, in whatever
// case. ResolvePath maps such a path to the OS path (UTF-8, '/'), finding
// each existing component whatever its case; every call below resolves its
// argument the same way. Names handed back are GBK.
//
// Both folders can be overridden through the environment so that tests run
// in a temporary tree:
//   QEVO_PROGRAM_DIR  the program's folder (default: the executable's folder)
//   QEVO_SYSTEM_DIR   the "system directory" that holds machine-wide INI files

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// Absolute folder paths (GBK), each with a trailing '/'.
std::string ProgramDir();
std::string SystemDir();

// '\' becomes '/', stepping over double-byte characters whose trail byte
// is 0x5C. No file-system access.
std::string ToSlashPath(std::string_view path);
// The OS path for a client path (see above). Components that do not exist
// are kept as given, so the result also names files about to be created.
std::string ResolvePath(std::string_view path);

bool FileExists(std::string_view path);  // an existing file, not a folder
bool DirectoryExists(std::string_view path);
std::optional<uint64_t> GetFileSize(std::string_view path);  // files only
// A whole file (a regular one); nothing when it is missing, unreadable or
// larger than `maxBytes`.
std::optional<std::vector<uint8_t>> ReadFileBytes(std::string_view path, uint64_t maxBytes);
// Creates one folder; false when it exists already or its parent does not.
bool CreateDirectory(std::string_view path);

// Win32 wildcard match: '*' any run, '?' one character (a double-byte
// character counts as one), ASCII letters in either case; "*.*" matches
// every name.
bool MatchWildcard(std::string_view pattern, std::string_view name);

struct FoundFile {
    std::string name;  // GBK, without the folder
    bool directory = false;
    bool readOnly = false;  // the owner may not write it
    uint64_t size = 0;
};
// The entries of the pattern's folder whose names match its last component,
// in the order the file system lists them ("." and ".." left out).
std::vector<FoundFile> FindFiles(std::string_view pattern);

}  // namespace platform
