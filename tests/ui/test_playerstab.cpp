// The "Spieler" page against scripted game servers: messages, kicks and
// bans from the click to their outcome, the high-ping rule, the GUID
// button, the wire times of a session and a server that limits requests.
#include <QCheckBox>
#include <QLineEdit>

#include <algorithm>
#include <chrono>

#include "tests/ui/admintestutil.h"
#include "ui/admin/playerstab.h"
#include "ui/main/detailviews.h"

Q_DECLARE_METATYPE(std::vector<zelmora::testing::TestPlayer>)

using namespace zelmora;
using namespace zelmora::testing;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

class TestPlayersTab : public QObject, public AdminWindow {
  Q_OBJECT

  QString Named(const char* sentence) { return QString::fromUtf8(sentence).arg(kServerName); }

 private slots:
  void initTestCase() { InstallMessages(); }
  void init() { Fresh(); }
  void cleanup() { Close(); }

  // Messages and the clearing of temporary bans, byte for byte; the players
  // tab asks for "status" when it comes to the front; the grid and its
  // notice follow the stored password.
  void playerMessagesOnTheWire() {
    auto& srv = Start(Rconned({Player(0, "50", 10), Player(3, "60", 10)}));
    auto& plain = Start(TestServerConfig());
    Open({Entry(srv, "pw"), Entry(plain, "")});
    Select(1);
    Tab(kPlayers);  // "status" over the query channel, 700 ms pause first
    E().Timer1().SetEnabled(false);
    QTRY_COMPARE_WITH_TIMEOUT(Rcon(srv), std::vector<std::string>{"rcon \"pw\" status"}, 5000);
    QVERIFY(G("DrawGrid2")->isVisibleTo(W<QWidget>("TabSheet2")));
    Space();
    Poll();
    QCOMPARE(G("DrawGrid2")->RowCount(), 3);
    ClickRow(G("DrawGrid2"), 2);  // client 3

    srv.clearReceived();
    auto* edit = W<QLineEdit>("Edit3");
    // The text goes between quotes, as typed: blanks, a ";" and colour
    // codes stay text in the chat.
    edit->setText(QString::fromUtf8("Hallo  Welt; ^1x äö"));
    Click("Button13");  // keeps the text
    QCOMPARE(edit->text(), QString::fromUtf8("Hallo  Welt; ^1x äö"));
    Click("Button7");  // keeps the text too
    QCOMPARE(edit->text(), QString::fromUtf8("Hallo  Welt; ^1x äö"));
    edit->setText(QStringLiteral("bye"));
    QTest::keyClick(edit, Qt::Key_Return);  // sends, then empties
    QVERIFY(edit->text().isEmpty());
    Space();
    Click("Button23");  // variable channel, no pause
    QTRY_COMPARE_WITH_TIMEOUT(Rcon(srv).size(), size_t(3), 5000);
    QCOMPARE(Rcon(srv),
             (std::vector<std::string>{"rcon \"pw\" tell 3 \"Hallo  Welt; ^1x \xe4\xf6\"",
                                       "rcon \"pw\" say \"Hallo  Welt; ^1x \xe4\xf6\"",
                                       "rcon \"pw\" say \"bye\""}));
    const auto saidOnce = [&] {
      const std::vector<std::string> done = Executed(srv);
      return std::count(done.begin(), done.end(), "say \"Hallo  Welt; ^1x \xe4\xf6\"") == 1;
    };
    QTRY_VERIFY_WITH_TIMEOUT(saidOnce(), 5000);
    QTRY_COMPARE_WITH_TIMEOUT(Rcon(srv, true),
                              std::vector<std::string>{"rcon \"pw\" set g_banIPs \"\""}, 5000);
    QTRY_COMPARE_WITH_TIMEOUT(Executed(srv).back(), std::string("set g_banIPs \"\""), 5000);

    // A message with a line break or a quote would end the text and start a
    // second command: refused, with the reason.
    srv.clearReceived();
    Space();
    edit->setText(QStringLiteral("x\";quit"));
    Click("Button7");
    QCOMPARE(messages_.size(), 1);
    QVERIFY(messages_.back().contains(QStringLiteral("\"")));
    edit->setText(QStringLiteral("a\nquit"));
    QVERIFY(edit->text().contains('\n'));
    Click("Button7");
    QCOMPARE(messages_.size(), 2);
    QTest::keyClick(edit, Qt::Key_Return);
    QCOMPARE(edit->text(), QStringLiteral("a\nquit"));  // kept to be mended
    QTest::qWait(200);
    QVERIFY(Rcon(srv).empty());

    // A server without password: nothing is sent, the grid is hidden and the
    // notice behind it shows; without the automatic refresh a kick does not
    // put the console's "status" in its line either.
    Select(2);
    plain.clearReceived();
    W<QCheckBox>("CheckBox2")->setChecked(false);
    edit->setText(QStringLiteral("x"));
    Click("Button7");
    Click("Button23");
    Click("Button1");
    QVERIFY(E().HeldRconFor(Uid(1)).empty());
    QTest::keyClick(edit, Qt::Key_Return);
    QVERIFY(edit->text().isEmpty());
    QTest::qWait(200);
    QVERIFY(Rcon(plain).empty() && Rcon(plain, true).empty());
    QVERIFY(!G("DrawGrid2")->isVisibleTo(W<QWidget>("TabSheet2")));
    QVERIFY(W<QLabel>("Label1")->isVisibleTo(W<QWidget>("TabSheet2")));

    // Without the automatic refresh a kick click puts "status" into the
    // server's line, to leave 4 s later: the console shows the table with
    // the kicked player gone.
    Select(1);
    Space();
    srv.clearReceived();
    const auto clicked = Clock::now();
    Click("Button1");
    QCOMPARE(E().HeldRconFor(Uid(0)), std::vector<std::string>{"status"});
    QTRY_COMPARE_WITH_TIMEOUT(Rcon(srv), std::vector<std::string>{"rcon \"pw\" status"}, 8000);
    const auto got = srv.received();
    const auto sent = std::find_if(got.begin(), got.end(), [this](const ReceivedDatagram& d) {
      return d.fromPort == E().QueryLocalPort() &&
             d.data.find("rcon \"pw\" status") != std::string::npos;
    });
    QVERIFY(sent != got.end());
    QVERIFY(sent->at - clicked >= 3950ms);
    QVERIFY(E().HeldRconFor(Uid(0)).empty());
  }

