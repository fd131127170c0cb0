#pragma once
// Real proxy daemons on loopback, each started on first use from a private
// folder: dante (SOCKS4 and SOCKS5 with username/password), tinyproxy (HTTP CONNECT with Basic
// authorization) and OpenSSH's dynamic forwarding (SOCKS4A). A name that only the proxies can
// resolve comes from a private /etc/hosts in the daemon's own mount namespace, where that works.

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

namespace proxypeer {

// A program in the foreground, killed (SIGTERM, then SIGKILL) on destruction.
class Daemon {
  public:
    Daemon() = default;
    ~Daemon();
    Daemon(const Daemon&) = delete;
    Daemon& operator=(const Daemon&) = delete;
    // Starts argv (stdout and stderr into `logPath`) and waits until `port`
    // accepts a connection or the program ends.
    bool Start(const std::vector<std::string>& argv, const std::string& logPath, uint16_t port,
               int timeoutMs = 10000);
    void Stop();

  private:
    pid_t pid_ = -1;
};

// Runs argv to completion; true on exit status 0.
bool RunCommand(const std::vector<std::string>& argv);

class RealProxies {
  public:
    enum Kind { kDante, kTinyproxy, kSsh };
    // The names and credentials the daemons know.
    static constexpr const char* kProxyOnlyName = "qevo-game.test";
    static constexpr const char* kSocksUser = "qevoproxy";  // made by tools/setup.sh
    static constexpr const char* kSocksPassword = "proxy-pass-1";
    static constexpr const char* kHttpUser = "qevo";
    static constexpr const char* kHttpPassword = "secret-9";

    RealProxies();
    ~RealProxies();
    RealProxies(const RealProxies&) = delete;
    RealProxies& operator=(const RealProxies&) = delete;

    // Starts the daemon of `kind` if it is not running yet: empty when it
    // runs, else why it cannot here.
    std::string Missing(Kind kind);
    uint16_t Port(Kind kind) const { return ports_[kind]; }
    // Whether the daemons resolve kProxyOnlyName.
    bool PrivateHosts() const { return privateHosts_; }

  private:
    std::string File(const std::string& name) const { return dir_ + "/" + name; }
    void Write(const std::string& name, const std::string& text) const;
    std::vector<std::string> WithPrivateHosts(const std::vector<std::string>& argv);
    std::string StartDante();
    std::string StartTinyproxy();
    std::string StartSsh();

    std::string dir_;
    bool privateHosts_ = false;
    uint16_t ports_[3] = {};
    bool tried_[3] = {};
    std::string missing_[3];
    Daemon danteAuth_, tinyproxy_, sshd_, ssh_;
};

}  // namespace proxypeer
