#include "app/commandline.h"

#include <ostream>

#include "zelmora_version.h"

namespace zelmora {

namespace {

bool IsLongOption(const std::string& arg) {
  return arg.size() > 2 && arg[0] == '-' && arg[1] == '-';
}

}  // namespace

CommandLine ParseCommandLine(const std::vector<std::string>& args) {
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--help" || arg == "-h") return {CommandLine::Action::Help, {}};
    if (arg == "--version") return {CommandLine::Action::Version, {}};
    if (arg == "--") {
      if (i + 1 < args.size())
        return {CommandLine::Action::Refused, "überzähliges Argument „" + args[i + 1] + "“"};
      break;
    }
    // "--help=x" and abbreviations are refused too: there is nothing to
    // abbreviate between two options, and a typing error should not open
    // the window.
    if (IsLongOption(arg)) return {CommandLine::Action::Refused, "unbekannte Option „" + arg + "“"};
  }
  return {};
}

std::string HelpText() {
  return "Aufruf: zelmora [OPTION]...\n"
         "Beobachtet Gameserver der Call-of-Duty-Familie und verwaltet sie über rcon.\n"
         "Alles Weitere wird in den Fenstern des Programms eingestellt.\n"
         "\n"
         "  -h, --help     diese Hilfe anzeigen und beenden\n"
         "      --version  Versionsinformation anzeigen und beenden\n"
         "\n"
         "Die Standardoptionen von Qt (etwa -platform, -style) werden ebenfalls\n"
         "angenommen.\n"
         "\n"
         "Ein Datenordner, ein Fenster: Wird Zelmora mit demselben Datenordner ein\n"
         "zweites Mal gestartet, holt es das laufende Fenster nach vorn und endet.\n"
         "Der Datenordner ist der Ordner des Programms, installiert\n"
         "~/.local/share/zelmora.\n"
         "\n"
         "Rückgabewert: 0 wenn alles in Ordnung ist, 1 wenn das laufende Fenster\n"
         "nicht antwortet, 2 bei falschen Optionen.\n"
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
