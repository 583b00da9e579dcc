// Cell drawing of the server list and the detail grids, colour-coded text,
// the column fitting and the ping sort, checked on rendered pixels and on
// the resulting list order.
#include <QFontMetrics>
#include <QPainter>
#include <QtTest>

#include <algorithm>
#include <map>
#include <random>

#include "core/settings.h"
#include "engine/pingsort.h"
#include "engine/queryengine.h"
#include "ui/dialogs/cp1252.h"
#include "ui/main/colortext.h"
#include "ui/main/detailgrids.h"
#include "ui/main/icons.h"
#include "ui/main/serverlistview.h"

using namespace zelmora;

namespace {

QFont TestFont() {
  QFont f(QStringLiteral("DejaVu Sans"));
  f.setPixelSize(11);
  // Exact colours on every text pixel.
  f.setStyleStrategy(QFont::NoAntialias);
  return f;
}

const QRect kCell(4, 3, 140, 18);

QImage Canvas() {
  QImage img(kCell.right() + 8, kCell.bottom() + 6, QImage::Format_RGB32);
  img.fill(QColor(255, 0, 255));
  return img;
}

// What a cell with this background and this text in this colour looks like,
// painted with plain QPainter calls.
QImage ExpectedCell(const QColor& bg, const QColor& fg, const QString& text) {
  QImage img = Canvas();
  QPainter p(&img);
  p.setFont(TestFont());
  p.fillRect(kCell, bg);
  p.setPen(fg);
  p.drawText(QPoint(kCell.left() + 2, kCell.top() + 2 + QFontMetrics(TestFont()).ascent()), text);
  return img;
}

int CountColor(const QImage& img, const QColor& c) {
  int n = 0;
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x)
      if (img.pixelColor(x, y) == c) ++n;
  return n;
}

Tserverrec Entry(int ping, int players = 0, int maxclients = 0, int privateclients = 0) {
  Tserverrec e;
  e.host.assign("192.0.2.1");
  e.port.assign("28960");
  e.ping = ping;
  e.players = players;
  e.maxclients = maxclients;
  e.privateclients = privateclients;
  e.protocol = 6;
  return e;
}

// A model that says what another one says, except that the servers of
// the rows given limit their requests (the painter draws the hourglass from
// the model alone).
class MarkedRows final : public DrawGridModel {
 public:
  MarkedRows(const DrawGridModel& inner, std::vector<int> rows)
      : DrawGridModel(kServerColumns - 1, nullptr), inner_(inner), rows_(std::move(rows)) {}

 protected:
  QVariant CellData(int col, int row, int role) const override {
    if (role == kMarkRole) return std::find(rows_.begin(), rows_.end(), row) != rows_.end();
    return inner_.Cell(col, row, role);
  }

 private:
  const DrawGridModel& inner_;
  std::vector<int> rows_;
};

// The server list of an engine (never started), its model and its painter.
struct ListFixture {
  SettingsStore store;
  QueryEngine engine{store};
  Settings settings;
  std::uint32_t now = 100000;
  ServerListModel model{engine, [this]() -> const Settings& { return settings; }, nullptr};
  ServerListPainter painter{model, [this]() -> const Settings& { return settings; }};
  ListFixture() {
    model.SetClock([this] { return now; });
  }
  void SetList(Tserverlist list) { engine.List().Replace(std::move(list)); }
  Tserverrec& E(int i) { return engine.List().MutableAt(static_cast<std::size_t>(i)); }
  // Nothing is selected unless a test selects a row (index, -1 for none).
  void Select(int index) { engine.Selected().SelectRow(index); }
  QImage Draw(int col, int row) { return DrawWith(painter, col, row); }
  static QImage DrawWith(const ServerListPainter& with, int col, int row) {
    QImage img = Canvas();
    QPainter p(&img);
    p.setFont(TestFont());
    with.DrawGrid1DrawCell(p, QPalette(), col, row, kCell);
    return img;
  }
};

// What the rcon player table's model says of a cell, given per cell: the
// detail painter draws from these roles alone.
class TableCells final : public DrawGridModel {
 public:
  struct Cell {
    QString raw;
    QColor colour;  // invalid: the ordinary one
    bool bold = false;
    int flag = -1;
  };
  TableCells() : DrawGridModel(9, nullptr) {}
  std::map<std::pair<int, int>, Cell> cells;  // (col, row)
  int highlighted = -1;                       // element index

