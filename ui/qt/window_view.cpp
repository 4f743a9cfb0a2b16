#include "ui/qt/window_view.h"

#include <QCloseEvent>
#include <QPointer>
#include <QResizeEvent>
#include <algorithm>
#include <vector>

#include "ui/qt/chart_view.h"
#include "ui/qt/component_binding.h"
#include "ui/qt/fonts.h"
#include "ui/qt/grid_view.h"
#include "ui/qt/tab_control_view.h"

namespace ui::qt {

WindowView::WindowView(ui::MainWindow& model, ui::Platform& platform)
    : model_(model),
      platform_(platform),
      client_(new QWidget(this)),
      balloon_(std::make_unique<BalloonPopup>()) {
  setObjectName(QString::fromStdString(model.name()));
  setFont(DefaultFont());
  client_->setObjectName(QStringLiteral("client"));
  QPalette palette = client_->palette();
  palette.setColor(QPalette::Window, ToQColor(ui::MainWindow::kBackground));
  client_->setPalette(palette);
  client_->setAutoFillBackground(true);
  setCentralWidget(client_);

  const ui::Rect& r = model.place();
  // The layout's size is the smallest; a larger window grows the grids.
  setMinimumSize(r.width, r.height);
  resize(r.width, r.height);
  move(r.left, r.top);
  setWindowTitle(FromGbk(model.title()));

  Build();
  PlanGrowth();

  // The window's own caption is its title.
  QPointer<WindowView> self(this);
  model_.AddListener([self](ui::Component&, ui::Property property) {
    if (self && property == ui::Property::kCaption)
      self->setWindowTitle(FromGbk(self->model_.title()));
  });
  model_.close_window = [self] {
    if (self) self->close();
  };
}

WindowView::~WindowView() {
  model_.close_window = nullptr;
}

QWidget* WindowView::ParentFor(const ui::Component& c) const {
  const ui::Component* container = c.container();
  if (container == nullptr || container == &model_) return client_;
  if (container->kind() == ui::Kind::kTabControl) return tabs_->page(c.page());
  return WidgetFor(*container);
}

void WindowView::Build() {
  // Components come containers first; later ones lie above earlier ones.
  for (ui::Component* c : model_.components()) {
    QWidget* parent = ParentFor(*c);
    QWidget* w = nullptr;
    switch (c->kind()) {
      case ui::Kind::kTabControl: {
        tabs_ = new TabControlView(static_cast<ui::TabControl&>(*c), parent);
        w = tabs_;
        w->setObjectName(QString::fromStdString(c->name()));
        ApplyAll(*c, w);
        tabs_->Sync();
        QPointer<TabControlView> view(tabs_);
        c->AddListener([view](ui::Component& tab, ui::Property property) {
          if (!view) return;
          if (property == ui::Property::kCurrentPage || property == ui::Property::kPageEnabled ||
              property == ui::Property::kLook) {
            view->Sync();
          } else {
            ApplyProperty(tab, view.data(), property);
          }
        });
        break;
      }
      case ui::Kind::kGrid: {
        auto& grid = static_cast<ui::Grid&>(*c);
        const bool details = &grid == &model_.高级表格_上榜明细;
        w = new GridView(grid, details ? GridView::Style::kDetails : GridView::Style::kListing,
                         platform_, parent);
        w->setObjectName(QString::fromStdString(c->name()));
        ApplyAll(*c, w);
        FollowComponent(*c, w);
        break;
      }
      case ui::Kind::kChart: {
        auto* chart = new ChartView(static_cast<ui::Chart&>(*c), parent);
        w = chart;
        w->setObjectName(QString::fromStdString(c->name()));
        ApplyAll(*c, w);
        QPointer<ChartView> view(chart);
        c->AddListener([view](ui::Component& component, ui::Property property) {
          if (!view) return;
          if (property == ui::Property::kChartData) {
            view->Sync();
          } else {
            ApplyProperty(component, view.data(), property);
          }
        });
        break;
      }
      case ui::Kind::kBalloonTip:
        w = balloon_.get();
        break;
      default:
        w = CreateComponentWidget(*c, parent, platform_);
        break;
    }
    if (w == nullptr) continue;
    widgets_[c] = w;
    if (w != balloon_.get()) w->raise();
  }

  // A date box without a value holds the moment the window opens.
  for (ui::DateBox* box : {&model_.日期框1, &model_.日期框2})
    if (box->value() == ui::DateTime{}) box->SetValue(platform_.Now());
}

QWidget* WindowView::WidgetFor(const ui::Component& component) const {
  auto it = widgets_.find(&component);
  return it == widgets_.end() ? nullptr : it->second;
}

GridView* WindowView::GridViewFor(const ui::Grid& grid) const {
  return qobject_cast<GridView*>(WidgetFor(grid));
}

namespace {

bool OverlapsAcross(int a_from, int a_length, int b_from, int b_length) {
  return a_from < b_from + b_length && b_from < a_from + a_length;
}

// Whether `other` lies to the right of `c`, or under it, on the same parent.
bool LiesRightOf(const ui::Rect& c, const ui::Rect& other) {
  return other.left >= c.left + c.width && OverlapsAcross(c.top, c.height, other.top, other.height);
}

bool LiesUnder(const ui::Rect& c, const ui::Rect& other) {
  return other.top >= c.top + c.height && OverlapsAcross(c.left, c.width, other.left, other.width);
}

bool HoldsGrid(const ui::Component& frame, const std::vector<ui::Component*>& all) {
  for (const ui::Component* c : all)
    if (c->container() == &frame && c->kind() == ui::Kind::kGrid) return true;
  return false;
}

}  // namespace

void WindowView::PlanGrowth() {
  const std::vector<ui::Component*>& all = model_.components();
  const ui::Component* tab_control = nullptr;
  for (const ui::Component* c : all)
    if (c->kind() == ui::Kind::kTabControl) tab_control = c;
  const auto siblings = [](const ui::Component* c, const ui::Component* other) {
    return other != c && other->container() == c->container() && other->page() == c->page() &&
           other->kind() != ui::Kind::kBalloonTip;
  };
  const auto is_text = [](const ui::Component* c) {
    return c->kind() == ui::Kind::kLabel || c->kind() == ui::Kind::kTransparentLabel;
  };
  // The grids, and the frames that hold them, take the room that no other
  // control of their page takes; a line of text under one moves down.
  for (const ui::Component* c : all) {
    if (widgets_.count(c) == 0) continue;
    if (c == tab_control) {
      growth_[c] = Growth{true, true, false};
      continue;
    }
    if (c->kind() != ui::Kind::kGrid && !(c->kind() == ui::Kind::kFrameBox && HoldsGrid(*c, all)))
      continue;
    Growth g{true, true, false};
    for (const ui::Component* other : all) {
      if (!siblings(c, other) || is_text(other)) continue;
      if (LiesRightOf(c->place(), other->place())) g.right = false;
      if (LiesUnder(c->place(), other->place())) g.down = false;
    }
    growth_[c] = g;
  }
  for (const ui::Component* c : all) {
    if (widgets_.count(c) == 0 || growth_.count(c) != 0) continue;
    bool follow = false;
    if (tab_control != nullptr && (c->container() == nullptr || c->container() == &model_)) {
      follow = c->place().top >= tab_control->place().top + tab_control->place().height;
    } else if (is_text(c)) {
      for (const auto& [grown, g] : growth_)
        if (g.down && siblings(grown, c) && LiesUnder(grown->place(), c->place())) follow = true;
    }
    if (follow) growth_[c] = Growth{false, false, true};
  }
  QPointer<WindowView> self(this);
  for (const auto& [component, growth] : growth_)
    const_cast<ui::Component*>(component)->AddListener(
        [self](ui::Component& c, ui::Property p) {
          if (self && p == ui::Property::kPlace) self->ApplyGrowth(c, self->WidgetFor(c));
        });
}

void WindowView::ApplyGrowth(const ui::Component& component, QWidget* widget) const {
  auto it = growth_.find(&component);
  if (widget == nullptr || it == growth_.end()) return;
  const ui::Rect& layout = model_.place();
  const int dx = std::max(0, width() - layout.width);
  const int dy = std::max(0, height() - layout.height);
  const ui::Rect& r = component.place();
  const Growth& g = it->second;
  widget->setGeometry(r.left, r.top + (g.follow_bottom ? dy : 0), r.width + (g.right ? dx : 0),
                      r.height + (g.down ? dy : 0));
}

void WindowView::resizeEvent(QResizeEvent* event) {
  QMainWindow::resizeEvent(event);
  for (const auto& [component, growth] : growth_) ApplyGrowth(*component, WidgetFor(*component));
}

void WindowView::changeEvent(QEvent* event) {
  QMainWindow::changeEvent(event);
  if (event->type() == QEvent::ActivationChange && isActiveWindow()) model_.RaiseActivated();
}

void WindowView::closeEvent(QCloseEvent* event) {
  if (model_.RaiseCloseQuery()) {
    balloon_->hide();
    event->accept();
  } else {
    event->ignore();
  }
}

}  // namespace ui::qt
