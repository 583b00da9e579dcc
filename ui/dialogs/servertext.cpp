#include "ui/dialogs/servertext.h"

#include "core/encoding.h"
#include "engine/serversession.h"
#include "ui/dialogs/cp1252.h"

namespace zelmora {

TextEncoding EncodingOfServer(const Tserverrec* e) {
  return e ? EncodingOf(*e) : TextEncoding::Automatic;
}

TextEncoding EncodingOfServer(const ServerSession* session) {
  return EncodingOfServer(session ? session->Entry() : nullptr);
}

bool SpeaksUtf8(const ServerSession* session) {
  const TextEncoding encoding = EncodingOfServer(session);
  if (encoding != TextEncoding::Automatic) return encoding == TextEncoding::Utf8;
  const Tserverrec* e = session ? session->Entry() : nullptr;
  if (!e) return false;
  if (HasUtf8Sequence(e->hostname.view())) return true;
  for (const auto& [name, value] : session->Vars())
    if (HasUtf8Sequence(value)) return true;
  for (const auto& player : session->Players())
    if (HasUtf8Sequence(player[2])) return true;
  return false;
}

QString ServerText(const ServerSession* session, std::string_view bytes) {
  return DecodeGameText(bytes, EncodingOfServer(session));
}

std::string TextForServer(const ServerSession* session, const QString& typed) {
  return EncodeGameText(typed, EncodingOfServer(session), SpeaksUtf8(session));
}

QString WithoutColorCodes(const QString& text) {
  QString out;
  out.reserve(text.size());
  const qsizetype n = text.size();
  // Where the next character (a whole surrogate pair) ends.
  const auto next = [&](qsizetype i) {
    return i + (text[i].isHighSurrogate() && i + 1 < n && text[i + 1].isLowSurrogate() ? 2 : 1);
  };
  for (qsizetype i = 0; i < n;) {
    const qsizetype end = next(i);
    if (text[i] == QLatin1Char('^') && end < n) {
      i = next(end);  // the caret and the character it takes
      continue;
    }
    if (text[i] != QLatin1Char('\r')) out.append(text.mid(i, end - i));
    i = end;
  }
  return out;
}

}  // namespace zelmora
