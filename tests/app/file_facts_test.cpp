// The file facts the screens show: looked at on a worker, followed when the files change after a
// refresh, and a changed disc setting looked at again at once.
#include "app/file_facts.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <thread>

#include "app/app.h"
#include "enhance/enhance_run.h"
#include "support/test_support.h"
#include "ui/screen_layout.h"

namespace scf {
namespace {

bool waitForFacts(FileFactsWatcher& watcher, FileFacts& facts, const std::function<bool()>& ok) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (std::chrono::steady_clock::now() < deadline) {
    if (watcher.takeNew(facts) && ok()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return false;
}

class FileFactsTest : public ::testing::Test {
 protected:
  void SetUp() override { layOutScreenApp(app, dir); }
  testing::TempFolder dir;
  App app;
};

TEST_F(FileFactsTest, ALookSeesEachFact) {
  FileFacts facts = lookAtFiles(fileFactsQuery(app));
  EXPECT_TRUE(facts.known);
  EXPECT_TRUE(facts.discExists);
  EXPECT_FALSE(facts.gameBuilt);
  EXPECT_FALSE(facts.buildLogsExist);
  EXPECT_EQ(facts.textureCount, 0);
  EXPECT_GT(facts.freeBytes, 0u);

  testing::writeFile(app.layout.gameExe, "game");
  testing::writeFile(app.layout.bootFile, "boot");
  std::filesystem::create_directories(app.layout.buildLogsDir);
  for (const char* name : {"a.png", "b.png", "notes.txt"})
    testing::writeFile(texturePackFolder(app.layout) + "/" + name, "x");
  std::filesystem::remove(app.settings.disc);
  facts = lookAtFiles(fileFactsQuery(app));
  EXPECT_FALSE(facts.discExists);
  EXPECT_TRUE(facts.gameBuilt);
  EXPECT_TRUE(facts.buildLogsExist);
  EXPECT_EQ(facts.textureCount, 2);
}

TEST_F(FileFactsTest, TheWorkerFollowsARefreshAndANewDisc) {
  FileFactsWatcher watcher;
  watcher.watch(fileFactsQuery(app));
  FileFacts facts;
  ASSERT_TRUE(waitForFacts(watcher, facts, [&] { return facts.discExists && !facts.gameBuilt; }));

  testing::writeFile(app.layout.gameExe, "game");
  testing::writeFile(app.layout.bootFile, "boot");
  watcher.refresh();
  EXPECT_TRUE(waitForFacts(watcher, facts, [&] { return facts.gameBuilt; }));

  app.settings.disc = dir / "discs/another.iso";
  watcher.watch(fileFactsQuery(app));
  EXPECT_TRUE(waitForFacts(watcher, facts, [&] { return !facts.discExists; }))
      << "a new disc setting is looked at without waiting for the interval";
}

TEST_F(FileFactsTest, TheTextureCountIsTakenOnceAndLeftToTheTextureRun) {
  FileFacts facts;
  facts.known = true;
  facts.textureCount = 7;
  app.enhance.running = true;
  takeFileFacts(app, facts);
  EXPECT_EQ(app.enhance.textureCount, -1) << "a running run counts when it ends";
  app.enhance.running = false;
  takeFileFacts(app, facts);
  EXPECT_EQ(app.enhance.textureCount, 7);
  facts.textureCount = 9;
  takeFileFacts(app, facts);
  EXPECT_EQ(app.enhance.textureCount, 7) << "counted once";
  EXPECT_EQ(app.files.textureCount, 9);

  // Known, the count is not taken again: the worker's looks leave the pack's folder alone.
  testing::writeFile(texturePackFolder(app.layout) + "/a.png", "x");
  takeFileFacts(app, lookAtFiles(fileFactsQuery(app)));
  EXPECT_EQ(app.files.textureCount, -1);
  EXPECT_EQ(app.enhance.textureCount, 7);
}

// After a build, the game's built-from record is read by a look asked for after the build's end;
// without a build it is left alone, and a look from before the last build, or taken while a build
// runs, does not overwrite what the screens show.
TEST_F(FileFactsTest, TheBuiltFromRecordIsReadOnceAfterEachBuild) {
  testing::writeFile(app.layout.builtFromIni, "commit=aaaa\n");
  app.identity.builtFromCommit = "old";
  takeFileFacts(app, lookAtFiles(fileFactsQuery(app)));
  EXPECT_EQ(app.identity.builtFromCommit, "old") << "read only after a build";

  app.identity.builtFromToRead = true;
  app.identity.builtFromGeneration = 1;
  const FileFacts first = lookAtFiles(fileFactsQuery(app));
  testing::writeFile(app.layout.builtFromIni, "commit=bbbb\n");
  app.identity.builtFromGeneration = 2;  // a second build ended since the first look was asked
  takeFileFacts(app, first);
  EXPECT_EQ(app.identity.builtFromCommit, "old") << "a look older than the last build";

  const FileFacts second = lookAtFiles(fileFactsQuery(app));
  app.build.building = true;
  takeFileFacts(app, second);
  EXPECT_EQ(app.identity.builtFromCommit, "old") << "taken while a build runs";
  app.build.building = false;
  takeFileFacts(app, second);
  EXPECT_EQ(app.identity.builtFromCommit, "bbbb");
  EXPECT_FALSE(app.identity.builtFromToRead);

  testing::writeFile(app.layout.builtFromIni, "commit=cccc\n");
  takeFileFacts(app, lookAtFiles(fileFactsQuery(app)));
  EXPECT_EQ(app.identity.builtFromCommit, "bbbb") << "read once";
}

}  // namespace
}  // namespace scf
