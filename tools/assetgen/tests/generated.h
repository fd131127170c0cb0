#pragma once
// The generator's output for the tests: the program is run once per test
// program into a folder of its own, and can be run again.

#include <string>

#include "mahjong/scene/asset_names.h"

namespace assetgen::testing {

// The folder the first run wrote (with a trailing '/').
const std::string& Generated();
// Runs the program into `folder`; its exit code.
int RunGenerator(const std::string& folder);

// The folder of a style's or the common pictures, and of a voice or style's
// sounds, under Generated().
std::string SkinFolder(const char* style);
std::string SoundFolder(const char* folder);

}  // namespace assetgen::testing
