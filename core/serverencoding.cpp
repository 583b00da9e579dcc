#include "core/serverencoding.h"

#include <vector>

#include "core/encoding.h"

namespace zelmora {

namespace {

constexpr std::string_view kUtf8Item = "enc=utf8";
constexpr std::string_view kCp1252Item = "enc=cp1252";
constexpr std::string_view kItemPrefix = "enc=";

// The items of the field, empty ones included, so that joining them with
// ";" gives the field back.
std::vector<std::string_view> Items(std::string_view field) {
  std::vector<std::string_view> items;
  if (field.empty()) return items;
  for (;;) {
    const std::size_t semi = field.find(';');
    items.push_back(field.substr(0, semi));
    if (semi == std::string_view::npos) break;
    field.remove_prefix(semi + 1);
  }
  return items;
}

}  // namespace

std::string_view EncodingItem(TextEncoding encoding) {
  switch (encoding) {
    case TextEncoding::Utf8:
      return kUtf8Item;
    case TextEncoding::Cp1252:
      return kCp1252Item;
    case TextEncoding::Automatic:
      break;
  }
  return {};
}

TextEncoding EncodingOf(const Tserverrec& e) {
  for (std::string_view item : Items(e.spare.view())) {
    if (item == kUtf8Item) return TextEncoding::Utf8;
    if (item == kCp1252Item) return TextEncoding::Cp1252;
  }
  return TextEncoding::Automatic;
}

void SetEncoding(Tserverrec& e, TextEncoding encoding) {
  std::string field;
  bool first = true;
  for (std::string_view item : Items(e.spare.view())) {
    if (item.substr(0, kItemPrefix.size()) == kItemPrefix) continue;
    if (!first) field += ';';
    field += item;
    first = false;
  }
  const std::string_view own = EncodingItem(encoding);
  if (!own.empty()) {
    if (field.size() + 1 + own.size() > Str250::kCapacity) first = true;
    if (first) field.clear();
    if (!first) field += ';';
    field += own;
  }
  // Only the length and the bytes of the new text change; what lies behind
  // them in the image stays as it was.
  e.spare.assign(field);
}

bool ReadsAsUtf8(std::string_view bytes, TextEncoding encoding) {
  switch (encoding) {
    case TextEncoding::Utf8:
      return true;
    case TextEncoding::Cp1252:
      return false;
    case TextEncoding::Automatic:
      break;
  }
  return HasUtf8Sequence(bytes);
}

std::string GameTextToUtf8(std::string_view bytes, TextEncoding encoding) {
  return ReadsAsUtf8(bytes, encoding) ? Utf8Sanitized(bytes) : Cp1252ToUtf8(bytes);
}

bool FitsCp1252(std::string_view utf8) {
  if (!IsValidUtf8(utf8)) return false;
  // Round trip: what comes back unchanged was expressible ('?' included).
  return Cp1252ToUtf8(Utf8ToCp1252(utf8)) == utf8;
}

std::string Utf8ToGameText(std::string_view utf8, TextEncoding encoding, bool serverSpeaksUtf8) {
  switch (encoding) {
    case TextEncoding::Utf8:
      return Utf8Sanitized(utf8);
    case TextEncoding::Cp1252:
      return Utf8ToCp1252(utf8);
    case TextEncoding::Automatic:
      break;
  }
  if (serverSpeaksUtf8 || !FitsCp1252(utf8)) return Utf8Sanitized(utf8);
  return Utf8ToCp1252(utf8);
}

}  // namespace zelmora
