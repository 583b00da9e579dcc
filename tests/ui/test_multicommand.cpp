// "Befehl an mehrere Server" through the main window against test game
// servers on loopback: the list's marks (Ctrl and Shift clicks, Ctrl+A)
// pre-check the servers while the current row stays the selected one; each
// server gets the line in its own encoding, byte for byte; its outcome row
// and its whole output; the question before a map change goes to several
// servers; a refusal sends nothing; "Abbrechen" drops what waits.
#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include "core/paths.h"
#include "core/serverencoding.h"
#include "core/serverfile.h"
#include "tests/ui/multiservertestutil.h"
#include "tools/testserver/testserver.h"
#include "ui/dialogs/messages.h"
#include "ui/main/drawgrid.h"
#include "ui/main/multicommand.h"
#include "ui/main/multiresults.h"
#include "ui/main/serverlistpanel.h"
#include "ui/main/tform1.h"

using namespace zelmora;
using namespace zelmora::testing;
using namespace std::chrono_literals;
using State = RconBatch::State;

Q_DECLARE_METATYPE(zelmora::QuickChoice)
Q_DECLARE_METATYPE(zelmora::TextEncoding)

namespace {

void ClickRow(DrawGrid* g, int row, Qt::KeyboardModifiers mods = {}) {
  const QRect r = g->CellRect(1, row);
  QMouseEvent move(QEvent::MouseMove, r.center(), g->viewport()->mapToGlobal(r.center()),
                   Qt::NoButton, Qt::NoButton, Qt::NoModifier);
  QCoreApplication::sendEvent(g->viewport(), &move);
  QTest::mouseClick(g->viewport(), Qt::LeftButton, mods, r.center());
}

std::vector<std::string> Rcon(const TestServer& s) {
  std::vector<std::string> out;
  for (const ReceivedDatagram& d : s.received())
    if (d.data.find("rcon ") == 4) out.push_back(d.data);
  return out;
}

}  // namespace

class TestMultiCommand : public QObject {
  Q_OBJECT

  std::unique_ptr<QTemporaryDir> dir_;
  int questions_ = 0;
  bool answerOk_ = true;
  QStringList messages_;
  SettingsStore settings_;

  std::unique_ptr<TForm1> Window(const Tserverlist& list) {
    std::string error;
    if (!SaveServers(dir_->filePath("Servers.dat").toStdString(), list, &error)) return nullptr;
    auto f = std::make_unique<TForm1>(settings_);
    f->Engine().SetRconPause(5ms);
    f->show();
    return f;
  }
  MultiCommand* Open(TForm1& f) {
    f.findChild<QAction*>("MehrereServer1")->trigger();
    return f.Multi();
  }

 private slots:
  void initTestCase() {
    SetMessageFunction([this](QWidget*, MessageKind kind, const QString&, const QString& text) {
      messages_ << text;
      if (kind != MessageKind::Question) return true;
      ++questions_;
      return answerOk_;
    });
  }
  void init() {
    dir_ = std::make_unique<QTemporaryDir>();
    SetDataDir(dir_->path().toStdString() + "/");
    questions_ = 0;
    answerOk_ = true;
    messages_.clear();
  }

