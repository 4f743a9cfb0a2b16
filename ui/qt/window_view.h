// The main window on screen: a QMainWindow built from the window model at
// the layout's pixel geometry, one bound widget per component.
#pragma once

#include <QMainWindow>
#include <memory>
#include <unordered_map>

#include "ui/main_window.h"
#include "ui/platform.h"
#include "ui/qt/balloon_popup.h"

namespace ui::qt {

class GridView;
class TabControlView;

class WindowView : public QMainWindow {
  Q_OBJECT

 public:
  WindowView(ui::MainWindow& model, ui::Platform& platform);
  ~WindowView() override;

  ui::MainWindow& model() { return model_; }
  // The widget of a component (nullptr for the window itself).
  QWidget* WidgetFor(const ui::Component& component) const;
  GridView* GridViewFor(const ui::Grid& grid) const;
  TabControlView* tab_control() const { return tabs_; }
  BalloonPopup& balloon() { return *balloon_; }

 protected:
  // Asks the model's close query; the window stays when it answers no.
  void changeEvent(QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void Build();
  // Which widgets follow a window larger than the layout: the tab control,
  // the grids (and the frames holding them) grow into the room nothing
  // else of their page takes; the window's own row under the tab control
  // moves down with the bottom edge. Everything else keeps its place.
  void PlanGrowth();
  void ApplyGrowth(const ui::Component& component, QWidget* widget) const;

  struct Growth {
    bool right = false;
    bool down = false;
    bool follow_bottom = false;
  };
  QWidget* ParentFor(const ui::Component& component) const;

  ui::MainWindow& model_;
  ui::Platform& platform_;
  QWidget* client_;
  TabControlView* tabs_ = nullptr;
  std::unique_ptr<BalloonPopup> balloon_;
  std::unordered_map<const ui::Component*, QWidget*> widgets_;
  std::unordered_map<const ui::Component*, Growth> growth_;
};

}  // namespace ui::qt
