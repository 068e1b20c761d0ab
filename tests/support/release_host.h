#pragma once

// The local release host (tools/release_host.py) on 127.0.0.1, started once per test program
// and ended with its job when the program ends.

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "platform/process.h"
#include "platform/python_exe.h"

namespace scf::testing {

class ReleaseHost {
 public:
  // Extra arguments choose what the host offers (for example "--tag", "v0.9.0").
  explicit ReleaseHost(const std::vector<std::string>& options = {"--tag", "v0.9.0"}) {
    std::vector<std::string> arguments = {"-I", "-B",
                                          std::string(SCF_SOURCE_DIR) + "/tools/release_host.py"};
    arguments.insert(arguments.end(), options.begin(), options.end());
    std::string error;
    if (!process_.start(findPythonExe("/nonexistent-release"), arguments, "", true, error)) return;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (base_.empty() && std::chrono::steady_clock::now() < deadline && process_.running()) {
      for (const std::string& line : process_.takeLines()) {
        if (line.rfind("PORT ", 0) == 0) base_ = "http://127.0.0.1:" + line.substr(5);
      }
      if (base_.empty()) std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
  }
  ReleaseHost(const ReleaseHost&) = delete;
  ReleaseHost& operator=(const ReleaseHost&) = delete;

  // Empty when the host did not start.
  const std::string& base() const { return base_; }
  std::string url(const std::string& path) const { return base_ + path; }

 private:
  ChildProcess process_;
  std::string base_;
};

}  // namespace scf::testing
