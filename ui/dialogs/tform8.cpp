#include "ui/dialogs/tform8.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "ui/dialogs/messages.h"
#include "ui_tform8.h"

namespace zelmora {

TForm8::TForm8(QString profileDir, QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui::TForm8>()), profileDir_(std::move(profileDir)) {
  ui->setupUi(this);
  connect(ui->Button1, &QPushButton::clicked, this, &TForm8::Button1Click);
  connect(ui->Button2, &QPushButton::clicked, this, &TForm8::Button2Click);
}

TForm8::~TForm8() = default;

bool TForm8::IsPlainProfileName(const QString& name) {
  return !name.contains(QLatin1Char('/')) && !name.contains(QLatin1Char('\\')) &&
         !name.contains(QLatin1Char(':')) && !name.contains(QStringLiteral("..")) &&
         !name.contains(QChar(0));
}

void TForm8::Button1Click() {
  const QString name = ui->Edit1->text();
  if (!IsPlainProfileName(name)) {
    ShowMessage(this, QString::fromUtf8("Der Name darf weder \"/\", \"\\\", \":\" noch \"..\" "
                                        "enthalten."));
    return;
  }
  const QString path = profileDir_ + name + QStringLiteral(".rpf");
  bool created = false;
  if (QFileInfo::exists(path)) {
    ShowMessage(this, QStringLiteral("Name existiert bereits"));
  } else {
    // NewOnly: a file that appears meanwhile is not overwritten.
    QFile f(path);
    if (f.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
      f.close();
      created = true;
    } else if (f.exists()) {
      ShowMessage(this, QStringLiteral("Name existiert bereits"));
    } else {
      ShowMessage(this,
                  QStringLiteral("Cannot create file %1").arg(QDir::toNativeSeparators(path)));
    }
  }
  if (onListChanged_) onListChanged_();
  if (created) accept();
}

void TForm8::Button2Click() {
  reject();
}

}  // namespace zelmora
