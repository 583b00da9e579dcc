// The administration pages besides "Spieler" against scripted game
// servers: the maps and their pictures, the configuration files, the
// console, the message timer and the password dialogs.
#include <QAction>
#include <QImage>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>

#include <chrono>
#include <filesystem>
#include <fstream>

#include "tests/ui/admintestutil.h"
#include "ui/admin/consoletab.h"
#include "ui/admin/mapstab.h"
#include "ui/admin/msgtimertab.h"
#include "ui/admin/passwords.h"

using namespace zelmora;
using namespace zelmora::testing;
namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

// Solid-colour JPEG (through the same image plugin the program uses).
void Picture(const std::string& path, const QColor& colour) {
  fs::create_directories(fs::path(path).parent_path());
  QImage img(40, 30, QImage::Format_RGB32);
  img.fill(colour);
  QVERIFY(img.save(QString::fromStdString(path), "JPG"));
}

bool Near(const QColor& a, const QColor& b) {
  return std::abs(a.red() - b.red()) < 12 && std::abs(a.green() - b.green()) < 12 &&
         std::abs(a.blue() - b.blue()) < 12;
}

}  // namespace

class TestAdminTabs : public QObject, public AdminWindow {
  Q_OBJECT

 private slots:
  void initTestCase() { InstallMessages(); }
  void init() { Fresh(); }
  void cleanup() { Close(); }

  // The map list by protocol, its requests (on the page: 600 ms later; on
  // a selection: at once), the picture rule and the map commands.
  void mapsTab() {
    auto c2 = Rconned({}, 118);
    SetVar(c2.vars, "mapname", "mp_toujane");
    auto& cod2 = Start(c2);
    auto uo = Rconned({}, 21);
    SetVar(uo.vars, "mapname", "mp_harbor");
    auto& united = Start(uo);
    Picture(Dir() + "mapimgs/117_mp_toujane.jpg", QColor(220, 30, 30));
    Picture(Dir() + "mapimgs/22_mp_harbor.jpg", QColor(30, 200, 30));
    Picture(Dir() + "mapimgs/no_map.jpg", QColor(30, 30, 220));
    Open({Entry(cod2, "pw"), Entry(united, "pw")});
    auto* list = W<QListWidget>("ListBox2");
    auto* image = W<QLabel>("Image1");
    auto* fast = W<QPushButton>("Button8");
    auto shown = [image] {
      return image->pixmap().isNull() ? QColor() : image->pixmap().toImage().pixelColor(20, 15);
    };

    Select(1);
    cod2.clearReceived();
    Tab(kMaps);
    QVERIFY(fast->isVisibleTo(W<QWidget>("TabSheet3")));
    QTRY_COMPARE_WITH_TIMEOUT(Rcon(cod2),
                              std::vector<std::string>{"rcon \"pw\" dir maps/mp d3dbsp"}, 5000);
    QTRY_VERIFY_WITH_TIMEOUT(list->count() > 3, 5000);
    QCOMPARE(list->currentItem()->text(), QStringLiteral("mp_toujane.d3dbsp"));
    QTRY_VERIFY(Near(shown(), QColor(220, 30, 30)));

    // A click shows the item's picture, the fallback when it has none, and
    // leaves the picture as it is when the fallback is gone too.
    auto clickItem = [list](const QString& text) {
      QListWidgetItem* item = list->findItems(text, Qt::MatchExactly).value(0);
      QVERIFY(item);
      const QRect r = list->visualItemRect(item);
      QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, r.center());
    };
    clickItem(QStringLiteral("mp_carentan.d3dbsp"));
    QVERIFY(Near(shown(), QColor(30, 30, 220)));
    fs::remove(Dir() + "mapimgs/no_map.jpg");
    clickItem(QStringLiteral("mp_toujane.d3dbsp"));
    QVERIFY(Near(shown(), QColor(220, 30, 30)));
    clickItem(QStringLiteral("mp_carentan.d3dbsp"));
    QVERIFY(Near(shown(), QColor(220, 30, 30)));

