// Writes a Servers.dat listing the given servers, for the demo data folder.
//   zelmora-mkdemo <Servers.dat> host:port[:rconpassword] ...
#include <cstdio>
#include <string>

#include "core/serverfile.h"

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s <Servers.dat> host:port[:rconpassword] ...\n", argv[0]);
    return 2;
  }
  zelmora::Tserverlist list;
  for (int i = 2; i < argc; ++i) {
    const std::string arg = argv[i];
    const auto c1 = arg.find(':');
    if (c1 == std::string::npos) {
      std::fprintf(stderr, "not host:port: %s\n", argv[i]);
      return 2;
    }
    const auto c2 = arg.find(':', c1 + 1);
    zelmora::Tserverrec rec;
    rec.host.assign(arg.substr(0, c1));
    rec.port.assign(arg.substr(c1 + 1, c2 == std::string::npos ? std::string::npos : c2 - c1 - 1));
    if (c2 != std::string::npos) rec.rconpass.assign(arg.substr(c2 + 1));
    list.push_back(rec);
  }
  std::string err;
  if (!zelmora::SaveServers(argv[1], list, &err)) {
    std::fprintf(stderr, "cannot write %s: %s\n", argv[1], err.c_str());
    return 1;
  }
  return 0;
}
