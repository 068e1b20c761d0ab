// The HTTP client against the local release host (tools/release_host.py) on 127.0.0.1.
#include "platform/http_client.h"

#include <gtest/gtest.h>
#ifndef _WIN32
#include <unistd.h>
#endif

#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>
#include <thread>

#include "platform/last_error.h"
#include "support/release_host.h"
#include "support/test_support.h"

namespace scf {
namespace {

using scf::testing::TempFolder;

// One release host for the whole program.
scf::testing::ReleaseHost& sharedHost() {
  static scf::testing::ReleaseHost host;
  return host;
}

class HttpClientTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_FALSE(host().base().empty()) << "the release host did not start"; }
  static scf::testing::ReleaseHost& host() { return sharedHost(); }

  HttpDownloadResult download(const std::string& path, const std::string& target,
                              std::uint64_t limit = 1 << 20) {
    return HttpClient::download(host().url(path), httpUserAgent(), target, limit, stop, received,
                                total);
  }

  TempFolder folder;
  std::atomic<bool> stop{false};
  std::atomic<std::uint64_t> received{0};
  std::atomic<std::uint64_t> total{0};
};

TEST_F(HttpClientTest, RefusesSchemesOtherThanHttpBeforeAnyNetwork) {
  for (const char* url : {"ftp://127.0.0.1/x", "file:///etc/passwd", "", "no scheme at all",
                          "http://", "gopher://example.org/"}) {
    const HttpJsonResult result = HttpClient::getJson(url, httpUserAgent(), 1024);
    EXPECT_FALSE(result.ok) << url;
    EXPECT_EQ(result.error, "bad URL") << url;
    EXPECT_EQ(result.status, 0u) << url;
  }
  const std::string target = folder / "never.bin";
  EXPECT_EQ(
      HttpClient::download("ftp://127.0.0.1/x", httpUserAgent(), target, 10, stop, received, total)
          .error,
      "bad URL");
  EXPECT_FALSE(scf::testing::exists(target));
}

TEST_F(HttpClientTest, JsonOf404IsASuccessWithTheBody) {
  const HttpJsonResult result =
      HttpClient::getJson(host().url("/test/status/404"), httpUserAgent(), 1024);
  EXPECT_TRUE(result.ok) << result.error;
  EXPECT_EQ(result.status, 404u);
  EXPECT_EQ(result.body, "status 404");
}

TEST_F(HttpClientTest, JsonLimitIsExactAndOneByteOverFails) {
  const HttpJsonResult exact =
      HttpClient::getJson(host().url("/test/json/4096"), httpUserAgent(), 4096);
  EXPECT_TRUE(exact.ok) << exact.error;
  EXPECT_EQ(exact.body.size(), 4096u);
  const HttpJsonResult over =
      HttpClient::getJson(host().url("/test/json/4097"), httpUserAgent(), 4096);
  EXPECT_FALSE(over.ok);
  EXPECT_EQ(over.error, "response too large");
}

TEST_F(HttpClientTest, LatestReleaseAnswersWithItsTag) {
  const HttpJsonResult result = HttpClient::getJson(
      host().url("/repos/ZavUdedaved/ZER_Avudud/releases/latest"), httpUserAgent(), 1 << 20);
  ASSERT_TRUE(result.ok) << result.error;
  EXPECT_EQ(result.status, 200u);
  EXPECT_NE(result.body.find("\"tag_name\": \"v0.9.0\""), std::string::npos) << result.body;
}

TEST_F(HttpClientTest, DownloadWritesTheWholeBodyAndCounts) {
  const std::string target = folder / "file.bin";
  const HttpDownloadResult result = download("/test/bytes/300000", target);
  ASSERT_TRUE(result.ok) << result.error;
  EXPECT_EQ(scf::testing::readFile(target), std::string(300000, 'x'));
  EXPECT_EQ(received.load(), 300000u);
  EXPECT_EQ(total.load(), 300000u);
}

TEST_F(HttpClientTest, DownloadOfAnErrorStatusFailsAndLeavesNoFile) {
  const std::string target = folder / "missing.bin";
  scf::testing::writeFile(target, "an older file");
  const HttpDownloadResult result = download("/test/status/404", target);
  EXPECT_FALSE(result.ok);
  EXPECT_EQ(result.error, "HTTP 404");
  EXPECT_FALSE(scf::testing::exists(target));
}

