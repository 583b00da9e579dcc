// The search window of the player history over a real history file: what a
// row shows (colours, other names, country and flag of the last address,
// times, servers, penalties), the kinds of search text, sorting and copying
// like the other grids, the penalties of the player picked, "GUID merken",
// "Beobachten", the watch page, the CSV export, one search per pause while
// typing, and names no server should send.
#include <QFile>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

#include "core/settings.h"
#include "engine/queryengine.h"
#include "geo/flags.h"
#include "geo/ranges.h"
#include "history/playerhistory.h"
#include "tests/history/historytestutil.h"
#include "ui/main/drawgrid.h"
#include "ui/main/gridmodels.h"
#include "ui/main/historymodels.h"
#include "ui/main/playerhistorywindow.h"

using namespace zelmora;
using zelmora::testing::Row;

namespace {

constexpr std::int64_t kT1 = 1700000000;  // 14.11.2023
constexpr std::int64_t kT2 = kT1 + 86400 * 3;
constexpr std::int64_t kNow = kT2 + 3600;
const std::string kRed = "127.0.0.1:28960";

std::int64_t Ip(int a, int b, int c, int d) {
  return (std::int64_t(a) << 24) + (b << 16) + (c << 8) + d;
}

// A window over a history of its own and an engine with one country.
struct Fixture {
  QTemporaryDir dir;
  SettingsStore store;
  Settings settings;
  std::shared_ptr<PlayerHistory> history;
  std::unique_ptr<QueryEngine> engine;
  Tguidlist guids;
  std::vector<QImage> flags;
  std::unique_ptr<PlayerHistoryWindow> window;
  int guidChanges = 0;

  Fixture() {
    HistoryOptions o;
    o.dailyPrune = false;
    history = std::make_shared<PlayerHistory>(dir.path().toStdString(), o);
    history->Open();
    engine = std::make_unique<QueryEngine>(store);
    Trangerec de;
    de.first = Ip(85, 0, 0, 0);
    de.last = Ip(85, 255, 255, 255);
    de.cc.assign("DE");
    de.country.assign("Deutschland");
    engine->SetCountryTables(RangeTable({de}), {Tflag{"de", "de.bmp"}});
    QImage flag(16, 16, QImage::Format_RGB32);
    flag.fill(Qt::black);
    flags.push_back(flag);
    window = std::make_unique<PlayerHistoryWindow>(
        history, *engine, guids, [this]() -> const Settings& { return settings; }, &flags);
    window->SetClock([] { return kNow; });
    window->guidsChanged = [this] { ++guidChanges; };
  }

  // Runs the search for text and waits for its rows.
  void Search(const QString& text) {
    QSignalSpy shown(window.get(), &PlayerHistoryWindow::ResultsShown);
    window->findChild<QLineEdit*>("SearchEdit")->setText(text);
    window->SearchNow();
    QTRY_VERIFY_WITH_TIMEOUT(shown.count() >= 1 && !window->Searching(), 5000);
  }
  QString Cell(HistoryColumn col, int row, int role = Qt::DisplayRole) {
    return window->Results().Cell(static_cast<int>(col), row, role).toString();
  }
  QPushButton* Button(const char* name) { return window->findChild<QPushButton*>(name); }
};

// The fox: two names, one address in Germany, one server. A lamb seen
// later elsewhere, and a name only a status reply gave.
void Record(PlayerHistory& h) {
  h.RecordTable(kRed, "^1Red ^7Base", {Row("3", "^4Blue^7Fox", "123456", "85.214.1.2:28960")}, kT1);
  h.RecordTable(kRed, "^1Red ^7Base", {Row("3", "^2Fox", "123456", "85.214.1.2:28960")}, kT2);
  h.RecordTable("127.0.0.2:28961", "Blue Camp", {Row("1", "Lamb", "654321", "10.1.2.3:1")},
                kT2 + 60);
  h.RecordNames("127.0.0.3:28962", "Open Field", std::vector<std::string>{"Passer^3by"}, kT1 + 30);
  QVERIFY(h.Flush());
}

}  // namespace

class TestHistoryWindow : public QObject {
  Q_OBJECT

