// The cvar queue, the overlay notice and the game-type tabs in the real
// window against a scripted game server: the commands on the wire, their
// pace, and where the replies land.
#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>
#include <QtTest>

#include "tests/ui/cvartestutil.h"
#include "ui/admin/gamesettingstab.h"
#include "ui/admin/gametypes.h"
#include "ui/admin/varqueue.h"
#include "ui/dialogs/skin.h"
#include "ui/dialogs/tform5.h"

using namespace zelmora;
using namespace zelmora::testing;

namespace {

QString Text(TForm1& f, const char* edit) {
  auto* e = f.findChild<QLineEdit*>(QString::fromLatin1(edit));
  return e ? e->text() : QStringLiteral("<none>");
}
void SetText(TForm1& f, const char* edit, const QString& text) {
  f.findChild<QLineEdit*>(QString::fromLatin1(edit))->setText(text);
}

// Names of the game-type buttons shown (not hidden), in table order.
QStringList ShownButtons(TForm1& f) {
  QStringList out;
  for (const GameTypeButton& b : GameTypeButtons())
    if (!f.findChild<QPushButton*>(QString::fromLatin1(b.button))->isHidden())
      out << QString::fromLatin1(b.code);
  return out;
}
QStringList EnabledPages(TForm1& f) {
  auto* pages = f.findChild<QTabWidget*>("PageControl2");
  QStringList out;
  for (int i = 0; i < pages->count(); ++i)
    if (pages->isTabEnabled(i)) out << pages->tabText(i);
  return out;
}

}  // namespace

class TestCvarQueue : public QObject {
  Q_OBJECT

  TestServer server_;
  std::unique_ptr<CvarFixture> fx_;

  // A protocol-6 server with an rcon password, listed and selected, its
  // first status reply in.
  void OpenSelected(int protocol = 6) {
    TestServerConfig c;
    ApplyProtocol(c, protocol);
    c.rconPassword = CvarFixture::kPassword;
    QVERIFY(server_.start(c));
    fx_ = std::make_unique<CvarFixture>(Tserverlist{ListEntry(server_.port(), "pw")});
    QVERIFY(fx_->Open());
    fx_->form().findChild<QTabWidget*>("PageControl1")->setCurrentIndex(5);
    fx_->Select(1);
    QTRY_COMPARE_WITH_TIMEOUT(int(fx_->form().Engine().List().At(0).protocol), protocol, 5000);
    server_.clearReceived();
  }
  std::vector<RconSeen> VarCommands() {
    return RconFrom(server_, fx_->VarPort(), CvarFixture::kPassword);
  }

 private slots:
  void cleanup() {
    fx_.reset();
    server_.stop();
  }

  // A read batch of the two DM settings: the bare names one interval apart,
  // the notice up until the tick that finds the queue empty, the replies in
  // the fields.
  void readBatchPaceAndNotice() {
    OpenSelected();
    TForm1& f = fx_->form();
    TForm5& overlay = fx_->windows().form5();
    SetText(f, "Edit2", "alt");
    const auto start = Clock::now();
    fx_->Click("Button29");
    QVERIFY(overlay.isVisible());
    QCOMPARE(overlay.Label1->text(), QStringLiteral("Bitte warten"));
    QCOMPARE(Text(f, "Edit2"), QString());  // emptied for the reply
    QCOMPARE(f.Vars().VarMode(), std::string("setvar-show"));
    QTRY_VERIFY_WITH_TIMEOUT(!overlay.isVisible(), 10000);
    const auto hidden = Clock::now();
    const auto seen = VarCommands();
    QCOMPARE(Commands(seen), (std::vector<std::string>{"scr_dm_scorelimit", "scr_dm_timelimit"}));
    const long long first = MsBetween(start, seen[0].at);
    const long long gap = MsBetween(seen[0].at, seen[1].at);
    QVERIFY2(first >= 650 && first < 3000, std::to_string(first).c_str());
    QVERIFY2(gap >= 600 && gap < 3000, std::to_string(gap).c_str());
    QVERIFY(MsBetween(start, hidden) >= 2050);
    QVERIFY(MsBetween(seen[1].at, hidden) >= 600);
    QTRY_COMPARE(Text(f, "Edit2"), QStringLiteral("50"));
    QTRY_COMPARE(Text(f, "Edit4"), QStringLiteral("30"));
    QVERIFY(!f.Vars().Timer6()->isActive());
  }

