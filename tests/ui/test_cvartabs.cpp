// Weapons and vehicles, custom variables and rcon profiles, the expert
// settings and new-profile windows: in the real windows against a scripted
// game server, and the files they read and write, byte for byte.
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTableView>
#include <QTextCursor>
#include <QtTest>

#include <filesystem>

#include "tests/core/filebytes.h"
#include "tests/ui/cvartestutil.h"
#include "ui/admin/customvarstab.h"
#include "ui/admin/varqueue.h"
#include "ui/admin/weaponstab.h"
#include "ui/dialogs/textfiles.h"
#include "ui/dialogs/tform5.h"
#include "ui/dialogs/tform6.h"
#include "ui/dialogs/tform8.h"

using namespace zelmora;
using namespace zelmora::testing;
namespace fs = std::filesystem;

namespace {

QString Q(const std::string& s) {
  return QString::fromStdString(s);
}

QStringList Items(QListWidget* list) {
  QStringList out;
  for (int i = 0; i < list->count(); ++i)
    out << list->item(i)->text() + (list->item(i)->checkState() == Qt::Checked ? "+" : "-");
  return out;
}

void MoveOver(QWidget* viewport, const QPoint& at) {
  QMouseEvent move(QEvent::MouseMove, at, viewport->mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                   Qt::NoModifier);
  QCoreApplication::sendEvent(viewport, &move);
}

}  // namespace

class TestCvarTabs : public QObject {
  Q_OBJECT

  TestServer server_;
  std::unique_ptr<CvarFixture> fx_;

  void StartServer(int protocol, const VarList& cvars) {
    TestServerConfig c;
    ApplyProtocol(c, protocol);
    c.rconPassword = CvarFixture::kPassword;
    for (const auto& [n, v] : cvars) SetVar(c.cvars, n, v);
    QVERIFY(server_.start(c));
    fx_ = std::make_unique<CvarFixture>(Tserverlist{ListEntry(server_.port(), "pw")});
  }
  void OpenOnPage(int page, int protocol) {
    QVERIFY(fx_->Open());
    fx_->form().findChild<QTabWidget*>("PageControl1")->setCurrentIndex(page);
    fx_->Select(1);
    QTRY_COMPARE_WITH_TIMEOUT(int(fx_->form().Engine().List().At(0).protocol), protocol, 5000);
  }
  std::vector<RconSeen> VarCommands() {
    return RconFrom(server_, fx_->VarPort(), CvarFixture::kPassword);
  }
  void Reply(const std::string& line) {
    server_.sendTo("127.0.0.1", fx_->VarPort(), VarReply(line));
  }

 private slots:
  void cleanup() {
    fx_.reset();
    server_.stop();
  }

  // Lines of the operator's files and the editors.
  void textLines() {
    QCOMPARE(SplitLines("a\r\n\r\nb"), (std::vector<std::string>{"a", "", "b"}));
    QCOMPARE(SplitLines("a\rb\nc\r\n"), (std::vector<std::string>{"a", "b", "c"}));
    QCOMPARE(SplitLines(""), std::vector<std::string>{});
    QCOMPARE(SplitLines("\r\n"), std::vector<std::string>{""});
    const std::string bytes = "x \r\n\r\ny\xa0\xe4\t\r\n";
    QCOMPARE(BytesFromEditorText(EditorTextFromBytes(bytes)), bytes);
    QCOMPARE(NonEmptyLines(EditorTextFromBytes(bytes)),
             (std::vector<std::string>{"x ", "y\xa0\xe4\t"}));
  }

  // Profile lines: name and description trimmed, a second ";" cuts, a line
  // of blanks is a record without a name, empty lines are skipped.
  void profileParsing() {
    const auto records = ParseProfile(
        "sv_fps ; Bilder pro Sekunde\r\n\r\ng_speed\r\n   \r\nscr_x;a;b\r\n\tg_y\t;\t z \r\n");
    QCOMPARE(records, (std::vector<Tsonstigesrec>{{"sv_fps", "", "Bilder pro Sekunde"},
                                                  {"g_speed", "", ""},
                                                  {"", "", ""},
                                                  {"scr_x", "", "a"},
                                                  {"g_y", "", "z"}}));
    QVERIFY(ParseProfile("").empty());
    QVERIFY(ParseProfile("\r\n\r\n").empty());
  }

