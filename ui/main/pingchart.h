// The ping chart along the bottom of the main window: the ping history of
// the selected server as a filled area, with a left value axis that is
// fixed or follows the values.
//
// A history of up to kMaxPoints samples is drawn point for point; a longer
// one with one point per group of samples (the highest of the group, so no
// spike is lost), so that plotting a reply of the selected server stays
// cheap whatever "Datenmenge" says.
#pragma once

#include <QObject>

#include <vector>

class QAreaSeries;
class QChart;
class QChartView;
class QLineSeries;
class QValueAxis;

namespace zelmora {

class PingChart : public QObject {
  Q_OBJECT

 public:
  static constexpr int kMaxPoints = 2000;

  explicit PingChart(QChartView* view, QObject* parent = nullptr);

  // The series as points zeros (the history's length).
  void Rebuild(int points);
  // Point i := values[i].
  void Plot(const std::vector<double>& values);
  // A history to show: rebuilt when its length differs, plotted when plot.
  void Show(const std::vector<double>& history, bool plot);
  void SetAxis(bool automatic, int maximum);
  int PointCount() const { return points_; }

  QChart* Chart() const { return chart_; }
  QAreaSeries* Series() const { return series_; }
  QValueAxis* Axis() const { return axisY_; }

 private:
  void ApplyAxisRange();

  QChartView* view_;
  QChart* chart_ = nullptr;
  QAreaSeries* series_ = nullptr;
  QLineSeries* upper_ = nullptr;
  QValueAxis* axisY_ = nullptr;
  QValueAxis* axisX_ = nullptr;
  int points_ = 0;  // samples of the history the chart stands for
  bool axisAuto_ = false;
  int axisMax_ = 200;
};

}  // namespace zelmora
