#pragma once
// A file of the source tree, wherever ctest or the test binary runs from:
// QEVO_SOURCE_DIR when the runner sets it, else the tree the test was built from.

#include <cstdlib>
#include <string>

namespace platform::testing_support {

inline std::string SourcePath(const std::string& relative) {
    const char* root = std::getenv("QEVO_SOURCE_DIR");
    return std::string(root && *root ? root : QEVO_SOURCE_TREE) + "/" + relative;
}

}  // namespace platform::testing_support
