// The main window as a whole: start-up and shut-down against a data folder,
// selecting servers that are real (scripted) game servers on loopback (the
// views follow the selected server's session), row exchange by dragging,
// chart and layout rules, the clipboard items, a message timer per server.
#include <QAreaSeries>
#include <QChartView>
#include <QCheckBox>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QLineSeries>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSplitter>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QValueAxis>
#include <QtTest>

#include <sys/stat.h>
#include <filesystem>
#include <fstream>

#include "core/paths.h"
#include "core/serverfile.h"
#include "engine/clock.h"
#include "tools/testserver/testserver.h"
#include "ui/dialogs/messages.h"
#include "ui/dialogs/protectedfiles.h"
#include "ui/dialogs/serverlistops.h"
#include "ui/dialogs/tform10.h"
#include "ui/dialogs/tform4.h"
#include "ui/main/detailviews.h"
#include "ui/main/drawgrid.h"
#include "ui/main/pingchart.h"
#include "ui/main/serverlistpanel.h"
#include "ui/main/tform1.h"

using namespace zelmora;
namespace fs = std::filesystem;

namespace {

Tserverrec Entry(const std::string& host, const std::string& port, const std::string& name,
                 const std::string& rcon = "") {
  Tserverrec e;
  e.host.assign(host);
  e.port.assign(port);
  e.hostname.assign(name);
  e.rconpass.assign(rcon);
  return e;
}

std::vector<std::string> Names(const Tserverlist& list) {
  std::vector<std::string> out;
  for (const auto& e : list) out.push_back(e.hostname.str());
  return out;
}

DrawGrid* Grid(TForm1& f, const char* name) {
  return f.findChild<DrawGrid*>(name);
}

// The mouse moves over a point of the grid's cells (the platform's own
// cursor is not involved).
void MoveOver(DrawGrid* g, const QPoint& at) {
  QMouseEvent move(QEvent::MouseMove, at, g->viewport()->mapToGlobal(at), Qt::NoButton,
                   Qt::NoButton, Qt::NoModifier);
  QCoreApplication::sendEvent(g->viewport(), &move);
}

// Mouse over and click on a data row of a grid.
void ClickRow(DrawGrid* g, int row, int col = 1) {
  const QRect r = g->CellRect(col, row);
  MoveOver(g, r.center());
  QTest::mouseClick(g->viewport(), Qt::LeftButton, {}, r.center());
}

}  // namespace

class TestMainWindow : public QObject {
  Q_OBJECT

  QStringList messages_;
  std::unique_ptr<QTemporaryDir> dir_;

  std::string Dir() const { return dir_->path().toStdString() + "/"; }
  void WriteServers(const Tserverlist& list) {
    std::string error;
    QVERIFY2(SaveServers(Dir() + "Servers.dat", list, &error), error.c_str());
  }

 private slots:
  void initTestCase() {
    SetMessageFunction([this](QWidget*, MessageKind, const QString&, const QString& text) {
      messages_ << text;
      return true;
    });
  }

  void init() {
    messages_.clear();
    dir_ = std::make_unique<QTemporaryDir>();
    SetDataDir(Dir());
  }

  void startUpAndShutDown() {
    Tserverlist initial;
    for (int i = 0; i < 5; ++i) {
      Tserverrec e = Entry("127.0.0.1", std::to_string(9 + i), "S" + std::to_string(i));
      e.provider.assign("p;de;Deutschland");
      e.ping = 77;
      e.players = 5;
      e.maxclients = 20;
      e.punkbuster = 1;
      e.killcam = 1;
      e.mapinfo.assign("^2sd ^0mp_x");
      e.lastreply = 1234;
      initial.push_back(e);
    }
    WriteServers(initial);
    // A data file whose read-only state cannot be cleared (a kernel file even
    // root may not chmod) is reported, and start-up goes on.
    struct stat st {};
    const bool canTestReadOnly = stat("/proc/self/status", &st) == 0 && !(st.st_mode & 0200);
    if (canTestReadOnly) fs::create_symlink("/proc/self/status", Dir() + "names.txt");

    SettingsStore settings;
    TForm1 form(settings);
    ServerList& list = form.Engine().List();
    const Selection& sel = form.Engine().Selected();
    if (canTestReadOnly) {
      QCOMPARE(messages_, QStringList{QString::fromStdString("Fehler: " + Dir() + "names.txt") +
                                      QString::fromUtf8(" ist schreibgeschützt! Änderungen an "
                                                        "dieser Datei werden nicht gespeichert.")});
    } else {
      QVERIFY(messages_.isEmpty());
    }
    QCOMPARE(form.windowTitle(), QStringLiteral("Zelmora"));
    QCOMPARE(form.size(), QSize(791, 655));
    QCOMPARE(form.minimumSize(), QSize(784, 655));
    QVERIFY(form.Engine().Running());
    QCOMPARE(list.Size(), size_t(5));
    QCOMPARE(list.Histories().size(), size_t(5));
    for (const Tserverrec& e : list.Entries()) {
      QVERIFY(e.provider.empty());
      QCOMPARE(e.ping, 0);
      QCOMPARE(e.players, 0);
      QCOMPARE(e.maxclients, 0);
      QCOMPARE(int(e.killcam), 0);
      QVERIFY(e.mapinfo.empty());
      QCOMPARE(int(e.punkbuster), 1);  // kept at start-up
      QCOMPARE(e.lastreply, 1234u);
    }
    QCOMPARE(Names(list.Entries())[3], std::string("S3"));
    // The first server is selected and the views show its session.
    QCOMPARE(sel.Index(), 0);
    QCOMPARE(sel.Entry()->port.str(), std::string("9"));
    QVERIFY(form.Details().Shown() != nullptr);
    QCOMPARE(form.Details().Shown(), form.Engine().SelectedSession());
    QCOMPARE(Grid(form, "DrawGrid1")->RowCount(), 7);  // as created, until the first fit

    // Dragging row 2 onto row 5 exchanges entries 1 and 4 with their ping
    // histories; the rows in between stay where they are.
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    for (size_t i = 0; i < 5; ++i) list.MutableHistory(i) = {double(i), double(i) + 0.5};
    DrawGrid* g1 = Grid(form, "DrawGrid1");
    QCOMPARE(g1->verticalHeader()->cursor().shape(), Qt::SplitVCursor);
    g1->verticalHeader()->moveSection(1, 4);
    QCOMPARE(Names(list.Entries()), (std::vector<std::string>{"S0", "S4", "S2", "S3", "S1"}));
    QCOMPARE(list.History(1), (tpingit{4.0, 4.5}));
    QCOMPARE(list.History(4), (tpingit{1.0, 1.5}));
    QCOMPARE(list.History(2), (tpingit{2.0, 2.5}));
    QVERIFY(g1->RowCount() >= 6);
    for (int i = 0; i < g1->RowCount() - 1; ++i) QCOMPARE(g1->verticalHeader()->visualIndex(i), i);
    QCOMPARE(sel.Index(), 0);
    QVERIFY(!form.List().Painter().dragFlag);

    // Close: engine stopped, the list written in its current order.
    form.close();
    QVERIFY(!form.Engine().Running());
    QCOMPARE(fs::file_size(Dir() + "Servers.dat"), uintmax_t(5 * kServerRecSize));
    QVERIFY(fs::exists(Dir() + "Guids.dat"));
    Tserverlist saved;
    std::string error;
    QVERIFY(LoadServers(Dir() + "Servers.dat", saved, &error));
    QCOMPARE(Names(saved), (std::vector<std::string>{"S0", "S4", "S2", "S3", "S1"}));
  }

