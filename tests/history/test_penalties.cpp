// The record of penalties: what is kept of a kick, ban or temporary ban,
// the outcome the next table confirmed, the list per player, and the CSV
// file byte for byte.
#include <QtTest>

#include <cstdlib>
#include <ctime>
#include <filesystem>

#include "history/penalties.h"
#include "history/playerhistory.h"
#include "historytestutil.h"
#include "tests/core/testfiles.h"

using namespace zelmora;
using zelmora::testing::Folder;
using zelmora::testing::ReadBytes;
using zelmora::testing::Row;
using zelmora::testing::TestOptions;

namespace {

const std::string kA = "127.0.0.1:28960";
// 2024-03-05 06:07:08 UTC
constexpr std::int64_t kT = 1709618828;

}  // namespace

class TestPenalties : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    // The CSV writes local times: the tests pin the zone.
    qputenv("TZ", "UTC");
    tzset();
  }

  void recordedAndConfirmed() {
    QTemporaryDir dir;
    PlayerHistory h(Folder(dir), TestOptions());
    QVERIFY(h.Open().keeping);
    h.RecordTable(kA, "^1Alpha", {Row("0", "^1Bob", "77", "127.0.0.9:28960")}, kT - 60);
    const std::int64_t kick = h.RecordPenalty(
        {kT, kA, "^1Alpha", PenaltyKind::kKick, "77", "^1Bob", "127.0.0.9:28960", ""});
    const std::int64_t ban = h.RecordPenalty(
        {kT + 60, kA, "^1Alpha", PenaltyKind::kTempBan, "0", "Anon", "127.0.0.8:1", "spam"});
    QVERIFY(kick != 0 && ban != 0 && kick != ban);
    h.ConfirmPenalty(kick, PenaltyOutcome::kStillThere);
    h.ConfirmPenalty(kick, PenaltyOutcome::kGone);  // the later answer counts
    h.ConfirmPenalty(123, PenaltyOutcome::kGone);   // unknown: nothing happens
    QVERIFY(h.Flush());

    const auto all = h.Penalties(0);
    QCOMPARE(all.size(), std::size_t(2));
    QCOMPARE(all[0].id, kick);
    QCOMPARE(all[0].outcome, PenaltyOutcome::kGone);
    QCOMPARE(all[0].record.address, std::string("127.0.0.9"));  // the port is not kept
    QCOMPARE(all[0].record.serverName, std::string("^1Alpha"));
    QCOMPARE(all[1].outcome, PenaltyOutcome::kSent);
    QCOMPARE(all[1].record.kind, PenaltyKind::kTempBan);
    QCOMPARE(all[1].record.reason, std::string("spam"));

    // Per player: the known player by GUID, and a player made for the
    // penalty of someone never seen in a table.
    const auto bob = h.Search("bob", 10);
    QCOMPARE(bob.size(), std::size_t(1));
    QCOMPARE(bob[0].penalties, 1);
    const auto bobs = h.Penalties(bob[0].playerId);
    QCOMPARE(bobs.size(), std::size_t(1));
    QCOMPARE(bobs[0].id, kick);
    const auto anon = h.Search("anon", 10);
    QCOMPARE(anon.size(), std::size_t(1));
    QCOMPARE(h.Penalties(anon[0].playerId).size(), std::size_t(1));
    QCOMPARE(h.Penalties(anon[0].playerId)[0].id, ban);
  }

  void csvBytes() {
    std::vector<PenaltyRow> rows(3);
    rows[0].record = {kT, kA, "^1Al;pha", PenaltyKind::kKick, "77", "^1Bob", "127.0.0.9", ""};
    rows[0].outcome = PenaltyOutcome::kGone;
    rows[1].record = {kT + 3600, kA,           "Beta",      PenaltyKind::kTempBan,
                      "0",       "say \"hi\"", "127.0.0.8", "Grund\r\nzwei"};
    rows[1].outcome = PenaltyOutcome::kUnconfirmed;
    rows[2].record = {kT + 86400, kA, "Beta", PenaltyKind::kBan, "", "=1+1", "", "\xe4\xf6\xfc"};
    rows[2].outcome = PenaltyOutcome::kStillThere;
    const std::string want =
        "Zeit;Server;Serveradresse;Art;GUID;Name;Adresse;Ergebnis;Grund\r\n"
        "05.03.2024 06:07:08;\"^1Al;pha\";127.0.0.1:28960;Kick;77;^1Bob;127.0.0.9;"
        "Spieler entfernt;\r\n"
        "05.03.2024 07:07:08;Beta;127.0.0.1:28960;Tempor\xe4rer Bann;0;\"say \"\"hi\"\"\";"
        "127.0.0.8;unbest\xe4tigt;\"Grund\r\nzwei\"\r\n"
        "06.03.2024 06:07:08;Beta;127.0.0.1:28960;Bann;;'=1+1;;Spieler noch da;\xe4\xf6\xfc\r\n";
    QCOMPARE(QByteArray::fromStdString(PenaltiesCsv(rows)), QByteArray::fromStdString(want));
    QCOMPARE(QByteArray::fromStdString(PenaltiesCsv({})),
             QByteArray("Zeit;Server;Serveradresse;Art;GUID;Name;Adresse;Ergebnis;Grund\r\n"));
  }

  void wordsOfTheList() {
    QCOMPARE(PenaltyKindText(PenaltyKind::kHighPingKick), std::string("Highpinger-Kick"));
    QCOMPARE(PenaltyOutcomeText(PenaltyOutcome::kSent), std::string("gesendet"));
  }

  // The export writes the file from the database; a folder that is not
  // there gives the German reason and no file.
  void exportFile() {
    QTemporaryDir dir;
    PlayerHistory h(Folder(dir), TestOptions());
    QVERIFY(h.Open().keeping);
    h.RecordPenalty({kT, kA, "A", PenaltyKind::kBan, "77", "Bob;", "127.0.0.9", "x"});
    QVERIFY(h.Flush());
    const std::string path = Folder(dir) + "/Strafen.csv";
    std::string error;
    QVERIFY2(h.ExportPenaltiesCsv(path, &error), error.c_str());
    QCOMPARE(QByteArray::fromStdString(ReadBytes(path)),
             QByteArray("Zeit;Server;Serveradresse;Art;GUID;Name;Adresse;Ergebnis;Grund\r\n"
                        "05.03.2024 06:07:08;A;127.0.0.1:28960;Bann;77;\"Bob;\";127.0.0.9;"
                        "gesendet;x\r\n"));
    QVERIFY(!h.ExportPenaltiesCsv(Folder(dir) + "/fehlt/Strafen.csv", &error));
    QVERIFY2(error.find("konnte nicht gespeichert werden") != std::string::npos, error.c_str());
  }
};

QTEST_GUILESS_MAIN(TestPenalties)
#include "test_penalties.moc"
