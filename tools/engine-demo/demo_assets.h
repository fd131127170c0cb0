#pragma once
// The demo's pictures and script, drawn and written here so that the demo
// needs nothing but its own code: a table cloth, a tile, a strip of four
// growing discs, a spark and the script that moves its own plane.

#include <string>

namespace engine_demo {

inline constexpr int kWidth = 744;
inline constexpr int kHeight = 710;

// Writes cloth.png, tile.png, strip.png, spark.png and demo.script into
// `folder` (which must exist); false when a file cannot be written.
bool WriteDemoAssets(const std::string& folder);

}  // namespace engine_demo