  void mainMenu() {
    SettingsStore settings;
    TForm1 form(settings);
    // Every menu and item has its letter (Alt+letter), none twice in a menu.
    auto mnemonic = [](const QString& text) {
      const int at = text.indexOf(QLatin1Char('&'));
      return at >= 0 && at + 1 < text.size() ? text.at(at + 1).toLower() : QChar();
    };
    auto checkLetters = [&](const QList<QAction*>& actions) {
      QSet<QChar> seen;
      for (QAction* a : actions) {
        if (a->isSeparator()) continue;
        const QChar m = mnemonic(a->text());
        QVERIFY2(!m.isNull(), qPrintable(a->text()));
        QVERIFY2(!seen.contains(m), qPrintable(a->text()));
        seen.insert(m);
      }
    };
    checkLetters(form.menuBar()->actions());
    QStringList menus;
    for (QAction* top : form.menuBar()->actions()) {
      checkLetters(top->menu()->actions());
      QString line = QString(top->text()).remove('&') + ":";
      for (QAction* act : top->menu()->actions()) {
        line += " " + QString(act->text()).remove('&') + (act->isEnabled() ? "" : " (aus)");
        if (act->menu())
          for (QAction* sub : act->menu()->actions())
            line += " [" + QString(sub->text()).remove('&') + "]";
      }
      menus << line;
    }
    QCOMPARE(
        menus,
        QStringList(
            {QString::fromUtf8("Datei: Einstellungen... rcon Experteneinstellungen..."),
             QString::fromUtf8("Serverliste: Server betreten (aus) Server hinzufügen Server "
                               "editieren Server löschen Sortieren [Nach Ping - aufsteigend] "
                               "[Nach Ping - absteigend] Liste leeren Alle Server jetzt abfragen "
                               "Serverpasswort ändern "
                               "(auf dem Server) rconPasswort ändern (im Programm) "
                               "Befehl an mehrere Server ..."),
             QString::fromUtf8("GUIDListe: Editieren ... (aus) Spielerverlauf ..."),
             QString::fromUtf8("?: Auf neue Version überprüfen (aus) Über (aus)")}));
    auto* tabs = form.findChild<QTabWidget*>("PageControl1");
    QStringList titles;
    for (int i = 0; i < tabs->count(); ++i) titles << tabs->tabText(i);
    QCOMPARE(titles.join('|'),
             QString::fromUtf8("Serverinfo|Spieler|Karten|Waffen/Fahrzeuge|Spielmodus|"
                               "Spielmodus-Einstellungen|Sonstiges|Konfig ausführen|rcon Konsole|"
                               "MSG-Timer"));
    form.close();
  }

  // No Servers.dat: empty list, nothing selected or shown, no message.
  void startUpWithoutList() {
    SettingsStore settings;
    TForm1 form(settings);
    QVERIFY(messages_.isEmpty());
    QVERIFY(form.Engine().List().Empty());
    QCOMPARE(form.Engine().Selected().Index(), -1);
    QVERIFY(form.Engine().SelectedSession() == nullptr);
    QVERIFY(form.Details().Shown() == nullptr);
    QCOMPARE(Grid(form, "DrawGrid1")->RowCount(), 7);
    form.close();
    QCOMPARE(fs::file_size(Dir() + "Servers.dat"), uintmax_t(0));
  }

