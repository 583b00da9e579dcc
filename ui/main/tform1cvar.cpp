// The main window's part in the administration of server variables: it
// creates the cvar queue and the tabs that use it ("Waffen/Fahrzeuge",
// "Spielmodus", "Spielmodus-Einstellungen", "Sonstiges") and hands them their
// pages.
#include <QAction>
#include <QTabWidget>

#include "ui/admin/customvarstab.h"
#include "ui/admin/gamesettingstab.h"
#include "ui/admin/gametypetab.h"
#include "ui/admin/varqueue.h"
#include "ui/admin/weaponstab.h"
#include "ui/dialogs/textfiles.h"
#include "ui/dialogs/tform5.h"
#include "ui/dialogs/tform6.h"
#include "ui/main/tform1.h"
#include "ui_tform1.h"

namespace zelmora {

void TForm1::SetUpCvarTabs() {
  varQueue_ = std::make_unique<VarQueue>(*engine_, this);
  weaponsTab_ = std::make_unique<WeaponsTab>(*varQueue_, ui->TabSheet4);
  gameTypeTab_ = std::make_unique<GameTypeTab>(*varQueue_, ui->TabSheet5);
  gameSettingsTab_ = std::make_unique<GameSettingsTab>(*varQueue_, ui->PageControl2);
  customVarsTab_ = std::make_unique<CustomVarsTab>(*varQueue_, ui->TabSheet7, ProfileDir());
  const auto pageOf = [this](QWidget* sheet) { return ui->PageControl1->indexOf(sheet); };
  adminTabs_.push_back({pageOf(ui->TabSheet4), weaponsTab_.get()});
  adminTabs_.push_back({pageOf(ui->TabSheet5), gameTypeTab_.get()});
  adminTabs_.push_back({pageOf(ui->TabSheet6), gameSettingsTab_.get()});
  adminTabs_.push_back({pageOf(ui->TabSheet7), customVarsTab_.get()});

  VarQueue::Routes routes;
  routes.weapons = [this](const std::string& n, const std::string& v) {
    weaponsTab_->ApplyWeaponReply(n, v);
  };
  routes.gameType = [this](const std::string& n, const std::string& v) {
    gameTypeTab_->ApplyReply(n, v);
    gameSettingsTab_->ApplyReply(n, v);
  };
  routes.vehicles = [this](const std::string& n, const std::string& v) {
    weaponsTab_->ApplyVehicleReply(n, v);
  };
  routes.customVars = [this](const std::string& n, const std::string& v) {
    customVarsTab_->ApplyReply(n, v);
  };
  varQueue_->SetRoutes(std::move(routes));

  connect(ui->rconExperteneinstellungen1, &QAction::triggered, this,
          &TForm1::rconExperteneinstellungen1Click);
  connect(engine_.get(), &QueryEngine::SelectedRefreshButtonShown, gameTypeTab_.get(),
          [this](bool shown) { gameTypeTab_->SelectedRefreshButtonShown(shown); });
}

void TForm1::SetCvarDialogs(TForm5* overlay, TForm6* expertSettings) {
  varQueue_->SetOverlay(overlay);
  form6_ = expertSettings;
  if (!form6_) {
    weaponsTab_->SetNameLists({}, {});
    return;
  }
  weaponsTab_->SetNameLists([this] { return form6_->WeaponList(); },
                            [this] { return form6_->VehicleList(); });
  form6_->SetProfileListReceiver(
      [this](const QStringList& items) { customVarsTab_->SetProfileList(items); });
  customVarsTab_->SetProfileList(form6_->ProfileItems());
}

void TForm1::rconExperteneinstellungen1Click() {
  if (form6_) form6_->exec();
}

}  // namespace zelmora
