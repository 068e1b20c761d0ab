#include "update/update_install.h"

#include <cinttypes>
#include <cstdio>
#include <filesystem>
#include <system_error>
#include <utility>

#include "platform/absolute_path.h"
#include "platform/exe_path.h"
#include "platform/http_client.h"
#include "platform/utf8_path.h"
#include "prepare/kit_contract.h"
#include "release/release_layout.h"
#include "release/tr.h"
#include "update/download_limits.h"
#include "update/update_chain.h"

namespace scf {
namespace {

constexpr std::uint64_t kChecksumLimit = 4096;
constexpr std::uint64_t kSignatureLimit = 4096;
constexpr std::uint64_t kArchiveLimit = 2147483648ULL;

// What the steps of one attempt read and change: the install, the release it updates and the
// arguments the launcher was started with, passed on to the restarted one.
struct Attempt {
  UpdateInstall& install;
  const ReleaseLayout& layout;
  const std::vector<std::string>& launchArgs;
  bool restarted = false;  // the new launcher runs: this one ends
};

std::string updateFolder(const Attempt& attempt) {
  return utf8String(utf8Path(attempt.layout.releaseDir) / "update");
}

// The files of one release download, beside the archive.
std::string checksumFile(const std::string& archive) {
  return archive + ".sha256";
}
std::string signatureFile(const std::string& archive) {
  return archive + ".minisig";
}

// The download worker: the checksum, the signature, then the archive, whose signature it then
// checks; publishes its result and ends. The thread keeps its own copies of the strings for as
// long as it runs.
void downloadRelease(UpdateInstall* install, const std::string& archiveUrl,
                     const std::string& archiveFile, std::uint64_t archiveSize,
                     const std::string& version) {
  std::atomic<std::uint64_t> checksumReceived{0};
  std::atomic<std::uint64_t> checksumTotal{0};
  SignatureVerdict verdict = SignatureVerdict::missing;
  HttpDownloadResult result = downloadWithinLimits(
      archiveUrl + ".sha256", checksumFile(archiveFile), kChecksumLimit, DownloadLimits{},
      install->stopDownload, checksumReceived, checksumTotal);
  bool signaturePublished = false;
  if (result.ok) {
    result = downloadWithinLimits(archiveUrl + ".minisig", signatureFile(archiveFile),
                                  kSignatureLimit, DownloadLimits{}, install->stopDownload,
                                  checksumReceived, checksumTotal);
    signaturePublished = result.ok;
    // A release without a signature is refused as such; its archive is not even fetched.
    if (!result.ok && result.error == "HTTP 404") result = HttpDownloadResult{true, {}};
  }
  if (result.ok && signaturePublished) {
    DownloadLimits limits;
    limits.announcedSize = archiveSize;
    result = downloadWithinLimits(archiveUrl, archiveFile, kArchiveLimit, limits,
                                  install->stopDownload, install->received, install->total);
    if (result.ok) {
      verdict = verifyReleaseSignature(archiveFile, signatureFile(archiveFile),
                                       releaseAssetName(version), version, install->trustedKeys);
    }
  }
  {
    std::lock_guard<std::mutex> lock(install->downloadLock);
    install->downloadOk = result.ok;
    install->downloadError = result.error;
    install->downloadVerdict = verdict;
  }
  install->downloadFinished.store(true);
}

std::string archiveFileOf(const Attempt& attempt) {
  return utf8String(utf8Path(updateFolder(attempt)) /
                    utf8Path(releaseAssetName(attempt.install.installVersion)));
}

// The attempt is over: its lock goes, and so does the installer's output file.
void endAttempt(Attempt& attempt) {
  UpdateInstall& install = attempt.install;
  install.lock.release();
  if (!install.installerOutput.path().empty()) {
    std::error_code ignored;
    std::filesystem::remove(utf8Path(install.installerOutput.path()), ignored);
    install.installerOutput.follow({});
    // The installer leaves the update folder when it is empty; its output file was the last.
    std::filesystem::remove(utf8Path(updateFolder(attempt)), ignored);
  }
}

// A refused download leaves nothing behind: its files go, and the update folder if this
// attempt made it.
void discardDownload(Attempt& attempt) {
  UpdateInstall& install = attempt.install;
  const std::string archive = archiveFileOf(attempt);
  std::error_code ignored;
  for (const std::string& file : {archive, checksumFile(archive), signatureFile(archive)})
    std::filesystem::remove(utf8Path(file), ignored);
  endAttempt(attempt);
  if (install.madeUpdateFolder) std::filesystem::remove(utf8Path(updateFolder(attempt)), ignored);
  install.madeUpdateFolder = false;
}

void startInstaller(Attempt& attempt) {
  UpdateInstall& install = attempt.install;
  const std::string folder = updateFolder(attempt);
  const std::string archive = archiveFileOf(attempt);
  const std::string script =
      utf8String(utf8Path(attempt.layout.sourceDir) / "tools" / "apply_update.py");
  const std::string output = utf8String(utf8Path(folder) / "installer-output.txt");
  // The installer runs in the release folder: every path it gets is absolute.
  const std::vector<std::string> arguments = outputToFileArguments(
      absolutePath(output), absolutePath(script),
      {"--zip", absolutePath(archive), "--sha256", absolutePath(checksumFile(archive)), "--version",
       install.installVersion, "--install", absolutePath(attempt.layout.releaseDir)});
  install.received.store(0);
  install.total.store(0);
  install.installerDone = false;
  std::error_code ignored;
  std::filesystem::remove(utf8Path(output), ignored);
  install.installerOutput.follow(output);
  // Free-standing: not in the launcher's job, so it finishes even if the launcher ends.
  std::string error;
  if (install.installer.start(attempt.layout.pythonExe, arguments, attempt.layout.releaseDir, false,
                              error)) {
    install.installState = kInstallInstalling;
    install.lock.handTo(install.installer.processId());
  } else {
    install.installState = kInstallFailed;
    install.installError =
        std::string(tr("The update could not start: ", "La mise à jour n'a pas pu démarrer : ")) +
        error;
    endAttempt(attempt);
  }
}

void finishDownload(Attempt& attempt) {
  UpdateInstall& install = attempt.install;
  if (install.downloader.joinable()) install.downloader.join();
  bool ok = false;
  std::string error;
  SignatureVerdict verdict = SignatureVerdict::missing;
  {
    std::lock_guard<std::mutex> lock(install.downloadLock);
    ok = install.downloadOk;
    error = install.downloadError;
    verdict = install.downloadVerdict;
  }
  if (ok && verdict == SignatureVerdict::valid) {
    startInstaller(attempt);
    return;
  }
  if (ok) {
    // Not signed by the makers: nothing of it is kept, and the installer never sees it.
    install.installError = unsignedUpdateSentence(verdict);
    install.installState = kInstallFailed;
    discardDownload(attempt);
    return;
  }
  install.installError =
      std::string(tr("The download failed: ", "Le téléchargement a échoué : ")) + error + ".";
  // A download the user stopped brings the offer back without an error.
  install.installState = install.stopDownload.load() ? kInstallIdle : kInstallFailed;
  endAttempt(attempt);
}

void restartLauncher(Attempt& attempt) {
  UpdateInstall& install = attempt.install;
  std::string error;
  const std::string self = install.launcherPath.empty() ? exePath() : install.launcherPath;
  if (!self.empty() &&
      install.restarted.start(self, restartArguments(attempt.launchArgs, install.installTag),
                              attempt.layout.releaseDir, false, error)) {
    install.installState = kInstallRestarting;
    attempt.restarted = true;
    return;
  }
  if (self.empty()) error = "the launcher's own path is unknown";
  install.installState = kInstallFailed;
  install.installError =
      std::string(tr("Version ", "La version ")) + install.installVersion +
      tr(" is installed: start the launcher again. ", " est installée : relancez le lanceur. ") +
      error;
}

void followInstaller(Attempt& attempt) {
  UpdateInstall& install = attempt.install;
  for (const std::string& line : install.installerOutput.takeLines())
    install.installerLine(line);
  if (install.installer.running()) return;
  // The installer has ended: everything it wrote is in the file now.
  for (const std::string& line : install.installerOutput.takeLines(true))
    install.installerLine(line);
  const int code = install.installer.exitCode();
  // Success is the installer's own last word: "done" and the version asked for, then code 0.
  const bool installed = code == 0 && install.installerDone;
  if (installed) {
    // The installer takes the archive and its checksum away; the signature is the launcher's.
    std::error_code ignored;
    std::filesystem::remove(utf8Path(signatureFile(archiveFileOf(attempt))), ignored);
  }
  endAttempt(attempt);
  if (installed) {
    restartLauncher(attempt);
    return;
  }
  install.installState = kInstallFailed;
  if (install.installError.empty()) {
    install.installError =
        std::string(tr("The update stopped (exit code ", "La mise à jour s'est arrêtée (code ")) +
        std::to_string(code) + ").";
  }
}

}  // namespace

std::string releaseAssetName(const std::string& version) {
  return "ZER_Avudud-" + version + "-ravelin.zip";
}

std::string releaseArchiveUrl(const std::string& prefix, const std::string& tag,
                              const std::string& version) {
  return prefix + tag + "/" + releaseAssetName(version);
}

UpdateInstall::~UpdateInstall() {
  stopDownload.store(true);
  if (downloader.joinable()) downloader.join();
  // A running installer keeps the lock (it holds its id) until it ends.
  if (installState != kInstallInstalling) lock.release();
}

void UpdateInstall::installerLine(const std::string& line) {
  if (line.size() < 5) return;
  if (line.rfind("step ", 0) == 0) {
    installStage = line.substr(5);
    installerDone = false;
    received.store(0);
    total.store(0);
  } else if (line.rfind("progress ", 0) == 0) {
    unsigned long long done = 0;
    unsigned long long all = 0;
    if (std::sscanf(line.c_str() + 9, "%llu %llu", &done, &all) == 2) {
      received.store(done);
      total.store(all);
    }
  } else if (line.rfind("error ", 0) == 0) {
    installError = line.substr(6);
    installerDone = false;
  } else if (line.rfind("done ", 0) == 0) {
    installStage = "done";
    installerDone = !installVersion.empty() && line.substr(5) == installVersion;
  }
}

void UpdateInstall::start(const ReleaseLayout& layout, const std::vector<std::string>& launchArgs,
                          const std::string& tag, const std::string& version,
                          std::uint64_t archiveSize) {
  UpdateInstall& install = *this;
  Attempt attempt{install, layout, launchArgs};
  const std::string folder = updateFolder(attempt);
  if (installedInChain(launchArgs, tag)) {
    // This chain of restarts installed it already: installing it again would loop.
    install.installState = kInstallFailed;
    install.installError =
        std::string(tr("Version ", "La version ")) + version +
        tr(" was installed just before this start; it is not installed again.",
           " a été installée juste avant ce démarrage ; elle n'est pas réinstallée.");
    return;
  }
  std::error_code ignored;
  install.madeUpdateFolder = std::filesystem::create_directories(utf8Path(folder), ignored);
  std::uint32_t holder = 0;
  // Without any lock file (an update folder that cannot be written) the download fails on its
  // own, with the system's reason.
  if (!install.lock.take(folder, holder) &&
      std::filesystem::exists(utf8Path(InstallLock::pathIn(folder)), ignored)) {
    install.installState = kInstallFailed;
    const std::string process =
        holder != 0 ? tr(" (process ", " (processus ") + std::to_string(holder) + ")" : "";
    install.installError =
        tr("Another update of this release is under way",
           "Une autre mise à jour de cette version est en cours") +
        process +
        tr("; this one changes nothing. Try again once it has finished.",
           " ; celle-ci ne change rien. Réessayez une fois qu'elle est terminée.");
    if (install.madeUpdateFolder) std::filesystem::remove(utf8Path(folder), ignored);
    install.madeUpdateFolder = false;
    return;
  }

  install.installVersion = version;
  install.installTag = tag;
  install.installerDone = false;
  install.installError.clear();
  install.installStage.clear();
  install.stopDownload.store(false);
  install.downloadFinished.store(false);
  install.received.store(0);
  install.total.store(0);
  if (install.downloader.joinable()) install.downloader.join();
  const std::string archiveFile =
      utf8String(utf8Path(folder) / utf8Path(releaseAssetName(version)));
  try {
    install.downloader = std::thread(downloadRelease, &install,
                                     releaseArchiveUrl(install.downloadPrefix, tag, version),
                                     archiveFile, archiveSize, version);
    install.installState = kInstallDownloading;
  } catch (const std::system_error& error) {
    endAttempt(attempt);
    install.installState = kInstallFailed;
    install.installError =
        std::string(tr("The download failed: ", "Le téléchargement a échoué : ")) + error.what() +
        ".";
  }
}

bool UpdateInstall::poll(const ReleaseLayout& layout, const std::vector<std::string>& launchArgs) {
  Attempt attempt{*this, layout, launchArgs};
  if (installState == kInstallDownloading && downloadFinished.load()) {
    finishDownload(attempt);
  } else if (installState == kInstallInstalling) {
    followInstaller(attempt);
  }
  return attempt.restarted;
}

}  // namespace scf