 protected:
  QVariant CellData(int col, int row, int role) const override {
    if (role == kHighlightRole) return row >= 1 && row - 1 == highlighted;
    const auto it = cells.find({col, row});
    if (it == cells.end()) return {};
    switch (role) {
      case kRawTextRole:
        return it->second.raw;
      case Qt::ForegroundRole:
        return it->second.colour.isValid() ? QVariant(it->second.colour) : QVariant();
      case kBoldRole:
        return it->second.bold;
      case kFlagRole:
        return it->second.flag;
      default:
        return {};
    }
  }
};

}  // namespace

class TestServerListDrawing : public QObject {
  Q_OBJECT

 private slots:
  void pingColours_data() {
    QTest::addColumn<int>("ping");
    QTest::addColumn<QColor>("colour");
    QTest::newRow("20") << 20 << QColor(0, 198, 99);
    QTest::newRow("21") << 21 << QColor(0, 166, 83);
    QTest::newRow("51") << 51 << QColor(0, 106, 53);
    QTest::newRow("81") << 81 << QColor(0, 0, 0);
    QTest::newRow("121") << 121 << QColor(128, 0, 255);
    QTest::newRow("161") << 161 << QColor(255, 0, 128);
    QTest::newRow("200") << 200 << QColor(255, 0, 128);
    QTest::newRow("201") << 201 << QColor(255, 0, 0);
  }
  void pingColours() {
    QFETCH(int, ping);
    QFETCH(QColor, colour);
    ListFixture f;
    Tserverrec e = Entry(ping);
    e.lastreply = f.now - 1000;
    f.SetList({e});
    const QImage got = f.Draw(4, 1);
    QCOMPARE(got, ExpectedCell(Qt::white, colour, QString::number(ping)));
    QVERIFY(CountColor(got, colour) > 10);
  }

  // Threshold cqt x 1000 + 3000 ms: 12.9 s is in time, 13.1 s is not.
  void timeoutAndUnknownPing() {
    ListFixture f;
    f.settings.cqt = "10";
    f.SetList({Entry(35), Entry(35), Entry(0)});
    f.E(0).lastreply = f.now - 12900;
    f.E(1).lastreply = f.now - 13100;
    f.E(2).lastreply = f.now - 100;
    QCOMPARE(f.Draw(4, 1), ExpectedCell(Qt::white, QColor(0, 166, 83), "35"));
    QCOMPARE(f.Draw(4, 2), ExpectedCell(Qt::white, QColor(255, 0, 0), "TOUT"));
    QCOMPARE(f.Draw(4, 3), ExpectedCell(Qt::white, QColor(0, 0, 0), "?"));

    // Right after boot the tick is below the threshold: nothing is timed
    // out, a server that never answered shows "?".
    f.now = 5000;
    f.E(2).lastreply = 0;
    QCOMPARE(f.Draw(4, 3), ExpectedCell(Qt::white, QColor(0, 0, 0), "?"));
    f.now = 13001;
    QCOMPARE(f.Draw(4, 3), ExpectedCell(Qt::white, QColor(255, 0, 0), "TOUT"));

    // A server that limits requests (its model marks the cell): the ping
    // as it is, an hourglass in the padding behind it; unmarked, none.
    f.now = 100000;
    f.E(0).lastreply = f.now - 100;
    MarkedRows marks(f.model, {1});
    ServerListPainter markedPainter(marks, [&f]() -> const Settings& { return f.settings; });
    const QImage marked = ListFixture::DrawWith(markedPainter, 4, 1);
    const int digits = QFontMetrics(TestFont()).horizontalAdvance(QStringLiteral("35"));
    QCOMPARE(marked.copy(0, 0, kCell.left() + 2 + digits, marked.height()),
             ExpectedCell(Qt::white, QColor(0, 166, 83), "35")
                 .copy(0, 0, kCell.left() + 2 + digits, marked.height()));
    QVERIFY(CountColor(marked.copy(kCell.left() + 2 + digits + 2, 0, 12, marked.height()),
                       kThrottleColor) > 10);
    QCOMPARE(f.Draw(4, 1), ExpectedCell(Qt::white, QColor(0, 166, 83), "35"));

    // A time-out setting that is no number leaves the cell empty.
    f.settings.cqt = "x";
    QCOMPARE(f.Draw(4, 1), ExpectedCell(Qt::white, Qt::black, QString()));
  }

