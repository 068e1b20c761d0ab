#pragma once

#include <cstdint>

namespace scf {

// Ends a process and every process descended from it, found by walking the system's process
// list by parent identifier: the way to end a tree that is not in a job. root is a handle to
// the process (with terminate access), which also keeps its identifier from being reused
// while the walk runs. Returns at once; processes end moments later.
void endProcessTree(void* root, std::uint32_t rootId, std::uint32_t exitCode);

}  // namespace scf
