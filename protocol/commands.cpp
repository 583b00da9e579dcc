#include "protocol/commands.h"

namespace zelmora {

namespace {
std::string Join(std::string_view a, std::string_view b) {
  std::string s;
  s.reserve(a.size() + b.size());
  s += a;
  s += b;
  return s;
}

BuiltCommand Refused(std::string problem) {
  return BuiltCommand{std::string(), std::move(problem)};
}

// verb + " " + word, the word checked by rule.
BuiltCommand VerbAndWord(std::string_view verb, std::string_view word,
                         std::string (*rule)(std::string_view)) {
  std::string problem = rule(word);
  if (!problem.empty()) return Refused(std::move(problem));
  std::string line = Join(verb, " ");
  line += word;
  return BuiltCommand{std::move(line), std::string()};
}

// head + " \"" + text + "\"", the text checked by rule.
BuiltCommand Quoted(std::string head, std::string_view text,
                    std::string (*rule)(std::string_view)) {
  std::string problem = rule(text);
  if (!problem.empty()) return Refused(std::move(problem));
  head.reserve(head.size() + text.size() + 3);
  head += " \"";
  head += text;
  head += '"';
  return BuiltCommand{std::move(head), std::string()};
}

}  // namespace

BuiltCommand BuildSay(std::string_view text) {
  return Quoted("say", text, ValueProblem);
}

BuiltCommand BuildTell(std::string_view clientNumber, std::string_view text) {
  if (std::string problem = ClientNumberProblem(clientNumber); !problem.empty())
    return Refused(std::move(problem));
  return Quoted(Join("tell ", clientNumber), text, ValueProblem);
}

BuiltCommand BuildClientKick(std::string_view clientNumber) {
  return VerbAndWord("clientkick", clientNumber, ClientNumberProblem);
}

BuiltCommand BuildBanClient(std::string_view clientNumber) {
  return VerbAndWord("banclient", clientNumber, ClientNumberProblem);
}

BuiltCommand BuildTempBanClient(std::string_view clientNumber) {
  return VerbAndWord("tempbanclient", clientNumber, ClientNumberProblem);
}

BuiltCommand BuildMap(std::string_view mapName) {
  return VerbAndWord("map", mapName, NameProblem);
}

BuiltCommand BuildExec(std::string_view fileName) {
  return VerbAndWord("exec", fileName, NameProblem);
}

BuiltCommand BuildReadVar(std::string_view name) {
  if (std::string problem = NameProblem(name); !problem.empty()) return Refused(std::move(problem));
  return BuiltCommand{std::string(name), std::string()};
}

BuiltCommand BuildSetVar(std::string_view name, std::string_view value) {
  if (std::string problem = NameProblem(name); !problem.empty()) return Refused(std::move(problem));
  return Quoted(Join("set ", name), value, ValueProblem);
}

BuiltCommand BuildSetJoinPassword(std::string_view password) {
  return Quoted("g_password", password, PasswordProblem);
}

BuiltCommand BuildSetGametype(std::string_view gametype) {
  return VerbAndWord("set g_gametype", gametype, NameProblem);
}

std::string CmdStatus() {
  return "status";
}

std::string CmdDirMaps(std::uint8_t protocol) {
  switch (protocol) {
    case 5:
    case 6:
    case 21:
    case 22:
      return "dir maps/mp .bsp";
    case 115:
    case 117:
    case 118:
      return "dir maps/mp d3dbsp";
    default:
      return std::string();
  }
}

std::string CmdDirCfg() {
  return "dir / .cfg";
}
std::string CmdFastRestart() {
  return "fast_restart";
}
std::string CmdMapRestart() {
  return "map_restart";
}
std::string CmdMapRotate() {
  return "map_rotate";
}
std::string CmdClearJoinPassword() {
  return "g_password \"\"";
}
std::string CmdReadGametype() {
  return "g_gametype";
}
std::string CmdClearTempBans() {
  return "set g_banIPs \"\"";
}
}  // namespace zelmora