  void playerCounts_data() {
    QTest::addColumn<int>("players");
    QTest::addColumn<int>("maxclients");
    QTest::addColumn<int>("privateclients");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QColor>("colour");
    const QColor black(0, 0, 0), red(255, 0, 0), orange(231, 157, 20);
    QTest::newRow("19/20 orange") << 19 << 20 << 0 << "19/20" << orange;
    QTest::newRow("20/20 red") << 20 << 20 << 0 << "20/20" << red;
    QTest::newRow("18/20(2) red") << 18 << 20 << 2 << "18/20(2)" << red;
    QTest::newRow("19/20(2) orange wins") << 19 << 20 << 2 << "19/20(2)" << orange;
    QTest::newRow("17/20(2) default") << 17 << 20 << 2 << "17/20(2)" << black;
    QTest::newRow("no slots known") << 0 << 0 << 0 << "0/0" << black;
    QTest::newRow("reset -1/-1") << -1 << -1 << -1 << "-1/-1" << black;
  }
  void playerCounts() {
    QFETCH(int, players);
    QFETCH(int, maxclients);
    QFETCH(int, privateclients);
    QFETCH(QString, text);
    QFETCH(QColor, colour);
    ListFixture f;
    f.SetList({Entry(30, players, maxclients, privateclients)});
    QCOMPARE(f.Draw(3, 1), ExpectedCell(Qt::white, colour, text));
    QCOMPARE(QString::fromStdString(PlayersText(f.engine.List().At(0))), text);
  }

  void rowColours() {
    ListFixture f;
    f.SetList({Entry(30), Entry(30)});
    f.E(0).hostname.assign("Alpha");
    const QColor selection(212, 222, 242), design(166, 202, 240);
    const QColor button = QPalette().color(QPalette::Button);

    // Nothing selected: the header row takes the selection colour.
    f.Select(-1);
    QCOMPARE(f.Draw(1, 0), ExpectedCell(selection, Qt::black, "Servername"));
    QCOMPARE(f.Draw(0, 0), ExpectedCell(selection, Qt::black, "Infos"));
    QCOMPARE(f.Draw(2, 1).pixelColor(kCell.right() - 1, kCell.bottom() - 1), QColor(Qt::white));

    f.Select(0);
    QCOMPARE(f.Draw(1, 0), ExpectedCell(design, Qt::black, "Servername"));
    QCOMPARE(f.Draw(1, 1), ExpectedCell(selection, Qt::black, "Alpha"));
    QCOMPARE(f.Draw(0, 1).pixelColor(kCell.right() - 1, kCell.bottom() - 1), selection);
    QCOMPARE(f.Draw(0, 2).pixelColor(kCell.right() - 1, kCell.bottom() - 1), design);
    QCOMPARE(f.Draw(5, 2), ExpectedCell(Qt::white, Qt::black, "192.0.2.1:28960"));

    f.settings.design = false;
    QCOMPARE(f.Draw(6, 0),
             ExpectedCell(button, Qt::black, FromCp1252("Provider ; L\xE4ndercode ; Land")));
    QCOMPARE(f.Draw(0, 2).pixelColor(kCell.right() - 1, kCell.bottom() - 1), button);

    // Rows without an entry are blank but coloured like any row.
    QCOMPARE(f.Draw(3, 6), ExpectedCell(Qt::white, Qt::black, QString()));

    // While a row is dragged nothing is drawn at all.
    f.painter.dragFlag = true;
    QCOMPARE(f.Draw(1, 1), Canvas());
  }

  void colourCodesInCells() {
    ListFixture f;
    f.SetList({Entry(30)});
    f.E(0).hostname.assign("^1Red");
    const QImage coloured = f.Draw(1, 1);
    QVERIFY(CountColor(coloured, QColor(210, 0, 0)) > 10);
    f.settings.se = false;
    QCOMPARE(f.Draw(1, 1), ExpectedCell(Qt::white, Qt::black, "Red"));
  }