  // Kicks and bans wait for a table of their server polled after the click
  // and go out right after it; the last click wins; the table after the
  // kick tells whether the player left, naming the server. A request stays
  // with the server it was made for.
  void pendingKicksAndBans() {
    const auto c = Rconned({Player(0, "50", 10), Player(5, "60", 10), Player(7, "70", 10)});
    auto& a = Start(c);
    auto other = c;
    SetVar(other.vars, "sv_hostname", "^2Zweiter ^7Server");
    auto& b = Start(other);
    Open({Entry(a, "pw"), Entry(b, "pw")});
    Select(1);
    Poll();
    ClickRow(G("DrawGrid2"), 2);  // client 5
    a.clearReceived();
    Click("Button1");  // kick ...
    Click("Button4");  // ... then ban: only the ban is pending
    {
      const auto& pending = Session().Actions().Pending();
      QCOMPARE(pending.size(), size_t(1));
      QVERIFY(pending[0].kind == PendingPlayerAction::Kind::Ban);
      QCOMPARE(pending[0].client, std::string("5"));
      QCOMPARE(pending[0].guid, std::string("0"));
      QCOMPARE(pending[0].name, std::string("P5"));
      QCOMPARE(pending[0].address, std::string("127.0.0.1:28960"));
    }
    QVERIFY(Rcon(a).empty());
    // The click asked for a table itself; the ban goes out after it.
    QTRY_COMPARE_WITH_TIMEOUT(Rcon(a), std::vector<std::string>{"rcon \"pw\" banclient 5"}, 5000);
    QVERIFY(Session().Actions().Pending().empty());
    QTRY_COMPARE_WITH_TIMEOUT(Notice(), Named("Spieler P5 wurde auf Server %1 gebannt."), 5000);
    QCOMPARE(a.config().players.size(), size_t(2));
    Poll();
    QCOMPARE(Session().Table().size(), size_t(2));
    QCOMPARE(Session().Table()[1][0], std::string("7"));

    // Temporary ban: the number as decimal text.
    ClickRow(G("DrawGrid2"), 2);  // client 7
    a.clearReceived();
    Click("Button3");
    QTRY_COMPARE_WITH_TIMEOUT(Rcon(a), std::vector<std::string>{"rcon \"pw\" tempbanclient 7"},
                              5000);
    QTRY_COMPARE_WITH_TIMEOUT(Notice(), Named("Spieler P7 wurde auf Server %1 temporär gebannt."),
                              5000);

    // Kick recorded on A, then B selected: the kick is carried out on A by
    // A's next table, and told with A's name while B is shown; B gets
    // nothing.
    Poll();
    ClickRow(G("DrawGrid2"), 1);  // client 0
    a.clearReceived();
    b.clearReceived();
    Click("Button1");
    ClickRow(G("DrawGrid1"), 2);
    QCOMPARE(G("DrawGrid2")->RowCount(), 1);  // B has no table yet
    QTRY_COMPARE_WITH_TIMEOUT(Rcon(a), std::vector<std::string>{"rcon \"pw\" clientkick 0"}, 5000);
    QTRY_COMPARE_WITH_TIMEOUT(Notice(), Named("Spieler P0 wurde auf Server %1 gekickt."), 5000);
    Poll();
    QCOMPARE(Session().Table().size(), size_t(3));  // B's players
    QVERIFY(Rcon(b).empty());
  }