  // Ctrl and Shift clicks and Ctrl+A mark servers; the current row stays
  // the selected server, and the marks go with their servers in a sort.
  void marksPreCheckTheWindow() {
    Tserverlist list;
    for (int i = 0; i < 5; ++i) list.push_back(Entry(20000 + i, "S" + std::to_string(i), "pw"));
    auto f = Window(list);
    DrawGrid* g = f->findChild<DrawGrid*>("DrawGrid1");
    ClickRow(g, 2);
    ClickRow(g, 4, Qt::ControlModifier);
    QCOMPARE(f->Engine().Selected().Index(), 3);
    const auto uid = [&](int i) { return f->Engine().List().At(static_cast<std::size_t>(i)).uid; };
    QCOMPARE(f->List().MarkedServers(), (std::vector<std::uint64_t>{uid(1), uid(3)}));
    ClickRow(g, 5, Qt::ShiftModifier);
    QCOMPARE(f->List().MarkedServers(), (std::vector<std::uint64_t>{uid(1), uid(3), uid(4)}));
    QCOMPARE(f->Engine().Selected().Index(), 4);
    // A sort by name, descending: the marks stay with their servers.
    const std::vector<std::uint64_t> before = f->List().MarkedServers();
    f->List().SortBy(1);
    f->List().SortBy(1);
    QCOMPARE(f->List().MarkedServers().size(), before.size());
    for (std::uint64_t u : before) {
      const auto marked = f->List().MarkedServers();
      QVERIFY(std::find(marked.begin(), marked.end(), u) != marked.end());
    }
    QCOMPARE(f->Engine().Selected().Entry()->hostname.str(), std::string("S4"));
    MultiCommand* m = Open(*f);
    QVERIFY(m && m->isVisible());
    QCOMPARE(m->ServerChecks->count(), 5);
    std::vector<std::uint64_t> checked = m->CheckedServers();
    std::vector<std::uint64_t> want = before;
    std::sort(checked.begin(), checked.end());
    std::sort(want.begin(), want.end());
    QCOMPARE(checked, want);
    // Ctrl+A: everything, the selected server unchanged.
    g->setFocus();
    QTest::keyClick(g, Qt::Key_A, Qt::ControlModifier);
    QCOMPARE(f->List().MarkedServers().size(), std::size_t(5));
    QCOMPARE(f->Engine().Selected().Entry()->hostname.str(), std::string("S4"));
    // The list's context menu has the item too.
    QVERIFY(f->findChild<QAction*>("MehrereServer2"));
  }

  // Two encodings: each server gets its own bytes, each row its outcome
  // read in its server's encoding, a click shows the row's whole output.
  // (Every outcome state against its kind of server: engine_test_rconbatch.)
  void sendsEachServerItsOwnBytes() {
    TestServer utf8, cp, silent;
    QVERIFY(utf8.start(Server("pw", "Utf Server")));
    QVERIFY(cp.start(Server("pw", "Cp Server")));
    TestServerConfig quiet = Server("pw", "Silent");
    quiet.dropShare = 1.0;
    QVERIFY(silent.start(quiet));
    auto f = Window({Entry(utf8.port(), "Utf Server", "pw", TextEncoding::Utf8),
                     Entry(cp.port(), "Cp Server", "pw", TextEncoding::Cp1252),
                     Entry(silent.port(), "Silent", "pw")});
    MultiCommand* m = Open(*f);
    m->AllButton->click();
    m->QuickBox->setCurrentIndex(static_cast<int>(QuickChoice::Say));
    m->CommandEdit->setEditText(QString::fromUtf8("Jörg grüßt"));
    QVERIFY(m->SendButtonClick());
    QCOMPARE(questions_, 0);
    QVERIFY(!m->SendButton->isEnabled() && m->CancelButton->isEnabled());
    QTRY_VERIFY_WITH_TIMEOUT(m->Batch()->Finished(), 8000);
    QVERIFY(m->SendButton->isEnabled() && !m->CancelButton->isEnabled());
    const std::string head("\xff\xff\xff\xffrcon \"pw\" say ", 18);
    QCOMPARE(Rcon(utf8), std::vector<std::string>{head + "\"J\xc3\xb6rg gr\xc3\xbc\xc3\x9ft\""});
    QCOMPARE(Rcon(cp), std::vector<std::string>{head + "\"J\xf6rg gr\xfc\xdft\""});
    ResultModel& model = m->Results();
    const int output = static_cast<int>(ResultColumn::Output);
    const int state = static_cast<int>(ResultColumn::State);
    for (int row : {1, 2}) {
      QCOMPARE(model.Cell(output, row, Qt::DisplayRole).toString(),
               QString::fromUtf8("console: Jörg grüßt"));
      QCOMPARE(model.Cell(state, row, Qt::DisplayRole).toString(), QString::fromUtf8("ausgeführt"));
    }
    QCOMPARE(model.Cell(state, 1, Qt::ForegroundRole).value<QColor>(), QColor(0, 128, 64));
    QCOMPARE(model.Cell(state, 3, Qt::DisplayRole).toString(), QString::fromUtf8("keine Antwort"));
    QVERIFY(
        !model.Cell(static_cast<int>(ResultColumn::Sent), 3, Qt::DisplayRole).toString().isEmpty());
    QVERIFY(model.Cell(static_cast<int>(ResultColumn::Answered), 3, Qt::DisplayRole)
                .toString()
                .isEmpty());
    QCOMPARE(m->SummaryLabel->text(), QStringLiteral("3 Server: 2 ausgeführt, 1 nicht, 0 offen"));
    // The whole output of a row, on a click.
    ClickRow(m->ResultGrid, 2);
    QCOMPARE(m->ShownRow(), 2);
    QCOMPARE(m->OutputView->toPlainText(), QString::fromUtf8("console: Jörg grüßt"));
    QVERIFY(model.Cell(0, 2, kHighlightRole).toBool());
    ClickRow(m->ResultGrid, 3);
    QCOMPARE(m->OutputView->toPlainText(), QStringLiteral("(keine Ausgabe)"));
    // The text went into the history.
    QCOMPARE(m->CommandEdit->itemText(0), QString::fromUtf8("Jörg grüßt"));
  }

