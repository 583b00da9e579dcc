// Reply handling on the main thread: attribution, the statusResponse steps,
// ping history, each server's own status, console and directory listings,
// variable replies. Driven directly (no sockets).
#include <QCoreApplication>
#include <QSignalSpy>
#include <QTest>

#include "core/settings.h"
#include "engine/clock.h"
#include "engine/queryengine.h"
#include "enginetestutil.h"

using namespace zelmora;
using namespace zelmora::testing;

namespace {

constexpr const char* kHost = "127.0.0.1";

struct Fixture {
  SettingsStore settings;
  QueryEngine engine{settings};
  ServerList& list = engine.List();

  explicit Fixture(int entries = 2) {
    for (int i = 0; i < entries; ++i)
      list.Append(Entry(kHost, std::to_string(27960 + i), i == 0 ? "pw" : ""));
  }
  void Replace(Tserverlist entries) { list.Replace(std::move(entries)); }
  Tserverrec& E(int i) { return list.MutableAt(static_cast<size_t>(i)); }
  const tpingit& H(int i) { return list.History(static_cast<size_t>(i)); }
  ServerSession& S(int i) { return *engine.Session(E(i).uid); }
  void Status(int port, double time, const std::string& datagram = StatusDatagram(StockVars())) {
    engine.HandleQueryDatagram(datagram, kHost, port, time);
  }
  void Print(const std::string& text, int port, double time) {
    engine.HandleQueryDatagram(Oob(text), kHost, port, time);
  }
  // The lines of a server's console once its outputs are complete.
  std::vector<std::string> Console(int i) {
    QTest::qWait(PrintJoiner::kDefaultGapMs + 20);
    const Transcript& t = S(i).Console();
    return t.From(t.Begin());
  }
};

}  // namespace

class HandleReplyTest : public QObject {
  Q_OBJECT

 private slots:
  void statusResponseFillsTheEntry() {
    Fixture f;
    f.E(0).hostname.assign("old name");
    f.E(0).sendtime = 1000.0;
    QSignalSpy changed(&f.list, &ServerList::EntryChanged);
    const std::uint32_t before = TickCount32();
    f.Status(27960, 1012.25, StatusDatagram(StockVars(), {"5 48 \"^1Al\\\"x\"", "0 999 \"Bob\""}));
    const std::uint32_t after = TickCount32();
    const Tserverrec& e = f.E(0);
    QCOMPARE(e.ping, 12);
    QCOMPARE(e.hostname.str(), std::string("^1Red ^7Server"));
    QCOMPARE(e.mapinfo.str(), std::string("^2sd ^0mp_x"));
    QCOMPARE(int(e.protocol), 6);
    QCOMPARE(e.shortversion.str(), std::string("1.5"));
    QCOMPARE(e.players, 2);
    QCOMPARE(e.maxclients, 20);
    QCOMPARE(e.privateclients, 2);
    QCOMPARE(int(e.passworded), 1);
    QCOMPARE(int(e.killcam), 1);
    QCOMPARE(int(e.friendlyfire), 0);
    QCOMPARE(int(e.punkbuster), 1);
    QCOMPARE(int(e.voice), 0);
    QVERIFY(static_cast<std::uint32_t>(e.lastreply - before) <=
            static_cast<std::uint32_t>(after - before));
    // The server's session keeps its status as the views show it.
    QCOMPARE(f.S(0).Players().size(), size_t(2));
    QCOMPARE(f.S(0).Players()[0][2], std::string("^1Al\\"));  // cut at the quote
    QCOMPARE(ServerVar(f.S(0).Vars(), "g_gametype"), std::string("sd"));
    // The other entry is untouched.
    QCOMPARE(f.E(1).lastreply, 0u);
    QCOMPARE(f.E(1).players, 0);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(changed[0][0].toInt(), 0);
  }

  void pingRoundsHalvesToEven_data() {
    QTest::addColumn<double>("elapsed");
    QTest::addColumn<int>("ping");
    QTest::newRow("12.5") << 12.5 << 12;
    QTest::newRow("13.5") << 13.5 << 14;
    QTest::newRow("12.49") << 12.49 << 12;
    QTest::newRow("12.51") << 12.51 << 13;
    QTest::newRow("0.5") << 0.5 << 0;
  }
  void pingRoundsHalvesToEven() {
    QFETCH(double, elapsed);
    QFETCH(int, ping);
    Fixture f;
    f.E(1).sendtime = 5000.0;
    f.Status(27961, 5000.0 + elapsed);
    QCOMPARE(f.E(1).ping, ping);
    QCOMPARE(f.H(1).back(), elapsed);  // the unrounded ping joins the history
  }

