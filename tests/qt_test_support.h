// Helpers for the tests of the Qt front: the application object (created by
// the test program's main, offscreen unless a platform is named), a hook
// that acts on a popup or a modal window as soon as it shows, and a helper
// that answers the next real message box as a user would.
#pragma once

#include <QMessageBox>
#include <QObject>
#include <QString>
#include <functional>
#include <memory>

namespace qt_testing {

// Calls `act` once, for the next widget of the kind (its class or one
// derived from it) that shows: an event filter on the application sees the
// widget's Show event, and `act` runs queued, inside the widget's own event
// loop (a modal box's or a menu's). No timer looks for the widget. Keep the
// object alive while the widget may come up.
class WhenShown : public QObject {
 public:
  WhenShown(const QMetaObject& kind, std::function<void(QWidget*)> act);
  ~WhenShown() override;
  bool shown() const { return shown_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  const QMetaObject& kind_;
  std::function<void(QWidget*)> act_;
  bool shown_ = false;
};

struct SeenBox {
  QString title;
  QString text;
  QMessageBox::StandardButtons buttons;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  QStringList button_texts;  // in the box's order
  bool seen = false;
};

// Waits for the next real message box, records what it shows and presses
// `button` on it.
class BoxAnswerer {
 public:
  explicit BoxAnswerer(QMessageBox::StandardButton button);
  const SeenBox& seen() const { return *seen_; }

 private:
  std::shared_ptr<SeenBox> seen_;
  WhenShown watch_;
};

// Processes events until pred() holds; false on timeout.
bool WaitUntil(const std::function<bool()>& pred, int timeout_ms = 10000);

}  // namespace qt_testing
