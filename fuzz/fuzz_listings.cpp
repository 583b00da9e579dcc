// libFuzzer target: directory listings of maps and configuration files, as
// one datagram (the single datagram's limits) and as a joined output of any
// length, with the map picture a listed name leads to.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/commandrules.h"
#include "fuzz/fuzzutil.h"
#include "protocol/rconreply.h"
#include "protocol/replyjoin.h"

using namespace zelmora;
using zelmora::fuzz::Check;
using zelmora::fuzz::IsMessageText;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  // The first byte picks the head, so that both listings are reached often.
  static const std::string_view kHeads[] = {"\xff\xff\xff\xffprint\nDirectory of maps/mp ",
                                            "\xff\xff\xff\xffprint\nDirectory of / .cfg\n",
                                            "\xff\xff\xff\xffprint\n", ""};
  const std::string_view head = size ? kHeads[data[0] % 4] : kHeads[3];
  const std::string datagram = std::string(head) + std::string(input.substr(size ? 1 : 0));
  for (const std::size_t limit : {kDatagramTextLimit, PrintJoiner::kMaxBytes}) {
    if (const auto maps = CheckMapListing(datagram, "^2sd ^0mp_harbor", limit)) {
      Check(maps->chosen < static_cast<int>(maps->maps.size()));
      Check(maps->maps.empty() == (maps->chosen == -1));
      for (const std::string& m : maps->maps) {
        Check(m.find('\n') == std::string::npos);
        const std::string file = MapPictureFile(118, m);
        // Never a path out of the picture folder.
        Check(file.empty() || file.find_first_of("/\\", 8) == std::string::npos);
        Check(file.empty() || file.find("..", 8) == std::string::npos ||
              file.find_first_of("/\\", 8) == std::string::npos);
      }
      for (const std::string& p : maps->picturesLoaded)
        Check(std::find(maps->maps.begin(), maps->maps.end(), p) != maps->maps.end());
      // Only names that may go back to the server are listed; the others
      // are reported in a line nothing of theirs can break.
      for (const std::string& m : maps->maps) Check(NameProblem(m).empty());
      for (const std::string& m : maps->leftOut) Check(!m.empty() && !NameProblem(m).empty());
      Check(IsMessageText(LeftOutNotice(ListingKind::Maps, maps->leftOut)));
    }
    std::vector<std::string> leftOut;
    if (const auto files =
            CheckConfigListing(datagram, std::max<std::size_t>(limit, 99999), &leftOut)) {
      for (const std::string& f : *files) Check(NameProblem(f).empty());
      for (const std::string& f : leftOut) Check(!f.empty() && !NameProblem(f).empty());
      Check(IsMessageText(LeftOutNotice(ListingKind::Configs, leftOut)));
    } else {
      Check(leftOut.empty());
    }
  }
  return 0;
}
