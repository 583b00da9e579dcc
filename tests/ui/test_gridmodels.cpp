// What the grids' models give per role: the text without colour codes, the
// raw text, the tooltip, the sort value, the colour, the icons, the flag and
// the highlight, for the server list, the server variables, the players and
// the rcon player table. The detail models read the session they are given;
// the player table is a real one, polled from a test game server.
#include <QSignalSpy>
#include <QtTest>

#include "core/settings.h"
#include "engine/queryengine.h"
#include "tools/testserver/testserver.h"
#include "ui/main/gridmodels.h"
#include "ui/main/icons.h"

using namespace zelmora;

namespace {

Tserverrec Server(const std::string& name, int protocol, int ping, std::uint32_t lastreply) {
  Tserverrec e;
  e.host.assign("10.0.0.2");
  e.port.assign("28960");
  e.hostname.assign(name);
  e.mapinfo.assign("^2sd ^0mp_toujane");
  e.protocol = static_cast<std::uint8_t>(protocol);
  e.ping = ping;
  e.players = 12;
  e.maxclients = 20;
  e.privateclients = 2;
  e.lastreply = lastreply;
  e.provider.assign("isp.example;de;Deutschland");
  return e;
}

QVariant Cell(DrawGridModel& m, int row, int modelCol, int role) {
  return m.data(m.index(row, modelCol), role);
}

testing::TestPlayer Player(int num, const std::string& name, const std::string& ping,
                           const std::string& guid, const std::string& ip) {
  testing::TestPlayer p;
  p.num = num;
  p.name = name;
  p.ping = ping;
  p.guid = guid;
  p.ip = ip;
  return p;
}

}  // namespace

class TestGridModels : public QObject {
  Q_OBJECT

  Settings settings_;
  std::function<const Settings&()> SettingsFn() {
    return [this]() -> const Settings& { return settings_; };
  }

 private slots:
  void serverListRoles() {
    SettingsStore store;
    QueryEngine engine(store);
    engine.SetCountryTables(RangeTable(), {{"at", "at.bmp"}, {"de", "de.bmp"}});
    constexpr std::uint32_t now = 100000000;
    engine.List().Replace({Server("^1Red ^7Server", 118, 42, now), Server("Quiet", 6, 30, 1)});
    engine.List().MutableAt(0).passworded = 1;
    engine.List().MutableAt(0).rconpass.assign("pw");
    ServerListModel m(engine, SettingsFn(), nullptr);
    m.SetClock([] { return now; });
    m.SetDataRows(2);
    // Model columns are grid columns 1..6; column 0 (icons) is the header.
    QCOMPARE(m.columnCount(), 6);
    QCOMPARE(m.headerData(0, Qt::Horizontal, Qt::DisplayRole).toString(),
             QStringLiteral("Servername"));
    QCOMPARE(Cell(m, 0, 0, Qt::DisplayRole).toString(), QStringLiteral("Red Server"));
    QCOMPARE(Cell(m, 0, 0, kRawTextRole).toString(), QStringLiteral("^1Red ^7Server"));
    QCOMPARE(Cell(m, 0, 0, kSortRole).toString(), QStringLiteral("red server"));
    QCOMPARE(Cell(m, 0, 1, Qt::DisplayRole).toString(), QStringLiteral("sd mp_toujane"));
    QCOMPARE(Cell(m, 0, 2, Qt::DisplayRole).toString(), QStringLiteral("12/20(2)"));
    QCOMPARE(Cell(m, 0, 2, kSortRole).toInt(), 12);
    QCOMPARE(Cell(m, 0, 3, Qt::DisplayRole).toString(), QStringLiteral("42"));
    QCOMPARE(Cell(m, 0, 3, kSortRole).toInt(), 42);
    QCOMPARE(Cell(m, 0, 3, Qt::ForegroundRole).value<QColor>(), QColor(0, 166, 83));
    QCOMPARE(Cell(m, 0, 3, kMarkRole).toBool(), false);  // answers without a limiter
    // No answer for long: "TOUT", sorted after every ping.
    QCOMPARE(Cell(m, 1, 3, Qt::DisplayRole).toString(), QStringLiteral("TOUT"));
    QCOMPARE(Cell(m, 1, 3, Qt::ForegroundRole).value<QColor>(), QColor(255, 0, 0));
    QVERIFY(Cell(m, 1, 3, kSortRole).toInt() > Cell(m, 0, 3, kSortRole).toInt());
    QVERIFY(Cell(m, 1, 3, Qt::ToolTipRole)
                .toString()
                .contains(QString::fromUtf8("Zeitüberschreitung")));
    QCOMPARE(Cell(m, 0, 4, Qt::DisplayRole).toString(), QStringLiteral("10.0.0.2:28960"));
    // The icons explained, in the vertical header (the fixed column).
    const QString tip = m.headerData(0, Qt::Vertical, Qt::ToolTipRole).toString();
    QCOMPARE(tip.split('\n'), (QStringList{QStringLiteral("Land: Deutschland"),
                                           QStringLiteral("Call of Duty 2 (Protokoll 118)"),
                                           QString::fromUtf8("Passwort zum Betreten"),
                                           QStringLiteral("rcon-Passwort gespeichert")}));
    QCOMPARE(m.headerData(1, Qt::Vertical, kSortRole).toInt(), 6);
    // What the painter draws in the fixed column: the flag of the country
    // code, then the version and feature icons in their order.
    QCOMPARE(m.Cell(0, 1, kFlagRole).toInt(), 1);
    QCOMPARE(m.Cell(0, 1, kIconsRole).toList(),
             (QVariantList{kIconCod2, kIconPassword, kIconRcon}));
    QCOMPARE(m.Cell(0, 2, kIconsRole).toList(), (QVariantList{kIconCod1}));
    settings_.fl = false;
    QCOMPARE(m.Cell(0, 1, kFlagRole).toInt(), -1);
    settings_.fl = true;

    // The highlight follows the selected server, also when the list is
    // sorted under it; with none selected the header row carries it.
    QVERIFY(m.Cell(1, 0, kHighlightRole).toBool());
    QVERIFY(!m.Cell(1, 1, kHighlightRole).toBool());
    engine.Selected().SelectRow(1);
    QVERIFY(!m.Cell(1, 0, kHighlightRole).toBool());
    QVERIFY(!m.Cell(1, 1, kHighlightRole).toBool());
    QVERIFY(m.Cell(3, 2, kHighlightRole).toBool());
    engine.List().Exchange(0, 1);
    QVERIFY(m.Cell(3, 1, kHighlightRole).toBool());
    QVERIFY(!m.Cell(3, 2, kHighlightRole).toBool());
    // A row without an entry holds nothing.
    m.SetDataRows(3);
    QVERIFY(!Cell(m, 2, 0, Qt::DisplayRole).isValid());
  }

