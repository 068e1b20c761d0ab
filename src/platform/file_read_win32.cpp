#include <windows.h>

#include "platform/file_read.h"
#include "platform/utf16_win32.h"

namespace scf {

namespace {

class Handle {
 public:
  explicit Handle(HANDLE handle) : handle_(handle) {}
  ~Handle() {
    if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
  }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  HANDLE get() const { return handle_; }

 private:
  HANDLE handle_;
};

}  // namespace

std::optional<std::string> readSmallFile(const std::string& path, size_t limit) {
  if (path.empty()) return std::nullopt;
  // Opening never waits (a named pipe without a free instance fails at once), and a folder
  // cannot be opened without backup semantics. Others may keep writing or even delete the file.
  const Handle file(CreateFileW(widen(path).c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (file.get() == INVALID_HANDLE_VALUE) return std::nullopt;
  // A pipe, console or other device could block a read for ever: only files on a disk are read.
  if (GetFileType(file.get()) != FILE_TYPE_DISK) return std::nullopt;
  BY_HANDLE_FILE_INFORMATION info{};
  if (!GetFileInformationByHandle(file.get(), &info) ||
      (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    return std::nullopt;
  }
  const unsigned long long size =
      (static_cast<unsigned long long>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
  if (size > limit) return std::nullopt;
  // The file may grow while it is read: read one byte past the limit to see it.
  std::string text(static_cast<size_t>(size) + 1, '\0');
  size_t filled = 0;
  for (;;) {
    if (filled == text.size()) {
      if (text.size() > limit) return std::nullopt;
      text.resize(text.size() < limit / 2 ? text.size() * 2 + 1 : limit + 1);
    }
    const size_t wanted = text.size() - filled;
    const DWORD chunk = wanted > (DWORD{1} << 30) ? (DWORD{1} << 30) : static_cast<DWORD>(wanted);
    DWORD count = 0;
    if (!ReadFile(file.get(), text.data() + filled, chunk, &count, nullptr)) return std::nullopt;
    if (count == 0) break;
    filled += count;
  }
  text.resize(filled);
  return text;
}

}  // namespace scf