  // Every datagram belongs to its sender, whatever came before it: an
  // unlisted statusResponse takes nothing down with it, and a print reply
  // is never credited to the server that answered last.
  void printsBelongToTheirSender() {
    Fixture f;
    f.engine.Selected().SelectRow(1);
    f.Status(27961, 10.0);
    QCOMPARE(f.E(1).maxclients, 20);
    f.Status(40000, 20.0);
    QCOMPARE(f.engine.counters().unattributed, 1u);
    f.E(0).lastreply = 0;
    f.Print("print\nfrom A\n", 27960, 21.0);
    QVERIFY(f.E(0).lastreply != 0 || TickCount32() == 0);
    f.Print("print\nnobody's\n", 40000, 22.0);
    f.Print("print\nfrom B\n", 27961, 30.0);
    f.Print("getstatus", 27961, 30.5);  // not for the console
    QCOMPARE(f.Console(0), std::vector<std::string>{"from A"});
    QCOMPARE(f.Console(1), std::vector<std::string>{"from B"});
    QCOMPARE(f.engine.counters().printOutputs, 2u);
  }

  // A server listed by host name answers from the address the name
  // resolved to: its statusResponses and prints find it.
  void hostNameEntryMatchesItsReplies() {
    Fixture f(0);
    f.engine.SetNameResolver([](const std::string& name) {
      HostLookup r;
      r.status = name == "game.example" ? HostLookup::Status::kFound : HostLookup::Status::kUnknown;
      if (name == "game.example") r.address = kHost;
      return r;
    });
    f.Replace({Entry("other.example", "28960"), Entry("game.example", "28960", "pw")});
    f.engine.FirstEntryFor(kHost, 28960);  // starts the lookups
    QTRY_VERIFY(f.engine.FirstEntryFor(kHost, 28960) == 1);
    f.Status(28960, 5.0);
    QCOMPARE(f.E(1).protocol, std::uint8_t(6));
    QSignalSpy replies(&f.engine, &QueryEngine::VarReply);
    f.engine.HandleVarReply(Oob("print\n\"g_gametype\" is:\"sd^7\"\n"), kHost, 28960);
    QCOMPARE(replies.count(), 1);
    QCOMPARE(replies[0][0].value<std::uint64_t>(), f.E(1).uid);
  }

  void sameHostAndPortTwiceUpdatesTheFirst() {
    Fixture f(0);
    f.Replace({Entry(kHost, "27960"), Entry(kHost, "1"), Entry(kHost, "27960")});
    f.Status(27960, 7.0);
    QCOMPARE(f.E(0).players, 0);
    QCOMPARE(f.E(0).maxclients, 20);
    QCOMPARE(f.E(2).maxclients, 0);
    // Port text must match exactly: " 27960" is another text.
    f.Replace({Entry(kHost, " 27960")});
    f.Status(27960, 8.0);
    QCOMPARE(f.E(0).maxclients, 0);
    QCOMPARE(f.engine.counters().unattributed, 1u);
  }

  void historySizingAndShift() {
    Fixture f;
    f.E(0).sendtime = 100.0;
    f.Status(27960, 142.0);
    QCOMPARE(f.H(0).size(), size_t(200));
    QCOMPARE(f.H(0).back(), 42.0);

    // 200 distinct samples, then Datenmenge 100: the oldest 100 stay, then
    // the new sample is shifted in.
    for (int i = 0; i < 200; ++i) f.list.MutableHistory(0)[static_cast<size_t>(i)] = i;
    f.settings.Set(&Settings::datenmenge, std::string("100"));
    f.Status(27960, 155.0);
    const auto& h = f.H(0);
    QCOMPARE(h.size(), size_t(100));
    QCOMPARE(h.front(), 1.0);
    QCOMPARE(h[98], 99.0);
    QCOMPARE(h.back(), 55.0);

    // Chart off: sized, but nothing added.
    f.settings.Set(&Settings::aktive, false);
    f.settings.Set(&Settings::datenmenge, std::string("150"));
    const std::vector<double> kept = h;
    f.Status(27960, 170.0);
    QCOMPARE(h.size(), size_t(150));
    QVERIFY(std::equal(kept.begin(), kept.end(), h.begin()));
    QCOMPARE(h.back(), 0.0);
  }