  // The icon strip: flag, version, then the feature icons in their order.
  void iconStrip() {
    ListFixture f;
    Tserverrec e = Entry(30);
    e.provider.assign("host.example;DE;Deutschland");
    e.protocol = 118;
    e.passworded = 1;
    e.voice = 1;
    f.SetList({e});
    f.engine.SetCountryTables(RangeTable(), {{"at", "at.bmp"}, {"de", "de.bmp"}});
    QImage red(16, 16, QImage::Format_RGB32);
    red.fill(QColor(200, 10, 10));
    std::vector<QImage> flags = {QImage(), red};
    f.painter.SetFlagImages(&flags);

    auto expected = [&](bool flag) {
      QImage img = Canvas();
      QPainter p(&img);
      p.fillRect(kCell, QColor(166, 202, 240));
      int x = kCell.left() + 2;
      if (flag) {
        p.drawImage(QPoint(x, kCell.top() + 2), red);
        x += 18;
      }
      for (int icon : {kIconCod2, kIconPassword, kIconVoice}) {
        p.drawImage(QPoint(x, kCell.top() + 1), ImageList1(icon));
        x += 18;
      }
      return img;
    };
    QCOMPARE(f.Draw(0, 1), expected(true));
    f.settings.fl = false;
    QCOMPARE(f.Draw(0, 1), expected(false));
    f.settings.fl = true;
    f.settings.prov = false;
    QCOMPARE(f.Draw(0, 1), expected(false));
    // A flag code without a picture takes no room.
    f.settings.prov = true;
    f.E(0).provider.assign("x;at;Austria");
    QCOMPARE(f.Draw(0, 1), expected(false));
  }

  void drawColorText() {
    QImage img = Canvas();
    QImage want = Canvas();
    const QFont font = TestFont();
    const QFontMetrics fm(font);
    const int x = 10, y = 4, base = y + fm.ascent();
    {
      QPainter p(&img);
      p.setFont(font);
      p.setPen(Qt::black);
      // The second caret is the character after the first; the 1 follows the
      // second caret: only x is drawn, in colour 1.
      DrawColorText(p, x, y, "^^1x");
    }
    {
      QPainter p(&want);
      p.setFont(font);
      p.setPen(QColor(210, 0, 0));
      p.drawText(QPoint(x, base), QStringLiteral("x"));
    }
    QCOMPARE(img, want);

    // Characters one by one with one extra pixel each; colours stay set.
    img = Canvas();
    want = Canvas();
    {
      QPainter p(&img);
      p.setFont(font);
      p.setPen(QColor(0, 0, 255));
      const int end = DrawColorText(p, x, y, "a^2b^^3c^a");
      QCOMPARE(end, x + fm.horizontalAdvance('a') + fm.horizontalAdvance('b') +
                        fm.horizontalAdvance('c') + 3);
    }
    {
      QPainter p(&want);
      p.setFont(font);
      int cx = x;
      p.setPen(QColor(0, 0, 255));
      p.drawText(QPoint(cx, base), QStringLiteral("a"));
      cx += fm.horizontalAdvance('a') + 1;
      p.setPen(QColor(0, 159, 80));
      p.drawText(QPoint(cx, base), QStringLiteral("b"));
      cx += fm.horizontalAdvance('b') + 1;
      p.setPen(QColor(211, 201, 3));
      p.drawText(QPoint(cx, base), QStringLiteral("c"));
    }
    QCOMPARE(img, want);

    // "^a" draws nothing; an empty text draws nothing.
    img = Canvas();
    {
      QPainter p(&img);
      p.setFont(font);
      QCOMPARE(DrawColorText(p, x, y, "^a"), x);
      QCOMPARE(DrawColorText(p, x, y, ""), x);
    }
    QCOMPARE(img, Canvas());
  }

  void windows1252() {
    QCOMPARE(FromCp1252("\x80\xE4\x9F"), QString::fromUtf8("€äŸ"));
    QCOMPARE(ToCp1252(QString::fromUtf8("€äŸ")), std::string("\x80\xE4\x9F"));
    QCOMPARE(ToCp1252(QString::fromUtf8("✓")), std::string("?"));
    QCOMPARE(Cp1252ToQChar(0x81).unicode(), char16_t(0x81));
  }