 private slots:
  void whatARowShows() {
    Fixture f;
    Record(*f.history);
    f.Search("fox");
    QCOMPARE(f.window->Results().Rows().size(), std::size_t(1));
    using C = HistoryColumn;
    QCOMPARE(f.Cell(C::Name, 1), QStringLiteral("Fox"));
    QCOMPARE(f.Cell(C::Name, 1, kRawTextRole), QStringLiteral("^2Fox"));
    QCOMPARE(f.Cell(C::OtherNames, 1), QStringLiteral("BlueFox"));
    QCOMPARE(f.Cell(C::Guid, 1), QStringLiteral("123456"));
    QCOMPARE(f.Cell(C::Address, 1), QStringLiteral("85.214.1.2 (Deutschland)"));
    QCOMPARE(f.window->Results().Cell(int(C::Address), 1, kFlagRole).toInt(), 0);
    QCOMPARE(f.Cell(C::FirstSeen, 1), SeenText(kT1));
    QCOMPARE(f.Cell(C::LastSeen, 1), SeenText(kT2));
    QCOMPARE(f.Cell(C::FirstSeen, 1),
             QDateTime::fromSecsSinceEpoch(kT1).toString("dd.MM.yyyy HH:mm"));
    QCOMPARE(f.Cell(C::Servers, 1), QStringLiteral("Red Base"));
    QCOMPARE(f.Cell(C::Servers, 1, Qt::ToolTipRole), QStringLiteral("Red Base (127.0.0.1:28960)"));
    QCOMPARE(f.Cell(C::Penalties, 1), QString());
    QCOMPARE(f.Cell(C::Name, 0), QStringLiteral("Name"));
    QCOMPARE(f.Cell(C::Address, 0), QStringLiteral("Letzte Adresse"));
    // An address without a country shows no flag.
    f.Search("lamb");
    QCOMPARE(f.Cell(C::Address, 1), QStringLiteral("10.1.2.3"));
    QCOMPARE(f.window->Results().Cell(int(C::Address), 1, kFlagRole).toInt(), -1);
    // A name only status replies gave: no GUID, no address.
    f.Search("passerby");
    QCOMPARE(f.window->Results().Rows().size(), std::size_t(1));
    QCOMPARE(f.Cell(C::Guid, 1), QString());
    QVERIFY(f.Cell(C::Name, 1, Qt::ToolTipRole).contains("ohne GUID"));
  }

