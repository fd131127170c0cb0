#pragma once
// A table on the network: a listening socket on loopback and any number of
// clients, each greeted and then served by one TableGame, all on one thread.
// The table's time comes from the process clock (platform::CurrentClock), so
// a test that installs a ManualClock moves time and then calls Poke. Every
// public call is thread-safe.

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "tools/gameserver/link.h"
#include "tools/gameserver/table_game.h"

namespace gameserver {

class TableServer {
  public:
    // `log` receives the table's and the connections' lines on the server's
    // thread; without one they are kept for Log().
    explicit TableServer(TableOptions table, ServerOptions wire = {},
                         std::function<void(const std::string&)> log = {});
    ~TableServer();
    TableServer(const TableServer&) = delete;
    TableServer& operator=(const TableServer&) = delete;

    // Listens on 127.0.0.1:port (0 = a free port) and starts the thread;
    // the port, or 0 on failure.
    uint16_t Start(uint16_t port = 0);
    void Stop();
    uint16_t port() const { return listener_.port; }

    // Runs what fell due: call it after moving a ManualClock.
    void Poke();
    // Runs `job` with the table on the server's thread and waits for it.
    void WithTable(const std::function<void(TableGame&)>& job);
    // The table data that chair's client would get now.
    rules::TableRecord SeatView(int32_t chair);
    // Fault injection: the next reply to request `id` is not sent (a reply
    // lost on its way).
    void DropNextReply(uint32_t id);
    int rounds();
    int connections();
    std::vector<std::string> Log();

  private:
    struct Connection;
    class Events;

    void Run();
    void Post(std::function<void()> job);
    void Accept();
    void Read(Connection& c);
    void Write(Connection& c);
    void Flush();
    void Note(std::string line);
    void Close(int fd, const std::string& why);

    ServerOptions wire_;
    TableGame table_;
    std::function<void(const std::string&)> log_;
    Listener listener_;
    std::thread thread_;
    bool stopping_ = false;

    std::mutex mutex_;
    std::vector<std::function<void()>> jobs_;
    std::vector<std::string> lines_;

    // Server thread only.
    std::map<int, std::unique_ptr<Connection>> connections_;
    std::vector<uint32_t> dropReplies_;
    PacketWriter writer_{wire_};
};

}  // namespace gameserver
