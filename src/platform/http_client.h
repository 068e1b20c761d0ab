#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace scf {

// Receives one chunk of a response body; returns false to end the request. A sink that stops
// may first set the error text.
using HttpSink = std::function<bool(const char* data, std::size_t size, std::string& error)>;

struct HttpResult {
  bool ok = false;
  std::uint32_t status = 0;         // of the final response; 0 when none arrived
  std::uint64_t contentLength = 0;  // announced by the server; 0 when absent
  std::string error;                // empty on success
};

struct HttpJsonResult {
  bool ok = false;
  std::uint32_t status = 0;
  std::string body;
  std::string error;
};

// Asked before each chunk of a download is written, with the bytes received once it is and the
// total the server announced (0 when it announced none); returns false to stop the download,
// first setting the error text.
using HttpDownloadCheck =
    std::function<bool(std::uint64_t received, std::uint64_t total, std::string& error)>;

struct HttpDownloadResult {
  bool ok = false;
  std::string error;
};

// Blocking HTTP and HTTPS GETs, streamed chunk by chunk. Meant for worker threads: every call
// has its own session, so calls on different threads share nothing.
struct HttpClient {
  // Resolve and connect time-outs are 5 s; receiveTimeoutMs is an idle limit: no byte for that
  // long ends the call. Redirects are followed (http and https only, and never from a request
  // that began on https to plain http); the status and body are those of the final response.
  // extraHeaders holds header lines, each ended by CR LF.
  static HttpResult get(const std::string& url, const std::string& userAgent,
                        const std::string& extraHeaders, long receiveTimeoutMs,
                        const HttpSink& sink);
  // A small document into memory with the release host's API headers; fails with "response too
  // large" once the body is longer than limit.
  static HttpJsonResult getJson(const std::string& url, const std::string& userAgent,
                                std::size_t limit);
  // A file to disk. Succeeds when the whole body of a 200 answer was written; otherwise the
  // file is removed. stop may be set by another thread; received and total are progress; check,
  // when given, may end the download before any chunk is written.
  static HttpDownloadResult download(const std::string& url, const std::string& userAgent,
                                     const std::string& path, std::uint64_t limit,
                                     const std::atomic<bool>& stop,
                                     std::atomic<std::uint64_t>& received,
                                     std::atomic<std::uint64_t>& total,
                                     const HttpDownloadCheck& check = {});
};

// "SCF-Launcher/" and the launcher's version.
std::string httpUserAgent();

}  // namespace scf
