// The bounds of a release download: its announced size, a minimum rate, and free space; and the
// asset size read from a release answer.
#include "update/download_limits.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>
#include <thread>

#include "release/tr.h"
#include "support/release_host.h"
#include "support/test_support.h"
#include "update/release_assets.h"
#include "update/update_check.h"

namespace scf {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// Sets the interface language for one test and puts it back.
class Language {
 public:
  explicit Language(bool french) : before_(uiFrench) { uiFrench = french; }
  ~Language() { uiFrench = before_; }

 private:
  bool before_;
};

TEST(DownloadLimitsTest, ByteCountsReadAsTheUserReadsThem) {
  struct Case {
    std::uint64_t bytes;
    const char* english;
    const char* french;
  };
  for (const Case& c :
       {Case{0, "0 bytes", "0 octets"}, Case{999, "999 bytes", "999 octets"},
        Case{1000, "1 KB", "1 Ko"}, Case{250000, "250 KB", "250 Ko"},
        Case{12500000, "12.5 MB", "12,5 Mo"}, Case{2147483648ULL, "2.15 GB", "2,15 Go"}}) {
    {
      Language english(false);
      EXPECT_EQ(byteCountText(c.bytes), c.english);
    }
    Language french(true);
    EXPECT_EQ(byteCountText(c.bytes), c.french);
  }
}

TEST(DownloadLimitsTest, WatchStopsAtTheAnnouncedSizeAndBelowTheMinimumRate) {
  Language english(false);
  struct Step {
    int atMs;
    std::uint64_t received;
    std::uint64_t total;
    bool goOn;
  };
  struct Case {
    const char* what;
    std::uint64_t announced;
    std::vector<Step> steps;
    const char* error;  // of the last step
  };
  const char* tooMuch = "the server sent more than the 1 KB it announced";
  const char* tooSlow = "the server sent less than 1 KB a second for 2 seconds";
  const std::vector<Case> cases = {
      {"exactly the announced size", 1000, {{10, 1000, 0, true}}, ""},
      {"one byte past the announced size",
       1000,
       {{10, 1000, 0, true}, {20, 1001, 0, false}},
       tooMuch},
      {"the answer's size before the server's", 1000, {{10, 1001, 5000, false}}, tooMuch},
      {"the server's length when the answer gave none", 0, {{10, 1001, 1000, false}}, tooMuch},
      {"no size known at all", 0, {{10, 1000000000, 0, true}}, ""},
      {"slow but the window is not over", 0, {{1999, 10, 0, true}}, ""},
      {"a whole window under the rate",
       0,
       {{1000, 1000, 0, true}, {2000, 1999, 0, false}},
       tooSlow},
      {"each window at the rate",
       0,
       {{2000, 2000, 0, true}, {4000, 4000, 0, true}, {6100, 6100, 0, true}},
       ""},
      {"a fast window does not excuse a slow one",
       0,
       {{2000, 900000, 0, true}, {4000, 901000, 0, false}},
       tooSlow},
  };
  for (const Case& c : cases) {
    DownloadLimits limits;
    limits.announcedSize = c.announced;
    limits.minBytesPerSecond = 1000;
    limits.window = milliseconds(2000);
    const Clock::time_point start{};
    DownloadWatch watch(limits, start);
    std::string error;
    for (const Step& step : c.steps) {
      error.clear();
      EXPECT_EQ(watch.check(step.received, step.total, start + milliseconds(step.atMs), error),
                step.goOn)
          << c.what << " at " << step.atMs;
    }
    EXPECT_EQ(error, c.error) << c.what;
  }
}

TEST(DownloadLimitsTest, FreeSpaceIsCheckedWhenBothNumbersAreKnown) {
  Language english(false);
  EXPECT_EQ(freeSpaceProblem(0, 10), "");
  EXPECT_EQ(freeSpaceProblem(10, 0), "");
  EXPECT_EQ(freeSpaceProblem(10, 10), "");
  EXPECT_EQ(freeSpaceProblem(250000000, 12500000),
            "the release folder has 12.5 MB free and the download needs 250.0 MB");
  Language french(true);
  EXPECT_EQ(freeSpaceProblem(250000000, 12500000),
            "le dossier de la version a 12,5 Mo de libre et le téléchargement demande 250,0 Mo");
}

TEST(DownloadLimitsTest, AssetSizeComesFromTheMatchingAssetOfTheAnswer) {
  const std::string name = "ZER_Avudud-0.9.0-ravelin.zip";
  const std::string github = R"({
  "tag_name": "v0.9.0", "name": "v0.9.0", "draft": false, "id": 1.5e3,
  "author": {"login": "someone", "size": 7},
  "assets": [
    {"name": "ZER_Avudud-0.9.0-ravelin.zip.sha256", "size": 97},
    {
      "url": "https://api.example/assets/1", "id": 1, "label": null,
      "uploader": {"login": "someone", "site_admin": false, "size": 5, "list": [1, [2, {}]]},
      "name": "ZER_Avudud-0.9.0-ravelin.zip",
      "content_type": "application/zip", "state": "uploaded",
      "size": 123456789, "download_count": 0
    }
  ],
  "body": "notes with \"quotes\" and \\ and \u00e9"
})";
  struct Case {
    const char* what;
    std::string body;
    std::uint64_t size;
  };
  for (const Case& c : {
           Case{"a release answer like GitHub's", github, 123456789},
           Case{"size before name", R"({"assets":[{"size":42,"name":")" + name + R"("}]})", 42},
           Case{"no such asset", R"({"assets":[{"name":"other.zip","size":42}]})", 0},
           Case{"no assets", R"({"tag_name":"v0.9.0"})", 0},
           Case{"assets not an array", R"({"assets":{"name":")" + name + R"(","size":4}})", 0},
           Case{"a size in the wrong place", R"({"size":9,"assets":[{"name":")" + name + R"("}]})",
                0},
           Case{"negative size", R"({"assets":[{"name":")" + name + R"(","size":-4}]})", 0},
           Case{"fractional size", R"({"assets":[{"name":")" + name + R"(","size":4.5}]})", 0},
           Case{"size too large",
                R"({"assets":[{"name":")" + name + R"(","size":99999999999999999999}]})", 0},
           Case{"cut short", github.substr(0, github.size() / 2), 0},
           Case{"nested too deep", std::string(5000, '[') + std::string(5000, ']'), 0},
           Case{"deep inside an asset",
                R"({"assets":[{"name":")" + name + R"(","x":)" + std::string(100, '[') +
                    std::string(100, ']') + R"(,"size":3}]})",
                0},
           Case{"not JSON", "tag_name v0.9.0", 0},
           Case{"empty", "", 0},
       }) {
    EXPECT_EQ(releaseAssetSize(c.body, name), c.size) << c.what;
  }
}