  // Writes send the fields' texts as they stand: a leading blank kept, an
  // empty field as empty quotes, "show" as a read, a ";" kept inside the
  // quotes (the game takes it as text); the version-bound bomb timer row
  // only for the second game.
  void writeBatchWireBytes() {
    OpenSelected(6);
    TForm1& f = fx_->form();
    SetText(f, "Edit23", " 25");
    SetText(f, "Edit24", "show");
    SetText(f, "Edit25", "10;quit");
    SetText(f, "Edit26", "");
    SetText(f, "Edit27", "2.5");
    SetText(f, "Edit5", "45");
    fx_->Click("Button34");
    QCOMPARE(f.Vars().VarMode(), std::string("setvar"));
    QTRY_COMPARE_WITH_TIMEOUT(VarCommands().size(), size_t(5), 10000);
    QCOMPARE(
        Commands(VarCommands()),
        (std::vector<std::string>{"set scr_sd_scorelimit \" 25\"", "scr_sd_timelimit",
                                  "set scr_sd_graceperiod \"10;quit\"",
                                  "set scr_sd_roundlength \"\"", "set scr_sd_roundlimit \"2.5\""}));
    QCOMPARE(Text(f, "Edit23"), QStringLiteral(" 25"));  // fields keep their text
    QTRY_COMPARE(server_.var("scr_sd_scorelimit"), std::string(" 25"));
    QTest::qWait(800);  // the tick after the last entry
    QCOMPARE(VarCommands().size(), size_t(5));

    // A line break in a field would start a second command on the server:
    // refused with a message, nothing queued, no notice.
    QTRY_VERIFY(!fx_->windows().form5().isVisible());  // the batch's own has gone
    server_.clearReceived();
    SetText(f, "Edit23", QStringLiteral("1\nquit"));
    QVERIFY(Text(f, "Edit23").contains(QLatin1Char('\n')));
    fx_->Click("Button34");
    QCOMPARE(fx_->messages.size(), 1);
    QVERIFY(f.Vars().VarQueueEntries().empty());
    QVERIFY(!fx_->windows().form5().isVisible());
    QTest::qWait(900);
    QVERIFY(VarCommands().empty());
  }

  // A batch started while another is queued: every entry goes out in the
  // kind it was queued with.
  void queuedReadStaysRead() {
    OpenSelected();
    TForm1& f = fx_->form();
    SetText(f, "Edit13", "5");
    SetText(f, "Edit14", "6");
    fx_->Click("Button29");  // DM read
    fx_->Click("Button32");  // TDM write
    QCOMPARE(f.Vars().VarMode(), std::string("setvar"));
    QTRY_COMPARE_WITH_TIMEOUT(VarCommands().size(), size_t(4), 10000);
    QCOMPARE(
        Commands(VarCommands()),
        (std::vector<std::string>{"scr_dm_scorelimit", "scr_dm_timelimit",
                                  "set scr_tdm_scorelimit \"5\"", "set scr_tdm_timelimit \"6\""}));
    QCOMPARE(server_.var("scr_dm_scorelimit"), std::string("50"));
    QTRY_COMPARE(Text(f, "Edit2"), QStringLiteral("50"));
  }

  // A batch belongs to the server it was started for. Writes are carried
  // out there, with its password, whoever is selected meanwhile; reads of a
  // server that is no longer selected are dropped. "Übertragen" waits for
  // the same page's read; a double quote in a value is refused.
  void batchesStayWithTheirServer() {
    TestServerConfig cb;
    cb.rconPassword = "pwb";
    TestServer b;
    QVERIFY(b.start(cb));
    TestServerConfig ca;
    ca.rconPassword = CvarFixture::kPassword;
    QVERIFY(server_.start(ca));
    fx_ = std::make_unique<CvarFixture>(
        Tserverlist{ListEntry(server_.port(), "pw"), ListEntry(b.port(), "pwb")});
    QVERIFY(fx_->Open());
    TForm1& f = fx_->form();
    fx_->Select(1);
    server_.clearReceived();

    SetText(f, "Edit2", "77");
    SetText(f, "Edit4", "99");
    fx_->Click("Button30");  // DM write on A ...
    fx_->Select(2);          // ... and B selected at once
    QTRY_COMPARE_WITH_TIMEOUT(server_.var("scr_dm_timelimit"), std::string("99"), 5000);
    QCOMPARE(Commands(VarCommands()), (std::vector<std::string>{"set scr_dm_scorelimit \"77\"",
                                                                "set scr_dm_timelimit \"99\""}));
    QVERIFY(RconFrom(b, fx_->VarPort(), "pwb").empty());
    QCOMPARE(b.var("scr_dm_scorelimit"), std::string("50"));
    QTRY_VERIFY_WITH_TIMEOUT(!fx_->windows().form5().isVisible(), 5000);

    // A read on B, then A selected: B's reads go, nothing reaches A.
    server_.clearReceived();
    b.clearReceived();
    fx_->Click("Button29");
    QVERIFY(fx_->windows().form5().isVisible());
    fx_->Select(1);
    QTRY_VERIFY_WITH_TIMEOUT(!fx_->windows().form5().isVisible(), 5000);
    QVERIFY(f.Vars().VarQueueEntries().empty());
    QVERIFY(RconFrom(b, fx_->VarPort(), "pwb").empty());
    QVERIFY(VarCommands().empty());

    // "Übertragen" while this page's read runs would write emptied fields.
    fx_->Click("Button29");
    fx_->Click("Button30");
    QCOMPARE(fx_->messages.size(), 1);
    QCOMPARE(f.Vars().VarQueueEntries().size(), size_t(2));
    QVERIFY(f.Vars().VarQueueEntries()[0].kind == VarQueue::Kind::Read);
    QTRY_VERIFY_WITH_TIMEOUT(!fx_->windows().form5().isVisible(), 5000);

    // A double quote would end the value and run the rest as commands.
    server_.clearReceived();
    SetText(f, "Edit2", "1\"; say injected; set x \"");
    fx_->Click("Button30");
    QCOMPARE(fx_->messages.size(), 2);
    QVERIFY(fx_->messages[1].contains(QString::fromUtf8("Anführungszeichen")));
    QVERIFY(f.Vars().VarQueueEntries().empty());
    QTest::qWait(900);
    QVERIFY(VarCommands().empty());
  }

