// One answered send over the hall link (frame, socket, reader, dispatcher,
// handler, answer) against a bare ping-pong of the same bytes over a socket
// pair with a thread echoing, so the ratio shows the link's own cost.
#include <benchmark/benchmark.h>
#include <sys/socket.h>
#include <unistd.h>

#include <string>
#include <thread>

#include "platform/hall_link.h"
#include "platform/message.h"

namespace {

void BM_HallLinkSend(benchmark::State& state) {
    const std::string path = "/tmp/qevo-hall-bench-" + std::to_string(getpid()) + ".sock";
    platform::HallEndpoint hall(
        path, [](platform::HallConnection&, const platform::HallFrame& f, uint32_t* result) {
            *result = f.message;
            return true;
        });
    if (!hall.Open()) {
        state.SkipWithError("cannot open the endpoint");
        return;
    }
    platform::HallLink link(1, path);
    for (auto _ : state) {
        platform::DWORD_PTR result = 0;
        link.SendMessageTimeout(0x9105, 1, 2, platform::SMTO_NORMAL, 5000, &result);
        benchmark::DoNotOptimize(result);
    }
}

void BM_SocketPairPingPong(benchmark::State& state) {
    int fds[2];
    if (socketpair(AF_UNIX, SOCK_STREAM, 0, fds) != 0) {
        state.SkipWithError("no socket pair");
        return;
    }
    std::thread echo([fd = fds[1]] {
        char buf[32];
        for (;;) {
            const ssize_t n = recv(fd, buf, sizeof buf, 0);
            if (n <= 0 || send(fd, buf, size_t(n), MSG_NOSIGNAL) != n) return;
        }
    });
    char frame[24] = {20};
    for (auto _ : state) {
        send(fds[0], frame, sizeof frame, MSG_NOSIGNAL);
        size_t got = 0;
        while (got < sizeof frame) {
            const ssize_t n = recv(fds[0], frame + got, sizeof frame - got, 0);
            if (n <= 0) break;
            got += size_t(n);
        }
    }
    shutdown(fds[0], SHUT_RDWR);
    echo.join();
    close(fds[0]);
    close(fds[1]);
}

BENCHMARK(BM_HallLinkSend);
BENCHMARK(BM_SocketPairPingPong);

}  // namespace

BENCHMARK_MAIN();
