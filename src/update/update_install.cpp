#include "update/update_install.h"

#include <cinttypes>
#include <cstdio>
#include <filesystem>
#include <system_error>
#include <utility>

#include "app/app.h"
#include "app/task_table.h"
#include "platform/absolute_path.h"
#include "platform/exe_path.h"
#include "platform/http_client.h"
#include "platform/utf8_path.h"
#include "prepare/kit_contract.h"
#include "ui/tr.h"

namespace scf {
namespace {

constexpr std::uint64_t kChecksumLimit = 4096;
constexpr std::uint64_t kArchiveLimit = 2147483648ULL;
constexpr int kReaderWaitMs = 2000;

std::string updateFolder(const App& app) {
  return utf8String(utf8Path(app.layout.releaseDir) / "update");
}

// The download worker: the checksum first, then the archive; publishes its result and ends.
void downloadRelease(UpdateInstall* install, std::string archiveUrl, std::string archiveFile) {
  std::atomic<std::uint64_t> checksumReceived{0};
  std::atomic<std::uint64_t> checksumTotal{0};
  const std::string agent = httpUserAgent();
  HttpDownloadResult result =
      HttpClient::download(archiveUrl + ".sha256", agent, archiveFile + ".sha256", kChecksumLimit,
                           install->stopDownload, checksumReceived, checksumTotal);
  if (result.ok) {
    result = HttpClient::download(archiveUrl, agent, archiveFile, kArchiveLimit,
                                  install->stopDownload, install->received, install->total);
  }
  {
    std::lock_guard<std::mutex> lock(install->downloadLock);
    install->downloadOk = result.ok;
    install->downloadError = result.error;
  }
  install->downloadFinished.store(true);
}

void startInstaller(App& app) {
  UpdateInstall& install = app.updateInstall;
  const std::string folder = updateFolder(app);
  const std::string archive =
      utf8String(utf8Path(folder) / utf8Path(releaseAssetName(install.installVersion)));
  const std::string script =
      utf8String(utf8Path(app.layout.sourceDir) / "tools" / "apply_update.py");
  // The installer runs in the release folder: every path it gets is absolute.
  std::vector<std::string> arguments = interpreterArguments(absolutePath(script));
  for (const std::string& argument :
       {std::string("--zip"), absolutePath(archive), std::string("--sha256"),
        absolutePath(archive + ".sha256"), std::string("--version"), install.installVersion,
        std::string("--install"), absolutePath(app.layout.releaseDir)}) {
    arguments.push_back(argument);
  }
  install.received.store(0);
  install.total.store(0);
  std::string error;
  if (install.installer.start(app.layout.pythonExe, arguments, app.layout.releaseDir, true,
                              error)) {
    install.installState = kInstallInstalling;
  } else {
    install.installState = kInstallFailed;
    install.installError =
        std::string(tr("The update could not start: ", "La mise à jour n'a pas pu démarrer : ")) +
        error;
  }
}

void finishDownload(App& app) {
  UpdateInstall& install = app.updateInstall;
  if (install.downloader.joinable()) install.downloader.join();
  bool ok = false;
  std::string error;
  {
    std::lock_guard<std::mutex> lock(install.downloadLock);
    ok = install.downloadOk;
    error = install.downloadError;
  }
  if (ok) {
    startInstaller(app);
    return;
  }
  install.installError =
      std::string(tr("The download failed: ", "Le téléchargement a échoué : ")) + error + ".";
  // A download the user stopped brings the offer back without an error.
  install.installState = install.stopDownload.load() ? kInstallIdle : kInstallFailed;
}

void restartLauncher(App& app) {
  UpdateInstall& install = app.updateInstall;
  std::string error;
  const std::string self = install.launcherPath.empty() ? exePath() : install.launcherPath;
  if (!self.empty() &&
      install.restarted.start(self, app.launchArgs, app.layout.releaseDir, false, error)) {
    install.installState = kInstallRestarting;
    app.quitConfirmed = true;
    return;
  }
  if (self.empty()) error = "the launcher's own path is unknown";
  install.installState = kInstallFailed;
  install.installError =
      std::string(tr("Version ", "La version ")) + install.installVersion +
      tr(" is installed: start the launcher again. ", " est installée : relancez le lanceur. ") +
      error;
}

void followInstaller(App& app) {
  UpdateInstall& install = app.updateInstall;
  for (const std::string& line : install.installer.takeLines())
    install.installerLine(line);
  if (install.installer.running()) return;
  install.installer.waitReader(kReaderWaitMs);
  for (const std::string& line : install.installer.takeLines())
    install.installerLine(line);
  const int code = install.installer.exitCode();
  if (code == 0 && install.installStage == "done") {
    restartLauncher(app);
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
}

void UpdateInstall::installerLine(const std::string& line) {
  if (line.size() < 5) return;
  if (line.rfind("step ", 0) == 0) {
    installStage = line.substr(5);
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
  } else if (line.rfind("done ", 0) == 0) {
    installStage = "done";
  }
}

void App::startUpdate(const std::string& tag, const std::string& version) {
  UpdateInstall& install = updateInstall;
  if (tag.empty() || version.empty() || !mayStart(*this, Task::update)) return;
  const std::string folder = updateFolder(*this);
  std::error_code ignored;
  std::filesystem::create_directories(utf8Path(folder), ignored);

  install.installVersion = version;
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
    install.downloader =
        std::thread(downloadRelease, &install,
                    releaseArchiveUrl(install.downloadPrefix, tag, version), archiveFile);
    install.installState = kInstallDownloading;
  } catch (const std::system_error& error) {
    install.installState = kInstallFailed;
    install.installError =
        std::string(tr("The download failed: ", "Le téléchargement a échoué : ")) + error.what() +
        ".";
  }
}

void UpdateInstall::poll(App& app) {
  UpdateInstall& install = app.updateInstall;
  if (install.installState == kInstallDownloading && install.downloadFinished.load()) {
    finishDownload(app);
  } else if (install.installState == kInstallInstalling) {
    followInstaller(app);
  }
}

}  // namespace scf
