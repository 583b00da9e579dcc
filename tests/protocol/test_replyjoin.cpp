// Print outputs joined from their datagrams, and the one status table a poll
// takes from what its socket received.
#include <QtTest>

#include "protocol/replyjoin.h"
#include "testbytes.h"

using namespace zelmora;
using zelmora::test::Oob;

namespace {

std::string Print(const std::string& body) {
  return Oob("print\n" + body);
}

std::string Row(int n, const std::string& name) {
  char head[32];
  std::snprintf(head, sizeof head, "%3d %5d %4d %6s ", n, 0, 50, "0");
  return std::string(head) + name + "^7 0 10.0.0.1:1 1 1\n";
}

// A whole "status" output of these rows, cut into print datagrams of at
// most `cut` bytes of output each.
std::vector<std::string> StatusOutput(const std::vector<std::string>& names, std::size_t cut) {
  std::string out = "map: mp_x\nnum score ping guid   name\n--- ----- ---- ------\n";
  for (std::size_t i = 0; i < names.size(); ++i) out += Row(int(i), names[i]);
  out += "\n";
  std::vector<std::string> parts;
  for (std::size_t pos = 0; pos < out.size(); pos += cut)
    parts.push_back(Print(out.substr(pos, cut)));
  return parts;
}

std::size_t RowsOf(const StatusAssembly& a) {
  Tstatusinfo rows;
  if (!ParseStatusInfo(a.table, rows)) return 999;
  return rows.size();
}

}  // namespace

class ReplyJoinTest : public QObject {
  Q_OBJECT

 private slots:
  // One burst is one output, joined in arrival order, cut mid line or not;
  // a pause ends it; senders are kept apart.
  void burstsBecomeOutputs() {
    PrintJoiner j(150);
    QVERIFY(!j.Add("a", Oob("statusResponse\n\\x\\y"), 0));
    QVERIFY(j.Add("a", Print("line one\nli"), 0));
    QVERIFY(j.Add("b", Print("other\n"), 5));
    QVERIFY(j.Add("a", Print("ne two\n"), 10));
    QVERIFY(j.TakeFinished(100).empty());
    QCOMPARE(j.NextFinish(), 155.0);
    std::vector<PrintOutput> done = j.TakeFinished(160);
    QCOMPARE(done.size(), size_t(2));
    QCOMPARE(done[0].sender, std::string("a"));
    QCOMPARE(done[0].text, Oob("print\nline one\nline two\n"));
    QCOMPARE(done[0].datagrams, size_t(2));
    QCOMPARE(done[1].text, Oob("print\nother\n"));
    // After the pause the same sender starts a new output; the finished one
    // is handed out by the next call, in the order the outputs began.
    QVERIFY(j.Add("a", Print("first\n"), 300));
    QVERIFY(j.Add("a", Print("second\n"), 500));
    done = j.TakeFinished(500);
    QCOMPARE(done.size(), size_t(1));
    QCOMPARE(done[0].text, Oob("print\nfirst\n"));
    QCOMPARE(j.TakeAll().size(), size_t(1));
    QCOMPARE(j.Open(), size_t(0));
  }

  // A sender that never pauses cannot grow an output without end: the rest
  // of the burst is left out and starts nothing of its own.
  void boundsHold() {
    PrintJoiner j(150);
    const std::string big = Print(std::string(5000, 'x'));
    for (int i = 0; i < 100; ++i) j.Add("a", big, i);
    std::vector<PrintOutput> done = j.TakeAll();
    QCOMPARE(done.size(), size_t(1));
    QVERIFY(done[0].truncated);
    QVERIFY(done[0].text.size() <= PrintJoiner::kMaxBytes);
    QVERIFY(done[0].datagrams <= PrintJoiner::kMaxDatagrams);
    for (int i = 0; i < 100; ++i) j.Add("b", Print("y"), i);
    done = j.TakeAll();
    QCOMPARE(done[0].datagrams, PrintJoiner::kMaxDatagrams);
  }

