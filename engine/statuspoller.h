// The rcon player-table polls ("status"), each from a socket of its own.
//
// A poll sends "status" with the server's password and collects that
// server's answer on the main thread's event loop, with a deadline of its
// own: polls of different servers run side by side and a silent server
// costs no other one any time. A socket per poll also keeps a late answer
// of an earlier poll out of the next one's table.
//
// The answer is complete when the first whole table is there (it ends with
// the empty line every status output ends with) and a moment has passed for
// stragglers, or when the server has been quiet for 600 ms; the first
// datagram is waited for 2 s. Datagrams of other senders are passed over.
// At most 64 datagrams / 256 KiB are taken.
//
// Main thread only.
#pragma once

#include <QObject>

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "protocol/rconreply.h"

namespace zelmora {

class StatusPoller : public QObject {
  Q_OBJECT

 public:
  using Clock = std::chrono::steady_clock;

  struct Result {
    bool answered = false;     // anything came from the server
    bool found = false;        // an answer with a map line came
    bool parsed = false;       // its table parsed
    bool tableReady = false;   // the table counts as arrived (parsed, or of several datagrams)
    Tstatusinfo rows;          // fields 0 to 8
    Clock::time_point left{};  // when the "status" left
  };
  using Done = std::function<void(Result)>;

  static constexpr std::chrono::milliseconds kFirstAnswerWait{2000};
  static constexpr std::chrono::milliseconds kQuietEnd{600};
  static constexpr std::chrono::milliseconds kCompleteGrace{30};
  static constexpr std::size_t kMaxDatagrams = 64;
  static constexpr std::size_t kMaxBytes = 256 * 1024;

  explicit StatusPoller(QObject* parent = nullptr);
  ~StatusPoller() override;

  // Sends the poll to address (dotted) and port; done runs once, later, on
  // the main thread. False (done never runs) when no socket could be made or
  // the send failed.
  bool Start(const std::string& address, std::uint16_t port, const std::string& password,
             Done done);
  // Ends every poll at once without calling its done (shutdown).
  void CancelAll();

  std::size_t InFlight() const { return polls_.size(); }
  std::uint64_t Finished() const { return finished_; }
  std::uint64_t Answered() const { return answered_; }
  // The local port of the newest poll's socket (tests); 0 when none ran.
  std::uint16_t LastLocalPort() const { return lastPort_; }

 private:
  struct Poll;
  void Read(Poll* poll);
  void Finish(Poll* poll);

  std::vector<std::unique_ptr<Poll>> polls_;
  std::uint64_t finished_ = 0;
  std::uint64_t answered_ = 0;
  std::uint16_t lastPort_ = 0;
};

}  // namespace zelmora
