#include "transport/crc32_thread.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/message_queue.h"
#include "platform/window.h"
#include "transport/crc32.h"

namespace transport {
namespace {

using platform::Message;

class Recorder : public platform::Window {
  public:
    std::vector<Message> seen;

  protected:
    platform::LRESULT WindowProc(Message& msg) override {
        seen.push_back(Message{msg.hwnd, msg.message, msg.wParam, msg.lParam, msg.time, {}});
        return 0;
    }
};

TEST(Crc32ThreadTest, ReportsProgressThenTheChecksumToTheParent) {
    Recorder parent, bar;
    ASSERT_TRUE(parent.Create());
    ASSERT_TRUE(bar.Create(parent.Handle()));
    parent.seen.clear();  // creation messages
    bar.seen.clear();

    std::vector<uint8_t> original(3 * kCrcStep + 5);
    for (size_t i = 0; i < original.size(); ++i)
        original[i] = uint8_t(i * 7 + 1);
    std::vector<uint8_t> data = original;
    auto worker = ComputeCrcInThread(data.data(), uint32_t(data.size()), bar.Handle());
    ASSERT_NE(worker, nullptr);
    data.assign(data.size(), 0);  // the worker checksums its own copy

    Message msg;
    while (parent.seen.empty() && platform::GetMessage(msg) > 0)
        platform::DispatchMessage(msg);
    worker->Join();

    ASSERT_EQ(parent.seen.size(), 1u);
    EXPECT_EQ(parent.seen[0].message, kCrcDoneMessage);
    EXPECT_EQ(parent.seen[0].wParam, worker->Id());
    EXPECT_EQ(uint32_t(parent.seen[0].lParam),
              CCrc32().Compute(original.data(), uint32_t(original.size())));

    // Position 0, the range, then the share done before each step.
    std::string progress;
    for (auto& m : bar.seen)
        progress += (m.message == PBM_SETRANGE32 ? " range " : " pos ") + std::to_string(m.wParam);
    EXPECT_EQ(progress, " pos 0 range 0 pos 0 pos 33 pos 66 pos 99");

    // Refused without data or a window.
    const uint8_t byte = 1;
    EXPECT_EQ(ComputeCrcInThread(nullptr, 10, bar.Handle()), nullptr);
    EXPECT_EQ(ComputeCrcInThread(&byte, 0, bar.Handle()), nullptr);
    EXPECT_EQ(ComputeCrcInThread(&byte, 1, platform::HWND{}), nullptr);
    platform::HWND gone = bar.Handle();
    bar.Destroy();
    EXPECT_EQ(ComputeCrcInThread(&byte, 1, gone), nullptr);
}

}  // namespace
}  // namespace transport
