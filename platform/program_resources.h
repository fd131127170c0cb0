#pragma once
// Program resources: what a Win32 program carries inside its executable
// (icons, bitmaps, sounds, menu templates) lives here as one file per
// resource under the program folder:
//
//   res/icon/151.ico   res/bitmap/162.bmp   res/sound/29014.wav
//   res/menu/131.menu  res/menu/playerlist.menu  res/toolbar/128.bar
//
// A resource is named by its number or by a name of letters, digits and
// "_" (anything else never reaches the file system). tools/assetgen makes
// the files; a build writes them to build/assets, the folder programs and
// tests use as QEVO_PROGRAM_DIR.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

enum class ResourceType { kIcon, kBitmap, kSound, kMenu, kToolbar };

// The largest resource file read (a resource is small; a bigger file is not one).
inline constexpr uint64_t kMaxResourceBytes = 16u << 20;

// The file of a resource (GBK client path), or empty for a bad name.
std::string ProgramResourcePath(ResourceType type, std::string_view name);
std::string ProgramResourcePath(ResourceType type, uint32_t id);

// The resource's bytes; nothing when it is missing, unreadable or too big.
std::optional<std::vector<uint8_t>> LoadProgramResource(ResourceType type, std::string_view name);
std::optional<std::vector<uint8_t>> LoadProgramResource(ResourceType type, uint32_t id);

}  // namespace platform
