// Stock configuration of the scripted server: variables, map and config files,
// invented players.
#include <algorithm>
#include <array>
#include <cctype>

#include "tools/testserver/testserver.h"

namespace zelmora::testing {

namespace {

bool EqualNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) ==
                  std::tolower(static_cast<unsigned char>(y));
         });
}

bool IsFirstGame(int protocol) {
  return protocol == 5 || protocol == 6 || protocol == 21 || protocol == 22;
}

// splitmix64: small, good enough and identical on every platform.
uint64_t SplitMix(uint64_t& state) {
  uint64_t z = (state += 0x9e3779b97f4a7c15ULL);
  z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
  z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
  return z ^ (z >> 31);
}

}  // namespace

VarList DefaultStatusVars() {
  return {
      {"g_gametype", "sd"},
      {"gamename", "Call of Duty"},
      {"mapname", "mp_harbor"},
      {"protocol", "6"},
      {"shortversion", "1.5"},
      {"sv_allowAnonymous", "0"},
      {"sv_floodProtect", "1"},
      {"sv_hostname", "^1Zelmora ^7Test Server"},
      {"sv_maxclients", "20"},
      {"sv_maxPing", "0"},
      {"sv_maxRate", "25000"},
      {"sv_minPing", "0"},
      {"sv_privateClients", "2"},
      {"sv_punkbuster", "0"},
      {"sv_pure", "1"},
      {"sv_voice", "0"},
      {"pswrd", "0"},
      {"scr_friendlyfire", "1"},
      {"scr_killcam", "1"},
  };
}

VarList DefaultConsoleVars() {
  return {
      {"g_password", ""},
      {"g_banIPs", ""},
      {"scr_dm_scorelimit", "50"},
      {"scr_dm_timelimit", "30"},
      {"scr_tdm_scorelimit", "100"},
      {"scr_tdm_timelimit", "30"},
      {"scr_sd_scorelimit", "10"},
      {"scr_sd_timelimit", "0"},
      {"scr_sd_roundlimit", "0"},
      {"scr_sd_roundlength", "4"},
      {"scr_sd_graceperiod", "15"},
      {"scr_sd_bombtimer", "60"},
      {"scr_hq_scorelimit", "450"},
      {"scr_hq_timelimit", "30"},
      {"scr_ctf_scorelimit", "5"},
      {"scr_ctf_timelimit", "30"},
      {"scr_allow_kar98k", "1"},
      {"scr_allow_m1garand", "1"},
      {"scr_allow_thompson", "1"},
      {"scr_allow_mp40", "1"},
      {"scr_allow_panzerfaust", "0"},
      {"scr_allow_vehicles", "1"},
      {"sv_mapRotation", "gametype sd map mp_harbor map mp_carentan map mp_brecourt"},
  };
}

std::vector<std::string> DefaultMapFiles(int protocol) {
  static const std::array<const char*, 8> kFirst = {"mp_brecourt",  "mp_carentan", "mp_chateau",
                                                    "mp_dawnville", "mp_depot",    "mp_harbor",
                                                    "mp_hurtgen",   "mp_railyard"};
  static const std::array<const char*, 8> kSecond = {"mp_breakout",  "mp_brecourt",  "mp_burgundy",
                                                     "mp_carentan",  "mp_dawnville", "mp_decoy",
                                                     "mp_leningrad", "mp_toujane"};
  std::vector<std::string> out;
  if (IsFirstGame(protocol)) {
    for (const char* m : kFirst) out.push_back(std::string(m) + ".bsp");
  } else {
    for (const char* m : kSecond) out.push_back(std::string(m) + ".d3dbsp");
  }
  return out;
}

std::vector<std::string> DefaultCfgFiles() {
  return {"server.cfg", "dedicated.cfg", "sd_night.cfg", "tdm_public.cfg"};
}

std::string ShortVersionFor(int protocol) {
  switch (protocol) {
    case 5:
      return "1.4";
    case 6:
      return "1.5";
    case 21:
      return "1.41";
    case 22:
      return "1.51";
    case 115:
      return "1.0";
    case 117:
      return "1.2";
    case 118:
      return "1.3";
    default:
      return "";
  }
}

