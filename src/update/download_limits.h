#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>

#include "platform/http_client.h"

namespace scf {

// What bounds a release download beside the client's byte limit and idle time-out.
struct DownloadLimits {
  // The size the release answer gives for the file; 0 when it gives none.
  std::uint64_t announcedSize = 0;
  // The slowest average the download may keep over a whole window (a trickle never ends
  // otherwise: the idle time-out only sees silence).
  std::uint64_t minBytesPerSecond = 1000;
  std::chrono::milliseconds window{60000};
};

// Follows one download as its chunks arrive: it must not grow past the size announced for it
// (by the release answer, else by the server) and must average at least the minimum rate over
// every window. Used on the download's thread only.
class DownloadWatch {
 public:
  DownloadWatch(const DownloadLimits& limits, std::chrono::steady_clock::time_point start);
  // received: bytes once the arriving chunk is written; total: the server's announced length.
  // False with the user-facing reason when the download must stop.
  bool check(std::uint64_t received, std::uint64_t total, std::chrono::steady_clock::time_point now,
             std::string& error);

 private:
  DownloadLimits limits_;
  std::chrono::steady_clock::time_point windowStart_;
  std::uint64_t windowBytes_ = 0;
};

// Why a file of needed bytes does not fit into freeBytes, in the user's language; empty when
// it fits or when either number is unknown (0).
std::string freeSpaceProblem(std::uint64_t needed, std::uint64_t freeBytes);

// A byte count as the user reads it ("12.5 MB", "12,5 Mo").
std::string byteCountText(std::uint64_t bytes);

// HttpClient::download within the limits: refused before any request when the folder of path
// has less free space than the announced size, and, as the answer arrives, when it has less
// than the server's announced length, when the body grows past the announced size, or when it
// comes slower than the minimum rate.
HttpDownloadResult downloadWithinLimits(const std::string& url, const std::string& path,
                                        std::uint64_t byteLimit, const DownloadLimits& limits,
                                        const std::atomic<bool>& stop,
                                        std::atomic<std::uint64_t>& received,
                                        std::atomic<std::uint64_t>& total);

}  // namespace scf
