#include "mocatalog.h"

#include <cstdint>
#include <optional>

namespace zelmora::datagen {

std::map<std::string, std::string> ParseMoCatalog(std::string_view bytes) {
  constexpr std::uint32_t kMagic = 0x950412de;
  if (bytes.size() < 20) return {};
  auto u32 = [&](std::size_t off, bool little) -> std::optional<std::uint32_t> {
    if (off > bytes.size() || bytes.size() - off < 4) return std::nullopt;
    std::uint32_t v = 0;
    for (int i = 0; i < 4; ++i) {
      const auto b =
          static_cast<std::uint8_t>(bytes[off + static_cast<std::size_t>(little ? 3 - i : i)]);
      v = (v << 8) | b;
    }
    return v;
  };
  bool little = true;
  if (u32(0, true) != kMagic) {
    little = false;
    if (u32(0, false) != kMagic) return {};
  }
  const auto count = u32(8, little), originals = u32(12, little), translations = u32(16, little);
  if (!count || !originals || !translations) return {};
  // A string of the catalogue: length and offset from its table entry.
  auto text = [&](std::uint32_t table, std::uint32_t i) -> std::optional<std::string_view> {
    const std::size_t entry = std::size_t(table) + std::size_t(i) * 8;
    const auto len = u32(entry, little), off = u32(entry + 4, little);
    if (!len || !off || *off > bytes.size() || bytes.size() - *off < *len) return std::nullopt;
    return bytes.substr(*off, *len);
  };
  std::map<std::string, std::string> out;
  for (std::uint32_t i = 0; i < *count; ++i) {
    const auto o = text(*originals, i), t = text(*translations, i);
    if (!o || !t) return {};
    if (o->empty()) continue;  // header
    out.emplace(std::string(*o), std::string(*t));
  }
  return out;
}

}  // namespace zelmora::datagen