TEST_F(HttpClientTest, DownloadReplacesAnExistingFile) {
  const std::string target = folder / "existing.bin";
  scf::testing::writeFile(target, std::string(50, 'o'));
  const HttpDownloadResult result = download("/test/bytes/10", target);
  ASSERT_TRUE(result.ok) << result.error;
  EXPECT_EQ(scf::testing::readFile(target), "xxxxxxxxxx");
}

TEST_F(HttpClientTest, DownloadNeverFollowsALink) {
#ifdef _WIN32
  GTEST_SKIP() << "symbolic links need a privilege on Windows that test programs do not have";
#else
  const std::string outside = folder / "outside.txt";
  scf::testing::writeFile(outside, "keep me");
  const std::string target = folder / "linked.bin";
  ASSERT_EQ(::symlink(outside.c_str(), target.c_str()), 0);
  const HttpDownloadResult result = download("/test/bytes/10", target);
  ASSERT_TRUE(result.ok) << result.error;
  EXPECT_EQ(scf::testing::readFile(target), "xxxxxxxxxx");
  EXPECT_EQ(scf::testing::readFile(outside), "keep me");
#endif
}

TEST_F(HttpClientTest, NoContentLengthGivesTotalZero) {
  const std::string target = folder / "nolength.bin";
  const HttpDownloadResult result = download("/test/no-length/5000", target);
  ASSERT_TRUE(result.ok) << result.error;
  EXPECT_EQ(total.load(), 0u);
  EXPECT_EQ(received.load(), 5000u);
}

TEST_F(HttpClientTest, RedirectIsFollowedToTheFinalAnswer) {
  // Locations written as a whole address, as a path on the same host and relative to the
  // redirecting path.
  for (const std::string& to :
       {host().url("/test/bytes/77"), std::string("/test/bytes/77"), std::string("bytes/77")}) {
    const std::string target = folder / "redirected.bin";
    const HttpDownloadResult result = download("/test/redirect?to=" + to, target);
    ASSERT_TRUE(result.ok) << to << ": " << result.error;
    EXPECT_EQ(received.load(), 77u) << to;
    EXPECT_EQ(scf::testing::readFile(target), std::string(77, 'x')) << to;
  }
  const HttpResult got =
      HttpClient::get(host().url("/test/redirect?to=/test/status/404"), httpUserAgent(), "", 2000,
                      [](const char*, std::size_t, std::string&) { return true; });
  EXPECT_TRUE(got.ok) << got.error;
  EXPECT_EQ(got.status, 404u);
  EXPECT_EQ(got.contentLength, 10u);
}

TEST_F(HttpClientTest, RedirectToAnAddressLongerThanAPathBufferIsFollowed) {
  const std::string padding = "?pad=" + std::string(3000, 'p');
  for (const std::string& to : {host().url("/test/bytes/77" + padding), "bytes/77" + padding}) {
    const std::string target = folder / "long.bin";
    const HttpDownloadResult result = download("/test/redirect?to=" + to, target);
    ASSERT_TRUE(result.ok) << to.substr(0, 40) << ": " << result.error;
    EXPECT_EQ(scf::testing::readFile(target), std::string(77, 'x'));
  }
}

TEST_F(HttpClientTest, RedirectToAnotherSchemeIsRefusedWithoutItsBody) {
  for (const char* to : {"ftp://127.0.0.1/x", "file:///etc/passwd", "FILE:///C:/windows/win.ini"}) {
    std::string body;
    const HttpResult got =
        HttpClient::get(host().url(std::string("/test/redirect?to=") + to), httpUserAgent(), "",
                        2000, [&body](const char* data, std::size_t size, std::string&) {
                          body.append(data, size);
                          return true;
                        });
    EXPECT_FALSE(got.ok) << to;
    EXPECT_FALSE(got.error.empty()) << to;
    EXPECT_EQ(got.status, 302u) << to;
    EXPECT_EQ(body, "") << to;
  }
}

