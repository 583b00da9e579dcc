// What the grids' models give per role: the text without colour codes, the
// raw text, the tooltip and the sort value, for the server list, the server
// variables, the players and the rcon player table.
#include <QtTest>

#include "core/settings.h"
#include "engine/appstate.h"
#include "engine/clock.h"
#include "ui/main/gridmodels.h"

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

}  // namespace

class TestGridModels : public QObject {
  Q_OBJECT

  Settings settings_;

 private slots:
  void serverListRoles() {
    AppState s;
    const std::uint32_t now = 100000000;
    s.serverlist = {Server("^1Red ^7Server", 118, 42, now), Server("Quiet", 6, 30, 1)};
    s.serverlist[0].passworded = 1;
    s.serverlist[0].rconpass.assign("pw");
    ServerListModel m(s, [this]() -> const Settings& { return settings_; }, nullptr);
    m.SetClock([now] { return now; });
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
    // No answer for long: "TOUT", sorted after every ping.
    QCOMPARE(Cell(m, 1, 3, Qt::DisplayRole).toString(), QStringLiteral("TOUT"));
    QVERIFY(Cell(m, 1, 3, kSortRole).toInt() > Cell(m, 0, 3, kSortRole).toInt());
    QVERIFY(Cell(m, 1, 3, Qt::ToolTipRole).toString().contains(QString::fromUtf8("Zeitüberschreitung")));
    QCOMPARE(Cell(m, 0, 4, Qt::DisplayRole).toString(), QStringLiteral("10.0.0.2:28960"));
    // The icons explained, in the vertical header (the fixed column).
    const QString tip = m.headerData(0, Qt::Vertical, Qt::ToolTipRole).toString();
    QCOMPARE(tip.split('\n'),
             (QStringList{QStringLiteral("Land: Deutschland"),
                          QStringLiteral("Call of Duty 2 (Protokoll 118)"),
                          QString::fromUtf8("Passwort zum Betreten"),
                          QStringLiteral("rcon-Passwort gespeichert")}));
    QCOMPARE(m.headerData(1, Qt::Vertical, kSortRole).toInt(), 6);
    // A row without an entry holds nothing.
    m.SetDataRows(3);
    QVERIFY(!Cell(m, 2, 0, Qt::DisplayRole).isValid());
  }

  void detailRoles() {
    AppState s;
    s.serverVarsView = {{"sv_hostname", "^2Green"}, {"g_gametype", "sd"}};
    ServerVarsModel vars(s, nullptr);
    vars.SetDataRows(2);
    QCOMPARE(Cell(vars, 0, 1, Qt::DisplayRole).toString(), QStringLiteral("Green"));
    QCOMPARE(Cell(vars, 0, 1, kRawTextRole).toString(), QStringLiteral("^2Green"));
    QCOMPARE(vars.headerData(1, Qt::Horizontal, Qt::DisplayRole).toString(),
             QStringLiteral("Wert"));

    s.playerRowsView = {{"7", "48", "^1Al"}, {"12", "999", "Bob"}};
    PlayerRowsModel players(s, nullptr);
    players.SetDataRows(2);
    QCOMPARE(Cell(players, 0, 0, Qt::DisplayRole).toString(), QStringLiteral("Al"));
    QCOMPARE(Cell(players, 0, 1, kSortRole).toLongLong(), 7);
    QCOMPARE(Cell(players, 1, 2, kSortRole).toLongLong(), 999);

    Tstatusrow a{}, b{};
    a[0] = "3";
    a[1] = "^1Red";
    a[2] = "CNCT";
    a[3] = "0";
    a[9] = "Remembered";
    a[6] = "10.1.1.1:28960";  // not resolved yet: fields 10 to 13 empty
    b[0] = "11";
    b[1] = "Blue";
    b[2] = "48";
    b[3] = "123456";
    b[10] = "isp.example";
    b[11] = "de";
    b[12] = "Deutschland";
    b[13] = "4";
    s.statusRowsView = {a, b};
    StatusRowsModel rows(s, nullptr);
    rows.SetDataRows(2);
    QCOMPARE(Cell(rows, 0, 0, Qt::DisplayRole).toString(), QStringLiteral("Red (Remembered)"));
    QCOMPARE(Cell(rows, 0, 0, kRawTextRole).toString(), QStringLiteral("^1Red ^0(Remembered^0)"));
    QVERIFY(Cell(rows, 0, 0, Qt::ToolTipRole).toString().contains("Gemerkt als: Remembered"));
    QCOMPARE(Cell(rows, 0, 3, Qt::ToolTipRole).toString(), QStringLiteral("Keine GUID"));
    QCOMPARE(Cell(rows, 0, 6, Qt::DisplayRole).toString(), QString());  // provider unknown yet
    QCOMPARE(Cell(rows, 1, 6, Qt::DisplayRole).toString(), QStringLiteral("isp.example;de;Deutschland"));
    // Client numbers as numbers (3 before 11), a connecting ping after all.
    QVERIFY(Cell(rows, 0, 1, kSortRole).toLongLong() < Cell(rows, 1, 1, kSortRole).toLongLong());
    QVERIFY(Cell(rows, 0, 4, kSortRole).toLongLong() > Cell(rows, 1, 4, kSortRole).toLongLong());
  }
};

QTEST_MAIN(TestGridModels)
#include "test_gridmodels.moc"