  // A Servers.dat or Guids.dat that cannot be read is reported with the
  // system's reason and is not replaced by an empty list at close.
  void unreadableDataFile_data() {
    QTest::addColumn<QString>("file");
    QTest::newRow("servers") << "Servers.dat";
    QTest::newRow("guids") << "Guids.dat";
  }
  void unreadableDataFile() {
    QFETCH(QString, file);
    const std::string name = file.toStdString();
    fs::create_directory(Dir() + "elsewhere");
    fs::create_directory_symlink(Dir() + "elsewhere", Dir() + name);
    {
      SettingsStore settings;
      TForm1 form(settings);
      QCOMPARE(messages_.size(), 1);
      QVERIFY(messages_.front().contains(file));
      ServerList& list = form.Engine().List();
      Selection& sel = form.Engine().Selected();
      QVERIFY(list.Empty());
      QVERIFY(form.Files().Guids().empty());
      if (name == "Servers.dat") {
        // Adding, deleting and clearing leave the file alone; the operator
        // hears of it once.
        list.Append(Entry("192.0.2.1", "28960", ""));
        QVERIFY(!SaveServerList(&form, form.Files(), list));
        list.Append(Entry("192.0.2.2", "28960", ""));
        QVERIFY(!SaveServerList(&form, form.Files(), list));
        QCOMPARE(messages_.size(), 2);
        QVERIFY(messages_.last().contains(QStringLiteral("nicht überschrieben")));
        sel.SelectRow(0);
        QVERIFY(DeleteSelectedServer(&form, list, sel, form.Files()));
        QVERIFY(ClearServerList(&form, list, sel, form.Files()));
        // Only the two questions followed.
        QCOMPARE(messages_.mid(2),
                 (QStringList{QString::fromUtf8("Server wirklich löschen?"),
                              QString::fromUtf8("Serverliste wirklich löschen?")}));
      }
      form.close();
    }
    QVERIFY(fs::is_symlink(Dir() + name));
  }

  void selectingServers() {
    testing::TestServer a, b;
    testing::TestServerConfig ca;
    testing::SetVar(ca.vars, "sv_hostname", "^1Alpha");
    QVERIFY(a.start(ca));
    testing::TestServerConfig cb;
    cb.rconPassword = "pw";
    testing::SetVar(cb.vars, "sv_hostname", "^4Bravo");
    cb.players = testing::InventPlayers(3);
    cb.floodProtection = false;
    QVERIFY(b.start(cb));
    const std::string pa = std::to_string(a.port()), pb = std::to_string(b.port());
    WriteServers({Entry("127.0.0.1", pa, "A"), Entry("127.0.0.1", pb, "B", "pw")});

    SettingsStore settings;
    TForm1 form(settings);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    const ServerList& list = form.Engine().List();
    const Selection& sel = form.Engine().Selected();
    DrawGrid* g1 = Grid(form, "DrawGrid1");
    DrawGrid* g2 = Grid(form, "DrawGrid2");
    DrawGrid* g3 = Grid(form, "DrawGrid3");
    DrawGrid* g4 = Grid(form, "DrawGrid4");
    auto* tabs = form.findChild<QTabWidget*>("PageControl1");
    auto* notice = form.findChild<QLabel*>("Label3");
    auto* autoRefresh = form.findChild<QCheckBox*>("CheckBox2");
    QVERIFY(g1 && g2 && g3 && g4 && tabs && notice && autoRefresh);
    QCOMPARE(tabs->count(), 10);
    QCOMPARE(tabs->tabText(7), QString::fromUtf8("Konfig ausführen"));
    form.FitServerColumns();
    QCOMPARE(g1->RowCount(), 3);
    ServerSession* sa = form.Engine().Session(list.At(0).uid);
    ServerSession* sb = form.Engine().Session(list.At(1).uid);

    // Selecting B on the players tab with automatic refresh off: getstatus
    // goes out at once and one status poll of the rcon player table is
    // requested; the grids show B's session.
    b.clearReceived();
    autoRefresh->setChecked(false);
    tabs->setCurrentIndex(1);
    const double before = HiResMs();
    ClickRow(g1, 2);
    QCOMPARE(sel.Index(), 1);
    QCOMPARE(form.Details().Shown(), sb);
    QVERIFY(list.At(1).sendtime >= before);
    QVERIFY(b.waitForReceived(1, std::chrono::seconds(3)));
    QCOMPARE(b.received().front().data, std::string("\xff\xff\xff\xffgetstatus", 13));
    QVERIFY(g2->isVisible());
    QVERIFY(!notice->isVisibleTo(notice->parentWidget()));

    // The reply fills the entry and the views; the poll reaches the server
    // as an rcon "status".
    QTRY_COMPARE_WITH_TIMEOUT(list.At(1).hostname.str(), std::string("^4Bravo"), 5000);
    QTRY_COMPARE_WITH_TIMEOUT(g4->RowCount(), 4, 5000);
    QCOMPARE(g3->RowCount(), int(sb->Vars().size()) + 1);
    QTRY_VERIFY_WITH_TIMEOUT(!b.executedCommands().empty(), 5000);
    QCOMPARE(b.executedCommands().front(), std::string("status"));
    QTRY_COMPARE_WITH_TIMEOUT(g2->RowCount(), 4, 5000);
    ClickRow(g2, 2);
    QCOMPARE(form.Details().selectedplayer, 1);

    form.IPPortindieZwischenablage1Click();
    QCOMPARE(QGuiApplication::clipboard()->text(), QString::fromStdString("127.0.0.1:" + pb));

    // A: no rcon password. The grids show A's session (no player table),
    // the table is hidden and the notice shown; the player picked on B is
    // no longer picked, and B's table is no longer asked for.
    a.clearReceived();
    ClickRow(g1, 1);
    QCOMPARE(sel.Index(), 0);
    QCOMPARE(form.Details().Shown(), sa);
    QVERIFY(a.waitForReceived(1, std::chrono::seconds(3)));
    QCOMPARE(g2->RowCount(), 1);
    QCOMPARE(form.Details().selectedplayer, -1);
    QVERIFY(!g2->isVisibleTo(g2->parentWidget()));
    QVERIFY(notice->isVisibleTo(notice->parentWidget()));
    QVERIFY(!sa->TableRequested());
    QTRY_VERIFY_WITH_TIMEOUT(!sb->TableRequested(), 3000);
    QTRY_VERIFY_WITH_TIMEOUT(sa->HasStatus(), 5000);
    QCOMPARE(g4->RowCount(), 1);
    QCOMPARE(g3->RowCount(), int(sa->Vars().size()) + 1);

    // The keyboard moves the current row like a click. B answers slowly
    // now: its last status and table are shown at once, not emptied until
    // it answers.
    b.setReplyDelayMs(1500);
    b.clearReceived();
    QTest::keyClick(g1, Qt::Key_Down);
    QCOMPARE(sel.Index(), 1);
    QCOMPARE(form.Details().Shown(), sb);
    QCOMPARE(g4->RowCount(), 4);
    QCOMPARE(g3->RowCount(), int(sb->Vars().size()) + 1);
    QCOMPARE(g2->RowCount(), 4);
    QVERIFY(b.waitForReceived(1, std::chrono::seconds(3)));
    QCOMPARE(b.received().front().data, std::string("\xff\xff\xff\xffgetstatus", 13));

    // Right button: the list's popup menu, with the item whose window does
    // not exist yet shown disabled.
    const QPoint cell = g1->CellRect(2, 2).center();
    QTest::mouseClick(g1->viewport(), Qt::RightButton, {}, cell);
    auto* popup = form.findChild<QMenu*>("PopupMenu1");
    QVERIFY(popup);
    QTRY_VERIFY(popup->isVisible());
    QStringList items;
    for (QAction* act : popup->actions())
      items << QString(act->text()).remove('&') + (act->isEnabled() ? "" : " (aus)");
    QCOMPARE(items, QStringList({QString::fromUtf8("Server betreten (aus)"),
                                 QString::fromUtf8("Server hinzufügen"),
                                 QString::fromUtf8("Server editieren"),
                                 QString::fromUtf8("Server löschen"),
                                 QString::fromUtf8("IP:Port in die Zwischenablage"),
                                 QString::fromUtf8("Serverpasswort ändern (auf dem Server)"),
                                 QString::fromUtf8("rcon Passwort ändern (im Programm)"),
                                 QString::fromUtf8("Befehl an mehrere Server ..."),
                                 QString::fromUtf8("Markierte Zeilen kopieren")}));
    popup->hide();
    QVERIFY(!g1->Frozen());

    // A blank row selects no entry: nothing is sent, nothing is shown.
    b.setReplyDelayMs(0);
    QTest::qWait(1600);  // what B still owed has come
    a.clearReceived();
    b.clearReceived();
    g1->SetRowCount(7);
    ClickRow(g1, 5);
    QCOMPARE(sel.Index(), -1);
    QVERIFY(form.Details().Shown() == nullptr);
    QCOMPARE(g3->RowCount(), 1);
    QCOMPARE(g2->RowCount(), 1);
    QTest::qWait(200);
    QCOMPARE(a.receivedCount() + b.receivedCount(), uint64_t(0));
    form.close();
  }

