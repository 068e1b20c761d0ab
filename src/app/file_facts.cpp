#include "app/file_facts.h"

#include <chrono>

#include "app/app.h"
#include "enhance/enhance_run.h"
#include "enhance/texture_pack.h"
#include "platform/bounded_join.h"
#include "platform/file_status.h"
#include "platform/free_space.h"
#include "platform/ui_wake.h"
#include "release/ini_file.h"

namespace scf {

double FileFactsWatcher::intervalSeconds = 5.0;

bool FileFactsQuery::operator==(const FileFactsQuery& other) const {
  return disc == other.disc && gameExe == other.gameExe && bootFile == other.bootFile &&
         buildDir == other.buildDir && buildLogsDir == other.buildLogsDir &&
         texturePack == other.texturePack && enhanceScript == other.enhanceScript &&
         upscaler == other.upscaler && builtFromIni == other.builtFromIni &&
         builtFromGeneration == other.builtFromGeneration;
}

FileFactsQuery fileFactsQuery(const App& app) {
  const ReleaseLayout& layout = app.layout;
  FileFactsQuery query;
  query.disc = app.settings.disc;
  query.gameExe = layout.gameExe;
  query.bootFile = layout.bootFile;
  query.buildDir = layout.buildDir;
  query.buildLogsDir = layout.buildLogsDir;
  if (app.enhance.textureCount < 0) query.texturePack = texturePackFolder(layout);
  query.enhanceScript = enhanceScriptPath(layout);
  query.upscaler = upscalerPath(layout);
  if (app.identity.builtFromToRead) {
    query.builtFromIni = layout.builtFromIni;
    query.builtFromGeneration = app.identity.builtFromGeneration;
  }
  return query;
}

FileFacts lookAtFiles(const FileFactsQuery& query) {
  FileFacts facts;
  facts.known = true;
  facts.discExists = !query.disc.empty() && pathExists(query.disc);
  facts.gameBuilt = pathExists(query.gameExe) && pathExists(query.bootFile);
  // The build writes into buildDir, which may be a link to another drive; before the first
  // build it does not exist yet and its parent, the release folder, has the drive it will use.
  facts.freeBytes = volumeFreeBytes(query.buildDir);
  facts.buildLogsExist = isDirectory(query.buildLogsDir);
  // Counted only when asked: the pack changes only through a texture run, which counts it.
  facts.textureCount = query.texturePack.empty() ? -1 : countPackTextures(query.texturePack);
  facts.enhanceAvailable = pathExists(query.upscaler) && pathExists(query.enhanceScript);
  if (!query.builtFromIni.empty()) {
    facts.builtFromRead = true;
    facts.builtFromCommit = iniValue(query.builtFromIni, "commit");
    facts.builtFromGeneration = query.builtFromGeneration;
  }
  return facts;
}

void takeFileFacts(App& app, const FileFacts& facts) {
  app.files = facts;
  // The pack is counted once, and again when a texture run ends (a stopped run's partial pack
  // does not change the count until the next run ends).
  if (!app.enhance.running && app.enhance.textureCount < 0 && facts.textureCount >= 0) {
    app.enhance.textureCount = facts.textureCount;
  }
  // A build that ended again since this look was asked for has rewritten the record once more:
  // only a look asked for after the last build's end is taken, and not while a build runs.
  ReleaseIdentity& identity = app.identity;
  if (facts.builtFromRead && identity.builtFromToRead && !app.build.building &&
      facts.builtFromGeneration == identity.builtFromGeneration) {
    identity.builtFromCommit = facts.builtFromCommit;
    identity.builtFromToRead = false;
  }
}

void lookAtFilesNow(App& app) {
  takeFileFacts(app, lookAtFiles(fileFactsQuery(app)));
}

FileFactsWatcher::FileFactsWatcher() : shared_(std::make_shared<Shared>()) {}

FileFactsWatcher::~FileFactsWatcher() {
  if (!worker_.joinable()) return;
  std::unique_lock<std::mutex> lock(shared_->mutex);
  shared_->stop = true;
  shared_->wake.notify_all();
  joinWithin(worker_, lock, shared_->endedSignal, shared_->ended, std::chrono::seconds(1));
}

void FileFactsWatcher::watch(const FileFactsQuery& query) {
  {
    std::lock_guard<std::mutex> lock(shared_->mutex);
    if (!(shared_->query == query)) {
      shared_->query = query;
      shared_->lookAgain = true;
      shared_->wake.notify_all();
    }
  }
  if (!worker_.joinable()) worker_ = std::thread(work, shared_);
}

void FileFactsWatcher::refresh() {
  std::lock_guard<std::mutex> lock(shared_->mutex);
  shared_->lookAgain = true;
  shared_->wake.notify_all();
}

bool FileFactsWatcher::takeNew(FileFacts& facts) {
  std::lock_guard<std::mutex> lock(shared_->mutex);
  if (!shared_->fresh) return false;
  shared_->fresh = false;
  facts = shared_->facts;
  return true;
}

void FileFactsWatcher::work(std::shared_ptr<Shared> shared) {
  std::unique_lock<std::mutex> lock(shared->mutex);
  for (;;) {
    shared->wake.wait_for(lock, std::chrono::duration<double>(intervalSeconds),
                          [&] { return shared->stop || shared->lookAgain; });
    if (shared->stop) break;
    shared->lookAgain = false;
    const FileFactsQuery query = shared->query;
    lock.unlock();
    const FileFacts facts = lookAtFiles(query);
    lock.lock();
    if (shared->stop) break;
    shared->facts = facts;
    shared->fresh = true;
    wakeUi();
  }
  shared->ended = true;
  shared->endedSignal.notify_all();
}

}  // namespace scf
