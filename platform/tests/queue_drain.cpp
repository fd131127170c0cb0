// Every test starts with an empty message queue on the main thread, whatever
// an earlier test left there (a modal loop's wake-up message, say).

#include <gtest/gtest.h>

#include "platform/message_queue.h"

namespace platform {
namespace {

class QueueDrain : public ::testing::EmptyTestEventListener {
    void OnTestStart(const ::testing::TestInfo&) override {
        Message msg;
        while (PeekMessage(msg, {}, 0, 0, PM_REMOVE)) {
        }
    }
};

const bool kInstalled = [] {
    ::testing::UnitTest::GetInstance()->listeners().Append(new QueueDrain);
    return true;
}();

}  // namespace
}  // namespace platform
