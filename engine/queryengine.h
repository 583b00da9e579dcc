// The query engine: a small front over the pieces that talk to the game
// servers.
//
//   ServerList, Selection  - the listed servers (with their ping histories)
//                            and the selected one, held as its uid;
//   ServerSession          - one per entry: its command line, its answers,
//                            its player table and kicks, its console, its
//                            listings, its message timer (serversession.h);
//   Receivers              - querySocket and udpb and the threads reading
//                            them, handing every datagram to the main thread;
//   SenderIndex            - which entry a datagram belongs to;
//   ApplyStatusResponse    - what a statusResponse does to its entry;
//   StatusPoller           - the rcon player-table polls, side by side;
//   Sweeps                 - the getstatus sweeps over the list;
//   RconPacer              - the servers' flood spacing and request budgets.
//
// Threads: the main thread sends every request and runs every handler and
// timer; the receiving threads only receive (receivers.h); providerres
// (geo/) resolves providers and a name cache (geo/namecache.h) resolves
// host names of listed servers, so no send ever waits on a name lookup.
//
// Shutdown asks the threads to stop and waits for each with a deadline; a
// worker waiting in a hand-over gives up at once when asked to stop, so
// closing never hangs and no handler runs after Shutdown has returned.
#pragma once

#include <QObject>

#include <array>
#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "core/guidlist.h"
#include "engine/addresscache.h"
#include "engine/enginetimer.h"
#include "engine/rconpacer.h"
#include "engine/selection.h"
#include "engine/senderindex.h"
#include "engine/serverlist.h"
#include "engine/serversession.h"
#include "engine/sessionservices.h"
#include "engine/statuspoller.h"
#include "engine/sweeps.h"
#include "geo/flags.h"
#include "geo/namecache.h"
#include "geo/ranges.h"

namespace zelmora {

class SettingsStore;
class HistoryFeed;
class PlayerHistory;
class QtMainThreadInvoker;
class ProviderResolver;
class Receivers;

class QueryEngine : public QObject {
  Q_OBJECT

 public:
  using Uid = std::uint64_t;
  using ServerId = Uid;
  using SendResult = zelmora::SendResult;
  using RconOptions = zelmora::RconOptions;
  using Counters = EngineCounters;
  // Which half of the periodic-query settings ApplyQuerySettings applies.
  enum class QueryTimers { Both, AllServers, Selected };

  // settings must outlive the engine.
  explicit QueryEngine(const SettingsStore& settings, QObject* parent = nullptr);
  ~QueryEngine() override;  // Shutdown

  // --- owners ---------------------------------------------------------------
  ServerList& List() { return list_; }
  const ServerList& List() const { return list_; }
  Selection& Selected() { return selection_; }
  const Selection& Selected() const { return selection_; }
  AddressCache& Addresses() { return addresses_; }
  // The remembered GUIDs the player tables name (owned by the caller).
  void SetGuidList(const Tguidlist* guids) { guids_ = guids; }
  // The player history the servers' players, kicks and bans go to, and the
  // watched players' appearances (historyfeed.h); owned by the caller, who
  // keeps it until the engine is gone. nullptr (the default): nothing is
  // kept and nobody is watched.
  void SetHistory(PlayerHistory* history);
  HistoryFeed* Feed() { return feed_.get(); }
  const HistoryFeed* Feed() const { return feed_.get(); }
  // Whether a watched player is on the entry's server now (the row mark).
  bool HasWatchedPlayer(Uid uid) const;
  // The session of the entry with this identity (made when first asked
  // for), nullptr when there is no such entry.
  ServerSession* Session(Uid uid);
  ServerSession* SelectedSession() { return Session(selection_.SelectedUid()); }
  // Whether the entry's server limits requests (the list's hourglass).
  bool IsLimited(Uid uid) const;

  // --- start and stop ---------------------------------------------------------
  // The country ranges and flag codes the provider resolver works with
  // (copies are taken at Start).
  void SetCountryTables(RangeTable ranges, std::vector<Tflag> flags);
  const RangeTable& Ranges() const { return ranges_; }
  const std::vector<Tflag>& FlagCodes() const { return flags_; }
  // Creates querySocket and udpb, then starts the receiving threads and
  // providerres. False when a socket cannot be created (nothing runs then).
  bool Start();
  // The name lookup used for host texts that are not dotted addresses (the
  // system resolver unless replaced; tests inject a stub). Before Start.
  void SetNameResolver(NameCache::ResolveFn resolve, NameCacheTiming timing = {});
  // Stops every session and thread, waiting at most deadline in total. A
  // reverse lookup that still blocks is left to finish on its own.
  // Idempotent.
  void Shutdown(std::chrono::milliseconds deadline = std::chrono::milliseconds(3000));
  bool Running() const { return running_; }

  // --- sends (main thread) ----------------------------------------------------
  // "getstatus" to the entry at index. False (with the reason) when there
  // is no such entry, its port text is not a port number, its host name is
  // not resolved (yet), its budget has no room or the send fails. The
  // callers stamp sendtime in their own order; the engine also notes the
  // moment right before the send for the ping of the replies.
  bool SendGetStatus(int index, std::string* error = nullptr);
  // An rcon command for the selected entry, bound to it now (NoServer when
  // none is selected), over the query channel (700 ms pause) or udpb.
  SendResult SendRcon(std::string_view command, RconOptions options = {});
  SendResult SendRconVar(std::string_view command, RconOptions options = {});
  // An rcon command for the entry with this identity.
  SendResult Rcon(Uid server, RconChannel channel, std::string_view command,
                  RconOptions options = {});
  // One status poll of the selected entry, or of the entry with this uid.
  void RequestStatusPoll();
  void RequestStatusPoll(Uid server);

