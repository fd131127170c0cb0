#include "client/game_session.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "client/client_utils.h"
#include "client/game_app.h"
#include "platform/bytes.h"
#include "platform/gui/wait_cursor.h"
#include "platform/profile.h"
#include "platform/text.h"
#include "transport/log.h"
#include "transport/notice.h"

namespace client {

// Shared with the server of the deployment.
const std::array<uint8_t, 16> kSessionKey = {0x51, 0x65, 0x76, 0x6f, 0x2d, 0x74, 0x61, 0x62,
                                             0x6c, 0x65, 0x2d, 0x6b, 0x65, 0x79, 0x21, 0x07};

namespace {

constexpr uint32_t kCipherAes = 0x100;
constexpr uint32_t kMaxPieceSize = 4000;
constexpr uint32_t kCrcOn = 1;
constexpr int kConnectSeconds = 10;
constexpr uint32_t kFirstDataMs = 10000;

const char kTextBusy[] = "服务器繁忙，请稍候再试。";
const char kTextTooOld[] = "您的游戏程序太旧了,必须下载新的程序才能玩游戏。";
const char kTextUpdating[] = "服务正在更新中，请稍候再试。";
const char kTextNeedsUpdate[] = "您的游戏程序需要更新。";
const char kTextConnectionLost[] = "与服务器连接已经断开。";
const char kTextTimedOut[] = "请求处理超时。";
const char kTextSendFailed[] = "请求发送失败。";
const char kTextNoObject[] = "对象不存在。";

// Cuts GBK text to at most `maxChars` characters and `maxBytes` bytes (a
// double-byte character counts as one character and is never split).
std::string CutChars(std::string_view text, size_t maxChars, size_t maxBytes) {
    size_t pos = 0;
    size_t chars = 0;
    while (pos < text.size() && chars < maxChars && text[pos] != '\0') {
        const size_t next = pos + platform::GbkCharLength(text, pos);
        if (next > maxBytes || next > text.size()) break;
        pos = next;
        ++chars;
    }
    return std::string(text.substr(0, pos));
}

}  // namespace

const char* ResultCodeText(uint32_t code) {
    switch (code) {
        case 1000:
            return "对象不存在。";
        case 1001:
            return "对象已存在。";
        case 1010:
            return "请求处理失败。";
        case 10000:
            return "不支持的请求。";
        case 210008:
            return "用户认证失败。";
        case 210010:
            return "游戏还没有准备好,请稍候再旁观。";
        case 210020:
            return "没有空余的旁观位置。";
        case 210060:
        case 210070:
            return "进入游戏失败，请重新开始。";
        default:
            return nullptr;
    }
}

CGameSession::CGameSession(const uint8_t* key, int keyBits, uint32_t cipherFlags,
                           uint32_t compressionFlags)
    : CTransportSocket(key, keyBits, cipherFlags, compressionFlags, kCrcOn, kMaxPieceSize) {}

CGameSession::~CGameSession() {
    CTransportSocket::Close();
}

bool CGameSession::InitCipherKey() {
    return SetTransformParams(kSessionKey.data(), 128, kCipherAes, 0);
}

void CGameSession::Disconnect() {
    proxySocket_.Close();
    Close();
}

bool CGameSession::Connect(const std::string& name, const std::string& host, uint32_t port,
                           int* proxyFailedOut) {
    const platform::CWaitCursor busy;
    Close();
    const auto* greeting = reinterpret_cast<const uint8_t*>(kGreeting);
    bool ok = false;
    if (!proxy_.need) {
        ok = Open(host.c_str(), int(port), kConnectSeconds, platform::HWND{}, commThreadId_, false,
                  greeting, sizeof(kGreeting), kFirstDataMs);
    } else {
        if (!proxySocket_.ConnectVia(host.c_str(), port, proxy_.type, proxy_.host.c_str(),
                                     proxy_.port, proxy_.user.c_str(), proxy_.password.c_str(),
                                     kConnectSeconds)) {
            if (proxyFailedOut) *proxyFailedOut = 1;
            return false;
        }
        // The transport takes the tunnel over; the proxy socket forgets it.
        ok = Attach(proxySocket_.Detach(), platform::HWND{}, commThreadId_, false, greeting,
                    sizeof(kGreeting), kFirstDataMs, nullptr, 0, 5);
    }
    if (ok) {
        port_ = port;
        name_ = name.substr(0, 31);
        host_ = host;
    }
    return ok;
}

std::string CGameSession::GetProxyName() const {
    return proxy_.host;
}

void CGameSession::SetCommThreadId(uint32_t id) {
    commThreadId_ = id;
}

void CGameSession::LoadProxySettings(const std::string& path) {
    proxy_.need = platform::GetPrivateProfileInt("PROXY", "Need", 0, path);
    proxy_.port = platform::GetPrivateProfileInt("PROXY", "Port", 1080, path);
    proxy_.type = platform::GetPrivateProfileInt("PROXY", "Sock", 3, path);
    proxy_.host = platform::GetPrivateProfileString("PROXY", "Host", "", path, 32);
    proxy_.user = platform::GetPrivateProfileString("PROXY", "User", "", path, 32);
    proxy_.password = platform::GetPrivateProfileString("PROXY", "pwd", "", path, 32);
}

bool CGameSession::SendRequestAndWait(std::string& text, uint32_t id, uint32_t* lengthInOut,
                                      const uint8_t* data, uint32_t* resultOut,
                                      std::unique_ptr<uint8_t[]>* replyDataOut, bool wantsReply) {
    const platform::CWaitCursor busy;
    if (!MaySend()) {
        *resultOut = kResultConnectionLost;
        text = kTextConnectionLost;
        return false;
    }
    transport::TransportInfo info;
    info.socket = uint32_t(GetSocket());
    info.wantsReply = wantsReply ? 1 : 0;
    transport::TransportNotice notice;
    notice.head[1] = id;
    notice.length = *lengthInOut;
    if (notice.length > 0) {
        notice.data = std::make_unique<uint8_t[]>(notice.length);
        std::memcpy(notice.data.get(), data, notice.length);
    }
    transport::TransportNotice reply;
    int timedOut = 0;
    const bool ok = SendRequest(info, notice, &reply, &timedOut, GetRequestTimeout(id) * 1000, 0, 0,
                                1, nullptr, 0);
    if (!ok) {
        if (timedOut) {
            *resultOut = kResultTimedOut;
            text = kTextTimedOut;
        } else {
            *resultOut = IsAlive() ? 0 : kResultConnectionLost;
            text = kTextSendFailed;
        }
        return false;
    }
    if (!wantsReply) {
        *lengthInOut = 0;
        *resultOut = 0;
        if (replyDataOut) replyDataOut->reset();
        return true;
    }
    *lengthInOut = reply.data ? reply.length : 0;
    *resultOut = reply.Code();
    if (replyDataOut) *replyDataOut = std::move(reply.data);
    GetResultText(text, *resultOut);
    return true;
}

bool CGameSession::MaySend() {
    // A client that decided to leave sends nothing on the connection it drops.
    const CGameApp* app = GetGameApp();
    return IsAlive() && !(app && app->IsLeaving());
}

uint32_t CGameSession::GetRequestTimeout(uint32_t id) {
    switch (id) {
        case kReqEnterGame:
            return 30;
        case kReqCheckVersion:
            return 15;
        case kReqIsGameRunning:
            return 5;
        default:
            return 10;
    }
}

void CGameSession::GetResultText(std::string& text, uint32_t code) {
    if (const char* t = ResultCodeText(code)) text = t;
}

CGameApp* CGameSession::GetGameApp() {
    return CGameApp::Current();
}

void CGameSession::WriteHead(std::span<uint8_t> payload) {
    CGameApp* app = GetGameApp();
    if (!app || payload.size() < 16) return;
    platform::StoreLE32(&payload[0], app->GetUserId());
    platform::StoreLE32(&payload[4], app->GetRoomId());
    platform::StoreLE32(&payload[8], uint32_t(app->GetTableNo()));
    platform::StoreLE32(&payload[12], uint32_t(app->GetOwnChair()));
}

bool CGameSession::SendNoWait(uint32_t id, std::span<const uint8_t> payload) {
    std::string text;
    uint32_t length = uint32_t(payload.size());
    uint32_t result = 0;
    return SendRequestAndWait(text, id, &length, payload.data(), &result, nullptr, false);
}

bool CGameSession::IsGameRunning() {
    uint8_t payload[32] = {};
    WriteHead(payload);
    std::string text;
    uint32_t length = sizeof(payload);
    uint32_t result = 0;
    std::unique_ptr<uint8_t[]> reply;
    return SendRequestAndWait(text, kReqIsGameRunning, &length, payload, &result, &reply, true) &&
           result == kResultGameRunning;
}

bool CGameSession::RequestTableData() {
    uint8_t payload[32] = {};
    WriteHead(payload);
    std::string text;
    uint32_t length = sizeof(payload);
    uint32_t result = 0;
    std::unique_ptr<uint8_t[]> reply;
    if (!SendRequestAndWait(text, kReqTableData, &length, payload, &result, &reply, true) ||
        !reply || length == 0 || result != kResultTableData)
        return false;
    StoreEnterReply(reply.get(), length);
    return true;
}

bool CGameSession::CheckVersion(std::string& text, uint32_t* serverMajorOut,
                                uint32_t* serverMinorOut) {
    std::string requestText;
    uint32_t length = 0;
    uint32_t result = 0;
    std::unique_ptr<uint8_t[]> reply;
    // The reply is seven words; only the first two are read, and only when
    // they are there.
    if (!SendRequestAndWait(requestText, kReqCheckVersion, &length, nullptr, &result, &reply,
                            true) ||
        !reply || length < 8) {
        if (reply && length < 8) transport::LogPrintf("version reply of %u bytes refused", length);
        text = kTextBusy;
        return false;
    }
    const uint32_t major = platform::LoadLE32(&reply[0]);
    const uint32_t minor = platform::LoadLE32(&reply[4]);
    reply.reset();
    CGameApp* app = GetGameApp();
    const uint32_t ownMajor = app ? app->GetVersionMajor() : 0;
    const uint32_t ownMinor = app ? app->GetVersionMinor() : 0;
    if (major == ownMajor && minor == ownMinor) return true;
    if (major > ownMajor) {
        text = kTextTooOld;
        if (serverMajorOut) *serverMajorOut = major;
    } else if (ownMajor > major) {
        text = kTextUpdating;
    } else if (minor > ownMinor) {
        text = kTextNeedsUpdate;
        if (serverMinorOut) *serverMinorOut = minor;
    } else {
        text = kTextUpdating;
    }
    return false;
}

bool CGameSession::FillEnterRequest(std::span<uint8_t, kEnterPayloadSize> payload) {
    CGameApp* app = GetGameApp();
    if (!app) return false;
    const PlayerRecord* own = app->FindPlayer(app->GetUserId());
    if (!own) return false;
    const RoomRecord& room = app->Room();
    uint8_t* p = payload.data();
    auto word = [p](int i, uint32_t v) { platform::StoreLE32(p + 4 * i, v); };
    word(0, own->userId);
    word(1, own->flags);
    word(2, app->GetGameId());
    word(3, app->GetRoomId());
    word(4, uint32_t(app->GetTableNo()));
    word(5, uint32_t(app->GetOwnChair()));
    const std::string id = GetMachineUniqueId();
    std::memset(p + 24, 0, 32);
    std::memcpy(p + 24, id.data(), std::min<size_t>(id.size(), 31));
    word(14, app->GetLookerFlag());
    word(15, uint32_t(own->score));
    word(16, uint32_t(own->silver));
    word(17, own->word21);
    word(18, app->IsQuickCatch());
    word(19, room.options);
    word(20, room.word74);
    word(21, room.word73);
    for (int i = 0; i < 4; ++i)
        word(22 + i, room.words76to79[size_t(i)]);
    return true;
}

void CGameSession::StoreEnterReply(const uint8_t* data, uint32_t length) {
    CGameApp* app = GetGameApp();
    if (!app || !data || length == 0) return;
    std::span<uint8_t> block = app->GetTableData();
    // A game that keeps no table data has no block to fill.
    if (block.empty()) return;
    // A reply longer than the block is cut to it.
    std::memcpy(block.data(), data, std::min<size_t>(length, block.size()));
}

bool CGameSession::EnterGame(std::string& text) {
    std::array<uint8_t, kEnterPayloadSize> payload{};
    FillEnterRequest(payload);
    if (platform::LoadLE32(payload.data()) == 0) {
        text = kTextNoObject;
        return false;
    }
    uint32_t length = kEnterPayloadSize;
    uint32_t result = 0;
    std::unique_ptr<uint8_t[]> reply;
    if (!SendRequestAndWait(text, kReqEnterGame, &length, payload.data(), &result, &reply, true))
        return false;
    if (result != kResultEntered) return false;
    CGameApp* app = GetGameApp();
    if (reply && length > 0) {
        if (app) app->SetLaunchField9(app->GetLookerFlag() ? 0 : 1);
        StoreEnterReply(reply.get(), length);
    } else if (app) {
        app->SetLaunchField9(0);
    }
    return true;
}

bool CGameSession::SendStart(std::string& text) {
    text.clear();
    uint8_t payload[32] = {};
    WriteHead(payload);
    return SendNoWait(kReqStart, payload);
}

bool CGameSession::SendLeave(uint32_t userId, int32_t chair) {
    CGameApp* app = GetGameApp();
    uint8_t payload[96] = {};
    if (app) {
        auto word = [&payload](int i, uint32_t v) { platform::StoreLE32(payload + 4 * i, v); };
        word(0, userId);
        word(1, app->GetRoomId());
        word(2, uint32_t(app->GetTableNo()));
        word(3, uint32_t(chair));
        word(4, userId != app->GetUserId() ? 1 : 0);
        word(5, uint32_t(app->GetTableNo()));
        word(6, uint32_t(app->GetOwnChair()));
        word(7, app->GetUserId());
        const std::string id = GetMachineUniqueId();
        std::memcpy(payload + 32, id.data(), std::min<size_t>(id.size(), 31));
    }
    return SendNoWait(kReqLeave, payload);
}

bool CGameSession::SendChat(const std::string& text) {
    uint8_t payload[128] = {};
    WriteHead(payload);
    const std::string id = GetMachineUniqueId();
    std::memcpy(payload + 16, id.data(), std::min<size_t>(id.size(), 31));
    // 61 characters, and never more than the field holds with its NUL.
    const std::string cut = CutChars(text, kChatTextMaxChars, 79);
    std::memcpy(payload + 48, cut.data(), cut.size());
    return SendNoWait(kReqChat, payload);
}

bool CGameSession::SendCall(uint32_t userId) {
    uint8_t payload[40] = {};
    WriteHead(payload);
    CGameApp* app = GetGameApp();
    platform::StoreLE32(payload + 16, userId);
    platform::StoreLE32(payload + 20, uint32_t(app ? app->GetPlayerChair(userId) : -1));
    return SendNoWait(kReqCall, payload);
}

bool CGameSession::SendRequest201180(uint32_t value) {
    uint8_t payload[36] = {};
    WriteHead(payload);
    platform::StoreLE32(payload + 16, value);
    return SendNoWait(kReq201180, payload);
}

bool CGameSession::SendRequest201020() {
    uint8_t payload[16] = {};
    CGameApp* app = GetGameApp();
    platform::StoreLE32(payload, app ? app->GetUserId() : 0);
    return SendNoWait(kReqKeepAlive, payload);
}

}  // namespace client
