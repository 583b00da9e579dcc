// libFuzzer target: the way print replies are put back together. The input
// is cut into datagrams at each run of four 0xFF bytes; the byte after the
// prefix picks one of three senders and how long after the previous datagram
// this one arrives. The joined outputs go through every parser a console,
// map or configuration reply reaches, and the same datagrams through the
// status poll's choice of one answer.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "protocol/rconreply.h"
#include "protocol/replyjoin.h"
#include "protocol/text.h"

namespace {

using namespace zelmora;

void Check(bool ok) {
  if (!ok) __builtin_trap();
}

void Output(const PrintOutput& o) {
  Check(IsPrintReply(o.text));
  Check(o.text.size() <= PrintJoiner::kMaxBytes);
  Check(o.datagrams >= 1 && o.datagrams <= PrintJoiner::kMaxDatagrams);
  Check(o.first <= o.last);
  const auto lines = ConsoleLines(o.text, PrintJoiner::kMaxBytes);
  Check(!lines.empty() && lines[0] == "print");
  if (const auto maps = CheckMapListing(o.text, "^2sd ^0mp_harbor", PrintJoiner::kMaxBytes)) {
    Check(maps->chosen < static_cast<int>(maps->maps.size()));
    Check(maps->maps.empty() == (maps->chosen == -1));
    for (const auto& m : maps->maps) Check(m.find('\n') == std::string::npos);
  }
  if (const auto files = CheckConfigListing(o.text, PrintJoiner::kMaxBytes))
    for (const auto& f : *files) Check(f.find('\n') == std::string::npos);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::string_view prefix("\xff\xff\xff\xff", 4);
  PrintJoiner joiner(150);
  StatusAnswers answers;
  double now = 0;
  std::size_t taken = 0, finished = 0;
  for (std::string& piece : SplitText(input, prefix)) {
    if (piece.empty()) continue;
    const unsigned char pick = static_cast<unsigned char>(piece[0]);
    const std::string sender(1, static_cast<char>('a' + pick % 3));
    now += (pick >> 2) * 5;  // 0 .. 315 ms later
    const std::string datagram = std::string(prefix) + piece.substr(1);
    const bool print = IsPrintReply(datagram);
    Check(joiner.Add(sender, datagram, now) == print);
    taken += print;
    answers.Add(datagram);
    for (const PrintOutput& o : joiner.TakeFinished(now)) {
      Output(o);
      ++finished;
    }
    Check(joiner.NextFinish() >= now || joiner.Open() == 0);
  }
  for (const PrintOutput& o : joiner.TakeAll()) {
    Output(o);
    ++finished;
  }
  Check(finished <= taken);
  Check(joiner.Open() == 0);

  const StatusAssembly a = answers.Result();
  Tstatusinfo rows;
  if (a.found) {
    const bool ok = ParseStatusInfo(a.table, rows);
    const std::size_t lines = SplitText(a.table, "\n").size();
    Check(ok == (lines < 3 || lines >= 5));
    Check(a.table.size() <= input.size() + 1);
  }
  return 0;
}
