#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace scf {

enum UpdateState : int {
  kUpdateIdle = 0,
  kUpdateChecking = 1,
  kUpdateUpToDate = 2,
  kUpdateAvailable = 3,
  kUpdateFailed = 4,
};

// What a check found, copied out under the check's mutex.
struct UpdateCheckView {
  int state = kUpdateIdle;
  bool manual = false;
  std::string latestVersion;
  std::string releasePageUrl;
  std::string errorText;
  std::string releaseTag;
  std::uint64_t assetSize = 0;  // the release archive's size as the answer gives it; 0: none
};

// The answer of one latest-release query: a valid tag, or why there is none.
struct UpdateAnswer {
  bool found = false;
  std::string tag;
  std::string errorText;
};
UpdateAnswer judgeReleaseAnswer(bool requestOk, unsigned status, const std::string& body,
                                const std::string& requestError);

// Asks the release host which release is the latest, on a worker thread, one check at a time.
// The worker and the UI share only the published state, which both own: a worker still
// running when the launcher exits is detached and writes into memory that stays alive.
class UpdateCheck {
 public:
  UpdateCheck();
  ~UpdateCheck();
  UpdateCheck(const UpdateCheck&) = delete;
  UpdateCheck& operator=(const UpdateCheck&) = delete;

  // Begins a check of url unless one is running; manual: the user asked for it.
  void start(const std::string& url, bool manual);
  UpdateCheckView view() const;

  std::string updateUrl;  // the latest-release query; --update-url replaces it

 private:
  struct Shared {
    mutable std::mutex mutex;
    UpdateCheckView view;
  };
  std::shared_ptr<Shared> shared_;
  std::thread worker_;
};

// The release page address prefix ("…/releases/tag/") that belongs to a latest-release URL: the
// makers' repository page for the default host, the same origin for any other host.
std::string releasePagePrefix(const std::string& updateUrl);

// The release host's defaults.
extern const char* const kDefaultUpdateUrl;
extern const char* const kDefaultDownloadPrefix;

}  // namespace scf
