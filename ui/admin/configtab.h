// "Konfig ausführen": the configuration files in the server's game folder
// and executing one of them.
#pragma once

#include <QObject>

#include <string>
#include <vector>

#include "engine/queryengine.h"
#include "ui/admin/admincommon.h"
#include "ui/admin/admintab.h"

class QListWidget;
class QPushButton;

namespace zelmora {

struct ConfigTabWidgets {
  QListWidget* ListBox3 = nullptr;  // *.cfg files as listed
  QPushButton* Button22 = nullptr;  // "Ausführen"
};

class ConfigTab : public QObject, public AdminTab {
 public:
  ConfigTab(QueryEngine& engine, ConfigTabWidgets widgets);

  // The list shows the selected server's listing as it last came; with this
  // page in front it is requested again.
  void ServerSelected(const Tserverrec& e, bool shown) override;
  void ServerGone() override;
  void PageShown(const Tserverrec& e) override;

  // The selected server's configuration files.
  void ConfigListShow(const Listing& listing);

  void Button22Click();  // "exec <item>" (also the double click)

 private:
  // Empties the list and sends "dir / .cfg" 600 ms later.
  void RequestListing(const Tserverrec& e);

  QueryEngine& engine_;
  ConfigTabWidgets w_;
  FollowedSession session_;
};

}  // namespace zelmora
