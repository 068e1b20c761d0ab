#include "update/install_recovery.h"

#include <filesystem>
#include <system_error>
#include <vector>

#include "platform/absolute_path.h"
#include "platform/clock.h"
#include "platform/utf8_path.h"
#include "release/tr.h"
#include "update/install_lock.h"

namespace scf {
namespace {

std::string updateFolderOf(const ReleaseLayout& layout) {
  return utf8String(utf8Path(layout.releaseDir) / "update");
}

bool journalThere(const ReleaseLayout& layout) {
  std::error_code error;
  return std::filesystem::exists(utf8Path(updateFolderOf(layout)) / InstallRecovery::kJournalName,
                                 error);
}

}  // namespace

bool InstallRecovery::needed(const ReleaseLayout& layout) {
  return journalThere(layout) || InstallLock::holder(updateFolderOf(layout)) != 0;
}

void InstallRecovery::tidy(const ReleaseLayout& layout) {
  const std::string folder = updateFolderOf(layout);
  std::error_code error;
  if (!std::filesystem::is_directory(utf8Path(folder), error) || journalThere(layout) ||
      InstallLock::holder(folder) != 0) {
    return;
  }
  std::vector<std::filesystem::path> leftovers = {utf8Path(InstallLock::pathIn(folder)),
                                                  utf8Path(folder) / "installer-output.txt",
                                                  utf8Path(folder) / "recovery-output.txt"};
  for (std::filesystem::directory_iterator it(utf8Path(folder), error), end; !error && it != end;
       it.increment(error)) {
    const std::filesystem::path& path = it->path();
    std::filesystem::path archive = path;
    archive.replace_extension();
    std::error_code missing;
    if (path.extension() == ".minisig" && !std::filesystem::exists(archive, missing)) {
      leftovers.push_back(path);
    }
  }
  for (const std::filesystem::path& path : leftovers)
    std::filesystem::remove(path, error);
  std::filesystem::remove(utf8Path(folder), error);  // only when empty
}

void InstallRecovery::start(const ReleaseLayout& layout) {
  layout_ = layout;
  error_.clear();
  lastError_.clear();
  startedAt_ = nowSeconds();
  running_ = true;
  // An installer left running by a launcher that went away finishes first.
  waitingForInstaller_ = InstallLock::holder(updateFolderOf(layout)) != 0;
  if (!waitingForInstaller_) runRecovery();
}

void InstallRecovery::runRecovery() {
  if (!journalThere(layout_)) {
    running_ = false;
    return;
  }
  const std::string folder = updateFolderOf(layout_);
  const std::string output = utf8String(utf8Path(folder) / "recovery-output.txt");
  const std::string script = utf8String(utf8Path(layout_.sourceDir) / "tools" / "apply_update.py");
  std::error_code ignored;
  std::filesystem::remove(utf8Path(output), ignored);
  output_.follow(output);
  // Free-standing like the installer: a launcher closed now must not cut the recovery short.
  std::string error;
  if (!recovery_.start(
          layout_.pythonExe,
          outputToFileArguments(absolutePath(output), absolutePath(script),
                                {kRecoverArgument, "--install", absolutePath(layout_.releaseDir)}),
          layout_.releaseDir, false, error)) {
    error_ = std::string(tr("The interrupted update could not be finished: ",
                            "La mise à jour interrompue n'a pas pu être terminée : ")) +
             error + ".";
    output_.follow({});
    running_ = false;
  }
}

bool InstallRecovery::step(double timeLimitSeconds) {
  if (!running_) return false;
  if (nowSeconds() - startedAt_ > timeLimitSeconds) {
    error_ =
        tr("The interrupted update is still being finished in the background; start the "
           "launcher again in a moment.",
           "La mise à jour interrompue se termine encore en arrière-plan ; relancez le "
           "lanceur dans un instant.");
    running_ = false;
    return false;
  }
  if (waitingForInstaller_) {
    if (InstallLock::holder(updateFolderOf(layout_)) != 0) return true;
    waitingForInstaller_ = false;
    runRecovery();
    return running_;
  }
  for (const std::string& line : output_.takeLines()) {
    if (line.rfind("error ", 0) == 0) lastError_ = line.substr(6);
  }
  if (recovery_.running()) return true;
  for (const std::string& line : output_.takeLines(true)) {
    if (line.rfind("error ", 0) == 0) lastError_ = line.substr(6);
  }
  const int code = recovery_.exitCode();
  std::error_code ignored;
  std::filesystem::remove(utf8Path(output_.path()), ignored);
  std::filesystem::remove(utf8Path(updateFolderOf(layout_)), ignored);  // when empty
  output_.follow({});
  if (code != 0) {
    error_ = std::string(tr("The interrupted update could not be finished: ",
                            "La mise à jour interrompue n'a pas pu être terminée : ")) +
             (lastError_.empty() ? tr("the installer stopped with code ",
                                      "l'installateur s'est arrêté avec le code ") +
                                       std::to_string(code) + "."
                                 : lastError_);
  }
  running_ = false;
  return false;
}

std::string InstallRecovery::sentence() const {
  if (waitingForInstaller_) {
    return tr("An update is being installed; the launcher opens once it has finished…",
              "Une mise à jour est en cours d'installation ; le lanceur s'ouvre dès qu'elle est "
              "terminée…");
  }
  return tr("Finishing an update that was interrupted…",
            "Fin d'une mise à jour qui a été interrompue…");
}

}  // namespace scf
