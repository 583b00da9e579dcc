// Every server's texts in its own encoding, against test game servers on
// loopback: a UTF-8 name ("Смерть", "Jörg") and a Windows-1252 one ("Jörg"
// in 0xF6) both shown right in the server list, the players of the status
// reply and the rcon player table; an explicit choice wins; the widths and
// the colour drawing go by characters; typed console text reaches each
// server in its encoding and its answer reads right; the server dialog
// keeps the choice in Servers.dat.
#include <QComboBox>
#include <QImage>
#include <QLineEdit>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include "core/paths.h"
#include "core/serverencoding.h"
#include "core/serverfile.h"
#include "tools/testserver/testserver.h"
#include "ui/admin/consoletab.h"
#include "ui/dialogs/messages.h"
#include "ui/dialogs/servertext.h"
#include "ui/dialogs/tform4.h"
#include "ui/main/colortext.h"
#include "ui/main/gridmodels.h"
#include "ui/main/serverlistview.h"

using namespace zelmora;
using namespace zelmora::testing;
using namespace std::chrono_literals;

namespace {

const std::string kRussian = "\xd0\xa1\xd0\xbc\xd0\xb5\xd1\x80\xd1\x82\xd1\x8c";  // Смерть
const std::string kJoergUtf8 = "J\xc3\xb6rg";
const std::string kJoergCp = "J\xf6rg";

TestServerConfig Server(const std::string& name, const std::string& player) {
  TestServerConfig c;
  c.rconPassword = "pw";
  SetVar(c.vars, "sv_hostname", name);
  TestPlayer p;
  p.num = 0;
  p.name = player;
  p.guid = "123456";
  c.players = {p};
  return c;
}

Tserverrec Entry(std::uint16_t port, TextEncoding encoding) {
  Tserverrec e;
  e.host.assign("127.0.0.1");
  e.port.assign(std::to_string(port));
  e.rconpass.assign("pw");
  SetEncoding(e, encoding);
  return e;
}

struct Views {
  SettingsStore store;
  Settings settings;
  QueryEngine engine{store};
  std::function<const Settings&()> get = [this]() -> const Settings& { return settings; };
  ServerListModel list{engine, get, nullptr};

  ServerSession* At(int row) {
    return engine.Session(engine.List().At(static_cast<std::size_t>(row)).uid);
  }
};

}  // namespace

