// The settings window's "Spielerverlauf": "Verlauf führen" and the days
// kept follow the store both ways and reach config.ini; "Verlauf löschen"
// asks first and clears only after OK.
#include <QCheckBox>
#include <QFile>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>

#include "core/settings.h"
#include "ui/dialogs/mainwindowhooks.h"
#include "ui/dialogs/messages.h"
#include "ui/dialogs/tform3.h"

using namespace zelmora;

namespace {

class ClearHooks : public MainWindowHooks {
 public:
  void SetChartAxis(bool, int) override {}
  void SetChartVisible(bool) override {}
  void SetStartQuery(bool) override {}
  bool ApplyQuerySettings(QueryTimers) override { return true; }
  void SkinningChanged(bool) override {}
  void ClearHistory() override { ++clears; }
  int clears = 0;
};

template <class T>
T* Child(QWidget& w, const char* name) {
  T* c = w.findChild<T*>(QString::fromLatin1(name));
  if (!c) qFatal("control %s missing", name);
  return c;
}

QByteArray FileBytes(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

}  // namespace

class TestHistorySettings : public QObject {
  Q_OBJECT

 private slots:
  void controlsFollowTheStoreAndReachTheFile() {
    QTemporaryDir dir;
    const QString ini = dir.filePath(QStringLiteral("config.ini"));
    QFile f(ini);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("[History]\r\nenabled=0\r\ndays=14\r\n");
    f.close();
    SettingsStore store;
    ClearHooks hooks;
    {
      TForm3 w(store, &hooks);
      w.FormCreate(ini.toStdString(), GameExecutables{});
      auto* on = Child<QCheckBox>(w, "CheckBox20");
      auto* days = Child<QSpinBox>(w, "SpinEdit1");
      QCOMPARE(on->text(), QStringLiteral("Verlauf führen"));
      QVERIFY(!on->isChecked());
      QCOMPARE(days->value(), 14);
      QCOMPARE(days->minimum(), 1);
      QCOMPARE(days->maximum(), kMaxHistoryDays);
      QCOMPARE(Child<QPushButton>(w, "Button3")->text(), QStringLiteral("Verlauf löschen"));

      on->click();
      QVERIFY(store.Get(&Settings::historyOn));
      days->setValue(365);
      QCOMPARE(store.Get(&Settings::historyDays), 365);
      // A change made elsewhere shows.
      store.Set(&Settings::historyDays, 7);
      QCOMPARE(days->value(), 7);
      store.Set(&Settings::historyOn, false);
      QVERIFY(!on->isChecked());
      store.Set(&Settings::historyOn, true);
    }
    QVERIFY(FileBytes(ini).contains("[History]\r\nenabled=1\r\ndays=7\r\n"));
  }

  void clearingAsksFirst_data() {
    QTest::addColumn<bool>("yes");
    QTest::addColumn<int>("clears");
    QTest::newRow("OK") << true << 1;
    QTest::newRow("Abbrechen") << false << 0;
  }
  void clearingAsksFirst() {
    QFETCH(bool, yes);
    QFETCH(int, clears);
    QStringList asked;
    const MessageFunction before =
        SetMessageFunction([&](QWidget*, MessageKind kind, const QString& title, const QString& t) {
          asked << QStringLiteral("%1|%2|%3").arg(int(kind)).arg(title, t);
          return yes;
        });
    SettingsStore store;
    ClearHooks hooks;
    TForm3 w(store, &hooks);
    Child<QPushButton>(w, "Button3")->click();
    SetMessageFunction(before);
    QCOMPARE(asked.size(), 1);
    QVERIFY(asked[0].startsWith(QStringLiteral("1|")));  // a question, OK and Cancel
    QVERIFY(asked[0].contains(QStringLiteral("Spielerverlauf löschen?")));
    QCOMPARE(hooks.clears, clears);
  }
};

QTEST_MAIN(TestHistorySettings)
#include "test_historysettings.moc"
