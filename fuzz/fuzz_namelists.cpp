// libFuzzer target: the weapon and vehicle lists (weaponcfg.txt,
// vehiclecfg.txt): their names as read, and the file as the editors write it
// back (every line ended by CR LF, the names unchanged).
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/commandrules.h"
#include "core/textlines.h"
#include "fuzz/fuzzutil.h"

using namespace zelmora;
using zelmora::fuzz::Check;
using zelmora::fuzz::IsMessageText;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const auto names = NonEmptyLineTexts(bytes);
  for (const std::string& n : names) Check(!n.empty() && n.find_first_of("\r\n") == n.npos);
  // The editor's text ("\n" breaks) written back: CR LF everywhere, the
  // same lines.
  std::string text;
  for (const std::string& line : SplitLines(bytes)) text += line + "\n";
  const std::string file = CrLfLines(text);
  Check(file.empty() || file.size() >= 2);
  Check(file.empty() || file.compare(file.size() - 2, 2, "\r\n") == 0);
  Check(SplitLines(file) == SplitLines(bytes));
  Check(NonEmptyLineTexts(file) == names);
  for (std::size_t i = 0; i < file.size(); ++i) {
    if (file[i] == '\n') Check(i > 0 && file[i - 1] == '\r');
    if (file[i] == '\r') Check(i + 1 < file.size() && file[i + 1] == '\n');
  }
  // Read strictly, as names that become commands: each name may be sent,
  // and with no lone CR every non-empty line is a name or refused.
  const NameListRead strict = ReadNameList(bytes);
  for (const std::string& n : strict.names) Check(NameProblem(n).empty());
  for (const RefusedLine& r : strict.refused) Check(IsMessageText(r.reason));
  bool loneCr = false;
  for (std::size_t i = 0; i + 1 < bytes.size(); ++i)
    loneCr = loneCr || (bytes[i] == '\r' && bytes[i + 1] != '\n');
  if (!loneCr) Check(strict.names.size() + strict.refused.size() == names.size());
  return 0;
}
