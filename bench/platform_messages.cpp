// Message throughput and send latency between two threads, each against a
// plain mutex + condition-variable queue doing the same work.

#include <benchmark/benchmark.h>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

#include "platform/message_queue.h"
#include "platform/sync.h"
#include "platform/thread.h"
#include "platform/window.h"

namespace {

using namespace platform;

constexpr int kBatch = 10000;

// Posts a batch to a thread that counts them; the batch is done when the
// consumer has seen every message.
void BM_PostThreadMessageBatch(benchmark::State& state) {
    Event ready(true, false), batchDone(false, false);
    Thread consumer;
    consumer.Start([&] {
        Message msg;
        PeekMessage(msg, {}, 0, 0, PM_NOREMOVE);
        ready.Set();
        int seen = 0;
        while (GetMessage(msg) > 0) {
            if (++seen == kBatch) {
                seen = 0;
                batchDone.Set();
            }
        }
    });
    WaitForSingleObject(ready, INFINITE);
    for (auto _ : state) {
        for (int i = 0; i < kBatch; ++i)
            PostThreadMessage(consumer.Id(), WM_USER, WPARAM(i));
        WaitForSingleObject(batchDone, INFINITE);
    }
    PostThreadMessage(consumer.Id(), WM_QUIT);
    consumer.Join();
    state.SetItemsProcessed(state.iterations() * kBatch);
}
BENCHMARK(BM_PostThreadMessageBatch)->UseRealTime();

// The baseline: the same batches through a mutex, a condition variable and
// a deque.
struct PlainQueue {
    std::mutex mu;
    std::condition_variable cv;
    std::deque<std::pair<unsigned, uintptr_t>> items;
    void Push(unsigned m, uintptr_t w) {
        {
            std::lock_guard lock(mu);
            items.emplace_back(m, w);
        }
        cv.notify_one();
    }
    std::pair<unsigned, uintptr_t> Pop() {
        std::unique_lock lock(mu);
        cv.wait(lock, [&] { return !items.empty(); });
        auto item = items.front();
        items.pop_front();
        return item;
    }
};

void BM_BaselineQueueBatch(benchmark::State& state) {
    PlainQueue queue, done;
    std::thread consumer([&] {
        int seen = 0;
        while (queue.Pop().first != WM_QUIT) {
            if (++seen == kBatch) {
                seen = 0;
                done.Push(1, 0);
            }
        }
    });
    for (auto _ : state) {
        for (int i = 0; i < kBatch; ++i)
            queue.Push(WM_USER, uintptr_t(i));
        done.Pop();
    }
    queue.Push(WM_QUIT, 0);
    consumer.join();
    state.SetItemsProcessed(state.iterations() * kBatch);
}
BENCHMARK(BM_BaselineQueueBatch)->UseRealTime();

class EchoWindow : public Window {
  public:
    ~EchoWindow() override { Destroy(); }

  protected:
    LRESULT WindowProc(Message& msg) override {
        return msg.message == WM_USER ? LRESULT(msg.wParam) + 1 : DefWindowProc(msg);
    }
};

// One cross-thread SendMessage round trip per iteration.
void BM_CrossThreadSend(benchmark::State& state) {
    Event ready(true, false);
    HWND target;
    Thread owner;
    owner.Start([&] {
        EchoWindow w;
        w.Create();
        target = w.Handle();
        ready.Set();
        RunMessageLoop();
    });
    WaitForSingleObject(ready, INFINITE);
    WPARAM i = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(SendMessage(target, WM_USER, i++));
    PostThreadMessage(owner.Id(), WM_QUIT);
    owner.Join();
}
BENCHMARK(BM_CrossThreadSend)->UseRealTime();

// The baseline: a request and its reply through two plain queues.
void BM_BaselineRoundTrip(benchmark::State& state) {
    PlainQueue requests, replies;
    std::thread owner([&] {
        for (;;) {
            auto [m, w] = requests.Pop();
            if (m == WM_QUIT) break;
            replies.Push(m, w + 1);
        }
    });
    uintptr_t i = 0;
    for (auto _ : state) {
        requests.Push(WM_USER, i++);
        benchmark::DoNotOptimize(replies.Pop());
    }
    requests.Push(WM_QUIT, 0);
    owner.join();
}
BENCHMARK(BM_BaselineRoundTrip)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
