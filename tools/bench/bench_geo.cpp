// zelmora-bench-geo: the country lookup with the real table. Prints a
// Markdown report.
//
//   zelmora-bench-geo [--data DIR] [--rounds R] [--lookups N]
//
// DIR holds Ranges.dat and flags/ (default: the build's data folder, made by
// the zelmora-data target).
// 1. Start-up: LoadRanges (file read, records, index) and LoadFlagCodes, R
//    rounds (default 15); the index build is also timed on its own, and on
//    the same records shuffled (the general index for unordered files).
// 2. Lookup: RangeLookup of N addresses (default 1,000,000) as dotted text,
//    uniformly random and drawn from the table's ranges, timed in batches of
//    1000; median and 99th percentile of the per-lookup time over the
//    batches. For comparison the linear scan the index replaces.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "core/recordfile.h"
#include "geo/flags.h"
#include "geo/ranges.h"

using namespace zelmora;
using Clock = std::chrono::steady_clock;

namespace {

#ifndef ZELMORA_DATA_DIR
#define ZELMORA_DATA_DIR "data"
#endif
#ifndef ZELMORA_BUILD_TYPE
#define ZELMORA_BUILD_TYPE "unknown"
#endif

double Ms(Clock::duration d) {
  return std::chrono::duration<double, std::milli>(d).count();
}

double Quantile(std::vector<double> v, double q) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  return v[std::min(v.size() - 1, static_cast<std::size_t>(q * static_cast<double>(v.size())))];
}

std::string Dotted(std::uint32_t v) {
  return std::to_string(v >> 24) + "." + std::to_string((v >> 16) & 255) + "." +
         std::to_string((v >> 8) & 255) + "." + std::to_string(v & 255);
}

// Per-lookup microseconds of each batch of 1000 addresses.
template <typename Lookup>
std::vector<double> TimeLookups(const std::vector<std::string>& addresses, Lookup lookup,
                                long& sink) {
  constexpr std::size_t kBatch = 1000;
  std::vector<double> perLookupUs;
  for (std::size_t i = 0; i + kBatch <= addresses.size(); i += kBatch) {
    const auto t0 = Clock::now();
    for (std::size_t k = i; k < i + kBatch; ++k) sink += lookup(addresses[k]);
    perLookupUs.push_back(Ms(Clock::now() - t0) * 1000.0 / kBatch);
  }
  return perLookupUs;
}

}  // namespace

