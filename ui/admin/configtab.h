// "Konfig ausführen": the configuration files in the server's game folder
// and executing one of them.
#pragma once

#include <QObject>

#include <string>
#include <vector>

#include "engine/appstate.h"
#include "engine/queryengine.h"
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
  ConfigTab(AppState& state, QueryEngine& engine, ConfigTabWidgets widgets);

  // The list is emptied on every selection; with this page in front it is
  // requested again.
  void ServerSelected(const Tserverrec& e, bool shown) override;
  void PageShown(const Tserverrec& e) override;

  // Names found by the engine's directory checks (a listing and its
  // continuation datagrams) are appended.
  void ConfigListAppend(const std::vector<std::string>& files);

  void Button22Click();  // "exec <item>" (also the double click)

 private:
  // Empties the list and sends "dir / .cfg" 600 ms later (Timer2).
  void RequestListing(const Tserverrec& e);

  AppState& state_;
  QueryEngine& engine_;
  ConfigTabWidgets w_;
};

}  // namespace zelmora