  void datenmengeNotANumberStopsAfterProtocol() {
    Fixture f;
    f.settings.Set(&Settings::datenmenge, std::string("viel"));
    f.E(0).hostname.assign("kept");
    f.Status(27960, 3.0);
    QCOMPARE(int(f.E(0).protocol), 6);
    QCOMPARE(f.E(0).hostname.str(), std::string("kept"));
    QCOMPARE(f.E(0).maxclients, 0);
    QVERIFY(f.H(0).empty());
    QVERIFY(!f.S(0).HasStatus());
    // The next datagram is handled normally again.
    f.settings.Set(&Settings::datenmenge, std::string("10"));
    f.Status(27960, 4.0);
    QCOMPARE(f.E(0).maxclients, 20);
    QVERIFY(f.S(0).HasStatus());
  }

  void malformedBodyStopsAfterHistory() {
    Fixture f;
    f.E(0).sendtime = 10.0;
    f.E(0).hostname.assign("kept");
    f.E(0).mapinfo.assign("^2sd ^0old");
    f.E(0).players = 7;
    f.Status(27960, 30.0, Oob("statusResponse\n\\protocol\\118\\sv_maxclients\\9"));
    QCOMPARE(f.E(0).ping, 20);
    QCOMPARE(int(f.E(0).protocol), 118);
    QCOMPARE(f.E(0).players, 0);
    QCOMPARE(f.E(0).maxclients, 0);
    QCOMPARE(f.E(0).mapinfo.str(), std::string());
    QCOMPARE(f.E(0).hostname.str(), std::string("kept"));
    QCOMPARE(f.H(0).size(), size_t(200));
    QVERIFY(f.engine.Addresses().Records().empty());
    QVERIFY(!f.S(0).HasStatus());
  }

  // Each server keeps its own last status, whichever is selected: the
  // views of the selected one read it from its session.
  void eachServerKeepsItsStatus() {
    Fixture f;
    f.engine.Selected().SelectRow(1);
    auto vars = StockVars("Name", "118");
    vars[1].second = "^1sd";
    QSignalSpy status0(&f.S(0), &ServerSession::StatusChanged);
    QSignalSpy status1(&f.S(1), &ServerSession::StatusChanged);
    f.Status(27960, 1.0, StatusDatagram(vars, {"1 2 \"a\""}));
    QCOMPARE(status0.count(), 1);
    QCOMPARE(status1.count(), 0);
    QCOMPARE(f.S(0).Players().size(), size_t(1));
    QVERIFY(f.S(1).Players().empty());
    f.Status(27961, 2.0, StatusDatagram(vars, {"^15 4^2 \"^3Q\"\"", "7 8 \"b\""}));
    QCOMPARE(status1.count(), 1);
    QCOMPARE(f.S(1).Players().size(), size_t(2));
    QCOMPARE(f.S(1).Players()[0][0], std::string("5"));
    QCOMPARE(f.S(1).Players()[0][1], std::string("4"));
    QCOMPARE(f.S(1).Players()[0][2], std::string("^3Q"));
    QCOMPARE(ServerVar(f.S(1).Vars(), "g_gametype"), std::string("^1sd"));
    QCOMPARE(f.S(0).Players().size(), size_t(1));
  }

  void providerComesFromTheAddressCache() {
    Fixture f;
    Taddrcache& cache = f.engine.Addresses().Records();
    f.Status(27960, 1.0);
    QCOMPARE(cache.size(), size_t(1));
    QCOMPARE(cache[0].ip, std::string(kHost));
    QCOMPARE(cache[0].flag, 0);
    QVERIFY(cache[0].provider.empty());
    cache[0].provider = "localhost";
    cache[0].cc = "lo";
    cache[0].country = "Loopback";
    f.Status(27961, 2.0);  // same host: no second record
    QCOMPARE(cache.size(), size_t(1));
    QCOMPARE(f.E(1).provider.str(), std::string("localhost;lo;Loopback"));
    // With two records for the address the last one counts.
    cache.push_back({kHost, "second", "de", "Germany", 3});
    f.Status(27960, 3.0);
    QCOMPARE(f.E(0).provider.str(), std::string("second;de;Germany"));
  }

  // The datagrams of one output are joined before the console shows them,
  // cut mid line or not, colour codes and carriage returns removed.
  void consoleShowsTheJoinedOutput() {
    Fixture f;
    f.Print("print\n^1red\r\nli", 27960, 1.0);
    f.Print("print\nne2\nend", 27960, 2.0);
    QCOMPARE(f.Console(0), (std::vector<std::string>{"red", "line2", "end"}));
  }

