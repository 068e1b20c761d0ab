#include <sys/mman.h>

#include <cstdlib>
#include <cstring>
#include <new>

#include "platform/process_line_batch.h"

namespace scf::line_storage {

namespace {

constexpr std::size_t mappedFrom = std::size_t{1} << 20;
constexpr std::size_t hugePage = std::size_t{2} << 20;

}  // namespace

void* resize(void* old, std::size_t oldCapacity, std::size_t used, std::size_t& capacity) {
  if (capacity < mappedFrom) {
    void* grown = std::realloc(old, capacity);
    if (grown == nullptr) throw std::bad_alloc();
    return grown;
  }
  capacity = (capacity + hugePage - 1) / hugePage * hugePage;
  void* grown = oldCapacity >= mappedFrom ? mremap(old, oldCapacity, capacity, MREMAP_MAYMOVE)
                                          : mmap(nullptr, capacity, PROT_READ | PROT_WRITE,
                                                 MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (grown == MAP_FAILED) throw std::bad_alloc();
  madvise(grown, capacity, MADV_HUGEPAGE);
  // A child forked while the room is kept would share it copy-on-write, and each later write
  // here would copy a page; no child ever needs it.
  madvise(grown, capacity, MADV_DONTFORK);
  if (oldCapacity < mappedFrom) {
    if (used > 0) std::memcpy(grown, old, used);
    std::free(old);
  }
  return grown;
}

void release(void* data, std::size_t capacity) {
  if (data == nullptr) return;
  if (capacity >= mappedFrom) {
    munmap(data, capacity);
  } else {
    std::free(data);
  }
}

}  // namespace scf::line_storage
