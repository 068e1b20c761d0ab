#pragma once

#include <cstddef>
#include <optional>
#include <string>

namespace scf {

// The whole file as bytes when it is a regular file of at most `limit` bytes; nothing when it is
// missing, unreadable, larger, or not a plain file (a folder, a FIFO, a device). Never blocks on
// a FIFO and never reads more than limit + 1 bytes, whatever stands at the path.
std::optional<std::string> readSmallFile(const std::string& path, size_t limit);

}  // namespace scf