  // The profile of the server's version: the last item that contains its
  // protocol number, in the folder's case-blind order.
  void profileChoice() {
    QTemporaryDir dir;
    const QString d = dir.path() + "/";
    for (const char* name : {"b_118.rpf", "118.rpf", "115.rpf", "5.rpf", "22.RPF", "notes.txt"})
      WriteAll(d + name, "");
    const QStringList items = ListProfiles(d);
    QCOMPARE(items, (QStringList{"115.rpf", "118.rpf", "22.RPF", "5.rpf", "b_118.rpf"}));
    QCOMPARE(items[ChooseProfileIndex(items, 118, -1)], QStringLiteral("b_118.rpf"));
    QCOMPARE(items[ChooseProfileIndex(items, 5, -1)], QStringLiteral("5.rpf"));
    QCOMPARE(ChooseProfileIndex(items, 6, 2), 2);  // none: unchanged
    QCOMPARE(ChooseProfileIndex(items, 6, -1), -1);
    QVERIFY(ListProfiles(d + "missing/").isEmpty());
  }

  // "Aktualisieren": the non-empty lines of the weapon list as reads, one
  // check box per answered variable in arrival order, checked exactly for
  // "1"; a toggle writes 1 or 0 after a second's notice.
  void weaponsRefreshAndToggle() {
    StartServer(22, {{"scr_allow_mp40", "1"}});
    OpenOnPage(3, 22);
    TForm1& f = fx_->form();
    TForm6& expert = fx_->windows().form6();
    // A name with a blank breaks the name rule: it is left out of the list
    // (nothing of it reaches the server).
    expert.Memo2()->setPlainText(
        "scr_allow_kar98k\n\nscr_allow_mp40 \nscr_allow_panzerfaust\nscr_allow_none\n");
    server_.clearReceived();
    fx_->Click("Button14");
    QTRY_COMPARE_WITH_TIMEOUT(VarCommands().size(), size_t(3), 10000);
    QCOMPARE(
        Commands(VarCommands()),
        (std::vector<std::string>{"scr_allow_kar98k", "scr_allow_panzerfaust", "scr_allow_none"}));
    QListWidget* weapons = f.Weapons().CheckListBox1;
    QTRY_VERIFY_WITH_TIMEOUT(!f.Vars().Timer6()->isActive(), 5000);
    QTRY_COMPARE(Items(weapons), (QStringList{"scr_allow_kar98k+", "scr_allow_panzerfaust-"}));

    // Replies, whenever they come: "1^7" checks, "0", "" and "1.0" do not,
    // and a second reply for a name adds a second box.
    Reply("\"scr_allow_panzerfaust\" is:\"1^7\" default:\"0^7\"");
    Reply("\"scr_allow_kar98k\" is:\"1.0^7\" default:\"1^7\"");
    Reply("\"scr_allow_kar98k\" is:\"^7\" default:\"1^7\"");
    Reply("\"SCR_ALLOW_KAR98K\" is:\"1^7\" default:\"1^7\"");
    Reply("\"scr_allow_kar98k\" is:\"0\" default:\"1^7\"");
    QTRY_COMPARE(weapons->count(), 6);
    QCOMPARE(Items(weapons),
             (QStringList{"scr_allow_kar98k+", "scr_allow_panzerfaust-", "scr_allow_panzerfaust+",
                          "scr_allow_kar98k-", "scr_allow_kar98k-", "scr_allow_kar98k-"}));

    // Hovering selects the item under the pointer, and nothing over no item.
    QWidget* vp = weapons->viewport();
    MoveOver(vp, weapons->visualItemRect(weapons->item(2)).center());
    QCOMPARE(weapons->currentRow(), 2);
    QVERIFY(weapons->item(2)->isSelected());
    MoveOver(vp, QPoint(5, vp->height() - 3));
    QVERIFY(weapons->selectedItems().isEmpty());

    // Toggling: the notice for a second, then name and 1/0; the window
    // goes on meanwhile.
    server_.clearReceived();
    QTest::qWait(600);  // flood protection of the server
    const auto start = Clock::now();
    weapons->item(0)->setCheckState(Qt::Unchecked);
    QVERIFY(fx_->windows().form5().isVisible());
    QVERIFY(VarCommands().empty());
    QTRY_COMPARE(Commands(VarCommands()), std::vector<std::string>{"set scr_allow_kar98k \"0\""});
    QVERIFY(MsBetween(start, VarCommands()[0].at) >= 1000);
    QTRY_VERIFY(!fx_->windows().form5().isVisible());
    weapons->item(1)->setCheckState(Qt::Checked);
    QTRY_COMPARE(VarCommands().size(), size_t(2));
    QCOMPARE(VarCommands()[1].command, std::string("set scr_allow_panzerfaust \"1\""));
    QTRY_COMPARE(server_.var("scr_allow_panzerfaust"), std::string("1"));
    QCOMPARE(weapons->count(), 6);  // nothing is read back

    // Vehicles: the same with their own list; the button is offered for the
    // expansion only, set when the tab comes to the front.
    auto* vehiclesButton = f.findChild<QPushButton*>("Button47");
    auto* tabs = f.findChild<QTabWidget*>("PageControl1");
    // Selected before the first status reply (protocol 0): not offered; the
    // next time the tab comes to the front it is.
    QVERIFY(!vehiclesButton->isEnabled());
    tabs->setCurrentIndex(0);
    tabs->setCurrentIndex(3);
    QVERIFY(vehiclesButton->isEnabled());
    expert.Memo3()->setPlainText("scr_allow_vehicles");
    server_.clearReceived();
    QTest::qWait(600);
    fx_->Click("Button47");
    QTRY_COMPARE_WITH_TIMEOUT(Items(f.Weapons().CheckListBox3), QStringList{"scr_allow_vehicles+"},
                              5000);
    QCOMPARE(weapons->count(), 6);
    f.Engine().List().MutableAt(0).protocol = 118;
    tabs->setCurrentIndex(0);
    tabs->setCurrentIndex(3);
    QVERIFY(!vehiclesButton->isEnabled());
  }

