// "rcon Konsole": a raw rcon command line with its history, and the view
// that shows the last reply of the query channel.
#pragma once

#include <QObject>

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "engine/appstate.h"
#include "engine/queryengine.h"
#include "ui/admin/admintab.h"

class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace zelmora {

struct ConsoleTabWidgets {
  QPlainTextEdit* RichEdit1 = nullptr;  // replies, read-only
  QLineEdit* Edit1 = nullptr;           // command line
  QPushButton* Button2 = nullptr;       // "Senden"
};

// Commands sent from the console, oldest first, with a cursor that stands
// behind the newest entry after every send. Up walks back to the oldest and
// stays there; Down walks forward, and past the newest entry leaves the line
// empty, as shells do.
class CommandHistory {
 public:
  void Add(std::string command);
  // The entry to put into the line, or no value when the key does nothing
  // here (the line keeps its text, also Down past the newest entry).
  std::optional<std::string> Up();
  std::optional<std::string> Down();
  std::size_t Size() const { return entries_.size(); }

 private:
  std::vector<std::string> entries_;
  std::size_t cursor_ = 0;  // == size: behind the newest entry
};

class ConsoleTab : public QObject, public AdminTab {
 public:
  ConsoleTab(AppState& state, QueryEngine& engine, ConsoleTabWidgets widgets);

  // Every reply of the query channel that is no statusResponse replaces the
  // view's contents, line by line.
  void ConsoleShow(const std::vector<std::string>& lines);
  // Adds a line below the output shown (a command without an answer).
  void ConsoleNote(const std::string& line);

  // Sends the line as it stands (a server must be selected) and keeps it in
  // the history. False when nothing was taken (no server, refused text).
  bool Button2Click();
  void Edit1Enter();  // as "Senden", then the line is emptied

  const CommandHistory& History() const { return history_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  AppState& state_;
  QueryEngine& engine_;
  ConsoleTabWidgets w_;
  CommandHistory history_;
};

}  // namespace zelmora
