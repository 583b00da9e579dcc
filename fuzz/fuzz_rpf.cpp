// libFuzzer target: rcon profiles (rconcfg/*.rpf), any bytes of an
// operator's file.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/textlines.h"
#include "fuzz/fuzzutil.h"

using namespace zelmora;
using zelmora::fuzz::Check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const auto records = ParseProfile(bytes);
  Check(records.size() == NonEmptyLineTexts(bytes).size());
  for (const Tsonstigesrec& r : records) {
    Check(r.value.empty());
    Check(r.name.find(';') == std::string::npos);
    Check(r.description.find(';') == std::string::npos);
    for (const std::string* t : {&r.name, &r.description}) {
      Check(t->find_first_of("\r\n") == std::string::npos);
      Check(t->empty() || (static_cast<unsigned char>(t->front()) > 32 &&
                           static_cast<unsigned char>(t->back()) > 32));
    }
  }
  return 0;
}
