#include "tools/proxypeer/daemons.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>

#include "tools/proxypeer/proxy_peer.h"

extern char** environ;

namespace proxypeer {

namespace {

bool ConnectsNow(uint16_t port) {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(port);
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const bool ok = connect(fd, reinterpret_cast<sockaddr*>(&to), sizeof(to)) == 0;
    close(fd);
    return ok;
}

pid_t Spawn(const std::vector<std::string>& argv, const char* out) {
    std::vector<char*> args;
    for (const std::string& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, out, O_WRONLY | O_CREAT | O_APPEND, 0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    pid_t pid = -1;
    const int rc = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    return rc == 0 ? pid : -1;
}

// Whether `unshare --mount` with a bind mount works here.
bool PrivateMountsWork(const std::string& hostsFile) {
    return RunCommand({"unshare", "--mount", "sh", "-c",
                       "mount --bind " + hostsFile + " /etc/hosts && grep -q " +
                           RealProxies::kProxyOnlyName + " /etc/hosts"});
}

std::string DanteConfig(const std::string& log, uint16_t port) {
    return "logoutput: " + log + "\ninternal: 127.0.0.1 port = " + std::to_string(port) +
           "\nexternal: 127.0.0.1\nsocksmethod: username"
           "\nclientmethod: none\nuser.privileged: root\nuser.unprivileged: nobody\n"
           "client pass {\n  from: 127.0.0.0/8 to: 0.0.0.0/0\n}\n"
           "socks pass {\n  from: 127.0.0.0/8 to: 0.0.0.0/0\n  command: connect\n}\n";
}

}  // namespace

Daemon::~Daemon() {
    Stop();
}

bool Daemon::Start(const std::vector<std::string>& argv, const std::string& logPath, uint16_t port,
                   int timeoutMs) {
    pid_ = Spawn(argv, logPath.c_str());
    if (pid_ < 0) return false;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (std::chrono::steady_clock::now() < deadline) {
        if (ConnectsNow(port)) return true;
        int status = 0;
        if (waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = -1;
            return false;
        }
        // Waiting on another process to come up; nothing to drive here.
        usleep(20 * 1000);
    }
    Stop();
    return false;
}

void Daemon::Stop() {
    if (pid_ <= 0) return;
    kill(pid_, SIGTERM);
    int status = 0;
    for (int i = 0; i < 100; ++i) {
        if (waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = -1;
            return;
        }
        usleep(20 * 1000);
    }
    kill(pid_, SIGKILL);
    waitpid(pid_, &status, 0);
    pid_ = -1;
}

bool RunCommand(const std::vector<std::string>& argv) {
    const pid_t pid = Spawn(argv, "/dev/null");
    int status = 0;
    return pid > 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status) &&
           WEXITSTATUS(status) == 0;
}

RealProxies::RealProxies() {
    char pattern[] = "/tmp/qevo-proxy-XXXXXX";
    if (const char* made = mkdtemp(pattern)) dir_ = made;
    // Daemons that drop privileges still read their files here.
    chmod(dir_.c_str(), 0755);
    Write("hosts", std::string("127.0.0.1 ") + kProxyOnlyName + "\n127.0.0.1 localhost\n");
    privateHosts_ = PrivateMountsWork(File("hosts"));
}

RealProxies::~RealProxies() {
    danteAuth_.Stop();
    tinyproxy_.Stop();
    ssh_.Stop();
    sshd_.Stop();
    std::error_code ec;
    if (!dir_.empty()) std::filesystem::remove_all(dir_, ec);
}

void RealProxies::Write(const std::string& name, const std::string& text) const {
    std::ofstream(File(name), std::ios::binary | std::ios::trunc) << text;
}

std::vector<std::string> RealProxies::WithPrivateHosts(const std::vector<std::string>& argv) {
    if (!privateHosts_) return argv;
    std::string command = "mount --bind " + File("hosts") + " /etc/hosts && exec";
    for (const std::string& a : argv)
        command += " '" + a + "'";
    return {"unshare", "--mount", "sh", "-c", command};
}

std::string RealProxies::Missing(Kind kind) {
    if (!tried_[kind]) {
        tried_[kind] = true;
        missing_[kind] = kind == kDante       ? StartDante()
                         : kind == kTinyproxy ? StartTinyproxy()
                                              : StartSsh();
    }
    return missing_[kind];
}

std::string RealProxies::StartDante() {
    if (geteuid() != 0) return "needs root (dante checks system passwords and drops privileges)";
    ports_[kDante] = FreePort();
    Write("danted.conf", DanteConfig(File("danted.log"), ports_[kDante]));
    return danteAuth_.Start(WithPrivateHosts({"danted", "-N", "1", "-f", File("danted.conf")}),
                            File("danted.out"), ports_[kDante])
               ? ""
               : "danted did not start";
}

std::string RealProxies::StartTinyproxy() {
    ports_[kTinyproxy] = FreePort();
    Write("tinyproxy.conf", "Port " + std::to_string(ports_[kTinyproxy]) +
                                "\nListen 127.0.0.1\nTimeout 60\nMaxClients 20\n"
                                "Allow 127.0.0.1\nBasicAuth " +
                                kHttpUser + " " + kHttpPassword + "\nLogLevel Info\nLogFile \"" +
                                File("tinyproxy.log") + "\"\nPidFile \"" + File("tinyproxy.pid") +
                                "\"\n");
    return tinyproxy_.Start({"tinyproxy", "-d", "-c", File("tinyproxy.conf")},
                            File("tinyproxy.out"), ports_[kTinyproxy])
               ? ""
               : "tinyproxy did not start";
}

std::string RealProxies::StartSsh() {
    if (geteuid() != 0) return "needs root (a private sshd and its mount namespace)";
    if (access("/run/sshd", F_OK) != 0) return "/run/sshd is missing";
    if (!RunCommand({"ssh-keygen", "-q", "-t", "ed25519", "-N", "", "-f", File("hk")}) ||
        !RunCommand({"ssh-keygen", "-q", "-t", "ed25519", "-N", "", "-f", File("id")}) ||
        !RunCommand({"cp", File("id.pub"), File("authorized_keys")}))
        return "ssh-keygen failed";
    const uint16_t sshdPort = FreePort();
    Write("sshd_config", "Port " + std::to_string(sshdPort) +
                             "\nListenAddress 127.0.0.1\nHostKey " + File("hk") +
                             "\nAuthorizedKeysFile " + File("authorized_keys") +
                             "\nPermitRootLogin prohibit-password\n"
                             "PasswordAuthentication no\nKbdInteractiveAuthentication no\n"
                             "UsePAM no\nStrictModes no\nAllowTcpForwarding yes\nPidFile " +
                             File("sshd.pid") + "\n");
    if (!sshd_.Start(WithPrivateHosts({"/usr/sbin/sshd", "-D", "-e", "-f", File("sshd_config")}),
                     File("sshd.out"), sshdPort))
        return "sshd did not start";
    ports_[kSsh] = FreePort();
    const bool started =
        ssh_.Start({"ssh", "-N", "-D", "127.0.0.1:" + std::to_string(ports_[kSsh]), "-p",
                    std::to_string(sshdPort), "-i", File("id"), "-o", "BatchMode=yes", "-o",
                    "StrictHostKeyChecking=no", "-o", "UserKnownHostsFile=/dev/null", "-o",
                    "ExitOnForwardFailure=yes", "root@127.0.0.1"},
                   File("ssh.out"), ports_[kSsh]);
    return started ? "" : "ssh -D did not start";
}

}  // namespace proxypeer