    // Loading keeps the extension; double click loads as well.
    cod2.clearReceived();
    Click("Button11");
    Click("Button8");
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {},
                       list->visualItemRect(list->currentItem()).center());
    Click("Button10");
    Click("Button12");
    QTRY_COMPARE_WITH_TIMEOUT(Rcon(cod2).size(), size_t(5), 5000);
    QCOMPARE(Rcon(cod2), (std::vector<std::string>{
                             "rcon \"pw\" map mp_carentan.d3dbsp", "rcon \"pw\" fast_restart",
                             "rcon \"pw\" map mp_carentan.d3dbsp", "rcon \"pw\" map_restart",
                             "rcon \"pw\" map_rotate"}));

    // The protocol 21 server: its listing is asked for 600 ms after the
    // page comes to the front; no fast restart for the first game.
    ClickRow(G("DrawGrid1"), 2);
    QTRY_VERIFY_WITH_TIMEOUT(List().At(1).protocol == 21, 5000);
    Tab(kInfo);
    united.clearReceived();
    Tab(kMaps);
    QVERIFY(!fast->isVisibleTo(W<QWidget>("TabSheet3")));
    QTest::qWait(400);
    QVERIFY(Rcon(united).empty());
    QTRY_COMPARE_WITH_TIMEOUT(Rcon(united),
                              std::vector<std::string>{"rcon \"pw\" dir maps/mp .bsp"}, 5000);
    QTRY_VERIFY_WITH_TIMEOUT(
        list->currentItem() && list->currentItem()->text() == QStringLiteral("mp_harbor.bsp"),
        5000);
    QTRY_VERIFY(Near(shown(), QColor(30, 200, 30)));

    // Selected again on this page, the first server's last listing is there
    // at once, with its current map and picture, and a new one is asked for
    // at once (after the query channel's pause).
    cod2.setReplyDelayMs(1500);  // the new listing is late
    cod2.clearReceived();
    ClickRow(G("DrawGrid1"), 1);
    QVERIFY(list->count() > 3);
    QCOMPARE(list->currentItem()->text(), QStringLiteral("mp_toujane.d3dbsp"));
    QVERIFY(Near(shown(), QColor(220, 30, 30)));
    QVERIFY(fast->isVisibleTo(W<QWidget>("TabSheet3")));
    QTRY_COMPARE_WITH_TIMEOUT(Rcon(cod2),
                              std::vector<std::string>{"rcon \"pw\" dir maps/mp d3dbsp"}, 1000);
    cod2.setReplyDelayMs(0);

    // On another page a selection shows the server's last listing too, and
    // asks for nothing.
    Tab(kInfo);
    united.clearReceived();
    ClickRow(G("DrawGrid1"), 2);
    QVERIFY(list->count() > 3);
    QCOMPARE(list->currentItem()->text(), QStringLiteral("mp_harbor.bsp"));
    QTest::qWait(1000);
    QVERIFY(Rcon(united).empty());
  }

  // A listing asked for on the page and a server selected before it went
  // out: it is sent to neither; the new server's own goes at once.
  void deferredListingStaysWithItsServer() {
    auto& cod1 = Start(Rconned());
    auto& cod2 = Start(Rconned({}, 118));
    Open({Entry(cod1, "pw"), Entry(cod2, "pw")});
    E().SetRconPause(0ms);
    Select(2);
    Select(1);
    cod1.clearReceived();
    Tab(kMaps);  // "dir maps/mp .bsp" 600 ms later ...
    cod2.clearReceived();
    ClickRow(G("DrawGrid1"), 2);  // ... but cod2 is selected first
    QTRY_VERIFY_WITH_TIMEOUT(W<QListWidget>("ListBox2")->count() > 3, 5000);
    QTest::qWait(800);
    QCOMPARE(Rcon(cod2), std::vector<std::string>{"rcon \"pw\" dir maps/mp d3dbsp"});
    QVERIFY(Rcon(cod1).empty());
    QVERIFY(W<QListWidget>("ListBox2")->count() > 3);
  }

  // Unit rule of the picture files (no window needed).
  void mapPictureFiles() {
    const std::string m = Dir() + "mapimgs/";
    fs::create_directories(m);
    for (const char* f : {"117_mp_toujane.jpg", "115_mp_toujane.jpg", "22_mp_harbor.jpg"})
      std::ofstream(m + f) << "x";
    QCOMPARE(MapPicturePath(118, "mp_toujane.d3dbsp"), m + "117_mp_toujane.jpg");
    QCOMPARE(MapPicturePath(115, "mp_toujane.d3dbsp"), m + "115_mp_toujane.jpg");
    QCOMPARE(MapPicturePath(21, "mp_harbor.bsp"), m + "22_mp_harbor.jpg");
    QCOMPARE(MapPicturePath(6, "mp_harbor.bsp"), std::string());
    std::ofstream(m + "no_map.jpg") << "x";
    QCOMPARE(MapPicturePath(6, "mp_harbor.bsp"), m + "no_map.jpg");
    QCOMPARE(MapPicturePath(118, "../117_mp_toujane.d3dbsp"), m + "no_map.jpg");
  }

  // Raw console lines, Enter, the history; the configuration listing and
  // executing a file.
  void consoleAndConfigs() {
    auto& srv = Start(Rconned());
    Open({Entry(srv, "pw")});
    E().SetRconPause(0ms);
    Select(1);
    Tab(kConsole);
    auto* line = W<QLineEdit>("Edit1");
    auto* view = W<QPlainTextEdit>("RichEdit1");
    srv.clearReceived();
    line->setText(QStringLiteral("  g_gametype  "));
    Click("Button2");  // unchanged, kept in the line
    QCOMPARE(line->text(), QStringLiteral("  g_gametype  "));
    // The view: the line naming the server, the command as it left, its
    // output without the "print" that frames it.
    const QString header =
        QStringLiteral("=== Konsole von %1 (127.0.0.1:%2) ===").arg(kServerName).arg(srv.port());
    QStringList shown{header, QStringLiteral(">   g_gametype  "),
                      QStringLiteral("\"g_gametype\" is:\"sd\" default:\"sd\"")};
    QTRY_COMPARE_WITH_TIMEOUT(view->toPlainText(), shown.join('\n'), 5000);
    Space();
    line->setText(QStringLiteral("map_rotate"));
    QTest::keyClick(line, Qt::Key_Return);
    QVERIFY(line->text().isEmpty());
    Space();
    line->setText(QStringLiteral("status"));
    QTest::keyClick(line, Qt::Key_Enter);
    QTRY_COMPARE_WITH_TIMEOUT(
        Rcon(srv),
        (std::vector<std::string>{"rcon \"pw\"   g_gametype  ", "rcon \"pw\" map_rotate",
                                  "rcon \"pw\" status"}),
        5000);
    // An empty output adds nothing; a table keeps its columns and loses the
    // empty lines at its end.
    shown << QStringLiteral("> map_rotate") << QStringLiteral("> status")
          << QStringLiteral("map: mp_harbor")
          << QStringLiteral(
                 "num score ping guid   name            lastmsg address               "
                 "qport rate")
          << QStringLiteral(
                 "--- ----- ---- ------ --------------- ------- --------------------- "
                 "----- -----");
    QTRY_COMPARE_WITH_TIMEOUT(view->toPlainText(), shown.join('\n'), 5000);

    // Up walks back to the oldest and stays; Down walks forward; past the
    // newest the line keeps what it holds.
    auto key = [line](Qt::Key k) { QTest::keyClick(line, k); };
    key(Qt::Key_Up);
    QCOMPARE(line->text(), QStringLiteral("status"));
    key(Qt::Key_Up);
    QCOMPARE(line->text(), QStringLiteral("map_rotate"));
    key(Qt::Key_Up);
    key(Qt::Key_Up);
    QCOMPARE(line->text(), QStringLiteral("  g_gametype  "));
    key(Qt::Key_Down);
    QCOMPARE(line->text(), QStringLiteral("map_rotate"));
    key(Qt::Key_Down);
    QCOMPARE(line->text(), QStringLiteral("status"));
    key(Qt::Key_Down);
    QCOMPARE(line->text(), QStringLiteral("status"));
    line->setText(QStringLiteral("typed"));
    key(Qt::Key_Down);
    QCOMPARE(line->text(), QStringLiteral("typed"));
    // After a send the cursor stands behind the newest entry again.
    key(Qt::Key_Up);
    key(Qt::Key_Up);
    QCOMPARE(line->text(), QStringLiteral("map_rotate"));
    Space();
    QTest::keyClick(line, Qt::Key_Return);
    key(Qt::Key_Up);
    QCOMPARE(line->text(), QStringLiteral("map_rotate"));
    key(Qt::Key_Up);
    QCOMPARE(line->text(), QStringLiteral("status"));
    QCOMPARE(F().Console().History().Size(), size_t(4));

    // Configuration files: emptied and listed 600 ms after the page came
    // to the front; "Ausführen" and the double click execute the item.
    Space();
    auto* cfgs = W<QListWidget>("ListBox3");
    cfgs->addItem(QStringLiteral("stale.cfg"));
    srv.clearReceived();
    Tab(kConfigs);
    QCOMPARE(cfgs->count(), 0);
    QTest::qWait(300);
    QVERIFY(Rcon(srv).empty());
    QTRY_COMPARE_WITH_TIMEOUT(Rcon(srv), std::vector<std::string>{"rcon \"pw\" dir / .cfg"}, 5000);
    QTRY_COMPARE_WITH_TIMEOUT(cfgs->count(), int(DefaultCfgFiles().size()), 5000);
    QCOMPARE(cfgs->item(0)->text(), QString::fromStdString(DefaultCfgFiles()[0]));
    Click("Button22");  // nothing selected: nothing sent
    Space();
    cfgs->setCurrentRow(1);
    srv.clearReceived();
    Click("Button22");
    Space();
    const QPoint third = cfgs->visualItemRect(cfgs->item(2)).center();
    QTest::mouseClick(cfgs->viewport(), Qt::LeftButton, {}, third);
    QTest::mouseDClick(cfgs->viewport(), Qt::LeftButton, {}, third);
    const std::string exec = "rcon \"pw\" exec ";
    QTRY_COMPARE_WITH_TIMEOUT(
        Rcon(srv),
        (std::vector<std::string>{exec + DefaultCfgFiles()[1], exec + DefaultCfgFiles()[2]}), 5000);
  }

  // Each server has its own console: the view shows the selected one's
  // under the line naming it. An answer that comes while another server is
  // selected goes to its own server's console; a command without an answer
  // is noted where it was sent.
  void consoleFollowsTheSelection() {
    auto& a = Start(Rconned());
    TestServerConfig other = Rconned();
    SetVar(other.vars, "sv_hostname", "^2Zweiter ^7Server");
    auto& b = Start(other);
    Open({Entry(a, "pw"), Entry(b, "pw")});
    E().SetRconPause(0ms);
    Select(2);
    Select(1);
    Tab(kConsole);
    auto* line = W<QLineEdit>("Edit1");
    auto* view = W<QPlainTextEdit>("RichEdit1");
    const QString headerA =
        QStringLiteral("=== Konsole von %1 (127.0.0.1:%2) ===").arg(kServerName).arg(a.port());
    const QString headerB =
        QStringLiteral("=== Konsole von Zweiter Server (127.0.0.1:%1) ===").arg(b.port());
    QCOMPARE(view->toPlainText(), headerA);

    a.setReplyDelayMs(500);
    line->setText(QStringLiteral("say hallo"));
    Click("Button2");
    QTRY_COMPARE_WITH_TIMEOUT(Rcon(a).size(), size_t(1), 3000);
    ClickRow(G("DrawGrid1"), 2);  // A's answer comes while B is shown
    QCOMPARE(view->toPlainText(), headerB);
    const Transcript& consoleA = E().Session(Uid(0))->Console();
    QTRY_COMPARE_WITH_TIMEOUT(consoleA.From(consoleA.Begin()),
                              (std::vector<std::string>{"> say hallo", "console: hallo"}), 3000);
    QCOMPARE(view->toPlainText(), headerB);

    b.update([](TestServerConfig& c) { c.dropShare = 1.0; });
    Space();
    line->setText(QStringLiteral("map_restart"));
    Click("Button2");
    QTRY_COMPARE_WITH_TIMEOUT(
        view->toPlainText(),
        headerB +
            QStringLiteral("\n> map_restart\nmap_restart: Keine Antwort vom Server (verworfen "
                           "oder gedrosselt)"),
        5000);

    ClickRow(G("DrawGrid1"), 1);
    QCOMPARE(view->toPlainText(), headerA + QStringLiteral("\n> say hallo\nconsole: hallo"));
  }

  // The message timer: the first message one interval after "Aktivieren",
  // the text typed while it runs in the next message, the bad-integer
  // message, interval 0. Every server has its own timer: it goes on while
  // another server is looked at, and the page shows the selected server's.
  void messageTimer() {
    auto& a = Start(Rconned());
    auto& b = Start(Rconned());
    Open({Entry(a, "pw"), Entry(b, "pw")});
    E().SetRconPause(0ms);
    Select(1);
    Tab(kMsgTimer);
    auto* text = W<QLineEdit>("Edit8");
    auto* seconds = W<QLineEdit>("Edit9");
    auto* on = W<QPushButton>("Button50");
    auto* off = W<QPushButton>("Button51");
    auto* count = W<QLabel>("Label28");
    QCOMPARE(text->text(), QStringLiteral("TEXT"));
    QCOMPARE(seconds->text(), QStringLiteral("30"));
    QVERIFY(on->isEnabled() && !off->isEnabled());

    seconds->setText(QStringLiteral("1"));
    text->setText(QStringLiteral("erste"));
    a.clearReceived();
    const auto start = std::chrono::steady_clock::now();
    Click("Button50");
    QVERIFY(!on->isEnabled() && off->isEnabled());
    QCOMPARE(count->text(), QStringLiteral("0"));
    QTRY_COMPARE_WITH_TIMEOUT(Rcon(a).size(), size_t(1), 5000);
    QVERIFY(a.received().back().at - start >= 900ms);  // not at once
    QCOMPARE(Rcon(a)[0], std::string("rcon \"pw\" say \"erste\""));
    QTRY_COMPARE(count->text(), QStringLiteral("1"));
    text->selectAll();
    QTest::keyClicks(text, QStringLiteral("zweite"));
    QTRY_COMPARE_WITH_TIMEOUT(Rcon(a).size(), size_t(2), 5000);
    QCOMPARE(Rcon(a)[1], std::string("rcon \"pw\" say \"zweite\""));

    // The same server clicked again: it goes on. Another one: it goes on
    // as well, and the page shows the other server's timer, which is off.
    ClickRow(G("DrawGrid1"), 1);
    MessageTimer* timerA = F().MsgTimer().Timer();
    QVERIFY(timerA && timerA->Running());
    ClickRow(G("DrawGrid1"), 2);
    QVERIFY(timerA->Running());
    QVERIFY(F().MsgTimer().Timer() != timerA && !F().MsgTimer().Timer()->Running());
    QVERIFY(on->isEnabled() && !off->isEnabled());
    QCOMPARE(count->text(), QStringLiteral("0"));
    QCOMPARE(text->text(), QStringLiteral("TEXT"));
    QCOMPARE(seconds->text(), QStringLiteral("30"));
    const size_t toA = Rcon(a).size();
    QTRY_VERIFY_WITH_TIMEOUT(Rcon(a).size() > toA, 3000);
    QCOMPARE(Rcon(a).back(), std::string("rcon \"pw\" say \"zweite\""));

    // Not a whole number: reported, stays off, counter 0.
    seconds->setText(QStringLiteral("1,5"));
    Click("Button50");
    QCOMPARE(messages_, QStringList{QStringLiteral("'1,5' is not a valid integer value")});
    QVERIFY(!F().MsgTimer().Timer()->Running());
    QVERIFY(on->isEnabled() && !off->isEnabled());
    QCOMPARE(count->text(), QStringLiteral("0"));

    // 0 seconds: the buttons switch, nothing is ever sent.
    seconds->setText(QStringLiteral("0"));
    b.clearReceived();
    Click("Button50");
    QVERIFY(!on->isEnabled() && off->isEnabled());
    QTest::qWait(1300);
    QVERIFY(Rcon(b).empty());
    Click("Button51");
    QVERIFY(on->isEnabled() && !off->isEnabled());

    // Back on the first server: its timer as it runs, with its text,
    // interval and counter; "Deaktivieren" stops it.
    ClickRow(G("DrawGrid1"), 1);
    QCOMPARE(F().MsgTimer().Timer(), timerA);
    QVERIFY(!on->isEnabled() && off->isEnabled());
    QCOMPARE(text->text(), QStringLiteral("zweite"));
    QCOMPARE(seconds->text(), QStringLiteral("1"));
    QVERIFY(timerA->Sent() >= 3);
    QCOMPARE(count->text(), QString::number(timerA->Sent()));
    Click("Button51");
    QVERIFY(!timerA->Running());
    QVERIFY(on->isEnabled() && !off->isEnabled());
    QTest::qWait(200);
    a.clearReceived();
    QTest::qWait(1300);
    QVERIFY(Rcon(a).empty());
    QVERIFY(Rcon(b).empty());
  }

  // The message timer stays with its server: a sort keeps the selection,
  // the page and the messages on it. Deleting the server ends its timer;
  // the server that moved into the row is selected, and its own timer
  // shown.
  void messageTimerStaysWithItsServer() {
    auto& a = Start(Rconned());
    auto& b = Start(Rconned());
    Open({Entry(a, "pw"), Entry(b, "pw")});
    E().SetRconPause(0ms);
    Select(1);
    Tab(kMsgTimer);
    W<QLineEdit>("Edit9")->setText(QStringLiteral("1"));
    Click("Button50");
    QTRY_COMPARE_WITH_TIMEOUT(Rcon(a).size(), size_t(1), 5000);
    const std::uint64_t uidA = Uid(0);
    MessageTimer* timerA = F().MsgTimer().Timer();
    E().List().MutableAt(0).ping = 300;
    E().List().MutableAt(1).ping = 20;
    b.clearReceived();
    F().NachPingaufsteigend1Click();
    QCOMPARE(List().At(0).port.str(), std::to_string(b.port()));
    QCOMPARE(E().Selected().SelectedUid(), uidA);
    QCOMPARE(E().Selected().Index(), 1);
    QCOMPARE(F().MsgTimer().Timer(), timerA);
    QVERIFY(timerA->Running());
    QVERIFY(!W<QPushButton>("Button50")->isEnabled());
    const size_t toA = Rcon(a).size();
    QTRY_VERIFY_WITH_TIMEOUT(Rcon(a).size() > toA, 3000);

    // A back on the first row, then deleted: B moves into the row.
    F().NachPingabsteigend1Click();
    QCOMPARE(E().Selected().Index(), 0);
    QCOMPARE(E().Selected().SelectedUid(), uidA);
    F().Serverlschen1Click();  // the question is answered with OK
    QCOMPARE(List().Size(), size_t(1));
    QCOMPARE(E().Selected().Index(), 0);
    QCOMPARE(E().Selected().Entry()->port.str(), std::to_string(b.port()));
    QVERIFY(F().MsgTimer().Timer() && !F().MsgTimer().Timer()->Running());
    QVERIFY(W<QPushButton>("Button50")->isEnabled());
    QCOMPARE(W<QLabel>("Label28")->text(), QStringLiteral("0"));
    QTest::qWait(200);
    const size_t last = Rcon(a).size();
    QTest::qWait(2100);
    QCOMPARE(Rcon(a).size(), last);
    QVERIFY(Rcon(b).empty());
  }

  // "OK" in the rcon password dialog stores the password and sends
  // nothing.
  void rconPasswordDialogSendsNothing() {
    auto& srv = Start(Rconned());
    Open({Entry(srv, "old")});
    Select(1);
    Tab(kMaps);
    E().Timer1().SetEnabled(false);
    QTest::qWait(1600);
    srv.clearReceived();
    QTimer::singleShot(0, this, [&] {
      auto* d = qobject_cast<TForm17*>(QApplication::activeModalWidget());
      QVERIFY(d);
      d->findChild<QLineEdit*>("Edit1")->setText(QStringLiteral("pw"));
      d->findChild<QPushButton*>("Button1")->click();
    });
    W<QAction>("rconPasswortndern1")->trigger();
    QCOMPARE(List().At(0).rconpass.str(), std::string("pw"));
    QTest::qWait(1500);
    QCOMPARE(srv.receivedCount(), 0u);
  }

  // The password dialogs from both menus: the join password on the server
  // (the dialog stays open), the rcon password in the program, which the
  // views follow at once.
  void passwordDialogs() {
    TestServerConfig c;
    c.rconPassword = "right";
    c.players = {Player(0, "50", 10), Player(1, "60", 10)};
    SetVar(c.vars, "sv_hostname", "^1Rot^7Weiss");
    auto& srv = Start(c);
    Open({Entry(srv, "wrong")});
    Select(1);
    Tab(kPlayers);
    E().Timer1().SetEnabled(false);
    QTRY_VERIFY_WITH_TIMEOUT(!Rcon(srv).empty(), 5000);  // the page's "status"
    Space();

    QList<QStringList> seen;
    QTimer::singleShot(0, this, [&] {
      auto* d = qobject_cast<TForm16*>(QApplication::activeModalWidget());
      QVERIFY(d);
      auto* edit = d->findChild<QLineEdit*>("Edit1");
      seen << QStringList{d->windowTitle(), d->findChild<QLabel*>("Label4")->text(), edit->text()};
      edit->setText(QStringLiteral("geheim"));
      d->findChild<QPushButton*>("Button1")->click();
      QVERIFY(d->isVisible());
      edit->clear();
      d->findChild<QPushButton*>("Button1")->click();  // empty: same as clearing
      d->findChild<QPushButton*>("Button2")->click();
      QVERIFY(d->isVisible());
      edit->setText(QStringLiteral("a\"b"));
      d->findChild<QPushButton*>("Button1")->click();  // refused
      d->findChild<QPushButton*>("Button3")->click();
    });
    srv.clearReceived();
    W<QAction>("Serverpasswortndern1")->trigger();
    QCOMPARE(seen.size(), 1);
    QCOMPARE(seen[0], (QStringList{QStringLiteral("Serverpasswort"), QStringLiteral("RotWeiss"),
                                   QString()}));
    QVERIFY(!form16_->isVisible());
    QCOMPARE(messages_.size(), 1);
    QTRY_COMPARE_WITH_TIMEOUT(Rcon(srv),
                              (std::vector<std::string>{"rcon \"wrong\" g_password \"geheim\"",
                                                        "rcon \"wrong\" g_password \"\"",
                                                        "rcon \"wrong\" g_password \"\""}),
                              5000);

    // The rcon password from the list's popup menu: the grid shows the
    // table of the new password at once.
    Space();
    QTimer::singleShot(0, this, [&] {
      auto* d = qobject_cast<TForm17*>(QApplication::activeModalWidget());
      QVERIFY(d);
      auto* edit = d->findChild<QLineEdit*>("Edit1");
      seen << QStringList{d->windowTitle(), d->findChild<QLabel*>("Label4")->text(), edit->text()};
      edit->setText(QStringLiteral("right"));
      d->findChild<QPushButton*>("Button1")->click();
    });
    F().findChild<QMenu*>("PopupMenu1")->findChild<QAction*>("rconPasswortndern2")->trigger();
    QCOMPARE(seen.size(), 2);
    QCOMPARE(seen[1], (QStringList{QString::fromUtf8("rcon Password ändern"),
                                   QStringLiteral("RotWeiss"), QStringLiteral("wrong")}));
    QCOMPARE(List().At(0).rconpass.str(), std::string("right"));
    Poll();
    QCOMPARE(G("DrawGrid2")->RowCount(), 3);

    // An empty password ends the administration of the server.
    QTimer::singleShot(0, this, [&] {
      auto* d = qobject_cast<TForm17*>(QApplication::activeModalWidget());
      d->findChild<QLineEdit*>("Edit1")->clear();
      d->findChild<QPushButton*>("Button1")->click();
    });
    W<QAction>("rconPasswortndern1")->trigger();
    QVERIFY(List().At(0).rconpass.empty());
    QCOMPARE(G("DrawGrid2")->RowCount(), 1);
    QVERIFY(!G("DrawGrid2")->isVisibleTo(W<QWidget>("TabSheet2")));
    QVERIFY(W<QLabel>("Label3")->isVisibleTo(W<QWidget>("TabSheet7")));

    // The stored text: cut to 250; a line break refused (dialog stays).
    QVERIFY(ChangeRconPassword(nullptr, E(), std::string(300, 'p')));
    QCOMPARE(List().At(0).rconpass.size(), size_t(250));
    QVERIFY(!ChangeRconPassword(nullptr, E(), "a\r\nb"));
    QCOMPARE(List().At(0).rconpass.size(), size_t(250));
  }
};

QTEST_MAIN(TestAdminTabs)
#include "test_admintabs.moc"
