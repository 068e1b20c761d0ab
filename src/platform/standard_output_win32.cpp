#include <fcntl.h>
#include <io.h>

#include <cstdio>

#include "platform/standard_output.h"

namespace scf {

void writeStandardOutput(std::string_view bytes) {
  std::fflush(stdout);
  _setmode(_fileno(stdout), _O_BINARY);
  std::fwrite(bytes.data(), 1, bytes.size(), stdout);
  std::fflush(stdout);
}

}  // namespace scf
