// Takes docs/multicommand.png: the window "Befehl an mehrere Server" after
// a say to six test game servers on loopback (names in UTF-8 and in
// Windows-1252, a wrong and a missing password, a silent server), with the
// first server's whole output shown.
//   zelmora-multishot OUTPUT.png
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTemporaryDir>

#include <cstdio>
#include <memory>
#include <vector>

#include "core/paths.h"
#include "core/serverencoding.h"
#include "core/serverfile.h"
#include "core/settings.h"
#include "tools/testserver/testserver.h"
#include "ui/dialogs/messages.h"
#include "ui/main/drawgrid.h"
#include "ui/main/multicommand.h"
#include "ui/main/tform1.h"

using namespace zelmora;

namespace {

struct Demo {
  const char* name;  // as the server sends it
  const char* pass;  // stored in the list
  const char* serverPass;
  bool silent;
  TextEncoding encoding;
};

}  // namespace

int main(int argc, char* argv[]) {
  if (argc != 2) {
    std::fprintf(stderr, "Aufruf: zelmora-multishot AUSGABE.png\n");
    return 2;
  }
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  SetMessageFunction([](QWidget*, MessageKind, const QString&, const QString&) { return true; });
  const Demo demos[] = {{"^1\xd0\xa1\xd0\xbc\xd0\xb5\xd1\x80\xd1\x82\xd1\x8c ^7Arena", "demo",
                         "demo", false, TextEncoding::Automatic},
                        {"^4J\xf6rgs ^7Server", "demo", "demo", false, TextEncoding::Cp1252},
                        {"^2Clan ^7Training", "demo", "demo", false, TextEncoding::Automatic},
                        {"^3Public ^7Rotation", "alt", "demo", false, TextEncoding::Automatic},
                        {"^5Offline ^7Box", "demo", "demo", true, TextEncoding::Automatic},
                        {"^6Ohne ^7rcon", "", "demo", false, TextEncoding::Automatic}};
  std::vector<std::unique_ptr<testing::TestServer>> servers;
  Tserverlist list;
  for (const Demo& d : demos) {
    testing::TestServerConfig c;
    c.rconPassword = d.serverPass;
    c.dropShare = d.silent ? 1.0 : 0.0;
    testing::SetVar(c.vars, "sv_hostname", d.name);
    c.players = testing::InventPlayers(6, list.size() + 1);
    servers.push_back(std::make_unique<testing::TestServer>());
    if (!servers.back()->start(c)) return 1;
    Tserverrec e;
    e.host.assign("127.0.0.1");
    e.port.assign(std::to_string(servers.back()->port()));
    e.rconpass.assign(d.pass);
    e.hostname.assign(d.name);
    SetEncoding(e, d.encoding);
    list.push_back(e);
  }
  QTemporaryDir dir;
  SetDataDir(dir.path().toStdString() + "/");
  std::string error;
  if (!SaveServers(DataPath("Servers.dat"), list, &error)) return 1;
  SettingsStore settings;
  TForm1 f(settings);
  f.show();
  f.MehrereServer1Click();
  MultiCommand& m = *f.Multi();
  m.AllButton->click();
  m.QuickBox->setCurrentIndex(static_cast<int>(QuickChoice::Say));
  m.CommandEdit->setEditText(QStringLiteral("Neustart in 5 Minuten"));
  m.SendButtonClick();
  QElapsedTimer wait;
  wait.start();
  while (!m.Batch()->Finished() && wait.elapsed() < 10000)
    QApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
  m.ShowOutput(1);
  m.ResultGrid->SelectRow(1);
  QApplication::processEvents();
  if (!m.grab().save(QString::fromLocal8Bit(argv[1]))) return 1;
  return 0;
}
