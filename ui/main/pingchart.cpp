#include "ui/main/pingchart.h"

#include <QAreaSeries>
#include <QChart>
#include <QChartView>
#include <QGraphicsLayout>
#include <QLineSeries>
#include <QLocale>
#include <QValueAxis>

#include <algorithm>

namespace zelmora {

namespace {
const QColor kChartBack(212, 222, 242);
const QColor kChartPanel(213, 222, 242);
const QColor kSeriesColor(128, 128, 255);
}  // namespace

PingChart::PingChart(QChartView* view, QObject* parent) : QObject(parent), view_(view) {
  // The view comes with its own chart; using it leaves nothing unowned.
  chart_ = view_->chart();
  chart_->legend()->hide();
  chart_->setTitle(QString());
  chart_->setMargins(QMargins(0, 0, 0, 0));
  chart_->layout()->setContentsMargins(0, 0, 0, 0);
  chart_->setBackgroundRoundness(0);
  chart_->setBackgroundBrush(kChartPanel);
  chart_->setPlotAreaBackgroundBrush(kChartBack);
  chart_->setPlotAreaBackgroundVisible(true);
  chart_->setAnimationOptions(QChart::NoAnimation);
  axisY_ = new QValueAxis(chart_);
  // Whole milliseconds with thousands grouping ("1.500"): localised labels
  // need an explicit precision in the format, or Qt Charts draws none.
  chart_->setLocalizeNumbers(true);
  chart_->setLocale(QLocale(QLocale::German, QLocale::Germany));
  axisY_->setLabelFormat(QStringLiteral("%.0i"));
  QFont af = axisY_->labelsFont();
  af.setPixelSize(9);
  axisY_->setLabelsFont(af);
  axisY_->setTickCount(3);
  axisY_->setGridLineColor(QColor(180, 190, 215));
  axisY_->setRange(0, axisMax_);
  axisX_ = new QValueAxis(chart_);
  axisX_->setVisible(false);
  axisX_->setLabelsVisible(false);
  chart_->addAxis(axisY_, Qt::AlignLeft);
  chart_->addAxis(axisX_, Qt::AlignBottom);
  // No antialiasing: the filled area is drawn at every reply of the selected
  // server, and an antialiased fill of a long history costs the main thread
  // tens of milliseconds each time (a plain fill well under one).
  view_->setRenderHint(QPainter::Antialiasing, false);
  view_->setFrameShape(QFrame::NoFrame);
  view_->setBackgroundBrush(kChartPanel);
  view_->setInteractive(false);
  // The ping chart is a picture: no stop for the keyboard.
  view_->setFocusPolicy(Qt::NoFocus);
  Rebuild(0);
}

void PingChart::Rebuild(int points) {
  points_ = std::max(0, points);
  const int shown = std::min(points_, kMaxPoints);
  chart_->removeAllSeries();
  // The area series does not own its line; the chart owns the current one.
  delete upper_;
  upper_ = new QLineSeries(chart_);
  QList<QPointF> zeros;
  zeros.reserve(shown);
  for (int i = 0; i < shown; ++i) zeros.append(QPointF(i, 0));
  upper_->replace(zeros);
  series_ = new QAreaSeries(upper_);
  series_->setColor(kSeriesColor);
  series_->setBorderColor(kSeriesColor);
  series_->setPen(Qt::NoPen);
  series_->setBrush(kSeriesColor);
  chart_->addSeries(series_);
  series_->attachAxis(axisX_);
  series_->attachAxis(axisY_);
  axisX_->setRange(0, std::max(1, shown - 1));
  ApplyAxisRange();
}

void PingChart::Plot(const std::vector<double>& values) {
  if (!upper_) return;
  const int shown = static_cast<int>(upper_->count());
  const int n = std::min(static_cast<int>(values.size()), points_);
  QList<QPointF> points;
  points.reserve(shown);
  for (int k = 0; k < shown; ++k) {
    const qint64 from = static_cast<qint64>(k) * points_ / shown;
    const qint64 to = std::max(from + 1, static_cast<qint64>(k + 1) * points_ / shown);
    double y = upper_->at(k).y();
    if (from < n) {
      y = values[static_cast<size_t>(from)];
      for (qint64 i = from + 1; i < std::min<qint64>(to, n); ++i)
        y = std::max(y, values[static_cast<size_t>(i)]);
    }
    points.append(QPointF(k, y));
  }
  upper_->replace(points);
  if (axisAuto_) ApplyAxisRange();
}

void PingChart::Show(const std::vector<double>& history, bool plot) {
  if (points_ != static_cast<int>(history.size())) Rebuild(static_cast<int>(history.size()));
  if (plot) Plot(history);
}

void PingChart::SetAxis(bool automatic, int maximum) {
  axisAuto_ = automatic;
  axisMax_ = maximum;
  ApplyAxisRange();
}

void PingChart::ApplyAxisRange() {
  if (!axisY_) return;
  if (!axisAuto_) {
    axisY_->setRange(0, std::max(1, axisMax_));
    return;
  }
  double top = 0;
  if (upper_)
    for (const QPointF& p : upper_->points()) top = std::max(top, p.y());
  axisY_->setRange(0, top > 0 ? top : 1);
  axisY_->applyNiceNumbers();
}

}  // namespace zelmora
