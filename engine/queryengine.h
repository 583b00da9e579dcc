// The query engine: the sockets, the worker threads that receive the
// servers' replies, the timers that schedule the queries, and the reply
// handlers that run on the main thread.
//
// Threads. The main thread sends every request except the status poll's and
// runs every handler and timer. The workers only receive:
//   get    - reads querySocket (answers to "getstatus" and to SendRcon) as
//            fast as datagrams come, 200 ms waits, into a bounded inbox, each
//            stamped with its arrival time (the system's receive stamp), so
//            neither a busy main thread nor a small kernel buffer loses or
//            delays a reply of a large sweep;
//   get's hand-over thread - hands the inbox's datagrams, in order, to the
//            main thread and waits until they have been handled there;
//   getb   - udpb (answers to SendRconVar), 100 ms waits
//   status - polls the selected server's rcon player table over its own socket
// and providerres (geo/) resolves providers; a name cache (geo/namecache.h)
// resolves host names of listed servers, so no send ever waits on a name
// lookup. A worker hands each result to the main thread and waits until the
// handler has run there; everything the handlers touch (AppState) is
// therefore main-thread only. The workers keep just what they received:
//   - which entry a statusResponse belongs to (first entry with equal host
//     and port text, through an index) and its ping (against the last query
//     sent before the datagram arrived) are worked out on the main thread,
//     immediately before HandleReply, in the same hand-over;
//   - the status thread takes the poll request (TakeStatusPollRequest) in a
//     hand-over, collects and parses the table on its own thread into a local
//     table, and hands that over for the address/GUID lookups and
//     StatusTableReady.
//
// Rcon commands are bound to their server (its uid) when the operator acts
// and wait in that server's line (RconLines) until their time has come; the
// main thread never sleeps for them. They leave to that entry's own address
// with its password of that moment, spaced with the status poll for the
// servers' flood protection (RconPacer). Replies belong to their sender:
// every datagram is attributed by its address and port (a host name by the
// address it resolved to); the print datagrams of one output are joined
// before they are shown or parsed, and only the selected server's reach
// the views.
//
// Shutdown asks the threads to stop (status, providerres, get, getb) and
// waits for each with a deadline; a worker waiting in a hand-over gives up at
// once when asked to stop, so closing never hangs and no handler runs after
// Shutdown has returned.
#pragma once

#include <QObject>
#include <QTimer>

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "engine/appstate.h"
#include "engine/enginetimer.h"
#include "engine/engineview.h"
#include "engine/rconlines.h"
#include "engine/rconpacer.h"
#include "geo/namecache.h"
#include "protocol/replyjoin.h"

namespace zelmora {

class SettingsStore;
class QtMainThreadInvoker;

// How one rcon command waits and what it is.
struct RconOptions {
  RconKind kind = RconKind::Action;
  // Query channel: the pause (700 ms) after it was issued and after the
  // server's previous query command; variable channel: none. Given here it
  // replaces the wait after issue.
  std::optional<std::chrono::milliseconds> afterIssue;
  std::chrono::milliseconds afterPrevious{0};  // after the server's previous command
  RconLines::Done done;                        // left (true) or dropped (false)
};

class QueryEngine : public QObject {
  Q_OBJECT

 public:
  // Outcome of an rcon send. Sent: in its server's line, it goes out in
  // order when its time has come. Network paths report nothing to the
  // operator; Failed carries the reason for tests and callers.
  enum class SendResult { Sent, NoServer, Failed };
  using ServerId = std::uint64_t;
  using RconOptions = zelmora::RconOptions;
  // Which half of the periodic-query settings ApplyQuerySettings applies.
  enum class QueryTimers { Both, AllServers, Selected };

  // The datagram being handled (fields of the get thread's current datagram).
  struct Reply {
    std::string text;
    std::string host;
    int port = -1;
    double time = 0;  // HiResMs of the arrival
    int server = 0;   // serverlist index of its sender, -1 for none
    double ping = 0;  // time - sendtime of that entry
  };

  // What the status thread takes for one poll: the address (dotted, the
  // host text resolved), the port, the password, and its place in the
  // server's rcon line.
  struct StatusPollRequest {
    ServerId server = 0;
    std::string host;
    std::string port;
    std::string password;
    std::string paceKey;
    std::uint64_t ticket = 0;
  };

