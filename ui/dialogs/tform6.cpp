#include "ui/dialogs/tform6.h"

#include <QFile>
#include <QFileInfo>
#include <QPlainTextEdit>
#include <QTextDocument>

#include "core/textlines.h"
#include "ui/dialogs/messages.h"
#include "ui/dialogs/textfiles.h"
#include "ui/dialogs/tform8.h"
#include "ui_tform6.h"

namespace zelmora {

namespace {
const QString kWeaponFile = QStringLiteral("weaponcfg.txt");
const QString kVehicleFile = QStringLiteral("vehiclecfg.txt");
}  // namespace

TForm6::TForm6(QString dataDir, QString profileDir, QWidget* parent)
    : QDialog(parent),
      ui(std::make_unique<Ui::TForm6>()),
      dataDir_(std::move(dataDir)),
      profileDir_(std::move(profileDir)) {
  ui->setupUi(this);
  connect(ui->ComboBox1, &QComboBox::activated, this, &TForm6::ComboBox1Change);
  connect(ui->Button2, &QPushButton::clicked, this, &TForm6::Button2Click);
  connect(ui->Button3, &QPushButton::clicked, this, &TForm6::Button3Click);
  connect(ui->Button1, &QPushButton::clicked, this, &TForm6::Button1Click);
}

TForm6::~TForm6() = default;

QComboBox* TForm6::ComboBox1() const {
  return ui->ComboBox1;
}
QPlainTextEdit* TForm6::Memo1() const {
  return ui->Memo1;
}
QPlainTextEdit* TForm6::Memo2() const {
  return ui->Memo2;
}
QPlainTextEdit* TForm6::Memo3() const {
  return ui->Memo3;
}

void TForm6::FormCreate() {
  FillProfileBox();
  LoadEditor(ui->Memo2, dataDir_ + kWeaponFile);
  LoadEditor(ui->Memo3, dataDir_ + kVehicleFile);
}

bool TForm6::LoadEditor(QPlainTextEdit* editor, const QString& path) {
  if (!QFileInfo(path).isFile()) return false;
  std::string bytes;
  QString error;
  if (!ReadTextFile(path, bytes, &error)) {
    ShowMessage(this, error);
    return false;
  }
  editor->setPlainText(EditorTextFromBytes(bytes));
  return true;
}

bool TForm6::SaveEditor(const QPlainTextEdit* editor, const QString& path) {
  QString error;
  if (WriteTextFile(path, BytesFromEditorText(EditorText(editor)), &error)) return true;
  ShowMessage(this, error);
  return false;
}

QStringList TForm6::ProfileItems() const {
  QStringList items;
  for (int i = 0; i < ui->ComboBox1->count(); ++i) items << ui->ComboBox1->itemText(i);
  return items;
}

// Read as strictly as a profile: a line that breaks the name rule (or that
// a CR would split) names no variable and is left out.
std::vector<std::string> TForm6::WeaponList() const {
  return ReadNameList(BytesFromEditorText(EditorText(ui->Memo2))).names;
}

std::vector<std::string> TForm6::VehicleList() const {
  return ReadNameList(BytesFromEditorText(EditorText(ui->Memo3))).names;
}

void TForm6::FillProfileBox() {
  ui->ComboBox1->clear();
  ui->ComboBox1->addItems(ListProfiles(profileDir_));
  ui->ComboBox1->setCurrentIndex(-1);
}

void TForm6::ComboBox1Change(int index) {
  if (!profilePath_.isEmpty() && QFileInfo(profilePath_).isFile()) {
    if (!SaveEditor(ui->Memo1, profilePath_)) return;
  }
  const QString path = profileDir_ + ui->ComboBox1->itemText(index);
  if (index < 0 || !QFileInfo(path).isFile()) return;
  ui->Memo1->clear();
  if (LoadEditor(ui->Memo1, path)) profilePath_ = path;
  ui->Memo1->document()->setModified(false);
}

void TForm6::Button2Click() {
  if (!form8_) return;
  // Creating a profile lists the profiles anew and chooses none: the open
  // profile's edits would not be saved by "OK" any more. Asked first.
  if (!profilePath_.isEmpty() && ui->Memo1->document()->isModified()) {
    const int choice = AskChoice(
        this,
        QString::fromUtf8("Die Konfig \"%1\" wurde geändert. Die Änderungen vorher speichern?")
            .arg(QFileInfo(profilePath_).fileName()),
        {QStringLiteral("Speichern"), QStringLiteral("Verwerfen"), QStringLiteral("Abbrechen")});
    if (choice == 2) return;
    if (choice == 0 && !SaveEditor(ui->Memo1, profilePath_)) return;
    ui->Memo1->document()->setModified(false);
  }
  form8_->exec();
}

void TForm6::Button3Click() {
  const int index = ui->ComboBox1->currentIndex();
  if (index < 0) return;
  const QString path = profileDir_ + ui->ComboBox1->itemText(index);
  if (!QFileInfo(path).isFile()) return;
  if (!QFile::remove(path)) {
    ShowMessage(this, QString::fromUtf8("%1 konnte nicht gelöscht werden.").arg(path));
    return;
  }
  FillProfileBox();
}

void TForm6::Button1Click() {
  // Everything is attempted; a file that could not be written was reported
  // and keeps the dialog open, so the operator's text is not lost.
  bool ok = SaveEditor(ui->Memo2, dataDir_ + kWeaponFile);
  ok = SaveEditor(ui->Memo3, dataDir_ + kVehicleFile) && ok;
  if (ui->ComboBox1->currentIndex() >= 0)
    ok = SaveEditor(ui->Memo1, profileDir_ + ui->ComboBox1->currentText()) && ok;
  if (!ok) return;
  if (onProfileList_) onProfileList_(ProfileItems());
  accept();
}

}  // namespace zelmora
