#include "engine/serversession.h"

#include <QPointer>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <utility>

#include "core/serverencoding.h"
#include "core/textutil.h"
#include "engine/clock.h"
#include "protocol/colorcodes.h"
#include "protocol/commands.h"
#include "protocol/datagram.h"
#include "protocol/text.h"
#include "protocol/udpsocket.h"

namespace zelmora {

namespace {

using Clock = ServerSession::Clock;

// The steady-clock moment of a HiResMs stamp taken a little while ago.
Clock::time_point SteadyAt(double hiResMs) {
  const double ago = std::max(0.0, HiResMs() - hiResMs);
  return Clock::now() - std::chrono::duration_cast<Clock::duration>(
                            std::chrono::duration<double, std::milli>(ago));
}

int ChannelIndex(RconChannel c) {
  return c == RconChannel::Var ? 1 : 0;
}

// An output's lines for the console: its text without colour codes, split
// at line feeds, without the "print" keyword that frames every datagram.
std::vector<std::string> OutputLines(const std::string& text) {
  std::vector<std::string> lines = ConsoleLines(text, PrintJoiner::kMaxBytes);
  if (!lines.empty()) lines.erase(lines.begin());
  while (!lines.empty() && lines.back().empty()) lines.pop_back();
  return lines;
}

}  // namespace

std::string PaceKey(const std::string& address, std::uint16_t port) {
  return address + ":" + std::to_string(port);
}

std::optional<std::uint16_t> PortOf(std::string_view text) {
  const auto v = ParseInt32(text);
  if (!v || *v < 0 || *v > 65535) return std::nullopt;
  return static_cast<std::uint16_t>(*v);
}

ServerSession::ServerSession(Uid uid, SessionServices& services, QObject* parent)
    : QObject(parent), uid_(uid), services_(services) {
  DisplayName();
  // The timers, the kicks and the message timer are made when first
  // needed: a list of thousands of servers makes a session for each at its
  // first answer.
}

QTimer* ServerSession::PumpTimer() {
  if (pump_) return pump_;
  pump_ = new QTimer(this);
  pump_->setSingleShot(true);
  pump_->setTimerType(Qt::PreciseTimer);
  connect(pump_, &QTimer::timeout, this, [this] { Pump(); });
  return pump_;
}

PlayerActions& ServerSession::Actions() {
  if (!actions_) actions_ = MakeActions();
  return *actions_;
}

QTimer* ServerSession::ListingTimer() {
  if (listingTimer_) return listingTimer_;
  listingTimer_ = new QTimer(this);
  listingTimer_->setSingleShot(true);
  connect(listingTimer_, &QTimer::timeout, this, [this] {
    if (listingCommand_.empty()) return;
    RconOptions read;
    read.kind = RconKind::Read;
    Send(RconChannel::Query, std::exchange(listingCommand_, {}), std::move(read));
  });
  return listingTimer_;
}

QTimer* ServerSession::ActionsTimer() {
  if (actionsTimer_) return actionsTimer_;
  actionsTimer_ = new QTimer(this);
  actionsTimer_->setInterval(1000);
  connect(actionsTimer_, &QTimer::timeout, this, [this] {
    actions_->Check(Clock::now());
    if (!actions_->Waiting()) actionsTimer_->stop();
  });
  return actionsTimer_;
}

MessageTimer& ServerSession::Messages() {
  if (messages_) return *messages_;
  messages_ = std::make_unique<MessageTimer>(
      [this](const std::string& text, std::function<void(bool)> done) {
        const Tserverrec* e = Entry();
        const BuiltCommand say = BuildSay(text);
        if (!say.ok()) return false;
        if (!e || e->rconpass.empty()) return true;  // nothing to send with, the timer goes on
        RconOptions o;
        o.done = std::move(done);
        Send(RconChannel::Query, say.line, std::move(o));
        return true;
      },
      this);
  return *messages_;
}

std::unique_ptr<PlayerActions> ServerSession::MakeActions() {
  auto actions = std::make_unique<PlayerActions>(
      [this](const std::string& command, std::function<void(bool)> done) {
        // Right after the table it was checked against: the window in which
        // the slot could change hands is the flood spacing, not a pause.
        RconOptions now;
        now.afterIssue = std::chrono::milliseconds(0);
        now.done = std::move(done);
        return Send(RconChannel::Query, command, std::move(now)) == SendResult::Sent;
      },
      [this] { RequestTable(); },
      [this](ActionOutcome o) {
        o.server = DisplayName();
        emit Outcome(o);
      });
  actions->SetSentHandler(
      [this](const PendingPlayerAction& action, std::uint64_t id) { emit ActionSent(action, id); });
  return actions;
}

ServerSession::~ServerSession() {
  Stop();
}

std::string ServerSession::DisplayName() const {
  const Tserverrec* e = Entry();
  if (!e) return name_;
  std::string name = StripColorCodes(e->hostname.view());
  if (name.empty()) name = e->host.str() + ":" + e->port.str();
  name_ = name;
  return name;
}

void ServerSession::Removed() {
  if (stopped_) return;
  if (actions_) actions_->DropAll();
  Stop();
}

void ServerSession::Stop() {
  if (stopped_) return;
  stopped_ = true;
  if (pump_) pump_->stop();
  if (listingTimer_) listingTimer_->stop();
  if (actionsTimer_) actionsTimer_->stop();
  if (messages_) messages_->Stop();
  line_.Drop(false,
             [this](const RconLine::Command& c) { services_.pacer.Cancel(c.paceKey, c.ticket); });
  if (pollTicket_) services_.pacer.Cancel(pollKey_, pollTicket_);
  pollTicket_ = 0;
}

std::optional<std::string> ServerSession::PaceKeyNow() const {
  const Tserverrec* e = Entry();
  if (!e || !services_.names) return std::nullopt;
  const auto port = PortOf(e->port.view());
  const std::optional<std::string> address = services_.names->Address(e->host.view());
  if (!port || !address) return std::nullopt;
  return PaceKey(*address, *port);
}

// --- commands ---------------------------------------------------------------------

SendResult ServerSession::Send(RconChannel channel, std::string_view command, RconOptions options) {
  const Tserverrec* e = Entry();
  if (!e) return SendResult::NoServer;
  if (!PortOf(e->port.view()) || stopped_ || services_.shuttingDown || !services_.socket(channel))
    return SendResult::Failed;
  RconTiming timing;
  if (channel == RconChannel::Query) {
    // Servers drop a command that follows the previous one too closely; the
    // query channel keeps its commands 700 ms apart, as it always has.
    timing.afterIssue = services_.rconPause;
    timing.afterPreviousSame = services_.rconPause;
  }
  if (options.afterIssue) timing.afterIssue = *options.afterIssue;
  timing.afterPrevious = options.afterPrevious;
  line_.Add(channel, options.kind, std::string(command), timing, Clock::now(),
            std::move(options.done), false, std::move(options.answer));
  line_.Last()->cancelled = std::move(options.cancelled);
  Pump();
  return SendResult::Sent;
}

void ServerSession::DropLine(bool readsOnly) {
  line_.Drop(readsOnly,
             [this](const RconLine::Command& c) { services_.pacer.Cancel(c.paceKey, c.ticket); });
}

void ServerSession::DropReads() {
  if (listingTimer_) listingTimer_->stop();
  listingCommand_.clear();
  DropLine(true);
  // Its table is still asked for while a kick of it waits.
  if ((!actions_ || !actions_->Waiting()) && pollWanted_) {
    pollWanted_ = false;
    if (pollTicket_) services_.pacer.Cancel(pollKey_, pollTicket_);
    pollTicket_ = 0;
  }
  Schedule();
}

void ServerSession::AddressChanged() {
  const std::size_t waiting = line_.Waiting();
  DropLine(false);
  if (pollTicket_) services_.pacer.Cancel(pollKey_, pollTicket_);
  pollTicket_ = 0;
  pollWanted_ = false;
  // The players, kicks and listings were those of the old address.
  actions_ = MakeActions();
  ForgetTable();
  hasStatus_ = false;
  vars_.clear();
  players_.clear();
  maps_ = {};
  configs_ = {};
  queryOutputs_ = OutputJoiner();
  varOutputs_ = OutputJoiner();
  for (auto& o : outstanding_) o.clear();
  getStatusWaits_.clear();
  Note("Adresse des Servers geändert: " + std::to_string(waiting) +
       (waiting == 1 ? " wartender Befehl wurde" : " wartende Befehle wurden") + " verworfen.");
  emit StatusChanged();
  emit ListingChanged(ListingKind::Maps);
  emit ListingChanged(ListingKind::Configs);
}

// Sends every command whose time has come, one at a time (a command's
// completion may put new ones in line), starts a poll that may go, then
// sets the timer for the next moment anything is due.
void ServerSession::Pump() {
  if (pumping_ || stopped_ || services_.shuttingDown) return;
  pumping_ = true;
  const double nowMs = HiResMs();
  FinishOutputs(nowMs);
  CheckUnanswered(nowMs);
  for (int guard = 0; guard < 10000; ++guard) {
    const auto now = Clock::now();
    RconLine::Command* head = line_.DueHead(now);
    if (!head) break;
    const std::size_t before = line_.Waiting();
    const std::uint64_t id = head->id;
    SendHead(*head, now);
    // Held back (flood spacing, a name being looked up): try again later.
    if (line_.Waiting() == before && line_.Head() && line_.Head()->id == id) break;
  }
  TryPoll(Clock::now());
  pumping_ = false;
  Schedule();
}

void ServerSession::Schedule() {
  if (stopped_ || pumping_) return;
  const auto now = Clock::now();
  double waitMs = 1e12;
  const auto due = line_.NextDue();
  if (due != Clock::time_point::max())
    waitMs = std::chrono::duration<double, std::milli>(due - now).count();
  if (pollWanted_ && !pollInFlight_)
    waitMs = std::min(waitMs, std::chrono::duration<double, std::milli>(pollRetry_ - now).count());
  const double nowMs = HiResMs();
  waitMs = std::min(waitMs, queryOutputs_.NextFinish() - nowMs);
  waitMs = std::min(waitMs, varOutputs_.NextFinish() - nowMs);
  for (const auto& waiting : outstanding_)
    if (!waiting.empty())
      waitMs = std::min(waitMs, waiting.front().left + kUnansweredAfterMs - nowMs);
  if (!getStatusWaits_.empty())
    waitMs = std::min(waitMs, getStatusWaits_.front().sentMs + kAnswerWaitMs - nowMs);
  if (waitMs >= 1e12) {
    if (pump_) pump_->stop();
    return;
  }
  PumpTimer()->start(static_cast<int>(std::clamp(std::ceil(waitMs), 0.0, 60000.0)));
}

void ServerSession::SendHead(RconLine::Command& c, Clock::time_point now) {
  if (c.cancelled && c.cancelled->load()) {
    if (c.ticket) services_.pacer.Cancel(c.paceKey, c.ticket);
    line_.DropHead();
    return;
  }
  const Tserverrec* e = Entry();
  if (!e) {
    DropLine(false);  // the entry is gone: nothing of its line can reach anybody
    return;
  }
  const auto port = PortOf(e->port.view());
  UdpSocket* socket = services_.socket(c.channel);
  if (!port || !socket) {
    if (c.ticket) services_.pacer.Cancel(c.paceKey, c.ticket);
    line_.DropHead();
    return;
  }
  const std::optional<std::string> address =
      services_.names ? services_.names->Address(e->host.view()) : std::nullopt;
  if (!address) {
    // The name cache looks it up in the background; a while is waited for.
    if (now - c.issued > std::chrono::seconds(5)) {
      Note(AsText(c.text) + ": nicht gesendet, die Adresse von " +
           GameTextToUtf8(e->host.view(), TextEncoding::Cp1252) + " ist nicht bekannt");
      line_.DropHead();
    } else {
      c.retryAt = now + std::chrono::milliseconds(100);
    }
    return;
  }
  const std::string datagram = BuildRcon(e->rconpass.view(), c.text);
  if (datagram.empty()) {
    // A stored password that breaks the rule (its rest would run as a
    // command) or a line break in the command: nothing goes out.
    const std::string why = PasswordProblem(e->rconpass.view());
    Note(AsText(c.text) + ": nicht gesendet" + (why.empty() ? std::string() : ", " + why));
    if (c.ticket) services_.pacer.Cancel(c.paceKey, c.ticket);
    line_.DropHead();
    return;
  }
  const std::string key = PaceKey(*address, *port);
  if (c.ticket == 0 || c.paceKey != key) {
    if (c.ticket) services_.pacer.Cancel(c.paceKey, c.ticket);
    c.paceKey = key;
    c.ticket = services_.pacer.Enqueue(key);
  }
  RconPacer::Clock::time_point retry;
  if (!services_.pacer.TryGo(key, c.ticket, now, &retry)) {
    c.retryAt = retry;
    return;
  }
  // What comes from now on answers this command.
  const double nowMs = HiResMs();
  OutputJoiner& joiner = c.channel == RconChannel::Var ? varOutputs_ : queryOutputs_;
  if (auto o = joiner.TakeFinished(nowMs, true)) {
    if (c.channel == RconChannel::Query)
      HandleOutput(*o, false);
    else
      Answered(RconChannel::Var, *o);
  }
  joiner.CommandLeft();
  // Stamped before the send: on loopback the answer can be there before a
  // stamp taken after it.
  outstanding_[ChannelIndex(c.channel)].push_back(
      Outstanding{c.text, c.kind, c.resends, nowMs, key, std::move(c.answer)});
  socket->SendTo(*address, *port, datagram);  // failures: not told
  ++services_.counters.rconSent;
  if (c.channel == RconChannel::Query) {
    console_.AddCommand(c.text);
    emit ConsoleChanged();
  }
  line_.Left(now);
}

// --- replies ------------------------------------------------------------------------

void ServerSession::TakeQueryPrint(const std::string& datagram, double arrivalMs) {
  if (stopped_) return;
  const OutputJoiner::Took took = queryOutputs_.Add(datagram, arrivalMs);
  if (took == OutputJoiner::Took::Late) HandleOutput(*queryOutputs_.LastFinished(), true);
  if (took != OutputJoiner::Took::None) Schedule();
}

void ServerSession::TakeVarDatagram(const std::string& datagram, double arrivalMs) {
  if (stopped_) return;
  if (varOutputs_.Add(datagram, arrivalMs) != OutputJoiner::Took::None) Schedule();
  emit VarReply(FieldOf(datagram, "\n", 1));
}

void ServerSession::TakeStatus(Tserverinfo vars, const Tplayerinfo& players) {
  vars_ = std::move(vars);
  players_ = PlayerRowsForView(players);
  hasStatus_ = true;
  DisplayName();  // remembered for what is told once the entry is gone
  emit StatusChanged();
}

void ServerSession::FinishOutputs(double nowMs) {
  if (auto o = queryOutputs_.TakeFinished(nowMs)) HandleOutput(*o, false);
  if (auto o = varOutputs_.TakeFinished(nowMs)) Answered(RconChannel::Var, *o);
}

void ServerSession::HandleOutput(const PrintOutput& o, bool late) {
  const std::vector<std::string> lines = OutputLines(o.text);
  if (late) {
    console_.ReplaceOutput(lastOutput_, lines);
  } else {
    ++services_.counters.printOutputs;
    Answered(RconChannel::Query, o);
    lastOutput_ = console_.AddOutput(lines);
  }
  emit ConsoleChanged();
  ParseListings(o, late);
}

void ServerSession::ParseListings(const PrintOutput& o, bool late) {
  const Tserverrec* e = Entry();
  if (!e) return;
  const auto now = Clock::now();
  if (auto listing = CheckMapListing(o.text, e->mapinfo.view(), PrintJoiner::kMaxBytes)) {
    if (!late && !listing->leftOut.empty())
      Note(LeftOutNotice(ListingKind::Maps, listing->leftOut));
    maps_.items = std::move(listing->maps);
    maps_.chosen = listing->chosen;
    maps_.pictures = std::move(listing->picturesLoaded);
    maps_.at = now;
    emit ListingChanged(ListingKind::Maps);
  }
  std::vector<std::string> leftOut;
  const auto files = CheckConfigListing(o.text, PrintJoiner::kMaxBytes, &leftOut);
  // The game's answer to exec names a file too; it is no listing, and what
  // it leaves out is not told.
  const std::string_view head = "print\nDirectory of / .cfg";
  const bool directory = std::string_view(o.text).substr(4, head.size()) == head;
  if (!late && directory && !leftOut.empty()) Note(LeftOutNotice(ListingKind::Configs, leftOut));
  if (late) {
    // The grown output replaces what it added before.
    configs_.items.resize(configs_.items.size() -
                          std::min(lastConfigContribution_, configs_.items.size()));
  }
  lastConfigContribution_ = files ? files->size() : 0;
  if (files || (late && lastConfigContribution_ == 0)) {
    if (files) configs_.items.insert(configs_.items.end(), files->begin(), files->end());
    configs_.at = now;
    emit ListingChanged(ListingKind::Configs);
  }
}

// An output is credited to the last command that left before it came: the
// commands of a server are half a second apart and answers come within
// milliseconds, so a command the server dropped stays without an answer
// even when the next one's answer is there.
void ServerSession::Answered(RconChannel channel, const PrintOutput& output) {
  auto& waiting = outstanding_[ChannelIndex(channel)];
  for (auto c = waiting.rbegin(); c != waiting.rend(); ++c) {
    if (c->left <= output.first) {
      RconLine::Answer answer = std::move(c->answer);
      waiting.erase(std::next(c).base());
      if (answer) answer(output.text);
      return;
    }
  }
}

void ServerSession::CheckUnanswered(double nowMs) {
  bool lost = false;
  while (!getStatusWaits_.empty() && getStatusWaits_.front().sentMs + kAnswerWaitMs <= nowMs) {
    services_.pacer.Lost(getStatusWaits_.front().paceKey, SteadyAt(getStatusWaits_.front().sentMs),
                         Clock::now());
    getStatusWaits_.pop_front();
    lost = true;
  }
  for (RconChannel channel : {RconChannel::Query, RconChannel::Var}) {
    auto& waiting = outstanding_[ChannelIndex(channel)];
    while (!waiting.empty() && waiting.front().left + kUnansweredAfterMs <= nowMs) {
      const Outstanding gone = std::move(waiting.front());
      waiting.pop_front();
      Unanswered(channel, gone, nowMs);
      lost = true;
    }
  }
  if (lost) UpdateLimited();
}

// A read the server lost while it answered others (a limiter) is sent again,
// at most twice: it changes nothing on the server, and a first resend can
// meet the limiter before the server is known to limit. Anything else is
// only noted (a kick may have been carried out although its answer was
// lost).
void ServerSession::Unanswered(RconChannel channel, const Outstanding& gone, double nowMs) {
  ++services_.counters.unanswered;
  const bool sign = services_.pacer.AnsweredSince(gone.paceKey, SteadyAt(gone.left));
  services_.pacer.Lost(gone.paceKey, SteadyAt(gone.left), Clock::now());
  if (gone.kind == RconKind::Read && gone.resends < kReadResends && sign &&
      services_.selection.Is(uid_)) {
    ++services_.counters.resent;
    line_.Add(channel, RconKind::Read, gone.command, RconTiming{}, Clock::now(), nullptr,
              gone.resends + 1, gone.answer);
    return;
  }
  (void)nowMs;
  Note(AsText(gone.command) + ": Keine Antwort vom Server (verworfen oder gedrosselt)");
  if (gone.answer) gone.answer(std::nullopt);
}

void ServerSession::GetStatusSent(double atMs) {
  const std::optional<std::string> key = PaceKeyNow();
  if (!key) return;
  // A handful is enough; an unanswered server must not grow the list.
  if (getStatusWaits_.size() >= 16) getStatusWaits_.pop_front();
  getStatusWaits_.push_back(GetStatusWait{*key, atMs});
  Schedule();
}

void ServerSession::GetStatusAnswered(double arrivalMs) {
  std::erase_if(getStatusWaits_, [&](const GetStatusWait& w) { return w.sentMs <= arrivalMs; });
}

void ServerSession::UpdateLimited() {
  const std::optional<std::string> key = PaceKeyNow();
  const bool limited = key && services_.pacer.Limited(*key, Clock::now());
  if (limited == limited_) return;
  limited_ = limited;
  emit LimitedChanged(limited_);
}

std::string ServerSession::AsText(const std::string& command) const {
  const Tserverrec* e = Entry();
  return GameTextToUtf8(command, e ? EncodingOf(*e) : TextEncoding::Automatic);
}

void ServerSession::Note(const std::string& line) {
  console_.AddNote(line);
  emit ConsoleChanged();
}

// --- the player table ---------------------------------------------------------------------

void ServerSession::RequestTable() {
  const Tserverrec* e = Entry();
  if (!e || e->rconpass.empty() || stopped_) return;
  if (pollWanted_) return;
  pollWanted_ = true;
  Pump();
}

void ServerSession::ForgetTable() {
  table_.clear();
  tableAt_ = {};
  tablePollLeft_ = {};
  emit TableChanged();
}

void ServerSession::TryPoll(Clock::time_point now) {
  if (!pollWanted_ || pollInFlight_ || now < pollRetry_) return;
  const Tserverrec* e = Entry();
  const auto port = e ? PortOf(e->port.view()) : std::nullopt;
  if (!e || e->rconpass.empty() || !port || !PasswordProblem(e->rconpass.view()).empty()) {
    pollWanted_ = false;
    return;
  }
  const std::optional<std::string> address =
      services_.names ? services_.names->Address(e->host.view()) : std::nullopt;
  if (!address) {  // the name is being looked up
    pollRetry_ = now + std::chrono::milliseconds(100);
    return;
  }
  const std::string key = PaceKey(*address, *port);
  if (pollTicket_ == 0 || pollKey_ != key) {
    if (pollTicket_) services_.pacer.Cancel(pollKey_, pollTicket_);
    pollKey_ = key;
    pollTicket_ = services_.pacer.Enqueue(key, RconPacer::Priority::Background);
  }
  // The poll takes its place in the server's flood spacing.
  if (!services_.pacer.TryGo(key, pollTicket_, now, &pollRetry_)) return;
  pollTicket_ = 0;
  pollWanted_ = false;
  QPointer<ServerSession> self(this);
  pollInFlight_ = services_.poller.Start(*address, *port, e->rconpass.str(),
                                         [self, key](StatusPoller::Result r) {
                                           if (self) self->PollDone(std::move(r), key);
                                         });
}

void ServerSession::PollDone(StatusPoller::Result r, const std::string& paceKey) {
  pollInFlight_ = false;
  const auto now = Clock::now();
  if (!r.answered) {
    services_.pacer.Lost(paceKey, r.left, now);
  } else {
    services_.pacer.Answered(paceKey, now);
    // An answer like any other: the entry is not timed out while it comes.
    const int index = services_.list.IndexOf(uid_);
    if (index >= 0) {
      services_.list.MutableAt(static_cast<std::size_t>(index)).lastreply = TickCount32();
      services_.list.NoteStatusChanged(static_cast<std::size_t>(index));
    }
  }
  if (r.parsed && services_.lookups) services_.lookups(r.rows);
  if (r.tableReady) {
    if (r.parsed) {
      table_ = std::move(r.rows);
    } else {
      // The parse empties the fields of the rows it had before it gives up.
      for (Tstatusrow& row : table_)
        for (std::string& field : row) field.clear();
    }
    tableAt_ = now;
    tablePollLeft_ = r.left;
    ++services_.counters.statusTables;
    emit TableChanged();
    if (r.parsed && actions_) actions_->TableArrived(table_, r.left, now);
  }
  UpdateLimited();
  Schedule();
}

// --- kicks, bans, listings -------------------------------------------------------------------

void ServerSession::Act(PendingPlayerAction action) {
  if (action.made == Clock::time_point{}) action.made = Clock::now();
  Actions().Add(std::move(action));
  if (!ActionsTimer()->isActive()) ActionsTimer()->start();
}

void ServerSession::RequestListing(ListingKind kind, std::chrono::milliseconds delay) {
  const Tserverrec* e = Entry();
  if (!e || e->rconpass.empty()) return;
  ListingTimer()->stop();
  // A protocol without a directory command asks for nothing.
  listingCommand_ = kind == ListingKind::Maps ? CmdDirMaps(e->protocol) : CmdDirCfg();
  if (kind == ListingKind::Configs) {
    configs_.items.clear();
    lastConfigContribution_ = 0;
    emit ListingChanged(ListingKind::Configs);
  }
  if (listingCommand_.empty()) return;
  ListingTimer()->start(
      static_cast<int>(std::max<std::chrono::milliseconds::rep>(0, delay.count())));
}

}  // namespace zelmora
