#include "ui/admin/varqueue.h"

#include <QTimer>
#include <QWidget>

#include "core/textutil.h"
#include "protocol/colorcodes.h"
#include "protocol/commands.h"
#include "protocol/text.h"
#include "protocol/varreply.h"
#include "ui/admin/admincommon.h"
#include "ui/dialogs/messages.h"
#include "ui/dialogs/tform5.h"

namespace zelmora {

namespace {
constexpr char kModeRead[] = "setvar-show";
constexpr char kModeWrite[] = "setvar";
}  // namespace

VarQueue::VarQueue(QueryEngine& engine, QWidget* window) : engine_(engine), window_(window) {
  connect(&engine_, &QueryEngine::VarReply, this,
          [this](std::uint64_t server, const std::string& line) {
            if (engine_.Selected().Is(server)) ApplyVarReply(line);
          });
  connect(&engine_.Selected(), &Selection::Changed, this,
          [this](std::uint64_t before, std::uint64_t) { DropReadsOf(before); });
  timer6_ = new QTimer(this);
  timer6_->setObjectName(QStringLiteral("Timer6"));
  timer6_->setInterval(kInterval);
  // Not a coarse timer: that may fire up to 5 % early, and the pump's
  // spacing is what keeps the commands apart.
  timer6_->setTimerType(Qt::PreciseTimer);
  connect(timer6_, &QTimer::timeout, this, &VarQueue::Timer6Timer);
}

VarQueue::~VarQueue() = default;

QueryEngine::SendResult VarQueue::SendVar(std::string_view name, std::string_view value,
                                          RconOptions options) {
  if (!engine_.Selected().Valid()) return QueryEngine::SendResult::NoServer;
  return SendVarTo(engine_.Selected().SelectedUid(), name, value, std::move(options));
}

QueryEngine::SendResult VarQueue::SendVarTo(std::uint64_t server, std::string_view name,
                                            std::string_view value, RconOptions options) {
  const bool read = value == "show";
  const BuiltCommand command = read ? BuildReadVar(name) : BuildSetVar(name, value);
  if (!command.ok()) return QueryEngine::SendResult::NoServer;
  if (read) options.kind = RconKind::Read;
  // Network paths report nothing to the operator: a send that fails (an
  // unresolvable host, no network) is only seen by the caller.
  return engine_.Rcon(server, RconChannel::Var, command.line, std::move(options));
}

QueryEngine::SendResult VarQueue::SendCommand(const BuiltCommand& command, RconOptions options) {
  if (!command.ok()) return QueryEngine::SendResult::NoServer;
  return engine_.SendRconVar(command.line, std::move(options));
}

bool VarQueue::BeginBatch() {
  const Tserverrec* e = UsableServer(engine_);
  if (!e) return false;
  batchServer_ = e->uid;
  ShowOverlayMessage(overlay_, QStringLiteral("Bitte warten"), -1);
  return true;
}

void VarQueue::RunBatch(Kind kind, std::vector<std::string> texts, int intervalMs, int owner) {
  const std::uint64_t server = batchServer_ ? batchServer_ : engine_.Selected().SelectedUid();
  for (std::string& t : texts) queue_.push_back({kind, std::move(t), server, owner});
  mode_ = kind == Kind::Read ? kModeRead : kModeWrite;
  timer6_->setInterval(intervalMs);
  timer6_->start();
}

bool VarQueue::ReadsRunning(int owner) const {
  const std::uint64_t server = engine_.Selected().SelectedUid();
  for (const Entry& e : queue_)
    if (e.kind == Kind::Read && e.owner == owner && e.server == server) return true;
  return false;
}

void VarQueue::DropReadsOf(std::uint64_t server) {
  std::erase_if(queue_, [&](const Entry& e) { return e.kind == Kind::Read && e.server == server; });
  // The notice goes with the next tick, as for a batch that ran out.
}

void VarQueue::Timer6Timer() {
  if (queue_.empty()) {
    timer6_->stop();
    if (overlay_) overlay_->HideOverlay();
    return;
  }
  const Entry entry = std::move(queue_.front());
  queue_.pop_front();
  QueryEngine::SendResult r;
  if (entry.kind == Kind::Read) {
    r = SendVarTo(entry.server, entry.text, "show");
  } else {
    // The name ends at the first ";" (no name holds one); the value is all
    // that follows, a ";" of its own included.
    const std::size_t cut = entry.text.find(';');
    r = SendVarTo(entry.server, entry.text.substr(0, cut),
                  cut == std::string::npos ? std::string() : entry.text.substr(cut + 1));
  }
  if (r == QueryEngine::SendResult::Failed || r == QueryEngine::SendResult::NoServer) {
    // The server cannot be reached (or is gone): the rest of its batch
    // would fail the same way, once per tick.
    std::erase_if(queue_, [&](const Entry& e) { return e.server == entry.server; });
    if (queue_.empty()) {
      timer6_->stop();
      if (overlay_) overlay_->HideOverlay();
    }
  }
}

void VarQueue::ApplyVarReply(const std::string& line) {
  // Only a variable's read-out counts (and not an unchecked weapon box for
  // a variable the server does not know).
  const std::optional<VarReply> reply = ParseVarReply(line);
  if (!reply) return;
  const std::string& name = reply->name;
  const std::string& value = reply->value;
  for (const Route* route :
       {&routes_.weapons, &routes_.gameType, &routes_.vehicles, &routes_.customVars}) {
    if (*route) (*route)(name, value);
  }
}

}  // namespace zelmora
