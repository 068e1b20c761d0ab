#pragma once

#include <string>

namespace scf {

struct ReleaseLayout;

// What the release and the built game say they were made from, and the what's-new text.
struct ReleaseIdentity {
  std::string releaseCommit;
  std::string releaseVersion;
  std::string builtFromCommit;
  std::string changelogText;
  std::string displayVersion;
};

void readReleaseIdentity(const ReleaseLayout& layout, ReleaseIdentity& identity);

}  // namespace scf