  // A map change to several servers asks once; Cancel sends nothing. To
  // one server it goes without a question.
  void mapChangeAsksBeforeSeveralServers() {
    TestServer a, b;
    QVERIFY(a.start(Server("pw", "A")));
    QVERIFY(b.start(Server("pw", "B")));
    auto f = Window({Entry(a.port(), "A", "pw"), Entry(b.port(), "B", "pw")});
    MultiCommand* m = Open(*f);
    m->AllButton->click();
    m->CommandEdit->setEditText(QStringLiteral("map mp_harbor"));
    answerOk_ = false;
    QVERIFY(!m->SendButtonClick());
    QCOMPARE(questions_, 1);
    QVERIFY(!m->Batch());
    m->SetChecked({f->Engine().List().At(0).uid});
    QVERIFY(m->SendButtonClick());
    QCOMPARE(questions_, 1);
    QTRY_VERIFY_WITH_TIMEOUT(m->Batch()->Finished(), 5000);
    QCOMPARE(a.executedCommands(), std::vector<std::string>{"map mp_harbor"});
    QCOMPARE(b.receivedCount(), uint64_t(0));
  }

  // A refused text is told and nothing goes anywhere.
  void refusalSendsNothing() {
    TestServer a;
    QVERIFY(a.start(Server("pw", "A")));
    auto f = Window({Entry(a.port(), "A", "pw")});
    MultiCommand* m = Open(*f);
    m->AllButton->click();
    m->QuickBox->setCurrentIndex(static_cast<int>(QuickChoice::Say));
    m->CommandEdit->setEditText(QStringLiteral("sag \"hallo\""));
    QVERIFY(!m->SendButtonClick());
    QCOMPARE(messages_.size(), 1);
    QVERIFY(messages_[0].contains(QStringLiteral("Anführungszeichen")));
    m->NoneButton->click();
    QVERIFY(!m->SendButtonClick());
    QCOMPARE(messages_.last(), QStringLiteral("Bitte mindestens einen Server ankreuzen."));
    QTest::qWait(100);
    QCOMPARE(a.receivedCount() - a.stats().statusQueries, uint64_t(0));
  }

  // "Abbrechen" while the commands wait: dropped, none leaves.
  void cancelDropsWhatWaits() {
    TestServer a, b;
    QVERIFY(a.start(Server("pw", "A")));
    QVERIFY(b.start(Server("pw", "B")));
    auto f = Window({Entry(a.port(), "A", "pw"), Entry(b.port(), "B", "pw")});
    f->Engine().SetRconPause(400ms);
    MultiCommand* m = Open(*f);
    m->AllButton->click();
    m->QuickBox->setCurrentIndex(static_cast<int>(QuickChoice::MapRestart));
    QVERIFY(m->SendButtonClick());
    m->CancelButton->click();
    QVERIFY(m->Batch()->Finished());
    for (const auto& r : m->Batch()->Rows()) QCOMPARE(r.state, State::Dropped);
    QTest::qWait(700);
    QVERIFY(a.executedCommands().empty() && b.executedCommands().empty());
    QVERIFY(m->SendButton->isEnabled());
  }

