#include "ui/qt/chart_view.h"

#include <QBarSet>
#include <QCategoryAxis>
#include <QChart>
#include <QLegend>
#include <QLegendMarker>
#include <QLineSeries>
#include <QStackedBarSeries>
#include <QValueAxis>
#include <algorithm>
#include <cmath>

#include "ui/qt/fonts.h"

namespace ui::qt {
namespace {

constexpr int kMostLabels = 3;  // the first, the middle and the last

QFont SmallFont(int pixels) {
  QFont font = DefaultFont();
  font.setPixelSize(pixels);
  return font;
}

// A value axis that reaches zero and a little beyond the values.
void FitAxis(QValueAxis* axis, double low, double high) {
  low = std::min(low, 0.0);
  high = std::max(high, 0.0);
  if (high - low < 1e-9) high = low + 1;
  const double margin = (high - low) * 0.08;
  axis->setRange(low < 0 ? low - margin : 0, high > 0 ? high + margin : 0);
  axis->setLabelFormat(QStringLiteral("%.0f"));
  axis->setTickCount(3);  // labels of a low chart would overlap
  axis->setLabelsFont(SmallFont(10));
}

}  // namespace

ChartView::ChartView(ui::Chart& chart, QWidget* parent)
    : QChartView(new QChart(), parent), model_(chart) {
  setRenderHint(QPainter::Antialiasing, false);
  QChart* c = this->chart();
  c->setAnimationOptions(QChart::NoAnimation);
  c->setMargins(QMargins(2, 2, 2, 2));
  c->setBackgroundRoundness(0);
  c->legend()->setAlignment(Qt::AlignBottom);
  c->legend()->setFont(SmallFont(10));
  c->setTitleFont(SmallFont(11));
  Sync();
}

void ChartView::Sync() {
  QChart* c = chart();
  c->removeAllSeries();  // deletes the series and their sets
  for (QAbstractAxis* axis : c->axes()) {
    c->removeAxis(axis);
    delete axis;
  }
  bars_ = nullptr;
  rise_ = fall_ = nullptr;
  line_ = nullptr;

  const ui::ChartData& data = model_.data();
  c->setTitle(FromGbk(data.title));
  const qsizetype n = static_cast<qsizetype>(data.categories.size());
  if (n == 0) {
    c->legend()->hide();
    return;
  }
  c->legend()->show();
  if (!data.baseline.empty()) return SyncPaths();

  rise_ = new QBarSet(FromGbk(data.bar_name));
  fall_ = new QBarSet(QString());
  rise_->setColor(ToQColor(data.rise));
  rise_->setBorderColor(ToQColor(data.rise));
  fall_->setColor(ToQColor(data.fall));
  fall_->setBorderColor(ToQColor(data.fall));
  double low = 0, high = 0;
  for (qsizetype i = 0; i < n; ++i) {
    const double v = i < static_cast<qsizetype>(data.bars.size()) ? data.bars[i] : 0;
    rise_->append(v > 0 ? v : 0);
    fall_->append(v < 0 ? v : 0);
    low = std::min(low, v);
    high = std::max(high, v);
  }
  bars_ = new QStackedBarSeries();
  bars_->append(rise_);
  bars_->append(fall_);
  bars_->setBarWidth(0.7);
  c->addSeries(bars_);

  line_ = new QLineSeries();
  line_->setName(FromGbk(data.line_name));
  line_->setColor(ToQColor(data.line_colour));
  double line_low = 0, line_high = 0;
  for (qsizetype i = 0; i < n && i < static_cast<qsizetype>(data.line.size()); ++i) {
    line_->append(static_cast<double>(i), data.line[i]);
    line_low = std::min(line_low, data.line[i]);
    line_high = std::max(line_high, data.line[i]);
  }
  c->addSeries(line_);

  // The categories as positions 0 .. n-1; a few of them carry their label.
  auto* bottom = new QCategoryAxis();
  bottom->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
  bottom->setLabelsFont(SmallFont(10));
  bottom->setGridLineVisible(false);
  bottom->setStartValue(-0.5);
  bottom->setRange(-0.5, static_cast<double>(n) - 0.5);
  qsizetype last_labelled = -1;
  for (int k = 0; k < kMostLabels; ++k) {
    const qsizetype i = kMostLabels == 1 || n == 1 ? 0 : (n - 1) * k / (kMostLabels - 1);
    if (i == last_labelled) continue;
    bottom->append(FromGbk(data.categories[static_cast<size_t>(i)]), static_cast<double>(i));
    last_labelled = i;
  }
  c->addAxis(bottom, Qt::AlignBottom);
  bars_->attachAxis(bottom);
  line_->attachAxis(bottom);

  auto* left = new QValueAxis();
  FitAxis(left, low, high);
  c->addAxis(left, Qt::AlignLeft);
  bars_->attachAxis(left);
  auto* right = new QValueAxis();
  FitAxis(right, line_low, line_high);
  right->setGridLineVisible(false);
  c->addAxis(right, Qt::AlignRight);
  line_->attachAxis(right);

  // Only the rise set is named: the legend shows one entry for the bars.
  const auto markers = c->legend()->markers(bars_);
  if (markers.size() == 2) markers[1]->setVisible(false);
}

void ChartView::SyncPaths() {
  QChart* c = chart();
  const ui::ChartData& data = model_.data();
  const qsizetype n = static_cast<qsizetype>(data.categories.size());
  auto* bottom = new QCategoryAxis();
  bottom->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
  bottom->setLabelsFont(SmallFont(10));
  bottom->setGridLineVisible(false);
  bottom->setStartValue(-0.5);
  bottom->setRange(-0.5, static_cast<double>(n) - 0.5);
  for (qsizetype i = 0; i < n; i += std::max<qsizetype>(1, (n - 1) / 2))
    bottom->append(FromGbk(data.categories[static_cast<size_t>(i)]), static_cast<double>(i));
  c->addAxis(bottom, Qt::AlignBottom);
  auto* left = new QValueAxis();
  double low = 0, high = 0;
  // The baseline first, so the row's own path is drawn over it.
  auto add = [&](const std::vector<double>& values, const std::string& name, ui::Colour colour) {
    auto* series = new QLineSeries();
    series->setName(FromGbk(name));
    series->setColor(ToQColor(colour));
    for (qsizetype i = 0; i < n && i < static_cast<qsizetype>(values.size()); ++i) {
      series->append(static_cast<double>(i), values[static_cast<size_t>(i)]);
      low = std::min(low, values[static_cast<size_t>(i)]);
      high = std::max(high, values[static_cast<size_t>(i)]);
    }
    c->addSeries(series);
    series->attachAxis(bottom);
    return series;
  };
  QLineSeries* baseline = add(data.baseline, data.baseline_name, data.baseline_colour);
  line_ = add(data.line, data.line_name, data.line_colour);
  FitAxis(left, low, high);
  left->setLabelFormat(QStringLiteral("%.1f"));
  c->addAxis(left, Qt::AlignLeft);
  baseline->attachAxis(left);
  line_->attachAxis(left);
}

QStringList ChartView::bottom_labels() const {
  for (QAbstractAxis* axis : chart()->axes(Qt::Horizontal))
    if (auto* categories = qobject_cast<QCategoryAxis*>(axis))
      return categories->categoriesLabels();
  return {};
}

}  // namespace ui::qt
