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

 private:
  void Build();
  QWidget* ParentFor(const ui::Component& component) const;

  ui::MainWindow& model_;
  ui::Platform& platform_;
  QWidget* client_;
  TabControlView* tabs_ = nullptr;
  std::unique_ptr<BalloonPopup> balloon_;
  std::unordered_map<const ui::Component*, QWidget*> widgets_;
};

}  // namespace ui::qt
