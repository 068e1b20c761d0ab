#pragma once

// The local release host (tools/release_host.py) on 127.0.0.1, started once per test program
// and ended with its job when the program ends. When SCF_TEST_RELEASE_HOST holds the base
// address of a host already running with the shared options below (a Windows program under
// wine cannot start Linux Python with its output, so the test stage starts one for all), a
// host asked for with those options is that one.

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "platform/env.h"
#include "platform/process.h"
#include "platform/python_exe.h"

namespace scf::testing {

// What the shared host offers: the latest release v0.9.0, no release files, and the /test/ cases.
inline const std::vector<std::string>& sharedReleaseHostOptions() {
  static const std::vector<std::string> options = {"--tag", "v0.9.0"};
  return options;
}

class ReleaseHost {
 public:
  // Extra arguments choose what the host offers (for example "--tag", "v0.9.0").
  explicit ReleaseHost(const std::vector<std::string>& options = sharedReleaseHostOptions()) {
    const std::string shared = scf::getEnv("SCF_TEST_RELEASE_HOST");
    if (!shared.empty() && options == sharedReleaseHostOptions()) {
      base_ = shared;
      while (!base_.empty() && base_.back() == '/')
        base_.pop_back();
      return;
    }
    std::vector<std::string> arguments = {"-I", "-B",
                                          std::string(SCF_SOURCE_DIR) + "/tools/release_host.py"};
    arguments.insert(arguments.end(), options.begin(), options.end());
    std::string error;
    if (!process_.start(findPythonExe("/nonexistent-release"), arguments, "", true, error)) return;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
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
