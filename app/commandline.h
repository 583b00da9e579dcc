// The program's command line, read before Qt starts: --help and --version
// print and end without a display, as a terminal user expects; a wrong
// option is refused the same way. Everything else (Qt's own options such as
// -platform or -style) is left to QApplication, and whatever it does not
// take is refused after it has started (UnexpectedArguments).
//
// Two shell forms work without a window (app/shellform.h): --send sends an
// rcon command to listed servers, --query prints one server's status; both
// take --json. They take no options of Qt's and no other arguments.
#pragma once

#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

namespace zelmora {

struct CommandLine {
  enum class Action {
    Window,   // open the window (Qt reads what is left)
    Help,     // print the help text, exit 0
    Version,  // print the version, exit 0
    Refused,  // print `error` and the hint to --help, exit 2
    Send,     // --send: the command to the servers named, no window
    Query,    // --query: one server's status, no window
  };
  Action action = Action::Window;
  std::string error;  // German, without the program name

  std::string command;               // --send TEXT (as the shell gave it, UTF-8)
  std::vector<std::string> servers;  // --servers NAME-OR-ADDRESS[,...], in order
  bool all = false;                  // --all
  std::string address;               // --query ADDRESS[:PORT]
  bool json = false;                 // --json: one JSON object per line
};

// The options are read in order; the first one that decides wins, as in
// GNU programs ("--help --bogus" helps, "--bogus --help" is refused). A
// single-dash argument and what follows it belong to Qt; "--" ends the
// options and must be the last argument. An option's value follows it
// ("--send TEXT") or is joined with "=" ("--send=TEXT"). The shell forms:
// --send with exactly one of --servers and --all; --query alone; --json
// with either; nothing else beside them.
CommandLine ParseCommandLine(const std::vector<std::string>& args);

// Exit status for a refused command line (as GNU programs give).
inline constexpr int kUsageExitStatus = 2;

std::string HelpText();
std::string VersionText();

// Answers the command line: prints help or version to out, or a refusal to
// err, and returns the exit status; nothing when the window is to open or a
// shell form is to run.
std::optional<int> AnswerCommandLine(int argc, const char* const* argv, std::ostream& out,
                                     std::ostream& err);

// After QApplication took its options: the arguments it left (without the
// program's name) are refused; the German refusal, or nothing when none are
// left.
std::optional<std::string> UnexpectedArguments(const std::vector<std::string>& leftover);

// "zelmora: <error>\n„zelmora --help“ liefert weitere Informationen.\n"
std::string RefusalText(const std::string& error);

}  // namespace zelmora
