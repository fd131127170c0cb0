#pragma once
// CGameCommThread: the thread between the transport and the main window.
// The session names it as the transport's notify target, so every notice
// (message 2025) of the connection reaches its queue; it relays each to the
// window set with 0x903D, or frees it when there is none. It also owns the
// wait dialog, so status texts stay live while the user-interface thread
// waits on a request.
//
// Thread messages: 0x903D forward window = wParam; 0x903C stop; 2025 a
// notice (payload transport::TransportNoticeRecords); 0x9051 a status text
// (payload std::string, lParam the seconds after which it hides) or, with no
// text, hide.

#include <atomic>
#include <memory>

#include "client/framework_dialogs.h"
#include "platform/gui/wnd.h"
#include "platform/sync.h"
#include "platform/thread.h"

namespace client {

class CGameCommThread {
  public:
    CGameCommThread();
    ~CGameCommThread();  // stops the thread when it still runs
    CGameCommThread(const CGameCommThread&) = delete;
    CGameCommThread& operator=(const CGameCommThread&) = delete;

    // Starts the thread and waits until its windows and queue exist.
    bool Start();
    // Posts 0x903C and waits up to `waitMs` for the thread to end; false
    // when it had not ended by then (it is then waited for without limit,
    // since a thread cannot be killed safely).
    bool Stop(uint32_t waitMs = 1000);
    platform::DWORD Id() const { return thread_.Id(); }
    bool Running() const { return running_.load(); }

    // The wait dialog's state, readable from any thread.
    CWaitDlg::State Status() const { return waitDlg_.Snapshot(); }
    // The wait dialog's window on the display (set once Start returned).
    platform::HWND WaitWindow() const { return waitDlg_.GetSafeHwnd(); }
    // Notices relayed and freed so far.
    uint32_t Relayed() const { return relayed_.load(); }
    uint32_t Dropped() const { return dropped_.load(); }

  private:
    void Run();
    bool InitInstance();
    void OnThreadMessage(platform::Message& msg);

    platform::Thread thread_;
    platform::Event ready_{true, false};
    std::atomic<bool> started_{false};
    std::atomic<bool> running_{false};
    std::atomic<bool> quit_{false};
    platform::CWnd hidden_;
    CWaitDlg waitDlg_;
    platform::HWND forward_;
    std::atomic<uint32_t> relayed_{0};
    std::atomic<uint32_t> dropped_{0};
};

}  // namespace client
