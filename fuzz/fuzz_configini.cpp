// libFuzzer target: config.ini of any content read as the program starts
// (every option, defaults for what is missing or no number) and written
// back; a second start reads the same options.
#include <cstddef>
#include <cstdint>
#include <string>

#include "core/profile.h"
#include "core/settings.h"
#include "fuzz/fuzzutil.h"

using namespace zelmora;
using zelmora::fuzz::Check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string path = fuzz::TempFile("config.ini");
  fuzz::WriteAll(path, std::string_view(reinterpret_cast<const char*>(data), size));
  SettingsStore first;
  {
    ProfileFile ini(path);
    first.LoadAndComplete(ini, GameExecutables{});
  }
  SettingsStore second;
  {
    ProfileFile ini(path);
    second.LoadAndComplete(ini, GameExecutables{});
  }
  // What the first start wrote back reads back the same (a file that could
  // not be written at all is left as it was, and then so are the values).
  Check(first.Snapshot() == second.Snapshot() || fuzz::ReadAll(path).size() == size);
  return 0;
}
