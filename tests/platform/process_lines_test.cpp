#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "platform/line_splitter.h"
#include "process_test_support.h"

namespace scf {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

struct SplitCase {
  std::string output;
  std::vector<std::string> lines;
};

std::vector<std::string> split(const std::string& output, std::size_t chunk) {
  LineSplitter splitter;
  LineBatch lines;
  for (std::size_t at = 0; at < output.size(); at += chunk) {
    std::size_t size = std::min(chunk, output.size() - at);
    splitter.feed(output.data() + at, size, lines);
  }
  splitter.finish(lines);
  return lines.strings();
}

TEST(LineSplitter, GivesTheSameLinesHoweverTheOutputIsCut) {
  const std::vector<SplitCase> cases = {
      {"a\r\nb\nc", {"a", "b", "c"}},
      {"", {}},
      {"\n", {""}},
      {"\r\n\r\n", {"", ""}},
      {"one\n", {"one"}},
      {"x\r\r\n", {"x\r"}},    // only one carriage return is dropped
      {"tail\r", {"tail\r"}},  // an unterminated last line stays as written
      {"a\rb\n", {"a\rb"}},    // a carriage return inside a line is kept
      {std::string("n\0l\n", 4), {std::string("n\0l", 3)}},
  };
  for (const SplitCase& c : cases) {
    for (std::size_t chunk = 1; chunk <= c.output.size() + 1; ++chunk) {
      EXPECT_EQ(split(c.output, chunk), c.lines)
          << "output " << ::testing::PrintToString(c.output) << " in pieces of " << chunk;
    }
  }
}

TEST(LineSplitter, KeepsALongLineWholeAcrossManySmallPieces) {
  std::string line(10000, 'x');
  line[5000] = '\r';
  EXPECT_THAT(split(line + "\r\nnext\n", 7), ElementsAre(line, "next"));
}

TEST(ChildOutput, SplitsCapturedOutputIntoLines) {
  EXPECT_THAT(test::shellLines("printf 'a\\r\\nb\\nc'"), ElementsAre("a", "b", "c"));
  EXPECT_THAT(test::shellLines("true"), IsEmpty());
  EXPECT_THAT(test::shellLines("echo out; echo err >&2"), ElementsAre("out", "err"));
}

TEST(ChildOutput, ALineWrittenInManyPiecesArrivesWhole) {
  // 100 writes of 100 bytes each, no line end.
  auto lines =
      test::shellLines("i=0; while [ $i -lt 100 ]; do printf '%0100d' 0; i=$((i+1)); done");
  EXPECT_THAT(lines, ElementsAre(std::string(10000, '0')));
}

TEST(ChildOutput, PassesBinaryBytesUnchanged) {
  test::TempFolder folder;
  std::string bytes;
  for (int value = 0; value < 256; ++value) {
    if (value != '\n') bytes += static_cast<char>(value);
  }
  std::ofstream(folder.file("bytes"), std::ios::binary) << bytes << '\n' << bytes;
  auto lines = test::shellLines("cat '" + folder.file("bytes") + "'");
  EXPECT_THAT(lines, ElementsAre(bytes, bytes));
}

TEST(ChildOutput, LosesNoLineOfALongOutput) {
  auto lines = test::shellLines("seq 1 100000");
  ASSERT_EQ(lines.size(), 100000u);
  EXPECT_EQ(lines.front(), "1");
  EXPECT_EQ(lines[49999], "50000");
  EXPECT_EQ(lines.back(), "100000");
}

TEST(ChildOutput, ChildSeesOnlyItsStandardDescriptorsAndNoInput) {
  // Other descriptors of the launcher (its own pipes, other children's) must not leak.
  EXPECT_THAT(test::shellLines("ls /proc/$$/fd"), ElementsAre("0", "1", "2"));
  EXPECT_THAT(test::shellLines("cat; echo end"), ElementsAre("end"));
}

}  // namespace
}  // namespace scf
