#include "update/update_check.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include "support/release_host.h"

namespace scf {
namespace {

TEST(JudgeReleaseAnswer, TurnsEachAnswerIntoATagOrAReason) {
  struct Case {
    bool ok;
    unsigned status;
    const char* body;
    const char* error;
    bool found;
    const char* expected;  // the tag when found, else the error text
  };
  const std::string long64 = "{\"tag_name\": \"" + std::string(64, '1') + "\"}";
  const Case cases[] = {
      {true, 200, R"({"tag_name" : "v0.9.0"})", "", true, "v0.9.0"},
      {true, 200, R"({"tag_name": "release-1"})", "", true, "release-1"},
      {true, 200, R"({"tag_name": "v0.9/0"})", "", false, "HTTP 200"},
      {true, 200, R"({"tag_name": "v 0"})", "", false, "HTTP 200"},
      {true, 200, R"({"tag_name": ""})", "", false, "HTTP 200"},
      {true, 200, long64.c_str(), "", false, "HTTP 200"},
      {true, 200, R"({"tag_name": null})", "", false, "HTTP 200"},
      {true, 404, R"({"message": "Not Found"})", "", false, "no release published yet"},
      {true, 403, R"({"tag_name": "v0.9.0"})", "", false, "HTTP 403"},
      {false, 0, "", "Could not resolve host: nowhere", false, "Could not resolve host: nowhere"},
  };
  for (const Case& c : cases) {
    const UpdateAnswer answer = judgeReleaseAnswer(c.ok, c.status, c.body, c.error);
    EXPECT_EQ(answer.found, c.found) << c.body;
    EXPECT_EQ(answer.found ? answer.tag : answer.errorText, c.expected) << c.body;
  }
}

TEST(ReleasePagePrefix, FollowsTheQueriedHost) {
  EXPECT_EQ(releasePagePrefix(kDefaultUpdateUrl),
            "https://github.com/ZavUdedaved/ZER_Avudud/releases/tag/");
  EXPECT_EQ(releasePagePrefix("http://127.0.0.1:8000/repos/ZavUdedaved/ZER_Avudud/releases/latest"),
            "http://127.0.0.1:8000/ZavUdedaved/ZER_Avudud/releases/tag/");
}

UpdateCheckView waitForResult(const UpdateCheck& check) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  UpdateCheckView view = check.view();
  while (view.state == kUpdateChecking && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    view = check.view();
  }
  return view;
}

class UpdateCheckTest : public ::testing::Test {
 protected:
  static scf::testing::ReleaseHost& host() {
    static scf::testing::ReleaseHost shared({"--tag", "v0.9.0"});
    return shared;
  }
  void SetUp() override { ASSERT_FALSE(host().base().empty()) << "the release host did not start"; }
  const std::string latest = "/repos/ZavUdedaved/ZER_Avudud/releases/latest";
};

TEST_F(UpdateCheckTest, NewerReleaseIsAvailableWithItsPage) {
  UpdateCheck check;
  EXPECT_EQ(check.view().state, kUpdateIdle);
  check.start(host().url(latest), false);
  const UpdateCheckView view = waitForResult(check);
  EXPECT_EQ(view.state, kUpdateAvailable);
  EXPECT_EQ(view.latestVersion, "0.9.0");
  EXPECT_EQ(view.releaseTag, "v0.9.0");
  EXPECT_EQ(view.releasePageUrl, host().url("/ZavUdedaved/ZER_Avudud/releases/tag/v0.9.0"));
  EXPECT_FALSE(view.manual);
}

TEST_F(UpdateCheckTest, AFailedCheckKeepsWhatAnEarlierCheckFound) {
  UpdateCheck check;
  check.start(host().url(latest), false);
  ASSERT_EQ(waitForResult(check).state, kUpdateAvailable);
  check.start(host().url("/test/status/403"), true);
  const UpdateCheckView view = waitForResult(check);
  EXPECT_EQ(view.state, kUpdateFailed);
  EXPECT_EQ(view.errorText, "HTTP 403");
  EXPECT_TRUE(view.manual);
  EXPECT_EQ(view.latestVersion, "0.9.0");
}

TEST_F(UpdateCheckTest, ASecondStartWhileCheckingIsIgnored) {
  UpdateCheck check;
  check.start(host().url("/test/slow/50"), true);
  check.start(host().url(latest), false);  // ignored: the first check still runs
  const UpdateCheckView view = waitForResult(check);
  EXPECT_EQ(view.state, kUpdateFailed);
  EXPECT_EQ(view.errorText, "HTTP 200");
  EXPECT_TRUE(view.manual);
}

TEST_F(UpdateCheckTest, BadUrlFailsWithItsReason) {
  UpdateCheck check;
  check.start("ftp://127.0.0.1/latest", true);
  const UpdateCheckView view = waitForResult(check);
  EXPECT_EQ(view.state, kUpdateFailed);
  EXPECT_EQ(view.errorText, "bad URL");
}

// A check still running when its owner goes away publishes into memory it co-owns.
TEST_F(UpdateCheckTest, OwnerMayGoAwayWhileTheWorkerRuns) {
  {
    UpdateCheck check;
    check.start(host().url("/test/slow/30"), false);
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(800));
}

}  // namespace
}  // namespace scf
