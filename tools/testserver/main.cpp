// zelmora-testserver: runs one scripted game server on 127.0.0.1 until
// SIGINT or SIGTERM, e.g. to try the console without a real game server.
#include <signal.h>

#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "tools/testserver/testserver.h"

namespace {

using zelmora::testing::TestServer;
using zelmora::testing::TestServerConfig;

void Usage(std::ostream& out) {
  out << "usage: zelmora-testserver [options]\n"
         "  --port N                 UDP port on 127.0.0.1 (default 28960, 0 = any)\n"
         "  --protocol N             5, 6, 21, 22, 115, 117 or 118 (default 6)\n"
         "  --rcon TEXT              rcon password (default: none, rcon refused)\n"
         "  --hostname TEXT          sv_hostname, colour codes allowed\n"
         "  --players N              invent N players\n"
         "  --public-addresses       players with public addresses of 16 countries\n"
         "                           (only shown, never contacted)\n"
         "  --maxclients N           sv_maxclients (default 20)\n"
         "  --map NAME               mapname (default mp_harbor / first map of the game)\n"
         "  --gametype NAME          g_gametype (default sd)\n"
         "  --cvar NAME=VALUE        a further console variable (repeatable)\n"
         "  --delay MS               delay every reply\n"
         "  --drop SHARE             drop this share of replies (0..1)\n"
         "  --split N                max output bytes per print datagram (0 = no split)\n"
         "  --shuffle-split          send split outputs out of order\n"
         "  --no-flood-protection    accept rcon commands in quick succession\n"
         "  --flood-per-sender       the 500 ms rcon limit counts per sender, not server-wide\n"
         "  --blank-after-colon      variable reads as `is: \"v^7\"`\n"
         "  --limiter N              per sender address a burst of N requests, then\n"
         "                           one a second (getstatus and rcon; 0 = none)\n"
         "  --ioq3-status            \"status\" prints ioquake3's table\n"
         "  --bad-password-reply T   text of the wrong-password reply\n"
         "  --quiet                  do not log requests\n";
}

std::optional<long> ParseNumber(std::string_view s, long min, long max) {
  long v = 0;
  const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
  if (ec != std::errc() || end != s.data() + s.size() || v < min || v > max) return std::nullopt;
  return v;
}

std::string Printable(const std::string& bytes) {
  std::string out;
  for (unsigned char c : bytes) {
    if (c == '\n') {
      out += "\\n";
    } else if (c < 32 || c >= 127) {
      char buf[5];
      std::snprintf(buf, sizeof buf, "\\x%02x", c);
      out += buf;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  TestServerConfig config;
  config.port = 28960;
  int protocol = 6;
  std::optional<std::string> hostname, map, gametype, badPassword;
  std::vector<std::pair<std::string, std::string>> cvars;
  long players = 0, maxclients = -1;
  bool quiet = false;
  bool publicAddresses = false;

  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    auto value = [&]() -> std::optional<std::string_view> {
      if (i + 1 >= argc) return std::nullopt;
      return std::string_view(argv[++i]);
    };
    auto number = [&](long min, long max) -> std::optional<long> {
      const auto v = value();
      return v ? ParseNumber(*v, min, max) : std::nullopt;
    };
    auto fail = [&]() {
      std::cerr << "zelmora-testserver: bad or missing value for " << arg << "\n";
      Usage(std::cerr);
      return 2;
    };
    if (arg == "--help" || arg == "-h") {
      Usage(std::cout);
      return 0;
    } else if (arg == "--port") {
      const auto v = number(0, 65535);
      if (!v) return fail();
      config.port = static_cast<uint16_t>(*v);
    } else if (arg == "--protocol") {
      const auto v = number(0, 100000);
      if (!v) return fail();
      protocol = static_cast<int>(*v);
    } else if (arg == "--rcon") {
      const auto v = value();
      if (!v) return fail();
      config.rconPassword = std::string(*v);
    } else if (arg == "--hostname") {
      const auto v = value();
      if (!v) return fail();
      hostname = std::string(*v);
    } else if (arg == "--players") {
      const auto v = number(0, 1024);
      if (!v) return fail();
      players = *v;
    } else if (arg == "--maxclients") {
      const auto v = number(0, 1024);
      if (!v) return fail();
      maxclients = *v;
    } else if (arg == "--map") {
      const auto v = value();
      if (!v) return fail();
      map = std::string(*v);
    } else if (arg == "--gametype") {
      const auto v = value();
      if (!v) return fail();
      gametype = std::string(*v);
    } else if (arg == "--cvar") {
      const auto v = value();
      const std::size_t eq = v ? v->find('=') : std::string_view::npos;
      if (!v || eq == 0 || eq == std::string_view::npos) return fail();
      cvars.emplace_back(std::string(v->substr(0, eq)), std::string(v->substr(eq + 1)));
    } else if (arg == "--delay") {
      const auto v = number(0, 600000);
      if (!v) return fail();
      config.replyDelayMs = static_cast<int>(*v);
    } else if (arg == "--drop") {
      const auto v = value();
      if (!v) return fail();
      char* end = nullptr;
      const std::string text(*v);
      const double share = std::strtod(text.c_str(), &end);
      if (end == text.c_str() || *end != '\0' || !(share >= 0 && share <= 1)) return fail();
      config.dropShare = share;
    } else if (arg == "--split") {
      const auto v = number(0, 65000);
      if (!v) return fail();
      config.splitBytes = static_cast<size_t>(*v);
    } else if (arg == "--shuffle-split") {
      config.shuffleSplit = true;
    } else if (arg == "--no-flood-protection") {
      config.floodProtection = false;
    } else if (arg == "--flood-per-sender") {
      config.floodPerSender = true;
    } else if (arg == "--blank-after-colon") {
      config.blankAfterColon = true;
    } else if (arg == "--limiter") {
      const auto v = number(0, 1000);
      if (!v) return fail();
      config.limiterBurst = static_cast<int>(*v);
    } else if (arg == "--ioq3-status") {
      config.statusLayout = TestServerConfig::StatusLayout::Ioquake3;
    } else if (arg == "--bad-password-reply") {
      const auto v = value();
      if (!v) return fail();
      badPassword = std::string(*v);
    } else if (arg == "--public-addresses") {
      publicAddresses = true;
    } else if (arg == "--quiet") {
      quiet = true;
    } else {
      std::cerr << "zelmora-testserver: unknown option " << arg << "\n";
      Usage(std::cerr);
      return 2;
    }
  }

  zelmora::testing::ApplyProtocol(config, protocol);
  if (badPassword) config.badPasswordReply = *badPassword;
  if (hostname) zelmora::testing::SetVar(config.vars, "sv_hostname", *hostname);
  if (map) zelmora::testing::SetVar(config.vars, "mapname", *map);
  if (gametype) zelmora::testing::SetVar(config.vars, "g_gametype", *gametype);
  if (maxclients >= 0) {
    zelmora::testing::SetVar(config.vars, "sv_maxclients", std::to_string(maxclients));
  }
  for (auto& [name, v] : cvars) zelmora::testing::SetVar(config.cvars, name, std::move(v));
  config.players = zelmora::testing::InventPlayers(static_cast<int>(players));
  if (publicAddresses) zelmora::testing::UsePublicAddresses(config.players);
  // A long-running demo must not grow without bound.
  config.maxRecorded = 1000;

  // Block the stop signals before the server thread starts so that only
  // sigwait below sees them.
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGINT);
  sigaddset(&stopSignals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

  TestServer server;
  if (!server.start(config)) {
    std::cerr << "zelmora-testserver: cannot bind 127.0.0.1:" << config.port << "\n";
    return 1;
  }
  std::cout << "zelmora-testserver: listening on 127.0.0.1:" << server.port() << " (protocol "
            << protocol << ", " << players << " players)" << std::endl;

  if (quiet) {
    int sig = 0;
    sigwait(&stopSignals, &sig);
  } else {
    // Log requests as they come while waiting for a stop signal.
    const timespec tick{0, 200 * 1000 * 1000};
    while (true) {
      const int sig = sigtimedwait(&stopSignals, nullptr, &tick);
      if (sig == SIGINT || sig == SIGTERM) break;
      for (const auto& d : server.takeReceived()) {
        std::cout << d.fromHost << ":" << d.fromPort << " " << Printable(d.data) << std::endl;
      }
    }
  }
  server.stop();
  std::cout << "zelmora-testserver: stopped" << std::endl;
  return 0;
}