  // Replies are applied by the name they carry, from the current target
  // only; the game-type fields take exact names only.
  void repliesRoutedByName() {
    TestServer other;
    TestServerConfig oc;
    oc.rconPassword = "pw";
    QVERIFY(other.start(oc));
    TestServerConfig c;
    c.rconPassword = "pw";
    QVERIFY(server_.start(c));
    fx_ = std::make_unique<CvarFixture>(
        Tserverlist{ListEntry(server_.port(), "pw"), ListEntry(other.port(), "pw")});
    // No periodic status replies: each would put the game type of the
    // server's status back into the label.
    fx_->settings.Set(&Settings::sq, false);
    QVERIFY(fx_->Open());
    fx_->Select(1);
    TForm1& f = fx_->form();
    const uint16_t port = fx_->VarPort();
    auto* label2 = f.findChild<QLabel*>("Label2");
    QTRY_COMPARE_WITH_TIMEOUT(label2->text(), QStringLiteral("sd"), 5000);  // status reply

    server_.sendTo("127.0.0.1", port,
                   VarReply("\"SCR_DM_TIMELIMIT\" is:\"45^7\" default:\"30^7\""));
    // A server's answer to a name it does not know is no value.
    server_.sendTo("127.0.0.1", port, VarReply("Unknown command \"scr_dm_timelimit\""));
    other.sendTo("127.0.0.1", port, VarReply("\"scr_dm_timelimit\" is:\"99^7\" default:\"30^7\""));
    // Some games put a blank after the colon.
    server_.sendTo("127.0.0.1", port,
                   VarReply("\"scr_dm_scorelimit\" is: \"^17^7\" default: \"5\""));
    QTRY_COMPARE(Text(f, "Edit2"), QStringLiteral("7"));
    QCOMPARE(Text(f, "Edit4"), QString());
    server_.sendTo("127.0.0.1", port, VarReply("\"g_gametype\" is:\"tdm^7\" default:\"dm^7\""));
    QTRY_COMPARE(label2->text(), QStringLiteral("tdm"));
    server_.sendTo("127.0.0.1", port,
                   VarReply("\"scr_dm_timelimit\" is:\"45^7\" default:\"30^7\""));
    QTRY_COMPARE(Text(f, "Edit4"), QStringLiteral("45"));

    // Selecting a server empties every field.
    fx_->Select(1);
    QCOMPARE(Text(f, "Edit2"), QString());
    QCOMPARE(Text(f, "Edit4"), QString());
    other.stop();
  }

