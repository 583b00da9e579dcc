#include "engine/rconbatch.h"

#include <QTimer>

#include "core/commandrules.h"
#include "engine/queryengine.h"
#include "engine/serversession.h"
#include "protocol/rconreply.h"
#include "protocol/replyjoin.h"

namespace zelmora {

namespace {

// A command that left and heard nothing gets its "none in time" from its
// session; should that never come (its session went away meanwhile), the
// row is closed this long after it left.
constexpr qint64 kGiveUpMs = static_cast<qint64>(ServerSession::kUnansweredAfterMs) + 2000;

bool Holds(const std::string& text, std::string_view what) {
  return text.find(what) != std::string::npos;
}

}  // namespace

const char* RconBatch::StateText(State state) {
  switch (state) {
    case State::Waiting:
      return "wartet";
    case State::Throttled:
      return "gedrosselt, wartet";
    case State::Sent:
      return "gesendet";
    case State::Done:
      return "ausgeführt";
    case State::NoPassword:
      return "kein rcon-Passwort";
    case State::WrongPassword:
      return "falsches rcon-Passwort";
    case State::NoAnswer:
      return "keine Antwort";
    case State::Dropped:
      return "verworfen";
  }
  return "";
}

RconBatch::State RconBatch::Classify(const std::optional<std::string>& output) {
  if (!output) return State::NoAnswer;
  // The games' own words: Call of Duty, and the ioquake3 family.
  if (Holds(*output, "Bad rconpassword.") || Holds(*output, "Invalid password."))
    return State::WrongPassword;
  // A server started without an rcon password refuses every command.
  if (Holds(*output, "No rconpassword set.")) return State::NoPassword;
  return State::Done;
}

std::string RconBatch::Row::FirstLine() const {
  if (output)
    for (const std::string& line : *output)
      if (line.find_first_not_of(" \t\r") != std::string::npos) return line;
  return {};
}

RconBatch::RconBatch(QueryEngine& engine, QObject* parent) : QObject(parent), engine_(engine) {
  sweep_ = new QTimer(this);
  sweep_->setInterval(500);
  connect(sweep_, &QTimer::timeout, this, [this] { Sweep(); });
}

RconBatch::~RconBatch() {
  cancelled_->store(true);
}

void RconBatch::Start(std::vector<Item> items) {
  if (started_) return;
  started_ = true;
  rows_.reserve(items.size());
  for (Item& item : items) {
    Row row;
    row.server = item.server;
    row.command = std::move(item.command);
    if (ServerSession* s = engine_.Session(row.server)) {
      row.name = s->DisplayName();
      if (const Tserverrec* e = s->Entry()) row.address = e->host.str() + ":" + e->port.str();
    }
    rows_.push_back(std::move(row));
  }
  followed_.resize(rows_.size());
  for (int i = 0; i < static_cast<int>(rows_.size()); ++i) Begin(i);
  if (!Finished()) sweep_->start();
  Sweep();
}

void RconBatch::Begin(int row) {
  Row& r = rows_[static_cast<std::size_t>(row)];
  ServerSession* session = engine_.Session(r.server);
  const Tserverrec* e = session ? session->Entry() : nullptr;
  if (!e) {
    SetState(row, State::Dropped);
    return;
  }
  // A stored password that breaks the rule is never sent either.
  if (e->rconpass.empty() || !PasswordProblem(e->rconpass.view()).empty()) {
    SetState(row, State::NoPassword);
    return;
  }
  followed_[static_cast<std::size_t>(row)] = session;
  Follow(session);
  RconOptions o;
  o.kind = RconKind::Action;
  o.cancelled = cancelled_;
  QPointer<RconBatch> self(this);
  o.done = [self, row](bool left) {
    if (self) self->Left(row, left);
  };
  o.answer = [self, row](const std::optional<std::string>& output) {
    if (self) self->Answer(row, output);
  };
  // The line may drop it at once (a command it refuses): the state is set
  // first, and only a row still waiting learns of the limiter.
  r.state = State::Waiting;
  if (session->Send(RconChannel::Query, r.command, std::move(o)) != SendResult::Sent) {
    SetState(row, State::Dropped);
    return;
  }
  if (r.state == State::Waiting)
    SetState(row, session->Limited() ? State::Throttled : State::Waiting);
}

void RconBatch::Follow(ServerSession* session) {
  const Uid uid = session->Id();
  // One connection per session and batch.
  if (!connected_.insert(uid).second) return;
  connect(session, &ServerSession::LimitedChanged, this, [this, uid](bool limited) {
    for (int i = 0; i < static_cast<int>(rows_.size()); ++i) {
      const State s = rows_[static_cast<std::size_t>(i)].state;
      if (rows_[static_cast<std::size_t>(i)].server == uid &&
          (s == State::Waiting || s == State::Throttled))
        SetState(i, limited ? State::Throttled : State::Waiting);
    }
  });
  connect(
      session, &QObject::destroyed, this, [this] { Sweep(); }, Qt::QueuedConnection);
}

void RconBatch::SetState(int row, State state) {
  Row& r = rows_[static_cast<std::size_t>(row)];
  const bool changed = r.state != state;
  r.state = state;
  if (changed || Final(state)) emit RowChanged(row);
  if (!told_ && Finished()) {
    told_ = true;
    sweep_->stop();
    emit AllDone();
  }
}

void RconBatch::Left(int row, bool left) {
  Row& r = rows_[static_cast<std::size_t>(row)];
  if (Final(r.state)) return;
  if (left) r.sent = QDateTime::currentDateTime();
  SetState(row, left ? State::Sent : State::Dropped);
}

void RconBatch::Answer(int row, const std::optional<std::string>& output) {
  Row& r = rows_[static_cast<std::size_t>(row)];
  if (Final(r.state)) return;
  if (output) {
    r.answered = QDateTime::currentDateTime();
    std::vector<std::string> lines = ConsoleLines(*output, PrintJoiner::kMaxBytes);
    if (!lines.empty()) lines.erase(lines.begin());  // the "print" keyword
    while (!lines.empty() && lines.back().empty()) lines.pop_back();
    r.output = std::move(lines);
  }
  SetState(row, Classify(output));
}

void RconBatch::Cancel() {
  cancelled_->store(true);
  // What waits never leaves now: its line drops it when its turn comes.
  for (int i = 0; i < static_cast<int>(rows_.size()); ++i) {
    const State s = rows_[static_cast<std::size_t>(i)].state;
    if (s == State::Waiting || s == State::Throttled) SetState(i, State::Dropped);
  }
}

// Rows whose session went away: what waited there was dropped with it, and
// what left there will hear nothing.
void RconBatch::Sweep() {
  const QDateTime now = QDateTime::currentDateTime();
  for (int i = 0; i < static_cast<int>(rows_.size()); ++i) {
    Row& r = rows_[static_cast<std::size_t>(i)];
    if (Final(r.state)) continue;
    const bool gone = followed_[static_cast<std::size_t>(i)].isNull();
    if (r.state == State::Sent && (gone || r.sent.msecsTo(now) > kGiveUpMs))
      SetState(i, State::NoAnswer);
    else if (r.state != State::Sent && gone)
      SetState(i, State::Dropped);
  }
}

bool RconBatch::Finished() const {
  for (const Row& r : rows_)
    if (!Final(r.state)) return false;
  return started_;
}

int RconBatch::Failures() const {
  int n = 0;
  for (const Row& r : rows_)
    if (r.state != State::Done) ++n;
  return n;
}

}  // namespace zelmora