  // "Sonstiges": the profile of the server's version, all values read at
  // 800 ms, one read from the "Aktualisieren" column, "Senden" writes;
  // replies fill records whose names differ in case or blanks.
  void customVariables() {
    StartServer(118, {{"sv_fps", "30"}, {"g_speed", "190"}});
    fs::create_directory(fx_->Dir() + "rconcfg");
    WriteAll(Q(fx_->Dir() + "rconcfg/115.rpf"), "scr_a;A\r\n");
    WriteAll(Q(fx_->Dir() + "rconcfg/118.rpf"), "scr_b;B\r\n");
    WriteAll(Q(fx_->Dir() + "rconcfg/b_118.rpf"),
             "SV_FPS ; Bilder pro Sekunde;x\r\n\r\ng_speed\r\n   \r\n");
    OpenOnPage(0, 118);
    TForm1& f = fx_->form();
    CustomVarsTab& tab = f.CustomVars();
    auto* box = f.findChild<QComboBox*>("ComboBox1");
    QCOMPARE(box->count(), 3);
    QCOMPARE(box->currentIndex(), -1);
    f.findChild<QTabWidget*>("PageControl1")->setCurrentIndex(6);
    QCOMPARE(box->currentText(), QStringLiteral("b_118.rpf"));
    QCOMPARE(tab.RowCount(), 4);
    QTableView* grid = tab.Grid();
    QCOMPARE(grid->model()->headerData(3, Qt::Horizontal).toString(),
             QStringLiteral("Beschreibung"));
    QCOMPARE(grid->columnWidth(0), 70);
    QCOMPARE(grid->columnWidth(3), 1000);
    QCOMPARE(grid->rowHeight(0), 16);
    QCOMPARE(grid->model()->index(0, 0).data().toString(), QStringLiteral("Aktualisieren"));
    QCOMPARE(grid->model()->index(0, 3).data().toString(), QStringLiteral("Bilder pro Sekunde"));

    server_.clearReceived();
    const auto start = Clock::now();
    fx_->Click("Button21");
    QVERIFY(fx_->windows().form5().isVisible());
    QTRY_VERIFY_WITH_TIMEOUT(!fx_->windows().form5().isVisible(), 10000);
    const auto seen = VarCommands();
    QCOMPARE(Commands(seen), (std::vector<std::string>{"SV_FPS", "g_speed"}));  // no empty name
    QVERIFY(MsBetween(start, seen[0].at) >= 750);
    QVERIFY(MsBetween(seen[0].at, seen[1].at) >= 750);
    QVERIFY(MsBetween(start, Clock::now()) >= 2350);
    QTRY_COMPARE(tab.Records()[1].value, std::string("190"));
    QCOMPARE(tab.Records()[0].value, std::string("30"));  // the reply says "sv_fps"
    Reply("\" sv_FPS \" is:\"^225^7\" default:\"20^7\"");
    QTRY_COMPARE(tab.Records()[0].value, std::string("25"));
    QCOMPARE(grid->model()->index(0, 2).data().toString(), QStringLiteral("25"));

    // A click in the "Aktualisieren" column: name and value below the grid,
    // one read at once.
    server_.clearReceived();
    QTest::qWait(600);
    grid->setCurrentIndex(grid->model()->index(1, 0));
    QCOMPARE(f.findChild<QLabel*>("Label17")->text(), QStringLiteral("g_speed"));
    auto* edit6 = f.findChild<QLineEdit*>("Edit6");
    QCOMPARE(edit6->text(), QStringLiteral("190"));
    QTRY_COMPARE(Commands(VarCommands()), std::vector<std::string>{"g_speed"});
    // "Senden": the value as typed; a line break is refused.
    QTest::qWait(600);
    edit6->setText(QStringLiteral(" 200"));
    fx_->Click("Button48");
    QTRY_COMPARE(VarCommands().size(), size_t(2));
    QCOMPARE(VarCommands()[1].command, std::string("set g_speed \" 200\""));
    edit6->setText(QStringLiteral("1\r\nquit"));
    fx_->Click("Button48");
    QCOMPARE(fx_->messages.size(), 1);
    // A double quote would close the value and run the rest on the server.
    edit6->setText(QStringLiteral("1\"; say injected; set x \""));
    fx_->Click("Button48");
    QCOMPARE(fx_->messages.size(), 2);
    QTest::qWait(300);
    QCOMPARE(VarCommands().size(), size_t(2));
    const auto ran = server_.executedCommands();
    QVERIFY(std::find(ran.begin(), ran.end(), "say injected") == ran.end());

    // A server selection empties the values.
    fx_->Select(1);
    QCOMPARE(tab.Records()[1].value, std::string());
  }

