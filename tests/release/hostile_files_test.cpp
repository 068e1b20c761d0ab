// Settings, identity and old-files lists that are not plain files of a sane size: each must read
// as missing, at once, whatever stands in its place.

#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include <chrono>
#include <cstddef>
#include <filesystem>
#include <future>
#include <memory>
#include <ostream>
#include <string>
#include <thread>

#include "platform/build_info.h"
#include "platform/utf8_path.h"
#include "release/changelog.h"
#include "release/ini_file.h"
#include "release/launcher_settings.h"
#include "release/old_files.h"
#include "release/release_identity.h"
#include "release/release_layout.h"
#include "release/video_settings.h"
#include "support/test_support.h"

namespace scf {
namespace {

namespace fs = std::filesystem;

// What stands at the file's path.
enum class Kind { AtLimit, OverLimit, Fifo, LinkToDevZero, Folder };

const char* nameOf(Kind kind) {
  switch (kind) {
    case Kind::AtLimit:
      return "AtLimit";
    case Kind::OverLimit:
      return "OverLimit";
    case Kind::Fifo:
      return "Fifo";
    case Kind::LinkToDevZero:
      return "LinkToDevZero";
    case Kind::Folder:
      return "Folder";
  }
  return "?";
}

// A user folder "user" and a release folder "rel" side by side.
struct Place {
  std::string user;
  std::string release;

