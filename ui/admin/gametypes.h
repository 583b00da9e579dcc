// The game types and their settings as data: which game types each game
// version knows, the game-type buttons, and the settings sub-tabs with their
// variables, edit fields, German descriptions and read/write buttons. The
// "Spielmodus" and "Spielmodus-Einstellungen" tabs are built from these
// tables; the tests check them against the same tables.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace zelmora {

// Protocol numbers of the game versions: 5/6 the first game, 21/22 its
// expansion United Offensive, 115/117/118 the second game.
enum class ProtocolSet : std::uint8_t {
  All,          // every version
  NotFirst,     // 21, 22, 115, 117, 118
  FirstFamily,  // 5, 6, 21, 22 (the first game and its expansion)
  Expansion,    // 21, 22
  SecondGame,   // 115, 117, 118
};

// The protocol a status reply names, when it is one of the seven known
// versions; no value for anything else ("", "0", "7", " 6", "6a").
std::optional<int> KnownProtocol(std::string_view protocolText);
bool KnownProtocol(int protocol);
bool InSet(ProtocolSet set, int protocol);

struct GameTypeButton {
  const char* button;   // objectName
  const char* caption;  // UTF-8
  const char* code;     // g_gametype value
  ProtocolSet shownFor;
};
std::span<const GameTypeButton> GameTypeButtons();

struct GameSettingRow {
  const char* variable;
  const char* edit;          // objectName of the edit field
  const char* description;   // UTF-8, verbatim
  const char* description2;  // second line below it, or nullptr
  // Rows only some versions have (the bomb timer); hidden and left out of
  // reads and writes for the others.
  ProtocolSet rowFor = ProtocolSet::All;
};

struct GameSettingsPage {
  const char* title;
  const char* readButton;   // "Aktualisieren"
  const char* writeButton;  // "Übertragen"
  ProtocolSet enabledFor;
  std::span<const GameSettingRow> rows;
};
std::span<const GameSettingsPage> GameSettingsPages();

}  // namespace zelmora
