#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace scf {

// Cuts a child's output into lines as it arrives: a line ends at a line feed, and one carriage
// return before it is dropped; bytes are otherwise kept as written, with no length limit.
struct LineSplitter {
  std::string pending;  // bytes after the last line feed seen

  // Appends the complete lines found in data to lines.
  void feed(const char* data, std::size_t size, std::vector<std::string>& lines);
  // At the end of the output: an unterminated last line is queued unchanged.
  void finish(std::vector<std::string>& lines);
};

}  // namespace scf
