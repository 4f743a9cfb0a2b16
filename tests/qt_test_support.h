// Helpers for the tests of the Qt front: the application object (created by
// the test program's main, offscreen unless a platform is named) and a
// helper that answers the next message box as a user would.
#pragma once

#include <QMessageBox>
#include <QString>
#include <functional>
#include <memory>

namespace qt_testing {

struct SeenBox {
  QString title;
  QString text;
  bool seen = false;
};

// Watches for the next modal message box, records its title and text and
// presses `button` on it. Keep the returned object alive while the box may
// come up.
class BoxAnswerer {
 public:
  explicit BoxAnswerer(QMessageBox::StandardButton button);
  ~BoxAnswerer();
  const SeenBox& seen() const { return *seen_; }

 private:
  std::shared_ptr<SeenBox> seen_;
  std::shared_ptr<bool> active_;
};

// Processes events until pred() holds; false on timeout.
bool WaitUntil(const std::function<bool()>& pred, int timeout_ms = 10000);

}  // namespace qt_testing
