// The HTTP client over https against a test host (tools/https_test_host.py) whose certificate
// is signed by an authority made for the run: certificates are verified, and a request that
// began on https never follows a redirect to plain http.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <string>

#include "platform/http_client.h"
#include "platform/http_redirect.h"
#include "platform/http_test_authority.h"
#include "support/https_host.h"
#include "support/release_host.h"
#include "support/test_support.h"

namespace scf {
namespace {

using scf::testing::TempFolder;

scf::testing::HttpsHost& sharedHttpsHost() {
  static scf::testing::HttpsHost host;
  return host;
}

scf::testing::ReleaseHost& sharedPlainHost() {
  static scf::testing::ReleaseHost host;
  return host;
}

// Trusts the test authority for as long as it lives.
class TrustedAuthority {
 public:
  explicit TrustedAuthority(const std::string& pemFile) { setHttpTestAuthority(pemFile); }
  ~TrustedAuthority() { setHttpTestAuthority(""); }
  TrustedAuthority(const TrustedAuthority&) = delete;
  TrustedAuthority& operator=(const TrustedAuthority&) = delete;
};

class HttpTlsTest : public ::testing::Test {
 protected:
  void SetUp() override {
#ifdef _WIN32
    // WinHTTP trusts only the system's store, and wine fills its roots from the host's
    // certificate files alone: a test authority cannot be trusted without changing the
    // machine. The Windows client's redirect decision is the one HttpRedirectTest covers, and
    // HttpClientTest shows its plain-http redirects still followed.
    GTEST_SKIP() << "a test certificate authority cannot be trusted by WinHTTP under wine";
#endif
    ASSERT_FALSE(host().base().empty()) << "the https test host did not start";
  }
  static scf::testing::HttpsHost& host() {
    return sharedHttpsHost();
  }

  // What the trap has answered so far, asked of the https host.
  static int trapHits() {
    const HttpJsonResult got =
        HttpClient::getJson(host().url("/test/trap-hits"), httpUserAgent(), 64);
    return got.ok && got.status == 200 ? std::stoi(got.body) : -1;
  }

  HttpDownloadResult download(const std::string& url, const std::string& target) {
    return HttpClient::download(url, httpUserAgent(), target, 1 << 20, stop, received, total);
  }

  TempFolder folder;
  std::atomic<bool> stop{false};
  std::atomic<std::uint64_t> received{0};
  std::atomic<std::uint64_t> total{0};
};

TEST_F(HttpTlsTest, CertificateIsVerifiedAgainstTheTrustedAuthoritiesOnly) {
  const std::string target = folder / "secure.bin";
  {
    // Not trusted: the host's certificate is refused before anything is received.
    const HttpDownloadResult refused = download(host().url("/test/bytes/1000"), target);
    EXPECT_FALSE(refused.ok);
    EXPECT_FALSE(refused.error.empty());
    EXPECT_FALSE(scf::testing::exists(target));
  }
  TrustedAuthority trusted(host().authority());
  const HttpDownloadResult result = download(host().url("/test/bytes/1000"), target);
  ASSERT_TRUE(result.ok) << result.error;
  EXPECT_EQ(scf::testing::readFile(target), std::string(1000, 'x'));
  // A redirect that stays on https is followed.
  const HttpDownloadResult redirected =
      download(host().url("/test/redirect?to=/test/bytes/77"), target);
  ASSERT_TRUE(redirected.ok) << redirected.error;
  EXPECT_EQ(received.load(), 77u);
}

TEST_F(HttpTlsTest, HttpsNeverFollowsARedirectToPlainHttp) {
  TrustedAuthority trusted(host().authority());
  const int hitsBefore = trapHits();
  ASSERT_GE(hitsBefore, 0);
  const std::string trap = host().trap() + "/releases/download/v0.9.0/archive.zip";
  std::string upper = trap;
  upper.replace(0, 4, "HTTP");
  // Straight to http, in capitals, and after a first hop that stays on https.
  for (const std::string& to : {trap, upper, "/test/redirect?to=" + trap}) {
    const std::string target = folder / "archive.zip";
    const HttpDownloadResult result = download(host().url("/test/redirect?to=" + to), target);
    EXPECT_FALSE(result.ok) << to;
    EXPECT_EQ(result.error, refusedRedirectText(to.rfind("/test/", 0) == 0 ? trap : to)) << to;
    EXPECT_FALSE(scf::testing::exists(target)) << to;

    std::string body;
    const HttpResult got =
        HttpClient::get(host().url("/test/redirect?to=" + to), httpUserAgent(), "", 5000,
                        [&body](const char* data, std::size_t size, std::string&) {
                          body.append(data, size);
                          return true;
                        });
    EXPECT_FALSE(got.ok) << to;
    EXPECT_EQ(got.status, 302u) << to;
    EXPECT_EQ(body, "") << to;
  }
  EXPECT_EQ(trapHits(), hitsBefore) << "the plain-http host was asked";

  // A request that began on plain http, as one the user asked for, still follows http: the
  // trap counts it.
  scf::testing::ReleaseHost& plain = sharedPlainHost();
  ASSERT_FALSE(plain.base().empty()) << "the release host did not start";
  const std::string target = folder / "plain.zip";
  const HttpDownloadResult result = download(plain.url("/test/redirect?to=" + trap), target);
  ASSERT_TRUE(result.ok) << result.error;
  EXPECT_EQ(scf::testing::readFile(target), "trap");
  EXPECT_EQ(trapHits(), hitsBefore + 1);
}

}  // namespace
}  // namespace scf
