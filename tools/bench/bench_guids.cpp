// Import of a large GUID exchange file into the remembered list: 40,000
// lines (every tenth a GUID already listed, some lines with GUID 0 or no
// name), into a list of 5,000 entries, as "GUIDs aus Datei hinzufügen" does
// it. Median and worst of the rounds; the goal is below one second.
//   zelmora-bench-guids [lines] [rounds]   (defaults 40000, 7)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "core/guidlist.h"

using namespace zelmora;

int main(int argc, char* argv[]) {
  const int lines = argc > 1 ? std::max(1, std::atoi(argv[1])) : 40000;
  const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 7;
  const char sep = '\x0e';
  Tguidlist base;
  for (int i = 0; i < 5000; ++i) {
    Tguidrec r;
    r.guid.assign(std::to_string(1000000 + i));
    r.name.assign("Stamm" + std::to_string(i));
    base.push_back(r);
  }
  std::string text;
  for (int i = 0; i < lines; ++i) {
    const int guid = i % 10 == 0 ? 1000000 + (i % 5000) : 2000000 + i;
    if (i % 97 == 0)
      // Appended piece by piece: GCC 12 takes "text" + std::string for an overlapping
      // copy (-Wrestrict, a false alarm, GCC bug 105329).
      text.append("0").append(1, sep).append("Niemand\r\n");
    else if (i % 89 == 0)
      text += std::to_string(guid) + std::string(1, sep) + "\r\n";
    else
      text += std::to_string(guid) + std::string(1, sep) + "Spieler " + std::to_string(i) + "\r\n";
  }
  std::vector<double> ms;
  std::size_t taken = 0;
  for (int r = 0; r < rounds; ++r) {
    Tguidlist list = base;
    const auto t0 = std::chrono::steady_clock::now();
    taken = ImportGuidText(list, text);
    ms.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0)
                     .count());
  }
  std::sort(ms.begin(), ms.end());
  std::printf("GUID import: %d lines into a list of %zu, %zu taken\n", lines, base.size(), taken);
  std::printf("median %.1f ms, worst %.1f ms over %d rounds (goal: below 1000 ms)\n",
              ms[ms.size() / 2], ms.back(), rounds);
  return ms.back() < 1000 ? 0 : 1;
}
