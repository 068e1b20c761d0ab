#pragma once

#include <string>
#include <vector>

namespace scf {

// A launcher restarted after an install carries what the install put in place as an argument
// "--installed=<tag>" (one argument, so no tag can read as another option), one per install in
// the chain of restarts, so that no start of that chain installs the same release again, even
// when the release's launcher reports an older version than its tag.

// Whether an earlier start of this chain installed tag.
bool installedInChain(const std::vector<std::string>& launchArgs, const std::string& tag);

// The arguments of the restart after tag was installed: the launcher's own, and tag.
std::vector<std::string> restartArguments(const std::vector<std::string>& launchArgs,
                                          const std::string& tag);

}  // namespace scf