  // "Deathmatch (dm)" sends the switch twice, 800 ms apart, over the
  // variable channel; "Aktualisieren" reads g_gametype and is offered only
  // while the selected server is not refreshed periodically; "Karte neu
  // laden" restarts the map over the query channel.
  void gameTypeSwitch() {
    OpenSelected();
    TForm1& f = fx_->form();
    fx_->form().findChild<QTabWidget*>("PageControl1")->setCurrentIndex(4);
    auto* label2 = f.findChild<QLabel*>("Label2");
    QCOMPARE(label2->text(), QStringLiteral("sd"));
    fx_->Click("Button15");
    QCOMPARE(label2->text(), QStringLiteral("sd"));  // the click does not change it
    QTRY_COMPARE_WITH_TIMEOUT(VarCommands().size(), size_t(2), 5000);
    const auto seen = VarCommands();
    QCOMPARE(Commands(seen), (std::vector<std::string>{"set g_gametype dm", "set g_gametype dm"}));
    const long long gap = MsBetween(seen[0].at, seen[1].at);
    QVERIFY2(gap >= 750 && gap < 3000, std::to_string(gap).c_str());
    QTRY_COMPARE(server_.var("g_gametype"), std::string("dm"));

    auto* refresh = f.findChild<QPushButton*>("Button20");
    QVERIFY(refresh->isHidden());  // sq is on by default
    fx_->settings.Set(&Settings::sq, false);
    QVERIFY(f.ApplyQuerySettings());
    QVERIFY(!refresh->isHidden());
    server_.clearReceived();
    QTest::qWait(600);  // flood protection of the server
    fx_->Click("Button20");
    QTRY_COMPARE(Commands(VarCommands()), std::vector<std::string>{"g_gametype"});
    QTRY_COMPARE(label2->text(), QStringLiteral("dm"));

    fx_->Click("Button19");
    QTRY_COMPARE(Commands(RconFrom(server_, f.Engine().QueryLocalPort(), "pw")),
                 std::vector<std::string>{"map_restart"});
  }

  // Which buttons, sub-tabs and rows each version gets; an unknown protocol
  // changes nothing.
  void protocolTables_data() {
    QTest::addColumn<int>("protocol");
    QTest::addColumn<QString>("buttons");
    QTest::addColumn<QString>("pages");
    QTest::addColumn<bool>("bombTimer");
    const QString first = "dm tdm sd re bel hq", firstPages = "DM TDM SD HQ BEL RE";
    const QString all = "dm tdm ctf sd re bel hq bas dom",
                  allPages = "DM TDM SD CTF HQ BEL BAS DOM RE";
    const QString second = "dm tdm ctf sd hq", secondPages = "DM TDM SD CTF HQ";
    QTest::newRow("5") << 5 << first << firstPages << false;
    QTest::newRow("6") << 6 << first << firstPages << false;
    QTest::newRow("21") << 21 << all << allPages << false;
    QTest::newRow("22") << 22 << all << allPages << false;
    QTest::newRow("115") << 115 << second << secondPages << true;
    QTest::newRow("117") << 117 << second << secondPages << true;
    QTest::newRow("118") << 118 << second << secondPages << true;
  }
  void protocolTables() {
    QFETCH(int, protocol);
    QFETCH(QString, buttons);
    QFETCH(QString, pages);
    QFETCH(bool, bombTimer);
    CvarFixture fx(Tserverlist{ListEntry(9, "pw")});
    QVERIFY(fx.Open());
    TForm1& f = fx.form();
    auto* bomb = f.findChild<QLineEdit*>("Edit5");
    // Everything is offered before the first reply.
    QCOMPARE(ShownButtons(f).size(), 9);
    QCOMPARE(EnabledPages(f).size(), 9);
    QVERIFY(!bomb->isHidden());

    // A status of the selected server reaches both tabs through its session.
    ServerSession& session = *f.Engine().SelectedSession();
    const auto status = [&session](const std::string& protocolText) {
      session.TakeStatus({{"protocol", protocolText}, {"g_gametype", "sd"}}, {});
    };
    Tserverrec& e = f.Engine().List().MutableAt(0);
    e.protocol = static_cast<std::uint8_t>(protocol);
    status(std::to_string(protocol));
    f.GameSettings().ServerSelected(e, false);
    QCOMPARE(ShownButtons(f).join(' '), buttons);
    QCOMPARE(EnabledPages(f).join(' '), pages);
    QCOMPARE(!bomb->isHidden(), bombTimer);
    QCOMPARE(f.findChild<QLabel*>("Label2")->text(), QStringLiteral("sd"));
    for (const char* unknown : {"0", "7", "", "118 ", "6a", "1180"}) status(unknown);
    for (int unknown : {0, 7, 255}) {
      Tserverrec odd = e;
      odd.protocol = static_cast<std::uint8_t>(unknown);
      f.GameSettings().ServerSelected(odd, false);
    }
    QCOMPARE(ShownButtons(f).join(' '), buttons);
    QCOMPARE(EnabledPages(f).join(' '), pages);
    QCOMPARE(!bomb->isHidden(), bombTimer);

    // SD reads its bomb timer for the second game only.
    f.Vars().Timer6()->setInterval(60000);
    fx.Click("Button33");
    std::vector<std::string> queued;
    for (const auto& entry : f.Vars().VarQueueEntries()) queued.push_back(entry.text);
    QCOMPARE(queued.size(), size_t(bombTimer ? 6 : 5));
    QCOMPARE(queued.back(), std::string(bombTimer ? "scr_sd_bombtimer" : "scr_sd_roundlimit"));
  }

