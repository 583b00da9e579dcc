#include "ui/admin/msgtimertab.h"

#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>

#include <cstdint>
#include <limits>

#include "core/textutil.h"
#include "protocol/commands.h"
#include "ui/admin/admincommon.h"
#include "ui/admin/operatorcommand.h"
#include "ui/dialogs/messages.h"

namespace zelmora {

MsgTimerTab::MsgTimerTab(AppState& state, QueryEngine& engine, MsgTimerTabWidgets widgets)
    : state_(state), engine_(engine), w_(widgets) {
  timer7_ = std::make_unique<EngineTimer>(this, "Timer7", 1000, [this] { Timer7Timer(); });
  w_.Label28->setText(QStringLiteral("0"));
  w_.Button50->setEnabled(true);
  w_.Button51->setEnabled(false);
  connect(w_.Button50, &QPushButton::clicked, this, [this] { Button50Click(); });
  connect(w_.Button51, &QPushButton::clicked, this, [this] { Button51Click(); });
}

void MsgTimerTab::Button50Click() {
  timer7_->SetEnabled(false);
  ++runs_;
  sent_ = 0;
  w_.Label28->setText(QStringLiteral("0"));
  const auto seconds = ParseInt32(EditText(w_.Edit9));
  if (!seconds) {
    ShowMessage(w_.Edit9,
                QStringLiteral("'%1' is not a valid integer value").arg(w_.Edit9->text()));
    return;
  }
  // The timer never fires at 0 ms: a zero interval must not flood the
  // server with messages.
  const std::int64_t ms = std::int64_t{*seconds} * 1000;
  timer7_->SetInterval(
      static_cast<int>(std::min<std::int64_t>(ms, std::numeric_limits<int>::max())));
  // The messages are for the server selected now; selecting another one
  // stops the timer.
  server_ = state_.SelectedUid();
  timer7_->SetEnabled(true);
  w_.Button50->setEnabled(false);
  w_.Button51->setEnabled(true);
}

void MsgTimerTab::Button51Click() {
  timer7_->SetEnabled(false);
  w_.Button50->setEnabled(true);
  w_.Button51->setEnabled(false);
}

void MsgTimerTab::Timer7Timer() {
  const Tserverrec* e = UsableServer(state_);
  if (!e || e->uid != server_) return;
  const std::string text = EditText(w_.Edit8);
  if (!IsSafeCommandText(text)) {
    // Told once, not at every tick: the timer is switched off.
    Button51Click();
    CheckCommandText(w_.Edit8, text);
    return;
  }
  // Counted when it has actually left.
  QPointer<MsgTimerTab> self(this);
  RconOptions o;
  o.done = [self, run = runs_](bool left) {
    if (!self || !left || run != self->runs_) return;
    ++self->sent_;
    self->w_.Label28->setText(QString::number(self->sent_));
  };
  engine_.Rcon(server_, RconChannel::Query, CmdSay(text), std::move(o));
}

}  // namespace zelmora
