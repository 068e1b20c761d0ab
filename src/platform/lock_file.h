#pragma once

#include <cstdint>
#include <string>

namespace scf {

// Creates the file with the text only when no file of that name exists: of two processes that
// try at once, exactly one succeeds. False when it exists already or cannot be made.
bool createFileExclusively(const std::string& path, const std::string& text);

// True while a process with this id exists (a process id the system may give again after its
// end: callers accept that rare mistake on the safe side).
bool processAlive(std::uint32_t processId);

// This process's id.
std::uint32_t currentProcessId();

}  // namespace scf