  void asksFirst_data() {
    QTest::addColumn<QString>("line");
    QTest::addColumn<bool>("asks");
    QTest::newRow("map") << "map mp_harbor" << true;
    QTest::newRow("devmap") << "devmap mp_harbor" << true;
    QTest::newRow("map_rotate") << "map_rotate" << true;
    QTest::newRow("upper case") << "MAP_ROTATE" << true;
    QTest::newRow("quit") << "quit" << true;
    QTest::newRow("clientkick") << "clientkick 3" << true;
    QTest::newRow("tempbanuser") << "tempBanUser Joe" << true;
    QTest::newRow("second command") << "say bye; quit" << true;
    QTest::newRow("leading blanks") << "   kick all" << true;
    QTest::newRow("map_restart") << "map_restart" << false;
    QTest::newRow("fast_restart") << "fast_restart" << false;
    QTest::newRow("say about a map") << "say map mp_harbor next" << false;
    QTest::newRow("quoted semicolon") << "say \"gleich; quit\"" << false;
    QTest::newRow("status") << "status" << false;
  }
  void asksFirst() {
    QFETCH(QString, line);
    QFETCH(bool, asks);
    QCOMPARE(AsksFirst(line.toStdString()), asks);
  }

  void buildForServer_data() {
    QTest::addColumn<QuickChoice>("choice");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("value");
    QTest::addColumn<TextEncoding>("encoding");
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<bool>("ok");
    using Q = QuickChoice;
    using E = TextEncoding;
    const QString joerg = QString::fromUtf8("Jörg");
    QTest::newRow("raw as typed") << Q::Raw << "status"
                                  << "" << E::Automatic << QByteArray("status") << true;
    QTest::newRow("raw utf8") << Q::Raw << "say " + joerg << "" << E::Utf8
                              << QByteArray("say J\xc3\xb6rg") << true;
    QTest::newRow("raw empty") << Q::Raw << "  "
                               << "" << E::Automatic << QByteArray() << false;
    QTest::newRow("say cp1252") << Q::Say << joerg << "" << E::Cp1252
                                << QByteArray("say \"J\xf6rg\"") << true;
    QTest::newRow("say keeps ;") << Q::Say << "a; quit"
                                 << "" << E::Automatic << QByteArray("say \"a; quit\"") << true;
    QTest::newRow("say empty") << Q::Say << ""
                               << "" << E::Automatic << QByteArray() << false;
    QTest::newRow("map_restart") << Q::MapRestart << "ignored"
                                 << "" << E::Automatic << QByteArray("map_restart") << true;
    QTest::newRow("exec") << Q::Exec << "server.cfg"
                          << "" << E::Automatic << QByteArray("exec server.cfg") << true;
    QTest::newRow("set utf8") << Q::SetVar << "sv_hostname" << joerg << E::Utf8
                              << QByteArray("set sv_hostname \"J\xc3\xb6rg\"") << true;
    QTest::newRow("set bad name") << Q::SetVar << "a b"
                                  << "1" << E::Automatic << QByteArray() << false;
  }
  void buildForServer() {
    QFETCH(QuickChoice, choice);
    QFETCH(QString, text);
    QFETCH(QString, value);
    QFETCH(TextEncoding, encoding);
    QFETCH(QByteArray, line);
    QFETCH(bool, ok);
    const BuiltCommand b = BuildForServer({choice, text, value}, encoding, false);
    QCOMPARE(b.ok(), ok);
    QCOMPARE(QByteArray::fromStdString(b.line), line);
    if (!ok) QVERIFY(!b.problem.empty());
  }
};

QTEST_MAIN(TestMultiCommand)
#include "test_multicommand.moc"
