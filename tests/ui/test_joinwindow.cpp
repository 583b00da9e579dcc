// The join window on its own: histories loaded and saved byte for byte, the
// start with its command line and executable, the messages, waiting for a
// slot, the player count, the high-pinger kick and what happens after a
// join. The client start is recorded, never run.
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <filesystem>

#include "core/launcher.h"
#include "engine/queryengine.h"
#include "tests/core/testfiles.h"
#include "ui/dialogs/messages.h"
#include "ui/dialogs/tform10.h"

using namespace zelmora;
using zelmora::testing::ReadBytes;
using zelmora::testing::WriteBytes;
namespace fs = std::filesystem;

namespace {

struct Launch {
  std::string exe, line, folder;
};

Tserverrec Server(const std::string& host, const std::string& port, std::uint8_t protocol,
                  int players, int maxclients, int privateclients, const std::string& rcon) {
  Tserverrec e;
  e.host.assign(host);
  e.port.assign(port);
  e.protocol = protocol;
  e.players = players;
  e.maxclients = maxclients;
  e.privateclients = privateclients;
  e.rconpass.assign(rcon);
  return e;
}

// One join window with everything it talks to.
struct Fixture {
  QTemporaryDir dir;
  SettingsStore settings;
  QueryEngine engine{settings};
  std::unique_ptr<TForm10> form;
  std::vector<Launch> launches;
  LaunchStatus launchStatus = LaunchStatus::kStarted;
  QStringList messages;
  int minimized = 0, closed = 0, colours = 0;
  MessageFunction previous;

  std::string Path(const char* name) const { return dir.filePath(name).toStdString(); }
  std::string Names() const { return ReadBytes(Path("names.txt")); }
  std::string Passes() const { return ReadBytes(Path("passes.txt")); }

  explicit Fixture(const std::string& names = "", const std::string& passes = "") {
    previous = SetMessageFunction([this](QWidget*, MessageKind, const QString&, const QString& t) {
      messages << t;
      return true;
    });
    if (!names.empty()) WriteBytes(Path("names.txt"), names);
    if (!passes.empty()) WriteBytes(Path("passes.txt"), passes);
    // The paths table: protocol 6 is joined with the row stored under "21".
    WriteBytes(Path("CoDMP.exe"), "MZ");
    settings.Update([&](Settings& s) {
      s.paths[2] = Path("CoDMP.exe");       // row "COD1(6)"
      s.paths[1] = Path("uo/CoDUOMP.exe");  // row "COD1:UO(21)": missing
      s.param = "  +set fs_game mods/x ";
    });
    engine.List().Replace({Server("127.0.0.1", "28960", 6, 3, 20, 0, "pw"),
                           Server("10.1.1.1", "28961", 21, 0, 10, 0, "")});
    engine.Selected().SelectRow(0);
    form = std::make_unique<TForm10>(engine, settings);
    form->SetLauncher([this](const std::string& e, const std::string& l, const std::string& f) {
      launches.push_back({e, l, f});
      return LaunchResult{launchStatus, {}};
    });
    TForm10::Hooks hooks;
    hooks.minimizeApplication = [this] { ++minimized; };
    hooks.closeMainWindow = [this] { ++closed; };
    hooks.showColorCodes = [this] { ++colours; };
    form->SetHooks(std::move(hooks));
    form->FormCreate(Path("names.txt"), Path("passes.txt"));
  }
  ~Fixture() { SetMessageFunction(previous); }

  void SetJoin(JoinAfter after) {
    settings.Update([&](Settings& s) { s.join = after; });
  }
  Tserverrec& Entry(int row) { return engine.List().MutableAt(static_cast<std::size_t>(row)); }
  // Selects a row; -1: none.
  void Select(int row) { engine.Selected().SelectRow(row); }
};

}  // namespace

class TestJoinWindow : public QObject {
  Q_OBJECT

