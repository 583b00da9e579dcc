// "rcon Konsole": a raw rcon command line with its history, and the view of
// the selected server's console: a line naming the server, then its
// commands and their whole outputs as they came (see engine/transcript.h).
#pragma once

#include <QObject>

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "engine/queryengine.h"
#include "ui/admin/admincommon.h"
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
  ConsoleTab(QueryEngine& engine, ConsoleTabWidgets widgets);

  // The view follows the selected server's console.
  void ServerSelected(const Tserverrec& e, bool shown) override;
  void ServerGone() override;
  // Brings the view up to date with the console it follows: what was added
  // is appended, a console that changed further up is drawn anew.
  void ShowConsole();
  // The line above a server's console.
  static QString HeaderLine(const ServerSession& session);

  // Sends the line as it stands (a server must be selected) and keeps it in
  // the history. False when nothing was taken (no server, refused text).
  bool Button2Click();
  void Edit1Enter();  // as "Senden", then the line is emptied

  const CommandHistory& History() const { return history_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QueryEngine& engine_;
  ConsoleTabWidgets w_;
  CommandHistory history_;
  FollowedSession session_;
  // What the view shows of it: up to which line, after how many rewrites.
  std::uint64_t shownEnd_ = 0;
  std::uint64_t shownRewrites_ = 0;
  QString shownHeader_;
};

}  // namespace zelmora
