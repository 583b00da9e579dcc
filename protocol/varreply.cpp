#include "protocol/varreply.h"

#include "core/textutil.h"
#include "protocol/colorcodes.h"
#include "protocol/text.h"

namespace zelmora {

std::optional<VarReply> ParseVarReply(std::string_view line) {
  // Only a variable's read-out counts. A server answers a name it does not
  // know with Unknown command "name", which would otherwise give that name
  // an empty value.
  if (TrimCtl(FieldOf(line, "\"", 2)) != "is:") return std::nullopt;
  return VarReply{FieldOf(line, "\"", 1), StripColorCodes(FieldOf(line, "\"", 3))};
}

}  // namespace zelmora
