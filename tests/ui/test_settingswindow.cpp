// Settings window: config.ini through the window, controls and store in
// step, the reactions on the main window.
#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <string>
#include <vector>

#include "core/settings.h"
#include "ui/dialogs/mainwindowhooks.h"
#include "ui/dialogs/messages.h"
#include "ui/dialogs/skin.h"
#include "ui/dialogs/tform3.h"
#include "ui/dialogs/updownedit.h"

using namespace zelmora;

namespace {

// Records what the window asks of the main window. ApplyQuerySettings works
// like the main window's: it converts the interval texts from the store and
// reports a text that is no integer.
class FakeHooks : public MainWindowHooks {
 public:
  explicit FakeHooks(SettingsStore& store) : store_(store) {}
  void SetChartAxis(bool automatic, int maximum) override {
    calls << QStringLiteral("axis %1 %2").arg(automatic).arg(maximum);
  }
  void SetChartVisible(bool visible) override { calls << QStringLiteral("chart %1").arg(visible); }
  void SetStartQuery(bool enabled) override { calls << QStringLiteral("start %1").arg(enabled); }
  bool ApplyQuerySettings(QueryTimers which) override {
    const Settings s = store_.Snapshot();
    const char* names[] = {"both", "all", "selected"};
    calls << QStringLiteral("query %1").arg(names[static_cast<int>(which)]);
    if (which != QueryTimers::Selected && !AllServersQueryPlan(s)) {
      ShowIntegerError(nullptr, s.cqt);
      return false;
    }
    if (which != QueryTimers::AllServers && !SelectedQueryPlan(s)) {
      ShowIntegerError(nullptr, s.sqt);
      return false;
    }
    return true;
  }
  void SkinningChanged(bool on) override { calls << QStringLiteral("skin %1").arg(on); }

  QStringList calls;

 private:
  SettingsStore& store_;
};

class MessageRecorder {
 public:
  MessageRecorder() {
    previous_ = SetMessageFunction([this](QWidget*, MessageKind, const QString&, const QString& t) {
      texts << t;
      return true;
    });
  }
  ~MessageRecorder() { SetMessageFunction(previous_); }
  QStringList texts;

 private:
  MessageFunction previous_;
};

// Non-blank lines of a file, CR LF stripped.
QStringList FileLines(const QString& path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return {};
  QStringList lines;
  for (const QByteArray& raw : f.readAll().split('\n')) {
    QByteArray line = raw;
    if (line.endsWith('\r')) line.chop(1);
    if (!line.isEmpty()) lines << QString::fromLatin1(line);
  }
  return lines;
}

void WriteFile(const QString& path, const QByteArray& text) {
  QFile f(path);
  QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
  f.write(text);
}

template <class T>
T* Child(QWidget& w, const char* name) {
  T* c = w.findChild<T*>(QString::fromLatin1(name));
  if (!c) qFatal("control %s missing", name);
  return c;
}

QString Cell(QWidget& w, int row, int col) {
  QTableWidgetItem* item = Child<QTableWidget>(w, "StringGrid1")->item(row, col);
  return item ? item->text() : QStringLiteral("<none>");
}

}  // namespace