  // The player who held the slot when the operator clicked has left and
  // somebody else took the slot before the next table: nobody is kicked.
  void slotTakenOverBeforeTheNextTable() {
    auto& a = Start(Rconned({Player(0, "50", 10, "111111"), Player(3, "60", 10, "333333")}));
    Open({Entry(a, "pw")});
    Select(1);
    Poll();
    a.setPlayers({Player(0, "50", 10, "111111"), [] {
                    auto p = Player(3, "40", 10, "999999");
                    p.name = "Newcomer";
                    return p;
                  }()});
    ClickRow(G("DrawGrid2"), 2);  // P3 as the table still shows him
    a.clearReceived();
    Click("Button1");
    QTRY_COMPARE_WITH_TIMEOUT(
        Notice(), Named("Kick nicht ausgeführt: Spieler P3 ist nicht mehr auf Server %1."), 5000);
    QTest::qWait(900);
    QVERIFY(Rcon(a).empty());
    QCOMPARE(a.config().players.size(), size_t(2));
    QVERIFY(Session().Actions().Pending().empty());
  }

  // A request no table serves within its time is dropped with a notice.
  void pendingRequestExpires() {
    auto& a = Start(Rconned({Player(2, "50", 10)}));
    Open({Entry(a, "pw")});
    Select(1);
    Poll();
    Session().Actions().SetLimit(1500ms);
    a.update([](TestServerConfig& c) { c.rconPassword = "changed"; });  // no tables
    ClickRow(G("DrawGrid2"), 1);
    a.clearReceived();
    Click("Button1");
    QCOMPARE(Session().Actions().Pending().size(), size_t(1));
    QTRY_COMPARE_WITH_TIMEOUT(Notice(),
                              Named("Kick für Spieler P2 auf Server %1 verworfen: keine "
                                    "Spielerliste vom Server innerhalb von 15 Sekunden."),
                              5000);
    QVERIFY(Session().Actions().Pending().empty());
    QVERIFY(Rcon(a).empty());
  }

