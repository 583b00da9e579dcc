// The settings store: loading and completing config.ini at start, saving at
// the end, the path table, the Join radio group, the integer options and
// thread-safe access.
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <atomic>
#include <climits>
#include <filesystem>
#include <string>
#include <thread>

#include "core/profile.h"
#include "core/settings.h"
#include "filebytes.h"

using namespace zelmora;

Q_DECLARE_METATYPE(zelmora::JoinAfter)

namespace {

using zelmora::testing::ReadAll;
using zelmora::testing::WriteAll;

// Lines joined with CR LF, as config.ini is written.
std::string Crlf(std::initializer_list<const char*> lines) {
  std::string out;
  for (const char* l : lines) {
    out += l;
    out += "\r\n";
  }
  return out;
}

const GameExecutables kInstalled{"/games/cod/CoDMP.exe", "/games/uo/CoDUOMP.exe",
                                 "/games/cod2/CoD2MP_s.exe"};

}  // namespace

class TestSettings : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir dir_;
  QString Ini() const { return dir_.filePath("config.ini"); }

 private slots:
  void init() {
    QVERIFY(dir_.isValid());
    QFile::remove(Ini());
  }

  void firstStartWritesEveryKeyInOrder() {
    SettingsStore store;
    ProfileFile ini(Ini().toStdString());
    QVERIFY(store.LoadAndComplete(ini, kInstalled));
    QCOMPARE(ReadAll(Ini()), Crlf({"[Ping]",
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
                                   "6=/games/uo/CoDUOMP.exe",
                                   "21=/games/cod/CoDMP.exe",
                                   "22=/games/uo/CoDUOMP.exe",
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
                                   "days=90"}));
    // The defaults: chart on with 200 samples and a fixed maximum of 200,
    // start query on, all servers every 5 s, the selected one every second,
    // join dialog asked for, "Programm minimieren" chosen.
    const Settings s = store.Snapshot();
    QVERIFY(s.aktive && !s.yauto && s.startq && s.cq && s.sq && s.ask);
    QCOMPARE(ConvertInteger(s.datenmenge), std::optional<std::int32_t>(200));
    QCOMPARE(ConvertInteger(s.ymax), std::optional<std::int32_t>(200));
    QCOMPARE(AllServersQueryPlan(s)->intervalMs, 5000);
    QCOMPARE(SelectedQueryPlan(s)->intervalMs, 1000);
    QCOMPARE(s.join, JoinAfter::kMinimize);
  }

  void firstStartWithoutInstalledGames() {
    SettingsStore store;
    ProfileFile ini(Ini().toStdString());
    QVERIFY(store.LoadAndComplete(ini, GameExecutables{}));
    const std::string text = ReadAll(Ini());
    QVERIFY(text.find(Crlf({"[CodExePath]", "5=", "6=", "21=", "22=", "115=", "117=", "118=",
                            "[Join]"})) != std::string::npos);
    for (const std::string& p : store.Snapshot().paths) QVERIFY(p.empty());
  }

  void loadsFileOfTheOriginalAndWritesBackWhatWasTaken() {
    WriteAll(Ini(), Crlf({"[ping]",
                          "AKTIVE=0",
                          "Datenmenge=500",
                          "ymax=abc",
                          "yauto=2",
                          "[SERVERLIST]",
                          "startq=0",
                          "cq=-1",
                          "sq=x",
                          "cqt=10",
                          "sqt=0",
                          "[COD]",
                          "param=+set r_mode 3",
                          "[kickban]",
                          "k=1",
                          "b=7",
                          "[codexepath]",
                          "5=C:\\Games\\CoD\\CoDMP.exe",
                          "6=C:\\Games\\UO\\CoDUOMP.exe",
                          "21=",
                          "[join]",
                          "ASK=0",
                          "noop=1",
                          "min=0",
                          "quit=0",
                          "[Design]",
                          "enabled=0",
                          "[info]",
                          "ff=0",
                          "prov=0",
                          "[colors]",
                          "sp=0"}));
    SettingsStore store;
    ProfileFile ini(Ini().toStdString());
    QVERIFY(store.LoadAndComplete(ini, GameExecutables{"I1", "IU", "I2"}));
    const Settings s = store.Snapshot();
    QVERIFY(!s.aktive);
    QCOMPARE(s.datenmenge, std::string("500"));
    QCOMPARE(s.ymax, std::string("abc"));  // kept as text, fails only where it is used
    QVERIFY(s.yauto);                      // any integer but 0 is true
    QVERIFY(!s.startq);
    QVERIFY(s.cq);
    QVERIFY(s.sq);  // not an integer: default
    QCOMPARE(s.cqt, std::string("10"));
    QCOMPARE(s.sqt, std::string("0"));
    QCOMPARE(s.param, std::string("+set r_mode 3"));
    QCOMPARE(s.k, 1);
    QCOMPARE(s.b, 1);  // radio group of two items: forced into range
    QCOMPARE(s.paths[0], std::string("C:\\Games\\CoD\\CoDMP.exe"));
    QCOMPARE(s.paths[1], std::string("C:\\Games\\UO\\CoDUOMP.exe"));
    QCOMPARE(s.paths[2], std::string("I1"));
    QCOMPARE(s.paths[3], std::string("IU"));
    QCOMPARE(s.paths[6], std::string("I2"));
    QVERIFY(!s.ask);
    QCOMPARE(s.join, JoinAfter::kStayOpen);
    QVERIFY(s.ducking);
    QVERIFY(!s.design);
    QVERIFY(!s.ff && !s.prov && !s.sp);
    QVERIFY(s.version && s.pwd && s.rcon && s.kc && s.ac && s.se && s.vc && s.fl);

    QCOMPARE(ReadAll(Ini()), Crlf({"[ping]",
                                   "AKTIVE=0",
                                   "Datenmenge=500",
                                   "ymax=abc",
                                   "yauto=1",
                                   "[SERVERLIST]",
                                   "startq=0",
                                   "cq=1",
                                   "sq=1",
                                   "cqt=10",
                                   "sqt=0",
                                   "[COD]",
                                   "param=+set r_mode 3",
                                   "[kickban]",
                                   "k=1",
                                   "b=1",
                                   "[codexepath]",
                                   "5=C:\\Games\\CoD\\CoDMP.exe",
                                   "6=C:\\Games\\UO\\CoDUOMP.exe",
                                   "21=I1",
                                   "22=IU",
                                   "115=I2",
                                   "117=I2",
                                   "118=I2",
                                   "[join]",
                                   "ASK=0",
                                   "noop=1",
                                   "min=0",
                                   "quit=0",
                                   "[Design]",
                                   "enabled=0",
                                   "[info]",
                                   "ff=0",
                                   "prov=0",
                                   "version=1",
                                   "pwd=1",
                                   "rcon=1",
                                   "kc=1",
                                   "ac=1",
                                   "vc=1",
                                   "fl=1",
                                   "[colors]",
                                   "sp=0",
                                   "se=1",
                                   "[Network]",
                                   "ducking=1",
                                   "[History]",
                                   "enabled=1",
                                   "days=90"}));
  }

  void crosswisePathRows() {
    QCOMPARE(kPathRows[1].label, std::string_view("COD1:UO(21)"));
    QCOMPARE(kPathRows[1].key, std::string_view("6"));
    QCOMPARE(kPathRows[2].label, std::string_view("COD1(6)"));
    QCOMPARE(kPathRows[2].key, std::string_view("21"));
    WriteAll(Ini(),
             Crlf({"[CodExePath]", "5=A", "6=B", "21=C", "22=D", "115=E", "117=F", "118=G"}));
    SettingsStore store;
    ProfileFile ini(Ini().toStdString());
    QVERIFY(store.LoadAndComplete(ini, kInstalled));
    Settings s = store.Snapshot();
    // Key "6" is the row "COD1:UO(21)" and serves protocol 21; key "21" is
    // the row "COD1(6)" and serves protocol 6.
    QCOMPARE(s.paths[1], std::string("B"));
    QCOMPARE(s.paths[2], std::string("C"));
    QCOMPARE(ExecutableForProtocol(s, 5), std::string("A"));
    QCOMPARE(ExecutableForProtocol(s, 21), std::string("B"));
    QCOMPARE(ExecutableForProtocol(s, 6), std::string("C"));
    QCOMPARE(ExecutableForProtocol(s, 22), std::string("D"));
    QCOMPARE(ExecutableForProtocol(s, 115), std::string("E"));
    QCOMPARE(ExecutableForProtocol(s, 117), std::string("F"));
    QCOMPARE(ExecutableForProtocol(s, 118), std::string("G"));
    for (std::uint8_t unknown : {0, 7, 20, 116, 255})
      QCOMPARE(ExecutableForProtocol(s, unknown), std::string());

    // A path chosen for the row "COD1(6)" goes back under key "21".
    store.Update([](Settings& st) { st.paths[2] = "X"; });
    QVERIFY(store.SaveAll(ini));
    const std::string text = ReadAll(Ini());
    QVERIFY(text.find("\r\n6=B\r\n21=X\r\n22=D\r\n") != std::string::npos);
  }

  void registryFillsOnlyEmptyPathCells() {
    WriteAll(Ini(), Crlf({"[CodExePath]", "5=/gone/CoDMP.exe", "6=UOPATH"}));
    SettingsStore store;
    ProfileFile ini(Ini().toStdString());
    QVERIFY(store.LoadAndComplete(ini, kInstalled));
    const Settings s = store.Snapshot();
    QCOMPARE(ExecutableForProtocol(s, 5), std::string("/gone/CoDMP.exe"));  // kept though missing
    QCOMPARE(ExecutableForProtocol(s, 21), std::string("UOPATH"));
    QCOMPARE(ExecutableForProtocol(s, 6), kInstalled.cod1);
    QCOMPARE(ExecutableForProtocol(s, 22), kInstalled.coduo);
    QCOMPARE(ExecutableForProtocol(s, 118), kInstalled.cod2);
    QVERIFY(ReadAll(Ini()).find("21=/games/cod/CoDMP.exe\r\n22=/games/uo/CoDUOMP.exe") !=
            std::string::npos);
  }

  void joinRadioGroup_data() {
    QTest::addColumn<QByteArray>("keys");  // noop, min, quit; "-" for a missing key
    QTest::addColumn<zelmora::JoinAfter>("chosen");
    QTest::addColumn<QByteArray>("afterLoad");  // file values right after loading
    QTest::addColumn<QByteArray>("afterSave");
    QTest::newRow("all missing") << QByteArray("---") << JoinAfter::kMinimize << QByteArray("010")
                                 << QByteArray("010");
    QTest::newRow("noop") << QByteArray("100") << JoinAfter::kStayOpen << QByteArray("100")
                          << QByteArray("100");
    QTest::newRow("noop and min: min wins")
        << QByteArray("110") << JoinAfter::kMinimize << QByteArray("110") << QByteArray("010");
    QTest::newRow("all true: quit wins")
        << QByteArray("111") << JoinAfter::kQuit << QByteArray("111") << QByteArray("001");
    QTest::newRow("noop and quit")
        << QByteArray("101") << JoinAfter::kQuit << QByteArray("101") << QByteArray("001");
    QTest::newRow("all false: none")
        << QByteArray("000") << JoinAfter::kNone << QByteArray("000") << QByteArray("000");
    QTest::newRow("min missing: default true")
        << QByteArray("0-0") << JoinAfter::kMinimize << QByteArray("010") << QByteArray("010");
    QTest::newRow("nonzero is true")
        << QByteArray("900") << JoinAfter::kStayOpen << QByteArray("100") << QByteArray("100");
    QTest::newRow("not an integer: default")
        << QByteArray("0xx") << JoinAfter::kMinimize << QByteArray("010") << QByteArray("010");
  }
  void joinRadioGroup() {
    QFETCH(QByteArray, keys);
    QFETCH(zelmora::JoinAfter, chosen);
    QFETCH(QByteArray, afterLoad);
    QFETCH(QByteArray, afterSave);
    const char* names[3] = {"noop", "min", "quit"};
    std::string text = "[Join]\r\n";
    for (int i = 0; i < 3; ++i)
      if (keys[i] != '-') text += std::string(names[i]) + "=" + keys[i] + "\r\n";
    WriteAll(Ini(), text);
    SettingsStore store;
    ProfileFile ini(Ini().toStdString());
    QVERIFY(store.LoadAndComplete(ini, {}));
    QCOMPARE(store.Snapshot().join, chosen);
    for (int i = 0; i < 3; ++i)
      QCOMPARE(ini.GetString("Join", names[i], "?"), std::string(1, afterLoad[i]));
    QVERIFY(store.SaveAll(ini));
    for (int i = 0; i < 3; ++i)
      QCOMPARE(ini.GetString("Join", names[i], "?"), std::string(1, afterSave[i]));
  }

  void joinButtonsBehaveAsRadioButtons() {
    Settings s;
    SetJoinButton(s, JoinAfter::kQuit, true);
    QVERIFY(s.JoinQuit() && !s.JoinMin() && !s.JoinNoop());
    SetJoinButton(s, JoinAfter::kMinimize, false);  // not the chosen one: no change
    QCOMPARE(s.join, JoinAfter::kQuit);
    SetJoinButton(s, JoinAfter::kStayOpen, true);
    QVERIFY(s.JoinNoop() && !s.JoinQuit());
    SetJoinButton(s, JoinAfter::kStayOpen, false);
    QCOMPARE(s.join, JoinAfter::kNone);
  }

  void integerConversion_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<int>("value");
    QTest::newRow("plain") << QByteArray("200") << true << 200;
    QTest::newRow("leading blanks") << QByteArray("  5") << true << 5;
    QTest::newRow("signs") << QByteArray("-3") << true << -3;
    QTest::newRow("plus") << QByteArray("+7") << true << 7;
    QTest::newRow("max") << QByteArray("2147483647") << true << INT_MAX;
    QTest::newRow("min") << QByteArray("-2147483648") << true << INT_MIN;
    QTest::newRow("empty") << QByteArray("") << false << 0;
    QTest::newRow("letters") << QByteArray("abc") << false << 0;
    QTest::newRow("trailing blank") << QByteArray("5 ") << false << 0;
    QTest::newRow("decimal point") << QByteArray("1.5") << false << 0;
    QTest::newRow("overflow") << QByteArray("2147483648") << false << 0;
    QTest::newRow("lone sign") << QByteArray("-") << false << 0;
  }
  void integerConversion() {
    QFETCH(QByteArray, text);
    QFETCH(bool, ok);
    QFETCH(int, value);
    const auto v = ConvertInteger(text.toStdString());
    QCOMPARE(v.has_value(), ok);
    if (ok) QCOMPARE(*v, value);
  }

  void integerConversionErrorText() {
    QCOMPARE(IntegerConversionError("abc"),
             std::string("'abc' ist kein g\xC3\xBCltiger Integerwert."));
    // The option text is Windows-1252; the message is UTF-8 for the UI.
    QCOMPARE(QString::fromUtf8(IntegerConversionError("5\xE4\x80")),
             QString::fromUtf8("'5\xC3\xA4\xE2\x82\xAC' ist kein g\xC3\xBCltiger Integerwert."));
  }

  void queryTimerPlans() {
    Settings s;
    s.cqt = "7";
    s.sqt = "0";
    auto all = AllServersQueryPlan(s);
    auto sel = SelectedQueryPlan(s);
    QVERIFY(all && sel);
    QCOMPARE(all->intervalMs, 7000);
    QVERIFY(all->Fires() && !all->RefreshButtonVisible());
    QCOMPARE(sel->intervalMs, 0);
    QVERIFY(sel->on && !sel->Fires());  // on, but an interval of 0 never fires

    s.cq = false;
    s.cqt = "-4";
    all = AllServersQueryPlan(s);
    QCOMPARE(all->intervalMs, 0);
    QVERIFY(!all->Fires() && all->RefreshButtonVisible());

    s.sqt = "3000000";  // 3e9 ms does not fit a timer interval
    QCOMPARE(SelectedQueryPlan(s)->intervalMs, INT_MAX);
    s.sqt = "1s";
    QVERIFY(!SelectedQueryPlan(s));
    s.cqt = "";
    QVERIFY(!AllServersQueryPlan(s));
  }

  void saveAllWritesInShutdownOrder() {
    SettingsStore store;
    store.Update([](Settings& s) {
      s.aktive = false;
      s.datenmenge = "300";
      s.param = "+set name \"x\"";
      s.k = 1;
      s.b = -1;
      for (std::size_t i = 0; i < s.paths.size(); ++i) s.paths[i] = "p" + std::to_string(i + 1);
      s.join = JoinAfter::kQuit;
      s.design = false;
      s.vc = false;
      s.se = false;
      s.historyOn = false;
      s.historyDays = 30;
    });
    ProfileFile ini(Ini().toStdString());
    QVERIFY(store.SaveAll(ini));
    QCOMPARE(ReadAll(Ini()), Crlf({"[Ping]",
                                   "aktive=0",
                                   "datenmenge=300",
                                   "ymax=200",
                                   "yauto=0",
                                   "[Serverlist]",
                                   "startq=1",
                                   "cq=1",
                                   "sq=1",
                                   "cqt=5",
                                   "sqt=1",
                                   "[KickBan]",
                                   "k=1",
                                   "b=-1",
                                   "[CodExePath]",
                                   "5=p1",
                                   "6=p2",
                                   "21=p3",
                                   "22=p4",
                                   "115=p5",
                                   "117=p6",
                                   "118=p7",
                                   "[Join]",
                                   "ask=1",
                                   "noop=0",
                                   "min=0",
                                   "quit=1",
                                   "[Network]",
                                   "ducking=1",
                                   "[Design]",
                                   "enabled=0",
                                   "[Info]",
                                   "version=1",
                                   "pwd=1",
                                   "rcon=1",
                                   "ff=1",
                                   "kc=1",
                                   "ac=1",
                                   "vc=0",
                                   "fl=1",
                                   "prov=1",
                                   "[Colors]",
                                   "se=0",
                                   "sp=1",
                                   "[History]",
                                   "enabled=0",
                                   "days=30",
                                   "[cod]",
                                   "param=+set name \"x\""}));

    // What was saved comes back unchanged at the next start.
    SettingsStore next;
    ProfileFile again(Ini().toStdString());
    QVERIFY(next.LoadAndComplete(again, kInstalled));
    QCOMPARE(next.Snapshot(), store.Snapshot());
  }

  // The player history's keys: "Verlauf führen" and the days kept, held in
  // the range of the days field (1 to 3650).
  void historyKeys_data() {
    QTest::addColumn<QString>("enabled");
    QTest::addColumn<QString>("days");
    QTest::addColumn<bool>("on");
    QTest::addColumn<int>("kept");
    QTest::addColumn<QString>("written");
    QTest::newRow("missing") << QString() << QString() << true << 90 << "days=90";
    QTest::newRow("off, a month") << "0"
                                  << "30" << false << 30 << "days=30";
    QTest::newRow("not numbers") << "ja"
                                 << "viele" << true << 90 << "days=90";
    QTest::newRow("no day") << "1"
                            << "0" << true << 1 << "days=1";
    QTest::newRow("negative") << "2"
                              << "-7" << true << 1 << "days=1";
    QTest::newRow("beyond ten years") << "1"
                                      << "99999" << true << 3650 << "days=3650";
    QTest::newRow("beyond 32 bits") << "1"
                                    << "4294967296" << true << 90 << "days=90";
  }
  void historyKeys() {
    QFETCH(QString, enabled);
    QFETCH(QString, days);
    QFETCH(bool, on);
    QFETCH(int, kept);
    QFETCH(QString, written);
    std::string text = "[History]\r\n";
    if (!enabled.isNull()) text += "enabled=" + enabled.toStdString() + "\r\n";
    if (!days.isNull()) text += "days=" + days.toStdString() + "\r\n";
    WriteAll(Ini(), text);
    SettingsStore store;
    ProfileFile ini(Ini().toStdString());
    QVERIFY(store.LoadAndComplete(ini, kInstalled));
    QCOMPARE(store.Snapshot().historyOn, on);
    QCOMPARE(store.Snapshot().historyDays, kept);
    const std::string back = ReadAll(Ini());
    QVERIFY(back.find(std::string(on ? "enabled=1" : "enabled=0") + "\r\n" + written.toStdString() +
                      "\r\n") != std::string::npos);
  }

  void readOnlyFile() {
    namespace fs = std::filesystem;
    WriteAll(Ini(), Crlf({"[Ping]", "aktive=0"}));
    fs::permissions(Ini().toStdString(), fs::perms::owner_read);
    SettingsStore store;
    {
      ProfileFile ini(Ini().toStdString());
      // Everything is still read; the failure is reported.
      QVERIFY(!store.LoadAndComplete(ini, kInstalled));
      QVERIFY(!store.Snapshot().aktive);
      QCOMPARE(store.Snapshot().paths[0], kInstalled.cod1);
      store.Set(&Settings::aktive, true);
      QVERIFY(!store.SaveAll(ini));
    }
    QCOMPARE(ReadAll(Ini()), Crlf({"[Ping]", "aktive=0"}));
    fs::permissions(Ini().toStdString(), fs::perms::owner_read | fs::perms::owner_write);
  }

  void storeKeepsValuesInTheControlsRange() {
    SettingsStore store;
    store.Set(&Settings::k, 7);
    store.Set(&Settings::b, -5);
    store.Set(&Settings::param, std::string("+set a 1\r\n[Ping]\naktive=0"));
    store.Update([](Settings& s) { s.paths[4] = std::string("C:\\a\0b", 6); });
    QCOMPARE(store.Get(&Settings::k), 1);
    QCOMPARE(store.Get(&Settings::b), -1);
    QCOMPARE(store.Get(&Settings::param), std::string("+set a 1  [Ping] aktive=0"));
    QCOMPARE(store.Snapshot().paths[4], std::string("C:\\a b"));
    // So a saved file cannot receive extra lines.
    ProfileFile ini(Ini().toStdString());
    QVERIFY(store.SaveAll(ini));
    QCOMPARE(ini.GetString("cod", "param", ""), std::string("+set a 1  [Ping] aktive=0"));
    QCOMPARE(ini.GetString("Ping", "aktive", ""), std::string("1"));
  }

  void observersRunAfterChangesWithoutLock() {
    SettingsStore store;
    int calls = 0;
    std::string seen;
    const auto id = store.AddObserver([&] {
      ++calls;
      seen = store.Get(&Settings::cqt);  // would deadlock if called under the lock
      if (seen == "9") store.Set(&Settings::sqt, std::string("2"));  // and so would this
    });
    store.Set(&Settings::cqt, std::string("9"));
    QCOMPARE(calls, 2);  // the change and the observer's own follow-up change
    QCOMPARE(seen, std::string("9"));
    QCOMPARE(store.Get(&Settings::sqt), std::string("2"));
    store.Set(&Settings::cqt, std::string("9"));  // no change: no call
    QCOMPARE(calls, 2);
    store.RemoveObserver(id);
    store.Set(&Settings::cqt, std::string("4"));
    QCOMPARE(calls, 2);
  }

  void concurrentReadersSeeWholeStates() {
    Settings a;
    a.cqt = "10";
    a.sqt = "10";
    a.prov = false;
    a.paths.fill("/a/path/long/enough/to/leave/the/small/string/buffer.exe");
    Settings b;
    b.cqt = "20";
    b.sqt = "20";
    b.prov = true;
    b.paths.fill("/b/path/long/enough/to/leave/the/small/string/buffer.exe");
    SettingsStore store;
    store.Update([&](Settings& s) { s = a; });

    std::atomic<bool> done{false};
    std::atomic<int> torn{0};
    std::atomic<long> reads{0};
    auto reader = [&] {
      while (!done.load()) {
        const Settings s = store.Snapshot();
        if (!(s == a) && !(s == b)) ++torn;
        const std::string cqt = store.Get(&Settings::cqt);
        if (cqt != "10" && cqt != "20") ++torn;
        ++reads;
      }
    };
    std::thread r1(reader), r2(reader);
    for (int i = 0; i < 20000; ++i) store.Update([&](Settings& s) { s = (i % 2) ? a : b; });
    done = true;
    r1.join();
    r2.join();
    QCOMPARE(torn.load(), 0);
    QVERIFY(reads.load() > 0);
    QCOMPARE(store.Snapshot(), a);
  }
};

QTEST_GUILESS_MAIN(TestSettings)
#include "test_settings.moc"
