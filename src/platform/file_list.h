#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace scf {

// One file of a folder listing: its full path and its last-write time stamp. The time's unit
// is the file system's own (nanoseconds since 1970 on Linux, 100 ns since 1601 on Windows); it is
// only ever compared with another.
struct FileEntry {
  std::string path;
  std::int64_t writeTime = 0;
};

// The regular files of folder whose names end in suffix, as folder + separator + name ("/" on
// Linux, "\\" on Windows, where the shell is handed such paths), in the order the file system
// lists them. The suffix is compared without regard to ASCII case (".txt" finds CRASH.TXT), as
// Windows names match. Sub-folders and other kinds of entries are left out; a missing or
// unreadable folder gives an empty list. No file is opened, so a FIFO cannot block it.
std::vector<FileEntry> listFiles(const std::string& folder, std::string_view suffix);

}  // namespace scf
