#include "platform/process_line_batch.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "process_test_support.h"

namespace scf {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

LineBatch batchOf(const std::vector<std::string>& lines) {
  LineBatch batch;
  for (const std::string& line : lines)
    batch.push(line);
  return batch;
}

TEST(LineBatch, GivesItsLinesBackInOrderAsTheyWerePushed) {
  const std::vector<std::vector<std::string>> cases = {
      {},
      {""},
      {"", "", ""},
      {"one"},
      {"a", "", "bc", std::string("n\0l", 3), std::string(10000, 'x')},
  };
  for (const auto& lines : cases) {
    LineBatch batch = batchOf(lines);
    EXPECT_EQ(batch.strings(), lines);
    ASSERT_EQ(batch.size(), lines.size());
    EXPECT_EQ(batch.empty(), lines.empty());
    std::vector<std::string> iterated;
    for (std::string_view line : batch)
      iterated.emplace_back(line);
    EXPECT_EQ(iterated, lines);
    for (std::size_t i = 0; i < lines.size(); ++i)
      EXPECT_EQ(batch[i], lines[i]);
  }
}

TEST(LineBatch, AppendsAnotherBatchAfterItsOwnLines) {
  const std::vector<std::pair<std::vector<std::string>, std::vector<std::string>>> cases = {
      {{}, {}},
      {{"a"}, {}},
      {{}, {"b"}},
      {{"first", ""}, {"", "second", "third"}},
  };
  for (const auto& [own, more] : cases) {
    LineBatch batch = batchOf(own);
    batch.append(batchOf(more));
    std::vector<std::string> both = own;
    both.insert(both.end(), more.begin(), more.end());
    EXPECT_EQ(batch.strings(), both);
  }
}

TEST(LineBatch, ClearingOrSwappingLeavesNoOldLineBehind) {
  LineBatch batch = batchOf({"old", "lines"});
  LineBatch other = batchOf({"new"});
  batch.swap(other);
  EXPECT_THAT(batch.strings(), ElementsAre("new"));
  EXPECT_THAT(other.strings(), ElementsAre("old", "lines"));
  other.clear();
  EXPECT_TRUE(other.empty());
  EXPECT_EQ(other.textSize(), 0u);
  other.push("again");
  EXPECT_THAT(other.strings(), ElementsAre("again"));
}

TEST(LineBatch, WorksWithTheStandardAlgorithms) {
  LineBatch batch = batchOf({"c", "a", "b"});
  EXPECT_EQ(std::distance(batch.begin(), batch.end()), 3);
  EXPECT_EQ(*std::min_element(batch.begin(), batch.end()), "a");
  EXPECT_EQ(std::count(batch.begin(), batch.end(), "b"), 1);
  EXPECT_EQ(batch.end() - batch.begin(), 3);
  EXPECT_EQ(batch.begin()[2], "b");
  EXPECT_EQ(batch.front(), "c");
  EXPECT_EQ(batch.back(), "b");
}

TEST(ChildOutput, TakingIntoOneKeptBatchLosesNoLineAndKeepsTheirOrder) {
  // The way a frame loop takes output: one batch kept across takes, whose room goes back to
  // the reader each time.
  ChildProcess child;
  std::string error;
  ASSERT_TRUE(child.start(test::processHelper, {"count", "200000"}, "", true, error)) << error;
  LineBatch batch;
  long next = 1;
  bool inOrder = true;
  int takes = 0;
  auto takeAll = [&] {
    child.takeLineBatch(batch);
    ++takes;
    for (std::string_view line : batch) {
      inOrder = inOrder && line == std::to_string(next);
      ++next;
    }
  };
  test::waitUntil([&] {
    takeAll();
    return !child.running();
  });
  child.waitReader(2000);
  takeAll();
  EXPECT_TRUE(inOrder);
  EXPECT_EQ(next, 200001);
  child.takeLineBatch(batch);
  EXPECT_THAT(batch.strings(), IsEmpty());
}

}  // namespace
}  // namespace scf
