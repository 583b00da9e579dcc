// The program without a window, for the shell and for cron:
//
//   zelmora --send "say Server startet neu" --servers NAME-OR-ADDRESS[,...]
//   zelmora --send "map_restart" --all
//   zelmora --query ADDRESS[:PORT]
//
// --send goes through the same engine as the window (each server's own
// line, pause, flood spacing and request budget; engine/rconbatch.h) to the
// servers of the data folder's Servers.dat, which is only read, and prints
// one line per server with its state. --query asks one server for its
// status and prints it. --json prints one JSON object per line instead.
//
// A QCoreApplication is enough (no display); the data folder's lock is not
// taken, so this runs beside an open window of the same folder.
//
// Exit status: 0 when every server carried the command out (or the queried
// server answered), 1 when one did not, 2 for a server name that is not in
// the list (nothing is sent then).
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "app/commandline.h"
#include "core/datafolder.h"
#include "core/serverrec.h"

namespace zelmora {

// The data folders, chosen as the window chooses them (beside the
// executable, or installed in the user's data folder). A QCoreApplication
// must exist.
DataFolders AppDataFolders();

// The entries that NAME-OR-ADDRESS items name, in list order, each once:
// "host:port" names the entry with that address and port, "host" every
// entry with that address, anything else every entry whose name (without
// colour codes, read in its encoding) is that text, in any case. The items
// that name no entry go to *unknown.
std::vector<std::size_t> PickServers(const Tserverlist& list, const std::vector<std::string>& items,
                                     std::vector<std::string>* unknown);

// Runs --send or --query of line; out gets the result, err the refusals.
// Creates its own QCoreApplication from argc and argv.
int RunShellForm(int argc, char** argv, const CommandLine& line, std::ostream& out,
                 std::ostream& err);

}  // namespace zelmora
