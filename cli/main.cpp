// quorvane-cli: downloads, exports and store upkeep without the window.
#include "cli/cli_app.h"
#include "cli/system.h"

int main(int argc, char** argv) {
  cli::InterruptWatch interrupts;
  cli::CliEnvironment env;
  env.place = cli::ThisProgramPlace(env.environment);
  env.err_is_terminal = cli::IsTerminal(stderr);
  env.now = cli::LocalNow();
  env.stop = interrupts.token();
  return cli::RunCli(argc, argv, env);
}
