// An engine over a list of its own, for the engine tests: entries added by
// port, a selection, the sessions and what their consoles say.
#pragma once

#include <QSignalSpy>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "core/settings.h"
#include "engine/queryengine.h"
#include "enginetestutil.h"

namespace zelmora::testing {

inline constexpr const char* kHost = "127.0.0.1";

struct Engine {
  SettingsStore settings;
  std::unique_ptr<QueryEngine> engine;

  Engine() { engine = std::make_unique<QueryEngine>(settings); }
  // Appends an entry; returns its row.
  int Add(std::uint16_t port, const std::string& pass = "", const std::string& host = kHost) {
    engine->List().Append(Entry(host, std::to_string(port), pass));
    return static_cast<int>(engine->List().Size()) - 1;
  }
  void Select(int row) { engine->Selected().SelectRow(row); }
  // Starts with a short query pause (tests that are about it set it back).
  bool Start() {
    engine->SetRconPause(std::chrono::milliseconds(5));
    return engine->Start();
  }
  Tserverrec& E(int row) { return engine->List().MutableAt(static_cast<std::size_t>(row)); }
  ServerSession& S(int row) { return *engine->Session(E(row).uid); }
  // The lines of a server's console.
  std::vector<std::string> Console(int row) {
    const Transcript& t = S(row).Console();
    return t.From(t.Begin());
  }
  // Whether a server's console holds this line.
  bool ConsoleHas(int row, const std::string& line) {
    for (const std::string& l : Console(row))
      if (l == line) return true;
    return false;
  }
};

}  // namespace zelmora::testing