  // The detail grids' cells as their model describes them: bold, colour,
  // colour codes, the flag before the name and the picked player's row.
  void detailGrids() {
    Settings settings;
    DetailGridsPainter painter([&]() -> const Settings& { return settings; });
    QImage red(16, 16, QImage::Format_RGB32);
    red.fill(QColor(200, 10, 10));
    std::vector<QImage> flags = {QImage(), red};
    painter.SetFlagImages(&flags);
    TableCells m;
    m.cells[{0, 0}] = {QStringLiteral("Name"), {}};
    m.cells[{0, 1}] = {QStringLiteral("Bob"), {}, true};
    m.cells[{0, 2}] = {QStringLiteral("Al ^0(Alice^0)"), {}, true};
    m.cells[{0, 3}] = {QStringLiteral("Bob"), {}, false, 1};
    m.cells[{0, 4}] = {QStringLiteral("Cy"), {}, false, 0};  // a flag without a picture
    m.cells[{1, 1}] = {QStringLiteral("0"), {}};
    m.cells[{3, 1}] = {QStringLiteral("123456"), {}};
    m.cells[{3, 3}] = {QStringLiteral("0"), QColor(255, 0, 0)};
    m.cells[{4, 1}] = {QStringLiteral("48"), QColor(0, 166, 83)};
    m.cells[{4, 3}] = {QStringLiteral("CNCT"), {}};
    auto draw = [&](int col, int row) {
      QImage img = Canvas();
      QPainter p(&img);
      p.setFont(TestFont());
      painter.DrawCell(m, p, QPalette(), col, row, kCell, col == 0);
      return img;
    };
    auto expectedAt = [](const QString& text, const QColor& fg, bool bold, int dx, int dy,
                         const QColor& bg = Qt::white, const QImage& flag = {}) {
      QImage img = Canvas();
      QPainter p(&img);
      QFont f = TestFont();
      f.setBold(bold);
      p.setFont(f);
      p.fillRect(kCell, bg);
      if (!flag.isNull()) p.drawImage(QPoint(kCell.left(), kCell.top() + 2), flag);
      p.setPen(fg);
      p.drawText(QPoint(kCell.left() + dx, kCell.top() + dy + QFontMetrics(f).ascent()), text);
      return img;
    };
    // The header row: its colour, no room for a flag.
    QCOMPARE(draw(0, 0), expectedAt("Name", Qt::black, false, 2, 2, QColor(166, 202, 240)));
    // A remembered player: bold, after the flag's room.
    QCOMPARE(draw(0, 1), expectedAt("Bob", Qt::black, true, 20, 3));
    // A remembered name in brackets is drawn colour-coded, bold.
    {
      QImage expected = Canvas();
      QPainter p(&expected);
      QFont f = TestFont();
      f.setBold(true);
      p.setFont(f);
      p.fillRect(kCell, Qt::white);
      p.setPen(Qt::black);
      DrawColorText(p, kCell.left() + 20, kCell.top() + 3, "Al ^0(Alice^0)");
      p.end();
      QCOMPARE(draw(0, 2), expected);
      QVERIFY(draw(0, 2) != expectedAt("Al", Qt::black, true, 20, 3));
    }
    // The flag before the name; one without a picture leaves its room empty.
    QCOMPARE(draw(0, 3), expectedAt("Bob", Qt::black, false, 20, 3, Qt::white, red));
    QCOMPARE(draw(0, 4), expectedAt("Cy", Qt::black, false, 20, 3));
    // Colours as the model gives them; none: the ordinary one.
    QCOMPARE(draw(3, 3), expectedAt("0", QColor(255, 0, 0), false, 2, 2));
    QCOMPARE(draw(3, 1), expectedAt("123456", Qt::black, false, 2, 2));
    QCOMPARE(draw(4, 1), expectedAt("48", QColor(0, 166, 83), false, 2, 2));
    QCOMPARE(draw(4, 3), expectedAt("CNCT", Qt::black, false, 2, 2));
    // The highlighted player row.
    QCOMPARE(draw(1, 1), expectedAt("0", Qt::black, false, 2, 2));
    m.highlighted = 0;
    QCOMPARE(draw(1, 1), expectedAt("0", Qt::black, false, 2, 2, QColor(212, 222, 242)));
    // Colour codes of the player lists off: the plain text.
    settings.sp = false;
    QCOMPARE(draw(0, 2), expectedAt("Al (Alice)", Qt::black, true, 20, 3));

    QCOMPARE(AddressBeforePort("192.0.2.9:28960"), std::string("192.0.2.9"));
    QCOMPARE(AddressBeforePort("bot"), std::string());
    QCOMPARE(AddressBeforePort(""), std::string());
  }

