// The sweeps of getstatus queries over the whole list: the one at start
// and the periodic one over every server but the selected one.
//
// Both send in slices, kSlice queries at a time with a short pause in
// between: replies come back at the pace the queries leave, and a stock
// system buffers only about 180 of them for a socket (208 KiB), so a whole
// list at once would overflow it whenever the receiving thread is not
// scheduled for a moment. Ten thousand queries a second keep a sweep of
// 5000 servers under half a second while the buffer holds 18 ms of
// replies. The window's events run between the slices.
#pragma once

#include <QObject>

#include <cstddef>
#include <functional>

#include "engine/selection.h"
#include "engine/serverlist.h"

class QTimer;

namespace zelmora {

class Sweeps : public QObject {
  Q_OBJECT

 public:
  static constexpr int kSlice = 50;
  static constexpr int kPauseMs = 5;

  // send: "getstatus" to the entry at index, its sendtime stamped; false
  // when nothing was sent.
  Sweeps(const ServerList& list, const Selection& selection,
         std::function<bool(std::size_t index)> send, QObject* parent = nullptr);

  // The start-up sweep: every entry in order; it ends at the first entry
  // with an empty host. Entries whose port is not a number are left out.
  void StartUp();
  // All but the selected server; one still being sent when the next is
  // asked for goes on (every entry is queried once per sweep).
  void Periodic();
  bool Running() const { return startUp_.running || periodic_.running; }
  void Stop();

 private:
  struct Progress {
    bool running = false;
    std::size_t next = 0;
    QTimer* timer = nullptr;
  };
  void Slice(Progress& p, bool startUp);

  const ServerList& list_;
  const Selection& selection_;
  std::function<bool(std::size_t)> send_;
  Progress startUp_, periodic_;
};

}  // namespace zelmora
