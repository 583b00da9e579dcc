// Entries and test game servers for tests of several servers at once (the
// window and the shell forms): named servers with their rcon passwords on
// loopback, each entry with its encoding.
#pragma once

#include <cstdint>
#include <string>

#include "core/serverencoding.h"
#include "core/serverrec.h"
#include "tools/testserver/testserver.h"

namespace zelmora::testing {

inline Tserverrec Entry(std::uint16_t port, const std::string& name, const std::string& rcon,
                        TextEncoding encoding = TextEncoding::Automatic) {
  Tserverrec e;
  e.host.assign("127.0.0.1");
  e.port.assign(std::to_string(port));
  e.hostname.assign(name);
  e.rconpass.assign(rcon);
  SetEncoding(e, encoding);
  return e;
}

inline TestServerConfig Server(const std::string& pw, const std::string& name) {
  TestServerConfig c;
  c.rconPassword = pw;
  SetVar(c.vars, "sv_hostname", name);
  return c;
}

}  // namespace zelmora::testing