class TestEncodingViews : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    SetMessageFunction([](QWidget*, MessageKind, const QString&, const QString&) { return true; });
  }

  // The server list, the players of the status reply and the rcon table:
  // automatic reads UTF-8 and Windows-1252 right; a choice wins.
  void namesShownRight() {
    TestServer utf8, cp, forced;
    QVERIFY(utf8.start(Server("^1" + kRussian, kJoergUtf8)));
    QVERIFY(cp.start(Server(kJoergCp, kJoergCp)));
    QVERIFY(forced.start(Server(kJoergUtf8, kJoergUtf8)));
    Views v;
    v.engine.List().Append(Entry(utf8.port(), TextEncoding::Automatic));
    v.engine.List().Append(Entry(cp.port(), TextEncoding::Automatic));
    v.engine.List().Append(Entry(forced.port(), TextEncoding::Cp1252));
    QVERIFY(v.engine.Start());
    v.engine.SetRconPause(5ms);
    for (int i = 0; i < 3; ++i) QVERIFY(v.engine.SendGetStatus(i));
    QTRY_VERIFY(v.At(0)->HasStatus() && v.At(1)->HasStatus() && v.At(2)->HasStatus());
    const int name = static_cast<int>(ServerColumn::Name);
    const QString russian = QString::fromUtf8("Смерть"), joerg = QString::fromUtf8("Jörg");
    QCOMPARE(v.list.Cell(name, 1, Qt::DisplayRole).toString(), russian);
    QCOMPARE(v.list.Cell(name, 1, kRawTextRole).toString(), "^1" + russian);
    QCOMPARE(v.list.Cell(name, 2, Qt::DisplayRole).toString(), joerg);
    QCOMPARE(v.list.Cell(name, 3, Qt::DisplayRole).toString(), QString::fromUtf8("JÃ¶rg"));
    const QString expected[] = {joerg, joerg, QString::fromUtf8("JÃ¶rg")};
    for (int row = 0; row < 3; ++row) {
      ServerSession* s = v.At(row);
      PlayerRowsModel players([s] { return s; }, nullptr);
      QCOMPARE(players.Cell(0, 1, Qt::DisplayRole).toString(), expected[row]);
      QSignalSpy tables(s, &ServerSession::TableChanged);
      s->RequestTable();
      QTRY_VERIFY_WITH_TIMEOUT(s->HasTable(), 5000);
      StatusRowsModel table([s] { return s; }, [] { return -1; }, v.get, nullptr);
      QCOMPARE(table.Cell(static_cast<int>(StatusColumn::Name), 1, Qt::DisplayRole).toString(),
               expected[row]);
    }
    // The widths go by what is shown: a long UTF-8 name is measured as
    // its characters, not as twice as many Windows-1252 ones.
    std::string longName;
    for (int i = 0; i < 8; ++i) longName += kRussian;
    Tserverlist measured{Entry(1, TextEncoding::Automatic)};
    measured[0].hostname.assign(longName);
    QFont font;
    font.setPixelSize(11);
    QFont bold = font;
    bold.setBold(true);
    const int want = QFontMetrics(bold).horizontalAdvance(QString::fromStdString(longName)) + 44;
    QCOMPARE(ServerColumnFitter::FullFit(measured, IconOptions{}, font)[1], std::max(250, want));
  }

  // Colour codes in both encodings: a code takes a whole character, and
  // each character is drawn once, with one pixel after it.
  void colourCodesPerCharacter() {
    QImage image(400, 30, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    QFont font;
    font.setPixelSize(16);
    p.setFont(font);
    p.setPen(Qt::black);
    const QString text = QString::fromUtf8("^1Смерть^7ö");
    const int end = DrawColorText(p, 0, 0, text);
    p.end();
    const QFontMetrics fm(font);
    int want = 0;
    for (const QString ch : {"С", "м", "е", "р", "т", "ь", "ö"})
      want += fm.horizontalAdvance(QString::fromUtf8(ch.toUtf8())) + 1;
    QCOMPARE(end, want);
    int red = 0;
    for (int y = 0; y < image.height(); ++y)
      for (int x = 0; x < image.width(); ++x) {
        const QColor c = image.pixelColor(x, y);
        if (c.red() > 150 && c.green() < 80 && c.blue() < 80) ++red;
      }
    QVERIFY(red > 10);  // drawn in ^1
  }

  void withoutColorCodes_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("plain");
    QTest::newRow("codes") << "^1Red ^7White"
                           << "Red White";
    QTest::newRow("last caret stays") << "abc^"
                                      << "abc^";
    QTest::newRow("caret takes caret") << "^^1x"
                                       << "1x";
    QTest::newRow("carriage return") << "a\rb"
                                     << "ab";
    QTest::newRow("umlaut taken whole") << QString::fromUtf8("^öx") << "x";
    QTest::newRow("surrogate pair taken whole") << QString::fromUtf8("^\xf0\x9f\x98\x80x") << "x";
    QTest::newRow("cyrillic kept") << QString::fromUtf8("^2Мир") << QString::fromUtf8("Мир");
  }
  void withoutColorCodes() {
    QFETCH(QString, text);
    QFETCH(QString, plain);
    QCOMPARE(WithoutColorCodes(text), plain);
  }

  // A console line typed with an umlaut reaches each server in its
  // encoding, and the answer reads right in the console.
  void consoleTextPerServer() {
    TestServer utf8, cp;
    QVERIFY(utf8.start(Server("U", "x")));
    QVERIFY(cp.start(Server("C", "x")));
    Views v;
    v.engine.List().Append(Entry(utf8.port(), TextEncoding::Utf8));
    v.engine.List().Append(Entry(cp.port(), TextEncoding::Automatic));
    QVERIFY(v.engine.Start());
    v.engine.SetRconPause(5ms);
    QPlainTextEdit view;
    QLineEdit edit;
    QPushButton send;
    ConsoleTab tab(v.engine, ConsoleTabWidgets{&view, &edit, &send});
    const std::string head("\xff\xff\xff\xffrcon \"pw\" say ", 18);
    const TestServer* servers[] = {&utf8, &cp};
    const std::string bytes[] = {kJoergUtf8, kJoergCp};
    for (int row = 0; row < 2; ++row) {
      v.engine.Selected().SelectRow(row);
      tab.ServerSelected(v.engine.List().At(static_cast<std::size_t>(row)), true);
      edit.setText(QString::fromUtf8("say Jörg"));
      QVERIFY(tab.Button2Click());
      QTRY_VERIFY_WITH_TIMEOUT(view.toPlainText().contains(QString::fromUtf8("console: Jörg")),
                               5000);
      bool found = false;
      for (const ReceivedDatagram& d : servers[row]->received())
        found = found || d.data == head + bytes[row];
      QVERIFY2(found, qPrintable(QString::number(row)));
    }
  }

  // The server dialog: "Automatisch" for a new server, the entry's choice
  // when editing, kept in the spare field of Servers.dat.
  void serverDialogKeepsTheChoice() {
    QTemporaryDir dir;
    SetDataDir(dir.path().toStdString() + "/");
    ServerList list;
    Selection selection(list);
    SavedFiles files(dir.path().toStdString() + "/");
    RangeTable ranges;
    TForm4 dialog(list, selection, files, ranges);
    NameLookups lookups;
    lookups.resolve = [](std::string_view text) {
      HostLookup h;
      h.status = HostLookup::Status::kFound;
      h.address = std::string(text);
      return h;
    };
    lookups.reverse = [](std::string_view) { return std::string("?"); };
    dialog.SetLookups(lookups);
    dialog.BeginAdd();
    QCOMPARE(dialog.EncodingBox->currentText(), QStringLiteral("Automatisch"));
    dialog.Edit1->setText(QStringLiteral("127.0.0.1"));
    dialog.Edit2->setText(QStringLiteral("28960"));
    dialog.EncodingBox->setCurrentIndex(2);
    dialog.Button2Click();
    QCOMPARE(list.Size(), std::size_t(1));
    QCOMPARE(EncodingOf(list.At(0)), TextEncoding::Utf8);
    selection.SelectRow(0);
    dialog.EncodingBox->setCurrentIndex(0);
    QVERIFY(dialog.BeginEdit());
    QCOMPARE(dialog.EncodingBox->currentText(), QStringLiteral("UTF-8"));
    dialog.EncodingBox->setCurrentIndex(1);
    const std::uint64_t uid = list.At(0).uid;
    dialog.Button2Click();
    QCOMPARE(list.At(0).uid, uid);  // edited in place
    QCOMPARE(EncodingOf(list.At(0)), TextEncoding::Cp1252);
    Tserverlist back;
    std::string error;
    QVERIFY(LoadServers(files.ServersPath(), back, &error));
    QCOMPARE(back.size(), std::size_t(1));
    QCOMPARE(back[0].spare.str(), std::string("enc=cp1252"));
    dialog.BeginAdd();
    QCOMPARE(dialog.EncodingBox->currentIndex(), 0);
  }
};

QTEST_MAIN(TestEncodingViews)
#include "test_encodingviews.moc"
