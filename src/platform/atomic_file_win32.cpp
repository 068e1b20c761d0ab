#include <windows.h>

#include "platform/atomic_file.h"
#include "platform/utf16_win32.h"

namespace scf {

namespace {

bool writeAll(HANDLE file, const std::string& text) {
  const char* data = text.data();
  size_t left = text.size();
  while (left > 0) {
    const DWORD chunk = left > (DWORD{1} << 30) ? (DWORD{1} << 30) : static_cast<DWORD>(left);
    DWORD written = 0;
    // No progress and no error: give up rather than loop for ever.
    if (!WriteFile(file, data, chunk, &written, nullptr) || written == 0) return false;
    data += written;
    left -= written;
  }
  return true;
}

}  // namespace

bool writeFileAtomic(const std::string& path, const std::string& text) {
  if (path.empty()) return false;
  const std::wstring target = widen(path);
  const std::wstring temporary = widen(path + ".tmp");
  // A stale temporary file is removed (a link planted there goes, not what it names), and the
  // new one is made only where nothing stands, so the text goes nowhere but the new file.
  if (!DeleteFileW(temporary.c_str()) && GetLastError() != ERROR_FILE_NOT_FOUND) return false;
  const HANDLE file = CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  // The data must be on the disk before the rename, or a power cut can leave an empty target.
  const bool written = writeAll(file, text) && FlushFileBuffers(file);
  const bool closed = CloseHandle(file) != 0;
  if (!written || !closed) return false;
  // Write-through returns only once the rename itself is on the disk. Fails, leaving the target
  // whole, when it is a folder or is held open by someone who does not share deletion.
  return MoveFileExW(temporary.c_str(), target.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED | MOVEFILE_WRITE_THROUGH) !=
         0;
}

}  // namespace scf