TEST(DownloadLimitsTest, UpdateCheckKeepsTheArchiveSizeTheAnswerGives) {
#ifdef _WIN32
  GTEST_SKIP() << "a host serving this test's release files needs Linux Python started by this "
                  "program, which wine cannot do";
#endif
  scf::testing::TempFolder root;
  scf::testing::writeFile(root / "v0.9.0/ZER_Avudud-0.9.0-ravelin.zip", std::string(1234, 'z'));
  scf::testing::writeFile(root / "v0.9.0/ZER_Avudud-0.9.0-ravelin.zip.sha256", "sum");
  scf::testing::ReleaseHost server({"--root", root.path(), "--tag", "v0.9.0"});
  ASSERT_FALSE(server.base().empty()) << "the release host did not start";
  UpdateCheck check;
  check.start(server.url("/repos/ZavUdedaved/ZER_Avudud/releases/latest"), true);
  const auto deadline = Clock::now() + std::chrono::seconds(20);
  while (check.view().state == kUpdateChecking && Clock::now() < deadline)
    std::this_thread::sleep_for(milliseconds(10));
  const UpdateCheckView view = check.view();
  EXPECT_EQ(view.state, kUpdateAvailable) << view.errorText;
  EXPECT_EQ(view.assetSize, 1234u);
}

scf::testing::ReleaseHost& sharedHost() {
  static scf::testing::ReleaseHost host;
  return host;
}

class DownloadWithinLimitsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(sharedHost().base().empty()) << "the release host did not start";
  }

  HttpDownloadResult download(const std::string& path, const DownloadLimits& limits) {
    return downloadWithinLimits(sharedHost().url(path), target, 2147483648ULL, limits, stop,
                                received, total);
  }

  scf::testing::TempFolder folder;
  const std::string target = folder / "ZER_Avudud-0.9.0-ravelin.zip";
  std::atomic<bool> stop{false};
  std::atomic<std::uint64_t> received{0};
  std::atomic<std::uint64_t> total{0};
  Language english{false};
};

TEST_F(DownloadWithinLimitsTest, HostSendingMoreThanAnnouncedIsStoppedAtTheSize) {
  struct Case {
    const char* path;
    std::uint64_t announced;
  };
  // Endless without a length, and a length the release answer did not announce.
  for (const Case& c : {Case{"/test/endless", 100000}, Case{"/test/bytes/5000", 1000}}) {
    DownloadLimits limits;
    limits.announcedSize = c.announced;
    const HttpDownloadResult result = download(c.path, limits);
    EXPECT_FALSE(result.ok) << c.path;
    EXPECT_EQ(result.error,
              "the server sent more than the " + byteCountText(c.announced) + " it announced")
        << c.path;
    EXPECT_LE(received.load(), c.announced) << c.path;
    EXPECT_FALSE(scf::testing::exists(target)) << c.path;
  }
  DownloadLimits exact;
  exact.announcedSize = 5000;
  const HttpDownloadResult result = download("/test/bytes/5000", exact);
  EXPECT_TRUE(result.ok) << result.error;
  EXPECT_EQ(scf::testing::readFile(target), std::string(5000, 'x'));
}

TEST_F(DownloadWithinLimitsTest, TrickleIsStoppedAfterAWindowUnderTheMinimumRate) {
  // 100 bytes a second for 20 s; the window is shortened so that the test takes seconds.
  DownloadLimits limits;
  limits.minBytesPerSecond = 1000;
  limits.window = milliseconds(1500);
  const auto start = Clock::now();
  const HttpDownloadResult result = download("/test/slow/2000", limits);
  EXPECT_FALSE(result.ok);
  EXPECT_EQ(result.error, "the server sent less than 1 KB a second for 2 seconds");
  EXPECT_LT(Clock::now() - start, std::chrono::seconds(15));
  EXPECT_FALSE(scf::testing::exists(target));
}

TEST_F(DownloadWithinLimitsTest, TooLittleFreeSpaceIsRefusedBeforeAnyRequest) {
  DownloadLimits limits;
  limits.announcedSize = 1ULL << 62;  // more than any test machine's disk
  const HttpDownloadResult result = download("/test/bytes/10", limits);
  EXPECT_FALSE(result.ok);
  EXPECT_EQ(result.error.rfind("the release folder has ", 0), 0u) << result.error;
  EXPECT_NE(result.error.find(" free and the download needs " + byteCountText(1ULL << 62)),
            std::string::npos)
      << result.error;
  EXPECT_EQ(received.load(), 0u);
  EXPECT_FALSE(scf::testing::exists(target));
}

}  // namespace
}  // namespace scf
