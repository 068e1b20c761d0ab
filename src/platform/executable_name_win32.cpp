#include "platform/executable_name.h"

namespace scf {

std::string executableName(std::string_view base) {
  return std::string(base) + ".exe";
}

}  // namespace scf
