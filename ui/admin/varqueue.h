// The cvar queue: paced reads and writes of server variables over the
// variable channel, and the dispatcher that routes every variable reply by
// the name it carries.
//
// The tabs never send a batch at once: a batch starter checks for a usable
// server, shows "Bitte warten", clears what it will fill, and hands its
// entries to RunBatch. The pump (Timer6) then sends one entry per tick and
// hides the notice at the first tick that finds the queue empty, so a batch
// of n entries sends its first command one interval after the start and the
// notice goes at tick n + 1. Servers drop rcon commands that follow each
// other within 500 ms; the 700 ms interval keeps them apart.
//
// Replies are not paired with requests. Each one is applied, whenever it
// comes, to every view that shows the variable it names (ApplyVarReply).
//
// Each entry keeps the kind it was queued with: a batch started while
// another is still queued sets the mode word for the whole queue (VarMode),
// but a queued read is never sent as a write (which would put an empty or
// wrong value on the server), nor a write as a read.
//
// Each entry also keeps the server it was queued for: a write batch is
// carried out on that server even when the operator selects another one
// meanwhile, and reads of a server that is no longer selected are dropped
// (their answers would have nowhere to go).
#pragma once

#include <QObject>

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/queryengine.h"
#include "protocol/commands.h"

class QTimer;
class QWidget;

namespace zelmora {

class TForm5;

class VarQueue : public QObject {
  Q_OBJECT
 public:
  enum class Kind { Read, Write };
  // A read entry is the variable name; a write entry is name + ";" + value.
  struct Entry {
    Kind kind;
    std::string text;
    std::uint64_t server = 0;  // Tserverrec::uid
    int owner = 0;             // who queued it (ReadsRunning)
  };
  // One route of the dispatcher: a variable name (as the reply spells it)
  // and its value with the colour codes removed.
  using Route = std::function<void(const std::string& name, const std::string& value)>;
  // The routes in the order the dispatcher takes them.
  struct Routes {
    Route weapons;
    Route gameType;  // "g_gametype" and the game-type settings
    Route vehicles;
    Route customVars;
  };

  static constexpr int kInterval = 700;
  static constexpr int kCustomRefreshInterval = 800;

  // engine must outlive the queue; window is the parent of its messages.
  // Variable replies of the selected server reach the dispatcher; reads of
  // a server the operator turned away from are dropped.
  VarQueue(QueryEngine& engine, QWidget* window);
  ~VarQueue() override;

  void SetOverlay(TForm5* overlay) { overlay_ = overlay; }
  TForm5* Overlay() const { return overlay_; }
  void SetRoutes(Routes routes) { routes_ = std::move(routes); }

  // A read of name when value is exactly "show", else a write of the quoted
  // value ("set name \"value\""); for the selected server, over the variable
  // channel at once. A name or value the quoting rule refuses is not sent
  // (it would start a second command on the server): that gives NoServer,
  // like a send without a selected server. A failed send gives Failed
  // (nothing is shown).
  QueryEngine::SendResult SendVar(std::string_view name, std::string_view value,
                                  RconOptions options = {});
  // The same for the entry with this identity.
  QueryEngine::SendResult SendVarTo(std::uint64_t server, std::string_view name,
                                    std::string_view value, RconOptions options = {});

  // First step of every batch: false (and nothing shown) without a usable
  // server; otherwise "Bitte warten" is shown until the queue runs empty,
  // and the batch is for that server.
  bool BeginBatch();
  // Appends the entries for the server of BeginBatch, sets VarMode
  // ("setvar-show" for reads, "setvar" for writes) and starts the pump at
  // intervalMs. owner: who queues them (ReadsRunning).
  void RunBatch(Kind kind, std::vector<std::string> texts, int intervalMs = kInterval,
                int owner = 0);
  // Whether reads that owner queued for the selected server still wait.
  bool ReadsRunning(int owner) const;
  // Another server was selected: the reads queued for server are dropped.
  void DropReadsOf(std::uint64_t server);

  // One tick of the pump.
  void Timer6Timer();

  // One reply line: "name" is:"value" ... ; see Routes for the order. Other
  // lines (Unknown command "name", a set's empty answer) are not applied.
  void ApplyVarReply(const std::string& line);

  // A built command over the variable channel for the selected server (a
  // refused one is not sent): the game-type switch and single reads outside
  // the queue.
  QueryEngine::SendResult SendCommand(const BuiltCommand& command, RconOptions options = {});

  // What the tabs share: the engine's sends, the window for messages.
  QueryEngine& Engine() { return engine_; }
  QWidget* Window() const { return window_; }

  const std::deque<Entry>& VarQueueEntries() const { return queue_; }
  const std::string& VarMode() const { return mode_; }
  QTimer* Timer6() const { return timer6_; }

 private:
  QueryEngine& engine_;
  QWidget* window_;
  TForm5* overlay_ = nullptr;
  Routes routes_;
  std::deque<Entry> queue_;
  std::string mode_;
  std::uint64_t batchServer_ = 0;
  QTimer* timer6_;
};

}  // namespace zelmora
