#include "ui/admin/gametypes.h"

#include "core/textutil.h"

namespace zelmora {

std::optional<int> KnownProtocol(std::string_view protocolText) {
  // Exactly the decimal digits of a version: a status reply that says
  // anything else leaves the tabs as they are.
  if (protocolText.empty() || protocolText.size() > 3) return std::nullopt;
  for (char c : protocolText)
    if (c < '0' || c > '9') return std::nullopt;
  const int p = StrToIntDef(protocolText, -1);
  if (!KnownProtocol(p)) return std::nullopt;
  return p;
}

bool KnownProtocol(int p) {
  return InSet(ProtocolSet::All, p);
}

bool InSet(ProtocolSet set, int p) {
  const bool first = p == 5 || p == 6;
  const bool expansion = p == 21 || p == 22;
  const bool second = p == 115 || p == 117 || p == 118;
  switch (set) {
    case ProtocolSet::All:
      return first || expansion || second;
    case ProtocolSet::NotFirst:
      return expansion || second;
    case ProtocolSet::FirstFamily:
      return first || expansion;
    case ProtocolSet::Expansion:
      return expansion;
    case ProtocolSet::SecondGame:
      return second;
  }
  return false;
}

namespace {

constexpr std::array<GameTypeButton, 9> kButtons = {{
    {"Button15", "Deathmatch (dm)", "dm", ProtocolSet::All},
    {"Button16", "Team Deathmatch (tdm)", "tdm", ProtocolSet::All},
    {"Button17", "Capture The Flag (ctf)", "ctf", ProtocolSet::NotFirst},
    {"Button18", "Search and Destroy (sd)", "sd", ProtocolSet::All},
    {"Button24", "Bergung (re)", "re", ProtocolSet::FirstFamily},
    {"Button25", "Hinter feindlichen Linien (bel)", "bel", ProtocolSet::FirstFamily},
    {"Button26", "Hauptquartier (hq)", "hq", ProtocolSet::All},
    {"Button27", "Basisangriff (bas)", "bas", ProtocolSet::Expansion},
    {"Button28", "Herrschaft (dom)", "dom", ProtocolSet::Expansion},
}};

constexpr const char* kScoreLimit = "Punktelimit";
constexpr const char* kTimeLimit = "Zeitlimit in Minuten - 0 bis 1440";
constexpr const char* kTimeLimitTo = "Zeitlimit in Minuten - 0 to 1440";
constexpr const char* kRoundWins = "Maximale Anzahl Rundengewinne pro Map";
constexpr const char* kTeamScore = "Maximale Team-Punktzahl bevor zur nächsten Map gewechselt wird";
constexpr const char* kRounds =
    "Anzahl der Runden auf einer Map bis zur nächsten Map gewechselt wird";
constexpr const char* kRoundLength = "Zeitlimit einer Runde";
constexpr const char* kRespawnWave =
    "Zeit bis zum Wiedereinstieg - wird vom ersten abgeschossenen Spieler an gezählt";
constexpr const char* kStartDelay =
    "Wartezeit bis zum Rundenstart, wenn in jedem Team mindestens eine Person ist";
constexpr const char* kEndDelay = "Wartezeit am Ende der Runde, bis die nächste Runde startet";
constexpr const char* kClearScore =
    "Wenn auf 1 (Standard) werden die Punkte der Spieler nach jeder Runde zurückgesetzt";
constexpr const char* kClearScoreBlank =
    "Wenn auf 1 (Standard) werden die Punkte der Spieler nach jeder Runde zurückgesetzt ";
constexpr const char* kKeepScore =
    "Wenn auf 0, dann werden die Punkte in die nächste Runde übernommen";

constexpr std::array<GameSettingRow, 2> kDm = {{
    {"scr_dm_scorelimit", "Edit2", kScoreLimit, nullptr},
    {"scr_dm_timelimit", "Edit4", kTimeLimit, nullptr},
}};
constexpr std::array<GameSettingRow, 2> kTdm = {{
    {"scr_tdm_scorelimit", "Edit13", kScoreLimit, nullptr},
    {"scr_tdm_timelimit", "Edit14", kTimeLimit, nullptr},
}};
constexpr std::array<GameSettingRow, 6> kSd = {{
    {"scr_sd_scorelimit", "Edit23", "Team-Punktelimit pro Map", nullptr},
    {"scr_sd_timelimit", "Edit24", kTimeLimit, nullptr},
    {"scr_sd_graceperiod", "Edit25",
     "Zeit am Anfang der Runde, in der Respawnen und Waffenauswahl erlaubt ist, 0 - 60 Sekunden",
     nullptr},
    {"scr_sd_roundlength", "Edit26", "Rundenlänge", nullptr},
    {"scr_sd_roundlimit", "Edit27", kRoundWins, nullptr},
    {"scr_sd_bombtimer", "Edit5", "Zeit in Sekunden, bis die Bombe nach Aktivierung explodiert",
     nullptr, ProtocolSet::SecondGame},
}};
constexpr std::array<GameSettingRow, 8> kCtf = {{
    {"scr_ctf_scorelimit", "Edit33", kTeamScore, nullptr},
    {"scr_ctf_timelimit", "Edit34", "Zeitlimit einer Map bis zur nächsten Map gewechselt wird ",
     nullptr},
    {"scr_ctf_roundlimit", "Edit35", kRounds, nullptr},
    {"scr_ctf_roundlength", "Edit36", kRoundLength, nullptr},
    {"scr_ctf_startrounddelay", "Edit37", kStartDelay, nullptr},
    {"scr_ctf_endrounddelay", "Edit38", kEndDelay, nullptr},
    {"scr_ctf_showoncompass", "Edit40",
     "Wenn aktiviert, wird nach vorgegebener Anzahl Sekunden die Position der Flagge angezeigt",
     nullptr},
    {"scr_ctf_clearscoreeachround", "Edit39", kClearScore, kKeepScore},
}};
constexpr std::array<GameSettingRow, 2> kHq = {{
    {"scr_hq_timelimit", "Edit43", kTimeLimitTo, nullptr},
    {"scr_hq_scorelimit", "Edit44", kScoreLimit, nullptr},
}};
constexpr std::array<GameSettingRow, 3> kBel = {{
    {"scr_bel_alivepointtime", "Edit53",
     "Anzahl der Sekunden die man überleben muss, um einen Punkt als Alliierter zu bekommen",
     nullptr},
    {"scr_bel_scorelimit", "Edit54", kScoreLimit, nullptr},
    {"scr_bel_timelimit", "Edit55", kTimeLimitTo, nullptr},
}};
constexpr std::array<GameSettingRow, 8> kBas = {{
    {"scr_bas_scorelimit", "Edit63", kTeamScore, nullptr},
    {"scr_bas_timelimit", "Edit64", "Zeitlimit einer Map bis zur nächsten Map gewechselt wird  ",
     nullptr},
    {"scr_bas_roundlimit", "Edit65", kRounds, nullptr},
    {"scr_bas_roundlength", "Edit66", kRoundLength, nullptr},
    {"scr_bas_respawn_wave_time", "Edit67", kRespawnWave, nullptr},
    {"scr_bas_startrounddelay", "Edit68", kStartDelay, nullptr},
    {"scr_bas_endrounddelay", "Edit69", kEndDelay, nullptr},
    {"scr_bas_clearscoreeachround", "Edit70", kClearScoreBlank, kKeepScore},
}};
constexpr std::array<GameSettingRow, 8> kDom = {{
    {"scr_dom_scorelimit", "Edit73", kTeamScore, nullptr},
    {"scr_dom_timelimit", "Edit74", "Zeitlimit einer Map bis zur nächsten Map gewechselt wird ",
     nullptr},
    {"scr_dom_roundlimit", "Edit75", kRounds, nullptr},
    {"scr_dom_roundlength", "Edit76", kRoundLength, nullptr},
    {"scr_dom_respawn_wave_time", "Edit77", kRespawnWave, nullptr},
    {"scr_dom_startrounddelay", "Edit78", kStartDelay, nullptr},
    {"scr_dom_endrounddelay", "Edit79", kEndDelay, nullptr},
    {"scr_dom_clearscoreeachround", "Edit80", kClearScore, kKeepScore},
}};
constexpr std::array<GameSettingRow, 6> kRe = {{
    {"scr_re_graceperiod", "Edit83",
     "Zeit am Anfang der Runde, in der Respawnen un Waffenauswahl erlaubt ist, 0 - 60 Sekunden",
     nullptr},
    {"scr_re_roundlength", "Edit84", "Map-Rundenlänge in Minuten", nullptr},
    {"scr_re_roundlimit", "Edit85", kRoundWins, nullptr},
    {"scr_re_scorelimit", "Edit86", kScoreLimit, nullptr},
    {"scr_re_showcarrier", "Edit87", "Zeige den Träger des Zielobjektes auf dem Kompass", nullptr},
    {"scr_re_timelimit", "Edit88", kTimeLimitTo, nullptr},
}};

constexpr std::array<GameSettingsPage, 9> kPages = {{
    {"DM", "Button29", "Button30", ProtocolSet::All, kDm},
    {"TDM", "Button31", "Button32", ProtocolSet::All, kTdm},
    {"SD", "Button33", "Button34", ProtocolSet::All, kSd},
    {"CTF", "Button35", "Button36", ProtocolSet::NotFirst, kCtf},
    {"HQ", "Button37", "Button38", ProtocolSet::All, kHq},
    {"BEL", "Button39", "Button40", ProtocolSet::FirstFamily, kBel},
    {"BAS", "Button41", "Button42", ProtocolSet::Expansion, kBas},
    {"DOM", "Button43", "Button44", ProtocolSet::Expansion, kDom},
    {"RE", "Button45", "Button46", ProtocolSet::FirstFamily, kRe},
}};

}  // namespace

std::span<const GameTypeButton> GameTypeButtons() {
  return kButtons;
}

std::span<const GameSettingsPage> GameSettingsPages() {
  return kPages;
}

}  // namespace zelmora
