#include "geoipsource.h"

#include <GeoIP.h>

#include <cstdint>
#include <memory>

namespace zelmora::datagen {

std::vector<GeoBlock> ReadGeoIpBlocks(const std::string& path, std::string* error) {
  auto fail = [&](const std::string& why) {
    if (error) *error = path + ": " + why;
    return std::vector<GeoBlock>{};
  };
  std::unique_ptr<GeoIP, decltype(&GeoIP_delete)> gi(
      GeoIP_open(path.c_str(), GEOIP_MEMORY_CACHE | GEOIP_SILENCE), &GeoIP_delete);
  if (!gi) return fail("cannot open the GeoIP database");
  if (GeoIP_database_edition(gi.get()) != GEOIP_COUNTRY_EDITION)
    return fail("not a GeoIP country database (IPv4)");

  const unsigned countries = GeoIP_num_countries();
  std::vector<GeoBlock> blocks;
  constexpr std::int64_t kEnd = std::int64_t(1) << 32;
  std::int64_t ip = 0;
  while (ip < kEnd) {
    // Every lookup reports the netmask of the block the address lies in, so
    // the walk goes from block to block. libgeoip answers 0.0.0.0 with "no
    // country" and no netmask; 0.0.0.1 lies in the same block unless that is
    // a single address.
    GeoIPLookup gl{};
    const std::int64_t probe = ip == 0 ? 1 : ip;
    const int id = GeoIP_id_by_ipnum_gl(gi.get(), static_cast<unsigned long>(probe), &gl);
    if (gl.netmask < 1 || gl.netmask > 32) return fail("damaged database (netmask)");
    const std::int64_t size = std::int64_t(1) << (32 - gl.netmask);
    const std::int64_t first = probe & ~(size - 1);
    GeoBlock b;
    if (first != ip) {  // an address the walk cannot place: taken as unassigned
      b.first = b.last = ip;
      b.cc = "--";
      b.name = "N/A";
    } else {
      b.first = first;
      b.last = first + size - 1;
      if (id < 0 || static_cast<unsigned>(id) >= countries) return fail("damaged database (id)");
      b.cc = GeoIP_code_by_id(id);
      b.name = GeoIP_utf8_country_name[id] ? GeoIP_utf8_country_name[id] : "";
    }
    ip = b.last + 1;
    blocks.push_back(std::move(b));
  }
  return blocks;
}

}  // namespace zelmora::datagen
