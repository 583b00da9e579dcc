// Scripted game server for Zelmora's integration tests, benchmarks and demo.
//
// Speaks the connectionless UDP protocol of the Call of Duty family the way a
// dedicated server does: "getstatus" is answered with a statusResponse, "rcon"
// commands with one or more "print" datagrams. Everything a test may want to
// provoke is scriptable: reply delay and loss, splitting of long outputs (and
// their order), rcon flood protection, the game's wrong-password text and the
// layout of variable reads. Binds to 127.0.0.1 only.
//
// Plain C++20 and POSIX sockets; no Qt.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace zelmora::testing {

// One connected client as the server shows it in "status" and "getstatus".
struct TestPlayer {
  int num = 0;  // client slot
  int score = 0;
  std::string ping = "50";  // "48", or "CNCT"/"ZMBI" for connecting/zombie clients
  std::string guid = "0";   // printed right-aligned in 6 columns
  std::string name;         // with colour codes; the server appends "^7" in "status"
  std::string ip = "127.0.0.1";
  int port = 28960;
  int qport = 0;
  int rate = 25000;
  int lastmsg = 0;
};

// Ordered list of variables: order and duplicates are kept as scripted.
using VarList = std::vector<std::pair<std::string, std::string>>;

struct TestServerConfig {
  uint16_t port = 0;  // 0 = ephemeral
  // Loopback address to bind (anything in 127.0.0.0/8), so that many servers
  // can share one port at distinct addresses as real lists do.
  std::string bindHost = "127.0.0.1";
  // Empty: every rcon command is refused with "No rconpassword set." like a
  // server started without a password.
  std::string rconPassword;
  // Public variables of the statusResponse, in this order.
  VarList vars;
  // Further console variables that can be read and written over rcon but are
  // not part of the statusResponse.
  VarList cvars;
  std::vector<TestPlayer> players;

  int replyDelayMs = 0;         // every reply is held back this long
  double dropShare = 0;         // share of reply datagrams silently dropped (0..1)
  uint64_t seed = 0x5eed;       // seeds the PRNG behind dropShare and shuffleSplit
  size_t splitBytes = 1000;     // max output bytes per "print" datagram; 0 = never split
  bool shuffleSplit = false;    // send the parts of a split output out of order
  bool floodProtection = true;  // drop rcon commands arriving too soon
  int floodIntervalMs = 500;    // ... i.e. less than this after the previous one
  // Whose previous command counts: the server's last one from anybody (as the
  // games do: a command from another socket of the same program, or from
  // another program, is just as much "the previous one"), or only the same
  // sender's (address and port), as some later server builds do.
  bool floodPerSender = false;
  // Request limiter of ioquake3 servers and some server mods: per sender
  // address (not port) a leaky bucket of limiterBurst requests that loses
  // one every limiterPeriodMs; getstatus and rcon share it, and a request
  // over the limit is dropped without a word. 0 = no limiter (the stock
  // Call of Duty servers).
  int limiterBurst = 0;
  int limiterPeriodMs = 1000;
  // How "status" prints its table: the Call of Duty columns or ioquake3's
  // ("cl score ping name address rate", the name padded before its "^7").
  enum class StatusLayout { CallOfDuty, Ioquake3 };
  StatusLayout statusLayout = StatusLayout::CallOfDuty;
  std::string badPasswordReply = "Bad rconpassword.";
  bool blankAfterColon = false;       // `is: "v^7" default: "d^7"` instead of `is:"v^7"`
  std::vector<std::string> mapFiles;  // listed by "dir maps/mp <ext>"
  std::vector<std::string> cfgFiles;  // listed by "dir / .cfg", accepted by "exec"
  size_t maxRecorded = 100000;        // received datagrams kept for received(); oldest go first
  // Benchmarks: run the server's thread at a real-time priority where the
  // system allows it (root), so that its delayed replies leave on time even
  // while the machine is busy; otherwise it runs as any thread.
  bool realtime = false;

  // Optional script run first for every received datagram (whole, with its
  // four 0xFF bytes). Returning true answers the request with `replies`
  // (complete datagrams, possibly none) instead of the normal handling;
  // delay and loss still apply. Runs on the server thread under the server's
  // lock: it must not call back into the TestServer.
  std::function<bool(std::string_view request, std::vector<std::string>& replies)> script;

  // A protocol-6 (Call of Duty 1.5) server on mp_harbor, game type sd, with the
  // stock variables, map and configuration lists.
  TestServerConfig();
};

// Variables every statusResponse of the default configuration carries.
VarList DefaultStatusVars();
// Console-only variables of the default configuration (game-type settings,
// g_password, g_banIPs, ...).
VarList DefaultConsoleVars();
// Stock multiplayer maps of the game that speaks this protocol, with the file
// extension of that game (".bsp" for protocols 5/6/21/22, ".d3dbsp" otherwise).
std::vector<std::string> DefaultMapFiles(int protocol);
std::vector<std::string> DefaultCfgFiles();
// "1.5" for 6, "1.3" for 118, ...; "" for unknown protocols.
std::string ShortVersionFor(int protocol);
// Switches a configuration to another game: protocol and shortversion
// variables, map files (and mapname when the current map does not exist in that
// game) and the game's wrong-password text.
void ApplyProtocol(TestServerConfig& config, int protocol);
// Invents count plausible players: colour-coded names, 6-digit GUIDs,
// 127.0.0.x addresses, pings. Deterministic for a given seed.
std::vector<TestPlayer> InventPlayers(int count, uint64_t seed = 1);
// Public IPv4 addresses of well-known networks in 16 countries (Germany,
// Austria, Switzerland, the Netherlands, ...), so that a console shows real
// countries and flags. They are only text in the status tables: the server
// never sends anything to them. A console that looks up their providers
// must run without a route out (its own network namespace).
const std::vector<std::string>& PublicPlayerAddresses();
// Gives the players these addresses in turn.
void UsePublicAddresses(std::vector<TestPlayer>& players);

