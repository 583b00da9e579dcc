#include "ui/admin/consoletab.h"

#include <QFontDatabase>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include "ui/admin/admincommon.h"
#include "ui/admin/operatorcommand.h"
#include "ui/dialogs/cp1252.h"
#include "ui/dialogs/servertext.h"

namespace zelmora {

void CommandHistory::Add(std::string command) {
  // Every line sent is remembered, an empty one too: it was sent as well.
  entries_.push_back(std::move(command));
  cursor_ = entries_.size();
}

std::optional<std::string> CommandHistory::Up() {
  if (entries_.empty()) return std::nullopt;
  if (cursor_ > 0) --cursor_;
  return entries_[cursor_];
}

std::optional<std::string> CommandHistory::Down() {
  // Past the newest entry the cursor leaves the history and the line keeps
  // what it holds.
  if (cursor_ + 1 >= entries_.size()) {
    cursor_ = entries_.size();
    return std::nullopt;
  }
  ++cursor_;
  return entries_[cursor_];
}

ConsoleTab::ConsoleTab(QueryEngine& engine, ConsoleTabWidgets widgets)
    : engine_(engine), w_(widgets) {
  connect(w_.Button2, &QPushButton::clicked, this, [this] { Button2Click(); });
  connect(w_.Edit1, &QLineEdit::returnPressed, this, [this] { Edit1Enter(); });
  w_.Edit1->installEventFilter(this);
  // Server output is laid out in columns (the status table, listings).
  QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  fixed.setPointSizeF(w_.RichEdit1->font().pointSizeF());
  w_.RichEdit1->setFont(fixed);
}

QString ConsoleTab::HeaderLine(const ServerSession& session) {
  const Tserverrec* e = session.Entry();
  QString address = e ? FromCp1252(e->host.str() + ":" + e->port.str()) : QString();
  return QStringLiteral("=== Konsole von %1 (%2) ===")
      .arg(ServerText(&session, session.DisplayName()), address);
}

void ConsoleTab::ServerSelected(const Tserverrec& e, bool) {
  session_.Follow(engine_.Session(e.uid));
  session_.Connect(&ServerSession::ConsoleChanged, this, [this] { ShowConsole(); });
  // A server selected before its first answer gets its name later: the
  // header line follows it.
  session_.Connect(&ServerSession::StatusChanged, this, [this] {
    if (session_ && HeaderLine(*session_.get()) != shownHeader_) {
      shownRewrites_ = ~std::uint64_t{0};
      ShowConsole();
    }
  });
  shownEnd_ = 0;
  shownRewrites_ = ~std::uint64_t{0};
  ShowConsole();
}

void ConsoleTab::ShowConsole() {
  if (!session_) {
    w_.RichEdit1->clear();
    return;
  }
  const Transcript& t = session_->Console();
  QString text;
  const bool again = shownRewrites_ != t.Rewrites() || shownEnd_ < t.Begin();
  const std::uint64_t from = again ? t.Begin() : shownEnd_;
  if (again) text = shownHeader_ = HeaderLine(*session_.get());
  for (std::uint64_t n = from; n < t.End(); ++n) {
    if (!text.isEmpty() || n > from) text += QLatin1Char('\n');
    text += t.IsNote(n) ? QString::fromStdString(t.Line(n)) : ServerText(session_.get(), t.Line(n));
  }
  if (again)
    w_.RichEdit1->setPlainText(text);
  else if (from < t.End())
    w_.RichEdit1->appendPlainText(text);
  shownEnd_ = t.End();
  shownRewrites_ = t.Rewrites();
}

bool ConsoleTab::Button2Click() {
  if (!engine_.Selected().Valid()) return false;
  std::string command = EditText(w_.Edit1, engine_.SelectedSession());
  if (!CheckConsoleLine(w_.Edit1, command)) return false;
  engine_.SendRcon(command);
  history_.Add(std::move(command));
  return true;
}

void ConsoleTab::Edit1Enter() {
  // Emptied also when no server is selected; only a refused line stays, to
  // be mended.
  if (Button2Click() || !engine_.Selected().Valid()) w_.Edit1->clear();
}

bool ConsoleTab::eventFilter(QObject* watched, QEvent* event) {
  if (watched == w_.Edit1 && event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Up || key == Qt::Key_Down) {
      const auto entry = key == Qt::Key_Up ? history_.Up() : history_.Down();
      if (entry) {
        w_.Edit1->setText(ServerText(session_.get(), *entry));
        return true;
      }
    }
  }
  return QObject::eventFilter(watched, event);
}

void ConsoleTab::ServerGone() {
  session_.Follow(nullptr);
  ShowConsole();
}

}  // namespace zelmora
