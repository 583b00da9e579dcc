// The windows on screens smaller than they were designed for: the main
// window (menu bar included) and the settings window with its "Schließen"
// lie inside the screen's available area. Run twice by CTest: at a scale
// factor of 2 on a 1280 x 900 screen (640 x 450 logical pixels) and on a
// 1024 x 700 screen.
//   ui_test_screenfit <width> <height> <scale>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QtTest>

#include <cstdlib>
#include <string>

#include "core/paths.h"
#include "core/settings.h"
#include "ui/dialogs/messages.h"
#include "ui/dialogs/tform3.h"
#include "ui/main/tform1.h"

using namespace zelmora;

class TestScreenFit : public QObject {
  Q_OBJECT

  QTemporaryDir dir_;

  static QRect Area() { return QGuiApplication::primaryScreen()->availableGeometry(); }

 private slots:
  void initTestCase() {
    // The screen is the one asked for, in logical pixels.
    qInfo("available %dx%d at %s", Area().width(), Area().height(),
          qgetenv("QT_SCALE_FACTOR").constData());
    QVERIFY(Area().width() <= 1280 / qgetenv("QT_SCALE_FACTOR").toDouble());
    SetMessageFunction([](QWidget*, MessageKind, const QString&, const QString&) { return true; });
    SetDataDir(dir_.path().toStdString() + "/");
  }

  void mainWindowInsideTheScreen() {
    SettingsStore settings;
    TForm1 form(settings);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    const QRect area = Area();
    QVERIFY2(area.contains(form.frameGeometry()), qPrintable(QString("window %1,%2 %3x%4 on %5x%6")
                                                                 .arg(form.frameGeometry().x())
                                                                 .arg(form.frameGeometry().y())
                                                                 .arg(form.frameGeometry().width())
                                                                 .arg(form.frameGeometry().height())
                                                                 .arg(area.width())
                                                                 .arg(area.height())));
    // The menu bar is in reach.
    const QRect menu(form.menuBar()->mapToGlobal(QPoint(0, 0)), form.menuBar()->size());
    QVERIFY(area.contains(menu.topLeft()));
    form.close();
  }

  void settingsWindowInsideTheScreen() {
    SettingsStore settings;
    TForm1 form(settings);
    TForm3 options(settings, &form, &form);
    options.show();
    QVERIFY(QTest::qWaitForWindowExposed(&options));
    const QRect area = Area();
    QVERIFY(area.contains(options.frameGeometry()));
    auto* close = options.findChild<QPushButton*>("Button2");
    QVERIFY(close && close->isVisible());
    const QRect button(close->mapToGlobal(QPoint(0, 0)), close->size());
    QVERIFY(options.geometry().contains(button));
    // On the small screen the options scroll rather than push it out.
    if (options.DesignedSize().height() > area.height())
      QVERIFY(options.height() < options.DesignedSize().height());
    options.close();
  }
};

int main(int argc, char* argv[]) {
  // The screen of the run, before the application exists: an offscreen
  // desktop of the size given, at the scale given.
  const std::string width = argc > 1 ? argv[1] : "1280";
  const std::string height = argc > 2 ? argv[2] : "900";
  const std::string scale = argc > 3 ? argv[3] : "1";
  QTemporaryDir configDir;
  const QString config = configDir.filePath(QStringLiteral("screen.json"));
  QFile f(config);
  if (!f.open(QIODevice::WriteOnly)) return 2;
  f.write(("{\"windowFrameMargins\": true, \"screens\": [{\"name\": \"Small\", \"x\": 0, \"y\": 0, "
           "\"width\": " +
           width + ", \"height\": " + height +
           ", \"logicalDpi\": 96, \"logicalBaseDpi\": 96, \"dpr\": 1.0}]}")
              .c_str());
  f.close();
  qputenv("QT_QPA_PLATFORM", ("offscreen:configfile=" + config).toLocal8Bit());
  qputenv("QT_SCALE_FACTOR", QByteArray::fromStdString(scale));
  int qtArgc = 1;
  QApplication app(qtArgc, argv);
  TestScreenFit test;
  return QTest::qExec(&test, 1, argv);
}

#include "test_screenfit.moc"
