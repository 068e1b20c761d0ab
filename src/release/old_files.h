#pragma once

#include <string>

namespace scf {

// Deletes the files an update could not remove while the launcher ran, as listed in
// <releaseDir>/update/old_files.txt. Only files inside the release folder whose name carries
// ".scf-old" are touched; a file that cannot be deleted stays listed for the next start.
void cleanOldFiles(const std::string& releaseDir);

// True when the path, lexically normalised, lies strictly inside the normalised folder (compared
// part by part, so /opt/rel does not contain /opt/release-other/x).
bool isInsideFolder(const std::string& path, const std::string& folder);

}  // namespace scf
