// Reads the address blocks of a GeoIP country database (Debian's
// geoip-database, /usr/share/GeoIP/GeoIP.dat) with libgeoip.
#pragma once

#include <string>
#include <vector>

#include "rangebuilder.h"

namespace zelmora::datagen {

// Every block of the IPv4 space in ascending order, the unassigned ones
// included (code "--"). Empty with *error set when the file cannot be opened
// or is not a country database.
std::vector<GeoBlock> ReadGeoIpBlocks(const std::string& path, std::string* error);

}  // namespace zelmora::datagen
