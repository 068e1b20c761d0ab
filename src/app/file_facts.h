#pragma once

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace scf {

struct App;

// The facts about files that the screens show. Looking at a file can take long (a network share,
// a drive that must spin up), so the frame never looks itself: a worker looks, and the frame
// loop copies what it found into App.
struct FileFacts {
  bool known = false;  // false until the first look
  bool discExists = false;
  bool gameBuilt = false;
  std::uint64_t freeBytes = 0;  // on the drive the build writes to; 0 when unknown
  int textureCount = -1;        // enhanced textures in the pack; -1: not counted
  bool buildLogsExist = false;
  bool enhanceAvailable = false;  // the release ships the texture script and the upscaler
  bool builtFromRead = false;     // the game's built-from record was read in this look
  std::string builtFromCommit;
  unsigned builtFromGeneration = 0;  // the query's, so an older look is known as such
};

// The paths a look needs, copied so the worker shares nothing else with the UI thread.
struct FileFactsQuery {
  std::string disc;
  std::string gameExe;
  std::string bootFile;
  std::string buildDir;
  std::string buildLogsDir;
  std::string texturePack;
  std::string enhanceScript;
  std::string upscaler;
  std::string builtFromIni;  // empty unless a build has just rewritten it
  unsigned builtFromGeneration = 0;
  bool operator==(const FileFactsQuery& other) const;
};

FileFactsQuery fileFactsQuery(const App& app);
// One look at every fact, on the calling thread.
FileFacts lookAtFiles(const FileFactsQuery& query);

// Copies facts into App, where the screens read them (the texture count goes to the texture
// run's field too).
void takeFileFacts(App& app, const FileFacts& facts);
// Looks now on the calling thread and takes the result: for start-up and tests.
void lookAtFilesNow(App& app);

// The worker that keeps looking: at most once per interval while nothing asks, and at once when
// refresh() is called (a task ended, the disc changed, the window came back).
class FileFactsWatcher {
 public:
  FileFactsWatcher();
  // Asks the worker to end and waits a bounded time; a worker stuck on a hung drive is left to
  // end alone (it owns the state it writes to).
  ~FileFactsWatcher();
  FileFactsWatcher(const FileFactsWatcher&) = delete;
  FileFactsWatcher& operator=(const FileFactsWatcher&) = delete;

  // Starts the worker on first use; later calls change what it looks at and look again at once
  // when the query changed.
  void watch(const FileFactsQuery& query);
  void refresh();
  // The facts of the latest look when there is one newer than the last taken; false otherwise.
  bool takeNew(FileFacts& facts);
  bool running() const { return worker_.joinable(); }

  // How long the worker waits between looks when nothing asks. Tests may change it.
  static double intervalSeconds;

 private:
  struct Shared {
    std::mutex mutex;
    std::condition_variable wake;
    FileFactsQuery query;
    FileFacts facts;
    bool lookAgain = false;
    bool fresh = false;
    bool stop = false;
    bool ended = false;
    std::condition_variable endedSignal;
  };
  static void work(std::shared_ptr<Shared> shared);

  std::shared_ptr<Shared> shared_;
  std::thread worker_;
};

}  // namespace scf
