#pragma once
// A fresh program folder for one test, installed through QEVO_PROGRAM_DIR.

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace transport::testing {

class TempProgramDir {
  public:
    TempProgramDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "qevo-XXXXXX").string();
        path_ = mkdtemp(pattern.data());
        setenv("QEVO_PROGRAM_DIR", path_.c_str(), 1);
    }
    ~TempProgramDir() {
        unsetenv("QEVO_PROGRAM_DIR");
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    TempProgramDir(const TempProgramDir&) = delete;
    TempProgramDir& operator=(const TempProgramDir&) = delete;

    std::string path() const { return path_ + "/"; }
    std::string Read(const std::string& name) const {
        std::ifstream in(path() + name, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }
    bool Exists(const std::string& name) const { return std::filesystem::exists(path() + name); }

  private:
    std::string path_;
};

}  // namespace transport::testing