class TestSettingsWindow : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    QVERIFY(dir_.isValid());
    ini_ = dir_.filePath(QStringLiteral("config.ini"));
    QFile::remove(ini_);
  }
  void cleanup() { SetSkinning(false); }

  void firstStartWritesEveryKeyAndApplies() {
    MessageRecorder boxes;
    SettingsStore store;
    FakeHooks hooks(store);
    GameExecutables installed;
    installed.cod1 = "/games/cod/CoDMP.exe";
    installed.coduo = "/games/cod/CoDUOMP.exe";
    installed.cod2 = "/games/cod2/CoD2MP_s.exe";
    {
      TForm3 w(store, &hooks);
      QCOMPARE(w.windowTitle(), QStringLiteral("Einstellungen"));
      w.FormCreate(ini_.toStdString(), installed);
      QVERIFY(boxes.texts.isEmpty());
      // Look first, then axis, start sweep, periodic queries, chart layout.
      QCOMPARE(hooks.calls,
               (QStringList{"skin 1", "axis 0 200", "start 1", "query both", "chart 1"}));
      QVERIFY(SkinningOn());
      QVERIFY(Child<QCheckBox>(w, "CheckBox1")->isChecked());
      QCOMPARE(Child<UpDownEdit>(w, "LabeledEdit1")->text(), QStringLiteral("200"));
      QCOMPARE(Child<UpDownEdit>(w, "LabeledEdit2")->text(), QStringLiteral("200"));
      QVERIFY(!Child<QCheckBox>(w, "CheckBox2")->isChecked());
      QCOMPARE(Child<QLineEdit>(w, "Edit1")->text(), QStringLiteral("5"));
      QCOMPARE(Child<QLineEdit>(w, "Edit2")->text(), QStringLiteral("1"));
      QVERIFY(Child<QCheckBox>(w, "CheckBox6")->isChecked());
      QVERIFY(!Child<QRadioButton>(w, "RadioButton1")->isChecked());
      QVERIFY(Child<QRadioButton>(w, "RadioButton2")->isChecked());
      QVERIFY(!Child<QRadioButton>(w, "RadioButton3")->isChecked());
      QVERIFY(!Child<QGroupBox>(w, "GroupBoxKickBan")->isVisibleTo(&w));
      QCOMPARE(Cell(w, 0, 0), QStringLiteral("COD1(5)"));
      QCOMPARE(Cell(w, 1, 0), QStringLiteral("COD1:UO(21)"));
      QCOMPARE(Cell(w, 1, 1), QStringLiteral("1.41"));
      QCOMPARE(Cell(w, 0, 2), QStringLiteral("/games/cod/CoDMP.exe"));
      QCOMPARE(Cell(w, 1, 2), QStringLiteral("/games/cod/CoDUOMP.exe"));
      QCOMPARE(Cell(w, 6, 2), QStringLiteral("/games/cod2/CoD2MP_s.exe"));
      auto* grid = Child<QTableWidget>(w, "StringGrid1");
      QCOMPARE(grid->horizontalHeaderItem(2)->text(), QStringLiteral("Pfad zur COD-EXE"));
      QCOMPARE(grid->columnWidth(0), 90);
      QCOMPARE(grid->columnWidth(1), 50);
      QVERIFY(!Child<QCheckBox>(w, "CheckBox9")->icon().isNull());
    }
    const QStringList expected = {"[Ping]",
                                  "aktive=1",
                                  "datenmenge=200",
                                  "ymax=200",
                                  "yauto=0",
                                  "[Serverlist]",
                                  "startq=1",
                                  "cq=1",
                                  "sq=1",
                                  "cqt=5",
                                  "sqt=1",
                                  "[cod]",
                                  "param=",
                                  "[KickBan]",
                                  "k=0",
                                  "b=0",
                                  "[CodExePath]",
                                  "5=/games/cod/CoDMP.exe",
                                  "6=/games/cod/CoDUOMP.exe",
                                  "21=/games/cod/CoDMP.exe",
                                  "22=/games/cod/CoDUOMP.exe",
                                  "115=/games/cod2/CoD2MP_s.exe",
                                  "117=/games/cod2/CoD2MP_s.exe",
                                  "118=/games/cod2/CoD2MP_s.exe",
                                  "[Join]",
                                  "ask=1",
                                  "noop=0",
                                  "min=1",
                                  "quit=0",
                                  "[Network]",
                                  "ducking=1",
                                  "[Design]",
                                  "enabled=1",
                                  "[Info]",
                                  "version=1",
                                  "pwd=1",
                                  "rcon=1",
                                  "ff=1",
                                  "kc=1",
                                  "ac=1",
                                  "vc=1",
                                  "fl=1",
                                  "prov=1",
                                  "[Colors]",
                                  "se=1",
                                  "sp=1",
                                  "[History]",
                                  "enabled=1",
                                  "days=90"};
    QCOMPARE(FileLines(ini_), expected);
  }

  void crosswisePathsAndChoosingAnExecutable() {
    WriteFile(ini_,
              "[CodExePath]\r\n5=C:\\cod\\CoDMP.exe\r\n6=C:\\uo\\uo21.exe\r\n"
              "21=C:\\cod\\cod6.exe\r\n");
    QTemporaryDir exeDir;
    const QString exe = exeDir.filePath(QStringLiteral("CoDMP.exe"));
    WriteFile(exe, "MZ");
    SettingsStore store;
    {
      TForm3 w(store, nullptr);
      w.FormCreate(ini_.toStdString(), GameExecutables{});
      QCOMPARE(Cell(w, 1, 2), QStringLiteral("C:\\uo\\uo21.exe"));   // row COD1:UO(21), key 6
      QCOMPARE(Cell(w, 2, 2), QStringLiteral("C:\\cod\\cod6.exe"));  // row COD1(6), key 21
      QCOMPARE(Cell(w, 3, 2), QString());
      const Settings s = store.Snapshot();
      QCOMPARE(ExecutableForProtocol(s, 21), std::string("C:\\uo\\uo21.exe"));
      QCOMPARE(ExecutableForProtocol(s, 6), std::string("C:\\cod\\cod6.exe"));

      auto* grid = Child<QTableWidget>(w, "StringGrid1");
      QStringList offered;
      QString answer = exeDir.filePath(QStringLiteral("missing.exe"));
      w.SetExecutableChooser([&](QWidget*, const QString& current) {
        offered << current;
        return answer;
      });
      grid->setCurrentCell(2, 0);
      w.StringGrid1DblClick();  // a file that does not exist changes nothing
      QCOMPARE(offered, QStringList{QStringLiteral("C:\\cod\\cod6.exe")});
      QCOMPARE(Cell(w, 2, 2), QStringLiteral("C:\\cod\\cod6.exe"));
      answer = QString();  // cancelled
      w.StringGrid1DblClick();
      QCOMPARE(Cell(w, 2, 2), QStringLiteral("C:\\cod\\cod6.exe"));
      answer = exe;
      w.StringGrid1DblClick();
      QCOMPARE(Cell(w, 2, 2), exe);
      QCOMPARE(store.Snapshot().paths[2], exe.toStdString());
      QCOMPARE(ExecutableForProtocol(store.Snapshot(), 6), exe.toStdString());
    }
    const QStringList lines = FileLines(ini_);
    QVERIFY(lines.contains(QStringLiteral("21=") + exe));
    QVERIFY(lines.contains(QStringLiteral("6=C:\\uo\\uo21.exe")));
    QVERIFY(lines.contains(QStringLiteral("5=C:\\cod\\CoDMP.exe")));
  }

  void typedValuesAreSavedAtDestruction() {
    WriteFile(ini_,
              "[ping]\r\nAKTIVE=0\r\nymax=350\r\nyauto=1\r\n[Serverlist]\r\ncqt=7\r\n"
              "[KickBan]\r\nk=1\r\nb=5\r\n[Join]\r\nnoop=1\r\nmin=1\r\nquit=0\r\n"
              "[Colors]\r\nse=0\r\n");
    SettingsStore store;
    FakeHooks hooks(store);
    {
      TForm3 w(store, &hooks);
      w.FormCreate(ini_.toStdString(), GameExecutables{});
      QCOMPARE(hooks.calls,
               (QStringList{"skin 1", "axis 1 350", "start 1", "query both", "chart 0"}));
      QVERIFY(!Child<QCheckBox>(w, "CheckBox1")->isChecked());
      QVERIFY(!Child<QCheckBox>(w, "CheckBox15")->isChecked());
      QCOMPARE(Child<QLineEdit>(w, "Edit1")->text(), QStringLiteral("7"));
      // Several Join keys true: the last true one wins.
      QVERIFY(Child<QRadioButton>(w, "RadioButton2")->isChecked());
      QVERIFY(Child<QRadioButton>(w, "RadioGroup1Item1")->isChecked());
      QVERIFY(Child<QRadioButton>(w, "RadioGroup2Item1")->isChecked());  // 5 forced into range

      w.show();
      auto* datenmenge = Child<UpDownEdit>(w, "LabeledEdit1");
      datenmenge->setFocus();
      datenmenge->selectAll();
      QTest::keyClicks(datenmenge, QStringLiteral("300"));
      QCOMPARE(store.Get(&Settings::datenmenge), std::string("300"));
      auto* param = Child<QLineEdit>(w, "Edit3");
      QTest::keyClicks(param, QStringLiteral("+set fs_game mods/"));
      param->insert(QStringLiteral("\u00e4"));
      Child<QCheckBox>(w, "CheckBox15")->click();
      Child<QRadioButton>(w, "RadioButton3")->click();
      QCOMPARE(store.Get(&Settings::join), JoinAfter::kQuit);
      Child<QCheckBox>(w, "CheckBox7")->click();
    }
    const QStringList lines = FileLines(ini_);
    for (const char* want : {"datenmenge=300", "ymax=350", "yauto=1", "cqt=7", "k=1", "b=1",
                             "noop=0", "min=0", "quit=1", "se=1", "ducking=0"}) {
      QVERIFY2(lines.contains(QString::fromLatin1(want)), want);
    }
    QVERIFY(lines.contains(QStringLiteral("param=+set fs_game mods/\u00e4")));
    // Keys already in the file keep their spelling; the file holds each once.
    QCOMPARE(lines.filter(QStringLiteral("ymax=")).size(), 1);
    QVERIFY(lines.contains(QStringLiteral("[ping]")));
    QVERIFY(lines.contains(QStringLiteral("AKTIVE=0")) ||
            lines.contains(QStringLiteral("aktive=0")));
  }

  void destructionWritesInSaveOrder() {
    SettingsStore store;
    {
      TForm3 w(store, nullptr);
      w.FormCreate(ini_.toStdString(), GameExecutables{});
      Child<QLineEdit>(w, "Edit3")->setText(QStringLiteral("+set r_mode 4"));
      // The file vanishes while the program runs: the save at the end
      // rebuilds it, section by section in the order of saving.
      QVERIFY(QFile::remove(ini_));
    }
    QStringList sections;
    for (const QString& line : FileLines(ini_)) {
      if (line.startsWith(QLatin1Char('['))) sections << line;
    }
    QCOMPARE(sections,
             (QStringList{"[Ping]", "[Serverlist]", "[KickBan]", "[CodExePath]", "[Join]",
                          "[Network]", "[Design]", "[Info]", "[Colors]", "[History]", "[cod]"}));
    QCOMPARE(FileLines(ini_).last(), QStringLiteral("param=+set r_mode 4"));
  }

  void noSaveWithoutLoad() {
    // A window that never loaded the file must not overwrite it with defaults.
    WriteFile(ini_, "[Ping]\r\nymax=999\r\n");
    SettingsStore store;
    { TForm3 w(store, nullptr); }
    QCOMPARE(FileLines(ini_), (QStringList{"[Ping]", "ymax=999"}));
  }

  void joinRadioSemantics() {
    WriteFile(ini_, "[Join]\r\nnoop=0\r\nmin=0\r\nquit=0\r\n");
    SettingsStore store;
    TForm3 w(store, nullptr);
    w.FormCreate(ini_.toStdString(), GameExecutables{});
    auto* r1 = Child<QRadioButton>(w, "RadioButton1");
    auto* r2 = Child<QRadioButton>(w, "RadioButton2");
    auto* r3 = Child<QRadioButton>(w, "RadioButton3");
    // All false: no button chosen.
    QVERIFY(!r1->isChecked() && !r2->isChecked() && !r3->isChecked());
    QCOMPARE(store.Get(&Settings::join), JoinAfter::kNone);
    r1->click();
    QCOMPARE(store.Get(&Settings::join), JoinAfter::kStayOpen);
    r3->click();
    QVERIFY(!r1->isChecked());
    QCOMPARE(store.Get(&Settings::join), JoinAfter::kQuit);
    // A change made through the store shows in the window.
    store.Update([](Settings& s) { SetJoinButton(s, JoinAfter::kMinimize, true); });
    QVERIFY(r2->isChecked());
    QVERIFY(!r3->isChecked());
    store.Set(&Settings::prov, false);
    QVERIFY(!Child<QCheckBox>(w, "CheckBox19")->isChecked());
    Child<QCheckBox>(w, "CheckBox19")->click();
    QVERIFY(store.Get(&Settings::prov));
  }

  void integerConversionFailures() {
    MessageRecorder boxes;
    WriteFile(ini_, "[Ping]\r\nymax=abc\r\n");
    SettingsStore store;
    FakeHooks hooks(store);
    TForm3 w(store, &hooks);
    w.FormCreate(ini_.toStdString(), GameExecutables{});
    QCOMPARE(boxes.texts, QStringList{QStringLiteral("'abc' ist kein gültiger Integerwert.")});
    QCOMPARE(hooks.calls, QStringList{"skin 1"});  // applying stopped at the axis

    // Reactions: a wrong axis maximum is not applied, and reported once the
    // operator has finished editing, not at each keystroke.
    hooks.calls.clear();
    auto* ymax = Child<UpDownEdit>(w, "LabeledEdit2");
    ymax->setText(QStringLiteral("150"));
    QCOMPARE(hooks.calls, QStringList{"axis 0 150"});
    ymax->setText(QString());
    ymax->setText(QStringLiteral("15x"));
    QCOMPARE(boxes.texts.size(), 1);
    emit ymax->editingFinished();
    QCOMPARE(boxes.texts.size(), 2);
    QCOMPARE(boxes.texts.last(), QStringLiteral("'15x' ist kein gültiger Integerwert."));
    QCOMPARE(hooks.calls.size(), 1);
    QCOMPARE(store.Get(&Settings::ymax), std::string("15x"));  // the text is kept as typed
    ymax->setText(QStringLiteral("150"));
    Child<QCheckBox>(w, "CheckBox2")->click();
    QCOMPARE(hooks.calls.last(), QStringLiteral("axis 1 150"));

    // "Schließen" with a wrong interval: message, window stays open.
    w.show();
    Child<QLineEdit>(w, "Edit1")->setText(QStringLiteral("5 s"));
    Child<QPushButton>(w, "Button2")->click();
    QCOMPARE(boxes.texts.last(), QStringLiteral("'5 s' ist kein gültiger Integerwert."));
    QVERIFY(w.isVisible());
    Child<QLineEdit>(w, "Edit1")->setText(QStringLiteral("10"));
    Child<QPushButton>(w, "Button2")->click();
    QVERIFY(!w.isVisible());
    QCOMPARE(hooks.calls.last(), QStringLiteral("query both"));
  }

  void immediateReactions() {
    SettingsStore store;
    FakeHooks hooks(store);
    TForm3 w(store, &hooks);
    w.FormCreate(ini_.toStdString(), GameExecutables{});
    hooks.calls.clear();
    Child<QCheckBox>(w, "CheckBox1")->click();
    Child<QCheckBox>(w, "CheckBox5")->click();
    Child<QCheckBox>(w, "CheckBox3")->click();
    Child<QCheckBox>(w, "CheckBox8")->click();
    QCOMPARE(hooks.calls, (QStringList{"chart 0", "query all", "query selected", "skin 0"}));
    QVERIFY(!store.Get(&Settings::aktive));
    QVERIFY(!store.Get(&Settings::cq));
    QVERIFY(!store.Get(&Settings::sq));
    QVERIFY(!SkinningOn());
    // Options without a reaction only reach the store.
    hooks.calls.clear();
    Child<QCheckBox>(w, "CheckBox4")->click();
    Child<QCheckBox>(w, "CheckBox12")->click();
    QVERIFY(hooks.calls.isEmpty());
    QVERIFY(!store.Get(&Settings::startq));
    QVERIFY(!store.Get(&Settings::ff));
  }

  void upDownStepsPlainDigits() {
    UpDownEdit e;
    e.setRange(1, 10000);
    e.setSingleStep(100);
    e.setText(QStringLiteral("200"));
    e.stepBy(1);
    QCOMPARE(e.text(), QStringLiteral("300"));
    e.setText(QStringLiteral("9950"));
    e.stepBy(1);
    QCOMPARE(e.text(), QStringLiteral("10000"));  // clamped, no separator
    e.setText(QStringLiteral("viel"));            // typed text is accepted as is
    QCOMPARE(e.text(), QStringLiteral("viel"));
    e.stepBy(-1);  // starts from the last number
    QCOMPARE(e.text(), QStringLiteral("9900"));
    e.setText(QStringLiteral("50"));
    e.stepBy(-3);
    QCOMPARE(e.text(), QStringLiteral("1"));
  }

 private:
  QTemporaryDir dir_;
  QString ini_;
};

QTEST_MAIN(TestSettingsWindow)
#include "test_settingswindow.moc"