  // The highlighted row, the selected entry and the server and password an
  // rcon command goes to are one server after every operation that moves
  // the list under the selection or changes the selection by mouse. The
  // selection stays with its server when the list is sorted or rows are
  // exchanged, and when it is edited; a deletion selects the entry that
  // moved into its row.
  void selectionAndTargetStayTogether() {
    std::vector<std::unique_ptr<testing::TestServer>> servers;
    Tserverlist initial;
    const char* names[] = {"A", "B", "C"};
    for (int i = 0; i < 3; ++i) {
      testing::TestServerConfig c;
      c.rconPassword = std::string("pw") + names[i];
      c.floodProtection = false;
      servers.push_back(std::make_unique<testing::TestServer>());
      QVERIFY(servers.back()->start(c));
      initial.push_back(
          Entry("127.0.0.1", std::to_string(servers.back()->port()), names[i], c.rconPassword));
    }
    WriteServers(initial);
    SettingsStore settings;
    TForm1 form(settings);
    QueryEngine& engine = form.Engine();
    TForm4 dialog(engine.List(), engine.Selected(), form.Files(), engine.Ranges(), &form);
    NameLookups lookups;
    lookups.resolve = [](std::string_view text) {
      HostLookup l;
      l.status = HostLookup::Status::kFound;
      l.address = std::string(text);
      return l;
    };
    lookups.reverse = [](std::string_view) { return std::string("?"); };
    dialog.SetLookups(lookups);
    form.SetDialogs(nullptr, &dialog);
    engine.SetRconPause(std::chrono::milliseconds(0));
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    form.FitServerColumns();
    ServerList& list = engine.List();
    const Selection& sel = engine.Selected();
    DrawGrid* g1 = Grid(form, "DrawGrid1");

    // The entries by their passwords (names change as the servers answer).
    auto order = [&] {
      std::vector<std::string> out;
      for (const Tserverrec& e : list.Entries()) out.push_back(e.rconpass.str().substr(2));
      return out;
    };
    auto selectedName = [&] { return sel.Entry()->rconpass.str().substr(2); };
    // The next rcon command: which server it reached and the password in it
    // must be the selected entry's, and so must the highlighted row.
    auto check = [&](const char* step) {
      QVERIFY2(sel.Valid(), step);
      const Tserverrec& e = *sel.Entry();
      QVERIFY2(g1->SelectionTop() - 1 == sel.Index(), step);
      QVERIFY2(form.Details().Shown() == engine.SelectedSession(), step);
      for (auto& srv : servers) srv->clearReceived();
      QCOMPARE(engine.SendRcon("status"), QueryEngine::SendResult::Sent);
      std::string got;
      int at = -1;
      QTRY_VERIFY2_WITH_TIMEOUT(
          [&] {
            for (size_t i = 0; i < servers.size(); ++i)
              for (const auto& d : servers[i]->received())
                if (d.data.find("rcon") == 4) {
                  got = d.data;
                  at = int(i);
                }
            return at >= 0;
          }(),
          step, 5000);
      QVERIFY2(std::to_string(servers[size_t(at)]->port()) == e.port.str(), step);
      QCOMPARE(got, std::string("\xff\xff\xff\xffrcon \"") + e.rconpass.str() + "\" status");
    };
    check("start");
    QCOMPARE(selectedName(), std::string("A"));

    // Ping sort: A goes to the end, the selection with it.
    list.MutableAt(0).ping = 300;
    list.MutableAt(1).ping = 100;
    list.MutableAt(2).ping = 200;
    form.NachPingaufsteigend1Click();
    QCOMPARE(order(), (std::vector<std::string>{"B", "C", "A"}));
    QCOMPARE(sel.Index(), 2);
    QCOMPARE(selectedName(), std::string("A"));
    check("ping sort");

    // Exchanging rows 1 and 3 by dragging: A comes to the first row.
    g1->verticalHeader()->moveSection(0, 2);
    QCOMPARE(order(), (std::vector<std::string>{"A", "C", "B"}));
    QCOMPARE(sel.Index(), 0);
    QCOMPARE(selectedName(), std::string("A"));
    check("row exchange");

    // Deleting C (row 2): B moves into its row and is selected.
    ClickRow(g1, 2);
    QCOMPARE(selectedName(), std::string("C"));
    check("click");
    form.Serverlschen2Click();
    QCOMPARE(order(), (std::vector<std::string>{"A", "B"}));
    QCOMPARE(sel.Index(), 1);
    QCOMPARE(selectedName(), std::string("B"));
    check("delete");

    // Editing A (row 1) keeps it where it is, selected.
    ClickRow(g1, 1);
    const std::uint64_t a = sel.SelectedUid();
    QTimer::singleShot(50, &dialog, [&] { dialog.Button2Click(); });
    form.Servereditieren1Click();
    QCOMPARE(order(), (std::vector<std::string>{"A", "B"}));
    QCOMPARE(sel.SelectedUid(), a);
    QCOMPARE(sel.Index(), 0);
    check("edit");

    // Right button released over the other row selects it.
    const QPoint row1 = g1->CellRect(1, 1).center(), row2 = g1->CellRect(1, 2).center();
    MoveOver(g1, row2);
    QTest::mousePress(g1->viewport(), Qt::RightButton, {}, row2);
    QTest::mouseRelease(g1->viewport(), Qt::RightButton, {}, row2);
    if (auto* popup = form.findChild<QMenu*>("PopupMenu1")) popup->hide();
    QCOMPARE(sel.Index(), 1);
    check("right button");

    // Press on row 1, drag over row 2 and up to the header, release there:
    // the selection is the pressed row's and stays so.
    MoveOver(g1, row1);
    QTest::mousePress(g1->viewport(), Qt::LeftButton, {}, row1);
    MoveOver(g1, row2);
    QWidget* header = g1->horizontalHeader()->viewport();
    QTest::mouseRelease(header, Qt::LeftButton, {}, QPoint(20, 5));
    QCOMPARE(sel.Index(), 0);
    check("release over the header");

    // Press on row 2 and release on row 1 (a drag upward): row 1 selected.
    MoveOver(g1, row2);
    QTest::mousePress(g1->viewport(), Qt::LeftButton, {}, row2);
    MoveOver(g1, row1);
    QTest::mouseRelease(g1->viewport(), Qt::LeftButton, {}, row1);
    QCOMPARE(sel.Index(), 0);
    check("drag upward");
    form.close();
  }

