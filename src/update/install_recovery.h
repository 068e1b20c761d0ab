#pragma once

#include <cstdint>
#include <string>

#include "platform/process.h"
#include "release/release_layout.h"
#include "update/installer_output.h"

namespace scf {

// Finishing or undoing an install that was cut short (the machine went down, the installer was
// killed), before the launcher does anything else with the release. The installer keeps a
// journal in the update folder while it changes the release; the release's installer reads it
// back with its recovery command. An installer that still runs (its launcher was closed or
// killed) is waited for first: it finishes its own install.
class InstallRecovery {
 public:
  // The journal's name in the update folder, and the installer's recovery argument.
  static constexpr const char* kJournalName = "journal.json";
  static constexpr const char* kRecoverArgument = "--recover";

  // True when the release holds a journal, or an installer still runs on it.
  static bool needed(const ReleaseLayout& layout);
  // What a launcher that went away mid-update left in the update folder once nobody works on
  // it: a stale lock, output files, a signature whose archive the installer took away, and the
  // folder itself when that empties it.
  static void tidy(const ReleaseLayout& layout);

  // Begins; step() then advances it.
  void start(const ReleaseLayout& layout);
  // One step; true while it goes on. Bounded: it gives up after timeLimitSeconds.
  bool step(double timeLimitSeconds = 300);
  // What the user reads while it runs, in the current language.
  std::string sentence() const;
  // Why it failed, in the current language; empty when the release is whole again.
  const std::string& error() const { return error_; }

 private:
  void runRecovery();

  ReleaseLayout layout_;
  ChildProcess recovery_;
  InstallerOutput output_;
  std::string lastError_;  // the recovery's own "error " line
  std::string error_;
  bool waitingForInstaller_ = false;
  bool running_ = false;
  double startedAt_ = 0;
};

}  // namespace scf