  // A 300-map listing and a status output cut into many datagrams are shown
  // and parsed whole once joined.
  void joinedListingsKeepEveryName() {
    std::string listing = "Directory of maps/mp .bsp\n----------\n";
    for (int i = 0; i < 300; ++i) listing += "mp_map" + std::to_string(i) + ".bsp\n";
    PrintJoiner j(150);
    for (std::size_t pos = 0; pos < listing.size(); pos += 200)
      j.Add("s", Print(listing.substr(pos, 200)), 1);
    const std::vector<PrintOutput> done = j.TakeAll();
    QCOMPARE(done.size(), size_t(1));
    const auto maps = CheckMapListing(done[0].text, "^2sd ^0mp_map299", PrintJoiner::kMaxBytes);
    QVERIFY(maps.has_value());
    QCOMPARE(maps->maps.size(), size_t(300));
    QCOMPARE(maps->maps.back(), std::string("mp_map299.bsp"));
    QCOMPARE(maps->chosen, 299);
    QCOMPARE(ConsoleLines(done[0].text, PrintJoiner::kMaxBytes).size(), size_t(304));
  }

  // One server's outputs: a piece that comes after the quiet time, before
  // the next command has left, still joins the output it belongs to; once a
  // command has left, the next piece begins a new output. Bounds hold for
  // the late pieces too.
  void latePiecesJoinTheirOutput() {
    OutputJoiner j(150);
    QVERIFY(j.Add(Oob("statusResponse\n"), 0) == OutputJoiner::Took::None);
    QVERIFY(j.Add(Print("one\n"), 0) == OutputJoiner::Took::Open);
    QVERIFY(!j.TakeFinished(100));
    QCOMPARE(j.NextFinish(), 150.0);
    const auto first = j.TakeFinished(150);
    QVERIFY(first);
    QCOMPARE(first->text, Oob("print\none\n"));
    QVERIFY(j.Add(Print("two\n"), 400) == OutputJoiner::Took::Late);
    QCOMPARE(j.LastFinished()->text, Oob("print\none\ntwo\n"));
    QCOMPARE(j.LastFinished()->datagrams, size_t(2));
    j.CommandLeft();
    QVERIFY(!j.LastFinished());
    QVERIFY(j.Add(Print("next\n"), 900) == OutputJoiner::Took::Open);
    // A command about to leave finishes what is open at once.
    const auto next = j.TakeFinished(901, /*force=*/true);
    QVERIFY(next);
    QCOMPARE(next->text, Oob("print\nnext\n"));
    for (int i = 0; i < 100; ++i) j.Add(Print(std::string(5000, 'x')), 1000 + i);
    QVERIFY(j.LastFinished()->truncated);
    QVERIFY(j.LastFinished()->text.size() <= PrintJoiner::kMaxBytes);
  }

  // The poll's table is one answer: a late answer of an earlier poll and
  // stray pieces never splice into it.
  void statusAnswersAreNeverSpliced() {
    const std::vector<std::string> twelve = {"a", "b", "c", "d", "e", "f",
                                             "g", "h", "i", "j", "k", "l"};
    // One answer cut into 200-byte pieces: 12 rows.
    StatusAnswers one;
    for (const std::string& d : StatusOutput(twelve, 200)) one.Add(d);
    QCOMPARE(RowsOf(one.Result()), size_t(12));

    // The map datagram second (it was overtaken): still first in the table.
    const std::vector<std::string> three = StatusOutput({"x", "y"}, 60);
    QCOMPARE(three.size(), size_t(3));
    StatusAnswers swapped;
    swapped.Add(three[1]);
    swapped.Add(three[0]);
    swapped.Add(three[2]);
    QCOMPARE(RowsOf(swapped.Result()), size_t(2));

    // Our answer, then a late one of an earlier poll with 6 rows: 12 rows,
    // not 18 or 20.
    StatusAnswers late;
    for (const std::string& d : StatusOutput(twelve, 200)) late.Add(d);
    for (const std::string& d : StatusOutput({"o", "p", "q", "r", "s", "t"}, 200)) late.Add(d);
    QCOMPARE(late.Answers(), size_t(2));
    QCOMPARE(RowsOf(late.Result()), size_t(12));

    // The late answer cut short, then ours whole: ours.
    StatusAnswers cut;
    std::vector<std::string> stale = StatusOutput({"o", "p", "q", "r", "s", "t"}, 200);
    stale.pop_back();
    for (const std::string& d : stale) cut.Add(d);
    for (const std::string& d : StatusOutput(twelve, 200)) cut.Add(d);
    QCOMPARE(RowsOf(cut.Result()), size_t(12));

    // Not a print datagram (the program's own getstatus on loopback):
    // nothing.
    StatusAnswers stray;
    stray.Add(Oob("getstatus"));
    QVERIFY(!stray.Result().found);
  }
};

QTEST_APPLESS_MAIN(ReplyJoinTest)
#include "test_replyjoin.moc"