  // Pressing sets the drag flag (the grid keeps its picture and draws
  // nothing); releasing over a data cell selects the row last hovered,
  // releasing over the fixed column only clears the flag.
  void mouseButtonOnTheList() {
    Tserverlist initial;
    for (int i = 0; i < 4; ++i)
      initial.push_back(Entry("127.0.0.1", std::to_string(9 + i), "S" + std::to_string(i)));
    WriteServers(initial);
    SettingsStore settings;
    TForm1 form(settings);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    form.FitServerColumns();
    DrawGrid* g1 = Grid(form, "DrawGrid1");
    const Selection& sel = form.Engine().Selected();
    const ServerListPainter& painter = form.List().Painter();

    const QPoint row2 = g1->CellRect(1, 2).center();
    MoveOver(g1, row2);
    QTest::mousePress(g1->viewport(), Qt::LeftButton, {}, row2);
    QVERIFY(painter.dragFlag);
    QVERIFY(g1->Frozen());
    QCOMPARE(sel.Index(), 1);  // the click ran on the press
    QCOMPARE(sel.Entry()->port.str(), std::string("10"));
    QCOMPARE(form.Details().Shown(), form.Engine().SelectedSession());
    MoveOver(g1, g1->CellRect(2, 4).center());
    QCOMPARE(form.HoverIndex(), 3);
    QTest::mouseRelease(g1->viewport(), Qt::LeftButton, {}, g1->CellRect(2, 4).center());
    QVERIFY(!painter.dragFlag);
    QVERIFY(!g1->Frozen());
    QCOMPARE(sel.Index(), 3);  // the hovered row, not the pressed one
    QCOMPARE(sel.Entry()->port.str(), std::string("12"));
    QCOMPARE(form.Details().Shown(), form.Engine().SelectedSession());

    // Button down and up on the fixed column: no selection change.
    QWidget* fixed = g1->verticalHeader()->viewport();
    const QPoint f1(5, g1->verticalHeader()->sectionViewportPosition(0) + 5);
    QTest::mousePress(fixed, Qt::LeftButton, {}, f1);
    QVERIFY(painter.dragFlag);
    QTest::mouseRelease(fixed, Qt::LeftButton, {}, f1);
    QVERIFY(!painter.dragFlag);
    QCOMPARE(sel.Index(), 3);
    QCOMPARE(form.HoverIndex(), 3);
    form.close();
  }

