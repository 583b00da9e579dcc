// What the session tools share: a data folder of their own holding the
// servers they run against, so a run never touches an operator's files.
#pragma once

#include <QTemporaryDir>

#include <cstdio>
#include <string>

#include "core/paths.h"
#include "core/serverfile.h"

namespace zelmora::bench {

// Points the program's data folder at dir and saves list as its
// Servers.dat; false (with the reason on stderr) when that fails.
inline bool SeedDataDir(const QTemporaryDir& dir, const Tserverlist& list) {
  SetDataDir(dir.path().toStdString() + "/");
  std::string error;
  if (!SaveServers(DataPath("Servers.dat"), list, &error)) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return false;
  }
  return true;
}

}  // namespace zelmora::bench
