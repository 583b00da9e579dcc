// Byte-string helpers for the protocol tests: comparisons go through
// QByteArray so a failure prints the bytes.
#pragma once

#include <QByteArray>
#include <QList>
#include <string>
#include <string_view>
#include <vector>

namespace zelmora::test {

inline QByteArray B(std::string_view s) {
  return QByteArray(s.data(), qsizetype(s.size()));
}

inline std::string S(const QByteArray& b) {
  return std::string(b.constData(), size_t(b.size()));
}

inline QList<QByteArray> BL(const std::vector<std::string>& v) {
  QList<QByteArray> out;
  for (const auto& s : v) out.append(B(s));
  return out;
}

// The four 0xFF bytes every out-of-band datagram starts with.
inline std::string Oob(std::string_view text) {
  std::string d("\xff\xff\xff\xff", 4);
  d += text;
  return d;
}

}  // namespace zelmora::test
