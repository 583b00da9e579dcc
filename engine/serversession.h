// Everything Zelmora has going with one listed server, in one object keyed
// by the entry's uid: its line of rcon commands and their answers, its last
// status (variables and players of its last statusResponse), its rcon
// player table with the moment its poll left, its kicks and bans from the
// click to their outcome, its console transcript, its map and configuration
// listings with their age, and its message timer.
//
// What happens is told by signals; the views of the selected server connect
// to its session and read what they show from it. A session lives as long as
// its entry; an entry edited in place keeps it.
//
// Replies belong to their sender: the engine hands each datagram to the
// session of the entry it came from. Print datagrams are joined into whole
// outputs (a pause of 150 ms ends one, but a datagram that comes later,
// before the next command leaves, still joins it). An output is credited to
// the last command of its channel that left before it; a command without an
// answer within 2 s is noted in the console, except a read the server lost
// while it answered others: that one is sent again, at most twice. Writes, kicks and
// messages are never sent twice.
//
// Main thread only.
#pragma once

#include <QObject>

#include <chrono>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/messagetimer.h"
#include "engine/playeractions.h"
#include "engine/rconline.h"
#include "engine/sessionservices.h"
#include "engine/transcript.h"
#include "protocol/replyjoin.h"
#include "protocol/statusresponse.h"

class QTimer;

namespace zelmora {

// A directory listing of the server as it last came.
struct Listing {
  std::vector<std::string> items;  // file names in listing order
  int chosen = -1;                 // the item to select (maps: the current map)
  // Map files whose picture the listing shows, the last one standing.
  std::vector<std::string> pictures;
  std::chrono::steady_clock::time_point at{};  // when it came (epoch: never)
};

class ServerSession : public QObject {
  Q_OBJECT

 public:
  using Uid = std::uint64_t;
  using Clock = std::chrono::steady_clock;

  // A command without any answer this long after it left is unanswered;
  // the check runs once an answer that came in time is surely complete.
  static constexpr double kAnswerWaitMs = 2000;
  static constexpr double kUnansweredAfterMs = kAnswerWaitMs + PrintJoiner::kDefaultGapMs + 50;
  // A lost read is sent again at most this often.
  static constexpr int kReadResends = 2;

  ServerSession(Uid uid, SessionServices& services, QObject* parent = nullptr);
  ~ServerSession() override;

  Uid Id() const { return uid_; }
  // The entry; nullptr once it is gone.
  const Tserverrec* Entry() const { return services_.list.Find(uid_); }
  // "name" without colour codes, or host:port while the server has none.
  std::string DisplayName() const;

  // --- commands ---------------------------------------------------------------
  SendResult Send(RconChannel channel, std::string_view command, RconOptions options = {});
  // The operator turned to another server: the reads waiting here go (also
  // a listing requested for later).
  void DropReads();
  std::size_t Waiting() const { return line_.Waiting(); }
  std::vector<std::string> WaitingTexts() const { return line_.Texts(); }
  // The entry's host or port changed: what waits here was meant for the old
  // address and goes, and the console says so.
  void AddressChanged();
  // Shutdown: nothing is sent any more.
  void Stop();
  // The entry was taken off the list: its waiting kicks are told as dropped,
  // then it stops.
  void Removed();

  // --- replies (the engine hands them over) ---------------------------------
  void TakeQueryPrint(const std::string& datagram, double arrivalMs);
  void TakeVarDatagram(const std::string& datagram, double arrivalMs);
  // A complete statusResponse was applied to the entry.
  void TakeStatus(Tserverinfo vars, const Tplayerinfo& players);
  // The selected server's getstatus: unanswered in 2 s it tells of a limiter.
  void GetStatusSent(double atMs);
  void GetStatusAnswered(double arrivalMs);

  // --- what it knows ---------------------------------------------------------
  const Tserverinfo& Vars() const { return vars_; }
  // Players of the last statusResponse as shown (score, ping, name).
  const Tplayerinfo& Players() const { return players_; }
  bool HasStatus() const { return hasStatus_; }
  const Tstatusinfo& Table() const { return table_; }
  bool HasTable() const { return tableAt_ != Clock::time_point{}; }
  Clock::time_point TableAt() const { return tableAt_; }
  Clock::time_point TablePollLeft() const { return tablePollLeft_; }
  const Transcript& Console() const { return console_; }
  const Listing& Maps() const { return maps_; }
  const Listing& Configs() const { return configs_; }
  // Whether the server limits requests (learnt from its answers).
  bool Limited() const { return limited_; }
  // Looks again; emits LimitedChanged when it changed.
  void UpdateLimited();

