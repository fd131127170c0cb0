#pragma once
// A fresh program folder for one test, installed through QEVO_PROGRAM_DIR.

#include <stdlib.h>

#include "platform/tests/temp_dir.h"

namespace transport::testing {

class TempProgramDir : public platform::testing::TempDir {
  public:
    TempProgramDir() { setenv("QEVO_PROGRAM_DIR", path().c_str(), 1); }
    ~TempProgramDir() { unsetenv("QEVO_PROGRAM_DIR"); }
};

}  // namespace transport::testing