  // The grid shows the selected server's last table at once, and a player
  // picked on one server is never acted on on another: after a selection
  // no row is picked, and the buttons act on nothing until the operator
  // picks one.
  void theGridFollowsTheSelection() {
    auto& a = Start(Rconned({Player(3, "50", 10)}));
    auto& b = Start(Rconned({Player(3, "60", 10), Player(4, "60", 10)}));
    Open({Entry(a, "pw"), Entry(b, "pw")});
    Select(1);
    Tab(kPlayers);
    E().Timer1().SetEnabled(false);
    Poll();
    ClickRow(G("DrawGrid2"), 1);
    QCOMPARE(F().Details().selectedplayer, 0);
    Select(2);
    QCOMPARE(F().Details().selectedplayer, -1);
    QCOMPARE(G("DrawGrid2")->RowCount(), 1);  // no table of B yet
    QVERIFY(Session().Table().empty());
    Space();
    b.clearReceived();
    a.clearReceived();
    W<QLineEdit>("Edit3")->setText(QStringLiteral("hallo"));
    Click("Button4");
    Click("Button13");
    QVERIFY(Session().Actions().Pending().empty());

    // B's table; then A again: its last table is there at once, nothing
    // picked on it.
    Poll();
    QCOMPARE(G("DrawGrid2")->RowCount(), 3);
    ClickRow(G("DrawGrid2"), 2);
    QCOMPARE(F().Details().selectedplayer, 1);
    ClickRow(G("DrawGrid1"), 1);
    QCOMPARE(G("DrawGrid2")->RowCount(), 2);
    QCOMPARE(Session().Table()[0][0], std::string("3"));
    QCOMPARE(F().Details().selectedplayer, -1);
    QVERIFY(!W<QPushButton>("Button49")->isEnabled());
    Click("Button1");
    Click("Button13");
    QVERIFY(Session().Actions().Pending().empty());
    QTest::qWait(1000);
    QVERIFY(Rcon(b).empty());
    QVERIFY(Rcon(a).empty());
  }

  // Which row the high-ping rule kicks: the worst pinger while everybody
  // talks, the longest silent player above 40 s, nobody at exactly 40 s;
  // connecting and zombie rows never. A ping that is no number stops the
  // rule, not the pending kick.
  void highPingRule_data() {
    QTest::addColumn<std::vector<TestPlayer>>("players");
    QTest::addColumn<QString>("kicked");
    QTest::newRow("first of equal pings")
        << std::vector<TestPlayer>{Player(1, "120", 100), Player(4, "250", 200),
                                   Player(6, "250", 300)}
        << "clientkick 4";
    QTest::newRow("silent 45000 beats the ping")
        << std::vector<TestPlayer>{Player(1, "400", 100), Player(2, "30", 45000),
                                   Player(3, "90", 39000)}
        << "clientkick 2";
    QTest::newRow("exactly 40000 kicks nobody")
        << std::vector<TestPlayer>{Player(1, "400", 40000), Player(2, "30", 100)} << "";
    QTest::newRow("connecting and zombies never")
        << std::vector<TestPlayer>{Player(1, "CNCT", 90000), Player(2, "80", 100),
                                   Player(3, "ZMBI", 99999), Player(4, "999", 0)}
        << "clientkick 4";
    QTest::newRow("nobody but connecting") << std::vector<TestPlayer>{Player(1, "CNCT", 0)} << "";
  }
  void highPingRule() {
    QFETCH(std::vector<TestPlayer>, players);
    QFETCH(QString, kicked);
    auto& srv = Start(Rconned(players));
    Open({Entry(srv, "pw")});
    E().SetRconPause(0ms);
    Select(1);
    Click("Button9");
    srv.clearReceived();
    Poll();
    QTest::qWait(200);
    const std::vector<std::string> expected =
        kicked.isEmpty() ? std::vector<std::string>{}
                         : std::vector<std::string>{"rcon \"pw\" " + kicked.toStdString()};
    QTRY_COMPARE_WITH_TIMEOUT(Rcon(srv), expected, 3000);
    QVERIFY(Session().Actions().Pending().empty());
  }

  void highPingWithoutNumbers() {
    auto& srv =
        Start(Rconned({Player(1, "80", 100), Player(2, "9x", 100), Player(3, "70", 50000)}));
    Open({Entry(srv, "pw")});
    E().SetRconPause(0ms);
    Select(1);
    Poll();
    ClickRow(G("DrawGrid2"), 1);
    Click("Button9");
    Click("Button1");
    srv.clearReceived();
    Space();
    Poll();
    QTRY_COMPARE_WITH_TIMEOUT(Rcon(srv), std::vector<std::string>{"rcon \"pw\" clientkick 1"},
                              3000);
    QVERIFY(Session().Actions().Pending().empty());
    QCOMPARE(ChooseHighPinger(Session().Table()).numbers, false);
  }

