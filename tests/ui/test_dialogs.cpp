// Server dialog, server list operations and the own look.
#include <QApplication>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressDialog>
#include <QPushButton>
#include <QSignalSpy>
#include <QStyle>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <atomic>
#include <condition_variable>
#include <fstream>
#include <mutex>
#include <vector>

#include "core/serverfile.h"
#include "engine/selection.h"
#include "engine/serverlist.h"
#include "ui/dialogs/messages.h"
#include "ui/dialogs/serverlistops.h"
#include "ui/dialogs/skin.h"
#include "ui/dialogs/tform4.h"
#include "ui/dialogs/translations.h"

using namespace zelmora;

namespace {

struct Shown {
  MessageKind kind;
  QString title;
  QString text;
};

// Records every message box and answers questions with a preset choice.
class MessageRecorder {
 public:
  MessageRecorder() {
    previous_ =
        SetMessageFunction([this](QWidget*, MessageKind k, const QString& t, const QString& x) {
          shown.push_back({k, t, x});
          return answer;
        });
  }
  ~MessageRecorder() { SetMessageFunction(previous_); }
  std::vector<Shown> shown;
  bool answer = true;

 private:
  MessageFunction previous_;
};

Tserverrec Entry(const std::string& host, const std::string& port, const std::string& name,
                 const std::string& provider) {
  Tserverrec e;
  e.host.assign(host);
  e.port.assign(port);
  e.hostname.assign(name);
  e.provider.assign(provider);
  e.ping = 42;
  e.players = 5;
  e.maxclients = 20;
  e.protocol = 118;
  e.mapinfo.assign("^2sd ^0mp_toujane");
  return e;
}

// The list, the selection and the saved files the dialog and the list
// operations work on.
struct Lists {
  ServerList list;
  Selection selection{list};
  SavedFiles files;
  RangeTable ranges;
  explicit Lists(std::string folder) : files(std::move(folder)) {}
  const Tserverrec& At(std::size_t i) const { return list.At(i); }
  // Three servers with their ping histories, the second one selected.
  void ThreeServers() {
    list.Replace({Entry("192.0.2.1", "28960", "First", "a.example;?"),
                  Entry("192.0.2.2", "28961", "Second", "b.example;?"),
                  Entry("192.0.2.3", "28962", "Third", "c.example;DE;Germany")});
    list.MutableHistory(0) = {1, 2};
    list.MutableHistory(1) = {3, 4, 5};
    list.MutableHistory(2) = {6, 7, 8, 9};
    selection.SelectRow(1);
  }
};

// Lookups that never touch the network: names from a table, fixed reverse
// name.
HostLookup Found(std::string address) {
  HostLookup r;
  r.status = HostLookup::Status::kFound;
  r.address = std::move(address);
  return r;
}

NameLookups FakeLookups() {
  NameLookups l;
  l.resolve = [](std::string_view text) {
    if (text == "game.example") return Found("192.0.2.77");
    if (!text.empty() && text.find_first_not_of("0123456789.") == std::string_view::npos)
      return Found(std::string(text));
    HostLookup unknown;
    unknown.status = HostLookup::Status::kUnknown;
    return unknown;
  };
  l.reverse = [](std::string_view dotted) -> std::string {
    return dotted == "192.0.2.77" ? "game.example" : "?";
  };
  return l;
}

// Presses "Abbrechen" of the lookup's progress window once it is up.
void CancelProgressSoon() {
  auto* timer = new QTimer;
  QObject::connect(timer, &QTimer::timeout, timer, [timer] {
    for (QWidget* w : QApplication::topLevelWidgets()) {
      if (auto* p = qobject_cast<QProgressDialog*>(w); p && p->isVisible()) {
        QPushButton* button = p->findChild<QPushButton*>();
        if (!button || button->text() != QStringLiteral("Abbrechen")) return;
        button->click();
        timer->deleteLater();
        return;
      }
    }
  });
  timer->start(20);
}

Tserverlist ReadFile(const std::string& path) {
  Tserverlist list;
  std::string error;
  if (!LoadServers(path, list, &error)) qWarning("load failed: %s", error.c_str());
  return list;
}

}  // namespace

