#include "ui/main/multicommandtext.h"

#include <vector>

#include "core/textutil.h"
#include "ui/dialogs/cp1252.h"

namespace zelmora {

namespace {

BuiltCommand Refused(const char* problem) {
  return BuiltCommand{std::string(), problem};
}

// The commands of a line as the game's console cuts it: at ";" outside
// double quotes and at every line break.
std::vector<std::string_view> Commands(std::string_view line) {
  std::vector<std::string_view> out;
  bool quoted = false;
  std::size_t start = 0;
  for (std::size_t i = 0; i <= line.size(); ++i) {
    const char c = i < line.size() ? line[i] : ';';
    if (c == '"') quoted = !quoted;
    if ((c == ';' && !quoted) || c == '\n' || c == '\r' || i == line.size()) {
      out.push_back(line.substr(start, i - start));
      start = i + 1;
      if (c == '\n' || c == '\r') quoted = false;
    }
  }
  return out;
}

std::string FirstWord(std::string_view command) {
  const std::size_t begin = command.find_first_not_of(" \t");
  if (begin == std::string_view::npos) return {};
  const std::size_t end = command.find_first_of(" \t\"", begin);
  return LowerAscii(std::string(command.substr(begin, end - begin)));
}

}  // namespace

QString QuickChoiceText(QuickChoice choice) {
  switch (choice) {
    case QuickChoice::Raw:
      return QStringLiteral("Befehl wie eingegeben");
    case QuickChoice::Say:
      return QStringLiteral("Nachricht an alle Spieler (say)");
    case QuickChoice::MapRestart:
      return QStringLiteral("Karte neu starten (map_restart)");
    case QuickChoice::FastRestart:
      return QStringLiteral("Schneller Neustart (fast_restart)");
    case QuickChoice::MapRotate:
      return QStringLiteral("Nächste Karte (map_rotate)");
    case QuickChoice::Exec:
      return QStringLiteral("Konfiguration ausführen (exec)");
    case QuickChoice::SetVar:
      return QStringLiteral("Variable setzen (set)");
  }
  return {};
}

bool TakesText(QuickChoice choice) {
  return choice == QuickChoice::Raw || choice == QuickChoice::Say || choice == QuickChoice::Exec ||
         choice == QuickChoice::SetVar;
}

bool TakesValue(QuickChoice choice) {
  return choice == QuickChoice::SetVar;
}

BuiltCommand BuildForServer(const MultiCommandInput& input, TextEncoding encoding,
                            bool serverSpeaksUtf8) {
  const std::string text = EncodeGameText(input.text, encoding, serverSpeaksUtf8);
  switch (input.choice) {
    case QuickChoice::Raw:
      if (TrimCtl(text).empty()) return Refused("Bitte einen Befehl eingeben.");
      if (text.find_first_of(std::string_view("\r\n\0", 3)) != std::string::npos)
        return Refused(
            "Der Text enthält einen Zeilenumbruch oder ein Nullzeichen und wird nicht gesendet.");
      return BuiltCommand{text, {}};
    case QuickChoice::Say:
      if (text.empty()) return Refused("Bitte den Text der Nachricht eingeben.");
      return BuildSay(text);
    case QuickChoice::MapRestart:
      return BuiltCommand{CmdMapRestart(), {}};
    case QuickChoice::FastRestart:
      return BuiltCommand{CmdFastRestart(), {}};
    case QuickChoice::MapRotate:
      return BuiltCommand{CmdMapRotate(), {}};
    case QuickChoice::Exec:
      return BuildExec(text);
    case QuickChoice::SetVar:
      return BuildSetVar(text, EncodeGameText(input.value, encoding, serverSpeaksUtf8));
  }
  return Refused("Unbekannte Auswahl.");
}

bool AsksFirst(std::string_view line) {
  for (std::string_view command : Commands(line)) {
    const std::string verb = FirstWord(command);
    if (verb == "map" || verb == "devmap" || verb == "map_rotate" || verb == "quit") return true;
    if (verb.find("kick") != std::string::npos || verb.find("ban") != std::string::npos)
      return true;
  }
  return false;
}

}  // namespace zelmora
