#include "app/exit_signals.h"

namespace app {

// The window's own close button and the session's end message reach the
// close query on Windows; there are no signals to catch.
struct ExitSignals::Catcher {};

ExitSignals::ExitSignals(std::function<void()>) : catcher_(std::make_unique<Catcher>()) {}
ExitSignals::~ExitSignals() = default;

}  // namespace app
