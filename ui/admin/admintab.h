// What the main window tells each administration tab.
//
// The main window keeps the controls and forwards two moments to every tab,
// in page order: a server was selected in the server list, and a page of the
// tab control was brought to the front. A tab does its own part of both and
// nothing else; the steps shared by all tabs (target, status query, the rcon
// notice) stay with the main window.
#pragma once

#include "core/serverrec.h"

namespace zelmora {

class AdminTab {
 public:
  virtual ~AdminTab() = default;

  // A server was selected; e is the selected entry. shown: this tab is the
  // page in front.
  virtual void ServerSelected(const Tserverrec& e, bool shown) {}

  // This tab's page was brought to the front while e is selected.
  virtual void PageShown(const Tserverrec& e) {}

  // No server is selected any more (the selected one was deleted, the list
  // emptied): nothing of one stays shown.
  virtual void ServerGone() {}
};

}  // namespace zelmora