class TestDialogs : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    QVERIFY(dir_.isValid());
    serversPath_ = dir_.filePath(QStringLiteral("Servers.dat")).toStdString();
    QFile::remove(QString::fromStdString(serversPath_));
  }

  // --- server dialog ------------------------------------------------------

  void hostPortSplit_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("host");
    QTest::addColumn<QString>("port");
    QTest::newRow("pasted") << "192.0.2.5:28970"
                            << "192.0.2.5"
                            << "28970";
    QTest::newRow("port cut to 9") << "192.0.2.4:1234567890"
                                   << "192.0.2.4"
                                   << "123456789";
    QTest::newRow("first colon") << "a.example:1:2"
                                 << "a.example"
                                 << "1:2";
    QTest::newRow("empty port") << "a.example:"
                                << "a.example"
                                << "";
    QTest::newRow("no colon keeps port") << "a.example"
                                         << "a.example"
                                         << "28960";
  }
  void hostPortSplit() {
    QFETCH(QString, typed);
    QFETCH(QString, host);
    QFETCH(QString, port);
    Lists st(Folder());
    TForm4 dlg(st.list, st.selection, st.files, st.ranges);
    QCOMPARE(dlg.Edit2->text(), QStringLiteral("28960"));
    dlg.Edit1->setText(typed);
    QCOMPARE(dlg.Edit1->text(), host);
    QCOMPARE(dlg.Edit2->text(), port);
  }

  void typingColonMovesToPortWithoutLosingHost() {
    Lists st(Folder());
    TForm4 dlg(st.list, st.selection, st.files, st.ranges);
    dlg.Edit2->setText(QStringLiteral("28960"));
    dlg.show();
    QApplication::setActiveWindow(&dlg);
    QVERIFY(QTest::qWaitForWindowActive(&dlg));
    dlg.Edit1->setFocus();
    QTest::keyClicks(dlg.Edit1, QStringLiteral("192.0.2.7"));
    QTest::keyClick(dlg.Edit1, Qt::Key_Colon, Qt::ShiftModifier);
    QCOMPARE(dlg.Edit1->text(), QStringLiteral("192.0.2.7"));  // nothing typed before ":" lost
    QVERIFY(dlg.Edit2->hasFocus());
    QCOMPARE(dlg.Edit2->text(), QString());  // nothing after the ":" yet
    // A plain period is part of the address and keeps the focus.
    dlg.Edit2->setText(QStringLiteral("28960"));
    dlg.Edit1->setFocus();
    QTest::keyClick(dlg.Edit1, Qt::Key_Period);
    QVERIFY(dlg.Edit1->hasFocus());
    QCOMPARE(dlg.Edit1->text(), QStringLiteral("192.0.2.7."));
    // Shift+period on a layout that reports the period key: port selected.
    QTest::keyClick(dlg.Edit1, Qt::Key_Period, Qt::ShiftModifier);
    QVERIFY(dlg.Edit2->hasFocus());
    QCOMPARE(dlg.Edit2->selectedText(), QStringLiteral("28960"));
  }

  // A port that is no whole number from 1 to 65535 is refused before any
  // lookup; a good one is stored as replies name it.
  void badPortIsRefused_data() {
    QTest::addColumn<QString>("port");
    QTest::newRow("letter") << "4196x";
    QTest::newRow("zero") << "0";
    QTest::newRow("too big") << "65536";
    QTest::newRow("negative") << "-5";
    QTest::newRow("empty") << "";
  }
  void badPortIsRefused() {
    QFETCH(QString, port);
    MessageRecorder boxes;
    Lists st(Folder());
    TForm4 dlg(st.list, st.selection, st.files, st.ranges);
    int lookups = 0;
    NameLookups l = FakeLookups();
    l.resolve = [&lookups](std::string_view t) {
      ++lookups;
      HostLookup r;
      r.status = HostLookup::Status::kFound;
      r.address = std::string(t);
      return r;
    };
    dlg.SetLookups(l);
    dlg.BeginAdd();
    dlg.Edit1->setText(QStringLiteral("192.0.2.9"));
    dlg.Edit2->setText(port);
    dlg.Button2Click();
    QCOMPARE(boxes.shown.size(), size_t(1));
    QVERIFY(boxes.shown[0].text.contains(QStringLiteral("1 bis 65535")));
    QCOMPARE(lookups, 0);
    QVERIFY(st.list.Empty());
    dlg.Edit2->setText(QStringLiteral("028960"));
    dlg.Button2Click();
    QCOMPARE(st.list.Size(), size_t(1));
    QCOMPARE(st.At(0).port.str(), std::string("28960"));
  }

  void duplicateIsRejected() {
    MessageRecorder boxes;
    Lists st(Folder());
    st.ThreeServers();
    TForm4 dlg(st.list, st.selection, st.files, st.ranges);
    dlg.SetLookups(FakeLookups());
    dlg.BeginAdd();
    dlg.Edit1->setText(QStringLiteral(" 192.0.2.2\t"));
    dlg.Edit2->setText(QStringLiteral("28961 "));
    dlg.Button2Click();
    QCOMPARE(boxes.shown.size(), size_t(1));
    QCOMPARE(boxes.shown[0].kind, MessageKind::Plain);
    QCOMPARE(boxes.shown[0].text, QStringLiteral("Server schon vorhanden!"));
    QCOMPARE(st.list.Size(), size_t(3));
    QCOMPARE(st.At(1).ping, 42);  // nothing reset, nothing saved
    QVERIFY(!QFile::exists(QString::fromStdString(serversPath_)));
    QVERIFY(dlg.result() != QDialog::Accepted);
    QCOMPARE(dlg.Edit1->text(), QStringLiteral(" 192.0.2.2\t"));  // texts kept

    // The same address with another port is a different server.
    dlg.Edit2->setText(QStringLiteral("28999"));
    dlg.Button2Click();
    QCOMPARE(boxes.shown.size(), size_t(1));
    QCOMPARE(st.list.Size(), size_t(4));
    QCOMPARE(st.At(3).host.str(), std::string("192.0.2.2"));
    QCOMPARE(st.At(3).port.str(), std::string("28999"));
    QCOMPARE(dlg.result(), int(QDialog::Accepted));
  }

  void addResolvesNameAndSaves() {
    MessageRecorder boxes;
    Lists st(Folder());
    st.ThreeServers();
    TForm4 dlg(st.list, st.selection, st.files, st.ranges);
    dlg.SetLookups(FakeLookups());
    dlg.BeginAdd();
    dlg.Edit1->setText(QStringLiteral("  game.example "));
    dlg.Edit2->setText(QStringLiteral("28970"));
    // A blank in the password could never be accepted by the server (and
    // its rest would run as a command on some): refused where it is typed.
    dlg.Edit3->setText(QStringLiteral(" se cret "));
    dlg.Button2Click();
    QCOMPARE(boxes.shown.size(), size_t(1));
    QCOMPARE(st.list.Size(), size_t(3));
    boxes.shown.clear();
    dlg.Edit3->setText(QStringLiteral("se;cret"));
    dlg.Button2Click();
    QVERIFY(boxes.shown.empty());
    QCOMPARE(st.list.Size(), size_t(4));
    QCOMPARE(st.list.Histories().size(), size_t(4));
    QVERIFY(st.list.History(3).empty());
    QVERIFY(st.list.History(2) == tpingit({6, 7, 8, 9}));
    const Tserverrec& e = st.At(3);
    QCOMPARE(e.host.str(), std::string("192.0.2.77"));   // stored dotted, not the name
    QCOMPARE(e.rconpass.str(), std::string("se;cret"));  // password as typed
    QCOMPARE(e.provider.str(), std::string("game.example;?"));
    // Every entry is reset and loses its name until it answers again.
    for (const Tserverrec& r : st.list.Entries()) {
      QCOMPARE(r.players, -1);
      QCOMPARE(r.maxclients, -1);
      QVERIFY(r.hostname.empty());
    }
    QCOMPARE(st.At(2).provider.str(), std::string("c.example;DE;Germany"));
    const Tserverlist saved = ReadFile(serversPath_);
    QCOMPARE(saved.size(), size_t(4));
    QCOMPARE(saved[3].host.str(), std::string("192.0.2.77"));
    QCOMPARE(saved[3].rconpass.str(), std::string("se;cret"));
    QCOMPARE(QFileInfo(QString::fromStdString(serversPath_)).size(), qint64(4 * kServerRecSize));
  }

  void unresolvedNameIsStoredAsTyped() {
    MessageRecorder boxes;
    Lists st(Folder());
    TForm4 dlg(st.list, st.selection, st.files, st.ranges);
    NameLookups l = FakeLookups();
    dlg.SetLookups(l);
    // The resolver does not know the name: stored as typed.
    dlg.Edit1->setText(QStringLiteral("no.such.host"));
    dlg.Button2Click();
    QVERIFY(boxes.shown.empty());
    QCOMPARE(st.list.Size(), size_t(1));
    QCOMPARE(st.At(0).host.str(), std::string("no.such.host"));
    QCOMPARE(st.At(0).provider.str(), std::string("?;?"));
    // The socket library did not start: the message, then as not found.
    l.resolve = [](std::string_view) {
      HostLookup r;
      r.libraryFailed = true;
      return r;
    };
    dlg.SetLookups(l);
    dlg.Edit1->setText(QStringLiteral("other.host"));
    dlg.Button2Click();
    QCOMPARE(boxes.shown.size(), size_t(1));
    QCOMPARE(boxes.shown[0].text, QStringLiteral("DNS-Resolve error - Winsock is not responding."));
    QCOMPARE(st.list.Size(), size_t(2));
    QCOMPARE(st.At(1).host.str(), std::string("other.host"));
  }

  // A resolver that cannot answer now (a temporary failure) has not said
  // the name is unknown: nothing is stored, the dialog stays open.
  void temporaryResolverFailureStoresNothing() {
    MessageRecorder boxes;
    Lists st(Folder());
    TForm4 dlg(st.list, st.selection, st.files, st.ranges);
    NameLookups l = FakeLookups();
    l.resolve = [](std::string_view) {
      HostLookup r;
      r.status = HostLookup::Status::kFailed;
      r.reason = "Temporary failure in name resolution";
      return r;
    };
    dlg.SetLookups(l);
    dlg.Edit1->setText(QStringLiteral("flaky.example"));
    dlg.Button2Click();
    QCOMPARE(boxes.shown.size(), size_t(1));
    QVERIFY(boxes.shown[0].text.contains(QStringLiteral("flaky.example")));
    QVERIFY(boxes.shown[0].text.contains(QStringLiteral("Temporary failure")));
    QVERIFY(st.list.Empty());
    QVERIFY(dlg.result() != int(QDialog::Accepted));
    QCOMPARE(dlg.Edit1->text(), QStringLiteral("flaky.example"));
  }

  // A slow resolver is waited for, however long it takes, while the window
  // keeps running its events; its answer is the one stored. "Abbrechen"
  // leaves everything as it was, and the abandoned lookup touches nothing.
  void slowResolverIsWaitedForOrCancelled() {
    MessageRecorder boxes;
    Lists st(Folder());
    TForm4 dlg(st.list, st.selection, st.files, st.ranges);
    struct Gate {
      std::mutex m;
      std::condition_variable cv;
      bool open = false;
      std::atomic<int> finished{0};
    };
    auto gate = std::make_shared<Gate>();
    NameLookups l = FakeLookups();
    l.resolve = [gate](std::string_view) {
      std::unique_lock<std::mutex> lock(gate->m);
      gate->cv.wait(lock, [&] { return gate->open; });
      ++gate->finished;
      return Found("192.0.2.200");
    };
    dlg.SetLookups(l);
    dlg.Edit1->setText(QStringLiteral("slow.example"));
    // Events go on while the lookup blocks; the answer comes after 1.5 s,
    // far beyond any deadline of old.
    int ticks = 0;
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, [&] { ++ticks; });
    tick.start(20);
    QTimer::singleShot(1500, [gate] {
      {
        std::lock_guard<std::mutex> lock(gate->m);
        gate->open = true;
      }
      gate->cv.notify_all();
    });
    dlg.Button2Click();
    QVERIFY2(ticks > 20, qPrintable(QString::number(ticks)));
    QVERIFY(boxes.shown.empty());
    QCOMPARE(st.list.Size(), size_t(1));
    QCOMPARE(st.At(0).host.str(), std::string("192.0.2.200"));
    QCOMPARE(dlg.result(), int(QDialog::Accepted));

    // Cancelled: nothing changes; the lookup ends later on its own.
    {
      std::lock_guard<std::mutex> lock(gate->m);
      gate->open = false;
    }
    dlg.setResult(0);
    dlg.Edit1->setText(QStringLiteral("slower.example"));
    CancelProgressSoon();
    dlg.Button2Click();
    QCOMPARE(st.list.Size(), size_t(1));
    QVERIFY(dlg.result() != int(QDialog::Accepted));
    {
      std::lock_guard<std::mutex> lock(gate->m);
      gate->open = true;
    }
    gate->cv.notify_all();
    QTRY_COMPARE(gate->finished.load(), 2);
    QCOMPARE(st.list.Size(), size_t(1));
  }

  // "Server editieren" changes the entry where it stands: same row, same
  // identity, its ping history and the selection stay with it.
  void editChangesTheEntryInPlace() {
    MessageRecorder boxes;
    Lists st(Folder());
    st.ThreeServers();
    st.selection.SelectRow(0);
    st.list.MutableAt(0).rconpass.assign("pw");
    const std::uint64_t uid = st.At(0).uid;
    QSignalSpy edited(&st.list, &ServerList::EntryEdited);
    TForm4 dlg(st.list, st.selection, st.files, st.ranges);
    dlg.SetLookups(FakeLookups());
    QVERIFY(dlg.BeginEdit());
    QVERIFY(dlg.editMode);
    QCOMPARE(dlg.editUid, uid);
    QCOMPARE(dlg.Edit1->text(), QStringLiteral("192.0.2.1"));
    QCOMPARE(dlg.Edit2->text(), QStringLiteral("28960"));
    QCOMPARE(dlg.Edit3->text(), QStringLiteral("pw"));
    dlg.Button2Click();
    QVERIFY(boxes.shown.empty());  // not its own duplicate
    QCOMPARE(st.list.Size(), size_t(3));
    QCOMPARE(st.At(0).uid, uid);
    QCOMPARE(st.At(0).host.str(), std::string("192.0.2.1"));
    QCOMPARE(st.At(0).rconpass.str(), std::string("pw"));
    QCOMPARE(st.At(1).host.str(), std::string("192.0.2.2"));
    QVERIFY(st.list.History(0) == tpingit({1, 2}));
    QVERIFY(st.list.History(2) == tpingit({6, 7, 8, 9}));
    QCOMPARE(st.selection.SelectedUid(), uid);
    QCOMPARE(edited.count(), 1);
    QCOMPARE(edited[0][1].toBool(), false);  // the address stayed
    for (const Tserverrec& r : st.list.Entries()) {
      QCOMPARE(r.players, -1);
      QVERIFY(r.hostname.empty());
    }
    QCOMPARE(ReadFile(serversPath_).size(), size_t(3));

    // A new port and password: still the same entry, now told as moved.
    QVERIFY(dlg.BeginEdit());
    dlg.Edit2->setText(QStringLiteral("28999"));
    dlg.Edit3->setText(QStringLiteral("new"));
    dlg.Button2Click();
    QCOMPARE(st.At(0).uid, uid);
    QCOMPARE(st.At(0).port.str(), std::string("28999"));
    QCOMPARE(st.At(0).rconpass.str(), std::string("new"));
    QCOMPARE(st.selection.Index(), 0);
    QCOMPARE(edited.count(), 2);
    QCOMPARE(edited[1][0].value<std::uint64_t>(), uid);
    QCOMPARE(edited[1][1].toBool(), true);
    const Tserverlist saved = ReadFile(serversPath_);
    QCOMPARE(saved.size(), size_t(3));
    QCOMPARE(saved[0].port.str(), std::string("28999"));
    QCOMPARE(saved[0].rconpass.str(), std::string("new"));

    // Editing into another entry's address is a duplicate.
    QVERIFY(dlg.BeginEdit());
    dlg.Edit1->setText(QStringLiteral("192.0.2.3"));
    dlg.Edit2->setText(QStringLiteral("28962"));
    dlg.Button2Click();
    QCOMPARE(boxes.shown.size(), size_t(1));
    QCOMPARE(boxes.shown[0].text, QStringLiteral("Server schon vorhanden!"));
    QCOMPARE(st.At(0).host.str(), std::string("192.0.2.1"));
    QCOMPARE(edited.count(), 2);

    // The entry went while the dialog was open: what was typed is added.
    dlg.Edit1->setText(QStringLiteral("192.0.2.1"));
    dlg.Edit2->setText(QStringLiteral("28960"));
    st.list.RemoveAt(0);
    dlg.Button2Click();
    QCOMPARE(st.list.Size(), size_t(3));
    QCOMPARE(st.At(2).host.str(), std::string("192.0.2.1"));
    QVERIFY(st.At(2).uid != uid);

    // Edit without a valid selection does nothing.
    st.selection.SelectRow(7);
    dlg.editMode = false;
    QVERIFY(!dlg.BeginEdit());
    QVERIFY(!dlg.editMode);
  }

  // --- list operations ------------------------------------------------------

  void deleteKeepsSelectedAndHistories() {
    MessageRecorder boxes;
    Lists st(Folder());
    st.ThreeServers();
    QVERIFY(DeleteSelectedServer(nullptr, st.list, st.selection, st.files));
    QCOMPARE(boxes.shown.size(), size_t(1));
    QCOMPARE(boxes.shown[0].kind, MessageKind::Question);
    QCOMPARE(boxes.shown[0].title, QStringLiteral("Frage"));
    QCOMPARE(boxes.shown[0].text, QStringLiteral("Server wirklich löschen?"));
    QCOMPARE(st.selection.Index(), 1);
    QCOMPARE(st.list.Size(), size_t(2));
    QCOMPARE(st.At(0).hostname.str(), std::string("First"));
    QCOMPARE(st.At(1).host.str(), std::string("192.0.2.3"));
    QCOMPARE(st.At(1).hostname.str(), std::string("Third"));
    QCOMPARE(st.At(1).provider.str(), std::string("c.example;DE;Germany"));
    QCOMPARE(st.list.Histories().size(), size_t(2));
    QVERIFY(st.list.History(0) == tpingit({1, 2}));
    QVERIFY(st.list.History(1) == tpingit({6, 7, 8, 9}));
    QCOMPARE(st.At(1).players, -1);
    QVERIFY(st.At(1).mapinfo.empty());
    const Tserverlist saved = ReadFile(serversPath_);
    QCOMPARE(saved.size(), size_t(2));
    QCOMPARE(saved[1].hostname.str(), std::string("Third"));

    // Deleting the last one leaves nothing selected.
    st.selection.SelectRow(1);
    QVERIFY(DeleteSelectedServer(nullptr, st.list, st.selection, st.files));
    QCOMPARE(st.selection.Index(), -1);
    QVERIFY(!st.selection.Valid());
    QCOMPARE(st.list.Size(), size_t(1));
    QCOMPARE(st.list.Histories().size(), size_t(1));
  }

  void cancelledDeleteStillResets() {
    MessageRecorder boxes;
    boxes.answer = false;
    Lists st(Folder());
    st.ThreeServers();
    QVERIFY(!DeleteSelectedServer(nullptr, st.list, st.selection, st.files));
    QCOMPARE(boxes.shown.size(), size_t(1));
    QCOMPARE(st.list.Size(), size_t(3));
    QCOMPARE(st.list.Histories().size(), size_t(3));
    for (const Tserverrec& e : st.list.Entries()) {
      QCOMPARE(e.players, -1);
      QCOMPARE(e.maxclients, -1);
      QCOMPARE(e.ping, -1);
    }
    QCOMPARE(st.At(2).hostname.str(), std::string("Third"));
    QVERIFY(!QFile::exists(QString::fromStdString(serversPath_)));

    // Without a valid selection there is no question and nothing is removed.
    boxes.answer = true;
    st.selection.SelectRow(-1);
    QVERIFY(!DeleteSelectedServer(nullptr, st.list, st.selection, st.files));
    QCOMPARE(boxes.shown.size(), size_t(1));
    QCOMPARE(st.list.Size(), size_t(3));
  }

  void clearRemovesServersFile() {
    MessageRecorder boxes;
    Lists st(Folder());
    st.ThreeServers();
    QVERIFY(SaveServers(serversPath_, st.list.Entries(), nullptr));
    boxes.answer = false;
    QVERIFY(!ClearServerList(nullptr, st.list, st.selection, st.files));
    QCOMPARE(boxes.shown.back().text, QStringLiteral("Serverliste wirklich löschen?"));
    QCOMPARE(boxes.shown.back().title, QStringLiteral("Frage"));
    QCOMPARE(st.list.Size(), size_t(3));
    QVERIFY(QFile::exists(QString::fromStdString(serversPath_)));

    boxes.answer = true;
    QVERIFY(ClearServerList(nullptr, st.list, st.selection, st.files));
    QVERIFY(!QFile::exists(QString::fromStdString(serversPath_)));
    QVERIFY(st.list.Empty());
    QVERIFY(st.list.Histories().empty());
    QVERIFY(!st.selection.Valid());
  }

  void copyHostPort() {
    Lists st(Folder());
    st.ThreeServers();
    QStringList copied;
    auto sink = [&copied](const QString& t) { copied << t; };
    QVERIFY(CopySelectedServerAddress(st.selection, sink));
    QCOMPARE(copied, QStringList{QStringLiteral("192.0.2.2:28961")});
    st.selection.SelectRow(3);
    QVERIFY(!CopySelectedServerAddress(st.selection, sink));
    QCOMPARE(copied.size(), 1);
  }

  // Over-long texts are cut to the record's 250 characters, when added
  // and when edited.
  void longTextsAreCut() {
    MessageRecorder boxes;
    Lists st(Folder());
    TForm4 dlg(st.list, st.selection, st.files, st.ranges);
    dlg.SetLookups(FakeLookups());
    dlg.BeginAdd();
    dlg.Edit1->setText(QString(300, QLatin1Char('h')));
    dlg.Edit3->setText(QString(260, QLatin1Char('p')));
    dlg.Button2Click();
    QVERIFY(boxes.shown.empty());
    QCOMPARE(st.list.Size(), size_t(1));
    QCOMPARE(st.At(0).host.str(), std::string(250, 'h'));
    QCOMPARE(st.At(0).rconpass.str(), std::string(250, 'p'));
    st.selection.SelectRow(0);
    QVERIFY(dlg.BeginEdit());
    dlg.Edit1->setText(QString(270, QLatin1Char('g')));
    dlg.Edit3->setText(QString(251, QLatin1Char('q')));
    dlg.Button2Click();
    QCOMPARE(st.list.Size(), size_t(1));
    QCOMPARE(st.At(0).host.str(), std::string(250, 'g'));
    QCOMPARE(st.At(0).rconpass.str(), std::string(250, 'q'));
    QCOMPARE(ReadFile(serversPath_).at(0).host.str(), std::string(250, 'g'));
  }

  void ansiTextsRoundTrip() {
    const std::string bytes = "Gr\xfc\xdf \x80 ^1x";
    QCOMPARE(FromCp1252(bytes), QString::fromUtf8("Grüß € ^1x"));
    QCOMPARE(ToCp1252(QString::fromUtf8("Grüß € ^1x")), bytes);
    QCOMPARE(ToCp1252(QString::fromUtf8("a\u4e00b")), std::string("a?b"));
  }

  // --- own look -------------------------------------------------------------

  // The toolkit's own texts are German too.
  void toolkitTextsAreGerman() {
    QVERIFY(InstallGermanTranslations(*QCoreApplication::instance()));
    QDialogButtonBox box(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    QCOMPARE(box.button(QDialogButtonBox::Cancel)->text().remove(QLatin1Char('&')),
             QStringLiteral("Abbrechen"));
    QLineEdit edit;
    QMenu* menu = edit.createStandardContextMenu();
    QStringList items;
    for (QAction* a : menu->actions()) items << a->text().remove(QLatin1Char('&'));
    delete menu;
    QVERIFY2(items.join('|').contains(QStringLiteral("Einfügen")), qPrintable(items.join('|')));
  }

  void skinSkipsTag99Windows() {
    QWidget normal;
    auto* normalChild = new QCheckBox(QStringLiteral("x"), &normal);
    QWidget overlay;
    overlay.setProperty("tag", 99);
    auto* overlayLabel = new QLabel(QStringLiteral("Bitte warten"), &overlay);
    QPalette grey = overlay.palette();
    grey.setColor(QPalette::Window, Qt::gray);
    overlay.setPalette(grey);
    const QColor normalWindowBefore = normal.palette().color(QPalette::Window);
    normal.show();
    overlay.show();

    SetSkinning(true);
    QVERIFY(SkinningOn());
    QCOMPARE(normal.style()->objectName(), QStringLiteral("ZelmoraSkin"));
    QCOMPARE(normalChild->style()->objectName(), QStringLiteral("ZelmoraSkin"));
    QCOMPARE(normal.palette().color(QPalette::Window), SkinPalette().color(QPalette::Window));
    QCOMPARE(normalChild->palette().color(QPalette::Highlight), kSkinSelectionColor);
    QVERIFY(overlay.style() == QApplication::style());
    QVERIFY(overlayLabel->style() == QApplication::style());
    QCOMPARE(overlay.palette().color(QPalette::Window), QColor(Qt::gray));
    QVERIFY(IsSkinExempt(overlayLabel));
    QVERIFY(!IsSkinExempt(normalChild));

    // Windows created while the look is on get it when shown, unless tagged.
    QWidget later;
    auto* laterChild = new QPushButton(QStringLiteral("OK"), &later);
    later.show();
    QCOMPARE(laterChild->style()->objectName(), QStringLiteral("ZelmoraSkin"));
    QWidget laterOverlay;
    laterOverlay.setProperty("tag", 99);
    auto* laterOverlayChild = new QLabel(QStringLiteral("x"), &laterOverlay);
    laterOverlay.show();
    QVERIFY(laterOverlayChild->style() == QApplication::style());
    // Tagging a skinned window afterwards takes the look off it.
    later.setProperty("tag", 99);
    QVERIFY(laterChild->style() == QApplication::style());
    QCOMPARE(later.palette().color(QPalette::Window), normalWindowBefore);

    SetSkinning(false);
    QVERIFY(!SkinningOn());
    QVERIFY(normal.style() == QApplication::style());
    QVERIFY(normalChild->style() == QApplication::style());
    QCOMPARE(normal.palette().color(QPalette::Window), normalWindowBefore);
    QCOMPARE(overlay.palette().color(QPalette::Window), QColor(Qt::gray));
    // Off again: new windows keep the standard look.
    QWidget afterOff;
    auto* afterOffChild = new QLabel(QStringLiteral("y"), &afterOff);
    afterOff.show();
    QVERIFY(afterOffChild->style() == QApplication::style());
  }

 private:
  // The data folder the dialog saves into (with its separator).
  std::string Folder() const { return dir_.path().toStdString() + "/"; }

  QTemporaryDir dir_;
  std::string serversPath_;
};

QTEST_MAIN(TestDialogs)
#include "test_dialogs.moc"