  void chartAndLayout() {
    SettingsStore settings;
    TForm1 form(settings);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    // The tab bar has the toolkit's standard look unless the own look is on.
    auto* tabs = form.findChild<QTabWidget*>("PageControl1");
    QVERIFY(tabs->styleSheet().isEmpty());
    form.SkinningChanged(true);
    QVERIFY(!tabs->styleSheet().isEmpty());
    QCOMPARE(tabs->tabBar()->font().stretch(), int(QFont::Condensed));
    form.SkinningChanged(false);
    QVERIFY(tabs->styleSheet().isEmpty());
    QVERIFY(tabs->tabBar()->font().stretch() != int(QFont::Condensed));
    auto* chart = form.findChild<QChartView*>("Chart1");
    QWidget* panel3 = form.findChild<QWidget*>("Panel3");
    QWidget* central = form.centralWidget();

    PingChart& ping = form.Chart();
    QCOMPARE(ping.Chart(), chart->chart());
    ping.Rebuild(200);
    QCOMPARE(ping.PointCount(), 200);
    std::vector<double> values(200);
    for (int i = 0; i < 200; ++i) values[size_t(i)] = i % 7;
    values.back() = 123;
    ping.Plot(values);
    auto* upper = ping.Series()->upperSeries();
    QCOMPARE(upper->at(199).y(), 123.0);
    QCOMPARE(upper->at(7).y(), 0.0);
    QCOMPARE(ping.Axis()->max(), 200.0);
    form.SetChartAxis(false, 350);
    QCOMPARE(ping.Axis()->max(), 350.0);
    form.SetChartAxis(true, 350);
    QVERIFY(ping.Axis()->max() >= 123.0 && ping.Axis()->max() < 350.0);
    form.SetChartAxis(false, 200);

    // The longest history is drawn with a bounded number of points, each the
    // highest sample of its group: a spike anywhere stays visible.
    ping.Rebuild(10000);
    QCOMPARE(ping.PointCount(), 10000);
    std::vector<double> many(10000, 5.0);
    many[4321] = 999;
    many.back() = 42;
    ping.Plot(many);
    upper = ping.Series()->upperSeries();
    QCOMPARE(upper->count(), 2000);
    QCOMPARE(upper->at(864).y(), 999.0);  // samples 4320..4324
    QCOMPARE(upper->at(863).y(), 5.0);
    QCOMPARE(upper->at(1999).y(), 42.0);
    // A history shown: rebuilt to its length, plotted only when asked to.
    const std::vector<double> history = {10, 20, 30};
    ping.Show(history, false);
    QCOMPARE(ping.PointCount(), 3);
    QCOMPARE(ping.Series()->upperSeries()->at(2).y(), 0.0);
    ping.Show(history, true);
    QCOMPARE(ping.Series()->upperSeries()->at(2).y(), 30.0);
    ping.Rebuild(200);

    settings.Set(&Settings::aktive, false);
    form.SetChartVisible(false);
    QCOMPARE(form.height(), 572);
    QCOMPARE(form.minimumHeight(), 572);
    QTRY_VERIFY(!chart->isVisible());
    QTRY_COMPARE(panel3->height(), central->height());
    settings.Set(&Settings::aktive, true);
    form.SetChartVisible(true);
    QCOMPARE(form.height(), 655);
    QTRY_VERIFY(chart->isVisible());
    QTRY_COMPARE(panel3->height(), central->height() - 89);
    QCOMPARE(chart->geometry().bottom(), central->height() - 1);

    // The tab area may not end up lower than 30 pixels.
    auto* splitter = form.findChild<QSplitter*>("Splitter1");
    const int total = splitter->sizes().value(0) + splitter->sizes().value(1);
    splitter->setSizes({total - 12, 12});
    QVERIFY(form.findChild<QWidget*>("Panel1")->height() < 30);
    form.FormResize();
    QCOMPARE(splitter->sizes().value(0), 30);

    // Minimising stops both periodic queries; restoring applies the current
    // settings again.
    settings.Set(&Settings::cqt, std::string("7"));
    form.Engine().Timer5().SetEnabled(true);
    form.Engine().Timer1().SetEnabled(true);
    form.setWindowState(Qt::WindowMinimized);
    QVERIFY(!form.Engine().Timer5().Enabled());
    QVERIFY(!form.Engine().Timer1().Enabled());
    form.setWindowState(Qt::WindowNoState);
    QVERIFY(form.Engine().Timer5().Enabled());
    QCOMPARE(form.Engine().Timer5().Interval(), 7000);
    QVERIFY(form.Engine().Timer1().Enabled());
    // An interval that is no number is reported.
    settings.Set(&Settings::sqt, std::string("eins"));
    QVERIFY(!form.ApplyQuerySettings());
    QCOMPARE(messages_.size(), 1);
    QVERIFY(messages_.front().contains("eins"));
    form.close();
  }

