// The main window's part in the administration of server variables: it
// creates the cvar queue and the tabs that use it ("Spielmodus",
// "Spielmodus-Einstellungen"), hands them their pages, and forwards what the
// engine reports.
#include <QTabWidget>

#include "ui/admin/gamesettingstab.h"
#include "ui/admin/gametypetab.h"
#include "ui/admin/varqueue.h"
#include "ui/dialogs/tform5.h"
#include "ui/main/tform1.h"
#include "ui_tform1.h"

namespace zelmora {

void TForm1::SetUpCvarTabs() {
  varQueue_ = std::make_unique<VarQueue>(state_, *engine_, this);
  gameTypeTab_ = std::make_unique<GameTypeTab>(*varQueue_, ui->TabSheet5);
  gameSettingsTab_ = std::make_unique<GameSettingsTab>(*varQueue_, ui->PageControl2);
  adminPages_.push_back({ui->TabSheet5, gameTypeTab_.get()});
  adminPages_.push_back({ui->TabSheet6, gameSettingsTab_.get()});

  VarQueue::Routes routes;
  routes.gameType = [this](const std::string& n, const std::string& v) {
    gameTypeTab_->ApplyReply(n, v);
    gameSettingsTab_->ApplyReply(n, v);
  };
  varQueue_->SetRoutes(std::move(routes));
}

void TForm1::SetCvarDialogs(TForm5* overlay) {
  varQueue_->SetOverlay(overlay);
}

void TForm1::GameTypeControls(const std::string& protocolText) {
  gameTypeTab_->GameTypeControls(protocolText);
  gameSettingsTab_->GameTypeControls(protocolText);
}

void TForm1::GameTypeLabel(const std::string& text) {
  gameTypeTab_->GameTypeLabel(text);
}

void TForm1::ApplyVarReply(const std::string& firstLine) {
  varQueue_->ApplyVarReply(firstLine);
}

void TForm1::SelectedRefreshButtonShown(bool shown) {
  gameTypeTab_->SelectedRefreshButtonShown(shown);
}

}  // namespace zelmora
