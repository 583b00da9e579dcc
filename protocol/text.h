// Text helpers shared by every reply parser. Game texts are 8-bit byte
// strings; nothing here interprets an encoding.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace zelmora {

// Splits text at every occurrence of sep (case-sensitive). An empty text gives
// no pieces, a text without sep gives one piece, a text ending with sep gives
// an empty last piece. An empty separator never matches (one piece).
std::vector<std::string> SplitText(std::string_view text, std::string_view sep);

// The n-th piece (from 0) of text split at sep; adjacent separators delimit
// empty pieces; a text with fewer than n+1 pieces (or a negative n) gives "".
std::string FieldOf(std::string_view text, std::string_view sep, int n);

// Pascal-style substring: pos1 is 1-based, count characters at most. A start
// before 1 is taken as 1; a start beyond the end gives "". Never throws.
std::string Copy(std::string_view s, std::size_t pos1, std::size_t count);

// Copy to the end of the text.
inline std::string CopyFrom(std::string_view s, std::size_t pos1) {
  return Copy(s, pos1, std::string_view::npos);
}

}  // namespace zelmora