TEST_F(HttpClientTest, ClosedPortFailsAtOnce) {
  const auto start = std::chrono::steady_clock::now();
  // Port 1 (tcpmux) is not served on a test machine.
  const HttpJsonResult result = HttpClient::getJson("http://127.0.0.1:1/", httpUserAgent(), 1024);
  EXPECT_FALSE(result.ok);
  EXPECT_EQ(result.status, 0u);
  EXPECT_FALSE(result.error.empty());
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}

TEST_F(HttpClientTest, HostileAnswersEndWithAnErrorAndNoFile) {
  struct Case {
    const char* path;
    std::uint64_t limit;
  };
  for (const Case& c :
       {Case{"/test/redirect?to=file:///etc/passwd", 1 << 20},
        Case{"/test/redirect?to=ftp://127.0.0.1/x", 1 << 20}, Case{"/test/loop/0", 1 << 20},
        Case{"/test/endless", 1 << 20}, Case{"/test/huge-length", 1 << 20}}) {
    const std::string target = folder / "hostile.bin";
    const auto start = std::chrono::steady_clock::now();
    const HttpDownloadResult result = download(c.path, target, c.limit);
    EXPECT_FALSE(result.ok) << c.path;
    EXPECT_FALSE(result.error.empty()) << c.path;
    EXPECT_FALSE(scf::testing::exists(target)) << c.path;
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20)) << c.path;
  }
}

TEST_F(HttpClientTest, AbsurdLengthIsReportedAsAnnouncedAndRefusedBeforeTheBody) {
  const HttpResult got =
      HttpClient::get(host().url("/test/huge-length"), httpUserAgent(), "", 2000,
                      [](const char*, std::size_t, std::string&) { return true; });
  EXPECT_EQ(got.status, 200u);
  EXPECT_EQ(got.contentLength, 9223372036854775808ULL);
  const HttpDownloadResult result = download("/test/huge-length", folder / "huge.bin");
  EXPECT_FALSE(result.ok);
  EXPECT_EQ(result.error, "download too large");
  EXPECT_EQ(received.load(), 0u);
}

TEST_F(HttpClientTest, EndlessBodyIsEndedByTheLimit) {
  const std::string target = folder / "endless.bin";
  const HttpDownloadResult result = download("/test/endless", target, 1 << 20);
  EXPECT_FALSE(result.ok);
  EXPECT_EQ(result.error, "download too large");
}

TEST_F(HttpClientTest, StalledAnswerEndsByTheIdleTimeOut) {
  struct Case {
    const char* path;
    std::uint32_t status;
    const char* body;
  };
  for (const Case& c : {Case{"/test/stall-after-headers", 200, "partial"},
                        Case{"/test/stall-before-headers", 0, ""}}) {
    const auto start = std::chrono::steady_clock::now();
    std::string body;
    const HttpResult result =
        HttpClient::get(host().url(c.path), httpUserAgent(), "", 1000,
                        [&body](const char* data, std::size_t size, std::string&) {
                          body.append(data, size);
                          return true;
                        });
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_FALSE(result.ok) << c.path;
    EXPECT_FALSE(result.error.empty()) << c.path;
    EXPECT_EQ(result.status, c.status) << c.path;
    EXPECT_EQ(body, c.body) << c.path;
    EXPECT_LT(elapsed, std::chrono::seconds(10)) << c.path;
  }
}

TEST_F(HttpClientTest, StopDuringADownloadEndsItAndRemovesTheFile) {
  const std::string target = folder / "stopped.bin";
  std::thread stopper([this] {
    while (received.load() == 0)
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    stop.store(true);
  });
  const HttpDownloadResult result = download("/test/slow/2000", target);
  stopper.join();
  EXPECT_FALSE(result.ok);
  EXPECT_EQ(result.error, "stopped");
  EXPECT_FALSE(scf::testing::exists(target));
}

TEST_F(HttpClientTest, FileThatCannotBeCreatedFailsWithTheSystemsReason) {
  const HttpDownloadResult result = download("/test/bytes/10", folder / "no/such/folder/x.bin");
  EXPECT_FALSE(result.ok);
#ifdef _WIN32
  EXPECT_EQ(result.error, errorText(3));  // ERROR_PATH_NOT_FOUND
#else
  EXPECT_EQ(result.error, "No such file or directory");
#endif
}

}  // namespace
}  // namespace scf
