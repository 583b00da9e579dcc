// libFuzzer target: rcon profiles (rconcfg/*.rpf), any bytes of an
// operator's file: every record's name may be sent (or is empty), no record
// holds a line break, and each refused line comes with a readable reason.
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

namespace {

// Every CR is followed by LF or is the file's last byte: then the strict
// reading and the lax one (a lone CR ends a line) see the same lines.
bool NoLoneCr(std::string_view bytes) {
  for (std::size_t i = 0; i + 1 < bytes.size(); ++i)
    if (bytes[i] == '\r' && bytes[i + 1] != '\n') return false;
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const ProfileRead read = ReadProfile(bytes);
  Check(ParseProfile(bytes) == read.records);
  if (NoLoneCr(bytes))
    Check(read.records.size() + read.refused.size() == NonEmptyLineTexts(bytes).size());
  for (const Tsonstigesrec& r : read.records) {
    Check(r.value.empty());
    // A name is empty or one that may be sent.
    Check(r.name.empty() || NameProblem(r.name).empty());
    Check(r.name.find(';') == std::string::npos);
    Check(r.description.find(';') == std::string::npos);
    for (const std::string* t : {&r.name, &r.description}) {
      Check(t->find_first_of("\r\n") == std::string::npos);
      Check(t->empty() || (static_cast<unsigned char>(t->front()) > 32 &&
                           static_cast<unsigned char>(t->back()) > 32));
    }
  }
  std::size_t last = 0;
  for (const RefusedLine& r : read.refused) {
    Check(r.line > last);
    last = r.line;
    Check(!r.text.empty() && r.text.find('\n') == std::string::npos);
    Check(IsMessageText(r.reason));
  }
  return 0;
}