  // Player selection drives "GUID Merken"/"GUID Vergessen"; the list is
  // changed by exact GUID text.
  void guidButton() {
    auto& srv = Start(Rconned({Player(0, "50", 10, "0"), Player(1, "50", 10, "004711")}));
    Open({Entry(srv, "pw")});
    Select(1);
    Poll();
    auto* guid = W<QPushButton>("Button49");
    const Tguidlist& remembered = F().Files().Guids();
    ClickRow(G("DrawGrid2"), 1);
    QVERIFY(!guid->isEnabled());
    ClickRow(G("DrawGrid2"), 2);
    QVERIFY(guid->isEnabled());
    QCOMPARE(guid->text(), QStringLiteral("GUID Merken"));
    guid->click();
    QCOMPARE(remembered.size(), size_t(1));
    QCOMPARE(remembered[0].guid.str(), std::string("004711"));
    QCOMPARE(remembered[0].name.str(), std::string("P1"));
    Space();
    Poll();
    // The next table marks the player as remembered: the caption follows.
    QCOMPARE(guid->text(), QStringLiteral("GUID Vergessen"));
    guid->click();
    QVERIFY(remembered.empty());
    Space();
    Poll();
    QCOMPARE(guid->text(), QStringLiteral("GUID Merken"));
    QVERIFY(guid->isEnabled());
  }

  // The wire times of a session: the players page's "status" 700 ms after
  // the page came up, two variable reads 700 and 1400 ms after the click, a
  // message 700 ms after it, and a kick right after the table polled after
  // the click: the servers' flood spacing after the poll, no pause of the
  // query channel on top. The window is never held up meanwhile.
  void sessionKeepsItsWireTimes() {
    auto& srv = Start(Rconned({Player(0, "50", 10), Player(4, "60", 10)}));
    Open({Entry(srv, "pw")});
    Select(1);
    Space();
    srv.clearReceived();
    auto at = [&](const std::string& command) {
      for (const auto& d : srv.received())
        if (d.data.size() > 4 && d.data.substr(d.data.find("\" ") + 2) == command) return d.at;
      return Clock::time_point{};
    };
    auto ms = [](Clock::time_point from, Clock::time_point to) {
      return std::chrono::duration_cast<std::chrono::milliseconds>(to - from).count();
    };
    const auto t0 = Clock::now();
    Tab(kPlayers);
    E().Timer1().SetEnabled(false);
    QVERIFY(Clock::now() - t0 < 300ms);  // the page is up at once
    QTRY_VERIFY_WITH_TIMEOUT(at("status") != Clock::time_point{}, 5000);
    const auto status = at("status");
    Space();

    const auto t1 = Clock::now();
    Click("Button29");  // DM settings: two reads
    QTRY_VERIFY_WITH_TIMEOUT(at("scr_dm_timelimit") != Clock::time_point{}, 5000);
    const auto read1 = at("scr_dm_scorelimit"), read2 = at("scr_dm_timelimit");
    Space();

    const auto t2 = Clock::now();
    W<QLineEdit>("Edit3")->setText(QStringLiteral("hallo"));
    Click("Button7");
    QTRY_VERIFY_WITH_TIMEOUT(at("say \"hallo\"") != Clock::time_point{}, 5000);
    const auto say = at("say \"hallo\"");
    Space();

    Poll();
    ClickRow(G("DrawGrid2"), 2);
    Space();
    srv.clearReceived();
    Click("Button1");
    QTRY_VERIFY_WITH_TIMEOUT(at("clientkick 4") != Clock::time_point{}, 5000);
    const auto poll = at("status");  // the table the kick waited for

    const std::vector<std::pair<const char*, long long>> gaps = {
        {"status after the page", ms(t0, status)},
        {"first read after the click", ms(t1, read1)},
        {"second read after the first", ms(read1, read2)},
        {"say after the click", ms(t2, say)},
        {"kick after the poll", ms(poll, at("clientkick 4"))},
    };
    // The floors are the pauses; the ceilings leave room for a loaded
    // machine, and the kick's stays below the 1300 ms a pause after its
    // table would give.
    const long long floor[] = {700, 650, 650, 700, 550};
    for (size_t i = 0; i < gaps.size(); ++i) {
      qInfo("%s: %lld ms", gaps[i].first, gaps[i].second);
      QVERIFY2(gaps[i].second >= floor[i] && gaps[i].second < floor[i] + 600,
               qPrintable(QString("%1: %2 ms").arg(gaps[i].first).arg(gaps[i].second)));
    }
  }

