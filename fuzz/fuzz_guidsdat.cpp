// libFuzzer target: Guids.dat of any content. A record decodes to what it
// encodes back to (length bytes clamped), and a file loads and saves without
// loss.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "core/guidlist.h"
#include "fuzz/fuzzutil.h"

using namespace zelmora;
using zelmora::fuzz::Check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size >= kGuidRecSize) {
    const Tguidrec rec = DecodeGuidRec(data);
    std::uint8_t out[kGuidRecSize];
    EncodeGuidRec(rec, out);
    Check(out[0] == (data[0] > 10 ? 10 : data[0]));
    Check(out[11] == (data[11] > 250 ? 250 : data[11]));
    Check(std::memcmp(out + 1, data + 1, 10) == 0 && std::memcmp(out + 12, data + 12, 250) == 0);
  }
  const std::string in = fuzz::TempFile("in.dat");
  const std::string out = fuzz::TempFile("out.dat");
  fuzz::WriteAll(in, std::string_view(reinterpret_cast<const char*>(data), size));
  Tguidlist list;
  std::string error;
  Check(LoadGuids(in, list, &error));
  Check(list.size() == size / kGuidRecSize);
  Check(SaveGuids(out, list, &error));
  Check(fuzz::ReadAll(out).size() == list.size() * kGuidRecSize);
  Tguidlist again;
  Check(LoadGuids(out, again, &error));
  Check(again.size() == list.size());
  for (std::size_t i = 0; i < list.size(); ++i)
    Check(again[i].guid == list[i].guid.view() && again[i].name == list[i].name.view());
  return 0;
}
