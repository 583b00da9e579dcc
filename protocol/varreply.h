// The answer to a variable read: "name" is:"value^7" default:"..." (some
// games put a blank after the colon).
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace zelmora {

struct VarReply {
  std::string name;   // as the reply spells it
  std::string value;  // colour codes removed
};

// The variable's name and value from the first output line of a reply; no
// value for anything else ("Unknown command ...", a write's empty answer).
std::optional<VarReply> ParseVarReply(std::string_view line);

}  // namespace zelmora