  // The variables and players of the session's last status reply.
  void statusRoles() {
    SettingsStore store;
    QueryEngine engine(store);
    engine.List().Replace({Server("A", 6, 30, 1), Server("B", 6, 30, 1)});
    ServerSession* shown = nullptr;
    const SessionSource source = [&shown]() -> const ServerSession* { return shown; };
    ServerVarsModel vars(source, nullptr);
    PlayerRowsModel players(source, nullptr);
    vars.SetDataRows(2);
    players.SetDataRows(2);
    QCOMPARE(vars.headerData(1, Qt::Horizontal, Qt::DisplayRole).toString(),
             QStringLiteral("Wert"));
    QVERIFY(!Cell(vars, 0, 1, Qt::DisplayRole).isValid());  // no session shown

    ServerSession& a = *engine.Session(engine.List().At(0).uid);
    ServerSession& b = *engine.Session(engine.List().At(1).uid);
    a.TakeStatus({{"sv_hostname", "^2Green"}, {"g_gametype", "sd"}},
                 {{"7", "48", "^1Al"}, {"12", "999", "Bob"}});
    b.TakeStatus({{"sv_hostname", "Other"}}, {});
    shown = &a;
    QCOMPARE(Cell(vars, 0, 1, Qt::DisplayRole).toString(), QStringLiteral("Green"));
    QCOMPARE(Cell(vars, 0, 1, kRawTextRole).toString(), QStringLiteral("^2Green"));
    QCOMPARE(Cell(vars, 1, 0, Qt::DisplayRole).toString(), QStringLiteral("g_gametype"));
    QCOMPARE(Cell(players, 0, 0, Qt::DisplayRole).toString(), QStringLiteral("Al"));
    QCOMPARE(Cell(players, 0, 0, kRawTextRole).toString(), QStringLiteral("^1Al"));
    QCOMPARE(Cell(players, 0, 1, kSortRole).toLongLong(), 7);
    QCOMPARE(Cell(players, 1, 2, kSortRole).toLongLong(), 999);
    QCOMPARE(Cell(players, 0, 2, Qt::ForegroundRole).value<QColor>(), QColor(0, 166, 83));
    QCOMPARE(Cell(players, 1, 2, Qt::ForegroundRole).value<QColor>(), QColor(255, 0, 0));
    // Another session shown: its data, nothing of the first one.
    shown = &b;
    QCOMPARE(Cell(vars, 0, 1, Qt::DisplayRole).toString(), QStringLiteral("Other"));
    QVERIFY(!Cell(vars, 1, 1, Qt::DisplayRole).isValid());
    QVERIFY(!Cell(players, 0, 0, Qt::DisplayRole).isValid());
  }

