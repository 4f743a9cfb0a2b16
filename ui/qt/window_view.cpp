#include "ui/qt/window_view.h"

#include <QCloseEvent>
#include <QPointer>

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
  setFixedSize(r.width, r.height);
  move(r.left, r.top);
  setWindowTitle(FromGbk(model.title()));

  Build();

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
