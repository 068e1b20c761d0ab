#include <windows.h>
// shellapi.h and objbase.h need windows.h first.
#include <objbase.h>
#include <shellapi.h>

#include "platform/last_error.h"
#include "platform/shell.h"
#include "platform/utf16_win32.h"

namespace scf {

std::optional<std::string> openWithDesktop(const std::string& target, const std::string&) {
  // The shell may hand the target to an extension through COM, which this thread then needs.
  const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
  const std::wstring file = widen(target);
  SHELLEXECUTEINFOW request{};
  request.cbSize = sizeof request;
  // The launcher says what failed itself, so the shell shows no box of its own; and the call
  // ends only once the shell has finished with the request, as this thread may take the next.
  request.fMask = SEE_MASK_FLAG_NO_UI | SEE_MASK_NOASYNC;
  request.lpVerb = L"open";
  request.lpFile = file.c_str();
  request.nShow = SW_SHOWNORMAL;
  const bool opened = ShellExecuteExW(&request) != 0;
  const DWORD error = GetLastError();
  if (SUCCEEDED(com)) CoUninitialize();
  if (opened) return std::nullopt;
  return errorText(static_cast<int>(error));
}

}  // namespace scf
