#include "transport/comm_socket.h"

#include <algorithm>

#include "platform/clock.h"
#include "platform/message_queue.h"

namespace transport {

CCommSocket::CCommSocket() = default;

CCommSocket::~CCommSocket() = default;

void CCommSocket::EndWait(bool failed) {
    if (!waiting_) return;
    failed_ = failed_ || failed;
    event_.Set();
}

void CCommSocket::OnSend(int error) {
    CProxySocket::OnSend(error);
    ++sendCount_;
    if (sendCount_ == sendsNeeded_) EndWait(false);
}

void CCommSocket::OnConnect(int error) {
    CProxySocket::OnConnect(error);
    if (error != 0) {
        Close();
        EndWait(true);
    }
}

void CCommSocket::OnClose(int error) {
    CProxySocket::OnClose(error);
    if (sendCount_ < sendsNeeded_) {
        Close();
        EndWait(true);
    }
}

void CCommSocket::OnProxyFailed(int) {
    EndWait(true);
}

void CCommSocket::OnProxyBound(uint32_t, uint16_t) {}

bool CCommSocket::ConnectVia(const char* host, unsigned port, uint32_t type, const char* proxyHost,
                             unsigned proxyPort, const char* user, const char* password,
                             unsigned seconds) {
    const bool hasUser = user && *user;
    switch (type) {
        case kProxyDirect:
            SetProxyType(kProxyDirect);
            break;
        case kProxySocks4:
        case kProxySocks4a:
            SetProxy(type, proxyHost, proxyPort);
            break;
        case kProxySocks5:
        case kProxyHttp:
            if (hasUser) {
                SetProxyAuth(type, proxyHost, proxyPort, user, password);
            } else {
                SetProxy(type, proxyHost, proxyPort);
            }
            break;
        default:
            return false;
    }
    Close();
    if (!Create(0, SOCK_STREAM, platform::FD_ALL_EVENTS)) return false;

    event_.Reset();
    sendCount_ = 0;
    // A direct connection has no tunnel to report: its first write event is it.
    sendsNeeded_ = type == kProxyDirect ? 1 : 2;
    failed_ = false;
    waiting_ = true;
    struct WaitingFlag {
        bool& flag;
        ~WaitingFlag() { flag = false; }
    } waitingFlag{waiting_};

    if (!ConnectHost(host, port)) {
        // Nothing will come of it (an unresolvable proxy, SOCKS4 and a bare name).
        Close();
        return false;
    }

    // One deadline for the whole wait, however many messages arrive meanwhile.
    const int64_t deadline = platform::CurrentClock().NowMicros() + int64_t(seconds) * 1000 * 1000;
    platform::Waitable* const objects[] = {&event_};
    for (;;) {
        platform::Message msg;
        while (platform::PeekMessage(msg, {}, 0, 0, platform::PM_REMOVE)) {
            if (msg.message == platform::WM_QUIT) {
                Close();
                // The outer loop still has to see it.
                platform::PostQuitMessage(int(msg.wParam));
                return false;
            }
            platform::DispatchMessage(msg);
        }
        const int64_t left = deadline - platform::CurrentClock().NowMicros();
        const platform::DWORD r =
            left <= 0
                ? platform::WaitForSingleObject(event_, 0)
                : platform::MsgWaitForMultipleObjects(
                      objects, platform::DWORD(std::min<int64_t>((left + 999) / 1000, 0x7FFFFFFF)));
        if (r == platform::WAIT_OBJECT_0) {
            if (failed_) {
                Close();
                return false;
            }
            return true;
        }
        if (r == platform::WAIT_OBJECT_0 + 1) continue;
        Close();
        return false;
    }
}

}  // namespace transport
