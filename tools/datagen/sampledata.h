// The small sample data of the tests and demos: a Ranges.dat of the
// loopback network and the documentation networks 192.0.2.0/24,
// 198.51.100.0/24 and 203.0.113.0/24 (RFC 5737), split up and labelled with
// made-up countries, and simple stripe drawings as flags. NOT a geo database.
#pragma once

#include <cstddef>
#include <string>

namespace zelmora::datagen {

// Writes outDir/Ranges.dat and outDir/flags/*.bmp (the folders must exist).
// False with *error set when a file cannot be written.
bool WriteSampleData(const std::string& outDir, std::string* error, std::size_t* rangeCount,
                     std::size_t* flagCount);

}  // namespace zelmora::datagen
