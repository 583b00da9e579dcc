// Shared helpers of the engine tests: datagrams, entries, table rows.
#pragma once

#include <QElapsedTimer>

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "core/serverrec.h"

namespace zelmora::testing {

inline std::string Oob(const std::string& text) {
  return std::string("\xff\xff\xff\xff", 4) + text;
}

// A statusResponse datagram with these variables and player lines
// ("score ping \"name\"").
inline std::string StatusDatagram(const std::vector<std::pair<std::string, std::string>>& vars,
                                  const std::vector<std::string>& players = {}) {
  std::string t = "statusResponse\n";
  for (const auto& [k, v] : vars) t += "\\" + k + "\\" + v;
  t += "\n";
  for (const auto& p : players) t += p + "\n";
  return Oob(t);
}

inline std::vector<std::pair<std::string, std::string>> StockVars(
    const std::string& hostname = "^1Red ^7Server", const std::string& protocol = "6") {
  return {{"sv_hostname", hostname},  {"g_gametype", "sd"},    {"mapname", "mp_x"},
          {"protocol", protocol},     {"shortversion", "1.5"}, {"sv_maxclients", "20"},
          {"sv_privateClients", "2"}, {"pswrd", "1"},          {"scr_killcam", "1"},
          {"scr_friendlyfire", "0"},  {"sv_punkbuster", "1"},  {"sv_voice", "0"}};
}

inline Tserverrec Entry(const std::string& host, const std::string& port,
                        const std::string& rconpass = "") {
  Tserverrec e;
  e.host.assign(host);
  e.port.assign(port);
  e.rconpass.assign(rconpass);
  return e;
}

// One row of the rcon "status" table in the game's fixed columns.
inline std::string StatusRow(int num, int score, const std::string& ping, const std::string& guid,
                             const std::string& name, const std::string& address) {
  char head[32];
  std::snprintf(head, sizeof head, "%3d %5d %4s %6s ", num, score, ping.c_str(), guid.c_str());
  return std::string(head) + name + "^7 " + "     0 " + address + "  1234 25000";
}

// Waits WITHOUT letting the main thread's events run.
template <class Pred>
bool BusyWait(Pred pred, int timeoutMs = 5000) {
  QElapsedTimer clock;
  clock.start();
  while (!pred()) {
    if (clock.elapsed() > timeoutMs) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

}  // namespace zelmora::testing
