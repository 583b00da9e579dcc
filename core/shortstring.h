// Fixed-capacity 8-bit string with a length byte, the string[N] of the data
// files: one length byte followed by N character bytes. Bytes behind the
// current length are kept as they are (leftovers of longer earlier contents)
// because the record files are plain images and must be written back
// unchanged.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace zelmora {

template <std::size_t N>
struct ShortString {
  static_assert(N >= 1 && N <= 255, "length byte holds at most 255");
  static constexpr std::size_t kCapacity = N;
  static constexpr std::size_t kFileSize = N + 1;

  std::uint8_t len = 0;  // always <= N (decoders clamp corrupt values)
  std::array<char, N> data{};

  std::size_t size() const { return std::min<std::size_t>(len, N); }
  bool empty() const { return len == 0; }
  std::string str() const { return std::string(data.data(), size()); }
  std::string_view view() const { return std::string_view(data.data(), size()); }

  // Stores the first N characters of s; bytes behind the new length keep
  // their old values.
  void assign(std::string_view s) {
    const std::size_t n = std::min(s.size(), N);
    std::copy_n(s.data(), n, data.begin());
    len = static_cast<std::uint8_t>(n);
  }
  // Sets the length byte to 0; the character bytes are left as they are.
  void clear() { len = 0; }

  bool operator==(std::string_view s) const { return view() == s; }

  // File image: length byte + N bytes. A length byte above N (corrupt or
  // foreign file) is clamped to N so nothing reads past the field.
  void encode(std::uint8_t* out) const {
    out[0] = static_cast<std::uint8_t>(size());
    std::copy_n(reinterpret_cast<const std::uint8_t*>(data.data()), N, out + 1);
  }
  void decode(const std::uint8_t* in) {
    len = static_cast<std::uint8_t>(std::min<std::size_t>(in[0], N));
    std::copy_n(in + 1, N, reinterpret_cast<std::uint8_t*>(data.data()));
  }
};

}  // namespace zelmora
