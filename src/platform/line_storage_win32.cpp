#include <cstdlib>
#include <new>

#include "platform/process_line_batch.h"

namespace scf::line_storage {

// Windows has no in-place growth of a mapping by moving pages, and no fork to keep the room out
// of: the C heap serves every size.
void* resize(void* old, std::size_t /*oldCapacity*/, std::size_t /*used*/, std::size_t& capacity) {
  void* grown = std::realloc(old, capacity);
  if (grown == nullptr) throw std::bad_alloc();
  return grown;
}

void release(void* data, std::size_t /*capacity*/) {
  std::free(data);
}

}  // namespace scf::line_storage
