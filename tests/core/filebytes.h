// Whole-file byte access for the config.ini tests.
#pragma once

#include <QFile>
#include <QString>
#include <QTest>

#include <string>

namespace zelmora::testing {

// The file's bytes, or "<missing>" when it cannot be opened.
inline std::string ReadAll(const QString& path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return "<missing>";
  const QByteArray b = f.readAll();
  return std::string(b.constData(), static_cast<std::size_t>(b.size()));
}

inline void WriteAll(const QString& path, const std::string& bytes) {
  QFile f(path);
  QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
  QCOMPARE(f.write(bytes.data(), static_cast<qint64>(bytes.size())),
           static_cast<qint64>(bytes.size()));
}

}  // namespace zelmora::testing
