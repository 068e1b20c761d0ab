#pragma once

// The test-only https host (tools/https_test_host.py) on 127.0.0.1 with its plain-http trap,
// started once per test program with a certificate authority made for the run in a temporary
// folder that goes with it.

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "platform/process.h"
#include "platform/python_exe.h"
#include "support/test_support.h"

namespace scf::testing {

class HttpsHost {
 public:
  HttpsHost() {
    const std::string certs = folder_ / "certs";
    const std::vector<std::string> arguments = {
        "-I", "-B", std::string(SCF_SOURCE_DIR) + "/tools/https_test_host.py", "--certs", certs};
    std::string error;
    if (!process_.start(findPythonExe("/nonexistent-release"), arguments, "", true, error)) return;
    std::string base;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
    while (base.empty() && std::chrono::steady_clock::now() < deadline && process_.running()) {
      for (const std::string& line : process_.takeLines()) {
        if (line.rfind("TRAP ", 0) == 0) trap_ = "http://127.0.0.1:" + line.substr(5);
        if (line.rfind("PORT ", 0) == 0) base = "https://127.0.0.1:" + line.substr(5);
      }
      if (base.empty()) std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    if (base.empty() || trap_.empty()) return;
    base_ = base;
    authority_ = folder_ / "certs/ca.pem";
  }
  HttpsHost(const HttpsHost&) = delete;
  HttpsHost& operator=(const HttpsHost&) = delete;

  // Empty when the host did not start.
  const std::string& base() const { return base_; }
  std::string url(const std::string& path) const { return base_ + path; }
  // The plain-http trap's base address.
  const std::string& trap() const { return trap_; }
  // The authority's certificate (PEM) that the host's certificate is signed by.
  const std::string& authority() const { return authority_; }

 private:
  TempFolder folder_;
  ChildProcess process_;
  std::string base_;
  std::string trap_;
  std::string authority_;
};

}  // namespace scf::testing
