// libFuzzer target: Servers.dat images. Decoding any bytes must give a record
// that encodes back to the same image (length bytes above 250 clamped), and a
// file of any content must load and save without loss.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "core/serverfile.h"
#include "core/serverrec.h"
#include "fuzz/fuzzutil.h"

namespace {

using namespace zelmora;

using zelmora::fuzz::Check;

// Offsets of the length bytes of the string fields.
constexpr std::size_t kStringOffsets[] = {0, 251, 502, 753, 1029, 1280, 1531, 1782};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size >= kServerRecSize) {
    const Tserverrec rec = DecodeServerRec(data);
    std::uint8_t out[kServerRecSize];
    EncodeServerRec(rec, out);
    for (std::size_t i = 0; i < kServerRecSize; ++i) {
      bool isLen = false;
      for (std::size_t off : kStringOffsets) isLen = isLen || off == i;
      if (isLen)
        Check(out[i] == (data[i] > 250 ? 250 : data[i]));
      else
        Check(out[i] == data[i]);
    }
    Check(rec.hostname.size() <= 250 && rec.provider.size() <= 250);
  }

  const std::string in = fuzz::TempFile("in.dat");
  const std::string out = fuzz::TempFile("out.dat");
  fuzz::WriteAll(in, std::string_view(reinterpret_cast<const char*>(data), size));
  Tserverlist list;
  std::string err;
  Check(LoadServers(in, list, &err));
  Check(list.size() == size / kServerRecSize);
  for (const auto& r : list) Check(r.provider.empty());
  Check(SaveServers(out, list, &err));
  const std::string saved = fuzz::ReadAll(out);
  Check(saved.size() == list.size() * kServerRecSize);
  Tserverlist again;
  Check(LoadServers(out, again, &err));
  Check(again.size() == list.size());
  for (std::size_t i = 0; i < list.size(); ++i) {
    std::uint8_t a[kServerRecSize], b[kServerRecSize];
    EncodeServerRec(list[i], a);
    EncodeServerRec(again[i], b);
    Check(std::memcmp(a, b, kServerRecSize) == 0);
  }
  return 0;
}
