#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/process.h"
#include "update/install_lock.h"
#include "update/installer_output.h"
#include "update/release_signature.h"
#include "update/update_check.h"

namespace scf {

struct ReleaseLayout;

enum InstallState : int {
  kInstallIdle = 0,
  kInstallDownloading = 1,
  kInstallInstalling = 2,
  kInstallRestarting = 3,
  kInstallFailed = 4,
};

// Downloading a newer release with its checksum, running the release's installer on it, and
// restarting the launcher from the installed release. startUpdate and poll run on the UI thread;
// the download runs on a worker that touches only the counters, the flags and its result.
struct UpdateInstall {
  UpdateInstall() = default;
  // Asks a running download to stop and waits for it (at most one chunk or its idle time-out).
  ~UpdateInstall();
  UpdateInstall(const UpdateInstall&) = delete;
  UpdateInstall& operator=(const UpdateInstall&) = delete;

  std::string downloadPrefix = kDefaultDownloadPrefix;  // --download-prefix replaces it
  int installState = kInstallIdle;
  std::string installVersion;
  std::string installTag;  // the release tag being installed
  std::string installStage;
  std::string installError;
  std::atomic<std::uint64_t> received{0};
  std::atomic<std::uint64_t> total{0};
  std::atomic<bool> stopDownload{false};
  std::atomic<bool> downloadFinished{false};
  std::mutex downloadLock;
  bool downloadOk = false;    // guarded by downloadLock
  std::string downloadError;  // guarded by downloadLock
  // What the archive's signature said; guarded by downloadLock.
  SignatureVerdict downloadVerdict = SignatureVerdict::missing;
  std::thread downloader;
  // The keys a release must be signed with (the build's; tests put their own).
  std::vector<SignatureKey> trustedKeys = builtInReleaseKeys();
  // The installer runs on its own, outside the launcher's job, so that a launcher that ends
  // (or is killed) midway does not leave a half-installed release; its lines come through a
  // file in the update folder.
  ChildProcess installer;
  InstallerOutput installerOutput;
  // The installer printed "done " and the version it was asked to install.
  bool installerDone = false;
  // This launcher made the update folder for this attempt (a refusal takes it away again).
  bool madeUpdateFolder = false;
  // Held from the download's start to the installer's end (by the installer once it runs).
  InstallLock lock;
  ChildProcess restarted;  // the new launcher, free-standing
  // The launcher's own path as it was at start: the installer moves the running executable
  // aside, after which the system names the moved file as the running one.
  std::string launcherPath;

  // Downloads and installs the release of that tag and version into the layout's release; the
  // archive's download is bounded by archiveSize when the update check's answer gave it (else
  // 0). launchArgs are the launcher's own, passed on to the launcher restarted after success.
  void start(const ReleaseLayout& layout, const std::vector<std::string>& launchArgs,
             const std::string& tag, const std::string& version, std::uint64_t archiveSize);
  // Once per turn: finishes the download, follows the installer, restarts after success; true
  // when the new launcher runs and this one should end.
  bool poll(const ReleaseLayout& layout, const std::vector<std::string>& launchArgs);
  // Applies one output line of the installer.
  void installerLine(const std::string& line);
};

// Where a release's files are fetched from and kept.
std::string releaseAssetName(const std::string& version);
std::string releaseArchiveUrl(const std::string& prefix, const std::string& tag,
                              const std::string& version);

}  // namespace scf
