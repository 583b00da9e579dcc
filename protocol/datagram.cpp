#include "protocol/datagram.h"

#include "core/commandrules.h"

namespace zelmora {

std::string BuildGetStatus() {
  std::string d(kOobPrefix);
  d += "getstatus";
  return d;
}

std::string BuildRcon(std::string_view password, std::string_view command) {
  if (!PasswordProblem(password).empty()) return std::string();
  if (command.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos)
    return std::string();
  std::string d;
  d.reserve(12 + password.size() + command.size());
  d += kOobPrefix;
  d += "rcon \"";
  d += password;
  d += "\" ";
  d += command;
  return d;
}

}  // namespace zelmora
