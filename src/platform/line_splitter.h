#pragma once

#include <cstddef>
#include <string>

#include "platform/process_line_batch.h"

namespace scf {

// Cuts a child's output into lines as it arrives: a line ends at a line feed, and one carriage
// return before it is dropped; bytes are otherwise kept as written, with no length limit.
struct LineSplitter {
  std::string pending;  // bytes after the last line feed seen

  // Adds the complete lines found in data to lines.
  void feed(const char* data, std::size_t size, LineBatch& lines);
  // At the end of the output: an unterminated last line is added unchanged.
  void finish(LineBatch& lines);
};

}  // namespace scf
