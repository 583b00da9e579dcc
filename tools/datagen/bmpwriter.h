// Minimal writer of uncompressed 24-bit BMP files (BITMAPINFOHEADER).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zelmora::datagen {

struct Rgb {
  std::uint8_t r, g, b;
};

// pixels: width*height, row by row from the top. Returns the file image.
std::string EncodeBmp24(int width, int height, const std::vector<Rgb>& pixels);

}  // namespace zelmora::datagen
