// The about, colour-code, version check and GUID list windows, and the menu
// items that open them. The version check talks to a small HTTP peer on
// 127.0.0.1 started by the test.
#include <QAction>
#include <QApplication>
#include <QEnterEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QNetworkProxy>
#include <QPushButton>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core/guidlist.h"
#include "core/paths.h"
#include "core/settings.h"
#include "ui/dialogs/linklabel.h"
#include "ui/dialogs/makerlinks.h"
#include "ui/dialogs/messages.h"
#include "ui/dialogs/openurl.h"
#include "ui/dialogs/tform11.h"
#include "ui/dialogs/tform12.h"
#include "ui/dialogs/tform18.h"
#include "ui/dialogs/tform9.h"
#include "ui/main/appwindows.h"
#include "ui/main/tform1.h"

using namespace zelmora;

namespace {

// Records every message box instead of showing it.
class MessageRecorder {
 public:
  MessageRecorder() {
    previous_ = SetMessageFunction([this](QWidget*, MessageKind, const QString&, const QString& x) {
      shown.push_back(x);
      return true;
    });
  }
  ~MessageRecorder() { SetMessageFunction(previous_); }
  QStringList shown;

 private:
  MessageFunction previous_;
};

// Records the addresses the windows ask the desktop to open.
class OpenerRecorder {
 public:
  explicit OpenerRecorder(bool result) {
    previous_ = SetUrlOpener([this, result](const QUrl& url) {
      opened.push_back(url.toString());
      return result;
    });
  }
  ~OpenerRecorder() { SetUrlOpener(previous_); }
  QStringList opened;

 private:
  UrlOpener previous_;
};

// A one-file web server: keeps the bytes of each request and answers with
// the raw response once the request's header is complete (or never, while
// holding).
class HttpPeer : public QObject {
 public:
  HttpPeer() {
    QVERIFY(server_.listen(QHostAddress::LocalHost));
    connect(&server_, &QTcpServer::newConnection, this, [this] {
      while (QTcpSocket* s = server_.nextPendingConnection()) {
        connect(s, &QTcpSocket::readyRead, this, [this, s] { Read(s); });
        connect(s, &QTcpSocket::disconnected, s, &QObject::deleteLater);
      }
    });
  }
  QUrl Url() const {
    return QUrl(
        QStringLiteral("http://127.0.0.1:%1/zelmora/version.txt").arg(server_.serverPort()));
  }
  void SetResponse(const QByteArray& raw) { response_ = raw; }
  void SetBody(const QByteArray& body, const QByteArray& status = "200 OK") {
    response_ = "HTTP/1.1 " + status + "\r\nContent-Type: text/plain\r\nContent-Length: " +
                QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
  }
  void Hold(bool hold) { hold_ = hold; }
  void AnswerHeld() {
    hold_ = false;
    for (QTcpSocket* s : held_)
      if (s) Answer(s);
    held_.clear();
  }
  QByteArray request;
  int requests = 0;

 private:
  void Read(QTcpSocket* s) {
    request += s->readAll();
    if (!request.contains("\r\n\r\n")) return;
    ++requests;
    if (hold_) {
      held_.push_back(s);
      return;
    }
    Answer(s);
  }
  void Answer(QTcpSocket* s) {
    s->write(response_);
    s->disconnectFromHost();
  }

  QTcpServer server_;
  QByteArray response_;
  bool hold_ = false;
  std::vector<QPointer<QTcpSocket>> held_;
};

// The header lines of a request, name (lower case) to value.
QMap<QByteArray, QByteArray> Headers(const QByteArray& request) {
  QMap<QByteArray, QByteArray> out;
  const QList<QByteArray> lines = request.left(request.indexOf("\r\n\r\n")).split('\n');
  for (qsizetype i = 1; i < lines.size(); ++i) {
    const QByteArray line = lines[i].trimmed();
    const qsizetype colon = line.indexOf(':');
    if (colon > 0) out[line.left(colon).toLower()] = line.mid(colon + 1).trimmed();
  }
  return out;
}

template <typename T>
T* Child(QWidget& w, const char* name) {
  T* c = w.findChild<T*>(QLatin1String(name));
  if (!c) qWarning("no child %s", name);
  return c;
}

QString LabelText(QWidget& w, const char* name) {
  QLabel* l = Child<QLabel>(w, name);
  return l ? l->text() : QStringLiteral("<missing>");
}

Tguidrec Make(const std::string& guid, const std::string& name) {
  Tguidrec r;
  r.guid.assign(guid);
  r.name.assign(name);
  return r;
}

QStringList Rows(QListWidget* list) {
  QStringList out;
  for (int i = 0; i < list->count(); ++i) out << list->item(i)->text();
  return out;
}

std::string ReadFile(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(f), {});
}