  ReleaseLayout layout() const {
    ReleaseLayout layout;
    layout.releaseDir = release;
    layout.releaseIni = release + "/source/release.ini";
    layout.builtFromIni = release + "/game/built_from.ini";
    return layout;
  }
  ReleaseIdentity identity() const {
    ReleaseIdentity identity;
    readReleaseIdentity(layout(), identity);
    return identity;
  }
};

// One file the launcher reads: where it lives, a text that would change what is read, and
// whether that text was taken.
struct ReaderCase {
  const char* name;
  const char* file;
  size_t limit;
  std::string (*content)(const Place& place);
  bool (*taken)(const Place& place);
};

void PrintTo(Kind kind, std::ostream* out) {
  *out << nameOf(kind);
}

void PrintTo(const ReaderCase& reader, std::ostream* out) {
  *out << reader.file;
}

const ReaderCase kReaders[] = {
    {"LauncherIni", "user/launcher.ini", kTextFileLimit,
     [](const Place&) { return std::string("disc = /games/x.iso\n"); },
     [](const Place& place) {
       LauncherSettings settings;
       return settings.load(place.user + "/launcher.ini") || !settings.disc.empty();
     }},
    {"VideoIni", "user/video.ini", kTextFileLimit,
     [](const Place&) { return std::string("size = 1280x720\n"); },
     [](const Place& place) {
       VideoSettings video;
       return video.load(place.user + "/video.ini") || video.loaded || video.width != 0;
     }},
    {"ReleaseIni", "rel/source/release.ini", kTextFileLimit,
     [](const Place&) { return std::string("commit=abc\nversion=0.9.0\n"); },
     [](const Place& place) {
       const ReleaseIdentity identity = place.identity();
       return identity.releaseCommit != kSourceCommit || !identity.releaseVersion.empty();
     }},
    {"BuiltFromIni", "rel/game/built_from.ini", kTextFileLimit,
     [](const Place&) { return std::string("commit=abc\n"); },
     [](const Place& place) { return !place.identity().builtFromCommit.empty(); }},
    {"Changelog", "rel/CHANGELOG.md", kChangelogLimit,
     [](const Place&) { return "## " + std::string(kLauncherVersion) + "\nNew things.\n"; },
     [](const Place& place) { return !place.identity().changelogText.empty(); }},
    {"SourceChangelog", "rel/source/CHANGELOG.md", kChangelogLimit,
     [](const Place&) { return "## " + std::string(kLauncherVersion) + "\nNew things.\n"; },
     [](const Place& place) { return !place.identity().changelogText.empty(); }},
    {"OldFilesList", "rel/update/old_files.txt", kTextFileLimit,
     [](const Place& place) {
       testing::writeFile(place.release + "/a.scf-old", "old");
       return place.release + "/a.scf-old\n";
     },
     [](const Place& place) {
       cleanOldFiles(place.release);
       return !testing::exists(place.release + "/a.scf-old");
     }},
};

// The content followed by comment lines (skipped by every reader, or plain text in a change
// log), cut to exactly `size` bytes.
std::string padded(std::string text, size_t size) {
  const std::string line = "#" + std::string(98, 'x') + "\n";
  while (text.size() < size)
    text += line;
  text.resize(size);
  return text;
}

void plant(Kind kind, const std::string& path, const std::string& content, size_t limit) {
  fs::create_directories(utf8Path(path).parent_path());
  switch (kind) {
    case Kind::AtLimit:
      testing::writeFile(path, padded(content, limit));
      break;
    case Kind::OverLimit:
      testing::writeFile(path, padded(content, limit + 1));
      break;
#ifndef _WIN32
    case Kind::Fifo:
      ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
      break;
    case Kind::LinkToDevZero:
      fs::create_symlink("/dev/zero", path);
      break;
#else
    case Kind::Fifo:
    case Kind::LinkToDevZero:
      FAIL() << nameOf(kind) << " cannot be planted here";
      break;
#endif
    case Kind::Folder:
      fs::create_directories(utf8Path(path + "/inside"));
      break;
  }
}

// Runs the reader on its own thread, so that one that hangs fails this test instead of
// stopping the program: "taken", "defaults", or how long it kept reading. A reader that never
// ends is left behind and dies with the program.
std::string readAside(bool (*taken)(const Place&), const Place& place,
                      std::chrono::milliseconds deadline) {
  auto verdict = std::make_shared<std::promise<bool>>();
  std::future<bool> answer = verdict->get_future();
  std::thread([verdict, taken, place] { verdict->set_value(taken(place)); }).detach();
  if (answer.wait_for(deadline) != std::future_status::ready)
    return "still reading after " + std::to_string(deadline.count()) + " ms";
  return answer.get() ? "taken" : "defaults";
}

class HostileFileTest : public ::testing::TestWithParam<std::tuple<Kind, ReaderCase>> {};

TEST_P(HostileFileTest, ReadsAsMissingAndNeverHangs) {
  const auto& [kind, reader] = GetParam();
#ifdef _WIN32
  if (kind == Kind::Fifo || kind == Kind::LinkToDevZero)
    GTEST_SKIP() << "Windows has no named pipes or devices inside folders to stand in for a file";
#endif
  testing::TempFolder folder;
  const Place place{folder / "user", folder / "rel"};
  fs::create_directories(utf8Path(place.user));
  fs::create_directories(utf8Path(place.release));
  plant(kind, folder / reader.file, reader.content(place), reader.limit);
  // A file of exactly the limit is still read, so the other kinds show defaults for their own
  // reason.
  const std::string expected = kind == Kind::AtLimit ? "taken" : "defaults";
  // A hostile file that is read as a file never ends at all; the wait is long only so that a
  // file at the limit, read whole on a busy machine, is not taken for one.
  EXPECT_EQ(readAside(reader.taken, place, std::chrono::milliseconds(30000)), expected);
}

INSTANTIATE_TEST_SUITE_P(Files, HostileFileTest,
                         ::testing::Combine(::testing::Values(Kind::AtLimit, Kind::OverLimit,
                                                              Kind::Fifo, Kind::LinkToDevZero,
                                                              Kind::Folder),
                                            ::testing::ValuesIn(kReaders)),
                         [](const auto& info) {
                           return std::string(std::get<1>(info.param).name) + "_" +
                                  nameOf(std::get<0>(info.param));
                         });

}  // namespace
}  // namespace scf
