// The tab control: a head strip and one full-size page widget per tab.
// Page components are placed relative to the tab control's top-left corner,
// heads included, so each page widget covers the whole control and the
// heads lie above it. The layout's pages have their heads at the left; the
// pages added after them have a strip of their own at the right end, so the
// caption that stands beside the layout's heads keeps its place.
#pragma once

#include <QTabBar>
#include <QWidget>
#include <utility>
#include <vector>

#include "ui/component.h"

namespace ui::qt {

// A head strip that shows no head as chosen while the current page is on
// the other strip.
class HeadStrip : public QTabBar {
  Q_OBJECT

 public:
  explicit HeadStrip(QWidget* parent) : QTabBar(parent) {}
  bool holds_current() const { return holds_current_; }
  void SetHoldsCurrent(bool holds);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  bool holds_current_ = true;
};

class TabControlView : public QWidget {
  Q_OBJECT

 public:
  TabControlView(ui::TabControl& tabs, QWidget* parent = nullptr);

  QWidget* page(int index) const { return pages_.at(static_cast<size_t>(index)); }
  // The layout's heads (pages 0 to 3) and the added pages' heads.
  QTabBar* heads() const { return heads_; }
  QTabBar* added_heads() const { return added_heads_; }
  // The strip and the head index of a page.
  std::pair<QTabBar*, int> HeadOf(int page) const;
  // Follows the model: heads' availability, current page, font.
  void Sync();

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void ShowCurrentPage();
  void Choose(int page);
  void PlaceAddedHeads();

  ui::TabControl& tabs_;
  HeadStrip* heads_;
  HeadStrip* added_heads_;
  std::vector<std::pair<HeadStrip*, int>> head_of_page_;
  std::vector<QWidget*> pages_;
};

}  // namespace ui::qt
