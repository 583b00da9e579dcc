// libFuzzer target: the command builders against the game console's reading
// of a line (the scripted server's own command buffer and tokeniser). For any
// name and text, every built line is exactly one command with the intended
// words, and its rcon datagram carries the password and the command the
// server finds; or the text was refused, for a reason the rule gives, with a
// message that is well-formed UTF-8.
//
// Input: the first byte is the length of the name, the name follows, the
// rest is the text. The name also serves as client number, the text as
// password.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/fuzzutil.h"
#include "protocol/commands.h"
#include "protocol/datagram.h"
#include "tools/testserver/console.h"

using namespace zelmora;
using zelmora::fuzz::Check;
using zelmora::fuzz::IsMessageText;

namespace {

// The rule stated once more, independently of core/commandrules.cpp.
bool NameOk(std::string_view s) {
  if (s.empty() || s.size() > 64 || s.find("//") != std::string_view::npos) return false;
  for (char c : s) {
    const bool ok = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                    c == '_' || c == '.' || c == '/' || c == '-';
    if (!ok) return false;
  }
  return true;
}

bool ValueOk(std::string_view s) {
  return s.find_first_of(std::string_view("\"\r\n\0", 4)) == std::string_view::npos;
}

bool PasswordOk(std::string_view s) {
  for (char c : s)
    if (c == '"' || static_cast<unsigned char>(c) <= ' ') return false;
  return true;
}

bool ClientOk(std::string_view s) {
  if (s.empty() || s.size() > 3) return false;
  for (char c : s)
    if (c < '0' || c > '9') return false;
  return true;
}

// How ioquake3 finds the command after the password: it skips blanks, the
// password as the characters up to the next blank, and blanks again.
std::string_view CommandByWalk(std::string_view rest) {
  std::size_t i = 0;
  while (i < rest.size() && rest[i] == ' ') ++i;
  while (i < rest.size() && rest[i] != ' ') ++i;
  while (i < rest.size() && rest[i] == ' ') ++i;
  return rest.substr(i);
}

void CheckDatagram(std::string_view password, const std::string& line) {
  const std::string d = BuildRcon(password, line);
  Check(d.size() == 12 + password.size() + line.size());
  const std::string_view text = std::string_view(d).substr(4);
  // The server reads all of it as one request line.
  Check(testing::RequestLine(text) == text);
  Check(text.substr(0, 4) == "rcon");
  std::string gotPassword, gotCommand;
  testing::SplitRcon(text.substr(4), gotPassword, gotCommand);
  Check(gotPassword == password);
  Check(gotCommand == line);
  Check(CommandByWalk(text.substr(4)) == line);
}

void CheckBuilt(const BuiltCommand& c, bool expectOk, const std::vector<std::string>& words,
                std::string_view password) {
  Check(c.ok() == expectOk);
  if (!c.ok()) {
    Check(c.line.empty());
    Check(IsMessageText(c.problem));
    return;
  }
  // One command: neither a ";" outside quotes nor a line break cuts it.
  const std::vector<std::string> commands = testing::SplitCommandLine(c.line);
  Check(commands.size() == 1 && commands[0] == c.line);
  Check(testing::TokenizeCommand(c.line) == words);
  CheckDatagram(password, c.line);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::string_view input(reinterpret_cast<const char*>(data) + 1, size - 1);
  const std::string name(input.substr(0, data[0]));
  const std::string text(input.substr(name.size()));
  const bool nameOk = NameOk(name), valueOk = ValueOk(text), clientOk = ClientOk(name);
  const bool passwordOk = PasswordOk(text);
  const std::string_view password = passwordOk ? std::string_view(text) : "pw";

  CheckBuilt(BuildSay(text), valueOk, {"say", text}, password);
  CheckBuilt(BuildTell(name, text), clientOk && valueOk, {"tell", name, text}, password);
  CheckBuilt(BuildClientKick(name), clientOk, {"clientkick", name}, password);
  CheckBuilt(BuildBanClient(name), clientOk, {"banclient", name}, password);
  CheckBuilt(BuildTempBanClient(name), clientOk, {"tempbanclient", name}, password);
  CheckBuilt(BuildMap(name), nameOk, {"map", name}, password);
  CheckBuilt(BuildExec(name), nameOk, {"exec", name}, password);
  CheckBuilt(BuildReadVar(name), nameOk, {name}, password);
  CheckBuilt(BuildSetVar(name, text), nameOk && valueOk, {"set", name, text}, password);
  CheckBuilt(BuildSetJoinPassword(text), passwordOk, {"g_password", text}, password);
  CheckBuilt(BuildSetGametype(name), nameOk, {"set", "g_gametype", name}, password);

  // No datagram at all for a password the server could misread, nor for a
  // command that holds a line end.
  Check(BuildRcon(text, "status").empty() == !passwordOk);
  Check(BuildRcon("pw", text).empty() ==
        (text.find_first_of(std::string_view("\r\n\0", 3)) != std::string::npos));
  for (const std::string* s : {&name, &text}) {
    Check(IsMessageText(NameProblem(*s)) && IsMessageText(ValueProblem(*s)) &&
          IsMessageText(PasswordProblem(*s)) && IsMessageText(ClientNumberProblem(*s)));
  }
  return 0;
}
