#include "ui/admin/configtab.h"

#include <QListWidget>
#include <QPushButton>

#include "protocol/commands.h"
#include "ui/admin/admincommon.h"
#include "ui/admin/operatorcommand.h"
#include "ui/dialogs/cp1252.h"
#include "ui/dialogs/servertext.h"

namespace zelmora {

ConfigTab::ConfigTab(QueryEngine& engine, ConfigTabWidgets widgets) : engine_(engine), w_(widgets) {
  connect(w_.Button22, &QPushButton::clicked, this, [this] { Button22Click(); });
  connect(w_.ListBox3, &QListWidget::itemDoubleClicked, this, [this] { Button22Click(); });
}

void ConfigTab::ServerSelected(const Tserverrec& e, bool shown) {
  session_.Follow(engine_.Session(e.uid));
  session_.Connect(&ServerSession::ListingChanged, this, [this](ListingKind kind) {
    if (kind == ListingKind::Configs && session_) ConfigListShow(session_->Configs());
  });
  ConfigListShow(session_ ? session_->Configs() : Listing{});
  if (shown && !e.rconpass.empty()) RequestListing(e);
}

void ConfigTab::PageShown(const Tserverrec& e) {
  if (!e.rconpass.empty()) RequestListing(e);
}

void ConfigTab::RequestListing(const Tserverrec& e) {
  if (ServerSession* s = engine_.Session(e.uid))
    s->RequestListing(ListingKind::Configs, std::chrono::milliseconds(600));
}

void ConfigTab::ConfigListShow(const Listing& listing) {
  // The list grows as the answer comes; the operator's choice stays.
  const QString chosen =
      w_.ListBox3->currentItem() ? w_.ListBox3->currentItem()->text() : QString();
  w_.ListBox3->clear();
  for (const std::string& f : listing.items) AddServerItem(w_.ListBox3, session_.get(), f);
  if (chosen.isEmpty()) return;
  const QList<QListWidgetItem*> again = w_.ListBox3->findItems(chosen, Qt::MatchExactly);
  if (!again.isEmpty()) w_.ListBox3->setCurrentItem(again.front());
}

void ConfigTab::Button22Click() {
  const auto item = SelectedItemText(w_.ListBox3);
  if (!item || !UsableServer(engine_)) return;
  SendOperatorCommand(w_.ListBox3, engine_, BuildExec(*item));
}

void ConfigTab::ServerGone() {
  session_.Follow(nullptr);
  w_.ListBox3->clear();
}

}  // namespace zelmora