  // Handed-over result of one status poll.
  struct StatusPollResult {
    bool parsed = false;                           // ParseStatusInfo succeeded
    bool tableReady = false;                       // StatusTableReady runs after applying
    Tstatusinfo rows;                              // fields 0 to 8 (when parsed)
    ServerId server = 0;                           // the polled entry
    std::chrono::steady_clock::time_point sent{};  // when its "status" left
  };

  struct Counters {
    std::uint64_t datagrams = 0;        // handed over by get
    std::uint64_t statusResponses = 0;  // attributed to a listed entry and handled
    std::uint64_t unattributed = 0;     // statusResponses from unlisted senders
    std::uint64_t varReplies = 0;       // handed over by getb
    std::uint64_t statusTables = 0;     // StatusTableReady calls
    std::uint64_t inboxDropped = 0;     // datagrams dropped because the inbox was full
    std::uint64_t printOutputs = 0;     // joined print outputs of listed senders
    std::uint64_t unanswered = 0;       // commands without an answer within 2 s
    std::uint64_t rconSent = 0;         // rcon datagrams sent from the lines
    std::uint64_t getStatusSent = 0;    // getstatus queries sent
  };

  // state, settings and view must outlive the engine.
  QueryEngine(AppState& state, const SettingsStore& settings, EngineView& view,
              QObject* parent = nullptr);
  ~QueryEngine() override;  // Shutdown

  // Start-up step 4: creates querySocket and udpb, then starts get, getb,
  // status and providerres in this order. False when a socket cannot be
  // created (nothing is started then). providerres works with copies of
  // state.ranges and state.flagCodes taken here: load them before.
  bool Start();
  // The name lookup used for host texts that are not dotted addresses (the
  // system resolver unless replaced; tests inject a stub). Before Start.
  void SetNameResolver(NameCache::ResolveFn resolve, NameCacheTiming timing = {});
  // Requests termination of status, providerres, get and getb (in this
  // order), then waits for each until deadline has passed in total. A
  // reverse lookup that still blocks is left to finish on its own (it no
  // longer reaches the main thread). Idempotent; never blocks beyond the
  // deadline plus one receive wait.
  void Shutdown(std::chrono::milliseconds deadline = std::chrono::milliseconds(3000));
  bool Running() const { return running_; }

  // --- sends (main thread) ---------------------------------------------------
  // Makes host/port the current target when both are non-empty.
  void SetTarget(std::string_view port, std::string_view host);
  // "getstatus" to the entry's host and port. False (with the reason) when
  // index is no entry, its port text is not a port number, its host name is
  // not resolved (yet; the lookup runs in the background) or the send fails.
  // The callers stamp sendtime in their own order; the engine also notes the
  // moment right before the send for the ping of the replies.
  bool SendGetStatus(int index, std::string* error = nullptr);
  // Rcon command for the selected entry (bound to it now), over querySocket
  // 700 ms after now and after the server's previous query command, then as
  // soon as the flood spacing allows. NoServer when selected is no entry.
  SendResult SendRcon(std::string_view command, RconOptions options = {});
  // The same over udpb, without the pause.
  SendResult SendRconVar(std::string_view command, RconOptions options = {});
  // Rcon command for the entry with this identity. NoServer when there is
  // none; Failed when its port text is no port number (nothing is queued).
  // It leaves to that entry's address with that entry's password at the
  // moment it leaves; an entry deleted meanwhile takes its line with it.
  SendResult Rcon(ServerId server, RconChannel channel, std::string_view command,
                  RconOptions options = {});
  // Drops the reads waiting in the server's line (another server selected).
  void DropReadsOf(ServerId server);
  // The selected entry's identity, 0 for none.
  ServerId SelectedUid() const { return state_.SelectedUid(); }

  // --- status poll request (main thread) -------------------------------------
  // Asks for one poll of the selected entry (nothing when selected is no
  // entry) or of the entry with this identity.
  void RequestStatusPoll();
  void RequestStatusPoll(ServerId server);
  // What the status thread does at the start of a pass: the first requested
  // server that is listed and has an rcon password, taken out of the
  // requests with its destination and password; requests of servers that
  // are gone or have none are dropped; one whose host name is not resolved
  // yet waits. No value when nothing is to be polled.
  std::optional<StatusPollRequest> TakeStatusPollRequest();

