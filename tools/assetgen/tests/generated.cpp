#include "tools/assetgen/tests/generated.h"

#include "platform/process.h"
#include "platform/tests/temp_dir.h"

namespace assetgen::testing {

int RunGenerator(const std::string& folder) {
    const std::string args[] = {folder};
    return platform::RunProcess(QEVO_ASSETGEN, args).value_or(-1);
}

const std::string& Generated() {
    static platform::testing::TempDir dir;
    static const bool made = RunGenerator(dir.path()) == 0;
    static const std::string none;
    return made ? dir.path() : none;
}

std::string SkinFolder(const char* style) {
    return Generated() + mahjong::assets::kSkinsFolder + "/" + style + "/";
}

std::string SoundFolder(const char* folder) {
    return Generated() + mahjong::assets::kSoundFolder + "/" + folder + "/";
}

}  // namespace assetgen::testing