  // --- handlers (main thread) -------------------------------------------------
  // One datagram of querySocket (time: its arrival): to its sender's
  // session; a statusResponse updates the entry first.
  void HandleQueryDatagram(std::string text, std::string host, int port, double time);
  // One datagram of udpb.
  void HandleVarReply(const std::string& text, const std::string& host, int port);
  // Row of the first entry whose address and port sent it, -1 for none.
  int FirstEntryFor(const std::string& host, int port);

  // --- timers and buttons (main thread) ---------------------------------------
  void Timer3Timer();   // start-up sweep (once)
  void Button6Click();  // sweep of all but the selected server (also Timer5)
  bool SweepRunning() const { return sweeps_.Running(); }
  void Timer1Timer();  // selected-server query and, with the players page, its poll
  // Periodic-query settings onto Timer5/Timer1 and the refresh buttons.
  // Returns "" or the integer conversion message; a failing half stops the
  // rest (with Both, the second half is not applied).
  std::string ApplyQuerySettings(QueryTimers which = QueryTimers::Both);
  void ApplyStartQuerySetting();  // Timer3 on when startq is set
  void Minimize();                // Timer5 and Timer1 off
  std::string Restore();          // ApplyQuerySettings; "" or its message
  // The page in front changed: with the players page the selected server's
  // table is polled at every Timer1 tick, and showing it asks for "status"
  // on the console at once.
  void OnPageChanged(bool playersPageShown);

  EngineTimer& Timer1() { return *timer1_; }
  EngineTimer& Timer3() { return *timer3_; }
  EngineTimer& Timer5() { return *timer5_; }

  // --- inspection --------------------------------------------------------------
  const Counters& counters() const { return counters_; }
  std::uint16_t QueryLocalPort() const;
  std::uint16_t VarLocalPort() const;
  // The local port of the newest poll's socket (0 before the first).
  std::uint16_t StatusLocalPort() const { return poller_.LastLocalPort(); }
  std::uint64_t StatusPollsFinished() const { return poller_.Finished(); }
  std::uint64_t StatusPollsAnswered() const { return poller_.Answered(); }
  std::size_t StatusPollsInFlight() const { return poller_.InFlight(); }
  // The pause of the query channel (700 ms). Tests that are not about it
  // shorten it.
  void SetRconPause(std::chrono::milliseconds pause) { services_.rconPause = pause; }
  std::chrono::milliseconds RconPause() const { return services_.rconPause; }
  // Rcon commands waiting in the lines, in all or in one server's.
  std::size_t HeldRcon() const;
  std::vector<std::string> HeldRconFor(Uid server) const;
  std::size_t PendingHandOvers() const;
  int QueryReceiveBuffer() const;
  std::uint64_t InboxDropped() const;

  static constexpr int kSweepSlice = Sweeps::kSlice;
  static constexpr std::size_t kMaxDatagram = 8192;
  static constexpr double kAnswerWaitMs = ServerSession::kAnswerWaitMs;
  static constexpr double kUnansweredAfterMs = ServerSession::kUnansweredAfterMs;

 signals:
  void SessionCreated(zelmora::ServerSession* session);
  // What became of a kick or ban of any server.
  void Outcome(std::uint64_t server, const zelmora::ActionOutcome& outcome);
  // The first output line of a variable command's answer, from any server.
  void VarReply(std::uint64_t server, const std::string& firstLine);
  // Refresh buttons shown exactly while their periodic query is off:
  // Button6 (all servers) and Button20 (selected server).
  void SweepButtonShown(bool shown);
  void SelectedRefreshButtonShown(bool shown);

 private:
  void SelectionChanged(Uid before, Uid now);
  void ListRowsChanged();
  void EntryEdited(Uid uid, bool addressChanged);
  void HandleStatusResponse(int index, const std::string& text, double ping, double time);
  void UpdateLimited();
  void NoteSend(const Tserverrec& e, double at);
  double SendTimeBefore(const Tserverrec& e, double arrival) const;
  void ApplyTableLookups(Tstatusinfo& rows);
  void StartProviderResolver();

  const SettingsStore& settings_;
  ServerList list_;
  Selection selection_{list_};
  AddressCache addresses_;
  const Tguidlist* guids_ = nullptr;
  RangeTable ranges_;
  std::vector<Tflag> flags_;

  std::unique_ptr<Receivers> receivers_;
  std::shared_ptr<QtMainThreadInvoker> invoker_;
  std::shared_ptr<NameCache> names_;
  std::unique_ptr<ProviderResolver> providerres_;
  bool running_ = false;
  bool shutDown_ = false;
  bool playersShown_ = false;

  RconPacer pacer_;
  StatusPoller poller_;
  Counters counters_;
  SessionServices services_;
  std::unordered_map<Uid, std::unique_ptr<ServerSession>> sessions_;
  // After the sessions: gone before them, it hears nothing of their end.
  std::unique_ptr<HistoryFeed> feed_;
  SenderIndex senders_;
  Sweeps sweeps_;
  std::uint64_t limitedTicks_ = 0;
  // The moments queries were sent, per host and port text, newest last.
  std::unordered_map<std::string, std::array<double, 4>> sendStamps_;

  std::unique_ptr<EngineTimer> timer1_;
  std::unique_ptr<EngineTimer> timer3_;
  std::unique_ptr<EngineTimer> timer5_;
};

}  // namespace zelmora