  // Per-entry widths kept between fits give exactly what fitting everything
  // from scratch gives, while measuring only what changed.
  void incrementalFitEqualsFullFit() {
    const QFont font = TestFont();
    std::mt19937 rng(7);
    auto word = [&](int n) {
      std::string s;
      for (int i = 0; i < n; ++i) s.push_back(static_cast<char>('a' + rng() % 26));
      return s;
    };
    Tserverlist list;
    for (int i = 0; i < 40; ++i) {
      Tserverrec e = Entry(static_cast<int>(rng() % 300), 3, 20, i % 3);
      e.hostname.assign("^" + std::to_string(i % 10) + word(5 + static_cast<int>(rng() % 30)));
      e.mapinfo.assign("^2sd ^0mp_" + word(static_cast<int>(rng() % 12)));
      e.provider.assign(word(static_cast<int>(rng() % 60)) + ";de;Deutschland");
      e.killcam = i % 2;
      list.push_back(e);
    }
    IconOptions options;
    ServerColumnFitter fitter;
    fitter.SetFont(font);
    QCOMPARE(fitter.Fit(list, options), ServerColumnFitter::FullFit(list, options, font));
    QCOMPARE(fitter.LastMeasured(), 40);

    // The widest name shrinks: the column must shrink with it.
    int widest = 0;
    for (int i = 1; i < 40; ++i)
      if (list[i].hostname.size() > list[widest].hostname.size()) widest = i;
    for (int round = 0; round < 30; ++round) {
      const int a = round == 0 ? widest : static_cast<int>(rng() % 40);
      const int b = static_cast<int>(rng() % 40);
      list[a].hostname.assign(word(static_cast<int>(rng() % 40)));
      list[a].ping = static_cast<int>(rng() % 100000);
      list[b].provider.assign(word(static_cast<int>(rng() % 90)));
      list[b].players = static_cast<int>(rng() % 64);
      list[b].voice = round % 2;
      fitter.InvalidateEntry(a);
      fitter.InvalidateEntry(b);
      QCOMPARE(fitter.Fit(list, options), ServerColumnFitter::FullFit(list, options, font));
      QVERIFY(fitter.LastMeasured() <= 2);
    }
    options.vc = false;
    options.fl = false;
    QCOMPARE(fitter.Fit(list, options), ServerColumnFitter::FullFit(list, options, font));
    QCOMPARE(fitter.LastMeasured(), 0);

    // Longer and shorter lists are measured again.
    list.push_back(list[3]);
    list.back().hostname.assign(std::string(120, 'W'));
    QCOMPARE(fitter.Fit(list, options), ServerColumnFitter::FullFit(list, options, font));
    list.erase(list.begin(), list.begin() + 20);
    QCOMPARE(fitter.Fit(list, options), ServerColumnFitter::FullFit(list, options, font));
    list.clear();
    const ServerColumnFitter::Widths minimum{80, 250, 70, 30, 40, 60, 500};
    QCOMPARE(fitter.Fit(list, options), minimum);

    // A different font measures everything again.
    QFont big = font;
    big.setPixelSize(20);
    list.push_back(Entry(5));
    list[0].hostname.assign(std::string(60, 'M'));
    fitter.Fit(list, options);
    fitter.SetFont(big);
    QCOMPARE(fitter.Fit(list, options), ServerColumnFitter::FullFit(list, options, big));
    QCOMPARE(fitter.LastMeasured(), 1);
  }

  void fitMinimumsAndMeasures() {
    const QFont font = TestFont();
    QFont bold = font;
    bold.setBold(true);
    Tserverrec e = Entry(12345, 12, 20, 2);
    e.hostname.assign(std::string(50, 'N') + "^1x");
    e.passworded = 1;
    e.rconpass.assign("pw");
    e.killcam = 1;
    e.friendlyfire = 1;
    e.punkbuster = 1;
    e.voice = 1;
    const auto w = ServerColumnFitter::FullFit({e}, IconOptions{}, font);
    QCOMPARE(w[0], 4 + 8 * 18);
    QCOMPARE(w[1], QFontMetrics(bold).horizontalAdvance(QString(50, 'N') + "x") + 44);
    QCOMPARE(w[2], 70);
    QCOMPARE(w[3], QFontMetrics(font).horizontalAdvance("12/20(2)") + 14);
    QCOMPARE(w[4], QFontMetrics(font).horizontalAdvance("12345") + 14);
    Tserverrec small = Entry(7, 1, 2, 0);
    small.host.assign("h");
    small.port.assign("1");
    const auto m = ServerColumnFitter::FullFit({small}, IconOptions{}, font);
    QCOMPARE(m[4], 40);
    QCOMPARE(m[5], 60);
    QCOMPARE(w[5], QFontMetrics(font).horizontalAdvance("192.0.2.1:28960") + 14);
    QCOMPARE(w[6], 500);
    IconOptions none;
    none = {false, false, false, false, false, false, false, false};
    QCOMPARE(ServerColumnFitter::FullFit({e}, none, font)[0], 80);
  }

