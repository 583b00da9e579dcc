#include "flagconvert.h"

#include <QColor>
#include <QImage>

#include <algorithm>
#include <filesystem>
#include <vector>

#include "bmpwriter.h"
#include "core/fileio.h"

namespace zelmora::datagen {

std::string FlagFileFor(const std::string& pngStem) {
  if (pngStem == "europeanunion") return "eu.bmp";
  if (pngStem.size() == 2 &&
      std::all_of(pngStem.begin(), pngStem.end(), [](char c) { return c >= 'a' && c <= 'z'; }))
    return pngStem + ".bmp";
  return "";
}

int ConvertFlags(const std::string& pngDir, const std::string& outDir, std::string* error) {
  namespace fs = std::filesystem;
  std::error_code ec;
  std::vector<fs::path> pngs;
  for (fs::directory_iterator it(pngDir, ec), end; !ec && it != end; it.increment(ec))
    if (it->path().extension() == ".png") pngs.push_back(it->path());
  if (ec) {
    if (error) *error = pngDir + ": " + ec.message();
    return -1;
  }
  std::sort(pngs.begin(), pngs.end());
  int written = 0;
  for (const fs::path& png : pngs) {
    const std::string name = FlagFileFor(png.stem().string());
    if (name.empty()) continue;
    QImage picture;
    if (!picture.load(QString::fromStdString(png.string()), "PNG")) {
      if (error) *error = png.string() + ": cannot read the picture";
      return -1;
    }
    const QImage argb = picture.convertToFormat(QImage::Format_ARGB32);
    const int w = std::min(argb.width(), 16), h = std::min(argb.height(), 16);
    std::vector<Rgb> pixels;
    pixels.reserve(static_cast<std::size_t>(w * h));
    auto overWhite = [](int c, int a) {
      return static_cast<std::uint8_t>((c * a + 255 * (255 - a) + 127) / 255);
    };
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) {
        const QRgb c = argb.pixel(x, y);
        const int a = qAlpha(c);
        pixels.push_back(
            Rgb{overWhite(qRed(c), a), overWhite(qGreen(c), a), overWhite(qBlue(c), a)});
      }
    }
    if (!WriteFileAtomic((fs::path(outDir) / name).string(), EncodeBmp24(w, h, pixels), error))
      return -1;
    ++written;
  }
  return written;
}

}  // namespace zelmora::datagen
