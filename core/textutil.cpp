#include "core/textutil.h"

namespace zelmora {

std::string TrimCtl(std::string_view s) {
  auto isCtl = [](char c) { return static_cast<unsigned char>(c) <= 32; };
  std::size_t b = 0;
  std::size_t e = s.size();
  while (b < e && isCtl(s[b])) ++b;
  while (e > b && isCtl(s[e - 1])) --e;
  return std::string(s.substr(b, e - b));
}

std::optional<std::int32_t> ParseInt32(std::string_view s) {
  std::size_t i = 0;
  while (i < s.size() && s[i] == ' ') ++i;
  bool negative = false;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
    negative = s[i] == '-';
    ++i;
  }
  if (i == s.size()) return std::nullopt;
  // 64-bit accumulation; the bound check stops long digit runs early.
  std::int64_t value = 0;
  for (; i < s.size(); ++i) {
    const char c = s[i];
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
    if (value > static_cast<std::int64_t>(INT32_MAX) + 1) return std::nullopt;
  }
  if (negative) value = -value;
  if (value > INT32_MAX || value < INT32_MIN) return std::nullopt;
  return static_cast<std::int32_t>(value);
}

std::int32_t StrToIntDef(std::string_view s, std::int32_t def) {
  const auto v = ParseInt32(s);
  return v ? *v : def;
}

bool IsDecimalNumber(std::string_view s) {
  return ParseInt32(s).has_value();
}

std::string Cut(std::string_view s, std::size_t n) {
  return std::string(s.substr(0, n));
}

std::string LowerAscii(std::string_view s) {
  std::string r(s);
  for (char& c : r)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return r;
}

}  // namespace zelmora
