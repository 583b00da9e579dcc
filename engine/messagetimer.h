// A server's message timer: a text said to all players of that server at a
// fixed interval, until it is switched off. Each server has its own; it
// keeps running while the operator looks at other servers.
//
// The first message goes out one interval after the start; an interval of
// 0 seconds or less never fires. The text can be changed while it runs: the
// next message takes the new one. The counter counts the messages that
// actually left since the start.
#pragma once

#include <QObject>

#include <functional>
#include <memory>
#include <string>

#include "engine/enginetimer.h"

namespace zelmora {

class MessageTimer : public QObject {
  Q_OBJECT

 public:
  // send puts the message into the server's line; done tells whether it
  // left. send returns false when the text was refused (the timer stops).
  using SendFn = std::function<bool(const std::string& text, std::function<void(bool left)> done)>;

  explicit MessageTimer(SendFn send, QObject* parent = nullptr);

  bool Running() const { return timer_->Enabled(); }
  int Sent() const { return sent_; }
  int IntervalSeconds() const { return seconds_; }
  const std::string& Text() const { return text_; }

  void SetText(std::string text) { text_ = std::move(text); }
  void Start(int seconds);
  void Stop();
  // One tick (tests drive it).
  void Tick();

 signals:
  // Running state, interval or counter changed.
  void Changed();

 private:
  SendFn send_;
  std::unique_ptr<EngineTimer> timer_;
  std::string text_ = "TEXT";
  int seconds_ = 30;
  int sent_ = 0;
  int run_ = 0;  // a message of an earlier run is not counted
};

}  // namespace zelmora
