#include <cstdio>

#include "platform/standard_output.h"

namespace scf {

void writeStandardOutput(std::string_view bytes) {
  std::fwrite(bytes.data(), 1, bytes.size(), stdout);
  std::fflush(stdout);
}

}  // namespace scf
