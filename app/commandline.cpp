#include "app/commandline.h"

#include <optional>
#include <ostream>
#include <set>

#include "zelmora_version.h"

namespace zelmora {

namespace {

bool IsLongOption(const std::string& arg) {
  return arg.size() > 2 && arg[0] == '-' && arg[1] == '-';
}

}  // namespace

namespace {

CommandLine Decided(CommandLine::Action action) {
  CommandLine line;
  line.action = action;
  return line;
}

CommandLine Refuse(std::string error) {
  CommandLine line;
  line.action = CommandLine::Action::Refused;
  line.error = std::move(error);
  return line;
}

std::string Quoted(const std::string& text) {
  return "„" + text + "“";
}

// The options of the shell forms; true when the option takes a value.
std::optional<bool> ShellOption(const std::string& name) {
  if (name == "--send" || name == "--servers" || name == "--query") return true;
  if (name == "--all" || name == "--json") return false;
  return std::nullopt;
}

void Take(CommandLine& line, const std::string& name, const std::string& value) {
  if (name == "--send") line.command = value;
  if (name == "--query") line.address = value;
  if (name == "--all") line.all = true;
  if (name == "--json") line.json = true;
  if (name == "--servers") {
    std::size_t start = 0;
    for (;;) {
      const std::size_t comma = value.find(',', start);
      line.servers.push_back(value.substr(start, comma - start));
      if (comma == std::string::npos) break;
      start = comma + 1;
    }
  }
}

// The shell form the options ask for, or the reason they do not fit.
CommandLine Checked(CommandLine line, const std::set<std::string>& seen) {
  const bool send = seen.count("--send") > 0;
  const bool query = seen.count("--query") > 0;
  const bool servers = seen.count("--servers") > 0;
  if (send && query) return Refuse("--send und --query schließen einander aus");
  if (!send && !query) {
    if (servers || line.all) return Refuse("--servers und --all gelten nur mit --send");
    return Refuse("--json gilt nur mit --send oder --query");
  }
  if (query) {
    if (servers || line.all) return Refuse("--servers und --all gelten nur mit --send");
    if (line.address.empty()) return Refuse("--query braucht eine Adresse");
    line.action = CommandLine::Action::Query;
    return line;
  }
  if (line.command.empty()) return Refuse("--send braucht einen Befehl");
  if (line.command.find_first_of(std::string_view("\r\n\0", 3)) != std::string::npos)
    return Refuse("der Befehl enthält einen Zeilenumbruch oder ein Nullzeichen");
  if (servers && line.all) return Refuse("--servers und --all schließen einander aus");
  if (!servers && !line.all) return Refuse("--send braucht --servers oder --all");
  for (const std::string& s : line.servers)
    if (s.empty()) return Refuse("--servers enthält einen leeren Namen");
  line.action = CommandLine::Action::Send;
  return line;
}

}  // namespace

CommandLine ParseCommandLine(const std::vector<std::string>& args) {
  CommandLine line;
  std::set<std::string> seen;
  std::optional<std::string> stray;  // Qt's options, operands: no place beside a shell form
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--help" || arg == "-h") return Decided(CommandLine::Action::Help);
    if (arg == "--version") return Decided(CommandLine::Action::Version);
    if (arg == "--") {
      if (i + 1 < args.size()) return Refuse("überzähliges Argument " + Quoted(args[i + 1]));
      break;
    }
    if (!IsLongOption(arg)) {
      if (!stray) stray = arg;
      continue;
    }
    const std::size_t eq = arg.find('=');
    const std::string name = arg.substr(0, eq);
    // "--help=x" and abbreviations are refused too: there is nothing to
    // abbreviate, and a typing error should not open the window.
    const std::optional<bool> takesValue = ShellOption(name);
    if (!takesValue) return Refuse("unbekannte Option " + Quoted(arg));
    std::string value;
    if (eq != std::string::npos) {
      if (!*takesValue) return Refuse("die Option " + Quoted(name) + " nimmt keinen Wert");
      value = arg.substr(eq + 1);
    } else if (*takesValue) {
      if (i + 1 >= args.size()) return Refuse("die Option " + Quoted(name) + " braucht einen Wert");
      value = args[++i];
    }
    if (!seen.insert(name).second) return Refuse("die Option " + Quoted(name) + " steht doppelt");
    Take(line, name, value);
  }
  if (seen.empty()) return line;
  if (stray) {
    if (!stray->empty() && (*stray)[0] == '-') return Refuse("unbekannte Option " + Quoted(*stray));
    return Refuse("überzähliges Argument " + Quoted(*stray));
  }
  return Checked(std::move(line), seen);
}

