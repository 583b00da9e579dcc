#include "protocol/datagram.h"

namespace zelmora {

std::string BuildGetStatus() {
  std::string d(kOobPrefix);
  d += "getstatus";
  return d;
}

std::string BuildRcon(std::string_view password, std::string_view command) {
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