void ApplyProtocol(TestServerConfig& config, int protocol) {
  SetVar(config.vars, "protocol", std::to_string(protocol));
  SetVar(config.vars, "shortversion", ShortVersionFor(protocol));
  SetVar(config.vars, "gamename", IsFirstGame(protocol) ? "Call of Duty" : "Call of Duty 2");
  config.mapFiles = DefaultMapFiles(protocol);
  const std::string map = FindVar(config.vars, "mapname");
  const bool known = std::any_of(config.mapFiles.begin(), config.mapFiles.end(),
                                 [&](const std::string& f) { return f.rfind(map + ".", 0) == 0; });
  if (!known && !config.mapFiles.empty()) {
    const std::string& first = config.mapFiles.front();
    SetVar(config.vars, "mapname", first.substr(0, first.find('.')));
  }
  // The second game words its refusal differently.
  config.badPasswordReply = IsFirstGame(protocol) ? "Bad rconpassword." : "Invalid password.";
}

TestServerConfig::TestServerConfig()
    : vars(DefaultStatusVars()),
      cvars(DefaultConsoleVars()),
      mapFiles(DefaultMapFiles(6)),
      cfgFiles(DefaultCfgFiles()) {}

std::string FindVar(const VarList& vars, std::string_view name) {
  std::string value;
  for (const auto& [n, v] : vars) {
    if (EqualNoCase(n, name)) value = v;
  }
  return value;
}

void SetVar(VarList& vars, std::string_view name, std::string value) {
  bool found = false;
  for (auto& [n, v] : vars) {
    if (EqualNoCase(n, name)) {
      v = value;
      found = true;
    }
  }
  if (!found) vars.emplace_back(std::string(name), std::move(value));
}

std::vector<TestPlayer> InventPlayers(int count, uint64_t seed) {
  static const std::array<const char*, 16> kNames = {
      "^1Sgt.^7Keller",    "^4Blue^2Fox",   "Panzer|Max",  "^3Oma^7Kruse",
      "^0[^1KSK^0]^7Ralf", "Lt. Brenner",   "^5Eis^6Baer", "^2J\xe4ger^7 22",
      "Sniper_Wolf",       "^1Red^2Team",   "^7Schmidt",   "^6Kaiser^3Karl",
      "Unnamed Player",    "^4Luft^7pirat", "Dr.^1Boom",   "^3Gelber^7Blitz"};
  uint64_t state = seed;
  std::vector<TestPlayer> out;
  for (int i = 0; i < count; ++i) {
    TestPlayer p;
    p.num = i;
    p.score = static_cast<int>(SplitMix(state) % 60) - 5;
    p.ping = std::to_string(15 + SplitMix(state) % 230);
    p.guid = std::to_string(100000 + SplitMix(state) % 900000);
    p.name = kNames[static_cast<size_t>(i) % kNames.size()];
    if (i >= static_cast<int>(kNames.size())) p.name += std::to_string(i);
    p.ip = "127.0.0." + std::to_string(2 + i % 250);
    p.port = 28960 + static_cast<int>(SplitMix(state) % 1000);
    p.qport = 1000 + static_cast<int>(SplitMix(state) % 64000);
    p.rate = (SplitMix(state) % 3 == 0) ? 5000 : 25000;
    p.lastmsg = static_cast<int>(SplitMix(state) % 100);
    out.push_back(std::move(p));
  }
  return out;
}

const std::vector<std::string>& PublicPlayerAddresses() {
  // Name servers, universities and providers whose blocks the GeoIP country
  // database places in the country named.
  static const std::vector<std::string> kAddresses = {
      "194.25.2.129",     // Germany (Deutsche Telekom)
      "195.3.96.67",      // Austria
      "130.59.31.1",      // Switzerland (SWITCH)
      "193.0.6.139",      // Netherlands (RIPE NCC)
      "212.27.48.10",     // France (Free)
      "212.58.244.1",     // United Kingdom (BBC)
      "212.77.98.9",      // Poland
      "88.198.0.1",       // Germany (Hetzner)
      "151.99.125.1",     // Italy (Telecom Italia)
      "80.58.61.250",     // Spain (Telefonica)
      "192.36.148.17",    // Sweden (Netnod)
      "195.113.144.194",  // Czech Republic (CESNET)
      "193.166.3.1",      // Finland (FUNET)
      "8.8.8.8",          // United States
      "77.88.8.8",        // Russia (Yandex)
      "200.160.0.8",      // Brazil (NIC.br)
  };
  return kAddresses;
}

void UsePublicAddresses(std::vector<TestPlayer>& players) {
  const auto& addresses = PublicPlayerAddresses();
  for (std::size_t i = 0; i < players.size(); ++i) players[i].ip = addresses[i % addresses.size()];
}

}  // namespace zelmora::testing