 private slots:
  void controls() {
    Fixture f;
    TForm10& w = *f.form;
    QCOMPARE(w.windowTitle(), QStringLiteral("Startparameter"));
    QVERIFY(!w.isModal());
    QVERIFY(!w.isVisible());
    auto text = [&](const char* name) -> QString {
      if (auto* l = w.findChild<QLabel*>(name)) return l->text();
      if (auto* b = w.findChild<QPushButton*>(name)) return b->text();
      return "<none>";
    };
    const char* captions[][2] = {{"Label1", "Spielername:"},
                                 {"Label2", "Passwort:"},
                                 {"Label3", "Spieler auf Server: "},
                                 {"Button1", "Starte Call of Duty"},
                                 {"Button2", "Abbruch"},
                                 {"Button3", "Farben"},
                                 {"Button4", "leeren"},
                                 {"Button5", "leeren"},
                                 {"Button6", "Warten bis Slot frei wird"},
                                 {"Button7", "Highpinger kicken"}};
    for (const auto& c : captions) QCOMPARE(text(c[0]), QString::fromUtf8(c[1]));
    QVERIFY(w.findChild<QComboBox*>("ComboBox1") && w.findChild<QComboBox*>("ComboBox2"));
    QVERIFY(w.findChild<QLabel*>("Label4"));
    auto* timer = w.findChild<QTimer*>("Timer1");
    QVERIFY(timer && !timer->isActive());
    QCOMPARE(timer->interval(), 1000);

    w.Button3Click();
    QCOMPARE(f.colours, 1);
    w.SetColorCodesWindow({});
    w.Button3Click();  // no colour window yet: nothing
    QCOMPARE(f.colours, 1);
  }

  void startRecordsHistories() {
    // A name the file holds several times: afterwards once, at the end.
    Fixture f("Al\r\nBob\r\nAl\r\nCy\r\nAl\r\n", "p1\r\np2\r\n");
    TForm10& w = *f.form;
    QCOMPARE(w.ComboBox1->count(), 5);
    QCOMPARE(w.ComboBox1->currentText(), QStringLiteral("Al"));  // the newest
    QCOMPARE(w.ComboBox2->currentText(), QStringLiteral("p2"));
    w.JoinSelectedServer();  // "ask" is on: the window opens
    QVERIFY(w.isVisible());
    QVERIFY(f.launches.empty());

    w.ComboBox1->setEditText(QStringLiteral(" Al "));
    w.ComboBox2->setEditText(QStringLiteral("p1"));
    w.Button1Click();
    QCOMPARE(f.launches.size(), size_t(1));
    QCOMPARE(f.launches[0].exe, f.Path("CoDMP.exe"));
    QCOMPARE(f.launches[0].folder, f.dir.path().toStdString() + "/");
    // The game gets the name as typed, the history the trimmed one.
    QCOMPARE(f.launches[0].line,
             std::string("+connect \"127.0.0.1:28960\" +password \"p1\" +name \" Al \" "
                         "+set fs_game mods/x"));
    QCOMPARE(f.Names(), std::string("Bob\r\nCy\r\nAl\r\n"));
    QCOMPARE(f.Passes(), std::string("p2\r\np1\r\n"));
    QCOMPARE(w.ComboBox1->currentText(), QStringLiteral("Al"));
    QCOMPARE(w.ComboBox1->count(), 3);
    QVERIFY(!w.isVisible());
    QCOMPARE(f.minimized, 1);  // default after a join: minimise
    QCOMPARE(f.closed, 0);
    QVERIFY(f.messages.isEmpty());
    // No temporary file is left beside the histories.
    for (const auto& entry : fs::directory_iterator(f.dir.path().toStdString()))
      QVERIFY2(entry.path().filename().string().find("tmp") == std::string::npos,
               entry.path().c_str());
  }

