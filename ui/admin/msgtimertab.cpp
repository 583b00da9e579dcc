#include "ui/admin/msgtimertab.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>

#include "core/textutil.h"
#include "ui/admin/operatorcommand.h"
#include "ui/dialogs/cp1252.h"
#include "ui/dialogs/messages.h"
#include "ui/dialogs/servertext.h"

namespace zelmora {

MsgTimerTab::MsgTimerTab(QueryEngine& engine, MsgTimerTabWidgets widgets)
    : engine_(engine), w_(widgets) {
  w_.Label28->setText(QStringLiteral("0"));
  w_.Button50->setEnabled(true);
  w_.Button51->setEnabled(false);
  connect(w_.Button50, &QPushButton::clicked, this, [this] { Button50Click(); });
  connect(w_.Button51, &QPushButton::clicked, this, [this] { Button51Click(); });
  // A text changed while the timer runs changes the next message; a line
  // break is refused when the timer is switched on.
  connect(w_.Edit8, &QLineEdit::textEdited, this, [this] {
    const std::string text = EditText(w_.Edit8, session_.get());
    if (MessageTimer* t = Timer(); t && BuildSay(text).ok()) t->SetText(text);
  });
}

MessageTimer* MsgTimerTab::Timer() const {
  return session_ ? &session_->Messages() : nullptr;
}

int MsgTimerTab::Sent() const {
  const MessageTimer* t = Timer();
  return t ? t->Sent() : 0;
}

void MsgTimerTab::ServerSelected(const Tserverrec& e, bool) {
  session_.Follow(engine_.Session(e.uid));
  // The page hears only of the timer it shows.
  disconnect(timerLink_);
  if (MessageTimer* t = Timer()) {
    timerLink_ = connect(t, &MessageTimer::Changed, this, [this] { ShowState(); });
    const QSignalBlocker quiet(w_.Edit8);
    w_.Edit8->setText(ServerText(session_.get(), t->Text()));
    w_.Edit9->setText(QString::number(t->IntervalSeconds()));
  }
  ShowState();
}

void MsgTimerTab::ShowState() {
  const MessageTimer* t = Timer();
  const bool running = t && t->Running();
  w_.Label28->setText(QString::number(t ? t->Sent() : 0));
  w_.Button50->setEnabled(!running);
  w_.Button51->setEnabled(running);
}

void MsgTimerTab::Button50Click() {
  MessageTimer* t = Timer();
  if (t) t->Stop();
  w_.Label28->setText(QStringLiteral("0"));
  const auto seconds = ParseInt32(EditText(w_.Edit9));
  if (!seconds) {
    ShowMessage(w_.Edit9,
                QStringLiteral("'%1' is not a valid integer value").arg(w_.Edit9->text()));
    return;
  }
  const std::string text = EditText(w_.Edit8, session_.get());
  if (Refused(w_.Edit8, BuildSay(text)) || !t) return;
  t->SetText(text);
  t->Start(*seconds);
}

void MsgTimerTab::Button51Click() {
  if (MessageTimer* t = Timer()) t->Stop();
  ShowState();
}

void MsgTimerTab::ServerGone() {
  session_.Follow(nullptr);
  disconnect(timerLink_);
  ShowState();
}

}  // namespace zelmora
