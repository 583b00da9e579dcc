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

MapsTab::MapsTab(AppState& state, QueryEngine& engine, MapsTabWidgets widgets)
    : state_(state), engine_(engine), w_(widgets) {
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
  {
    const QSignalBlocker quiet(w_.ListBox2);
    w_.ListBox2->clear();
  }
  if (!shown || e.rconpass.empty()) return;
  w_.Button8->setVisible(false);
  const std::string command = CmdDirMaps(e.protocol);
  RconOptions read;
  read.kind = RconKind::Read;
  if (!command.empty()) engine_.SendRcon(command, std::move(read));
  if (HasFastRestart(e.protocol)) w_.Button8->setVisible(true);
}

void MapsTab::PageShown(const Tserverrec& e) {
  if (e.rconpass.empty()) return;
  engine_.Timer2().SetEnabled(false);
  // A protocol without a directory command stores nothing to send.
  state_.deferredCommand = CmdDirMaps(e.protocol);
  state_.deferredServer = e.uid;
  w_.Button8->setVisible(HasFastRestart(e.protocol));
  engine_.Timer2().SetEnabled(true);
}

void MapsTab::MapListShow(const std::vector<std::string>& maps, int chosen) {
  // Filling and choosing the current map is no click: the picture is the
  // engine's to show.
  const QSignalBlocker quiet(w_.ListBox2);
  w_.ListBox2->clear();
  for (const std::string& m : maps) w_.ListBox2->addItem(FromCp1252(m));
  w_.ListBox2->setCurrentRow(chosen);
}

void MapsTab::MapPictureShow(const std::string& path) {
  // Decoded through Qt's JPEG plugin; a file that does not decode leaves the
  // old picture.
  const QImage picture(QString::fromStdString(path));
  if (!picture.isNull()) w_.Image1->setPixmap(QPixmap::fromImage(picture));
}

void MapsTab::ListBox2Click() {
  const auto item = SelectedItemText(w_.ListBox2);
  if (!item || !state_.SelectedValid()) return;
  const std::uint8_t protocol =
      state_.serverlist[static_cast<std::size_t>(state_.selected)].protocol;
  const std::string path = MapPicturePath(protocol, *item);
  if (!path.empty()) MapPictureShow(path);
}

void MapsTab::SendIfUsable(const std::string& command) {
  if (UsableServer(state_)) engine_.SendRcon(command);
}

void MapsTab::Button11Click() {
  const auto item = SelectedItemText(w_.ListBox2);
  if (!item || !UsableServer(state_)) return;
  SendOperatorCommand(w_.ListBox2, engine_, CmdMap(*item));
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

}  // namespace zelmora