  // Ascending by ping, hand-traced through the quicksort: pings 30 10 30 10
  // 20 for servers A..E. The pivot (C, position 2) meets A at once and they
  // swap ends with E; B passes, C and D swap and the pivot follows C to
  // position 3; the left part E B D sorts to D B E, the right part A C swaps
  // to A C. Result D B E A C: the two tens have changed their order.
  void sortAscendingWithTies() {
    Tserverlist list;
    tpingarray history;
    const std::vector<std::pair<char, int>> input = {
        {'A', 30}, {'B', 10}, {'C', 30}, {'D', 10}, {'E', 20}};
    for (auto [name, ping] : input) {
      Tserverrec e = Entry(ping);
      e.hostname.assign(std::string(1, name));
      list.push_back(e);
      history.push_back({double(name), double(ping)});
    }
    SortServersByPing(list, history, true);
    QString order;
    for (size_t i = 0; i < list.size(); ++i) {
      order += QString::fromStdString(list[i].hostname.str());
      // Every history travelled with its server.
      QCOMPARE(history[i][0], double(list[i].hostname.view()[0]));
    }
    QCOMPARE(order, QStringLiteral("DBEAC"));

    // Descending, traced the same way: C A E D B.
    list.clear();
    history.clear();
    for (auto [name, ping] : input) {
      Tserverrec e = Entry(ping);
      e.hostname.assign(std::string(1, name));
      list.push_back(e);
      history.push_back({double(name)});
    }
    SortServersByPing(list, history, false);
    order.clear();
    for (size_t i = 0; i < list.size(); ++i) {
      order += QString::fromStdString(list[i].hostname.str());
      QCOMPARE(history[i][0], double(list[i].hostname.view()[0]));
    }
    QCOMPARE(order, QStringLiteral("CAEDB"));
  }

  // The pivot is followed when it is exchanged; comparing against whatever
  // lands on its old place would give 0 1 0 2 here.
  void sortAlwaysSorts() {
    std::mt19937 rng(3);
    for (int round = 0; round < 300; ++round) {
      Tserverlist list;
      tpingarray history;
      const int n = 1 + round % 17;
      for (int i = 0; i < n; ++i) {
        list.push_back(Entry(static_cast<int>(rng() % 5) - 1));
        history.push_back({double(i)});
      }
      if (round == 0) {
        list = {Entry(1), Entry(2), Entry(0), Entry(0)};
        history = {{0}, {1}, {2}, {3}};
      }
      const Tserverlist before = list;
      const bool up = round % 2 == 0;
      SortServersByPing(list, history, up);
      for (size_t i = 1; i < list.size(); ++i)
        QVERIFY(up ? list[i - 1].ping <= list[i].ping : list[i - 1].ping >= list[i].ping);
      for (size_t i = 0; i < list.size(); ++i)
        QCOMPARE(before[static_cast<size_t>(history[i][0])].ping, list[i].ping);
    }
    // One entry or none: nothing happens.
    Tserverlist one = {Entry(9)};
    tpingarray h1 = {{1.0}};
    SortServersByPing(one, h1, true);
    QCOMPARE(one[0].ping, 9);
    Tserverlist none;
    tpingarray h0;
    SortServersByPing(none, h0, false);
    QVERIFY(none.empty());
  }

  // Rows without an entry (the grid starts with 6 blank rows) and a history
  // list that is too short are never touched out of range.
  void exchangeOutOfRange() {
    Tserverlist list = {Entry(1), Entry(2)};
    tpingarray history = {{1.0}};
    TSortsArray sorter(list, history);
    sorter.Exchange(0, 5);
    sorter.Exchange(-1, 0);
    QCOMPARE(list[0].ping, 1);
    sorter.Exchange(0, 1);
    QCOMPARE(list[0].ping, 2);
    QCOMPARE(history.size(), size_t(1));
    QCOMPARE(history[0][0], 1.0);
  }
};

QTEST_MAIN(TestServerListDrawing)
#include "test_serverlistdrawing.moc"
