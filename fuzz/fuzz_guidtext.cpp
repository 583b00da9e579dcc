// libFuzzer target: a GUID exchange file imported into the remembered list,
// then exported and imported into an empty list again.
#include <cstddef>
#include <cstdint>
#include <set>
#include <string>
#include <string_view>

#include "core/guidlist.h"
#include "fuzz/fuzzutil.h"

using namespace zelmora;
using zelmora::fuzz::Check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  Tguidlist list;
  Tguidrec known;
  known.guid.assign("42");
  known.name.assign("Bekannt");
  list.push_back(known);
  const std::size_t taken = ImportGuidText(list, text);
  Check(list.size() == taken + 1);
  std::set<std::int32_t> numbers;
  for (const Tguidrec& r : list) {
    std::int32_t n = 0;
    Check(GuidNumber(r, &n) && n > 0);
    Check(numbers.insert(n).second);
    Check(!r.name.empty());
  }
  Tguidlist again;
  ImportGuidText(again, ExportGuidText(list));
  Check(again.size() == list.size());
  for (std::size_t i = 0; i < list.size(); ++i) Check(again[i].guid == list[i].guid.view());
  return 0;
}