  // The keyboard and the headers: a header click sorts the server list
  // (the selection stays with its server), Ctrl+C copies the selected row's
  // texts, F5 asks every server, Delete deletes after the question, Enter
  // joins, the menu key opens the list's menu; the player grids sort in the
  // view while their rows keep the table's order.
  void keyboardAndHeaders() {
    std::vector<std::unique_ptr<testing::TestServer>> servers;
    Tserverlist initial;
    for (const char* name : {"^1Charlie", "Alpha", "^2Bravo"}) {
      testing::TestServerConfig c;
      testing::SetVar(c.vars, "sv_hostname", name);
      if (std::string(name) == "^2Bravo") {
        // Its player table: the slow player first.
        c.rconPassword = "pw";
        testing::TestPlayer slow, fast;
        slow.num = 0;
        slow.name = "Slow";
        slow.ping = "300";
        fast.num = 1;
        fast.name = "Fast";
        fast.ping = "20";
        c.players = {slow, fast};
      }
      servers.push_back(std::make_unique<testing::TestServer>());
      QVERIFY(servers.back()->start(c));
      initial.push_back(
          Entry("127.0.0.1", std::to_string(servers.back()->port()), name, c.rconPassword));
    }
    WriteServers(initial);
    SettingsStore settings;
    settings.Set(&Settings::cq, false);
    settings.Set(&Settings::sq, false);
    TForm1 form(settings);
    TForm10 join(form.Engine(), settings, &form);
    form.SetJoinWindow(&join);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    const ServerList& list = form.Engine().List();
    const Selection& sel = form.Engine().Selected();
    DrawGrid* g1 = Grid(form, "DrawGrid1");
    for (auto& srv : servers) QVERIFY(form.Engine().SendGetStatus(int(&srv - &servers[0])));
    QTRY_VERIFY(list.At(0).protocol != 0 && list.At(1).protocol != 0 && list.At(2).protocol != 0);
    form.FitServerColumns();
    ClickRow(g1, 2);  // Alpha
    const std::uint64_t alpha = sel.SelectedUid();

    auto header = [g1](int col) {
      QTest::mouseClick(g1->ColumnHeader()->viewport(), Qt::LeftButton, {},
                        g1->CellRect(col, 0).center());
    };
    header(1);
    QCOMPARE(Names(list.Entries()), (std::vector<std::string>{"Alpha", "^2Bravo", "^1Charlie"}));
    QCOMPARE(sel.SelectedUid(), alpha);
    QCOMPARE(sel.Index(), 0);
    QCOMPARE(g1->SelectionTop(), 1);
    header(1);  // the other way round
    QCOMPARE(Names(list.Entries()), (std::vector<std::string>{"^1Charlie", "^2Bravo", "Alpha"}));
    QCOMPARE(sel.Index(), 2);
    QCOMPARE(g1->SelectionTop(), 3);

    g1->setFocus();
    QTest::keyClick(g1, Qt::Key_C, Qt::ControlModifier);
    const QString copied = QGuiApplication::clipboard()->text();
    QCOMPARE(copied.section('\t', 0, 0), QStringLiteral("Alpha"));
    QCOMPARE(copied.section('\t', 4, 4),
             QString::fromStdString(list.At(2).host.str() + ":" + list.At(2).port.str()));
    QVERIFY(!copied.contains('^'));

    for (auto& srv : servers) srv->clearReceived();
    QTest::keyClick(&form, Qt::Key_F5);
    for (auto& srv : servers) QTRY_COMPARE(srv->receivedCount(), 1u);

    QTest::keyClick(g1, Qt::Key_Return);
    QVERIFY(join.isVisible());
    join.hide();

    auto* popup = form.findChild<QMenu*>("PopupMenu1");
    QTest::keyClick(g1, Qt::Key_Menu);
    QTRY_VERIFY(popup->isVisible());
    popup->hide();

    // Delete: the last row goes, and with it the selection.
    messages_.clear();
    QTest::keyClick(g1, Qt::Key_Delete);
    QCOMPARE(messages_, QStringList{QString::fromUtf8("Server wirklich löschen?")});
    QCOMPARE(Names(list.Entries()), (std::vector<std::string>{"^1Charlie", "^2Bravo"}));
    QVERIFY(!sel.Valid());

    // Bravo's rcon player table sorted by ping in the view: a click on the
    // first row shown selects that player's row of the table.
    ClickRow(g1, 2);
    QCOMPARE(sel.Entry()->hostname.str(), std::string("^2Bravo"));
    form.findChild<QTabWidget*>("PageControl1")->setCurrentIndex(1);
    DrawGrid* g2 = Grid(form, "DrawGrid2");
    QVERIFY(g2->isVisible());
    form.Engine().SelectedSession()->RequestTable();
    QTRY_COMPARE_WITH_TIMEOUT(g2->RowCount(), 3, 5000);
    QCOMPARE(g2->model()->index(0, 0).data().toString(), QStringLiteral("Slow"));
    QTest::mouseClick(g2->ColumnHeader()->viewport(), Qt::LeftButton, {},
                      g2->CellRect(4, 0).center());
    QCOMPARE(g2->model()->index(0, 0).data().toString(), QStringLiteral("Fast"));
    QCOMPARE(g2->CellRect(1, 2).top(), g2->visualRect(g2->model()->index(0, 0)).top());
    QTest::mouseClick(g2->viewport(), Qt::LeftButton, {},
                      g2->visualRect(g2->model()->index(0, 0)).center());
    QCOMPARE(form.Details().selectedplayer, 1);
    form.close();
  }

