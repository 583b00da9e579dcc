#include "history/normalize.h"

#include <cstdint>

#include "core/textutil.h"
#include "protocol/colorcodes.h"

namespace zelmora {

namespace {

// Code points of Windows-1252's bytes 0x80 to 0x9F; the five bytes it leaves
// undefined keep their Latin-1 control code point so that every byte maps
// to some character and no two bytes map to the same one.
constexpr char32_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

char32_t FoldedCodePoint(unsigned char b) {
  if (b < 0x80) return (b >= 'A' && b <= 'Z') ? b + 32 : b;
  if (b < 0xA0) {
    const char32_t c = kCp1252High[b - 0x80];
    switch (c) {
      case 0x0160:  // Š
      case 0x0152:  // Œ
      case 0x017D:  // Ž
        return c + 1;
      case 0x0178:  // Ÿ
        return 0x00FF;
      default:
        return c;
    }
  }
  // Latin-1 capitals À..Þ except the multiplication sign.
  if (b >= 0xC0 && b <= 0xDE && b != 0xD7) return b + 32;
  return b;
}

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

// Bytes of the UTF-8 character starting at text[i] (1 for a stray byte).
std::size_t CharLength(std::string_view text, std::size_t i) {
  const auto b = static_cast<unsigned char>(text[i]);
  std::size_t n = b < 0xC0 ? 1 : b < 0xE0 ? 2 : b < 0xF0 ? 3 : 4;
  std::size_t k = 1;
  while (k < n && i + k < text.size() && (static_cast<unsigned char>(text[i + k]) & 0xC0) == 0x80)
    ++k;
  return k;
}

}  // namespace

std::string NormalizeName(std::string_view raw) {
  const std::string plain = StripColorCodes(raw);
  std::string out;
  out.reserve(plain.size() + 8);
  for (const char ch : plain) {
    const auto b = static_cast<unsigned char>(ch);
    if (b < 0x20 || b == 0x7F) continue;
    AppendUtf8(out, FoldedCodePoint(b));
  }
  return out;
}

bool GlobMatch(std::string_view pattern, std::string_view text) {
  // Iterative matching with one remembered star: linear in practice and
  // never worse than pattern length times text length.
  std::size_t p = 0, t = 0;
  std::size_t starP = std::string_view::npos, starT = 0;
  while (t < text.size()) {
    if (p < pattern.size() && pattern[p] == '*') {
      starP = ++p;
      starT = t;
    } else if (p < pattern.size() && pattern[p] == '?') {
      ++p;
      t += CharLength(text, t);
    } else if (p < pattern.size() && pattern[p] == text[t]) {
      ++p;
      ++t;
    } else if (starP != std::string_view::npos) {
      p = starP;
      starT += CharLength(text, starT);
      t = starT;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

bool IsPlayerGuid(std::string_view guid) {
  return !guid.empty() && guid != "0";
}

SeenPlayer PlayerFromStatusRow(const Tstatusrow& row) {
  SeenPlayer p;
  p.name = Cut(row[1], kMaxNameBytes);
  p.guid = Cut(TrimCtl(row[3]), kMaxGuidBytes);
  if (!IsPlayerGuid(p.guid)) p.guid.clear();
  p.address = Cut(AddressIp(row[6]), kMaxAddressBytes);
  return p;
}

}  // namespace zelmora
