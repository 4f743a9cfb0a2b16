// The tab control: a head strip and one full-size page widget per tab.
// Page components are placed relative to the tab control's top-left corner,
// heads included, so each page widget covers the whole control and the
// heads lie above it.
#pragma once

#include <QTabBar>
#include <QWidget>
#include <vector>

#include "ui/component.h"

namespace ui::qt {

class TabControlView : public QWidget {
  Q_OBJECT

 public:
  TabControlView(ui::TabControl& tabs, QWidget* parent = nullptr);

  QWidget* page(int index) const { return pages_.at(static_cast<size_t>(index)); }
  QTabBar* heads() const { return heads_; }
  // Follows the model: heads' availability, current page, font.
  void Sync();

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void ShowCurrentPage();

  ui::TabControl& tabs_;
  QTabBar* heads_;
  std::vector<QWidget*> pages_;
};

}  // namespace ui::qt