// Runs check on the modal window the action opens, then closes it.
void TriggerModal(QAction* action, const std::function<void(QWidget*)>& check) {
  bool seen = false;
  QTimer::singleShot(0, [&] {
    QWidget* modal = QApplication::activeModalWidget();
    seen = modal != nullptr;
    if (modal) {
      check(modal);
      modal->close();
    }
  });
  action->trigger();
  QVERIFY(seen);
}

}  // namespace

class TestInfoWindows : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    // Loopback requests must not go to a proxy of the environment.
    QNetworkProxy::setApplicationProxy(QNetworkProxy::NoProxy);
  }

  // --- version check ----------------------------------------------------------------

  void versionMultiLineBodyAndHeaders() {
    TForm9 about;
    TForm12 form(about);
    QCOMPARE(form.objectName(), QStringLiteral("TForm12"));
    QCOMPARE(form.windowTitle(), QStringLiteral("Versionsüberprüfung"));
    QCOMPARE(LabelText(form, "Label1"), QStringLiteral("1.04"));
    QCOMPARE(LabelText(form, "Label1"), about.Version());
    QCOMPARE(LabelText(form, "Label2"), QStringLiteral("Diese Version:"));
    QCOMPARE(LabelText(form, "Label3"), QStringLiteral("Aktuelle Version:"));
    QCOMPARE(LabelText(form, "Label4"), QStringLiteral("-"));
    QCOMPARE(form.VersionUrl().toString(), QString::fromLatin1(kVersionUrl));

    HttpPeer peer;
    peer.SetBody("1.05\r\nBeta: 1.1\n\xE4nderungen\r");
    form.SetVersionUrl(peer.Url());
    QSignalSpy done(&form, &TForm12::QueryFinished);
    Child<QPushButton>(form, "Button1")->click();
    QTRY_COMPARE_WITH_TIMEOUT(done.count(), 1, 20000);
    QCOMPARE(LabelText(form, "Label4"), QStringLiteral("1.05\nBeta: 1.1\n\u00E4nderungen\n"));
    QCOMPARE(Child<QLabel>(form, "Label4")->textFormat(), Qt::PlainText);

    QVERIFY(peer.request.startsWith("GET /zelmora/version.txt HTTP/1."));
    const auto headers = Headers(peer.request);
    QCOMPARE(headers.value("accept"), QByteArray("text/html, */*"));
    QCOMPARE(headers.value("user-agent"), QByteArray("Mozilla/3.0 (compatible; Indy Library)"));
    QCOMPARE(headers.value("host"), "127.0.0.1:" + QByteArray::number(peer.Url().port()));
  }

  void versionFailuresAndRecovery() {
    TForm9 about;
    TForm12 form(about);
    QSignalSpy done(&form, &TForm12::QueryFinished);
    HttpPeer peer;
    form.SetVersionUrl(peer.Url());

    peer.SetBody("<html>not here</html>", "404 Not Found");
    form.Button1Click();
    QTRY_COMPARE_WITH_TIMEOUT(done.count(), 1, 20000);
    QCOMPARE(LabelText(form, "Label4"), QStringLiteral("Fehler"));

    // A later successful query replaces the failure.
    peer.SetBody("1.06");
    form.Button1Click();
    QTRY_COMPARE_WITH_TIMEOUT(done.count(), 2, 20000);
    QCOMPARE(LabelText(form, "Label4"), QStringLiteral("1.06"));

    // Server errors and a connection that breaks in the middle of the body.
    peer.SetBody("1.07", "500 Internal Server Error");
    form.Button1Click();
    QTRY_COMPARE_WITH_TIMEOUT(done.count(), 3, 20000);
    QCOMPARE(LabelText(form, "Label4"), QStringLiteral("Fehler"));
    peer.SetBody("1.08");
    form.Button1Click();
    QTRY_COMPARE_WITH_TIMEOUT(done.count(), 4, 20000);
    QCOMPARE(LabelText(form, "Label4"), QStringLiteral("1.08"));
    peer.SetResponse("HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\n1.0");
    form.Button1Click();
    QTRY_COMPARE_WITH_TIMEOUT(done.count(), 5, 20000);
    QCOMPARE(LabelText(form, "Label4"), QStringLiteral("Fehler"));

    // A body far beyond a version number is refused.
    peer.SetBody(QByteArray(TForm12::kMaxBody + 1000, 'x'));
    form.Button1Click();
    QTRY_COMPARE_WITH_TIMEOUT(done.count(), 6, 20000);
    QCOMPARE(LabelText(form, "Label4"), QStringLiteral("Fehler"));
  }

  void versionRefusedConnection() {
    quint16 port = 0;
    {
      QTcpServer probe;
      QVERIFY(probe.listen(QHostAddress::LocalHost));
      port = probe.serverPort();
    }  // closed: nobody listens there now
    TForm9 about;
    TForm12 form(about);
    QSignalSpy done(&form, &TForm12::QueryFinished);
    form.SetVersionUrl(QUrl(QStringLiteral("http://127.0.0.1:%1/version.txt").arg(port)));
    form.Button1Click();
    QTRY_COMPARE_WITH_TIMEOUT(done.count(), 1, 20000);
    QCOMPARE(LabelText(form, "Label4"), QStringLiteral("Fehler"));
    QVERIFY(Child<QPushButton>(form, "Button1")->isEnabled());
  }

  void versionQueryDoesNotBlock() {
    TForm9 about;
    TForm12 form(about);
    QSignalSpy done(&form, &TForm12::QueryFinished);
    HttpPeer peer;
    peer.SetBody("1.09");
    peer.Hold(true);
    form.SetVersionUrl(peer.Url());
    form.Button1Click();
    // The click returned at once; while the server keeps the answer back the
    // main thread goes on with its events, and a second click sends nothing.
    QVERIFY(form.QueryRunning());
    QVERIFY(!Child<QPushButton>(form, "Button1")->isEnabled());
    QTRY_COMPARE_WITH_TIMEOUT(peer.requests, 1, 20000);
    int ticks = 0;
    QTimer timer;
    connect(&timer, &QTimer::timeout, [&] { ++ticks; });
    timer.start(10);
    QTRY_VERIFY(ticks >= 3);
    form.Button1Click();
    QCOMPARE(LabelText(form, "Label4"), QStringLiteral("-"));
    QCOMPARE(done.count(), 0);
    peer.AnswerHeld();
    QTRY_COMPARE_WITH_TIMEOUT(done.count(), 1, 20000);
    QCOMPARE(LabelText(form, "Label4"), QStringLiteral("1.09"));
    QCOMPARE(peer.requests, 1);
    QVERIFY(Child<QPushButton>(form, "Button1")->isEnabled());
  }

  void versionSilentServerTimesOut() {
    TForm9 about;
    TForm12 form(about);
    QSignalSpy done(&form, &TForm12::QueryFinished);
    HttpPeer peer;
    peer.Hold(true);
    form.SetVersionUrl(peer.Url());
    form.SetTimeout(300);
    form.Button1Click();
    QTRY_COMPARE_WITH_TIMEOUT(done.count(), 1, 20000);
    QCOMPARE(LabelText(form, "Label4"), QStringLiteral("Fehler"));
  }

  // --- about and colour codes ---------------------------------------------------------

  void aboutWindow() {
    QWidget owner;
    owner.setGeometry(100, 100, 900, 700);
    owner.show();
    TForm9 about(&owner);
    QCOMPARE(about.objectName(), QStringLiteral("TForm9"));
    QCOMPARE(about.windowTitle(), QStringLiteral("Über"));
    QCOMPARE(about.size(), QSize(480, 270));
    QVERIFY(about.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    QVERIFY((about.windowFlags() & Qt::WindowType_Mask) == Qt::Tool);
    QCOMPARE(about.palette().color(QPalette::Window), QColor(Qt::white));
    QCOMPARE(LabelText(about, "Label1"), QStringLiteral("Zelmora"));
    const QFont title = Child<QLabel>(about, "Label1")->font();
    QCOMPARE(title.pixelSize(), 31);
    QVERIFY(title.bold());
    QCOMPARE(title.families().value(0), QStringLiteral("Franklin Gothic Medium"));
    QCOMPARE(LabelText(about, "Label2"), QStringLiteral("1.04"));
    QCOMPARE(LabelText(about, "Label3"), QStringLiteral("An small Call of Duty \"easy to use\""));
    QCOMPARE(LabelText(about, "Label5"), QStringLiteral("remoteadmin console tool."));
    // The licence, on the line left of "OK", whole.
    const QLabel* licence = Child<QLabel>(about, "Label6");
    QCOMPARE(licence->text(), QStringLiteral("Lizenz: GNU GPL, Version 3 oder neuer"));
    QVERIFY(QRect(QPoint(0, 0), QSize(480, 270)).contains(licence->geometry()));
    QVERIFY(licence->fontMetrics().horizontalAdvance(licence->text()) <= licence->width());
    QVERIFY(!licence->geometry().intersects(Child<QPushButton>(about, "Button1")->geometry()));
    const QStringList credits = LabelText(about, "Label4").split(QLatin1Char('\n'));
    QCOMPARE(credits.size(), 6);
    QCOMPARE(credits[0], QStringLiteral("Credits:"));
    QCOMPARE(credits[1], QString());
    QVERIFY(credits[2].startsWith(QStringLiteral("Main Coding: ")));
    QVERIFY(credits[3].startsWith(QStringLiteral("Main Testing: ")));
    QVERIFY(credits[4].startsWith(QStringLiteral("Some Descriptions: ")));
    QVERIFY(credits[5].startsWith(QStringLiteral("IP to Country csv-File by: ")));
    const QPixmap logo = Child<QLabel>(about, "Image1")->pixmap();
    QVERIFY(!logo.isNull());
    QCOMPARE(logo.size(), QSize(225, 97));
    QCOMPARE(Child<QPushButton>(about, "Button1")->text(), QStringLiteral("OK"));

    about.show();
    QTRY_VERIFY(about.isVisible());
    QCOMPARE(about.frameGeometry().center(), owner.frameGeometry().center());
    Child<QPushButton>(about, "Button1")->click();
    QVERIFY(!about.isVisible());
  }

  void aboutLinks() {
    TForm9 about;
    auto* forum = Child<LinkLabel>(about, "LinkLabel3");
    auto* home = Child<LinkLabel>(about, "LinkLabel1");
    auto* page = Child<LinkLabel>(about, "LinkLabel2");
    QVERIFY(forum && home && page);
    QCOMPARE(forum->text(), QStringLiteral("SUPPORT-FORUM"));
    // The address links show what they open.
    QCOMPARE(home->text(), home->url());
    QCOMPARE(page->text(), page->url());
    QVERIFY(home->url() != page->url());
    {
      MessageRecorder messages;
      OpenerRecorder opener(true);
      QTest::mouseClick(forum, Qt::LeftButton);
      QTest::mouseClick(home, Qt::LeftButton);
      QTest::mouseClick(page, Qt::LeftButton);
      QCOMPARE(opener.opened,
               (QStringList{QString::fromLatin1(kSupportForumUrl), home->url(), page->url()}));
      QVERIFY(messages.shown.isEmpty());
      QTest::mouseClick(home, Qt::RightButton);
      QCOMPARE(opener.opened.size(), 3);
    }
    {
      MessageRecorder messages;
      OpenerRecorder opener(false);
      QTest::mouseClick(page, Qt::LeftButton);
      QCOMPARE(messages.shown, QStringList{QStringLiteral("Error to execute Command")});
    }
    // Blue, red and underlined while the mouse is over it.
    QCOMPARE(home->palette().color(QPalette::WindowText), QColor(0, 0, 255));
    QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), QPointF(2, 2));
    QApplication::sendEvent(home, &enter);
    QCOMPARE(home->palette().color(QPalette::WindowText), QColor(255, 0, 0));
    QVERIFY(home->font().underline());
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(home, &leave);
    QCOMPARE(home->palette().color(QPalette::WindowText), QColor(0, 0, 255));
    QVERIFY(!home->font().underline());
  }

  void versionWindowLink() {
    TForm9 about;
    TForm12 form(about);
    auto* link = Child<LinkLabel>(form, "LinkLabel3");
    QVERIFY(link);
    QCOMPARE(link->text(), QStringLiteral("Webseite"));
    QVERIFY(link->font().bold());
    MessageRecorder messages;
    OpenerRecorder opener(true);
    QTest::mouseClick(link, Qt::LeftButton);
    QCOMPARE(opener.opened, QStringList{QString::fromLatin1(kProductPageUrl)});
  }

  void colourCodeWindow() {
    TForm11 form;
    QCOMPARE(form.objectName(), QStringLiteral("TForm11"));
    QCOMPARE(form.windowTitle(), QStringLiteral("Farbcodes"));
    QCOMPARE(LabelText(form, "Label1"),
             QStringLiteral("\n^^0 = schwarz\n^1 = rot\n^2 = grün\n^3 = gelb\n^4 = dunkelblau\n"
                            "^5 = hellblau/türkis\n^6 = lila\n^7 = weiß\n"
                            "^8 = dunkelgrün / teamfarbe\n^9 = grau"));
    QVERIFY(form.findChildren<QPushButton*>().isEmpty());
    QVERIFY(form.width() >= 162 && form.height() >= 183);
    form.ShowColorCodes();
    QVERIFY(form.isVisible());
    QVERIFY(!form.isModal());
    QVERIFY(QApplication::activeModalWidget() == nullptr);
    form.ShowColorCodes();  // open already: stays open
    QVERIFY(form.isVisible());
    form.close();
    QVERIFY(!form.isVisible());
  }

  // --- GUID list window -------------------------------------------------------------

  void guidWindowAddByHand() {
    Tguidlist list{Make("7", "Seven")};
    TForm18 form(list);
    QCOMPARE(form.windowTitle(), QStringLiteral("Gespeicherte GUIDs"));
    QVERIFY(form.minimumWidth() >= 622 && form.minimumHeight() >= 650);
    QVERIFY(form.maximumWidth() > 622);
    for (const char* name : {"GroupBox1", "Edit1", "Edit2", "Button1", "Button2", "Button3",
                             "Button4", "Button5", "Button6", "ListBox1"})
      QVERIFY2(form.findChild<QWidget*>(QLatin1String(name)), name);
    QCOMPARE(Child<QPushButton>(form, "Button4")->text(), QStringLiteral("Hinzufügen"));
    auto* box = Child<QListWidget>(form, "ListBox1");
    auto* guid = Child<QLineEdit>(form, "Edit1");
    auto* name = Child<QLineEdit>(form, "Edit2");
    form.RefillList();
    QCOMPARE(Rows(box), QStringList{QStringLiteral("7 Seven")});

    MessageRecorder messages;
    guid->setText(QStringLiteral("12"));
    form.Button4Click();
    guid->setText(QStringLiteral("zwölf"));
    name->setText(QStringLiteral("^1Zwölf"));
    form.Button4Click();
    guid->setText(QStringLiteral(" 007 "));
    form.Button4Click();
    QCOMPARE(messages.shown, (QStringList{QStringLiteral("Name muss eingetragen werden!"),
                                          QStringLiteral("GUID muss eine ZAHL sein!"),
                                          QStringLiteral("GUID existiert schon in der Liste!")}));
    // Refused entries leave the fields as they were.
    QCOMPARE(guid->text(), QStringLiteral(" 007 "));
    guid->setText(QStringLiteral("  0042 "));
    Child<QPushButton>(form, "Button4")->click();
    guid->setText(QStringLiteral("-3"));
    name->setText(QStringLiteral("Minus"));
    form.Button4Click();
    QCOMPARE(messages.shown.size(), 3);
    QCOMPARE(Rows(box), (QStringList{QStringLiteral("7 Seven"), QStringLiteral("42 ^1Zwölf"),
                                     QStringLiteral("-3 Minus")}));
    QCOMPARE(list[1].name.str(), std::string("^1Zw\xF6lf"));  // stored as 8-bit text
    QVERIFY(guid->text().isEmpty() && name->text().isEmpty());
  }

  void guidWindowDeleteAndClear() {
    Tguidlist list{Make("1", "a"), Make("2", "b"), Make("3", "c"), Make("4", "d"), Make("5", "e")};
    TForm18 form(list);
    form.RefillList();
    auto* box = Child<QListWidget>(form, "ListBox1");
    form.Button6Click();  // nothing selected
    QCOMPARE(list.size(), std::size_t(5));
    box->setCurrentRow(2);
    Child<QPushButton>(form, "Button6")->click();
    QCOMPARE(Rows(box), (QStringList{QStringLiteral("1 a"), QStringLiteral("2 b"),
                                     QStringLiteral("4 d"), QStringLiteral("5 e")}));
    QCOMPARE(list.size(), std::size_t(4));
    QCOMPARE(list[2].guid.str(), std::string("4"));
    Child<QPushButton>(form, "Button1")->click();
    QVERIFY(list.empty());
    QCOMPARE(box->count(), 0);
  }

  void guidWindowExportImport() {
    QTemporaryDir dir;
    Tguidlist list{Make("5",
                        "Tab\x0E"
                        "Name"),
                   Make("6", "^1Rot")};
    TForm18 form(list);
    MessageRecorder messages;
    // A name typed without an extension gets ".gls".
    form.SetSaveChooser([&](QWidget*) { return dir.filePath(QStringLiteral("meine liste")); });
    form.Button3Click();
    const std::string exported = dir.filePath(QStringLiteral("meine liste.gls")).toStdString();
    QCOMPARE(ReadFile(exported), std::string("5\x0E"
                                             "Tab_Name\r\n6\x0E^1Rot\r\n"));
    QVERIFY(messages.shown.isEmpty());

    // Import into a list that has one of them already.
    Tguidlist other{Make("6", "Schon da")};
    TForm18 second(other);
    second.SetOpenChooser([&](QWidget*) { return QString::fromStdString(exported); });
    second.Button2Click();
    QCOMPARE(Rows(Child<QListWidget>(second, "ListBox1")),
             (QStringList{QStringLiteral("6 Schon da"), QStringLiteral("5 Tab_Name")}));

    // Cancelled and missing files change nothing and tell nothing.
    second.SetOpenChooser([](QWidget*) { return QString(); });
    second.Button2Click();
    second.SetOpenChooser([&](QWidget*) { return dir.filePath(QStringLiteral("fehlt.gls")); });
    second.Button2Click();
    QCOMPARE(other.size(), std::size_t(2));
    QVERIFY(messages.shown.isEmpty());
    // A file that cannot be read is reported.
    second.SetOpenChooser([&](QWidget*) { return dir.path(); });
    second.Button2Click();
    QCOMPARE(messages.shown.size(), 1);
    QCOMPARE(other.size(), std::size_t(2));

    // A target that cannot be written: the system's reason after the text.
    const QString blocked = dir.filePath(QStringLiteral("ordner.gls"));
    QVERIFY(QDir().mkdir(blocked));
    form.SetSaveChooser([&](QWidget*) { return blocked; });
    form.Button3Click();
    QCOMPARE(messages.shown.size(), 2);
    QVERIFY(messages.shown[1].startsWith(QStringLiteral("Fehler beim Speichern: ")));
    QVERIFY(messages.shown[1].size() > QStringLiteral("Fehler beim Speichern: ").size());
    QVERIFY(QFileInfo(blocked).isDir());
  }

  // --- the main window's menus ------------------------------------------------------

  void menusOpenTheWindows() {
    QTemporaryDir dir;
    SetDataDir(dir.path().toStdString() + "/");
    {
      std::string err;
      QVERIFY(SaveGuids(DataPath("Guids.dat"), {Make("11", "Elf"), Make("12", "Zw\xF6lf")}, &err));
    }
    MessageRecorder messages;
    SettingsStore settings;
    {
      AppWindows windows(settings);
      TForm1& main = windows.form1();
      auto* about = main.findChild<QAction*>(QStringLiteral("ber1"));
      auto* version = main.findChild<QAction*>(QStringLiteral("AufneueVersionberprfen1"));
      auto* edit = main.findChild<QAction*>(QStringLiteral("Editieren1"));
      QVERIFY(about && version && edit);
      // With all windows there, no item of any menu is disabled.
      QStringList disabled;
      for (QAction* a : main.findChildren<QAction*>())
        if (!a->isEnabled() && !a->text().isEmpty()) disabled << a->objectName();
      QVERIFY2(disabled.isEmpty(), qPrintable(disabled.join(QLatin1Char(' '))));

      TriggerModal(about, [&](QWidget* w) { QCOMPARE(w, &windows.form9()); });
      TriggerModal(version, [&](QWidget* w) {
        QCOMPARE(w, &windows.form12());
        QCOMPARE(LabelText(*w, "Label1"), windows.form9().Version());
      });
      TriggerModal(edit, [&](QWidget* w) {
        QCOMPARE(w, &windows.form18());
        QCOMPARE(Rows(Child<QListWidget>(*w, "ListBox1")),
                 (QStringList{QStringLiteral("11 Elf"), QStringLiteral("12 Zwölf")}));
        main.Files().Guids().push_back(Make("13", "Dreizehn"));
      });
      // Reopening fills the list box again from the list.
      TriggerModal(edit,
                   [&](QWidget* w) { QCOMPARE(Child<QListWidget>(*w, "ListBox1")->count(), 3); });
      main.close();
    }
    Tguidlist saved;
    std::string err;
    QVERIFY(LoadGuids(DataPath("Guids.dat"), saved, &err));
    QCOMPARE(saved.size(), std::size_t(3));
    QVERIFY(messages.shown.isEmpty());
  }
};

QTEST_MAIN(TestInfoWindows)
#include "test_infowindows.moc"
