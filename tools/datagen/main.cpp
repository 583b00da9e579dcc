// zelmora-datagen: writes the data files of the country lookup.
//
//   zelmora-datagen [--geoip FILE] [--flags DIR] [--iso-codes DIR]
//                   [--locale DIR] <outdir>
//     the real data, from Debian's packages: outdir/Ranges.dat from the GeoIP
//     country database (geoip-database, read with libgeoip), reserved and
//     unassigned blocks left out and neighbouring blocks of one country
//     joined; country names in German from iso-codes where it has them, in
//     Windows-1252; outdir/flags/<cc>.bmp from famfamfam-flag-png.
//   zelmora-datagen --sample <outdir>
//     the small sample data of the tests and demos (made-up countries on the
//     loopback and documentation networks).
#include <QCoreApplication>

#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>

#include "core/fileio.h"
#include "countrynames.h"
#include "flagconvert.h"
#include "geoipsource.h"
#include "rangebuilder.h"
#include "sampledata.h"

namespace {

int Usage() {
  std::fprintf(stderr,
               "usage: zelmora-datagen [--geoip FILE] [--flags DIR] [--iso-codes DIR] "
               "[--locale DIR] <outdir>\n"
               "       zelmora-datagen --sample <outdir>\n");
  return 2;
}

int Fail(const std::string& why) {
  std::fprintf(stderr, "zelmora-datagen: %s\n", why.c_str());
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  std::string geoip = "/usr/share/GeoIP/GeoIP.dat";
  std::string flagsDir = "/usr/share/flags/countries/16x11";
  std::string isoDir = "/usr/share/iso-codes/json";
  std::string localeDir = "/usr/share/locale";
  std::string out;
  bool sample = false;
  for (int i = 1; i < argc; ++i) {
    const std::string_view a = argv[i];
    auto value = [&](std::string& into) {
      if (i + 1 >= argc) return false;
      into = argv[++i];
      return true;
    };
    bool ok = true;
    if (a == "--sample") {
      sample = true;
    } else if (a == "--geoip") {
      ok = value(geoip);
    } else if (a == "--flags") {
      ok = value(flagsDir);
    } else if (a == "--iso-codes") {
      ok = value(isoDir);
    } else if (a == "--locale") {
      ok = value(localeDir);
    } else if (a.empty() || a[0] == '-' || !out.empty()) {
      ok = false;
    } else {
      out = std::string(a);
    }
    if (!ok) return Usage();
  }
  if (out.empty()) return Usage();

  namespace fs = std::filesystem;
  std::error_code ec;
  fs::create_directories(fs::path(out) / "flags", ec);
  if (ec) return Fail((fs::path(out) / "flags").string() + ": " + ec.message());

  std::string error;
  if (sample) {
    std::size_t ranges = 0, flags = 0;
    if (!zelmora::datagen::WriteSampleData(out, &error, &ranges, &flags)) return Fail(error);
    std::printf("sample data: %zu ranges and %zu flags written to %s\n", ranges, flags,
                out.c_str());
    return 0;
  }

  // Qt reads the PNG pictures; no window system is needed for that.
  QCoreApplication app(argc, argv);
  const auto blocks = zelmora::datagen::ReadGeoIpBlocks(geoip, &error);
  if (blocks.empty()) return Fail(error);
  zelmora::datagen::CountryNames names;
  if (!names.Load(isoDir, localeDir, &error))
    std::fprintf(stderr, "zelmora-datagen: %s; the database's English names are used\n",
                 error.c_str());
  const auto records = zelmora::datagen::ToRecords(
      zelmora::datagen::MergeBlocks(blocks),
      [&names](const std::string& cc, const std::string& name) { return names.Local(cc, name); });
  error.clear();
  const int flags =
      zelmora::datagen::ConvertFlags(flagsDir, (fs::path(out) / "flags").string(), &error);
  if (flags < 0) return Fail(error);
  if (!zelmora::WriteFileAtomic((fs::path(out) / "Ranges.dat").string(),
                                zelmora::datagen::EncodeTable(records), &error))
    return Fail(error);
  std::printf("%zu ranges (from %zu blocks of %s) and %d flags written to %s\n", records.size(),
              blocks.size(), geoip.c_str(), flags, out.c_str());
  return 0;
}
