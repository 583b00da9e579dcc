// libFuzzer target: the answer to a variable read, as the variable channel
// hands it on (the first output line of a datagram).
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/textutil.h"
#include "fuzz/fuzzutil.h"
#include "protocol/colorcodes.h"
#include "protocol/text.h"
#include "protocol/varreply.h"

using namespace zelmora;
using zelmora::fuzz::Check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view datagram(reinterpret_cast<const char*>(data), size);
  const std::string line = FieldOf(datagram, "\n", 1);
  const auto reply = ParseVarReply(line);
  Check(reply.has_value() == (TrimCtl(FieldOf(line, "\"", 2)) == "is:"));
  if (!reply) return 0;
  Check(reply->name.find('"') == std::string::npos);
  Check(reply->name.size() <= line.size() && reply->value.size() <= line.size());
  // No colour code is left (a caret only at the very end).
  const std::size_t caret = reply->value.find('^');
  Check(caret == std::string::npos || caret + 1 == reply->value.size());
  Check(StripColorCodes(reply->value) == reply->value);
  return 0;
}
