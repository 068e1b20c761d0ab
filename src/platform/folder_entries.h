#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace scf {

// The separator the system's own paths use between a folder and a name.
#ifdef _WIN32
inline constexpr char kFolderSeparator = '\\';
#else
inline constexpr char kFolderSeparator = '/';
#endif

// One entry of a folder, as the listing tells it, without opening or following anything.
struct FolderEntry {
  // The name as the system gives it: bytes on Linux (not always UTF-8), UTF-8 on Windows.
  std::string name;
  // Links (symbolic links, junctions) are neither: they are never followed.
  enum class Kind { file, folder, other };
  Kind kind = Kind::other;
  bool hidden = false;  // a dot-name, or the hidden attribute on Windows
};

// Calls each for every entry of the folder (without "." and ".."), in the system's order, until
// it returns false. A folder that cannot be read gives nothing and false.
bool readFolder(const std::string& folder, const std::function<bool(const FolderEntry&)>& each);

// What a regular file is, without opening it or following a link.
struct RegularFileFacts {
  std::uint64_t size = 0;
  std::int64_t modified = 0;  // seconds since 1970
};

// The facts of a regular file; nothing for a link, a folder, a FIFO, a device, or a path that
// cannot be read.
std::optional<RegularFileFacts> regularFileFacts(const std::string& path);

}  // namespace scf
