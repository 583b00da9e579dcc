#include "ui/admin/mapstab.h"

#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <QPixmap>
#include <QPushButton>
#include <QSignalBlocker>

#include <filesystem>

#include "core/datafolder.h"
#include "core/paths.h"
#include "protocol/commands.h"
#include "protocol/rconreply.h"
#include "ui/admin/admincommon.h"
#include "ui/admin/operatorcommand.h"
#include "ui/dialogs/cp1252.h"
#include "ui/dialogs/servertext.h"

namespace zelmora {

namespace {

bool IsFile(const std::string& path) {
  std::error_code ec;
  return std::filesystem::is_regular_file(std::filesystem::path(path), ec);
}

}  // namespace

std::string MapPicturePath(std::uint8_t protocol, const std::string& mapFile) {
  const std::string own = MapPictureFile(protocol, mapFile);
  if (!own.empty() && IsFile(ReadablePath(own))) return ReadablePath(own);
  const std::string fallback = ReadablePath(MapPictureFallback());
  return IsFile(fallback) ? fallback : std::string();
}

bool HasFastRestart(std::uint8_t protocol) {
  return protocol == 115 || protocol == 117 || protocol == 118;
}

MapsTab::MapsTab(QueryEngine& engine, MapsTabWidgets widgets) : engine_(engine), w_(widgets) {
  w_.Image1->setScaledContents(true);
  connect(w_.ListBox2, &QListWidget::itemClicked, this, [this] { ListBox2Click(); });
  // The keyboard moves the selection like a click.
  connect(w_.ListBox2, &QListWidget::currentRowChanged, this, [this] { ListBox2Click(); });
  connect(w_.ListBox2, &QListWidget::itemDoubleClicked, this, [this] { Button11Click(); });
  connect(w_.Button11, &QPushButton::clicked, this, [this] { Button11Click(); });
  connect(w_.Button8, &QPushButton::clicked, this, [this] { Button8Click(); });
  connect(w_.Button10, &QPushButton::clicked, this, [this] { Button10Click(); });
  connect(w_.Button12, &QPushButton::clicked, this, [this] { Button12Click(); });
}

void MapsTab::ServerSelected(const Tserverrec& e, bool shown) {
  session_.Follow(engine_.Session(e.uid));
  session_.Connect(&ServerSession::ListingChanged, this, [this](ListingKind kind) {
    const Tserverrec* entry = session_ ? session_->Entry() : nullptr;
    if (kind == ListingKind::Maps && entry) MapListShow(session_->Maps(), entry->protocol);
  });
  // The game is known once the server has answered.
  session_.Connect(&ServerSession::StatusChanged, this, [this] {
    if (const Tserverrec* entry = session_ ? session_->Entry() : nullptr) ShowUnknownGame(*entry);
  });
  MapListShow(session_ ? session_->Maps() : Listing{}, e.protocol);
  ShowUnknownGame(e);
  if (!shown || e.rconpass.empty()) return;
  w_.Button8->setVisible(false);
  if (session_) session_->RequestListing(ListingKind::Maps, std::chrono::milliseconds(0));
  if (HasFastRestart(e.protocol)) w_.Button8->setVisible(true);
}

void MapsTab::PageShown(const Tserverrec& e) {
  ShowUnknownGame(e);
  if (e.rconpass.empty()) return;
  if (ServerSession* s = engine_.Session(e.uid))
    s->RequestListing(ListingKind::Maps, kPageListingDelay);
  w_.Button8->setVisible(HasFastRestart(e.protocol));
}

bool IsUnknownGame(std::uint8_t protocol) {
  return protocol != 0 && CmdDirMaps(protocol).empty();
}

// A server of a game Zelmora does not know (an ioquake3 one names no
// protocol) has no map listing: the list says so instead of staying empty.
void MapsTab::ShowUnknownGame(const Tserverrec& e) {
  if (!IsUnknownGame(e.protocol) || w_.ListBox2->count() > 0) return;
  auto* note = new QListWidgetItem(
      QStringLiteral("Zelmora kennt dieses Spiel nicht (kein bekanntes Protokoll): "
                     "es gibt keine Kartenliste."));
  note->setFlags(Qt::NoItemFlags);
  const QSignalBlocker quiet(w_.ListBox2);
  w_.ListBox2->addItem(note);
}

void MapsTab::MapListShow(const Listing& listing, std::uint8_t protocol) {
  {
    // Filling and choosing the current map is no click.
    const QSignalBlocker quiet(w_.ListBox2);
    w_.ListBox2->clear();
    for (const std::string& m : listing.items) AddServerItem(w_.ListBox2, session_.get(), m);
    w_.ListBox2->setCurrentRow(listing.chosen);
  }
  // The listing names the maps whose picture goes up in turn; the last one
  // that has a picture (or the fallback) stays.
  std::string shown;
  for (const std::string& map : listing.pictures) {
    const std::string path = MapPicturePath(protocol, map);
    if (!path.empty()) shown = path;
  }
  if (!shown.empty()) MapPictureShow(shown);
}

void MapsTab::MapPictureShow(const std::string& path) {
  // Decoded through Qt's JPEG plugin; a file that does not decode leaves the
  // old picture.
  const QImage picture(QString::fromStdString(path));
  if (!picture.isNull()) w_.Image1->setPixmap(QPixmap::fromImage(picture));
}

void MapsTab::ListBox2Click() {
  const auto item = SelectedItemText(w_.ListBox2);
  const Tserverrec* e = engine_.Selected().Entry();
  if (!item || !e) return;
  const std::string path = MapPicturePath(e->protocol, *item);
  if (!path.empty()) MapPictureShow(path);
}

void MapsTab::SendIfUsable(const std::string& command) {
  if (UsableServer(engine_)) engine_.SendRcon(command);
}

void MapsTab::Button11Click() {
  const auto item = SelectedItemText(w_.ListBox2);
  if (!item || !UsableServer(engine_)) return;
  SendOperatorCommand(w_.ListBox2, engine_, BuildMap(*item));
}

void MapsTab::Button8Click() {
  SendIfUsable(CmdFastRestart());
}
void MapsTab::Button10Click() {
  SendIfUsable(CmdMapRestart());
}
void MapsTab::Button12Click() {
  SendIfUsable(CmdMapRotate());
}

void MapsTab::ServerGone() {
  session_.Follow(nullptr);
  const QSignalBlocker quiet(w_.ListBox2);
  w_.ListBox2->clear();
}

}  // namespace zelmora