  void blankNameAndEmptyPassword() {
    Fixture f;
    TForm10& w = *f.form;
    w.ComboBox1->setEditText(QStringLiteral("   "));
    w.Button1Click();
    QCOMPARE(f.launches.size(), size_t(1));
    QCOMPARE(f.launches[0].line, std::string("+connect \"127.0.0.1:28960\" +password \"\" +name "
                                             "\"   \" +set fs_game mods/x"));
    QCOMPARE(f.Names(), std::string("\r\n"));  // the empty name
    QCOMPARE(f.Passes(), std::string("\r\n"));
    QCOMPARE(w.ComboBox1->currentText(), QString());

    // Now the name is empty: only the message, nothing else changes.
    w.show();
    w.Button1Click();
    QCOMPARE(f.messages, QStringList{QStringLiteral("Bitte einen Spielernamen angeben!")});
    QCOMPARE(f.launches.size(), size_t(1));
    QVERIFY(w.isVisible());
    QCOMPARE(f.minimized, 1);
    QCOMPARE(f.Names(), std::string("\r\n"));
  }

  void quotesAndLineBreaks() {
    Fixture f;
    TForm10& w = *f.form;
    w.ComboBox1->setEditText(QString::fromUtf8("a\"b\" J\u00e4ger"));
    // A quote or a blank would end the password on the game's command line:
    // refused where it is typed, nothing started.
    w.ComboBox2->setEditText(QStringLiteral("x\"y"));
    w.Button1Click();
    QVERIFY(f.launches.empty());
    QCOMPARE(f.messages.size(), 1);
    w.ComboBox2->setEditText(QStringLiteral("x;y"));
    w.Button1Click();
    QCOMPARE(f.launches.at(0).line, std::string("+connect \"127.0.0.1:28960\" +password \"x;y\" "
                                                "+name \"a\"b\" J\xe4ger\" +set fs_game mods/x"));
    QCOMPARE(f.Names(), std::string("a\"b\" J\xe4ger\r\n"));  // Windows-1252 on disk
    // A pasted line break would split the entry into two lines of the file.
    w.ComboBox1->setEditText(QStringLiteral("one\ntwo"));
    w.Button1Click();
    QCOMPARE(f.Names(), std::string("a\"b\" J\xe4ger\r\none two\r\n"));
  }

  void missingExecutable() {
    Fixture f;
    TForm10& w = *f.form;
    f.SetJoin(JoinAfter::kQuit);
    w.ComboBox1->setEditText(QStringLiteral("Bob"));
    // Protocol 6 uses the row under key "21"; the file is gone.
    fs::remove(f.Path("CoDMP.exe"));
    w.show();
    w.Button1Click();
    QCOMPARE(f.messages, QStringList{QStringLiteral("Konnte Call of Duty 1.5 EXE nicht finden")});
    // Protocol 21 uses the row under key "6".
    f.Select(1);
    w.Button1Click();
    QCOMPARE(f.messages.value(1), QStringLiteral("Konnte Call of Duty 1.41 EXE nicht finden"));
    QVERIFY(f.launches.empty());
    // Histories saved, window hidden; no game runs, so the program does not
    // end (nor minimise): it goes on as it was.
    QCOMPARE(f.Names(), std::string("Bob\r\n"));
    QVERIFY(!w.isVisible());
    QCOMPARE(f.closed, 0);

    // A server that has not answered (protocol 0), no selection: no start,
    // no message, the rest as usual.
    f.Entry(0).protocol = 0;
    f.Select(0);
    w.Button1Click();
    f.Select(-1);
    w.Button1Click();
    QCOMPARE(f.messages.size(), 2);
    QVERIFY(f.launches.empty());
    QCOMPARE(f.closed, 0);
  }

  void clearAndCancelLeaveFiles() {
    Fixture f("Al\r\nBob\r\n", "p\r\n");
    TForm10& w = *f.form;
    w.show();
    w.Button4Click();
    w.Button5Click();
    QCOMPARE(w.ComboBox1->count(), 0);
    QCOMPARE(w.ComboBox1->currentText(), QString());
    QCOMPARE(w.ComboBox2->count(), 0);
    QCOMPARE(w.ComboBox2->currentText(), QString());
    w.Button2Click();
    QVERIFY(!w.isVisible());
    QCOMPARE(f.Names(), std::string("Al\r\nBob\r\n"));
    QCOMPARE(f.Passes(), std::string("p\r\n"));
    // The next start writes the emptied lists.
    w.ComboBox1->setEditText(QStringLiteral("Cy"));
    w.Button1Click();
    QCOMPARE(f.Names(), std::string("Cy\r\n"));
    QCOMPARE(f.Passes(), std::string("\r\n"));
  }

