#include "ui/dialogs/textfiles.h"

#include <QDir>
#include <QFile>
#include <QPlainTextEdit>
#include <QTextDocument>

#include <algorithm>

#include "core/fileio.h"
#include "core/paths.h"
#include "core/textlines.h"
#include "ui/dialogs/cp1252.h"

namespace zelmora {

QString EditorTextFromBytes(std::string_view bytes) {
  std::string text;
  text.reserve(bytes.size());
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (bytes[i] == '\r') {
      text.push_back('\n');
      if (i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
    } else {
      text.push_back(bytes[i]);
    }
  }
  return FromCp1252(text);
}

std::string BytesFromEditorText(const QString& text) {
  return CrLfLines(ToCp1252(text));
}

QString EditorText(const QPlainTextEdit* editor) {
  QString text = editor->document()->toRawText();
  for (QChar& c : text) {
    if (c == QChar::ParagraphSeparator || c == QChar::LineSeparator) c = QLatin1Char('\n');
  }
  return text;
}

std::vector<std::string> NonEmptyLines(const QString& editorText) {
  return NonEmptyLineTexts(ToCp1252(editorText));
}

QString ProfileDir() {
  return QFile::decodeName(QByteArray::fromStdString(DataDir())) + QStringLiteral("rconcfg/");
}

QStringList ListProfiles(const QString& dir) {
  QDir d(dir);
  if (!d.exists()) return {};
  QStringList names = d.entryList({QStringLiteral("*.rpf")},
                                  QDir::Files | QDir::Hidden | QDir::System, QDir::NoSort);
  std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
    const int c = QString::compare(a, b, Qt::CaseInsensitive);
    return c != 0 ? c < 0 : a < b;
  });
  return names;
}

bool ReadTextFile(const QString& path, std::string& bytes, QString* error) {
  std::string message;
  bytes.clear();
  if (ReadWholeFile(QFile::encodeName(path).toStdString(), bytes, &message) == ReadResult::kError) {
    if (error) *error = FromMessageBytes(message);
    return false;
  }
  return true;
}

bool WriteTextFile(const QString& path, std::string_view bytes, QString* error) {
  std::string message;
  if (WriteFileAtomic(QFile::encodeName(path).toStdString(), bytes, &message)) return true;
  if (error) *error = FromMessageBytes(message);
  return false;
}

}  // namespace zelmora
