// Every #include "folder/..." in src/ must name a folder on the including file's floor or one
// below it, as src/floors.txt orders them; the includes not yet brought down are listed in
// tests/layout/upward_includes_left.txt, a list that may only shrink.

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "platform/utf8_path.h"
#include "support/test_support.h"

namespace scf {
namespace {

// Folder name -> floor number, lowest floor 0.
using Floors = std::map<std::string, int>;

Floors readFloors(const std::string& text) {
  Floors floors;
  std::istringstream lines(text);
  std::string line;
  int floor = 0;
  while (std::getline(lines, line)) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream words(line);
    std::string folder;
    bool any = false;
    while (words >> folder) {
      floors[folder] = floor;
      any = true;
    }
    if (any) ++floor;
  }
  return floors;
}

// One line "file -> included header" for each include that runs up a floor, and one line
// "file: folder not on any floor" for a source outside every listed folder.
std::set<std::string> floorBreaches(const std::string& srcRoot, const Floors& floors) {
  static const std::regex kInclude(R"re(^\s*#\s*include\s*"([^"/]+)/[^"]*")re");
  std::set<std::string> breaches;
  const std::filesystem::path root = utf8Path(srcRoot);
  for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
    if (!entry.is_regular_file()) continue;
    const std::string ext = utf8String(entry.path().extension());
    if (ext != ".cpp" && ext != ".h") continue;
    const std::string file = utf8String(entry.path().lexically_relative(root).generic_string());
    const std::string folder = file.substr(0, file.find('/'));
    const auto own = floors.find(folder);
    if (own == floors.end()) {
      breaches.insert(file + ": folder not on any floor");
      continue;
    }
    std::istringstream lines(testing::readFile(utf8String(entry.path())));
    std::string line;
    std::smatch match;
    while (std::getline(lines, line)) {
      if (!std::regex_search(line, match, kInclude)) continue;
      const auto target = floors.find(match[1].str());
      if (target == floors.end() || target->second <= own->second) continue;
      const std::size_t open = line.find('"');
      breaches.insert(file + " -> " + line.substr(open + 1, line.find('"', open + 1) - open - 1));
    }
  }
  return breaches;
}

std::set<std::string> readLines(const std::string& text) {
  std::set<std::string> lines;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty() && line[0] != '#') lines.insert(line);
  }
  return lines;
}

TEST(IncludeFloors, NoSourceIncludesAHeaderOfAHigherFloor) {
  const std::string source = SCF_SOURCE_DIR;
  const Floors floors = readFloors(testing::readFile(source + "/src/floors.txt"));
  ASSERT_FALSE(floors.empty());
  const std::set<std::string> left =
      readLines(testing::readFile(source + "/tests/layout/upward_includes_left.txt"));
  const std::set<std::string> found = floorBreaches(source + "/src", floors);
  for (const std::string& breach : found)
    EXPECT_TRUE(left.count(breach)) << "runs up a floor: " << breach;
  // A line that no longer describes an include comes off the list, so it cannot hide a new one.
  for (const std::string& listed : left)
    EXPECT_TRUE(found.count(listed)) << "no longer in the sources, remove it: " << listed;
}

TEST(IncludeFloors, AnUpwardIncludeIsFound) {
  testing::TempFolder src;
  testing::writeFile(src / "platform/a.h", "#pragma once\n");
  testing::writeFile(src / "platform/b.cpp", "#include \"platform/a.h\"\n");
  testing::writeFile(src / "ui/c.h", "#pragma once\n#include \"platform/a.h\"\n");
  testing::writeFile(src / "prepare/d.cpp", "#include \"game/e.h\"\n");
  testing::writeFile(src / "game/e.h", "#pragma once\n");
  testing::writeFile(src / "release/f.cpp", "  #  include \"ui/c.h\"  // the look\n");
  testing::writeFile(src / "odd/g.cpp", "\n");
  const Floors floors = readFloors("# lowest first\nplatform\nrelease\n\nprepare game\nui\n");
  EXPECT_EQ(floors.at("ui"), 3);
  EXPECT_EQ(
      floorBreaches(src.path(), floors),
      (std::set<std::string>{"release/f.cpp -> ui/c.h", "odd/g.cpp: folder not on any floor"}));
}

}  // namespace
}  // namespace scf
