#include <curl/curl.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <memory>
#include <mutex>
#include <string_view>

#include "platform/build_info.h"
#include "platform/http_client.h"
#include "platform/http_redirect.h"
#include "platform/http_test_authority.h"
#include "platform/last_error.h"

namespace scf {
namespace {

constexpr long kConnectTimeoutMs = 5000;
constexpr long kMaxRedirects = 20;
constexpr long kDownloadReceiveTimeoutMs = 30000;

void initCurlOnce() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

struct CurlDeleter {
  void operator()(CURL* curl) const { curl_easy_cleanup(curl); }
};
struct UrlDeleter {
  void operator()(CURLU* url) const { curl_url_cleanup(url); }
};
struct HeaderListDeleter {
  void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};

// Only absolute http and https addresses with a host are requested.
bool acceptableUrl(const std::string& url) {
  std::unique_ptr<CURLU, UrlDeleter> parsed(curl_url());
  if (!parsed || url.empty()) return false;
  if (curl_url_set(parsed.get(), CURLUPART_URL, url.c_str(), 0) != CURLUE_OK) return false;
  char* scheme = nullptr;
  char* host = nullptr;
  bool ok = curl_url_get(parsed.get(), CURLUPART_SCHEME, &scheme, 0) == CURLUE_OK &&
            curl_url_get(parsed.get(), CURLUPART_HOST, &host, 0) == CURLUE_OK && host &&
            *host != '\0' &&
            (std::strcmp(scheme, "http") == 0 || std::strcmp(scheme, "https") == 0);
  curl_free(scheme);
  curl_free(host);
  return ok;
}

curl_slist* headerList(const std::string& lines) {
  curl_slist* list = nullptr;
  std::size_t begin = 0;
  while (begin < lines.size()) {
    std::size_t end = lines.find("\r\n", begin);
    if (end == std::string::npos) end = lines.size();
    if (end > begin) {
      const std::string line = lines.substr(begin, end - begin);
      curl_slist* grown = curl_slist_append(list, line.c_str());
      if (!grown) break;
      list = grown;
    }
    begin = end + 2;
  }
  return list;
}

// Called once, before the first chunk of the final response's body.
using ResponseHook = std::function<void(std::uint32_t status, std::uint64_t contentLength)>;

struct Transfer {
  CURL* curl = nullptr;
  const HttpSink* sink = nullptr;
  const ResponseHook* onResponse = nullptr;
  const std::atomic<bool>* stop = nullptr;  // ends even a transfer waiting for the network
  bool firstChunk = true;
  // The final response's Content-Length as the server wrote it; curl ignores one it cannot hold.
  bool lengthSeen = false;
  std::uint64_t length = 0;
  std::string sinkError;
  bool sinkStopped = false;
  std::string location;  // the last response's Location, as the server wrote it
};

std::uint32_t responseStatus(CURL* curl) {
  long status = 0;
  curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
  return status > 0 ? static_cast<std::uint32_t>(status) : 0;
}

std::uint64_t announcedLength(CURL* curl) {
  curl_off_t length = -1;
  curl_easy_getinfo(curl, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
  return length > 0 ? static_cast<std::uint64_t>(length) : 0;
}

std::size_t onHeader(char* data, std::size_t size, std::size_t count, void* user) {
  auto* transfer = static_cast<Transfer*>(user);
  const std::size_t bytes = size * count;
  const std::string_view line(data, bytes);
  constexpr std::string_view key = "content-length:";
  constexpr std::string_view locationKey = "location:";
  const auto startsWith = [&line](std::string_view name) {
    return line.size() > name.size() &&
           std::equal(name.begin(), name.end(), line.begin(), [](char a, char b) {
             return a == std::tolower(static_cast<unsigned char>(b));
           });
  };
  if (line.rfind("HTTP/", 0) == 0) {
    transfer->lengthSeen = false;  // a new response: a redirect's length does not count
    transfer->length = 0;
    transfer->location.clear();
  } else if (startsWith(locationKey)) {
    std::string_view value = line.substr(locationKey.size());
    while (!value.empty() && (value.front() == ' ' || value.front() == '\t'))
      value.remove_prefix(1);
    while (!value.empty() && (value.back() == '\r' || value.back() == '\n' || value.back() == ' ' ||
                              value.back() == '\t'))
      value.remove_suffix(1);
    transfer->location.assign(value.data(), value.size());
  } else if (startsWith(key)) {
    std::uint64_t value = 0;
    bool digits = false;
    for (char c : line.substr(key.size())) {
      if (c == ' ' || c == '\t') {
        if (digits) break;
        continue;
      }
      if (c < '0' || c > '9') break;
      digits = true;
      const std::uint64_t digit = static_cast<std::uint64_t>(c - '0');
      value = value > (UINT64_MAX - digit) / 10 ? UINT64_MAX : value * 10 + digit;
    }
    transfer->lengthSeen = digits;
    transfer->length = value;
  }
  return bytes;
}

int onProgress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
  auto* transfer = static_cast<Transfer*>(user);
  if (!transfer->stop || !transfer->stop->load()) return 0;
  transfer->sinkStopped = true;
  transfer->sinkError = "stopped";
  return 1;
}

std::size_t onBody(char* data, std::size_t size, std::size_t count, void* user) {
  auto* transfer = static_cast<Transfer*>(user);
  const std::size_t bytes = size * count;
  if (bytes == 0) return 0;
  if (transfer->firstChunk) {
    transfer->firstChunk = false;
    if (transfer->onResponse && *transfer->onResponse) {
      (*transfer->onResponse)(
          responseStatus(transfer->curl),
          transfer->lengthSeen ? transfer->length : announcedLength(transfer->curl));
    }
  }
  if (!(*transfer->sink)(data, bytes, transfer->sinkError)) {
    transfer->sinkStopped = true;
    return 0;  // curl ends the transfer with a write error
  }
  return bytes;
}

HttpResult perform(const std::string& url, const std::string& userAgent,
                   const std::string& extraHeaders, long receiveTimeoutMs, const HttpSink& sink,
                   const ResponseHook& onResponse, const std::atomic<bool>* stop) {
  HttpResult result;
  if (!acceptableUrl(url)) {
    result.error = "bad URL";
    return result;
  }
  initCurlOnce();
  std::unique_ptr<CURL, CurlDeleter> curl(curl_easy_init());
  if (!curl) {
    result.error = "the network library could not start";
    return result;
  }
  std::unique_ptr<curl_slist, HeaderListDeleter> headers(headerList(extraHeaders));
  char errorBuffer[CURL_ERROR_SIZE] = {};
  Transfer transfer;
  transfer.curl = curl.get();
  transfer.sink = &sink;
  transfer.onResponse = &onResponse;
  transfer.stop = stop;
  // The receive time-out is an idle limit: less than one byte per second for that long.
  const long idleSeconds = receiveTimeoutMs <= 0 ? 1 : (receiveTimeoutMs + 999) / 1000;

  CURL* c = curl.get();
  curl_easy_setopt(c, CURLOPT_URL, url.c_str());
  curl_easy_setopt(c, CURLOPT_USERAGENT, userAgent.c_str());
  curl_easy_setopt(c, CURLOPT_HTTPHEADER, headers.get());
  curl_easy_setopt(c, CURLOPT_HTTPGET, 1L);
  curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "http,https");
  // A request that began on https is never redirected to plain http.
  const std::string redirectTo = redirectSchemes(url);
  curl_easy_setopt(c, CURLOPT_REDIR_PROTOCOLS_STR, redirectTo.c_str());
  curl_easy_setopt(c, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(c, CURLOPT_MAXREDIRS, kMaxRedirects);
  curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT_MS, kConnectTimeoutMs);
  curl_easy_setopt(c, CURLOPT_LOW_SPEED_LIMIT, 1L);
  curl_easy_setopt(c, CURLOPT_LOW_SPEED_TIME, idleSeconds);
  curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(c, CURLOPT_ERRORBUFFER, errorBuffer);
  curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, onBody);
  curl_easy_setopt(c, CURLOPT_WRITEDATA, &transfer);
  curl_easy_setopt(c, CURLOPT_HEADERFUNCTION, onHeader);
  curl_easy_setopt(c, CURLOPT_HEADERDATA, &transfer);
  const std::string authority = httpTestAuthority();
  if (!authority.empty()) curl_easy_setopt(c, CURLOPT_CAINFO, authority.c_str());
  if (stop) {
    curl_easy_setopt(c, CURLOPT_XFERINFOFUNCTION, onProgress);
    curl_easy_setopt(c, CURLOPT_XFERINFODATA, &transfer);
    curl_easy_setopt(c, CURLOPT_NOPROGRESS, 0L);
  }