  // Each server has its own message timer: it keeps running while another
  // server is selected, and the page counts the selected server's
  // messages as they leave, once each.
  void messageTimerFollowsItsServer() {
    std::vector<std::unique_ptr<testing::TestServer>> servers;
    Tserverlist initial;
    for (int i = 0; i < 2; ++i) {
      testing::TestServerConfig c;
      c.rconPassword = "pw";
      servers.push_back(std::make_unique<testing::TestServer>());
      QVERIFY(servers.back()->start(c));
      initial.push_back(Entry("127.0.0.1", std::to_string(servers.back()->port()),
                              "S" + std::to_string(i), "pw"));
    }
    WriteServers(initial);
    SettingsStore settings;
    settings.Set(&Settings::cq, false);
    settings.Set(&Settings::sq, false);
    TForm1 form(settings);
    form.Engine().SetRconPause(std::chrono::milliseconds(0));
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    form.FitServerColumns();
    DrawGrid* g1 = Grid(form, "DrawGrid1");
    auto* counter = form.findChild<QLabel*>("Label28");
    auto* on = form.findChild<QPushButton*>("Button50");
    auto* off = form.findChild<QPushButton*>("Button51");
    QVERIFY(counter && on && off);
    const ServerList& list = form.Engine().List();
    MessageTimer& first = form.Engine().Session(list.At(0).uid)->Messages();
    auto says = [&](int i) {
      int n = 0;
      for (const std::string& c : servers[size_t(i)]->executedCommands())
        if (c == "say \"Hallo\"") ++n;
      return n;
    };

    ClickRow(g1, 1);
    form.findChild<QTabWidget*>("PageControl1")->setCurrentIndex(9);
    form.findChild<QLineEdit*>("Edit8")->setText(QStringLiteral("Hallo"));
    form.findChild<QLineEdit*>("Edit9")->setText(QStringLiteral("30"));
    on->click();
    QVERIFY(first.Running());
    QVERIFY(!on->isEnabled() && off->isEnabled());
    first.Tick();
    QTRY_COMPARE_WITH_TIMEOUT(counter->text(), QStringLiteral("1"), 3000);

    // The other server: its own (idle) timer is shown; the first one goes on.
    ClickRow(g1, 2);
    QCOMPARE(counter->text(), QStringLiteral("0"));
    QVERIFY(on->isEnabled() && !off->isEnabled());
    first.Tick();
    QTRY_COMPARE_WITH_TIMEOUT(says(0), 2, 3000);
    QCOMPARE(counter->text(), QStringLiteral("0"));

    // Back on the first server: its count, and each message counted once.
    ClickRow(g1, 1);
    QCOMPARE(counter->text(), QStringLiteral("2"));
    QVERIFY(!on->isEnabled() && off->isEnabled());
    first.Tick();
    QTRY_COMPARE_WITH_TIMEOUT(counter->text(), QStringLiteral("3"), 3000);
    QTRY_COMPARE_WITH_TIMEOUT(says(0), 3, 3000);
    QCOMPARE(says(1), 0);
    off->click();
    QVERIFY(!first.Running());
    form.close();
  }

  // The clipboard items of the detail grids copy from the selected server's
  // session: the row the menu was opened for, else the current row.
  void clipboardItems() {
    testing::TestServer server;
    testing::TestServerConfig c;
    c.rconPassword = "pw";
    testing::SetVar(c.vars, "sv_hostname", "^2Name");
    testing::TestPlayer player;
    player.num = 4;
    player.name = "^1Player";
    player.guid = "654321";
    player.ip = "127.0.0.9";
    c.players = {player};
    QVERIFY(server.start(c));
    WriteServers({Entry("127.0.0.1", std::to_string(server.port()), "S", "pw")});
    SettingsStore settings;
    settings.Set(&Settings::cq, false);
    settings.Set(&Settings::sq, false);
    TForm1 form(settings);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    ServerSession& session = *form.Engine().SelectedSession();
    QVERIFY(form.Engine().SendGetStatus(0));
    form.findChild<QTabWidget*>("PageControl1")->setCurrentIndex(1);
    DrawGrid* g2 = Grid(form, "DrawGrid2");
    session.RequestTable();
    QTRY_COMPARE_WITH_TIMEOUT(g2->RowCount(), 2, 5000);
    QTRY_VERIFY_WITH_TIMEOUT(session.HasStatus(), 5000);
    g2->SetRowCount(4);
    QClipboard* clip = QGuiApplication::clipboard();
    DetailViews& details = form.Details();

    // The items act on the row the menu was opened for.
    const QPoint first = g2->CellRect(1, 1).center();
    auto* popup = form.findChild<QMenu*>("PopupMenu2");
    QTest::mouseClick(g2->viewport(), Qt::RightButton, {}, first);
    QTRY_VERIFY(popup->isVisible());
    popup->hide();
    details.IPindieZwischenablage1Click();
    QCOMPARE(clip->text(), QStringLiteral("127.0.0.9"));
    details.guidindieZwischenablage1Click();
    QCOMPARE(clip->text(), QStringLiteral("654321"));
    details.SpielernameindieZwischenablage2Click();
    QCOMPARE(clip->text(), QStringLiteral("^1Player"));  // as the server sent it
    QTest::mouseClick(g2->viewport(), Qt::LeftButton, {}, first);
    QCOMPARE(details.selectedplayer, 0);

    // A row without an element copies an empty text.
    QTest::mouseClick(g2->viewport(), Qt::RightButton, {}, g2->CellRect(1, 3).center());
    QTRY_VERIFY(popup->isVisible());
    popup->hide();
    details.IPindieZwischenablage1Click();
    QCOMPARE(clip->text(), QString());

    // The players of the status reply, and its variables: no menu, the
    // current row.
    form.findChild<QTabWidget*>("PageControl1")->setCurrentIndex(0);
    DrawGrid* g4 = Grid(form, "DrawGrid4");
    QCOMPARE(g4->RowCount(), 2);
    QTest::mouseClick(g4->viewport(), Qt::LeftButton, {}, g4->CellRect(0, 1).center());
    details.SpielernameindieZwischenablage1Click();
    QCOMPARE(clip->text(), QStringLiteral("^1Player"));
    DrawGrid* g3 = Grid(form, "DrawGrid3");
    QVERIFY(session.Vars().size() >= 2);
    QTest::mouseClick(g3->viewport(), Qt::LeftButton, {}, g3->CellRect(0, 2).center());
    details.VariableninhaltZwischenablage1Click();
    QCOMPARE(clip->text(), QString::fromStdString(session.Vars()[1].second));
    int hostnameRow = -1;
    for (size_t i = 0; i < session.Vars().size(); ++i)
      if (session.Vars()[i].first == "sv_hostname") hostnameRow = int(i) + 1;
    QVERIFY(hostnameRow > 0);
    QTest::mouseClick(g3->viewport(), Qt::LeftButton, {}, g3->CellRect(0, hostnameRow).center());
    details.VariableninhaltZwischenablage1Click();
    QCOMPARE(clip->text(), QStringLiteral("^2Name"));
    form.close();
  }
};

QTEST_MAIN(TestMainWindow)
#include "test_mainwindow.moc"
