#include "ui/qt/tab_control_view.h"

#include <QPainter>
#include <QSignalBlocker>
#include <QStyleOptionTabWidgetFrame>
#include <QStylePainter>

#include "ui/qt/fonts.h"

namespace ui::qt {
namespace {

// A page: draws the tab pane's frame below the heads.
class TabPage : public QWidget {
 public:
  TabPage(QTabBar* heads, QWidget* parent) : QWidget(parent), heads_(heads) {}

 protected:
  void paintEvent(QPaintEvent*) override {
    QStylePainter painter(this);
    QStyleOptionTabWidgetFrame option;
    option.initFrom(this);
    const int top = heads_->sizeHint().height() - 1;
    option.rect = QRect(0, top, width(), height() - top);
    option.tabBarSize = heads_->sizeHint();
    option.shape = QTabBar::RoundedNorth;
    painter.drawPrimitive(QStyle::PE_FrameTabWidget, option);
  }

 private:
  QTabBar* heads_;
};

}  // namespace

TabControlView::TabControlView(ui::TabControl& tabs, QWidget* parent)
    : QWidget(parent), tabs_(tabs), heads_(new QTabBar(this)) {
  heads_->setObjectName(QString::fromStdString(tabs.name() + "_heads"));
  heads_->setDrawBase(false);
  heads_->setExpanding(false);
  heads_->setUsesScrollButtons(false);
  // Heads as narrow as their texts, so the caption beside them stays clear.
  heads_->setStyleSheet(QStringLiteral("QTabBar::tab { padding: 3px 7px; }"));
  for (int i = 0; i < tabs.page_count(); ++i) {
    heads_->addTab(FromGbk(tabs.page_info(i).head));
    heads_->setTabToolTip(i, FromGbk(tabs.page_info(i).tip));
    auto* page = new TabPage(heads_, this);
    page->setObjectName(QString::fromStdString(tabs.name() + "_page" + std::to_string(i)));
    pages_.push_back(page);
  }
  heads_->raise();
  connect(heads_, &QTabBar::currentChanged, this, [this](int index) {
    tabs_.UserSelectPage(index);
    // The model may refuse the page or turn to another one.
    Sync();
  });
  Sync();
}

void TabControlView::Sync() {
  const QSignalBlocker blocker(heads_);
  heads_->setFont(LayoutFont(tabs_.look().font, font()));
  for (int i = 0; i < tabs_.page_count(); ++i) heads_->setTabEnabled(i, tabs_.page_enabled(i));
  heads_->setCurrentIndex(tabs_.current_page());
  heads_->resize(heads_->sizeHint());
  ShowCurrentPage();
}

void TabControlView::ShowCurrentPage() {
  for (int i = 0; i < static_cast<int>(pages_.size()); ++i)
    pages_[static_cast<size_t>(i)]->setVisible(i == tabs_.current_page());
}

void TabControlView::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  for (QWidget* page : pages_) page->setGeometry(rect());
}

}  // namespace ui::qt