  // A server with ioquake3's limiter (ten at once, then one a second, shared
  // by getstatus and rcon, drops silent) and its status table: the players
  // page at its usual pace runs into the limit, Zelmora learns it and plans
  // within it; from then on nothing is dropped, the operator's console
  // commands all arrive, the polls keep coming, the list marks the server
  // and never shows TOUT for it.
  void limitedServerSession() {
    TestServerConfig c = Rconned({Player(0, "50", 10), Player(4, "60", 10)});
    c.limiterBurst = 10;
    c.statusLayout = TestServerConfig::StatusLayout::Ioquake3;
    c.players[1].ip = "127.0.0.7";
    auto& srv = Start(c);
    Open({Entry(srv, "pw")});
    Select(1);
    Tab(kPlayers);  // the page's "status", then a getstatus and a poll every second
    QTRY_VERIFY_WITH_TIMEOUT(E().IsLimited(Uid(0)), 25000);
    const auto learnt = srv.stats();
    QVERIFY(learnt.limiterDropped > 0);
    // Every poll has a socket of its own: the "status" datagrams that came
    // from neither channel.
    const auto polls = [&] {
      std::size_t n = 0;
      for (const auto& d : srv.received())
        if (d.fromPort != E().QueryLocalPort() && d.fromPort != E().VarLocalPort() &&
            d.data.find("rcon \"pw\" status") != std::string::npos)
          ++n;
      return n;
    };
    srv.clearReceived();

    QAbstractItemModel* list = G("DrawGrid1")->model();
    auto* line = W<QLineEdit>("Edit1");
    const char* typed[] = {"say eins", "say zwei", "serverinfo"};
    for (const char* command : typed) {
      for (int i = 0; i < 6; ++i) {
        QTest::qWait(500);
        QVERIFY(list->index(0, 3).data().toString() != QStringLiteral("TOUT"));
      }
      Tab(kConsole);
      line->setText(QString::fromLatin1(command));
      Click("Button2");
      Tab(kPlayers);
    }
    // The commands took the budget for a while; then the polls come again,
    // about one a second.
    QTest::qWait(1000);
    srv.clearReceived();
    QTest::qWait(7000);
    QVERIFY2(polls() >= 4, qPrintable(QString::number(polls())));
    const auto after = srv.stats();
    QCOMPARE(after.limiterDropped, learnt.limiterDropped);  // nothing dropped since
    const std::vector<std::string> executed = Executed(srv);
    for (const char* command : typed)
      QVERIFY2(std::count(executed.begin(), executed.end(), command) == 1, command);
    QCOMPARE(list->index(0, 3).data(Qt::ToolTipRole).toString(),
             QStringLiteral("Server drosselt Anfragen"));
    QVERIFY(list->index(0, 3).data().toString().endsWith(QStringLiteral(" (gedrosselt)")));
    // The ioquake3 table: names and addresses where they belong.
    const Tstatusinfo& table = Session().Table();
    QCOMPARE(table.size(), size_t(2));
    QCOMPARE(table[1][1], std::string("P4"));
    QCOMPARE(table[1][6], std::string("127.0.0.7:28960"));
    QVERIFY(W<QLabel>("TableAge")->text().isEmpty());  // renewed all along

    // Without the periodic poll the table ages, and says so.
    E().Timer1().SetEnabled(false);
    QTRY_COMPARE_WITH_TIMEOUT(W<QLabel>("TableAge")->text(), QStringLiteral("Stand: vor 4 s"),
                              8000);
  }
};

QTEST_MAIN(TestPlayersTab)
#include "test_playerstab.moc"
