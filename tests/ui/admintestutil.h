// The main window with its administration pages over scripted game servers
// on loopback, driven like the operator drives it: what goes on the wire
// (byte for byte), when, and to which server.
//
// The servers drop an rcon command that comes less than 500 ms after the
// previous one, as real servers do. Where a test is not about the 700 ms
// pause of the query channel it shortens the pause and keeps its commands
// apart itself (Space).
#pragma once

#include <QAbstractItemView>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>
#include <string>
#include <vector>

#include "core/paths.h"
#include "core/serverfile.h"
#include "core/settings.h"
#include "tools/testserver/testserver.h"
#include "ui/dialogs/messages.h"
#include "ui/dialogs/tform16.h"
#include "ui/dialogs/tform17.h"
#include "ui/main/drawgrid.h"
#include "ui/main/tform1.h"

// Failing comparisons of command lists print them.
namespace QTest {
template <>
inline char* toString(const std::vector<std::string>& v) {
  QByteArray out = "{";
  for (const std::string& s : v)
    out += QByteArray::fromStdString(s).toPercentEncoding(" \"") + ", ";
  return qstrdup(out + "}");
}
}  // namespace QTest

namespace zelmora::testing {

enum Page { kInfo = 0, kPlayers = 1, kMaps = 2, kConfigs = 7, kConsole = 8, kMsgTimer = 9 };

inline Tserverrec Entry(const TestServer& s, const std::string& rcon) {
  Tserverrec e;
  e.host.assign("127.0.0.1");
  e.port.assign(std::to_string(s.port()));
  e.rconpass.assign(rcon);
  return e;
}

inline TestPlayer Player(int num, const std::string& ping, int lastmsg,
                         const std::string& guid = "0") {
  TestPlayer p;
  p.num = num;
  p.ping = ping;
  p.lastmsg = lastmsg;
  p.guid = guid;
  p.name = "P" + std::to_string(num);
  return p;
}

// A server with the rcon password "pw" (and the game of protocol).
inline TestServerConfig Rconned(std::vector<TestPlayer> players = {}, int protocol = 6) {
  TestServerConfig c;
  c.rconPassword = "pw";
  c.players = std::move(players);
  if (protocol != 6) ApplyProtocol(c, protocol);
  return c;
}

// The name the test servers go by once they have answered (sv_hostname
// without its colour codes).
inline const QString kServerName = QStringLiteral("Zelmora Test Server");

inline void MoveOver(DrawGrid* g, const QPoint& at) {
  QMouseEvent move(QEvent::MouseMove, at, g->viewport()->mapToGlobal(at), Qt::NoButton,
                   Qt::NoButton, Qt::NoModifier);
  QCoreApplication::sendEvent(g->viewport(), &move);
}

inline void ClickRow(DrawGrid* g, int row) {
  const QRect r = g->CellRect(1, row);
  MoveOver(g, r.center());
  QTest::mouseClick(g->viewport(), Qt::LeftButton, {}, r.center());
}

// The window, its servers and its data folder; message boxes are recorded,
// never shown (a question is answered with OK).
class AdminWindow {
 public:
  QStringList messages_;

  void InstallMessages() {
    SetMessageFunction([this](QWidget*, MessageKind, const QString&, const QString& text) {
      messages_ << text;
      return true;
    });
  }
  void Fresh() {
    messages_.clear();
    dir_ = std::make_unique<QTemporaryDir>();
    SetDataDir(Dir());
  }
  void Close() {
    if (form_) form_->close();
    form16_.reset();
    form17_.reset();
    form_.reset();
    settings_.reset();
    servers_.clear();
  }

  std::string Dir() const { return dir_->path().toStdString() + "/"; }
  TForm1& F() { return *form_; }
  QueryEngine& E() { return form_->Engine(); }
  const ServerList& List() { return E().List(); }
  // The selected server's session.
  ServerSession& Session() {
    ServerSession* s = E().SelectedSession();
    if (!s) qFatal("no server selected");
    return *s;
  }
  std::uint64_t Uid(int entry) { return List().At(static_cast<std::size_t>(entry)).uid; }

  template <typename T>
  T* W(const char* name) {
    T* w = form_->findChild<T*>(QString::fromLatin1(name));
    if (!w) qFatal("no widget %s", name);
    return w;
  }
  DrawGrid* G(const char* name) { return W<DrawGrid>(name); }
  void Click(const char* button) { W<QPushButton>(button)->click(); }
  void Tab(int page) { W<QTabWidget>("PageControl1")->setCurrentIndex(page); }

  TestServer& Start(const TestServerConfig& c) {
    servers_.push_back(std::make_unique<TestServer>());
    if (!servers_.back()->start(c)) qFatal("test server did not start");
    return *servers_.back();
  }

  // The main window over these entries, the periodic queries off (a test
  // asks for every status poll itself), the password dialogs wired.
  void Open(const Tserverlist& list) {
    std::string error;
    QVERIFY2(SaveServers(Dir() + "Servers.dat", list, &error), error.c_str());
    settings_ = std::make_unique<SettingsStore>();
    settings_->Set(&Settings::sq, false);
    settings_->Set(&Settings::cq, false);
    form_ = std::make_unique<TForm1>(*settings_);
    form16_ = std::make_unique<TForm16>(form_.get());
    form17_ = std::make_unique<TForm17>(form_.get());
    form_->SetPasswordDialogs(form16_.get(), form17_.get());
    form_->show();
    QVERIFY(QTest::qWaitForWindowExposed(form_.get()));
    form_->FitServerColumns();
  }

  // Selects list row (entry row - 1) and waits for the server's status reply.
  void Select(int row) {
    ClickRow(G("DrawGrid1"), row);
    QCOMPARE(E().Selected().Index(), row - 1);
    QTRY_VERIFY_WITH_TIMEOUT(List().At(std::size_t(row - 1)).protocol != 0, 5000);
  }

  // One status poll of the selected server, waited for until its table has
  // been taken over (and what waited for it has been put in line).
  void Poll() {
    const auto before = E().counters().statusTables;
    Click("Button5");
    QTRY_VERIFY_WITH_TIMEOUT(E().counters().statusTables > before, 5000);
  }

  // Keeps the next rcon command of a test more than the servers' 500 ms
  // after the previous one (what the program's own pause does).
  static void Space() { QTest::qWait(600); }
  QString Notice() { return W<QLabel>("PlayerNotice")->text(); }

  // Rcon datagrams the server got from the query channel (the console,
  // the tabs) or from the variable channel, as sent after the four 0xFF.
  std::vector<std::string> Rcon(const TestServer& s, bool varChannel = false) {
    static const std::string ff("\xff\xff\xff\xff", 4);
    const int from = varChannel ? E().VarLocalPort() : E().QueryLocalPort();
    std::vector<std::string> out;
    for (const auto& d : s.received())
      if (d.fromPort == from && d.data.rfind(ff + "rcon ", 0) == 0) out.push_back(d.data.substr(4));
    return out;
  }
  // Commands the server executed, whatever the channel.
  static std::vector<std::string> Executed(const TestServer& s) { return s.executedCommands(); }

 protected:
  std::unique_ptr<QTemporaryDir> dir_;
  std::vector<std::unique_ptr<TestServer>> servers_;
  std::unique_ptr<SettingsStore> settings_;
  std::unique_ptr<TForm1> form_;
  std::unique_ptr<TForm16> form16_;
  std::unique_ptr<TForm17> form17_;
};

}  // namespace zelmora::testing
