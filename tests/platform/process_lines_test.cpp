#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
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
  // "a", carriage return, line feed, "b", line feed, "c" without a line end.
  EXPECT_THAT(test::helperLines({"raw", "610d0a620a63"}), ElementsAre("a", "b", "c"));
  EXPECT_THAT(test::helperLines({"raw", ""}), IsEmpty());
  EXPECT_THAT(test::helperLines({"out-err"}), ElementsAre("out", "err"));
}

TEST(ChildOutput, ALineWrittenInManyPiecesArrivesWhole) {
  // 100 writes of 100 bytes each, no line end.
  EXPECT_THAT(test::helperLines({"pieces", "100", "100"}), ElementsAre(std::string(10000, '0')));
}

TEST(ChildOutput, AnEmptyWriteIsNotTheEndOfTheOutput) {
#ifdef _WIN32
  // Windows gives the reader a successful empty read for each empty write; wine gives none, so
  // the reads are planted too.
  test::PlantedFault emptyReads(process_faults::setEmptyReadsBetween);
#endif
  std::vector<std::string> expected;
  for (int line = 1; line <= 300; ++line)
    expected.push_back(std::to_string(line));
  EXPECT_EQ(test::helperLines({"empty-writes", "300"}), expected);
}

TEST(ChildOutput, PassesBinaryBytesUnchanged) {
  test::TempFolder folder;
  std::string bytes;
  for (int value = 0; value < 256; ++value) {
    if (value != '\n') bytes += static_cast<char>(value);
  }
  std::ofstream(folder.path / "bytes", std::ios::binary) << bytes << '\n' << bytes;
  auto lines = test::helperLines({"cat", folder.file("bytes")});
  EXPECT_THAT(lines, ElementsAre(bytes, bytes));
}

TEST(ChildOutput, LosesNoLineOfALongOutput) {
  auto lines = test::helperLines({"count", "100000"});
  ASSERT_EQ(lines.size(), 100000u);
  EXPECT_EQ(lines.front(), "1");
  EXPECT_EQ(lines[49999], "50000");
  EXPECT_EQ(lines.back(), "100000");
}

// A child printing faster than its owner takes the lines is held up on its full pipe: the
// launcher's queue stays within its limit however much is printed, and no line is lost.
TEST(ChildOutput, AChildAheadOfItsTakerWaitsInsteadOfFillingTheQueue) {
  constexpr long long kCount = 2000000;  // about 15 MB, four times the queue's limit
  ChildProcess child;
  std::string error;
  ASSERT_TRUE(child.start(test::processHelper, {"count", std::to_string(kCount)}, "", true, error))
      << error;
  // Nobody takes for a while: without a limit the whole output would be read by now.
  test::waitUntil([&] { return !child.running(); }, 3000);
  LineBatch batch;
  child.takeLineBatch(batch);
  const std::size_t readChunk = std::size_t{256} << 10;
  EXPECT_LE(batch.textSize(), ChildProcess::queueLimitBytes + readChunk);
  EXPECT_TRUE(child.running()) << "the child should wait on its pipe until the queue is taken";

  long long expected = 1;
  bool inOrder = true;
  auto check = [&] {
    for (std::string_view line : batch) {
      inOrder = inOrder && line == std::to_string(expected);
      ++expected;
    }
  };
  check();
  test::waitUntil(
      [&] {
        child.takeLineBatch(batch);
        check();
        return !child.running();
      },
      30000);
  child.waitReader(2000);
  child.takeLineBatch(batch);
  check();
  EXPECT_TRUE(inOrder);
  EXPECT_EQ(expected - 1, kCount);
}

TEST(ChildOutput, ChildSeesOnlyItsStandardDescriptorsAndNoInput) {
#ifdef _WIN32
  GTEST_SKIP() << "lists /proc and runs /bin/sh; ChildOutput.InheritsNoOtherHandle checks Windows";
#else
  // Other descriptors of the launcher (its own pipes, other children's) must not leak.
  EXPECT_THAT(test::shellLines("ls /proc/$$/fd"), ElementsAre("0", "1", "2"));
  EXPECT_THAT(test::shellLines("cat; echo end"), ElementsAre("end"));
#endif
}

// An inheritable handle of ours (a descriptor without close-on-exec on Linux) that a
// captured child must still not get: only its standard handles are given to it.
class InheritableHandle {
 public:
  InheritableHandle() {
#ifdef _WIN32
    SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    handle_ = CreateEventW(&inheritable, TRUE, FALSE, nullptr);
    value_ = reinterpret_cast<std::uintptr_t>(handle_);
#else
    if (pipe(ends_) == 0) value_ = static_cast<std::uintptr_t>(ends_[1]);
#endif
  }
  ~InheritableHandle() {
#ifdef _WIN32
    if (handle_ != nullptr) CloseHandle(handle_);
#else
    if (ends_[0] >= 0) close(ends_[0]);
    if (ends_[1] >= 0) close(ends_[1]);
#endif
  }
  InheritableHandle(const InheritableHandle&) = delete;
  InheritableHandle& operator=(const InheritableHandle&) = delete;
  std::string value() const {
    return std::to_string(value_);
  }

 private:
#ifdef _WIN32
  HANDLE handle_ = nullptr;
#else
  int ends_[2] = {-1, -1};
#endif
  std::uintptr_t value_ = 0;
};

TEST(ChildOutput, InheritsNoOtherHandle) {
  InheritableHandle handle;
  // The check itself works: our own process sees the handle open.
  ASSERT_NE(handle.value(), "0");
  EXPECT_THAT(test::helperLines({"inherited", handle.value()}), ElementsAre("closed"));
}

}  // namespace
}  // namespace scf
