#include "app/text_mode.h"

#include <cstdio>

#include "app/launch_options.h"
#include "harness/self_check.h"
#include "platform/build_info.h"
#include "platform/file_open.h"
#include "platform/standard_output.h"

namespace scf {

std::string versionLines() {
  return std::string("version ") + kLauncherVersion + "\ncommit " + kSourceCommit + "\n";
}

int runTextMode(const LaunchOptions& options, const std::string& releaseFolder) {
  std::string text = versionLines();
  bool passed = true;
  if (!options.selfCheckFile.empty())
    passed = runSelfCheck(releaseFolder, options.selfCheckFile, text);
  if (!options.reportFile.empty()) {
    // A report file that cannot be opened loses the text; the exit code still tells.
    if (FILE* file = openFile(options.reportFile, "wb")) {
      std::fwrite(text.data(), 1, text.size(), file);
      std::fclose(file);
    }
  } else {
    writeStandardOutput(text);
  }
  return passed ? 0 : 1;
}

}  // namespace scf
