#include <cstdio>

#include "platform/file_open.h"
#include "platform/utf16_win32.h"

namespace scf {

std::FILE* openFile(const std::string& path, const char* mode) {
  return _wfopen(widen(path).c_str(), widen(mode).c_str());
}

}  // namespace scf