  void withoutAsking() {
    {
      Fixture f("Al\r\nBob\r\n", "p1\r\np2\r\n");
      f.settings.Set(&Settings::ask, false);
      f.SetJoin(JoinAfter::kStayOpen);
      f.form->JoinSelectedServer();
      QVERIFY(!f.form->isVisible());
      QCOMPARE(f.launches.size(), size_t(1));
      QVERIFY(f.launches[0].line.find("+password \"p2\" +name \"Bob\" ") != std::string::npos);
      QCOMPARE(f.minimized + f.closed, 0);
    }
    {
      Fixture f;  // no history yet
      f.settings.Set(&Settings::ask, false);
      f.form->JoinSelectedServer();
      QCOMPARE(f.messages, QStringList{QStringLiteral("Bitte einen Spielernamen angeben!")});
      QVERIFY(f.launches.empty());
      QVERIFY(!f.form->isVisible());
    }
  }

  void playerCount() {
    Fixture f;
    TForm10& w = *f.form;
    Tserverrec& e = f.Entry(0);
    e.players = 18;
    e.privateclients = 2;
    w.RefreshJoinDialog();
    QCOMPARE(w.Label4->text(), QStringLiteral("18/20(2)"));
    QCOMPARE(w.Label4->palette().color(QPalette::WindowText), QColor(255, 0, 0));
    QVERIFY(!w.Button6->isHidden());
    QVERIFY(!w.Button7->isHidden());
    e.players = 17;
    w.RefreshJoinDialog();
    QCOMPARE(w.Label4->text(), QStringLiteral("17/20(2)"));
    QCOMPARE(w.Label4->palette().color(QPalette::WindowText), QColor(0, 0, 0));
    QVERIFY(w.Button6->isHidden());
    QVERIFY(w.Button7->isHidden());
    // Full again, but no rcon password: the kick button keeps its state.
    e.players = 18;
    e.rconpass.assign("");
    w.RefreshJoinDialog();
    QVERIFY(!w.Button6->isHidden());
    QVERIFY(w.Button7->isHidden());
    w.Button7->setVisible(true);
    w.RefreshJoinDialog();
    QVERIFY(!w.Button7->isHidden());
    QCOMPARE(w.Label4->text(), QStringLiteral("18/20(2)"));
  }

  void waitForSlot() {
    Fixture f("Bob\r\n");
    TForm10& w = *f.form;
    Tserverrec& e = f.Entry(0);
    // A free slot now: starts at once, the caption stays.
    w.show();
    w.Button6Click();
    QCOMPARE(f.launches.size(), size_t(1));
    QVERIFY(!w.Waiting());
    QCOMPARE(w.Button6->text(), QStringLiteral("Warten bis Slot frei wird"));

    // Full: waits.
    e.players = 20;
    w.show();
    w.Button6Click();
    QVERIFY(w.Waiting());
    QCOMPARE(w.Button6->text(), QStringLiteral("warte..."));
    w.Timer1Timer();
    QCOMPARE(f.launches.size(), size_t(1));
    // The reply that frees a slot starts the game right after its handling.
    e.players = 19;
    w.RefreshJoinDialog();
    QCOMPARE(f.launches.size(), size_t(1));  // not inside the reply handler itself
    QTRY_COMPARE(f.launches.size(), size_t(2));
    QVERIFY(!w.Waiting());
    QVERIFY(!w.isVisible());
    QCOMPARE(w.Button6->text(), QStringLiteral("warte..."));  // until the next double click
    w.ResetWaitCaption();
    QCOMPARE(w.Button6->text(), QStringLiteral("Warten bis Slot frei wird"));

    // Another server selected while waiting: the wait follows it.
    e.players = 20;
    w.Button6Click();
    f.Entry(1).protocol = 6;
    f.Select(1);
    w.Timer1Timer();
    QCOMPARE(f.launches.size(), size_t(3));
    QCOMPARE(f.launches[2].line.rfind("+connect \"10.1.1.1:28961\" ", 0), size_t(0));

    // "Abbruch" ends a wait; so does a wait without a selected server.
    f.Select(0);
    w.Button6Click();
    QVERIFY(w.Waiting());
    w.Button2Click();
    QVERIFY(!w.Waiting());
    f.Select(-1);
    w.Button6Click();
    QVERIFY(!w.Waiting());
    f.Select(0);
    w.Button6Click();
    f.Select(-1);  // the selection goes away while waiting
    w.Timer1Timer();
    QVERIFY(!w.Waiting());
    QCOMPARE(w.Button6->text(), QStringLiteral("Warten bis Slot frei wird"));
    QCOMPARE(f.launches.size(), size_t(3));
    // A tick while the main window closes starts nothing.
    f.Select(0);
    w.Button6Click();
    e.players = 0;
    w.Closing();
    w.Timer1Timer();
    QVERIFY(!w.Waiting());
    QCOMPARE(f.launches.size(), size_t(3));
    QVERIFY(f.messages.isEmpty());
  }