int main(int argc, char** argv) {
  std::string dir = ZELMORA_DATA_DIR;
  int rounds = 15;
  long lookups = 1000000;
  for (int i = 1; i < argc; ++i) {
    const std::string_view a = argv[i];
    if (a == "--data" && i + 1 < argc) {
      dir = argv[++i];
    } else if (a == "--rounds" && i + 1 < argc) {
      rounds = std::max(1, std::atoi(argv[++i]));
    } else if (a == "--lookups" && i + 1 < argc) {
      lookups = std::max(1000L, std::atol(argv[++i]));
    } else {
      std::fprintf(stderr, "usage: zelmora-bench-geo [--data DIR] [--rounds R] [--lookups N]\n");
      return 2;
    }
  }
  const std::string rangesPath = dir + "/Ranges.dat";
  const std::string flagsDir = dir + "/flags";

  // 1. Start-up.
  std::vector<double> total, ranges, index, flags;
  RangeTable table;
  std::size_t flagCount = 0;
  for (int r = 0; r < rounds; ++r) {
    const auto t0 = Clock::now();
    table = LoadRanges(rangesPath);
    const auto t1 = Clock::now();
    flagCount = LoadFlagCodes(flagsDir).size();
    const auto t2 = Clock::now();
    ranges.push_back(Ms(t1 - t0));
    flags.push_back(Ms(t2 - t1));
    total.push_back(Ms(t2 - t0));

    std::vector<Trangerec> records;
    LoadRecordFile(rangesPath, kRangeRecSize, DecodeRange, records, nullptr);
    const auto t3 = Clock::now();
    const RangeTable indexed(std::move(records));
    index.push_back(Ms(Clock::now() - t3));
  }
  if (table.empty()) {
    std::fprintf(stderr, "%s: no ranges (build the zelmora-data target)\n", rangesPath.c_str());
    return 1;
  }

  // The general index (overlapping or unsorted files): the same records
  // shuffled, so the short way for ordered tables does not apply.
  std::mt19937_64 rng(42);
  std::vector<double> shuffledIndex;
  for (int r = 0; r < std::min(rounds, 5); ++r) {
    std::vector<Trangerec> shuffled = table.records();
    std::shuffle(shuffled.begin(), shuffled.end(), rng);
    const auto t0 = Clock::now();
    const RangeTable general(std::move(shuffled));
    shuffledIndex.push_back(Ms(Clock::now() - t0));
  }

  // 2. Lookups.
  std::vector<std::string> uniform, assigned;
  uniform.reserve(static_cast<std::size_t>(lookups));
  assigned.reserve(static_cast<std::size_t>(lookups));
  for (long i = 0; i < lookups; ++i) {
    uniform.push_back(Dotted(static_cast<std::uint32_t>(rng())));
    const Trangerec& r = table[rng() % table.size()];
    assigned.push_back(Dotted(static_cast<std::uint32_t>(
        r.first +
        static_cast<std::int64_t>(rng() % static_cast<std::uint64_t>(r.last - r.first + 1)))));
  }
  long sink = 0;
  auto indexed = [&table](const std::string& a) { return RangeLookup(table, a); };
  const auto uniformUs = TimeLookups(uniform, indexed, sink);
  const auto assignedUs = TimeLookups(assigned, indexed, sink);
  std::size_t found = 0;
  for (const auto& a : uniform)
    if (RangeLookup(table, a) >= 0) ++found;
  // The linear scan over the records, on a few thousand of the addresses.
  const std::vector<Trangerec>& recs = table.records();
  const std::vector<std::string> few(assigned.begin(), assigned.begin() + 3000);
  const auto linearUs = TimeLookups(
      few,
      [&recs](const std::string& a) {
        std::int64_t v = 0;
        std::size_t pos = 0;
        for (int f = 0; f < 4; ++f) {
          const std::size_t dot = a.find('.', pos);
          v = v * 256 + std::atoi(a.substr(pos, dot - pos).c_str());
          pos = dot + 1;
        }
        for (std::size_t i = 0; i < recs.size(); ++i)
          if (recs[i].first <= v && v <= recs[i].last) return static_cast<int>(i);
        return -1;
      },
      sink);

  std::printf("# Country lookup (zelmora-bench-geo)\n\n");
  std::printf(
      "Build type %s; %zu ranges (%zu index segments), %zu flags; %d start-up rounds, "
      "%ld lookups per kind.\n\n",
      ZELMORA_BUILD_TYPE, table.size(), table.IndexSize(), flagCount, rounds, lookups);
  std::printf("| Measurement | Median | Worst / p99 |\n|---|---|---|\n");
  std::printf("| Start-up: LoadRanges + LoadFlagCodes | %.1f ms | %.1f ms |\n",
              Quantile(total, 0.5), Quantile(total, 1.0));
  std::printf("| of which LoadRanges (read, records, index) | %.1f ms | %.1f ms |\n",
              Quantile(ranges, 0.5), Quantile(ranges, 1.0));
  std::printf("| of which LoadFlagCodes | %.2f ms | %.2f ms |\n", Quantile(flags, 0.5),
              Quantile(flags, 1.0));
  std::printf("| Index build alone (within LoadRanges) | %.1f ms | %.1f ms |\n",
              Quantile(index, 0.5), Quantile(index, 1.0));
  std::printf("| Index build, same records shuffled (general index) | %.1f ms | %.1f ms |\n",
              Quantile(shuffledIndex, 0.5), Quantile(shuffledIndex, 1.0));
  std::printf("| RangeLookup, uniformly random addresses (%.0f%% found) | %.3f us | %.3f us |\n",
              100.0 * static_cast<double>(found) / static_cast<double>(uniform.size()),
              Quantile(uniformUs, 0.5), Quantile(uniformUs, 0.99));
  std::printf("| RangeLookup, addresses inside the table's ranges | %.3f us | %.3f us |\n",
              Quantile(assignedUs, 0.5), Quantile(assignedUs, 0.99));
  std::printf("| Linear scan (what the index replaces), same kind | %.1f us | %.1f us |\n",
              Quantile(linearUs, 0.5), Quantile(linearUs, 0.99));
  std::printf("\n(checksum %ld)\n", sink);
  return 0;
}