  // --- handlers (main thread) -------------------------------------------------
  // One datagram of querySocket: attributed to its sender (the first entry
  // whose address and port it came from), then HandleReply. time is its
  // arrival.
  void HandleQueryDatagram(std::string text, std::string host, int port, double time);
  // Index of the first entry whose address (the dotted host text, or the
  // address its host name resolved to) and port text are host and port
  // (decimal), -1 for none. Kept in an index that follows
  // AppState::listGeneration, the list's length and the name cache.
  int FirstEntryFor(const std::string& host, int port);
  // Handles reply() for reply().server: a statusResponse at once; a print
  // datagram joins its output, which is shown and parsed once complete
  // (FinishReplies).
  void HandleReply();
  // One datagram of udpb: passes the first output line to the view's
  // ApplyVarReply when it came from the selected entry.
  void HandleVarReply(const std::string& text, const std::string& host, int port);
  // Shows and parses every print output that is complete now (all of them
  // with all = true), matches it to the command it answers and marks
  // commands that got no answer within 2 s in the console.
  void FinishReplies(bool all = false);
  // Applies a status poll result: for the selected entry to statusRows
  // (lookups of fields 9 to 13) and the views, for another polled entry only
  // to the view's continuation (its pending kicks); nothing for an entry
  // that is gone.
  void ApplyStatusPollResult(StatusPollResult result);
  // First step of the table's arrival: statusRowsView := statusRows, then the
  // view's continuation.
  void StatusTableReady();

  // --- timers and buttons (main thread) --------------------------------------
  void Timer3Timer();   // start-up sweep (once)
  void Button6Click();  // sweep of all but the selected server (also Timer5)
  // Whether a sweep is still sending its slices.
  bool SweepRunning() const { return startUpSweep_.running || periodicSweep_.running; }
  void Timer1Timer();  // selected-server query and status poll request
  void Timer2Timer();  // deferredCommand (once)
  void Timer4Timer();  // "status" (once)
  // Periodic-query settings onto Timer5/Timer1 and the refresh buttons.
  // Returns "" or the integer conversion message; a failing half stops the
  // rest (with Both, the second half is not applied).
  std::string ApplyQuerySettings(QueryTimers which = QueryTimers::Both);
  // Timer3 on when startq is set (settings window creation).
  void ApplyStartQuerySetting();
  void Minimize();        // Timer5 and Timer1 off
  std::string Restore();  // ApplyQuerySettings; "" or its message
  // Players-tab part of a page change of the tab control.
  void OnPageChanged(bool playersTabShown);

  EngineTimer& Timer1() { return *timer1_; }
  EngineTimer& Timer2() { return *timer2_; }
  EngineTimer& Timer3() { return *timer3_; }
  EngineTimer& Timer4() { return *timer4_; }
  EngineTimer& Timer5() { return *timer5_; }

  // --- inspection ---------------------------------------------------------------
  const Reply& reply() const { return reply_; }
  const Counters& counters() const { return counters_; }
  std::uint16_t QueryLocalPort() const;
  std::uint16_t VarLocalPort() const;
  std::uint16_t StatusLocalPort() const;  // 0 until the status thread has its socket
  // Status poll passes that sent a request and have ended (with or without a
  // table); counted on the status thread.
  std::uint64_t StatusPollsFinished() const;
  // Of those, the passes that got an answer.
  std::uint64_t StatusPollsAnswered() const;
  // The pause of SendRcon (700 ms). Tests that are not about it shorten it.
  void SetRconPause(std::chrono::milliseconds pause) { rconPause_ = pause; }
  std::chrono::milliseconds RconPause() const { return rconPause_; }
  // Rcon commands waiting in the lines, in all or in one server's.
  std::size_t HeldRcon() const { return lines_.Waiting(); }
  std::vector<std::string> HeldRconFor(ServerId server) const { return lines_.Texts(server); }
  // A command without any answer this long after it left is marked in the
  // console; the check runs once an answer that came in time is surely
  // complete (its output's quiet time has passed).
  static constexpr double kAnswerWaitMs = 2000;
  static constexpr double kUnansweredAfterMs = kAnswerWaitMs + PrintJoiner::kDefaultGapMs + 50;
  // Hand-overs queued by workers and not yet run (tests: a worker waiting
  // in one).
  std::size_t PendingHandOvers() const;
  // Receive buffer the system granted querySocket (0 before Start).
  int QueryReceiveBuffer() const;

