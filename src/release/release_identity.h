#pragma once

#include <string>

namespace scf {

struct ReleaseLayout;

// What the release and the built game say they were made from, and the what's-new text.
struct ReleaseIdentity {
  std::string releaseCommit;
  std::string releaseVersion;
  std::string builtFromCommit;
  // Set when a build has just rewritten the game's built-from record: builtFromCommit holds the
  // commit the build was given until the file facts' worker has read the record again.
  bool builtFromToRead = false;
  unsigned builtFromGeneration = 0;  // builds that rewrote it in this session
  std::string changelogText;
  std::string displayVersion;
};

void readReleaseIdentity(const ReleaseLayout& layout, ReleaseIdentity& identity);

}  // namespace scf
