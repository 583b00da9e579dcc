// One command to several servers at once, and what became of it on each.
//
// Every server's command goes through that server's own line (its session):
// the query channel's pause, the flood spacing and the request budget of a
// server that limits requests hold back that server's command only, so a
// limited or silent server delays no other one. A row per server follows
// its command from the moment it was given to its outcome:
//
//   waiting  -> "gedrosselt, wartet" while the server limits requests
//            -> sent (it left)  -> "ausgeführt", "falsches rcon-Passwort"
//                                   (the server's answer says so) or
//                                   "keine Antwort" (none in time)
//            -> "verworfen" (dropped before it left: cancelled, the entry
//               went away or its address changed, or it could not be sent)
//   "kein rcon-Passwort": no usable password is stored (nothing is sent),
//   or the server answered that it has none set.
//
// Cancel drops what has not left yet; what left is carried out and its
// answer still shown. The window and the shell form share this class.
//
// Main thread only.
#pragma once

#include <QDateTime>
#include <QObject>
#include <QPointer>

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

class QTimer;

namespace zelmora {

class QueryEngine;
class ServerSession;

class RconBatch : public QObject {
  Q_OBJECT

 public:
  using Uid = std::uint64_t;

  enum class State {
    Waiting,        // in its server's line
    Throttled,      // in line, the server limits requests
    Sent,           // left, its answer not yet there
    Done,           // answered
    NoPassword,     // no usable rcon password (nothing sent), or none set on the server
    WrongPassword,  // the server refused the password
    NoAnswer,       // left, no answer in time
    Dropped,        // did not leave
  };
  // The German text of a state (UTF-8).
  static const char* StateText(State state);
  static bool Final(State state) {
    return state != State::Waiting && state != State::Throttled && state != State::Sent;
  }
  // What an answer (the output credited to the command, or none in time)
  // says about the command.
  static State Classify(const std::optional<std::string>& output);

  struct Item {
    Uid server = 0;
    std::string command;  // the server's bytes, ready to send
  };
  struct Row {
    Uid server = 0;
    std::string name;     // the server's name (its bytes), or host:port
    std::string address;  // host:port
    std::string command;
    State state = State::Waiting;
    QDateTime sent;      // when it left (invalid: not yet, or never)
    QDateTime answered;  // when its answer came
    // The output's lines, colour codes removed, without the "print"
    // keyword; none while no answer came.
    std::optional<std::vector<std::string>> output;
    // The first non-empty line of the output ("" without one).
    std::string FirstLine() const;
  };

  explicit RconBatch(QueryEngine& engine, QObject* parent = nullptr);
  // Whatever still waits is dropped.
  ~RconBatch() override;

  // Puts each item into its server's line (once per batch).
  void Start(std::vector<Item> items);
  // Drops every command that has not left yet.
  void Cancel();

  const std::vector<Row>& Rows() const { return rows_; }
  bool Started() const { return started_; }
  bool Finished() const;
  // Rows whose state is not "ausgeführt".
  int Failures() const;

 signals:
  void RowChanged(int row);
  // Every row has its outcome.
  void AllDone();

 private:
  void Begin(int row);
  void Follow(ServerSession* session);
  void SetState(int row, State state);
  void Left(int row, bool left);
  void Answer(int row, const std::optional<std::string>& output);
  void Sweep();

  QueryEngine& engine_;
  std::shared_ptr<std::atomic<bool>> cancelled_ = std::make_shared<std::atomic<bool>>(false);
  std::vector<Row> rows_;
  std::vector<QPointer<ServerSession>> followed_;
  std::set<Uid> connected_;  // sessions whose limiter is followed
  QTimer* sweep_ = nullptr;
  bool started_ = false;
  bool told_ = false;
};

}  // namespace zelmora
