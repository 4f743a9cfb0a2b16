// Values the program takes when it starts and keeps for its whole run.
#pragma once

#include <string>

namespace program {

struct ProgramSettings {
  std::string source_host = "127.0.0.1:18080";  // host[:port] of the listing pages
};

}  // namespace program
