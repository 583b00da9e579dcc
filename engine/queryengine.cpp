#include "engine/queryengine.h"

#include <algorithm>

#include "core/settings.h"
#include "core/textutil.h"
#include "engine/clock.h"
#include "engine/historyfeed.h"
#include "engine/pinghistory.h"
#include "engine/qtinvoker.h"
#include "engine/receivers.h"
#include "engine/statusupdate.h"
#include "geo/providerres.h"
#include "protocol/commands.h"
#include "protocol/datagram.h"
#include "protocol/statusresponse.h"
#include "protocol/text.h"
#include "protocol/udpsocket.h"

namespace zelmora {

namespace {
using Clock = std::chrono::steady_clock;

// The steady-clock moment of a HiResMs stamp taken a little while ago.
Clock::time_point SteadyAt(double hiResMs) {
  const double ago = std::max(0.0, HiResMs() - hiResMs);
  return Clock::now() - std::chrono::duration_cast<Clock::duration>(
                            std::chrono::duration<double, std::milli>(ago));
}
}  // namespace

QueryEngine::QueryEngine(const SettingsStore& settings, QObject* parent)
    : QObject(parent),
      settings_(settings),
      services_{list_, selection_, pacer_, poller_, counters_, nullptr, {}, {}},
      sweeps_(list_, selection_, [this](std::size_t i) {
        if (!SendGetStatus(static_cast<int>(i))) return false;
        list_.MutableAt(i).sendtime = HiResMs();
        return true;
      }) {
  services_.socket = [this](RconChannel c) -> UdpSocket* {
    if (!running_ || shutDown_ || !receivers_) return nullptr;
    return c == RconChannel::Var ? &receivers_->VarSocket() : &receivers_->QuerySocket();
  };
  services_.lookups = [this](Tstatusinfo& rows) { ApplyTableLookups(rows); };
  timer1_ = std::make_unique<EngineTimer>(this, "Timer1", 1000, [this] { Timer1Timer(); });
  timer3_ = std::make_unique<EngineTimer>(this, "Timer3", 200, [this] { Timer3Timer(); });
  timer5_ = std::make_unique<EngineTimer>(this, "Timer5", 5000, [this] { Button6Click(); });
  connect(&selection_, &Selection::Changed, this, &QueryEngine::SelectionChanged);
  connect(&list_, &ServerList::RowsChanged, this, &QueryEngine::ListRowsChanged);
  connect(&list_, &ServerList::EntryEdited, this, &QueryEngine::EntryEdited);
}

QueryEngine::~QueryEngine() {
  Shutdown();
}

void QueryEngine::SetNameResolver(NameCache::ResolveFn resolve, NameCacheTiming timing) {
  if (running_) return;
  names_ = std::make_shared<NameCache>(std::move(resolve), timing);
  services_.names = names_.get();
}

void QueryEngine::SetCountryTables(RangeTable ranges, std::vector<Tflag> flags) {
  ranges_ = std::move(ranges);
  flags_ = std::move(flags);
}

// --- sessions ----------------------------------------------------------------------

ServerSession* QueryEngine::Session(Uid uid) {
  if (!list_.Find(uid)) return nullptr;
  auto& slot = sessions_[uid];
  if (!slot) {
    slot = std::make_unique<ServerSession>(uid, services_);
    ServerSession* s = slot.get();
    connect(s, &ServerSession::Outcome, this,
            [this, uid](const ActionOutcome& o) { emit Outcome(uid, o); });
    connect(s, &ServerSession::VarReply, this,
            [this, uid](const std::string& line) { emit VarReply(uid, line); });
    connect(s, &ServerSession::LimitedChanged, this, [this, uid] {
      const int i = list_.IndexOf(uid);
      if (i >= 0) list_.NoteStatusChanged(static_cast<std::size_t>(i));
    });
    if (shutDown_) s->Stop();
    if (feed_) feed_->Attach(s);
    emit SessionCreated(s);
  }
  return slot.get();
}

void QueryEngine::SetHistory(PlayerHistory* history) {
  feed_.reset();
  if (!history) return;
  feed_ = std::make_unique<HistoryFeed>(list_, *history);
  for (auto& [uid, session] : sessions_) feed_->Attach(session.get());
  // The row of a server with a watched player on it is marked.
  connect(feed_.get(), &HistoryFeed::WatchedChanged, this, [this](std::uint64_t uid) {
    const int i = list_.IndexOf(uid);
    if (i >= 0) list_.NoteStatusChanged(static_cast<std::size_t>(i));
  });
}

bool QueryEngine::HasWatchedPlayer(Uid uid) const {
  return feed_ && feed_->Watched(uid);
}

bool QueryEngine::IsLimited(Uid uid) const {
  const auto it = sessions_.find(uid);
  return it != sessions_.end() && it->second->Limited();
}

void QueryEngine::SelectionChanged(Uid before, Uid) {
  // What only fed the views of the server before ends with it: its reads.
  // What the operator started there (writes, kicks) goes on.
  const auto it = sessions_.find(before);
  if (it != sessions_.end()) it->second->DropReads();
}

void QueryEngine::ListRowsChanged() {
  // An entry that is gone takes its session with it.
  for (auto it = sessions_.begin(); it != sessions_.end();) {
    if (list_.Find(it->first)) {
      ++it;
      continue;
    }
    it->second->Removed();
    it->second.release()->deleteLater();
    it = sessions_.erase(it);
  }
}

void QueryEngine::EntryEdited(Uid uid, bool addressChanged) {
  const auto it = sessions_.find(uid);
  if (it == sessions_.end()) return;
  if (addressChanged) it->second->AddressChanged();
  const Tserverrec* e = list_.Find(uid);
  if (e && e->rconpass.empty()) it->second->ForgetTable();
}

// --- threads -----------------------------------------------------------------------

bool QueryEngine::Start() {
  if (running_ || shutDown_) return running_;
  InitHiResClock();
  auto receivers = std::make_unique<Receivers>();
  if (!receivers->Open()) return false;
  if (!names_) SetNameResolver(nullptr);
  invoker_ = std::make_shared<QtMainThreadInvoker>();
  receivers_ = std::move(receivers);
  running_ = true;
  receivers_->Start(
      invoker_,
      [this](std::vector<Inbound>& batch) {
        for (Inbound& d : batch) {
          if (shutDown_) return;
          HandleQueryDatagram(std::move(d.data), std::move(d.host), d.port, d.time);
        }
      },
      [this](const std::string& text, const std::string& host, int port) {
        HandleVarReply(text, host, port);
      });
  StartProviderResolver();
  return true;
}

void QueryEngine::StartProviderResolver() {
  const SettingsStore* settings = &settings_;
  providerres_ = std::make_unique<ProviderResolver>(
      *invoker_, [settings] { return settings->Get(&Settings::prov); },
      [this] { return UnresolvedAddresses(addresses_.Records()); },
      [this](int index, const std::string& ip, const Taddrrec& result) {
        StoreResolvedAddress(addresses_.Records(), index, ip, result);
      },
      ranges_, flags_);
}

void QueryEngine::Shutdown(std::chrono::milliseconds deadline) {
  if (shutDown_) return;
  shutDown_ = true;
  services_.shuttingDown = true;
  for (EngineTimer* t : {timer1_.get(), timer3_.get(), timer5_.get()}) t->SetEnabled(false);
  sweeps_.Stop();
  for (auto& [uid, session] : sessions_) session->Stop();
  poller_.CancelAll();
  if (!running_) return;
  running_ = false;
  const auto until = Clock::now() + deadline;
  if (providerres_) {
    providerres_->RequestStop();
    const auto left = std::max<Clock::duration>(until - Clock::now(), Clock::duration::zero());
    providerres_->Join(std::chrono::duration_cast<std::chrono::milliseconds>(left));
    providerres_.reset();
  }
  receivers_->Stop(until);
  // Nothing queued reaches the main thread any more.
  invoker_->Detach();
}

std::uint16_t QueryEngine::QueryLocalPort() const {
  return receivers_ ? receivers_->QuerySocket().LocalPort() : 0;
}
std::uint16_t QueryEngine::VarLocalPort() const {
  return receivers_ ? receivers_->VarSocket().LocalPort() : 0;
}
std::size_t QueryEngine::PendingHandOvers() const {
  return invoker_ ? invoker_->PendingCalls() : 0;
}
int QueryEngine::QueryReceiveBuffer() const {
  return receivers_ ? receivers_->QuerySocket().ReceiveBufferBytes() : 0;
}
std::uint64_t QueryEngine::InboxDropped() const {
  return receivers_ ? receivers_->InboxDropped() : 0;
}

std::size_t QueryEngine::HeldRcon() const {
  std::size_t n = 0;
  for (const auto& [uid, session] : sessions_) n += session->Waiting();
  return n;
}

std::vector<std::string> QueryEngine::HeldRconFor(Uid server) const {
  const auto it = sessions_.find(server);
  return it == sessions_.end() ? std::vector<std::string>{} : it->second->WaitingTexts();
}

// --- sends -------------------------------------------------------------------------

bool QueryEngine::SendGetStatus(int index, std::string* error) {
  if (index < 0 || static_cast<std::size_t>(index) >= list_.Size()) {
    if (error) *error = "no such server";
    return false;
  }
  const Tserverrec& e = list_.At(static_cast<std::size_t>(index));
  const auto port = PortOf(e.port.view());
  if (!port) {
    if (error) *error = "'" + e.port.str() + "' is no port number";
    return false;
  }
  if (!running_ || shutDown_) {
    if (error) *error = "not started";
    return false;
  }
  const std::optional<std::string> address = names_->Address(e.host.view());
  if (!address) {
    if (error) *error = "'" + e.host.str() + "' is not resolved";
    return false;
  }
  // A server that limits requests gets a getstatus only within its budget.
  if (!pacer_.TakeGetStatus(PaceKey(*address, *port), Clock::now())) {
    if (error) *error = "the server's request budget is spent";
    return false;
  }
  NoteSend(e, HiResMs());
  ++counters_.getStatusSent;
  return receivers_->QuerySocket().SendTo(*address, *port, BuildGetStatus(), error);
}

// Every query's moment is kept (a few per server), so that a reply is
// measured against the query that was the latest when it arrived, even when
// a newer one has been sent before the reply is handled.
void QueryEngine::NoteSend(const Tserverrec& e, double at) {
  auto& stamps = sendStamps_[SenderKey(e.host.view(), e.port.view())];
  std::rotate(stamps.begin(), stamps.begin() + 1, stamps.end());
  stamps.back() = at;
}

double QueryEngine::SendTimeBefore(const Tserverrec& e, double arrival) const {
  const auto it = sendStamps_.find(SenderKey(e.host.view(), e.port.view()));
  if (it != sendStamps_.end()) {
    for (auto s = it->second.rbegin(); s != it->second.rend(); ++s)
      if (*s > 0 && *s <= arrival) return *s;
  }
  return e.sendtime;
}

QueryEngine::SendResult QueryEngine::SendRcon(std::string_view command, RconOptions options) {
  return Rcon(selection_.SelectedUid(), RconChannel::Query, command, std::move(options));
}

QueryEngine::SendResult QueryEngine::SendRconVar(std::string_view command, RconOptions options) {
  return Rcon(selection_.SelectedUid(), RconChannel::Var, command, std::move(options));
}

QueryEngine::SendResult QueryEngine::Rcon(Uid server, RconChannel channel, std::string_view command,
                                          RconOptions options) {
  ServerSession* s = Session(server);
  if (!s) return SendResult::NoServer;
  return s->Send(channel, command, std::move(options));
}

void QueryEngine::RequestStatusPoll() {
  RequestStatusPoll(selection_.SelectedUid());
}

void QueryEngine::RequestStatusPoll(Uid server) {
  if (ServerSession* s = Session(server)) s->RequestTable();
}

// --- handlers ------------------------------------------------------------------------

int QueryEngine::FirstEntryFor(const std::string& host, int port) {
  return senders_.First(host, port, list_, names_.get());
}

void QueryEngine::HandleQueryDatagram(std::string text, std::string host, int port, double time) {
  ++counters_.datagrams;
  // Every datagram belongs to the server that sent it, whatever came before.
  const int index = host.empty() || port == -1 ? -1 : FirstEntryFor(host, port);
  const bool status = IsStatusResponse(text);
  if (index < 0) {
    if (status) ++counters_.unattributed;
    return;
  }
  Tserverrec& e = list_.MutableAt(static_cast<std::size_t>(index));
  e.lastreply = TickCount32();
  pacer_.Answered(PaceKey(host, static_cast<std::uint16_t>(port)), SteadyAt(time));
  ServerSession* session = Session(e.uid);
  if (!status) {
    // An rcon output: joined with the rest of its datagrams in its session.
    // Anything else a server sends here is not for the console.
    session->TakeQueryPrint(text, time);
    return;
  }
  session->GetStatusAnswered(time);
  HandleStatusResponse(index, text, time - SendTimeBefore(e, time), time);
}

void QueryEngine::HandleStatusResponse(int index, const std::string& text, double ping, double) {
  const auto i = static_cast<std::size_t>(index);
  StatusUpdateSettings s;
  if (const auto n = ConvertInteger(settings_.Get(&Settings::datenmenge)))
    s.historyLength = HistoryLengthFor(*n, list_.Size());
  s.addSamples = settings_.Get(&Settings::aktive);
  StatusUpdate update =
      ApplyStatusResponse(text, ping, list_.MutableAt(i), list_.MutableHistory(i), s, addresses_);
  if (update.complete) {
    ++counters_.statusResponses;
    Session(list_.At(i).uid)->TakeStatus(std::move(update.vars), update.players);
  }
  list_.NoteStatusChanged(i);
}

void QueryEngine::HandleVarReply(const std::string& text, const std::string& host, int port) {
  ++counters_.varReplies;
  if (host.empty() || port == -1) return;
  const int index = FirstEntryFor(host, port);
  if (index < 0) return;  // not listed
  Tserverrec& e = list_.MutableAt(static_cast<std::size_t>(index));
  // An answer like any other: a server that answers is not timed out.
  e.lastreply = TickCount32();
  pacer_.Answered(PaceKey(host, static_cast<std::uint16_t>(port)), Clock::now());
  Session(e.uid)->TakeVarDatagram(text, HiResMs());
}

void QueryEngine::ApplyTableLookups(Tstatusinfo& rows) {
  const Tguidlist* guids = guids_;
  ApplyStatusLookups(
      rows, addresses_.TableLookups([guids](const std::string& guid) -> std::optional<std::string> {
        std::optional<std::string> name;
        if (!guids) return name;
        for (const Tguidrec& g : *guids)
          if (g.guid.view() == guid) name = g.name.str();
        return name;
      }));
}

// --- timers --------------------------------------------------------------------------

void QueryEngine::Timer3Timer() {
  timer3_->SetEnabled(false);
  if (settings_.Get(&Settings::startq)) sweeps_.StartUp();
}

void QueryEngine::Button6Click() {
  UpdateLimited();  // also while the selected server's query is off
  sweeps_.Periodic();
}

// A server counts as free again a while after its limiter was last seen:
// the marks follow the budgets.
void QueryEngine::UpdateLimited() {
  for (auto& [uid, session] : sessions_) session->UpdateLimited();
}

void QueryEngine::Timer1Timer() {
  UpdateLimited();
  const int index = selection_.Index();
  if (index < 0) return;
  Tserverrec& e = list_.MutableAt(static_cast<std::size_t>(index));
  if (!IsDecimalNumber(e.port.view()) || e.host.empty()) return;
  ServerSession* session = Session(e.uid);
  const bool poll = playersShown_ && !e.rconpass.empty();
  if (session->Limited()) {
    // About one request a second for everything: the poll, whose table
    // carries the players' pings and scores and keeps the entry answered,
    // and every fifth tick the getstatus for the server's variables and
    // ping. The operator's commands go before both.
    if (poll && ++limitedTicks_ % 5 != 0) {
      session->RequestTable();
      return;
    }
    const double at = HiResMs();
    if (SendGetStatus(index)) {
      e.sendtime = at;
      session->GetStatusSent(at);
    }
    return;
  }
  e.sendtime = HiResMs();
  if (SendGetStatus(index)) session->GetStatusSent(e.sendtime);
  if (poll) session->RequestTable();
}

std::string QueryEngine::ApplyQuerySettings(QueryTimers which) {
  const Settings s = settings_.Snapshot();
  if (which != QueryTimers::Selected) {
    const auto plan = AllServersQueryPlan(s);
    if (!plan) return IntegerConversionError(s.cqt);
    timer5_->SetInterval(plan->intervalMs);
    timer5_->SetEnabled(plan->on);
    emit SweepButtonShown(plan->RefreshButtonVisible());
  }
  if (which != QueryTimers::AllServers) {
    const auto plan = SelectedQueryPlan(s);
    if (!plan) return IntegerConversionError(s.sqt);
    timer1_->SetInterval(plan->intervalMs);
    timer1_->SetEnabled(plan->on);
    emit SelectedRefreshButtonShown(plan->RefreshButtonVisible());
  }
  return {};
}

void QueryEngine::ApplyStartQuerySetting() {
  timer3_->SetEnabled(settings_.Get(&Settings::startq));
}

void QueryEngine::Minimize() {
  timer5_->SetEnabled(false);
  timer1_->SetEnabled(false);
}

std::string QueryEngine::Restore() {
  return ApplyQuerySettings(QueryTimers::Both);
}

void QueryEngine::OnPageChanged(bool playersPageShown) {
  playersShown_ = playersPageShown;
  const Tserverrec* e = selection_.Entry();
  if (!e || e->rconpass.empty()) return;
  if (playersPageShown) {
    RconOptions read;
    read.kind = RconKind::Read;
    SendRcon(CmdStatus(), std::move(read));
    timer1_->SetEnabled(true);
  } else {
    timer1_->SetEnabled(settings_.Get(&Settings::sq));
  }
}

}  // namespace zelmora
