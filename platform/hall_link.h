#pragma once
// The hall link: how the client and the hall program reach each other's
// windows. The hall's window number in the launch line names an endpoint, a
// Unix domain socket; WM_COPYDATA records and the hall's messages travel
// over it as frames (hall_frame.h). A send is a request with an answer and
// a time-out on the process clock; IsWindow on the hall probes the endpoint.
//
//   HallEndpointPath   the socket path of a hall window number
//   HallConnection     one connected socket: sends, posts, answers what arrives
//   HallLink           the client's side: connects to the hall, delivers what
//                      arrives to a window of the client as window messages
//   HallEndpoint       the hall's side: listens and accepts clients

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/hall_frame.h"
#include "platform/message.h"
#include "platform/sync.h"
#include "platform/thread.h"
#include "platform/win_types.h"

namespace platform {

// "<dir>/qevo-hall-<number>.sock"; <dir> is $QEVO_HALL_DIR, else
// $XDG_RUNTIME_DIR, else /tmp.
std::string HallEndpointPath(uint32_t hallWindow);

// Where the link reports what went wrong (one line each, no line end).
using HallLogSink = std::function<void(const std::string& line)>;

// One connected stream socket. A reader thread cuts frames: answers
// complete waiting sends, requests queue for a dispatcher thread that runs
// the handler and sends its answer back, in order. So a handler may itself
// send on the connection and wait. Garbage from the peer, a peer that
// floods requests faster than they are handled, or the peer closing, end
// the connection: pending sends fail at once.
class HallConnection {
  public:
    // Answers whether the request was handled and its result. Runs on the
    // dispatcher thread; for kPost the answer is dropped.
    using Handler =
        std::function<bool(HallConnection& self, const HallFrame& request, uint32_t* result)>;

    // Takes ownership of a connected socket; Start() begins reading.
    HallConnection(int fd, Handler handler, HallLogSink log);
    ~HallConnection();  // closes and joins the reader
    // Starts the reader and dispatcher threads (once).
    void Start();
    HallConnection(const HallConnection&) = delete;
    HallConnection& operator=(const HallConnection&) = delete;

    // Sends a request (kCopyData or kSend; seq is assigned) and waits for its
    // answer up to `timeoutMs` on the process clock. Meanwhile the calling
    // thread serves messages sent to it, unless `flags` has SMTO_BLOCK.
    // Non-zero when the peer handled it in time; its result to *result.
    LRESULT Request(HallFrame request, UINT flags, UINT timeoutMs, DWORD_PTR* result);
    // A kPost frame; false when the connection is closed.
    bool Post(UINT message, uint32_t wParam, uint32_t lParam);

    // False once closed, once the reader saw the end, or as soon as the
    // peer has hung up.
    bool Alive() const;
    // Ends the connection (idempotent; from a handler it only shuts the
    // socket, the threads end by themselves).
    void Close();

  private:
    struct Pending;
    void ReadLoop();
    void DispatchLoop();
    bool Write(const HallFrame& frame);
    void Die(const std::string& why);

    const int fd_;
    Handler handler_;
    HallLogSink log_;
    std::atomic<bool> alive_{true};
    std::atomic<bool> closing_{false};
    std::atomic<uint32_t> nextSeq_{1};
    std::mutex writeMu_;
    std::mutex pendingMu_;
    std::map<uint32_t, std::shared_ptr<Pending>> pending_;
    std::mutex closeMu_;
    bool closed_ = false;
    std::mutex joinMu_;
    std::mutex queueMu_;
    std::condition_variable queueCv_;
    std::deque<HallFrame> requests_;
    bool readerDone_ = false;
    Thread dispatcher_;
    Thread reader_;
};

// The client's side. Messages and records from the hall arrive at the
// target window as WM_COPYDATA (wParam the sender's word, lParam a
// COPYDATASTRUCT living for the call) or as the message itself; a send
// waits for the window's handler, as the hall expects.
class HallLink {
  public:
    explicit HallLink(uint32_t hallWindow, HallLogSink log = {});
    // For tests: an explicit socket path.
    HallLink(uint32_t hallWindow, std::string path, HallLogSink log = {});
    ~HallLink();

    uint32_t HallWindow() const { return hallWindow_; }
    HWND HallHwnd() const { return HwndFromParam(hallWindow_); }

    // Where arriving messages go; until set, they are refused (not handled).
    void SetTarget(HWND window);

    // IsWindow on the hall window: true while the link is up; with no link,
    // true when a connection to the endpoint can be made (and is kept).
    bool IsWindow();

    // SendMessageTimeout to the hall (0 without a link, on time-out, or
    // when the hall did not handle it).
    LRESULT SendMessageTimeout(UINT message, WPARAM wParam, LPARAM lParam, UINT flags,
                               UINT timeoutMs, DWORD_PTR* result);
    // WM_COPYDATA to the hall: wParam and the record's dwData and bytes.
    LRESULT SendCopyData(WPARAM wParam, const COPYDATASTRUCT& data, UINT flags, UINT timeoutMs,
                         DWORD_PTR* result);
    bool PostMessage(UINT message, WPARAM wParam, LPARAM lParam);

  private:
    std::shared_ptr<HallConnection> Connection();
    bool Deliver(const HallFrame& frame, uint32_t* result) const;

    const uint32_t hallWindow_;
    const std::string path_;
    HallLogSink log_;
    std::atomic<uint32_t> target_{0};
    std::mutex mu_;
    std::shared_ptr<HallConnection> connection_;
};

// The hall's side: listens at the endpoint of its window number and hands
// every accepted client to a HallConnection with `handler`.
class HallEndpoint {
  public:
    // The handler gets the connection a request arrived on.
    using Handler = HallConnection::Handler;

    HallEndpoint(std::string path, Handler handler, HallLogSink log = {});
    ~HallEndpoint();  // Close()
    HallEndpoint(const HallEndpoint&) = delete;
    HallEndpoint& operator=(const HallEndpoint&) = delete;

    // Binds and listens (replacing a stale socket file); false on failure.
    bool Open();
    // Stops listening, removes the socket file and ends every connection:
    // to its clients the hall window is gone.
    void Close();
    const std::string& Path() const { return path_; }

    // The connections accepted so far that are still alive, oldest first.
    std::vector<std::shared_ptr<HallConnection>> Clients();
    // Waits on the process clock up to `timeoutMs` for a first live client.
    std::shared_ptr<HallConnection> WaitForClient(DWORD timeoutMs);

  private:
    void AcceptLoop();

    const std::string path_;
    Handler handler_;
    HallLogSink log_;
    int listenFd_ = -1;
    int wakeFd_[2] = {-1, -1};
    std::mutex mu_;
    std::vector<std::shared_ptr<HallConnection>> clients_;
    Event clientArrived_{true, false};
    Thread acceptor_;
};

}  // namespace platform
