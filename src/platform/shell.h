#pragma once

#include <optional>
#include <string>

namespace scf {

// Hands a folder, file or web address to the desktop's default handler. Returns at once: the
// hand-over runs on the shell's own worker thread (a shell may take seconds, say while
// Explorer starts), and the handler then runs on its own, outside the launcher's session. An
// empty target does nothing.
void openInShell(const std::string& target);

// A target the desktop did not take: no handler for it, no opener installed, a path that does
// not exist. reason is the system's words for it (untranslated, like every system message).
struct ShellFailure {
  std::string target;
  std::string reason;
};

// The oldest failure not yet taken; called by the UI thread, once a frame.
std::optional<ShellFailure> takeShellFailure();

// For tests: true once every target handed over so far has been tried, waiting at most
// milliseconds.
bool shellOpensSettled(int milliseconds);

// The system's part, run on the worker: hands the target over and waits, for a bounded time,
// for the desktop's answer; empty when it took it. searchPath is PATH as it was when the target
// was handed over (read there, since only the UI thread may change the environment); Windows
// does not need it.
std::optional<std::string> openWithDesktop(const std::string& target,
                                           const std::string& searchPath);

}  // namespace scf
