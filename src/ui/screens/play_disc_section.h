#pragma once

#include <cstdint>
#include <string>

namespace scf {

struct App;

// The Play tab's top section until the game is built (or while a build is pending): the disc,
// the prepare or continue button, the disc check's state. freeBytes is the free space of the
// release's drive, handed in so the low-space warning follows what the caller measured.
void drawDiscSection(App& app, float contentWidth, std::uint64_t freeBytes);

// "Only 4.5 GB free on this drive." when more than 0 and less than 5 GiB are free, else empty.
std::string lowSpaceWarning(std::uint64_t freeBytes);

}  // namespace scf
