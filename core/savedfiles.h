// The operator's two record files of a run, Servers.dat and Guids.dat, and
// the GUID list itself.
//
// A file that existed at start but could not be read holds the operator's
// data: the empty list in memory must never replace (nor remove) it. Such a
// file stays protected for the run; whoever would have saved it asks
// TellOnce whether to tell the operator (true the first time only).
#pragma once

#include <string>

#include "core/guidlist.h"
#include "core/serverrec.h"

namespace zelmora {

class SavedFiles {
 public:
  // folder: the data folder, with its trailing separator.
  explicit SavedFiles(std::string folder = {}) : folder_(std::move(folder)) {}

  std::string ServersPath() const { return folder_ + "Servers.dat"; }
  std::string GuidsPath() const { return folder_ + "Guids.dat"; }

  // Reads Servers.dat into out (a missing file: an empty list). On a read
  // error out stays as it is, the file becomes protected and *error says why.
  bool LoadServers(Tserverlist& out, std::string* error);
  // Writes the list unless the file is protected (false, nothing written).
  bool SaveServers(const Tserverlist& list, std::string* error);
  bool ServersProtected() const { return serversUnreadable_; }
  // Removes Servers.dat (a protected one stays); failures are not told.
  void RemoveServers();

  bool LoadGuids(std::string* error);
  bool SaveGuids(std::string* error);
  bool GuidsProtected() const { return guidsUnreadable_; }

  Tguidlist& Guids() { return guids_; }
  const Tguidlist& Guids() const { return guids_; }

  enum class File { Servers, Guids };
  // True the first time a protected file is met: the operator is told then.
  bool TellOnce(File file);

 private:
  std::string folder_;
  Tguidlist guids_;
  bool serversUnreadable_ = false;
  bool serversTold_ = false;
  bool guidsUnreadable_ = false;
  bool guidsTold_ = false;
};

}  // namespace zelmora