  void highPinger() {
    Fixture f;
    TForm10& w = *f.form;
    // A high-ping request for the selected server, whose table is asked
    // for at once; a second click does not make a second request.
    ServerSession& first = *f.engine.Session(f.Entry(0).uid);
    ServerSession& second = *f.engine.Session(f.Entry(1).uid);
    QVERIFY(!first.TableRequested());
    w.Button7Click();
    w.Button7Click();
    QCOMPARE(first.Actions().Pending().size(), size_t(1));
    QVERIFY(first.Actions().Pending()[0].kind == PendingPlayerAction::Kind::HighPing);
    QVERIFY(first.TableRequested());
    QVERIFY(second.Actions().Pending().empty());
    // Without an rcon password nothing happens.
    f.Select(1);
    w.Button7Click();
    QVERIFY(second.Actions().Pending().empty());
    QVERIFY(!second.TableRequested());
    QCOMPARE(first.Actions().Pending().size(), size_t(1));
  }

  void unreadableHistory() {
    // names.txt is a folder: it cannot be read, so it must never be replaced.
    Fixture f("", "p\r\n");
    fs::create_directory(f.Path("names.txt"));
    f.messages.clear();
    f.form->FormCreate(f.Path("names.txt"), f.Path("passes.txt"));
    QCOMPARE(f.messages.size(), 1);
    QVERIFY2(f.messages[0].contains("names.txt") && f.messages[0].contains("nicht gespeichert"),
             qPrintable(f.messages[0]));
    f.form->ComboBox1->setEditText(QStringLiteral("Bob"));
    f.form->Button1Click();
    QCOMPARE(f.messages.size(), 1);  // told once
    QCOMPARE(f.launches.size(), size_t(1));
    QVERIFY(fs::is_directory(f.Path("names.txt")));
    QCOMPARE(f.Passes(), std::string("p\r\n"));  // the readable one is saved
  }

  void wineMissing() {
    Fixture f("Bob\r\n");
    f.launchStatus = LaunchStatus::kWineMissing;
    f.form->Button1Click();
    QCOMPARE(f.messages, QStringList{QString::fromUtf8(WineMissingMessage().c_str())});
    QVERIFY(f.messages[0].startsWith(QStringLiteral("Wine wurde nicht gefunden")));
    // A start the system refused is told with its reason.
    f.launchStatus = LaunchStatus::kFailed;
    f.form->Button1Click();
    QCOMPARE(f.messages.size(), 2);
    QVERIFY(f.messages[1].startsWith(QStringLiteral("Das Spiel konnte nicht gestartet werden")));
    QCOMPARE(f.launches.size(), size_t(2));
  }
};

QTEST_MAIN(TestJoinWindow)
#include "test_joinwindow.moc"
