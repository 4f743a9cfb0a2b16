// A ui::Chart on screen: a Qt Charts view with the model's bars (two
// stacked sets, so that each bar takes the rise colour above zero and the
// fall colour below it) on the left axis and its line on a right axis, the
// categories along the bottom (the first, the middle and the last
// labelled, so the labels never run into each other).
#pragma once

#include <QChartView>

#include "ui/component.h"

class QBarSet;
class QLineSeries;
class QStackedBarSeries;

namespace ui::qt {

class ChartView : public QChartView {
  Q_OBJECT

 public:
  ChartView(ui::Chart& chart, QWidget* parent = nullptr);

  // Shows the model's data anew.
  void Sync();

  // What is on show, for tests: none while the model has no categories.
  QStackedBarSeries* bars() const { return bars_; }
  QBarSet* rise() const { return rise_; }
  QBarSet* fall() const { return fall_; }
  QLineSeries* line() const { return line_; }
  // The labelled categories along the bottom, in order.
  QStringList bottom_labels() const;

 private:
  // The second view: the line beside its baseline, no bars.
  void SyncPaths();
  ui::Chart& model_;
  QStackedBarSeries* bars_ = nullptr;
  QBarSet* rise_ = nullptr;
  QBarSet* fall_ = nullptr;
  QLineSeries* line_ = nullptr;
};

}  // namespace ui::qt
