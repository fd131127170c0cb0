#pragma once
// CGameSession: the client's connection to the game server. On top of the
// transport it adds the hall's proxy settings, the connect step with the
// greeting, the cipher key, the one synchronous request helper that turns
// transport results into result codes and texts, per-request time-outs, the
// version check, entering the game and the framework's own requests. Game
// layers derive from it and may replace GetRequestTimeout and GetResultText.
//
// Everything runs on the user-interface thread; texts are GBK.

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "transport/comm_socket.h"
#include "transport/transport_socket.h"

namespace client {

class CGameApp;

// Request ids of the framework.
inline constexpr uint32_t kReqEnterGame = 200110;
inline constexpr uint32_t kReqCheckVersion = 201001;
inline constexpr uint32_t kReqKeepAlive = 201020;
inline constexpr uint32_t kReqLeave = 201120;
inline constexpr uint32_t kReqIsGameRunning = 201130;
inline constexpr uint32_t kReqTableData = 201140;
inline constexpr uint32_t kReqStart = 201160;
inline constexpr uint32_t kReq201180 = 201180;
inline constexpr uint32_t kReqCall = 201200;
inline constexpr uint32_t kReqChat = 201210;

// Result codes with a meaning here.
inline constexpr uint32_t kResultEntered = 200500;
inline constexpr uint32_t kResultGameRunning = 210030;
inline constexpr uint32_t kResultTableData = 10;
inline constexpr uint32_t kResultTimedOut = 1030;
inline constexpr uint32_t kResultConnectionLost = 1031;

inline constexpr uint32_t kEnterPayloadSize = 208;
inline constexpr size_t kChatTextMaxChars = 61;

// The greeting the server expects first: the 20 characters and their NUL.
inline constexpr char kGreeting[] = "Hello! Mirb Station.";

// The 16-byte key every message of the session is enciphered with; the
// server holds the same.
extern const std::array<uint8_t, 16> kSessionKey;

// [PROXY] of the hall's settings file.
struct ProxySettings {
    uint32_t need = 0;
    uint32_t port = 1080;
    uint32_t type = 3;  // 0 direct, 1 SOCKS4, 2 SOCKS4A, 3 SOCKS5, 4 HTTP CONNECT
    std::string host;
    std::string user;
    std::string password;
};

class CGameSession : public transport::CTransportSocket {
  public:
    CGameSession(const uint8_t* key, int keyBits, uint32_t cipherFlags, uint32_t compressionFlags);
    ~CGameSession() override;

    // The transport's own connect step stays reachable beside the session's.
    using CTransportSocket::Connect;

    // Slots after the transport's, in order.
    virtual bool InitCipherKey();
    virtual void Disconnect();
    virtual bool Connect(const std::string& name, const std::string& host, uint32_t port,
                         int* proxyFailedOut);
    virtual std::string GetProxyName() const;
    virtual void SetCommThreadId(uint32_t id);
    virtual void LoadProxySettings(const std::string& path);
    // Sends request `id` with `length` bytes of `data`. True on success:
    // *lengthInOut, *resultOut and *replyDataOut carry the reply and `text`
    // the result's text. False: `text` says why and *resultOut is 1031
    // (connection lost), 1030 (time-out) or 0 (the send failed; a result of
    // an earlier request never survives a failed one).
    virtual bool SendRequestAndWait(std::string& text, uint32_t id, uint32_t* lengthInOut,
                                    const uint8_t* data, uint32_t* resultOut,
                                    std::unique_ptr<uint8_t[]>* replyDataOut, bool wantsReply);
    virtual uint32_t GetRequestTimeout(uint32_t id);
    // The connection is up and the client has not decided to leave.
    bool MaySend();
    virtual void GetResultText(std::string& text, uint32_t code);
    virtual CGameApp* GetGameApp();
    virtual bool IsGameRunning();
    virtual bool RequestTableData();
    virtual bool CheckVersion(std::string& text, uint32_t* serverMajorOut,
                              uint32_t* serverMinorOut);
    virtual bool EnterGame(std::string& text);
    virtual bool SendStart(std::string& text);
    virtual bool SendLeave(uint32_t userId, int32_t chair);
    virtual bool SendChat(const std::string& text);
    virtual bool SendCall(uint32_t userId);
    virtual bool SendRequest201180(uint32_t value);
    virtual bool SendRequest201020();
    virtual bool FillEnterRequest(std::span<uint8_t, kEnterPayloadSize> payload);
    virtual void StoreEnterReply(const uint8_t* data, uint32_t length);

    uint32_t Port() const { return port_; }
    const std::string& Host() const { return host_; }
    const std::string& Name() const { return name_; }
    const ProxySettings& Proxy() const { return proxy_; }
    uint32_t CommThreadId() const { return commThreadId_; }

  protected:
    // The request payload head: own user id, room id, table number, own chair.
    void WriteHead(std::span<uint8_t> payload);
    // A request without a wait; true when it went out.
    bool SendNoWait(uint32_t id, std::span<const uint8_t> payload);

  private:
    uint32_t port_ = 0;
    std::string name_;
    std::string host_;
    ProxySettings proxy_;
    uint32_t commThreadId_ = 0;
    transport::CCommSocket proxySocket_;
};

// The text of a result code, or null when the code has none.
const char* ResultCodeText(uint32_t code);

}  // namespace client
