#include "update/download_limits.h"

#include <cstdio>
#include <filesystem>

#include "platform/free_space.h"
#include "platform/utf8_path.h"
#include "release/tr.h"

namespace scf {
namespace {

std::string format(const char* pattern, const std::string& a, const std::string& b = {}) {
  const int size = std::snprintf(nullptr, 0, pattern, a.c_str(), b.c_str());
  if (size <= 0) return pattern;
  std::string text(static_cast<std::size_t>(size) + 1, '\0');
  std::snprintf(text.data(), text.size(), pattern, a.c_str(), b.c_str());
  text.resize(static_cast<std::size_t>(size));
  return text;
}

}  // namespace

std::string byteCountText(std::uint64_t bytes) {
  char number[64];
  const char* unit = nullptr;
  if (bytes < 1000) {
    std::snprintf(number, sizeof number, "%llu", static_cast<unsigned long long>(bytes));
    unit = tr(" bytes", " octets");
  } else if (bytes < 1000000) {
    std::snprintf(number, sizeof number, "%.0f", static_cast<double>(bytes) / 1e3);
    unit = tr(" KB", " Ko");
  } else if (bytes < 1000000000) {
    std::snprintf(number, sizeof number, "%.1f", static_cast<double>(bytes) / 1e6);
    unit = tr(" MB", " Mo");
  } else {
    std::snprintf(number, sizeof number, "%.2f", static_cast<double>(bytes) / 1e9);
    unit = tr(" GB", " Go");
  }
  std::string text = number;
  if (uiFrench) {
    for (char& c : text)
      if (c == '.') c = ',';
  }
  return text + unit;
}

DownloadWatch::DownloadWatch(const DownloadLimits& limits,
                             std::chrono::steady_clock::time_point start)
    : limits_(limits), windowStart_(start) {}

bool DownloadWatch::check(std::uint64_t received, std::uint64_t total,
                          std::chrono::steady_clock::time_point now, std::string& error) {
  const std::uint64_t announced = limits_.announcedSize != 0 ? limits_.announcedSize : total;
  if (announced != 0 && received > announced) {
    error = format(tr("the server sent more than the %s it announced",
                      "le serveur a envoyé plus que les %s annoncés"),
                   byteCountText(announced));
    return false;
  }
  const auto elapsed =
      std::chrono::duration_cast<std::chrono::milliseconds>(now - windowStart_).count();
  if (limits_.window.count() > 0 && elapsed >= limits_.window.count()) {
    const std::uint64_t bytes = received - windowBytes_;
    if (bytes * 1000 < limits_.minBytesPerSecond * static_cast<std::uint64_t>(elapsed)) {
      const std::string seconds = std::to_string((limits_.window.count() + 999) / 1000);
      error = format(tr("the server sent less than %s a second for %s seconds",
                        "le serveur a envoyé moins de %s par seconde pendant %s secondes"),
                     byteCountText(limits_.minBytesPerSecond), seconds);
      return false;
    }
    windowStart_ = now;
    windowBytes_ = received;
  }
  return true;
}

std::string freeSpaceProblem(std::uint64_t needed, std::uint64_t freeBytes) {
  if (needed == 0 || freeBytes == 0 || needed <= freeBytes) return {};
  return format(tr("the release folder has %s free and the download needs %s",
                   "le dossier de la version a %s de libre et le téléchargement demande %s"),
                byteCountText(freeBytes), byteCountText(needed));
}

HttpDownloadResult downloadWithinLimits(const std::string& url, const std::string& path,
                                        std::uint64_t byteLimit, const DownloadLimits& limits,
                                        const std::atomic<bool>& stop,
                                        std::atomic<std::uint64_t>& received,
                                        std::atomic<std::uint64_t>& total) {
  const std::string folder = utf8String(utf8Path(path).parent_path());
  HttpDownloadResult refused;
  refused.error = freeSpaceProblem(limits.announcedSize, volumeFreeBytes(folder));
  if (!refused.error.empty()) return refused;

  DownloadWatch watch(limits, std::chrono::steady_clock::now());
  bool first = true;
  const HttpDownloadCheck check = [&](std::uint64_t got, std::uint64_t length, std::string& error) {
    if (first) {
      first = false;
      // The server's own length, known now, may need more room than the release answer said.
      error = freeSpaceProblem(length, volumeFreeBytes(folder));
      if (!error.empty()) return false;
    }
    return watch.check(got, length, std::chrono::steady_clock::now(), error);
  };
  return HttpClient::download(url, httpUserAgent(), path, byteLimit, stop, received, total, check);
}

}  // namespace scf
