// The main window's menus and what their items do to the server list.
#include <QAction>
#include <QMenu>

#include "ui/admin/consoletab.h"
#include "ui/admin/playerstab.h"
#include "ui/dialogs/serverlistops.h"
#include "ui/dialogs/tform10.h"
#include "ui/dialogs/tform16.h"
#include "ui/dialogs/tform17.h"
#include "ui/dialogs/tform3.h"
#include "ui/dialogs/tform4.h"
#include "ui/main/detailviews.h"
#include "ui/main/drawgrid.h"
#include "ui/main/multicommand.h"
#include "ui/main/serverlistpanel.h"
#include "ui/main/tform1.h"
#include "ui_tform1.h"

namespace zelmora {

namespace {
QAction* AddItem(QMenu* menu, const char* name, const QString& text, bool enabled = true) {
  QAction* a = menu->addAction(text);
  a->setObjectName(QString::fromLatin1(name));
  a->setEnabled(enabled);
  return a;
}
}  // namespace

void TForm1::SetUpMenus() {
  connect(ui->Einstellungen1, &QAction::triggered, this, &TForm1::Einstellungen1Click);
  connect(ui->Serverjoinen1, &QAction::triggered, this, &TForm1::Serverjoinen1Click);
  connect(ui->Serverhinzufgen1, &QAction::triggered, this, &TForm1::Serverhinzufgen1Click);
  connect(ui->Servereditieren1, &QAction::triggered, this, &TForm1::Servereditieren1Click);
  connect(ui->Serverlschen2, &QAction::triggered, this, &TForm1::Serverlschen2Click);
  connect(ui->Listeleeren1, &QAction::triggered, this, &TForm1::Listeleeren1Click);
  connect(ui->NachPingaufsteigend1, &QAction::triggered, this, &TForm1::NachPingaufsteigend1Click);
  connect(ui->NachPingabsteigend1, &QAction::triggered, this, &TForm1::NachPingabsteigend1Click);
  connect(ui->Serverpasswortndern1, &QAction::triggered, this, &TForm1::Serverpasswortndern1Click);
  connect(ui->rconPasswortndern1, &QAction::triggered, this, &TForm1::rconPasswortndern1Click);
  QAction* multi = ui->Serverliste1->addAction(QStringLiteral("Befehl an &mehrere Server ..."));
  multi->setObjectName(QStringLiteral("MehrereServer1"));
  connect(multi, &QAction::triggered, this, &TForm1::MehrereServer1Click);
  // Keys: the action is the menu's, the key works where the list has the
  // focus (a line edit keeps its own Delete).
  ui->Serverhinzufgen1->setShortcut(QKeySequence::New);
  ui->Serverlschen2->setShortcut(QKeySequence::Delete);
  ui->Serverlschen2->setShortcutContext(Qt::WidgetWithChildrenShortcut);
  ui->DrawGrid1->addAction(ui->Serverlschen2);
  ui->Abfragen1->setShortcut(QKeySequence::Refresh);
  connect(ui->Abfragen1, &QAction::triggered, this, &TForm1::Abfragen1Click);
  QMenu* popup = SetUpListMenu();
  ui->DrawGrid1->onPopup = [popup](const QPoint& at, int) { popup->popup(at); };
}

// The server list's popup menu.
QMenu* TForm1::SetUpListMenu() {
  auto* popup = new QMenu(this);
  popup->setObjectName(QStringLiteral("PopupMenu1"));
  // Joining comes with its window; until then its item is shown disabled.
  serverbetreten1_ = AddItem(popup, "Serverbetreten1", QStringLiteral("Server &betreten"), false);
  connect(serverbetreten1_, &QAction::triggered, this, &TForm1::Serverbetreten1Click);
  connect(AddItem(popup, "Serverhinzufgen2", QStringLiteral("Server &hinzufügen")),
          &QAction::triggered, this, &TForm1::Serverhinzufgen2Click);
  connect(AddItem(popup, "Servereditieren2", QStringLiteral("Server &editieren")),
          &QAction::triggered, this, &TForm1::Servereditieren2Click);
  connect(AddItem(popup, "Serverlschen1", QStringLiteral("Server &löschen")), &QAction::triggered,
          this, &TForm1::Serverlschen1Click);
  connect(AddItem(popup, "IPPortindieZwischenablage1",
                  QStringLiteral("&IP:Port in die Zwischenablage")),
          &QAction::triggered, this, &TForm1::IPPortindieZwischenablage1Click);
  connect(AddItem(popup, "Serverpasswortndern2",
                  QStringLiteral("Server&passwort ändern (auf dem Server)")),
          &QAction::triggered, this, &TForm1::Serverpasswortndern1Click);
  connect(
      AddItem(popup, "rconPasswortndern2", QStringLiteral("r&con Passwort ändern (im Programm)")),
      &QAction::triggered, this, &TForm1::rconPasswortndern1Click);
  connect(AddItem(popup, "MehrereServer2", QStringLiteral("Befehl an &mehrere Server ...")),
          &QAction::triggered, this, &TForm1::MehrereServer1Click);
  // Copying what is selected, in every grid's menu (Ctrl+C in the grid).
  QAction* copy = AddItem(popup, "Kopieren1", QStringLiteral("Markierte Zeilen &kopieren"));
  copy->setShortcut(QKeySequence::Copy);
  copy->setShortcutContext(Qt::WidgetShortcut);
  connect(copy, &QAction::triggered, ui->DrawGrid1, &DrawGrid::CopySelection);
  return popup;
}

void TForm1::Serverhinzufgen1Click() {
  if (!form4_) return;
  form4_->AddServerClick();
  AfterListChange();
}

void TForm1::Servereditieren1Click() {
  if (!form4_) return;
  form4_->EditServerClick();
  AfterListChange();
  // Its texts may be read in another encoding now.
  details_->Repaint();
  if (const Tserverrec* e = engine_->Selected().Entry()) consoleTab_->ServerSelected(*e, false);
}

void TForm1::Serverlschen1Click() {
  DeleteSelectedServer(this, engine_->List(), engine_->Selected(), files_);
  AfterListChange();
}

// The same commands from the other menu.
void TForm1::Serverhinzufgen2Click() {
  Serverhinzufgen1Click();
}
void TForm1::Servereditieren2Click() {
  Servereditieren1Click();
}
void TForm1::Serverlschen2Click() {
  Serverlschen1Click();
}

void TForm1::Listeleeren1Click() {
  ClearServerList(this, engine_->List(), engine_->Selected(), files_);
  AfterListChange();
}

void TForm1::IPPortindieZwischenablage1Click() {
  CopySelectedServerAddress(engine_->Selected(), nullptr);
}

void TForm1::Einstellungen1Click() {
  if (form3_) form3_->exec();
}

void TForm1::Serverjoinen1Click() {
  if (form10_) form10_->JoinSelectedServer();
}

void TForm1::Serverbetreten1Click() {
  Serverjoinen1Click();
}

void TForm1::Abfragen1Click() {
  // Every server now, the selected one too (and its player table on the
  // players page).
  engine_->Button6Click();
  engine_->Timer1Timer();
}

void TForm1::Serverpasswortndern1Click() {
  const Tserverrec* e = engine_->Selected().Entry();
  if (form16_ && e) form16_->Open(*e);
}

void TForm1::MehrereServer1Click() {
  if (!multi_)
    multi_ = new MultiCommand(
        *engine_, [this]() -> const Settings& { return settings_.Get(); }, this);
  multi_->Open(list_->MarkedServers());
}

void TForm1::rconPasswortndern1Click() {
  const Tserverrec* e = engine_->Selected().Entry();
  if (!form17_ || !e) return;
  const std::uint64_t uid = e->uid;
  const std::string before = e->rconpass.str();
  if (!form17_->Open(*e)) return;
  e = engine_->List().Find(uid);
  if (!e || e->rconpass == before) return;
  // The views that depend on the password follow at once: rcon icon and
  // column width, player grid and notices. Nothing is sent: the next poll
  // or action of the operator uses the new password.
  ShowRconDependentViews(*e);
  playersTab_->PageShown(*e);
  ui->DrawGrid1->Repaint();
}

}  // namespace zelmora
