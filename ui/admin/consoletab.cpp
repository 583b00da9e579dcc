#include "ui/admin/consoletab.h"

#include <QFontDatabase>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include "ui/admin/admincommon.h"
#include "ui/admin/operatorcommand.h"
#include "ui/dialogs/cp1252.h"

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

ConsoleTab::ConsoleTab(AppState& state, QueryEngine& engine, ConsoleTabWidgets widgets)
    : state_(state), engine_(engine), w_(widgets) {
  connect(w_.Button2, &QPushButton::clicked, this, [this] { Button2Click(); });
  connect(w_.Edit1, &QLineEdit::returnPressed, this, [this] { Edit1Enter(); });
  w_.Edit1->installEventFilter(this);
  // Server output is laid out in columns (the status table, listings).
  QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  fixed.setPointSizeF(w_.RichEdit1->font().pointSizeF());
  w_.RichEdit1->setFont(fixed);
}

void ConsoleTab::ConsoleShow(const std::vector<std::string>& lines) {
  QString text;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (i) text += QLatin1Char('\n');
    text += FromCp1252(lines[i]);
  }
  w_.RichEdit1->setPlainText(text);
}

void ConsoleTab::ConsoleNote(const std::string& line) {
  w_.RichEdit1->appendPlainText(FromCp1252(line));
}

bool ConsoleTab::Button2Click() {
  if (!state_.SelectedValid()) return false;
  std::string command = EditText(w_.Edit1);
  if (!CheckCommandText(w_.Edit1, command)) return false;
  engine_.SendRcon(command);
  history_.Add(std::move(command));
  return true;
}

void ConsoleTab::Edit1Enter() {
  // Emptied also when no server is selected; only a refused line stays, to
  // be mended.
  if (Button2Click() || !state_.SelectedValid()) w_.Edit1->clear();
}

bool ConsoleTab::eventFilter(QObject* watched, QEvent* event) {
  if (watched == w_.Edit1 && event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Up || key == Qt::Key_Down) {
      const auto entry = key == Qt::Key_Up ? history_.Up() : history_.Down();
      if (entry) {
        w_.Edit1->setText(FromCp1252(*entry));
        return true;
      }
    }
  }
  return QObject::eventFilter(watched, event);
}

}  // namespace zelmora
