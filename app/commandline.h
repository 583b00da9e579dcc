// The program's command line, read before Qt starts: --help and --version
// print and end without a display, as a terminal user expects; a wrong
// option is refused the same way. Everything else (Qt's own options such as
// -platform or -style) is left to QApplication, and whatever it does not
// take is refused after it has started (UnexpectedArguments).
//
// The program has only these two options for now; shell forms that work
// without a window come with options of their own when they exist.
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
  };
  Action action = Action::Window;
  std::string error;  // German, without the program name
};

// The options are read in order; the first one that decides wins, as in
// GNU programs ("--help --bogus" helps, "--bogus --help" is refused). A
// single-dash argument and what follows it belong to Qt; "--" ends the
// options and must be the last argument.
CommandLine ParseCommandLine(const std::vector<std::string>& args);

// Exit status for a refused command line (as GNU programs give).
inline constexpr int kUsageExitStatus = 2;

std::string HelpText();
std::string VersionText();

// Answers the command line: prints help or version to out, or a refusal to
// err, and returns the exit status; nothing when the window is to open.
std::optional<int> AnswerCommandLine(int argc, const char* const* argv, std::ostream& out,
                                     std::ostream& err);

// After QApplication took its options: the arguments it left (without the
// program's name) are refused; the German refusal, or nothing when none are
// left.
std::optional<std::string> UnexpectedArguments(const std::vector<std::string>& leftover);

// "zelmora: <error>\n„zelmora --help“ liefert weitere Informationen.\n"
std::string RefusalText(const std::string& error);

}  // namespace zelmora
