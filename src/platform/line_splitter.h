#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "platform/process_line_batch.h"

namespace scf {

// Cuts a child's output into lines as it arrives: a line ends at a line feed, and one carriage
// return before it is dropped; bytes are otherwise kept as written, with no length limit.
//
// The work is in two steps so that a reader can find the lines outside its lock and add them
// under it with one copy: scan() a piece of output, then addTo() the queue.
struct LineSplitter {
  std::string pending;  // bytes after the last line feed seen

  // Finds the complete lines that data ends (data must stay as it is until addTo).
  void scan(const char* data, std::size_t size);
  // True when the last scan found no complete line.
  bool nothingFound() const { return contentEnds.empty(); }
  // Adds the lines the last scan found to lines and keeps what follows them as pending.
  void addTo(LineBatch& lines);
  // Both steps at once.
  void feed(const char* data, std::size_t size, LineBatch& lines) {
    scan(data, size);
    addTo(lines);
  }
  // At the end of the output: an unterminated last line is added unchanged.
  void finish(LineBatch& lines);

 private:
  const char* data_ = nullptr;
  std::size_t size_ = 0;
  std::size_t cut_ = 0;                  // bytes of data up to and including its last line feed
  std::vector<std::size_t> contentEnds;  // counted from the start of pending
};

}  // namespace scf