  // The expert settings window and the new-profile window: the editors load
  // and write their files byte for byte, switching profiles saves the one
  // left, "Anlegen" creates empty profiles, "OK" hands the list over.
  void expertSettings() {
    fx_ = std::make_unique<CvarFixture>(Tserverlist{ListEntry(9, "pw")});
    const QString dir = Q(fx_->Dir());
    const std::string weapons = "mp_a \r\n\r\nmp_\xe4\x62\xa0\r\n";
    WriteAll(dir + "weaponcfg.txt", weapons);
    fs::create_directory(fx_->Dir() + "rconcfg");
    WriteAll(dir + "rconcfg/x.rpf", "a;b \r\nc\r\n");
    WriteAll(dir + "rconcfg/y.rpf", "y\r\n");
    QVERIFY(fx_->Open());
    TForm6& expert = fx_->windows().form6();
    TForm8& create = fx_->windows().form8();
    QCOMPARE(expert.windowTitle(), QStringLiteral("rcon Experteneinstellungen"));
    QCOMPARE(create.windowTitle(), QStringLiteral("Userkonfiguration anlegen"));
    // The editor keeps the file's bytes; the list the tab asks for takes
    // only names the rule allows (a blank or a byte outside it: left out).
    QVERIFY(expert.WeaponList().empty());
    QVERIFY(expert.VehicleList().empty());
    expert.Memo3()->setPlainText(QStringLiteral("scr_allow_jeep\nbad name\nscr_x;quit\n"));
    QCOMPARE(expert.VehicleList(), std::vector<std::string>{"scr_allow_jeep"});
    expert.Memo3()->clear();
    QCOMPARE(expert.ProfileItems(), (QStringList{"x.rpf", "y.rpf"}));
    QVERIFY(expert.Memo1()->toPlainText().isEmpty());

    // Choosing y after x saves the edited x first.
    expert.ComboBox1()->setCurrentIndex(0);
    expert.ComboBox1Change(0);
    QCOMPARE(expert.Memo1()->toPlainText(), QStringLiteral("a;b \nc\n"));
    expert.Memo1()->setPlainText(QStringLiteral("a;b \nneu\n"));
    expert.ComboBox1()->setCurrentIndex(1);
    expert.ComboBox1Change(1);
    QCOMPARE(ReadAll(dir + "rconcfg/x.rpf"), std::string("a;b \r\nneu\r\n"));
    QCOMPARE(expert.Memo1()->toPlainText(), QStringLiteral("y\n"));

    // "Neue Konfig anlegen" with the open profile changed asks first:
    // "Abbrechen" stops there, "Speichern" saves it, then the new-profile
    // window comes.
    QStringList asked;
    int answer = 2;
    const ChoiceFunction before =
        SetChoiceFunction([&](QWidget*, const QString& text, const QStringList& buttons) {
          asked << text + " " + buttons.join('/');
          return answer;
        });
    QTextCursor end = expert.Memo1()->textCursor();  // as typed: the text is changed
    end.movePosition(QTextCursor::End);
    end.insertText(QStringLiteral("neu\n"));
    expert.Button2Click();
    QCOMPARE(asked, QStringList{QString::fromUtf8("Die Konfig \"y.rpf\" wurde geändert. Die "
                                                  "Änderungen vorher speichern? "
                                                  "Speichern/Verwerfen/Abbrechen")});
    QCOMPARE(ReadAll(dir + "rconcfg/y.rpf"), std::string("y\r\n"));
    answer = 0;
    bool shown = false;
    QTimer::singleShot(0, &create, [&] {
      shown = create.isVisible();
      create.reject();
    });
    expert.Button2Click();
    QVERIFY(shown);
    QCOMPARE(ReadAll(dir + "rconcfg/y.rpf"), std::string("y\r\nneu\r\n"));
    QTimer::singleShot(0, &create, [&] { create.reject(); });
    expert.Button2Click();  // nothing changed since: no question
    QCOMPARE(asked.size(), 2);
    SetChoiceFunction(before);

    // "Anlegen": an empty name gives ".rpf"; again: the name exists; a path
    // is refused.
    auto* name = create.findChild<QLineEdit*>("Edit1");
    name->clear();
    create.Button1Click();
    QVERIFY(QFile::exists(dir + "rconcfg/.rpf"));
    QCOMPARE(ReadAll(dir + "rconcfg/.rpf"), std::string());
    QCOMPARE(expert.ProfileItems(), (QStringList{".rpf", "x.rpf", "y.rpf"}));
    QCOMPARE(expert.ComboBox1()->currentIndex(), -1);
    create.Button1Click();
    QCOMPARE(fx_->messages, QStringList{"Name existiert bereits"});
    for (const char* bad : {"../evil", "sub/x", "a\\b", "c:d", ".."}) {
      name->setText(QString::fromLatin1(bad));
      create.Button1Click();
    }
    QCOMPARE(fx_->messages.size(), 6);
    QVERIFY(!QFile::exists(dir + "evil.rpf"));
    QCOMPARE(ListProfiles(dir + "rconcfg/").size(), 3);

    // "Konfig löschen": the chosen profile goes, nothing is chosen.
    expert.ComboBox1()->setCurrentIndex(0);
    expert.Button3Click();
    QVERIFY(!QFile::exists(dir + "rconcfg/.rpf"));
    QCOMPARE(expert.ProfileItems(), (QStringList{"x.rpf", "y.rpf"}));
    QCOMPARE(expert.ComboBox1()->currentIndex(), -1);

    // "OK": both lists written whole, byte for byte (the missing vehicle
    // file appears empty), the chosen profile written, the main window's
    // box replaced with nothing chosen.
    TForm1& f = fx_->form();
    auto* box = f.findChild<QComboBox*>("ComboBox1");
    box->setCurrentIndex(0);
    f.CustomVars().LoadProfile("x.rpf");
    QCOMPARE(f.CustomVars().Grid()->model()->rowCount(), 2);
    expert.ComboBox1()->setCurrentIndex(1);
    expert.Memo1()->setPlainText(QStringLiteral("z ;Zett\n"));
    expert.Button1Click();
    QCOMPARE(ReadAll(dir + "weaponcfg.txt"), weapons);
    QCOMPARE(ReadAll(dir + "vehiclecfg.txt"), std::string());
    QCOMPARE(ReadAll(dir + "rconcfg/y.rpf"), std::string("z ;Zett\r\n"));
    QCOMPARE(box->count(), 2);
    QCOMPARE(box->currentIndex(), -1);
    QCOMPARE(f.CustomVars().Grid()->model()->rowCount(), 0);

    // Without the profile folder nothing can be created.
    fs::remove_all(fx_->Dir() + "rconcfg");
    fx_->messages.clear();
    name->setText(QStringLiteral("neu"));
    create.Button1Click();
    QCOMPARE(fx_->messages.size(), 1);
    QVERIFY(fx_->messages.front().startsWith("Cannot create file "));
    QVERIFY(fx_->messages.front().contains("neu.rpf"));
  }
};

QTEST_MAIN(TestCvarTabs)
#include "test_cvartabs.moc"
