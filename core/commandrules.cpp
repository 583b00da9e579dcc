#include "core/commandrules.h"

#include <cstdio>

namespace zelmora {

namespace {

std::string Hex(unsigned char c) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "0x%02X", static_cast<unsigned>(c));
  return buf;
}

bool IsNameChar(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' ||
         c == '.' || c == '/' || c == '-';
}

std::string NotAllowed(unsigned char c, std::string_view where) {
  std::string s = CharacterPhrase(c);
  s += " ist in ";
  s += where;
  s += " nicht erlaubt.";
  return s;
}

}  // namespace

std::string CharacterPhrase(unsigned char c) {
  switch (c) {
    case ' ':
      return "Das Leerzeichen";
    case '"':
      return "Das Anf\xC3\xBChrungszeichen (\")";
    case '\n':
      return "Der Zeilenumbruch (LF)";
    case '\r':
      return "Der Wagenr\xC3\xBC"
             "cklauf (CR)";
    case '\0':
      return "Das Nullzeichen (NUL)";
    case '\t':
      return "Der Tabulator (TAB)";
    case 0xA0:
      return "Das gesch\xC3\xBCtzte Leerzeichen (0xA0)";
    case 0xAD:
      return "Das weiche Trennzeichen (0xAD)";
    default:
      break;
  }
  if (c < 0x20 || c == 0x7F) return "Das Steuerzeichen " + Hex(c);
  if (c >= 0x80 && c < 0xA0) return "Das Zeichen mit dem Code " + Hex(c);
  std::string s = "Das Zeichen \"";
  if (c < 0x80) {
    s.push_back(static_cast<char>(c));
  } else {
    // Windows-1252 matches Unicode from 0xA0 on: two bytes of UTF-8.
    s.push_back(static_cast<char>(0xC0 | (c >> 6)));
    s.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  }
  s += '"';
  return s;
}

std::string NameProblem(std::string_view name) {
  if (name.empty()) return "Der Name ist leer.";
  for (char ch : name) {
    const auto c = static_cast<unsigned char>(ch);
    if (!IsNameChar(c)) return NotAllowed(c, "Namen");
  }
  if (name.size() > kMaxCommandNameLength)
    return "Der Name ist l\xC3\xA4nger als " + std::to_string(kMaxCommandNameLength) + " Zeichen.";
  if (name.find("//") != std::string_view::npos)
    return "Die Zeichenfolge \"//\" ist in Namen nicht erlaubt.";
  return std::string();
}

std::string ValueProblem(std::string_view text) {
  for (char ch : text) {
    const auto c = static_cast<unsigned char>(ch);
    if (c == '"' || c == '\r' || c == '\n' || c == '\0') return NotAllowed(c, "Werten und Texten");
  }
  return std::string();
}

std::string PasswordProblem(std::string_view password) {
  for (char ch : password) {
    const auto c = static_cast<unsigned char>(ch);
    if (c == '"' || c <= ' ') return NotAllowed(c, "Passw\xC3\xB6rtern");
  }
  return std::string();
}

std::string ClientNumberProblem(std::string_view number) {
  if (number.empty()) return "Die Spielernummer ist leer.";
  for (char ch : number) {
    const auto c = static_cast<unsigned char>(ch);
    if (c < '0' || c > '9') return NotAllowed(c, "Spielernummern");
  }
  if (number.size() > kMaxClientNumberLength)
    return "Die Spielernummer hat mehr als " + std::to_string(kMaxClientNumberLength) + " Ziffern.";
  return std::string();
}

}  // namespace zelmora
