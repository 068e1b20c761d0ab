#include "harness/self_check.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <thread>

#include "app/app.h"
#include "app/disc_actions.h"
#include "app/resolve_layout.h"
#include "platform/build_info.h"
#include "platform/clock.h"
#include "platform/utf8_path.h"
#include "prepare/disc_check.h"
#include "release/release_layout.h"

namespace scf {

namespace {

// The kit's own words for a file that is no disc image.
constexpr const char* kExpectedRejection = "not an ISO9660 disc image";

std::string secondsText(double seconds) {
  char text[400];
  std::snprintf(text, sizeof text, "%g", seconds);
  return text;
}

// Runs the kit's disc check on file and waits for its verdict. False when it did not end within
// the bound; the kit is then ended.
bool checkDisc(App& app, const std::string& file, double boundSeconds) {
  startDiscCheck(app, file);
  const double start = nowSeconds();
  while (app.discCheck.discChecking) {
    if (nowSeconds() - start >= boundSeconds) {
      app.discCheck.process.kill();
      return false;
    }
    // libstdc++ resumes the sleep when a signal interrupts it.
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    pollDiscCheck(app);
  }
  return true;
}

}  // namespace

bool runSelfCheck(const std::string& releaseFolder, const std::string& checkFile, std::string& text,
                  double boundSeconds) {
  bool passed = true;
  auto line = [&text](const std::string& content) { text += content + "\n"; };
  auto fail = [&](const std::string& content) {
    line("FAIL " + content);
    passed = false;
  };

  auto app = std::make_unique<App>();
  resolveLayout(*app, releaseFolder);
  const ReleaseIdentity& identity = app->identity;
  const bool missing = !app->missingItem.empty();

  line("release " + app->layout.releaseDir);
  line("source version " + (identity.releaseVersion.empty() ? std::string("(no release.ini)")
                                                            : identity.releaseVersion));
  if (missing) fail("missing " + app->missingItem);
  line("whats_new " + std::to_string(identity.changelogText.size()) + " bytes for " +
       identity.displayVersion);
  if (identity.changelogText.empty())
    fail("CHANGELOG.md has no section for " + identity.displayVersion);
  if (identity.releaseVersion != kLauncherVersion) {
    const std::string path = utf8String(std::filesystem::path("source") / "release.ini");
    fail(path + " says " + identity.releaseVersion + ", the launcher " + kLauncherVersion);
  }

  if (!missing) {
    if (!checkDisc(*app, checkFile, boundSeconds)) {
      fail("the disc check did not finish in " + secondsText(boundSeconds) + " s");
    } else {
      const DiscCheck& check = app->discCheck;
      line("disc check: " +
           (check.discVerdict.empty() ? std::string("accepted") : check.discVerdict) + " / " +
           check.discDetail);
      if (check.discDetail.find(kExpectedRejection) == std::string::npos)
        fail(std::string("expected scf_build's \"") + kExpectedRejection + "\"");
    }
  }

  line(passed ? "self-check OK" : "self-check FAILED");
  app.reset();
  return passed;
}

}  // namespace scf
