#include "ui/qt/tab_control_view.h"

#include <QPainter>
#include <QSignalBlocker>
#include <QStyleOptionTab>
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

void HeadStrip::SetHoldsCurrent(bool holds) {
  if (holds == holds_current_) return;
  holds_current_ = holds;
  update();
}

void HeadStrip::paintEvent(QPaintEvent* event) {
  if (holds_current_) return QTabBar::paintEvent(event);
  QStylePainter painter(this);
  for (int i = 0; i < count(); ++i) {
    QStyleOptionTab option;
    initStyleOption(&option, i);
    option.state &= ~QStyle::State_Selected;
    painter.drawControl(QStyle::CE_TabBarTab, option);
  }
}

TabControlView::TabControlView(ui::TabControl& tabs, QWidget* parent)
    : QWidget(parent), tabs_(tabs), heads_(new HeadStrip(this)), added_heads_(new HeadStrip(this)) {
  heads_->setObjectName(QString::fromStdString(tabs.name() + "_heads"));
  added_heads_->setObjectName(QString::fromStdString(tabs.name() + "_added_heads"));
  for (HeadStrip* strip : {heads_, added_heads_}) {
    strip->setDrawBase(false);
    strip->setExpanding(false);
    strip->setUsesScrollButtons(false);
    // Heads as narrow as their texts, so the caption beside them stays clear.
    strip->setStyleSheet(QStringLiteral("QTabBar::tab { padding: 3px 7px; }"));
  }
  for (int i = 0; i < tabs.page_count(); ++i) {
    HeadStrip* strip = tabs.page_info(i).beyond_layout ? added_heads_ : heads_;
    const int head = strip->addTab(FromGbk(tabs.page_info(i).head));
    strip->setTabToolTip(head, FromGbk(tabs.page_info(i).tip));
    head_of_page_.emplace_back(strip, head);
    auto* page = new TabPage(heads_, this);
    page->setObjectName(QString::fromStdString(tabs.name() + "_page" + std::to_string(i)));
    pages_.push_back(page);
  }
  added_heads_->setVisible(added_heads_->count() > 0);
  for (HeadStrip* strip : {heads_, added_heads_}) {
    strip->raise();
    connect(strip, &QTabBar::currentChanged, this, [this, strip](int head) {
      for (int page = 0; page < static_cast<int>(head_of_page_.size()); ++page)
        if (head_of_page_[static_cast<size_t>(page)] == std::pair{strip, head}) Choose(page);
    });
    // A click on the head a strip still marks as its own while the current
    // page is on the other strip changes nothing in the strip itself.
    connect(strip, &QTabBar::tabBarClicked, this, [this, strip](int head) {
      if (strip->holds_current() || head < 0 || head != strip->currentIndex()) return;
      for (int page = 0; page < static_cast<int>(head_of_page_.size()); ++page)
        if (head_of_page_[static_cast<size_t>(page)] == std::pair{strip, head}) Choose(page);
    });
  }
  Sync();
}

std::pair<QTabBar*, int> TabControlView::HeadOf(int page) const {
  const auto& [strip, head] = head_of_page_.at(static_cast<size_t>(page));
  return {strip, head};
}

void TabControlView::Choose(int page) {
  if (page == tabs_.current_page()) return;
  tabs_.UserSelectPage(page);
  // The model may refuse the page or turn to another one.
  Sync();
}

void TabControlView::Sync() {
  const QSignalBlocker blocker(heads_);
  const QSignalBlocker added_blocker(added_heads_);
  for (HeadStrip* strip : {heads_, added_heads_})
    strip->setFont(LayoutFont(tabs_.look().font, font()));
  for (int i = 0; i < tabs_.page_count(); ++i) {
    const auto& [strip, head] = head_of_page_[static_cast<size_t>(i)];
    strip->setTabEnabled(head, tabs_.page_enabled(i));
  }
  const auto& [current_strip, current_head] =
      head_of_page_.at(static_cast<size_t>(tabs_.current_page()));
  current_strip->setCurrentIndex(current_head);
  heads_->SetHoldsCurrent(current_strip == heads_);
  added_heads_->SetHoldsCurrent(current_strip == added_heads_);
  heads_->resize(heads_->sizeHint());
  PlaceAddedHeads();
  ShowCurrentPage();
}

void TabControlView::PlaceAddedHeads() {
  const QSize size = added_heads_->sizeHint();
  added_heads_->setGeometry(width() - size.width(), 0, size.width(), size.height());
}

void TabControlView::ShowCurrentPage() {
  for (int i = 0; i < static_cast<int>(pages_.size()); ++i)
    pages_[static_cast<size_t>(i)]->setVisible(i == tabs_.current_page());
}

void TabControlView::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  for (QWidget* page : pages_) page->setGeometry(rect());
  PlaceAddedHeads();
}

}  // namespace ui::qt
