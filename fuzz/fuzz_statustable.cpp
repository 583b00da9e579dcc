// libFuzzer target: the rcon "status" table as the status poll gets it. The
// input is cut into datagrams as the poll receives them; the poll's choice
// of one answer, its assembly, the parse by the header's columns (fixed for
// the Call of Duty header and unknown ones) and the lookups that
// fill the remembered names and countries.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/fuzzutil.h"
#include "protocol/rconreply.h"
#include "protocol/replyjoin.h"
#include "protocol/text.h"

using namespace zelmora;
using zelmora::fuzz::Check;

namespace {
struct CacheRec {
  std::string ip, provider, cc, country;
  std::int32_t flag = 0;
};
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::vector<std::string> datagrams = fuzz::Datagrams(input);
  StatusAnswers answers;
  for (const std::string& d : datagrams) answers.Add(d);
  const StatusAssembly chosen = answers.Result();
  const StatusAssembly all = AssembleStatusTable(datagrams);
  Check(!chosen.found || all.found);
  Check(chosen.table.size() <= input.size());

  std::vector<CacheRec> cache{{"127.0.0.1", "local", "DE", "Deutschland", 1}};
  const auto lookups = CacheLookups(cache, [](const std::string& guid) {
    return guid.empty() ? std::optional<std::string>() : std::optional<std::string>("G" + guid);
  });
  Tstatusrow junk;
  junk.fill("x");
  for (const StatusAssembly* a : {&chosen, &all}) {
    if (!a->found) continue;
    Tstatusinfo rows(2, junk);
    const std::size_t lines = SplitText(a->table, "\n").size();
    const bool ok = ParseStatusInfo(a->table, rows);
    Check(ok == (lines < 3 || lines >= 5));
    Check(ok ? rows.size() == (lines < 3 ? 0 : lines - 5) : rows.size() == 2);
    if (!ok) continue;
    ApplyStatusLookups(rows, lookups);
    for (const Tstatusrow& row : rows) {
      Check(row[0].size() <= 3 && row[3].size() <= 6);
      Check(row[1].size() <= a->table.size());
      Check(row[9].empty() || row[9] == "G" + row[3]);
    }
  }
  for (const CacheRec& r : cache) Check(r.ip.size() <= 25);
  return 0;
}
