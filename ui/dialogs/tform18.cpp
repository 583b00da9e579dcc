#include "ui/dialogs/tform18.h"

#include <QFile>
#include <QFileDialog>
#include <QFontDatabase>
#include <QListWidget>

#include <string>

#include "ui/dialogs/cp1252.h"
#include "ui/dialogs/messages.h"
#include "ui_tform18.h"

namespace zelmora {
namespace {

std::string LocalPath(const QString& path) {
  return QFile::encodeName(path).toStdString();
}

}  // namespace

TForm18::TForm18(Tguidlist& list, QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::TForm18>()), list_(list) {
  ui_->setupUi(this);
  setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
  ui_->Layout1->setStretch(0, 1);
  ui_->GroupBox1->setFixedWidth(220);
  // Names may be long and carry colour codes: a fixed-pitch face keeps the
  // GUID column straight.
  QFont mono = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  ui_->ListBox1->setFont(mono);

  connect(ui_->Button1, &QPushButton::clicked, this, &TForm18::Button1Click);
  connect(ui_->Button2, &QPushButton::clicked, this, &TForm18::Button2Click);
  connect(ui_->Button3, &QPushButton::clicked, this, &TForm18::Button3Click);
  connect(ui_->Button4, &QPushButton::clicked, this, &TForm18::Button4Click);
  connect(ui_->Button5, &QPushButton::clicked, this, &TForm18::Button5Click);
  connect(ui_->Button6, &QPushButton::clicked, this, &TForm18::Button6Click);
  connect(ui_->Button7, &QPushButton::clicked, this, &TForm18::Button7Click);
  connect(ui_->ListBox1, &QListWidget::currentRowChanged, this, [this] { UpdateWatchButton(); });
}

void TForm18::SetWatchHooks(WatchHooks hooks) {
  watch_ = std::move(hooks);
  UpdateWatchButton();
}

void TForm18::UpdateWatchButton() {
  const int row = ui_->ListBox1->currentRow();
  const bool usable =
      watch_.watched && watch_.set && row >= 0 && static_cast<std::size_t>(row) < list_.size();
  const bool watched = usable && watch_.watched(list_[static_cast<std::size_t>(row)].guid.str());
  ui_->Button7->setEnabled(usable);
  ui_->Button7->setText(watched ? QStringLiteral("Nicht mehr beobachten")
                                : QStringLiteral("Beobachten"));
}

void TForm18::Button7Click() {
  const int row = ui_->ListBox1->currentRow();
  if (!watch_.watched || !watch_.set || row < 0 || static_cast<std::size_t>(row) >= list_.size())
    return;
  const Tguidrec& rec = list_[static_cast<std::size_t>(row)];
  watch_.set(rec.guid.str(), rec.name.str(), !watch_.watched(rec.guid.str()));
  UpdateWatchButton();
}

TForm18::~TForm18() = default;

void TForm18::Open() {
  RefillList();
  exec();
}

void TForm18::RefillList() {
  // In one go: tens of thousands of lines one by one would each be a
  // separate insertion into the list box.
  QStringList lines;
  lines.reserve(static_cast<qsizetype>(list_.size()));
  for (const Tguidrec& rec : list_) lines << FromCp1252(GuidListLine(rec));
  ui_->ListBox1->setUpdatesEnabled(false);
  ui_->ListBox1->clear();
  ui_->ListBox1->addItems(lines);
  ui_->ListBox1->setUpdatesEnabled(true);
  UpdateWatchButton();
}

void TForm18::Button4Click() {
  switch (AddGuidByHand(list_, ToCp1252(ui_->Edit1->text()), ToCp1252(ui_->Edit2->text()))) {
    case GuidAddResult::kNameMissing:
      ShowMessage(this, QStringLiteral("Name muss eingetragen werden!"));
      return;
    case GuidAddResult::kNotANumber:
      ShowMessage(this, QStringLiteral("GUID muss eine ZAHL sein!"));
      return;
    case GuidAddResult::kDuplicate:
      ShowMessage(this, QStringLiteral("GUID existiert schon in der Liste!"));
      return;
    case GuidAddResult::kAdded:
      break;
  }
  RefillList();
  ui_->Edit1->clear();
  ui_->Edit2->clear();
  ui_->ListBox1->scrollToBottom();
}

void TForm18::Button2Click() {
  const QString file = ChooseOpenFile();
  if (file.isEmpty()) return;
  std::string error;
  // A file that is not there adds nothing and tells nothing.
  if (!ImportGuidFile(LocalPath(file), list_, &error)) ShowMessage(this, FromMessageBytes(error));
  RefillList();
}

void TForm18::Button3Click() {
  const QString file = ChooseSaveFile();
  if (file.isEmpty()) return;
  const std::string path = WithDefaultExtension(LocalPath(file), ".gls");
  std::string error;
  if (!ExportGuidFile(path, list_, &error))
    ShowMessage(this, QStringLiteral("Fehler beim Speichern: ") + FromMessageBytes(error));
}

void TForm18::Button6Click() {
  const QList<QListWidgetItem*> selected = ui_->ListBox1->selectedItems();
  if (selected.isEmpty()) return;
  const int row = ui_->ListBox1->row(selected.front());
  if (row < 0 || !DeleteGuidAt(list_, static_cast<std::size_t>(row))) return;
  RefillList();
}

void TForm18::Button1Click() {
  list_.clear();
  ui_->ListBox1->clear();
}

void TForm18::Button5Click() {
  accept();
}

QString TForm18::ChooseOpenFile() {
  if (openChooser_) return openChooser_(this);
  return QFileDialog::getOpenFileName(this);
}

QString TForm18::ChooseSaveFile() {
  if (saveChooser_) return saveChooser_(this);
  QFileDialog dialog(this);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  // Applied by the dialog too, so its overwrite question names the real file.
  dialog.setDefaultSuffix(QStringLiteral("gls"));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return QString();
  return dialog.selectedFiles().front();
}

}  // namespace zelmora