  // The sub-tabs as built from the table: titles, buttons and every row's
  // edit field by its name, on its own page.
  void settingsPagesBuilt() {
    CvarFixture fx(Tserverlist{});
    QVERIFY(fx.Open());
    GameSettingsTab& tab = fx.form().GameSettings();
    auto* pages = fx.form().findChild<QTabWidget*>("PageControl2");
    QCOMPARE(pages->count(), 9);
    int rows = 0;
    for (int i = 0; i < pages->count(); ++i) {
      const GameSettingsPage& def = GameSettingsPages()[static_cast<size_t>(i)];
      QCOMPARE(pages->tabText(i), QString::fromLatin1(def.title));
      QWidget* page = tab.Page(i);
      QCOMPARE(page->findChild<QPushButton*>(def.readButton)->text(),
               QStringLiteral("Aktualisieren"));
      QCOMPARE(page->findChild<QPushButton*>(def.writeButton)->text(),
               QString::fromUtf8("Übertragen"));
      for (const GameSettingRow& r : def.rows) {
        QCOMPARE(page->findChild<QLineEdit*>(r.edit), tab.Edit(r.variable));
        ++rows;
      }
    }
    QCOMPARE(rows, 45);
    // CTF: the compass row comes before the score reset row in the queue.
    QVERIFY(tab.Edit("scr_ctf_showoncompass")->objectName() == "Edit40");
    QVERIFY(tab.Edit("scr_ctf_clearscoreeachround")->objectName() == "Edit39");
  }

  // The notice: frameless, on top, transparent, never skinned, centred on
  // the main window; a second text replaces the first; with a duration the
  // caller goes on only when it is gone.
  void overlayWindow() {
    CvarFixture fx(Tserverlist{});
    QVERIFY(fx.Open());
    TForm5& o = fx.windows().form5();
    QVERIFY(o.windowFlags() & Qt::FramelessWindowHint);
    QVERIFY(o.windowFlags() & Qt::WindowStaysOnTopHint);
    // Its own light plate, not a see-through window (black without a
    // compositor): the picture of it is light everywhere but the letters.
    QVERIFY(!o.testAttribute(Qt::WA_TranslucentBackground));
    QVERIFY(IsSkinExempt(&o) && IsSkinExempt(o.Label1));
    QCOMPARE(o.size(), QSize(573, 140));
    QCOMPARE(o.Label1->pos(), QPoint(16, 32));
    QCOMPARE(o.Label1->font().pixelSize(), 27);
    QVERIFY(o.Label1->font().bold());
    QVERIFY(!o.isVisible());

    o.ShowOverlayMessage(QStringLiteral("Bitte warten"), -1);
    QVERIFY(o.isVisible());
    const QImage shot = o.grab().toImage();
    QVERIFY(QColor(shot.pixel(8, shot.height() - 8)).lightness() > 200);
    QVERIFY(QColor(shot.pixel(shot.width() - 8, 8)).lightness() > 200);
    QVERIFY((o.geometry().center() - fx.form().frameGeometry().center()).manhattanLength() <= 2);
    o.ShowOverlayMessage(QStringLiteral("Anders"), -1);
    QVERIFY(o.isVisible());
    QCOMPARE(o.Label1->text(), QStringLiteral("Anders"));
    o.HideOverlay();

    // A timed notice returns at once and hides itself a second later; a
    // notice shown anew meanwhile is not hidden by the earlier timer.
    QElapsedTimer t;
    t.start();
    o.ShowOverlayMessage(QString::fromUtf8("Bitte warten\nübernehme..."), 1000);
    QVERIFY(o.isVisible());
    QTRY_VERIFY_WITH_TIMEOUT(!o.isVisible(), 3000);
    QVERIFY(t.elapsed() >= 1000);
    o.ShowOverlayMessage(QStringLiteral("kurz"), 300);
    o.ShowOverlayMessage(QStringLiteral("Bitte warten"), -1);
    QTest::qWait(500);
    QVERIFY(o.isVisible());
    o.HideOverlay();
  }
};

QTEST_MAIN(TestCvarQueue)
#include "test_cvarqueue.moc"
