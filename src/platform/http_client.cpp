#include "platform/http_client.h"

namespace scf {

namespace {

constexpr long kJsonReceiveTimeoutMs = 8000;

}  // namespace

// The same on every system: a small document through get() with the release host's API headers.
HttpJsonResult HttpClient::getJson(const std::string& url, const std::string& userAgent,
                                   std::size_t limit) {
  HttpJsonResult result;
  const HttpSink sink = [&result, limit](const char* data, std::size_t size, std::string& error) {
    result.body.append(data, size);
    if (result.body.size() > limit) {
      error = "response too large";
      return false;
    }
    return true;
  };
  const HttpResult got = HttpClient::get(url, userAgent,
                                         "Accept: application/vnd.github+json\r\n"
                                         "X-GitHub-Api-Version: 2022-11-28\r\n",
                                         kJsonReceiveTimeoutMs, sink);
  result.ok = got.ok;
  result.status = got.status;
  result.error = got.error;
  return result;
}

}  // namespace scf