// Value of the variable name in vars (last match, case-insensitive); "" if absent.
std::string FindVar(const VarList& vars, std::string_view name);
// Sets every occurrence of name (case-insensitive); appends when absent.
void SetVar(VarList& vars, std::string_view name, std::string value);

struct ReceivedDatagram {
  std::string data;      // whole datagram, including the four 0xFF bytes
  std::string fromHost;  // dotted IPv4
  int fromPort = 0;
  std::chrono::steady_clock::time_point at;
};

struct TestServerStats {
  uint64_t received = 0;          // datagrams of any kind
  uint64_t statusQueries = 0;     // getstatus answered
  uint64_t rconAccepted = 0;      // rcon commands executed
  uint64_t rconBadPassword = 0;   // rcon refused for the password
  uint64_t rconFloodDropped = 0;  // rcon dropped by flood protection
  uint64_t limiterDropped = 0;    // getstatus or rcon dropped by the request limiter
  uint64_t ignored = 0;           // not out-of-band, unknown request, ...
  uint64_t repliesSent = 0;       // datagrams actually sent
  uint64_t repliesDropped = 0;    // datagrams dropped by dropShare
};

namespace detail {
class ServerLoop;
}

// One server on its own thread. Binds config.bindHost (127.0.0.1 unless set).
class TestServer {
 public:
  TestServer();
  ~TestServer();  // stops
  TestServer(const TestServer&) = delete;
  TestServer& operator=(const TestServer&) = delete;

  // Binds 127.0.0.1:config.port and starts serving. False when the port cannot
  // be bound or the server already runs.
  bool start(const TestServerConfig& config = TestServerConfig());
  // Prompt: wakes the thread, joins it, closes the socket. Pending delayed
  // replies are discarded.
  void stop();
  bool running() const;
  uint16_t port() const;  // 0 while stopped
  static std::string host() { return "127.0.0.1"; }

  // Current configuration, including what rcon commands changed (vars, players).
  TestServerConfig config() const;
  // Replaces the configuration while running (its port field is ignored).
  void setConfig(const TestServerConfig& config);
  // Edits the configuration atomically with respect to request handling.
  void update(const std::function<void(TestServerConfig&)>& edit);
  void setPlayers(std::vector<TestPlayer> players);
  void setVar(std::string_view name, std::string value);  // status var when present, else cvar
  std::string var(std::string_view name) const;
  void setReplyDelayMs(int ms);

  std::vector<ReceivedDatagram> received() const;
  uint64_t receivedCount() const;  // total since start or clearReceived()
  void clearReceived();
  // received() and clearReceived() in one step: nothing is lost in between.
  std::vector<ReceivedDatagram> takeReceived();
  // Waits until receivedCount() >= count; false on timeout.
  bool waitForReceived(uint64_t count, std::chrono::milliseconds timeout) const;
  // rcon commands executed (password and flood checks passed), in order.
  std::vector<std::string> executedCommands() const;
  // When each reply datagram actually left (delays included), oldest first,
  // as many as maxRecorded.
  std::vector<std::chrono::steady_clock::time_point> sentTimes() const;
  TestServerStats stats() const;

  // Sends raw bytes from the server's socket, e.g. an unsolicited or hostile
  // datagram that appears to come from this server.
  bool sendTo(const std::string& host, uint16_t port, std::string_view bytes);

 private:
  std::unique_ptr<detail::ServerLoop> loop_;
};

// Many servers on one thread (one socket each, served by a single poll loop):
// cheap enough for hundreds of servers in benchmarks.
class TestServerFarm {
 public:
  TestServerFarm();
  ~TestServerFarm();
  TestServerFarm(const TestServerFarm&) = delete;
  TestServerFarm& operator=(const TestServerFarm&) = delete;

  // count servers of the default configuration with sv_hostname "Server <i>"
  // (i = 0 .. count-1), each on an ephemeral port.
  bool start(size_t count);
  bool start(std::vector<TestServerConfig> configs);
  void stop();
  bool running() const;

  size_t size() const;
  uint16_t port(size_t index) const;
  std::string host(size_t index) const;  // the address it is bound to
  std::vector<uint16_t> ports() const;

  TestServerConfig config(size_t index) const;
  void update(size_t index, const std::function<void(TestServerConfig&)>& edit);
  std::vector<ReceivedDatagram> received(size_t index) const;
  uint64_t receivedCount(size_t index) const;
  uint64_t totalReceived() const;
  // Waits until totalReceived() >= count; false on timeout.
  bool waitForTotalReceived(uint64_t count, std::chrono::milliseconds timeout) const;
  TestServerStats stats(size_t index) const;
  bool sendTo(size_t index, const std::string& host, uint16_t port, std::string_view bytes);

 private:
  std::unique_ptr<detail::ServerLoop> loop_;
};

}  // namespace zelmora::testing
