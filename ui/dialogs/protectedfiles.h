// Data files that existed at start but could not be read hold the
// operator's data: the empty lists in memory never replace (nor remove)
// them. The operator is told once per file, in German, when a change would
// have been saved.
#pragma once

#include "core/savedfiles.h"

class QWidget;

namespace zelmora {

// True when Servers.dat is protected (its saves are skipped); the first
// time, the operator is told.
bool ServersFileProtected(QWidget* parent, SavedFiles& files);

// The same for Guids.dat, asked when the GUID list is changed or opened for
// changes.
bool GuidsFileProtected(QWidget* parent, SavedFiles& files);

}  // namespace zelmora
