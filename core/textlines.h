// The operator's plain text files, as bytes: rcon profiles (rconcfg/*.rpf),
// the weapon and vehicle lists. 8-bit text, lines ended by CR LF.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace zelmora {

// Lines of a text: CR LF, LF and a lone CR end a line; a break at the very
// end starts no further line (so "a\r\nb\r\n" has two lines and "" none).
std::vector<std::string> SplitLines(std::string_view bytes);

// The non-empty lines, verbatim (a list of variable names).
std::vector<std::string> NonEmptyLineTexts(std::string_view bytes);

// Text with "\n" line breaks as file bytes: every line ended by CR LF, the
// last one too (a file without a final line break gets one).
std::string CrLfLines(std::string_view text);

// One custom variable of an rcon profile.
struct Tsonstigesrec {
  std::string name;
  std::string value;
  std::string description;
  friend bool operator==(const Tsonstigesrec&, const Tsonstigesrec&) = default;
};

// A line of an operator's file that is not used, and why.
struct RefusedLine {
  std::size_t line = 0;  // 1-based number of the line in the file
  std::string text;      // the line's bytes as read
  std::string reason;    // German, UTF-8 (core/commandrules.h)
  friend bool operator==(const RefusedLine&, const RefusedLine&) = default;
};

// An rcon profile as read: the records in line order and the refused lines.
struct ProfileRead {
  std::vector<Tsonstigesrec> records;
  std::vector<RefusedLine> refused;
};

// An rcon profile: each non-empty line "name ; description" (anything from
// a second ";" on is ignored, a line without ";" has no description),
// name and description without surrounding blanks, values empty.
//
// The names become rcon commands (a read is the bare name), so the lines are
// read strictly: a line ends at LF, with or without a CR before it (a CR at
// the very end of the file ends the last line too). A CR anywhere else
// belongs to no line: other readers take it for a line break, and the text
// after it would become a record of its own. Such a line is refused whole,
// as is a line whose name breaks the name rule (NameProblem). A line of
// blanks only is a record with an empty name, as before: nothing is ever sent
// for it (the command builders refuse an empty name).
ProfileRead ReadProfile(std::string_view bytes);

// The records of ReadProfile; refused lines are left out.
std::vector<Tsonstigesrec> ParseProfile(std::string_view bytes);

// A list of variable names (weaponcfg.txt, vehiclecfg.txt) read as strictly
// as a profile: the non-empty lines, each taken as it is; a line with a CR
// inside it or one that breaks the name rule (a blank included) is refused.
struct NameListRead {
  std::vector<std::string> names;
  std::vector<RefusedLine> refused;
};
NameListRead ReadNameList(std::string_view bytes);

}  // namespace zelmora
