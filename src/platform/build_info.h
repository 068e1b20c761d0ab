#pragma once

namespace scf {

// The launcher's version and the commit of the source tree it was built from (40 hex digits),
// both fixed at build time.
extern const char* const kLauncherVersion;
extern const char* const kSourceCommit;

}  // namespace scf