  // Receive buffer asked of the system for querySocket and udpb (the kernel
  // may grant less, on Linux at most net.core.rmem_max; the get thread's
  // inbox holds the burst of a large sweep then).
  static constexpr int kBurstReceiveBuffer = 4 * 1024 * 1024;
  // Longest datagram taken on querySocket and by the status poll; udpb
  // takes up to 81920 bytes.
  static constexpr std::size_t kMaxDatagram = 8192;
  static constexpr std::size_t kMaxVarDatagram = 81920;
  // The get thread's inbox: datagrams received and not yet handled.
  static constexpr std::size_t kInboxDatagrams = 32768;
  static constexpr std::size_t kInboxBytes = 64u * 1024 * 1024;
  // A status poll collects at most this much; a chatty or spoofing sender
  // cannot keep it going.
  static constexpr std::size_t kMaxStatusDatagrams = 64;
  // A sweep sends this many queries, then pauses this long (10 000 a second).
  static constexpr int kSweepSlice = 50;
  static constexpr int kSweepPauseMs = 5;
  static constexpr std::size_t kMaxStatusBytes = 256 * 1024;

 private:
  struct Workers;

  void PumpLines();
  void SchedulePump();
  void SendHead(RconLines::Command& c, RconLines::Clock::time_point now);
  void NoteSent(ServerId server, RconChannel channel, const std::string& sender,
                const std::string& paceKey, const std::string& command, double at);
  void FollowGetStatus(const Tserverrec& e, double at);
  void SyncThrottled();
  void Answered(const std::string& sender, RconChannel channel, double firstArrival);
  bool FromSelected(const std::string& host, int port);
  void StartUpSweepSlice();
  void EndStartUpSweep();
  void PeriodicSweepSlice();
  void NoteSend(const Tserverrec& e, double at);
  double SendTimeBefore(const Tserverrec& e, double arrival) const;
  const Taddrrec* CachedAddress(const std::string& ip);
  int DatenmengeOrThrow() const;
  void DirectoryChecks(const std::string& text, int index, std::size_t limit);
  void ShowMapPictureFor(const std::vector<std::string>& pictures);

  AppState& state_;
  const SettingsStore& settings_;
  EngineView& view_;

  std::shared_ptr<Workers> workers_;
  std::shared_ptr<QtMainThreadInvoker> invoker_;
  bool running_ = false;
  bool shutDown_ = false;

  Reply reply_;
  Counters counters_;
  std::chrono::milliseconds rconPause_{700};

  std::shared_ptr<NameCache> names_;
  std::shared_ptr<RconPacer> pacer_ = std::make_shared<RconPacer>();
  RconLines lines_;
  QTimer* pumpTimer_ = nullptr;
  bool pumping_ = false;
  // Print outputs being joined, per channel; key "address\nport".
  PrintJoiner queryOutputs_;
  PrintJoiner varOutputs_;
  // Commands that left and wait for their answer, per address ("address\n
  // port") and channel, oldest first.
  struct Outstanding {
    std::string command;
    double left = 0;  // HiResMs, right before the send
    ServerId server = 0;
    std::string paceKey;
  };
  std::map<std::pair<std::string, RconChannel>, std::deque<Outstanding>> outstanding_;
  struct SweepProgress {
    bool running = false;
    std::size_t next = 0;  // the next entry to look at
  };
  SweepProgress startUpSweep_, periodicSweep_;
  // The selected server's getstatus queries waiting for their answer.
  struct GetStatusWait {
    std::string key;  // PaceKey
    double sentMs = 0;
  };
  std::deque<GetStatusWait> getStatusWaits_;
  std::uint64_t limitedTicks_ = 0;
  QTimer* startUpSweepTimer_ = nullptr;
  QTimer* periodicSweepTimer_ = nullptr;

  // First entry per address and port text.
  struct ListIndex {
    std::uint64_t generation = ~std::uint64_t{0};
    std::uint64_t names = ~std::uint64_t{0};
    std::size_t size = 0;
    std::unordered_map<std::string, int> first;
  } listIndex_;
  // Address cache: last record per address; the cache only grows.
  std::unordered_map<std::string, std::size_t> addrIndex_;
  std::size_t addrIndexed_ = 0;
  // The moments queries were sent, per host and port text, newest last.
  std::unordered_map<std::string, std::array<double, 4>> sendStamps_;

  std::unique_ptr<EngineTimer> timer1_;
  std::unique_ptr<EngineTimer> timer2_;
  std::unique_ptr<EngineTimer> timer3_;
  std::unique_ptr<EngineTimer> timer4_;
  std::unique_ptr<EngineTimer> timer5_;
};

}  // namespace zelmora
