#pragma once

// Helpers of the kit's C++ tests: a temporary folder, environment variables put back after a
// test, and a demo release assembled by tools/make_release.py.

#ifndef _WIN32
#include <sys/wait.h>
#endif

#include <cstdlib>
#include <filesystem>
#include <map>
#include <optional>
#include <string>

#include "demo_kit_skip.h"
#include "support/test_support.h"

namespace scf_kit_test {

inline const std::string kCommit = "89abcdef0123456789abcdef0123456789abcdef";

using scf::testing::EnvGuard;
using scf::testing::TempFolder;

inline std::string shellWord(const std::string& text) {
  return "'" + text + "'";
}

// Runs a shell command; its exit code, or -1 when it did not exit normally.
inline int run(const std::string& command) {
  const int status = std::system(command.c_str());
#ifdef _WIN32
  return status;
#else
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
}

inline std::string tool(const std::string& name) {
  return "python3 -B -I -X utf8 " + shellWord(std::string(SCF_SOURCE_DIR) + "/tools/" + name);
}

// Assembles a release with the built launcher and demo game into folder; true on success.
inline bool makeRelease(const std::string& folder) {
  return run(tool("make_release.py") + " --launcher " + shellWord(SCF_LAUNCHER_EXE) + " --game " +
             shellWord(SCF_DEMO_GAME) + " --out " + shellWord(folder) + " --commit " + kCommit +
             " >/dev/null") == 0;
}

// Writes every demo disc into folder; true on success.
inline bool makeDiscs(const std::string& folder) {
  return run(tool("make_disc.py") + " --all " + shellWord(folder) + " >/dev/null") == 0;
}

}  // namespace scf_kit_test
