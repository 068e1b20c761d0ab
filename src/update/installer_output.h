#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace scf {

// The lines a free-standing installer writes into its output file, taken as they are appended.
// The installer runs outside the launcher's job with no pipe to the launcher (a pipe would tie
// its fate to the launcher's), so its output goes to a file that the launcher follows. Used on
// the UI thread only.
class InstallerOutput {
 public:
  // Follows the file at path from its start (it need not exist yet).
  void follow(const std::string& path);
  const std::string& path() const { return path_; }
  // The complete lines appended since the last call, without their line ends; with final (the
  // installer has ended), also a last line that has no end. At most 64 KiB is read per call before
  // the end.
  std::vector<std::string> takeLines(bool final = false);

 private:
  std::string path_;
  std::uint64_t offset_ = 0;
  std::string pending_;
};

// The interpreter arguments that run script with args and send its output (standard output
// and error) into outputFile, line by line.
std::vector<std::string> outputToFileArguments(const std::string& outputFile,
                                               const std::string& script,
                                               const std::vector<std::string>& args);

}  // namespace scf