std::string HelpText() {
  return "Aufruf: zelmora [OPTION]...\n"
         "  oder:  zelmora --send BEFEHL (--servers NAME-ODER-ADRESSE[,...] | --all) [--json]\n"
         "  oder:  zelmora --query ADRESSE[:PORT] [--json]\n"
         "Beobachtet Gameserver der Call-of-Duty-Familie und verwaltet sie über rcon.\n"
         "Alles Weitere wird in den Fenstern des Programms eingestellt.\n"
         "\n"
         "  -h, --help     diese Hilfe anzeigen und beenden\n"
         "      --version  Versionsinformation anzeigen und beenden\n"
         "\n"
         "Ohne Fenster (ohne Anzeige, neben einem laufenden Fenster):\n"
         "      --send BEFEHL   den rcon-Befehl an die genannten Server senden, über\n"
         "                      dieselbe Maschine wie das Fenster (Pausen, Drosselung)\n"
         "      --servers LISTE Server aus Servers.dat: Namen (ohne Farbcodes, Groß- und\n"
         "                      Kleinschreibung egal), Adressen oder Adresse:Port, mit\n"
         "                      Kommas getrennt\n"
         "      --all           alle Server aus Servers.dat\n"
         "      --query ADRESSE den Status eines Servers ausgeben (Port 28960, wenn\n"
         "                      keiner angegeben ist)\n"
         "      --json          je Server ein JSON-Objekt pro Zeile ausgeben\n"
         "--send gibt je Server eine Zeile mit seinem Zustand aus (ausgeführt, kein\n"
         "rcon-Passwort, falsches rcon-Passwort, keine Antwort, verworfen).\n"
         "Beispiel (crontab): 55 5 * * * zelmora --send \"say Neustart in 5 Minuten\" --all\n"
         "\n"
         "Die Standardoptionen von Qt (etwa -platform, -style) werden für das Fenster\n"
         "ebenfalls angenommen.\n"
         "\n"
         "Ein Datenordner, ein Fenster: Wird Zelmora mit demselben Datenordner ein\n"
         "zweites Mal gestartet, holt es das laufende Fenster nach vorn und endet.\n"
         "Der Datenordner ist der Ordner des Programms, installiert\n"
         "~/.local/share/zelmora.\n"
         "\n"
         "Rückgabewert: 0 wenn alles in Ordnung ist, 1 wenn das laufende Fenster\n"
         "nicht antwortet oder ein Server den Befehl nicht ausgeführt oder nicht\n"
         "geantwortet hat, 2 bei falschen Optionen oder unbekannten Servern.\n"
         "\n"
         "Homepage: <" +
         std::string(kProgramHomepage) + ">\n";
}

std::string VersionText() {
  return "zelmora " + std::string(kProgramVersion) +
         "\n"
         "Copyright (C) 2026 The Zelmora developers\n"
         "Lizenz GPLv3+: GNU GPL Version 3 oder neuer <https://gnu.org/licenses/gpl.html>.\n"
         "Dies ist freie Software: Sie dürfen sie verändern und weitergeben.\n"
         "Es gibt KEINE GARANTIE, soweit gesetzlich zulässig.\n";
}

std::string RefusalText(const std::string& error) {
  return "zelmora: " + error + "\n„zelmora --help“ liefert weitere Informationen.\n";
}

std::optional<int> AnswerCommandLine(int argc, const char* const* argv, std::ostream& out,
                                     std::ostream& err) {
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) args.emplace_back(argv[i] ? argv[i] : "");
  const CommandLine line = ParseCommandLine(args);
  switch (line.action) {
    case CommandLine::Action::Window:
    case CommandLine::Action::Send:
    case CommandLine::Action::Query:
      return std::nullopt;
    case CommandLine::Action::Help:
      out << HelpText() << std::flush;
      return out ? 0 : 1;  // a full disk or a closed pipe is a failure
    case CommandLine::Action::Version:
      out << VersionText() << std::flush;
      return out ? 0 : 1;
    case CommandLine::Action::Refused:
      err << RefusalText(line.error) << std::flush;
      return kUsageExitStatus;
  }
  return std::nullopt;
}

std::optional<std::string> UnexpectedArguments(const std::vector<std::string>& leftover) {
  for (const std::string& arg : leftover) {
    if (arg == "--") continue;
    if (!arg.empty() && arg[0] == '-') return "unbekannte Option „" + arg + "“";
    return "überzähliges Argument „" + arg + "“";
  }
  return std::nullopt;
}

}  // namespace zelmora