  void kindsOfSearchText_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("names");
    QTest::newRow("part of a name, any case") << "FO" << QStringList{"Fox"};
    QTest::newRow("GUID") << "654321" << QStringList{"Lamb"};
    QTest::newRow("address") << "85.214.1.2" << QStringList{"Fox"};
    QTest::newRow("start of an address") << "10.1." << QStringList{"Lamb"};
    QTest::newRow("nothing: the players seen last") << "" << QStringList{"Lamb", "Fox"};
    QTest::newRow("nobody") << "zebra" << QStringList{};
  }
  void kindsOfSearchText() {
    QFETCH(QString, text);
    QFETCH(QStringList, names);
    Fixture f;
    Record(*f.history);
    f.Search(text);
    QStringList got;
    for (int r = 1; r <= int(f.window->Results().Rows().size()); ++r)
      got << f.Cell(HistoryColumn::Name, r);
    QCOMPARE(got, names);
  }

  // A header click sorts in the view, again the other way round; Ctrl+C
  // copies the rows as shown, without colour codes.
  void sortAndCopy() {
    Fixture f;
    Record(*f.history);
    f.Search("");
    DrawGrid* g = f.window->ResultGrid();
    const int lastSeen = static_cast<int>(HistoryColumn::LastSeen);
    emit g->ColumnHeader()->sectionClicked(lastSeen);
    auto first = [g] { return g->model()->index(0, 0).data().toString(); };
    QCOMPARE(first(), QStringLiteral("Fox"));
    emit g->ColumnHeader()->sectionClicked(lastSeen);
    QCOMPARE(first(), QStringLiteral("Lamb"));
    g->SelectRow(2);  // the fox, shown second
    QCOMPARE(g->SelectionTop(), 2);
    const QStringList cells = g->SelectedText().split('\t');
    QCOMPARE(cells.size(), kHistoryColumns);
    QCOMPARE(cells[0], QStringLiteral("Fox"));
    QCOMPARE(cells[1], QStringLiteral("BlueFox"));
    // Picking by the row shown picks the fox.
    g->onClick();
    QCOMPARE(f.window->Picked()->guid, std::string("123456"));
    QVERIFY(!g->SelectedText().contains('^'));
  }

  // The penalties of the player picked, read off the main thread.
  void penaltiesOfThePlayerPicked() {
    Fixture f;
    Record(*f.history);
    PenaltyRecord p;
    p.time = kT2 + 10;
    p.serverKey = kRed;
    p.serverName = "^1Red ^7Base";
    p.kind = PenaltyKind::kTempBan;
    p.guid = "123456";
    p.name = "^2Fox";
    p.address = "85.214.1.2:28960";
    p.reason = "Teamkill; zweimal";
    f.history->ConfirmPenalty(f.history->RecordPenalty(p), PenaltyOutcome::kGone);
    QVERIFY(f.history->Flush());
    f.Search("fox");
    QCOMPARE(f.Cell(HistoryColumn::Penalties, 1), QStringLiteral("1"));
    QSignalSpy read(f.window.get(), &PlayerHistoryWindow::PenaltiesShown);
    f.window->Pick(0);
    QTRY_COMPARE_WITH_TIMEOUT(read.count(), 1, 5000);
    const PenaltiesModel& m = f.window->PenaltyRows();
    QCOMPARE(m.Rows().size(), std::size_t(1));
    auto cell = [&m](PenaltyColumn c) { return m.Cell(int(c), 1, Qt::DisplayRole).toString(); };
    QCOMPARE(cell(PenaltyColumn::Kind), QStringLiteral("Temporärer Bann"));
    QCOMPARE(cell(PenaltyColumn::Outcome), QStringLiteral("Spieler entfernt"));
    QCOMPARE(cell(PenaltyColumn::Reason), QStringLiteral("Teamkill; zweimal"));
    QCOMPARE(cell(PenaltyColumn::Server), QStringLiteral("Red Base"));
    QCOMPARE(cell(PenaltyColumn::Address), QStringLiteral("85.214.1.2"));
    // Another player: his (none) replace them at once.
    f.Search("lamb");
    f.window->Pick(0);
    QVERIFY(m.Rows().empty());
  }

  void rememberAndWatch() {
    Fixture f;
    Record(*f.history);
    f.Search("fox");
    QVERIFY(!f.Button("RememberGuidButton")->isEnabled());
    f.window->Pick(0);
    QVERIFY(f.Button("RememberGuidButton")->isEnabled());
    f.window->RememberGuidClick();
    QCOMPARE(f.guids.size(), std::size_t(1));
    QCOMPARE(f.guids[0].guid.str(), std::string("123456"));
    QCOMPARE(f.guids[0].name.str(), std::string("^2Fox"));
    QCOMPARE(f.guidChanges, 1);
    f.window->RememberGuidClick();
    QCOMPARE(f.guids.size(), std::size_t(1));  // not forgotten by a second click
    QCOMPARE(f.window->Notice(), QStringLiteral("Die GUID 123456 ist schon gemerkt."));

    f.window->WatchClick();
    f.window->WatchClick();
    auto list = f.history->WatchList();
    QCOMPARE(list.size(), std::size_t(1));
    QVERIFY(list[0].kind == WatchKind::kGuid);
    QCOMPARE(list[0].value, std::string("123456"));
    QCOMPARE(list[0].note, std::string("Fox"));
    QCOMPARE(list[0].created, kNow);
    QCOMPARE(f.window->Notice(), QStringLiteral("Fox wird schon beobachtet."));
    QCOMPARE(f.window->WatchRows().Rows().size(), std::size_t(1));

    // Without a GUID he is watched by his name.
    f.Search("passerby");
    f.window->Pick(0);
    QVERIFY(!f.Button("RememberGuidButton")->isEnabled());
    f.window->WatchClick();
    list = f.history->WatchList();
    QCOMPARE(list.size(), std::size_t(2));
    QVERIFY(list[1].kind == WatchKind::kNamePattern);
    QVERIFY(f.history->WatchedName("PASSERBY", kNow).has_value());
    f.window->ShowServerClick();
    QCOMPARE(f.window->Notice(),
             QStringLiteral("Passerby ist gerade auf keinem Server der Liste."));
  }

  void watchPage() {
    Fixture f;
    auto* pattern = f.window->findChild<QLineEdit*>("PatternEdit");
    f.window->AddPatternClick();  // nothing typed
    QVERIFY(f.history->WatchList().empty());
    QVERIFY(f.window->Notice().contains("Namensmuster"));
    pattern->setText("*sniper*");
    f.window->AddPatternClick();
    QCOMPARE(f.history->WatchList().size(), std::size_t(1));
    QVERIFY(pattern->text().isEmpty());
    const WatchListModel& m = f.window->WatchRows();
    auto cell = [&m](WatchColumn c) { return m.Cell(int(c), 1, Qt::DisplayRole).toString(); };
    QCOMPARE(cell(WatchColumn::Kind), QStringLiteral("Namensmuster"));
    QCOMPARE(cell(WatchColumn::Value), QStringLiteral("*sniper*"));
    QCOMPARE(cell(WatchColumn::Alarm), QStringLiteral("an"));
    QVERIFY(!f.Button("AlarmButton")->isEnabled());
    f.window->PickWatch(0);
    QVERIFY(f.Button("AlarmButton")->isEnabled());

    f.window->AlarmClick();
    QCOMPARE(cell(WatchColumn::Alarm), QStringLiteral("aus"));
    QVERIFY(!f.history->WatchList()[0].enabled);
    f.window->SilenceClick();
    QCOMPARE(f.history->WatchList()[0].silencedUntil, kNow + kWatchSilenceSeconds);
    QCOMPARE(cell(WatchColumn::Silenced), SeenText(kNow + kWatchSilenceSeconds));
    QCOMPARE(f.Button("SilenceButton")->text(), QStringLiteral("&Stumm aufheben"));
    f.window->SilenceClick();
    QCOMPARE(f.history->WatchList()[0].silencedUntil, std::int64_t(0));
    QCOMPARE(cell(WatchColumn::Silenced), QString());
    f.window->RemoveWatchClick();
    QVERIFY(f.history->WatchList().empty());
    QCOMPARE(m.Rows().size(), std::size_t(0));
  }

  void exportAsCsv() {
    Fixture f;
    Record(*f.history);
    PenaltyRecord p;
    p.time = kT2;
    p.serverKey = kRed;
    p.kind = PenaltyKind::kKick;
    p.name = "=cmd|' /C calc'!A0";
    p.reason = "Formel";
    f.history->RecordPenalty(p);
    QVERIFY(f.history->Flush());
    QTemporaryDir out;
    const QString path = out.filePath("strafen.csv");
    f.window->SetSaveChooser(
        [&](QWidget*, std::function<void(const QString&)> chosen) { chosen(path); });
    QSignalSpy done(f.window.get(), &PlayerHistoryWindow::ExportDone);
    f.window->ExportClick();
    QTRY_COMPARE_WITH_TIMEOUT(done.count(), 1, 5000);
    QCOMPARE(done[0][0].toString(), QString());
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    QVERIFY(bytes.contains("'=cmd|' /C calc'!A0"));  // never a formula
    QCOMPARE(bytes.count("\r\n"), 2);                // the header and the kick
    QCOMPARE(f.window->Notice(), QStringLiteral("Strafen exportiert nach %1.").arg(path));

    // A folder that is not there: told, nothing else happens.
    const QString bad = out.filePath("fehlt/strafen.csv");
    f.window->SetSaveChooser(
        [&](QWidget*, std::function<void(const QString&)> chosen) { chosen(bad); });
    f.window->ExportClick();
    QTRY_COMPARE_WITH_TIMEOUT(done.count(), 2, 5000);
    QVERIFY(!done[1][0].toString().isEmpty());
    QVERIFY(f.window->Notice().startsWith("Export fehlgeschlagen: "));
    // Cancelled: nothing.
    f.window->SetSaveChooser(
        [&](QWidget*, std::function<void(const QString&)> chosen) { chosen(QString()); });
    f.window->ExportClick();
    QTest::qWait(100);
    QCOMPARE(done.count(), 2);
  }

  // Keys as fast as a typist: one search, for the whole text.
  void typingSearchesOncePerPause() {
    Fixture f;
    Record(*f.history);
    QSignalSpy shown(f.window.get(), &PlayerHistoryWindow::ResultsShown);
    QTest::keyClicks(f.window->findChild<QLineEdit*>("SearchEdit"), "bluef");
    QVERIFY(f.window->Searching());
    QTRY_VERIFY_WITH_TIMEOUT(shown.count() == 1 && !f.window->Searching(), 5000);
    QTest::qWait(300);
    QCOMPARE(shown.count(), 1);
    QCOMPARE(f.window->Results().Rows().size(), std::size_t(1));
    QCOMPARE(f.Cell(HistoryColumn::Name, 1), QStringLiteral("Fox"));
  }

  // Names no server should send: of colour codes only, of 250 bytes with
  // every byte value, a GUID of junk. Shown, drawn and copied all the same.
  void hostileNames() {
    Fixture f;
    std::string wild;
    for (int i = 1; i < 251; ++i) wild.push_back(static_cast<char>(i % 2 ? '^' : i));
    f.history->RecordTable(
        kRed, std::string(300, '^'),
        {Row("0", "^^^^^^", "'; DROP", "85.1.1.1:1"), Row("1", wild, "-1", "85.1.1.2:1")}, kT1);
    QVERIFY(f.history->Flush());
    f.Search("");
    QCOMPARE(f.window->Results().Rows().size(), std::size_t(2));
    f.window->resize(900, 500);
    DrawGrid* g = f.window->ResultGrid();
    g->SetRowCount(3);
    QVERIFY(!g->grab().isNull());
    g->SelectRow(1);
    QVERIFY(!g->SelectedText().isEmpty());
    f.window->Pick(0);
    f.window->WatchClick();
    QCOMPARE(f.history->WatchList().size(), std::size_t(1));
  }
};

QTEST_MAIN(TestHistoryWindow)
#include "test_historywindow.moc"
