#pragma once
// Collects the resource side's log lines for the duration of a test.

#include <algorithm>
#include <string>
#include <vector>

#include "pictures/res_log.h"

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
        return std::any_of(lines_.begin(), lines_.end(),
                           [&](const std::string& l) { return l.find(part) != std::string::npos; });
    }

  private:
    std::vector<std::string> lines_;
};

}  // namespace engine::testing
