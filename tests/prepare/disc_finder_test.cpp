#include "prepare/disc_finder.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/clock.h"
#include "platform/disc_places.h"
#include "platform/folder_entries.h"
#include "platform/utf8_path.h"
#include "prepare/disc_search.h"
#include "support/test_support.h"

namespace scf {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::UnorderedElementsAre;

// A file of `size` bytes whose modification time is `age` hours before now.
void plant(const std::string& path, int ageHours, std::size_t size = 4) {
  testing::writeFile(path, std::string(size, 'x'));
  std::error_code error;
  std::filesystem::last_write_time(
      utf8Path(path), std::filesystem::file_time_type::clock::now() - std::chrono::hours(ageHours),
      error);
}

// A path as the search writes it: with the system's own separator throughout.
std::string native(std::string path) {
  std::replace(path.begin(), path.end(), '/', kFolderSeparator);
  return path;
}

std::vector<std::string> namesOf(const DiscSearchResult& result) {
  std::vector<std::string> names;
  for (const FoundDisc& disc : result.discs)
    names.push_back(disc.name);
  return names;
}

DiscSearchResult search(const std::vector<std::string>& places, DiscSearchLimits limits = {}) {
  return findDiscImages(
      places, limits, [] { return false; }, nowSeconds);
}

class DiscFinderTest : public ::testing::Test {
 protected:
  std::string place() const { return dir / "place"; }
  testing::TempFolder dir;
};

TEST_F(DiscFinderTest, ImagesOfEveryCaseAreFoundNewestFirst) {
  plant(place() + "/old.iso", 30);
  plant(place() + "/Sub Folder/Été à Paris.ISO", 1);
  plant(place() + "/mid.Bin", 10);
  plant(place() + "/notes.txt", 0);
  plant(place() + "/iso", 0);  // no name before the suffix
  plant(place() + "/.iso", 0);
  const DiscSearchResult result = search({place()});
  EXPECT_THAT(namesOf(result), ElementsAre("Été à Paris.ISO", "mid.Bin", "old.iso"));
  EXPECT_FALSE(result.cutShort);
  EXPECT_THAT(result.places, ElementsAre(place()));
  ASSERT_EQ(result.discs.size(), 3u);
  EXPECT_EQ(result.discs[0].folder, native(place() + "/Sub Folder"));
  EXPECT_EQ(result.discs[0].size, 4u);
  EXPECT_TRUE(testing::exists(result.discs[0].path));
}

TEST_F(DiscFinderTest, HiddenFoldersAndFoldersBelowTheDepthAreNotEntered) {
  struct Case {
    const char* relative;
    bool found;
  };
  const Case cases[] = {
      {"top.iso", true},
      {"a/one.iso", true},
      {"a/b/two.iso", true},
      {"a/b/c/three.iso", true},
      {"a/b/c/d/four.iso", false},
      {".hidden/secret.iso", false},
      {"a/.cache/cached.iso", false},
      {".shown-file.iso", true},  // only folders are hidden from the search
  };
  std::vector<std::string> expected;
  for (const Case& c : cases) {
    plant(place() + "/" + c.relative, 1);
    if (c.found) expected.push_back(std::filesystem::path(c.relative).filename().string());
  }
  EXPECT_THAT(namesOf(search({place()})), ::testing::UnorderedElementsAreArray(expected));
  DiscSearchLimits shallow;
  shallow.depth = 1;
  EXPECT_THAT(namesOf(search({place()}, shallow)),
              UnorderedElementsAre("top.iso", "one.iso", ".shown-file.iso"));
}

TEST_F(DiscFinderTest, ABinWithItsCueIsListedOnceAsTheCue) {
  plant(place() + "/Game.cue", 2, 100);
  plant(place() + "/game.bin", 2, 1000);
  plant(place() + "/Game (Track 2).bin", 2, 10);
  plant(place() + "/other.bin", 1, 7);
  plant(place() + "/elsewhere/game.bin", 3, 5);  // another folder: not the cue's
  const DiscSearchResult result = search({place()});
  EXPECT_THAT(namesOf(result), ElementsAre("other.bin", "Game.cue", "game.bin"));
  ASSERT_EQ(result.discs.size(), 3u);
  EXPECT_EQ(result.discs[1].size, 1110u);  // the cue and its tracks together
}

TEST_F(DiscFinderTest, PlacesInsideOtherPlacesAreReadOnce) {
  plant(place() + "/Downloads/a.iso", 1);
  const DiscSearchResult result = search({place() + "/Downloads", place(), place()});
  EXPECT_THAT(namesOf(result), ElementsAre("a.iso"));
}

TEST_F(DiscFinderTest, MissingPlacesGiveNothing) {
  const DiscSearchResult result = search({dir / "nowhere", ""});
  EXPECT_THAT(result.discs, IsEmpty());
  EXPECT_FALSE(result.cutShort);
}

// Each limit ends the search part of the way, with what was found by then.
TEST_F(DiscFinderTest, TheTimeLimitTheEntryCapAndAStopEndTheSearch) {
  for (int i = 0; i < 20; ++i)
    plant(place() + "/f" + std::to_string(i) + ".iso", i);
  struct Case {
    const char* name;
    DiscSearchLimits limits;
    int stopAfter;  // entries before the stop is asked for; -1 never
  };
  const Case cases[] = {
      {"time", {3, 5.0, 50000}, -1},
      {"cap", {3, 3600.0, 5}, -1},
      {"stop", {3, 3600.0, 50000}, 5},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    // A clock that moves one second each time it is read: the limit of 5 s comes after about
    // five entries, without waiting.
    double fake = 0.0;
    const SearchClock clock = [&] {
      if (std::string(c.name) != "time") return 0.0;
      return fake += 1.0;
    };
    int asked = 0;
    const DiscSearchResult result = findDiscImages(
        {place()}, c.limits, [&] { return c.stopAfter >= 0 && ++asked > c.stopAfter; }, clock);
    EXPECT_TRUE(result.cutShort);
    EXPECT_EQ(result.discs.size(), 5u);
  }
}

#ifndef _WIN32

TEST_F(DiscFinderTest, LinksFifosAndDevicesAreNeitherListedNorFollowed) {
  plant(place() + "/real.iso", 1);
  plant(dir / "outside/far.iso", 1);
  ASSERT_EQ(::mkfifo((place() + "/pipe.iso").c_str(), 0600), 0);
  ASSERT_EQ(::symlink("/dev/zero", (place() + "/x.iso").c_str()), 0);
  ASSERT_EQ(::symlink((dir / "outside").c_str(), (place() + "/link-out").c_str()), 0);
  ASSERT_EQ(::symlink((place() + "/real.iso").c_str(), (place() + "/alias.iso").c_str()), 0);
  ASSERT_EQ(::mkdir((place() + "/loop").c_str(), 0700), 0);
  ASSERT_EQ(::symlink(place().c_str(), (place() + "/loop/back").c_str()), 0);
  const DiscSearchResult result = search({place()});
  EXPECT_THAT(namesOf(result), ElementsAre("real.iso"));
  EXPECT_FALSE(result.cutShort);
}

TEST_F(DiscFinderTest, UnreadableFoldersArePassedOver) {
  if (::geteuid() == 0) GTEST_SKIP() << "root reads every folder";
  plant(place() + "/a-locked/inside.iso", 1);
  plant(place() + "/b-open/outside.iso", 1);
  ASSERT_EQ(::chmod((place() + "/a-locked").c_str(), 0), 0);
  const DiscSearchResult result = search({place()});
  ::chmod((place() + "/a-locked").c_str(), 0700);
  EXPECT_THAT(namesOf(result), ElementsAre("outside.iso"));
}

TEST_F(DiscFinderTest, NamesThatAreNotUtf8KeepTheirBytesAndShowReplacements) {
  const std::string raw = "disc\xff\xfe name.iso";
  plant(place() + "/bad\xe9 folder/" + raw, 1);
  const DiscSearchResult result = search({place()});
  ASSERT_EQ(result.discs.size(), 1u);
  EXPECT_EQ(result.discs[0].path, place() + "/bad\xe9 folder/" + raw);
  EXPECT_EQ(result.discs[0].name, "disc\xEF\xBF\xBD\xEF\xBF\xBD name.iso");
  EXPECT_EQ(result.discs[0].folder, place() + "/bad\xEF\xBF\xBD folder");
  EXPECT_TRUE(regularFileFacts(result.discs[0].path).has_value());
}

TEST_F(DiscFinderTest, TheUsualPlacesFollowTheUserDirsAndTheVariableReplacesThem) {
  testing::EnvGuard env{"HOME",
                        "XDG_CONFIG_HOME",
                        "XDG_DOWNLOAD_DIR",
                        "XDG_DESKTOP_DIR",
                        "XDG_DOCUMENTS_DIR",
                        kDiscPlacesVariable};
  const std::string home = dir / "home";
  testing::writeFile(home + "/.config/user-dirs.dirs",
                     "# written by xdg-user-dirs-update\n"
                     "XDG_DOWNLOAD_DIR=\"$HOME/Téléchargements\"\n"
                     "XDG_DESKTOP_DIR=\"$HOME/Bureau\"\n");
  env.set("HOME", home);
  env.set("XDG_CONFIG_HOME", "");
  env.set("XDG_DOWNLOAD_DIR", "");
  env.set("XDG_DESKTOP_DIR", "");
  env.set("XDG_DOCUMENTS_DIR", dir / "docs");
  env.set(kDiscPlacesVariable, "");
  std::vector<std::string> places = discPlaces(discPlaceHints());
  ASSERT_GE(places.size(), 4u);
  EXPECT_THAT(std::vector<std::string>(places.begin(), places.begin() + 4),
              ElementsAre(home + "/Téléchargements", home + "/Bureau", dir / "docs", home));

  env.set(kDiscPlacesVariable, dir / "one" + ":" + dir / "two words");
  EXPECT_THAT(discPlaces(discPlaceHints()), ElementsAre(dir / "one", dir / "two words"));
}

#endif

// The worker publishes its result, and a stop asked in the middle of a long search is seen
// between two entries.
TEST_F(DiscFinderTest, TheSearchRunsOnItsWorkerAndStopsWithinABoundedTime) {
  plant(place() + "/found.iso", 1);
  DiscPlaceHints hints;
  hints.overridden = true;
  hints.places = {place()};
  {
    DiscSearch search;
    search.start(hints);
    DiscSearchResult result;
    const double deadline = nowSeconds() + 10.0;
    while (!search.takeResult(result) && nowSeconds() < deadline)
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_THAT(namesOf(result), ElementsAre("found.iso"));
    EXPECT_FALSE(search.running());
  }

  for (int i = 0; i < 200; ++i)
    plant(place() + "/many/f" + std::to_string(i) + ".txt", 1, 0);
  // Each entry takes 20 ms: the whole search would take seconds.
  auto seen = std::make_shared<std::atomic<int>>(0);
  DiscSearch::beforeEntry = [seen] {
    ++*seen;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  };
  DiscSearch search;
  search.start(hints);
  const double deadline = nowSeconds() + 10.0;
  while (*seen < 3 && nowSeconds() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  EXPECT_TRUE(search.stop());
  EXPECT_LT(seen->load(), 100);
  DiscSearchResult result;
  EXPECT_FALSE(search.takeResult(result));
  DiscSearch::beforeEntry = nullptr;
}

}  // namespace
}  // namespace scf
