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

// An rcon profile: each non-empty line "name ; description" (anything from
// a second ";" on is ignored, a line without ";" has no description),
// name and description without surrounding blanks, values empty.
std::vector<Tsonstigesrec> ParseProfile(std::string_view bytes);

}  // namespace zelmora