  // The rcon player table as the poll brought it, with the remembered name
  // and the address cache's provider, country and flag.
  void tableRoles() {
    testing::TestServer server;
    testing::TestServerConfig c;
    c.rconPassword = "pw";
    c.players = {Player(3, "^1Red", "CNCT", "123456", "127.0.0.2"),
                 Player(11, "Blue", "48", "0", "127.0.0.1")};
    c.players[1].score = 5;
    QVERIFY(server.start(c));
    Tguidlist guids(1);
    guids[0].guid.assign("123456");
    guids[0].name.assign("Remembered");
    SettingsStore store;
    store.Set(&Settings::prov, false);  // no reverse lookups from the test
    QueryEngine engine(store);
    engine.SetGuidList(&guids);
    Taddrrec known;
    known.ip = "127.0.0.1";
    known.provider = "isp.example";
    known.cc = "de";
    known.country = "Deutschland";
    known.flag = 4;
    engine.Addresses().Records().push_back(known);
    Tserverrec e;
    e.host.assign("127.0.0.1");
    e.port.assign(std::to_string(server.port()));
    e.rconpass.assign("pw");
    engine.List().Append(e);
    engine.Selected().SelectRow(0);
    engine.SetRconPause(std::chrono::milliseconds(5));
    QVERIFY(engine.Start());
    ServerSession& session = *engine.SelectedSession();
    QSignalSpy tables(&session, &ServerSession::TableChanged);
    session.RequestTable();
    QTRY_VERIFY_WITH_TIMEOUT(!session.Table().empty(), 5000);
    QCOMPARE(session.Table().size(), size_t(2));

    int highlighted = -1;
    StatusRowsModel rows([&session]() -> const ServerSession* { return &session; },
                         [&highlighted] { return highlighted; }, SettingsFn(), nullptr);
    rows.SetDataRows(2);
    QCOMPARE(rows.headerData(3, Qt::Horizontal, Qt::DisplayRole).toString(),
             QStringLiteral("Guid"));
    QCOMPARE(Cell(rows, 0, 0, Qt::DisplayRole).toString(), QStringLiteral("Red (Remembered)"));
    QCOMPARE(Cell(rows, 0, 0, kRawTextRole).toString(), QStringLiteral("^1Red ^0(Remembered^0)"));
    QVERIFY(Cell(rows, 0, 0, Qt::ToolTipRole).toString().contains("Gemerkt als: Remembered"));
    QVERIFY(Cell(rows, 0, 0, kBoldRole).toBool());
    QVERIFY(!Cell(rows, 1, 0, kBoldRole).toBool());
    QCOMPARE(Cell(rows, 1, 0, kRawTextRole).toString(), QStringLiteral("Blue"));
    // The flag of a resolved address; none while it is not resolved.
    QCOMPARE(Cell(rows, 1, 0, kFlagRole).toInt(), 4);
    QCOMPARE(Cell(rows, 0, 0, kFlagRole).toInt(), -1);
    QVERIFY(Cell(rows, 1, 0, Qt::ToolTipRole).toString().contains("Land: Deutschland"));
    // GUID "0" is red and explained; a real one in the ordinary colour.
    QCOMPARE(Cell(rows, 1, 3, Qt::DisplayRole).toString(), QStringLiteral("0"));
    QCOMPARE(Cell(rows, 1, 3, Qt::ToolTipRole).toString(), QStringLiteral("Keine GUID"));
    QCOMPARE(Cell(rows, 1, 3, Qt::ForegroundRole).value<QColor>(), QColor(255, 0, 0));
    QVERIFY(!Cell(rows, 0, 3, Qt::ForegroundRole).isValid());
    // Ping colours; a ping that is no number keeps the ordinary colour.
    QCOMPARE(Cell(rows, 1, 4, Qt::ForegroundRole).value<QColor>(), QColor(0, 166, 83));
    QVERIFY(!Cell(rows, 0, 4, Qt::ForegroundRole).isValid());
    QCOMPARE(Cell(rows, 0, 5, Qt::DisplayRole).toString(), QStringLiteral("127.0.0.2:28960"));
    QCOMPARE(Cell(rows, 0, 6, Qt::DisplayRole).toString(), QString());  // provider unknown yet
    QCOMPARE(Cell(rows, 1, 6, Qt::DisplayRole).toString(),
             QStringLiteral("isp.example;de;Deutschland"));
    QCOMPARE(Cell(rows, 1, 2, Qt::DisplayRole).toString(), QStringLiteral("5"));
    // Client numbers as numbers (3 before 11), a connecting ping after all.
    QVERIFY(Cell(rows, 0, 1, kSortRole).toLongLong() < Cell(rows, 1, 1, kSortRole).toLongLong());
    QVERIFY(Cell(rows, 0, 4, kSortRole).toLongLong() > Cell(rows, 1, 4, kSortRole).toLongLong());
    // The picked player's row, and no other, is highlighted.
    QVERIFY(!Cell(rows, 0, 1, kHighlightRole).toBool());
    highlighted = 1;
    QVERIFY(Cell(rows, 1, 1, kHighlightRole).toBool());
    QVERIFY(!Cell(rows, 0, 1, kHighlightRole).toBool());
    QVERIFY(!rows.headerData(1, Qt::Horizontal, kHighlightRole).toBool());
    // The unknown address waits in the cache for the resolver.
    QVERIFY(engine.Addresses().Find("127.0.0.2") != nullptr);
    engine.Shutdown();
  }
};

QTEST_MAIN(TestGridModels)
#include "test_gridmodels.moc"
