#include "ui/dialogs/messages.h"

#include <QMessageBox>
#include <QStringDecoder>
#include <QStringEncoder>

#include <string>

#include "core/settings.h"

namespace zelmora {
namespace {

MessageFunction& CurrentFunction() {
  static MessageFunction fn;
  return fn;
}

bool ShowRealBox(QWidget* parent, MessageKind kind, const QString& title, const QString& text) {
  if (kind == MessageKind::Question) {
    return QMessageBox::question(parent, title, text, QMessageBox::Ok | QMessageBox::Cancel,
                                 QMessageBox::Cancel) == QMessageBox::Ok;
  }
  QMessageBox::information(parent, title, text, QMessageBox::Ok);
  return true;
}

bool Show(QWidget* parent, MessageKind kind, const QString& title, const QString& text) {
  // Copy first: the function may replace itself while it runs.
  const MessageFunction fn = CurrentFunction();
  if (fn) return fn(parent, kind, title, text);
  return ShowRealBox(parent, kind, title, text);
}

}  // namespace

MessageFunction SetMessageFunction(MessageFunction fn) {
  MessageFunction previous = std::move(CurrentFunction());
  CurrentFunction() = std::move(fn);
  return previous;
}

void ShowMessage(QWidget* parent, const QString& text) {
  Show(parent, MessageKind::Plain, QStringLiteral("Zelmora"), text);
}

bool AskOkCancel(QWidget* parent, const QString& text) {
  return Show(parent, MessageKind::Question, QStringLiteral("Frage"), text);
}

void ShowIntegerError(QWidget* parent, std::string_view text) {
  const std::string message = IntegerConversionError(text);  // UTF-8
  ShowMessage(parent, QString::fromUtf8(message.data(), static_cast<qsizetype>(message.size())));
}

QString FromAnsi(std::string_view bytes) {
  QStringDecoder decoder("windows-1252");
  const QByteArray raw(bytes.data(), static_cast<qsizetype>(bytes.size()));
  if (!decoder.isValid()) return QString::fromLatin1(raw);
  return decoder.decode(raw);
}

std::string ToAnsi(const QString& text) {
  QStringEncoder encoder("windows-1252");
  std::string out;
  out.reserve(static_cast<std::size_t>(text.size()));
  if (!encoder.isValid()) {
    for (QChar c : text) out.push_back(c.unicode() < 256 ? static_cast<char>(c.unicode()) : '?');
    return out;
  }
  // Encode per character so that unmappable ones turn into '?' instead of
  // the converter's substitution byte.
  for (qsizetype i = 0; i < text.size();) {
    const qsizetype len = (text.at(i).isHighSurrogate() && i + 1 < text.size()) ? 2 : 1;
    QStringEncoder single("windows-1252");  // fresh: the error flag is sticky
    const QByteArray b = single.encode(QStringView(text).mid(i, len));
    out.push_back(!single.hasError() && b.size() == 1 ? b.at(0) : '?');
    i += len;
  }
  return out;
}

}  // namespace zelmora
