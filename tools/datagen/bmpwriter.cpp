#include "bmpwriter.h"

#include "core/lebytes.h"

namespace zelmora::datagen {

std::string EncodeBmp24(int width, int height, const std::vector<Rgb>& pixels) {
  const std::uint32_t rowSize = (static_cast<std::uint32_t>(width) * 3 + 3) & ~3u;
  const std::uint32_t dataSize = rowSize * static_cast<std::uint32_t>(height);
  const std::uint32_t headerSize = 14 + 40;
  std::string out(headerSize + dataSize, '\0');
  auto* p = reinterpret_cast<std::uint8_t*>(out.data());
  p[0] = 'B';
  p[1] = 'M';
  PutU32(p + 2, headerSize + dataSize);  // file size
  PutU32(p + 10, headerSize);            // offset of the pixels
  PutU32(p + 14, 40);                    // BITMAPINFOHEADER
  PutI32(p + 18, width);
  PutI32(p + 22, height);  // positive: rows stored bottom-up
  p[26] = 1;               // planes
  p[28] = 24;              // bits per pixel
  PutU32(p + 34, dataSize);
  PutI32(p + 38, 2835);  // 72 dpi
  PutI32(p + 42, 2835);
  for (int y = 0; y < height; ++y) {
    std::uint8_t* row = p + headerSize + rowSize * static_cast<std::uint32_t>(height - 1 - y);
    for (int x = 0; x < width; ++x) {
      const Rgb& c = pixels[static_cast<std::size_t>(y * width + x)];
      row[x * 3] = c.b;
      row[x * 3 + 1] = c.g;
      row[x * 3 + 2] = c.r;
    }
  }
  return out;
}

}  // namespace zelmora::datagen
