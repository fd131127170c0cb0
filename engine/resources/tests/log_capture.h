#pragma once
// Collects the resource side's log lines for the duration of a test.

#include <string>
#include <vector>

#include "engine/resources/res_log.h"

namespace engine::testing {

class LogCapture {
  public:
    LogCapture() {
        SetResLogSink([this](const std::string& line) { lines_.push_back(line); });
    }
    ~LogCapture() { SetResLogSink(nullptr); }
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    const std::vector<std::string>& lines() const { return lines_; }
    bool Contains(const std::string& part) const {
        for (const auto& line : lines_)
            if (line.find(part) != std::string::npos) return true;
        return false;
    }

  private:
    std::vector<std::string> lines_;
};

}  // namespace engine::testing
