#include <windows.h>
// shellapi.h needs windows.h first.
#include <shellapi.h>

#include "platform/shell.h"
#include "platform/utf16_win32.h"

namespace scf {

void openInShell(const std::string& target) {
  if (target.empty()) return;
  // The shell starts the handler on its own and returns; what it answers changes nothing here.
  ShellExecuteW(nullptr, L"open", widen(target).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

}  // namespace scf