  const CURLcode code = curl_easy_perform(c);
  result.status = responseStatus(c);
  result.contentLength = transfer.lengthSeen ? transfer.length : announcedLength(c);

  if (transfer.sinkStopped) {
    result.error = transfer.sinkError;
  } else if (code == CURLE_UNSUPPORTED_PROTOCOL && !transfer.location.empty() &&
             !redirectAllowed(url, transfer.location)) {
    result.error = refusedRedirectText(transfer.location);
  } else if (code != CURLE_OK) {
    result.error = errorBuffer[0] != '\0' ? errorBuffer : curl_easy_strerror(code);
    while (!result.error.empty() && (result.error.back() == '\n' || result.error.back() == '\r' ||
                                     result.error.back() == '.')) {
      result.error.pop_back();
    }
  } else {
    result.ok = true;
  }
  return result;
}

}  // namespace

HttpResult HttpClient::get(const std::string& url, const std::string& userAgent,
                           const std::string& extraHeaders, long receiveTimeoutMs,
                           const HttpSink& sink) {
  return perform(url, userAgent, extraHeaders, receiveTimeoutMs, sink, {}, nullptr);
}

HttpDownloadResult HttpClient::download(const std::string& url, const std::string& userAgent,
                                        const std::string& path, std::uint64_t limit,
                                        const std::atomic<bool>& stop,
                                        std::atomic<std::uint64_t>& received,
                                        std::atomic<std::uint64_t>& total,
                                        const HttpDownloadCheck& check) {
  HttpDownloadResult result;
  received.store(0);
  total.store(0);
  // A fresh file: a link planted at the path is replaced, never followed.
  ::unlink(path.c_str());
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
  if (fd < 0) {
    result.error = lastErrorText();
    return result;
  }

  std::uint32_t status = 0;
  const ResponseHook onResponse = [&status, &total](std::uint32_t code, std::uint64_t length) {
    status = code;
    total.store(length);
  };
  const HttpSink sink = [&](const char* data, std::size_t size, std::string& error) {
    if (status != 200) return false;  // an error page never reaches the file
    if (total.load() > limit) {       // announced too large: not worth a byte
      error = "download too large";
      return false;
    }
    if (stop.load()) {
      error = "stopped";
      return false;
    }
    if (check && !check(received.load() + size, total.load(), error)) return false;
    for (std::size_t written = 0; written < size;) {
      const ssize_t n = ::write(fd, data + written, size - written);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) {
        error = n < 0 ? lastErrorText() : std::string("the file could not be written");
        return false;
      }
      written += static_cast<std::size_t>(n);
    }
    if (received.fetch_add(size) + size > limit) {
      error = "download too large";
      return false;
    }
    return true;
  };
  HttpResult got = perform(url, userAgent, "Accept: application/octet-stream\r\n",
                           kDownloadReceiveTimeoutMs, sink, onResponse, &stop);
  if (::close(fd) != 0 && got.ok) {
    got.ok = false;
    got.error = lastErrorText();
  }
  if (got.ok && got.status == 200) {
    result.ok = true;
    return result;
  }
  result.error = got.error;
  if (result.error.empty()) {
    result.error = got.status == 200 ? "download failed" : "HTTP " + std::to_string(got.status);
  }
  ::unlink(path.c_str());
  return result;
}

std::string httpUserAgent() {
  return std::string("SCF-Launcher/") + kLauncherVersion;
}

}  // namespace scf
