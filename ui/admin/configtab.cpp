#include "ui/admin/configtab.h"

#include <QListWidget>
#include <QPushButton>

#include "protocol/commands.h"
#include "ui/admin/admincommon.h"
#include "ui/admin/operatorcommand.h"
#include "ui/dialogs/cp1252.h"

namespace zelmora {

ConfigTab::ConfigTab(AppState& state, QueryEngine& engine, ConfigTabWidgets widgets)
    : state_(state), engine_(engine), w_(widgets) {
  connect(w_.Button22, &QPushButton::clicked, this, [this] { Button22Click(); });
  connect(w_.ListBox3, &QListWidget::itemDoubleClicked, this, [this] { Button22Click(); });
}

void ConfigTab::ServerSelected(const Tserverrec& e, bool shown) {
  w_.ListBox3->clear();
  if (shown && !e.rconpass.empty()) RequestListing(e);
}

void ConfigTab::PageShown(const Tserverrec& e) {
  if (!e.rconpass.empty()) RequestListing(e);
}

void ConfigTab::RequestListing(const Tserverrec& e) {
  w_.ListBox3->clear();
  engine_.Timer2().SetEnabled(false);
  state_.deferredCommand = CmdDirCfg();
  state_.deferredServer = e.uid;
  engine_.Timer2().SetEnabled(true);
}

void ConfigTab::ConfigListAppend(const std::vector<std::string>& files) {
  for (const std::string& f : files) w_.ListBox3->addItem(FromCp1252(f));
}

void ConfigTab::Button22Click() {
  const auto item = SelectedItemText(w_.ListBox3);
  if (!item || !UsableServer(state_)) return;
  SendOperatorCommand(w_.ListBox3, engine_, CmdExec(*item));
}

}  // namespace zelmora