  // --- the player table --------------------------------------------------------
  // One poll as soon as the flood spacing allows (once: a request already
  // waiting stays). Nothing without an rcon password.
  void RequestTable();
  bool TableRequested() const { return pollWanted_ || pollInFlight_; }
  // Forgets the table (its password was removed).
  void ForgetTable();

  // --- kicks and bans ----------------------------------------------------------
  void Act(PendingPlayerAction action);
  PlayerActions& Actions();

  // --- listings ---------------------------------------------------------------
  // Asks for a listing after delay (a newer request replaces it). The
  // configuration list is emptied at once: it fills as the answer comes.
  void RequestListing(ListingKind kind, std::chrono::milliseconds delay);

  MessageTimer& Messages();

 signals:
  void StatusChanged();
  void TableChanged();
  void ConsoleChanged();
  void ListingChanged(zelmora::ListingKind kind);
  void Outcome(const zelmora::ActionOutcome& outcome);
  // A kick or ban left for the server; id comes back in its Outcome.
  void ActionSent(const zelmora::PendingPlayerAction& action, std::uint64_t id);
  void VarReply(const std::string& firstLine);
  void LimitedChanged(bool limited);

 private:
  struct Outstanding {
    std::string command;
    RconKind kind = RconKind::Action;
    int resends = 0;
    double left = 0;  // HiResMs, right before the send
    std::string paceKey;
    RconLine::Answer answer;
  };
  struct GetStatusWait {
    std::string paceKey;
    double sentMs = 0;
  };

  std::unique_ptr<PlayerActions> MakeActions();
  QTimer* PumpTimer();
  QTimer* ListingTimer();
  QTimer* ActionsTimer();
  void Pump();
  void Schedule();
  void SendHead(RconLine::Command& c, Clock::time_point now);
  void DropLine(bool readsOnly);
  void FinishOutputs(double nowMs);
  void HandleOutput(const PrintOutput& o, bool late);
  void ParseListings(const PrintOutput& o, bool late);
  void Answered(RconChannel channel, const PrintOutput& output);
  void CheckUnanswered(double nowMs);
  void Unanswered(RconChannel channel, const Outstanding& gone, double nowMs);
  void TryPoll(Clock::time_point now);
  void PollDone(StatusPoller::Result result, const std::string& paceKey);
  void Note(const std::string& line);
  // A command of this server in the words of a note (UTF-8).
  std::string AsText(const std::string& command) const;
  std::optional<std::string> PaceKeyNow() const;

  const Uid uid_;
  SessionServices& services_;
  RconLine line_;
  QTimer* pump_ = nullptr;
  bool pumping_ = false;
  bool stopped_ = false;

  OutputJoiner queryOutputs_;
  OutputJoiner varOutputs_;
  std::uint64_t lastOutput_ = 0;            // its block in the console
  std::size_t lastConfigContribution_ = 0;  // names the last output added
  std::deque<Outstanding> outstanding_[2];  // per channel, oldest first
  std::deque<GetStatusWait> getStatusWaits_;

  Tserverinfo vars_;
  Tplayerinfo players_;
  bool hasStatus_ = false;

  Tstatusinfo table_;
  Clock::time_point tableAt_{};
  Clock::time_point tablePollLeft_{};
  bool pollWanted_ = false;
  bool pollInFlight_ = false;
  std::uint64_t pollTicket_ = 0;
  std::string pollKey_;
  Clock::time_point pollRetry_{};

  Transcript console_;
  Listing maps_, configs_;
  QTimer* listingTimer_ = nullptr;
  std::string listingCommand_;

  std::unique_ptr<PlayerActions> actions_;
  QTimer* actionsTimer_ = nullptr;
  std::unique_ptr<MessageTimer> messages_;
  bool limited_ = false;
  mutable std::string name_;  // the last name known, for what is told after the entry went
};

}  // namespace zelmora