  void mapListingAndItsPictures() {
    Fixture f;
    f.E(0).protocol = 5;
    f.E(0).mapinfo.assign("^2sd ^0mp_harbor");
    QSignalSpy listings(&f.S(0), &ServerSession::ListingChanged);
    f.Print("print\nDirectory of maps/mp .bsp\n----------\nmp_a.bsp\nmp_harbor.bsp\nmp_z.bsp\n",
            27960, 1.0);
    QTRY_COMPARE(listings.count(), 1);
    const Listing& maps = f.S(0).Maps();
    QCOMPARE(maps.items, (std::vector<std::string>{"mp_a.bsp", "mp_harbor.bsp", "mp_z.bsp"}));
    QCOMPARE(maps.chosen, 1);
    QCOMPARE(maps.pictures, std::vector<std::string>{"mp_harbor.bsp"});
    QVERIFY(maps.at != std::chrono::steady_clock::time_point{});
  }

  void configListingIsAppended() {
    Fixture f;
    f.Print("print\nDirectory of / .cfg\n----------\na.cfg\nb.cfg\n", 27960, 1.0);
    QTRY_COMPARE(f.S(0).Configs().items.size(), size_t(2));
    // The game's answer to exec names no file of the folder: it adds nothing.
    f.Print("print\nexecing server.cfg\n", 27960, 2000.0);
    QTest::qWait(200);
    QCOMPARE(f.S(0).Configs().items, (std::vector<std::string>{"a.cfg", "b.cfg"}));
    // Asking for the listing again empties it until the answer comes.
    f.S(0).RequestListing(ListingKind::Configs, std::chrono::seconds(60));
    QVERIFY(f.S(0).Configs().items.empty());
  }

  void varRepliesGoToTheirServer() {
    Fixture f;
    QSignalSpy replies(&f.engine, &QueryEngine::VarReply);
    const std::string reply = Oob("print\n\"g_gametype\" is:\"sd^7\" default:\"dm^7\"\nmore\n");
    f.engine.HandleVarReply(reply, kHost, 40000);  // not listed
    f.engine.HandleVarReply(reply, "", 27961);     // no sender
    QCOMPARE(replies.count(), 0);
    f.E(1).lastreply = 0;
    f.engine.HandleVarReply(reply, kHost, 27961);
    QCOMPARE(replies.count(), 1);
    QCOMPARE(replies[0][0].value<std::uint64_t>(), f.E(1).uid);
    QCOMPARE(replies[0][1].value<std::string>(),
             std::string("\"g_gametype\" is:\"sd^7\" default:\"dm^7\""));
    // An answer on the variable channel is an answer: no time-out while it comes.
    QVERIFY(f.E(1).lastreply != 0 || TickCount32() == 0);
  }

  // A table is asked for by server, once; one without an rcon password is
  // never asked for.
  void tableRequestsByServer() {
    Fixture f(3);
    f.E(2).rconpass.assign("pw2");
    f.engine.Selected().SelectRow(1);  // no rcon password
    f.engine.RequestStatusPoll();
    QVERIFY(!f.S(1).TableRequested());
    f.engine.RequestStatusPoll(f.E(2).uid);
    f.engine.RequestStatusPoll(f.E(2).uid);
    QVERIFY(f.S(2).TableRequested());
    f.engine.RequestStatusPoll(12345);  // nobody
    QCOMPARE(f.engine.Session(12345), nullptr);
  }

  void sendsWithoutServerOrSocketDoNothing() {
    Fixture f;
    QCOMPARE(f.engine.SendRcon("status"), QueryEngine::SendResult::NoServer);
    QCOMPARE(f.engine.SendRconVar("g_gametype"), QueryEngine::SendResult::NoServer);
    f.engine.Selected().SelectRow(2);  // beyond the list
    QCOMPARE(f.engine.SendRcon("status"), QueryEngine::SendResult::NoServer);
    f.engine.Selected().SelectRow(0);  // not started: nothing can be queued
    QCOMPARE(f.engine.SendRcon("status"), QueryEngine::SendResult::Failed);
    QCOMPARE(f.engine.HeldRcon(), size_t(0));
    // Not started: sends fail with a reason instead of crashing.
    std::string err;
    QVERIFY(!f.engine.SendGetStatus(0, &err));
    QVERIFY(!err.empty());
    QVERIFY(!f.engine.SendGetStatus(7, &err));
    f.E(1).port.assign("x1");
    err.clear();
    QVERIFY(!f.engine.SendGetStatus(1, &err));
    QVERIFY(err.find("x1") != std::string::npos);
  }
};

QTEST_GUILESS_MAIN(HandleReplyTest)
#include "test_handlereply.moc"
