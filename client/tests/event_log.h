#pragma once
// The lines a test client writes, collected from its thread and waited for.

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

namespace client::testing {

// Lines written by the client, waited for in order of arrival.
class EventLog {
  public:
    void Add(const std::string& line) {
        std::lock_guard lock(mu_);
        lines_.push_back(line);
        cv_.notify_all();
    }
    // Waits (real time, a safety net) until `line` has been written.
    bool WaitFor(const std::string& line,
                 std::chrono::milliseconds timeout = std::chrono::milliseconds(10000)) {
        std::unique_lock lock(mu_);
        return cv_.wait_for(lock, timeout, [&] {
            for (const auto& l : lines_)
                if (l == line) return true;
            return false;
        });
    }
    size_t Count(const std::string& line) {
        std::lock_guard lock(mu_);
        return size_t(std::count(lines_.begin(), lines_.end(), line));
    }
    std::vector<std::string> Lines() {
        std::lock_guard lock(mu_);
        return lines_;
    }

  private:
    std::mutex mu_;
    std::condition_variable cv_;
    std::vector<std::string> lines_;
};

}  // namespace client::testing
