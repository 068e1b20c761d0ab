// Download throughput of HttpClient::download against `curl -o` of the same URL from the local
// release host, and the launcher's peak memory, which must not grow with the file's size.
//
//   build/bench/bench_http_download [MiB]   (default 512)
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "platform/http_client.h"
#include "platform/process.h"
#include "platform/python_exe.h"

namespace {

double seconds() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

long peakKiB() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  const long mib = argc > 1 ? std::max(1L, std::atol(argv[1])) : 512;
  const std::filesystem::path root =
      std::filesystem::temp_directory_path() / ("scf-bench-http-" + std::to_string(getpid()));
  std::filesystem::create_directories(root / "v1");
  const std::filesystem::path file = root / "v1" / "big.bin";
  {
    FILE* out = std::fopen(file.c_str(), "wb");
    std::vector<char> block(1 << 20, 'r');
    for (long i = 0; i < mib && out; ++i)
      std::fwrite(block.data(), 1, block.size(), out);
    if (out) std::fclose(out);
  }

  scf::ChildProcess host;
  std::string error;
  const std::string script =
      (std::filesystem::path(SCF_SOURCE_DIR) / "tools" / "release_host.py").string();
  if (!host.start(scf::findPythonExe("/nonexistent"), {"-I", "-B", script, "--root", root.string()},
                  "", true, error)) {
    std::fprintf(stderr, "the release host did not start: %s\n", error.c_str());
    return 1;
  }
  std::string base;
  std::string said;  // what the host printed instead, shown when it never answers
  for (double until = seconds() + 10; base.empty() && seconds() < until;) {
    const bool ended = !host.running() && host.readerDone();
    for (const std::string& line : host.takeLines()) {
      if (line.rfind("PORT ", 0) == 0)
        base = "http://127.0.0.1:" + line.substr(5);
      else
        said += "  " + line + "\n";
    }
    if (ended) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  if (base.empty()) {
    std::fprintf(stderr, "the release host (%s) did not answer\n%s", script.c_str(), said.c_str());
    std::error_code ignored;
    std::filesystem::remove_all(root, ignored);
    return 1;
  }
  const std::string url = base + "/ZavUdedaved/ZER_Avudud/releases/download/v1/big.bin";
  const std::string target = (root / "out.bin").string();

  const long memoryBefore = peakKiB();
  std::vector<double> ours;
  std::vector<double> curls;
  for (int run = 0; run < 5; ++run) {
    std::atomic<bool> stop{false};
    std::atomic<std::uint64_t> received{0};
    std::atomic<std::uint64_t> total{0};
    double start = seconds();
    const scf::HttpDownloadResult result = scf::HttpClient::download(
        url, scf::httpUserAgent(), target, 1ULL << 40, stop, received, total);
    ours.push_back(seconds() - start);
    if (!result.ok) {
      std::fprintf(stderr, "download failed: %s\n", result.error.c_str());
      return 1;
    }
    const std::string command = "curl -s -o '" + target + "' '" + url + "'";
    start = seconds();
    if (std::system(command.c_str()) != 0) {
      std::fprintf(stderr, "curl failed\n");
      return 1;
    }
    curls.push_back(seconds() - start);
  }
  const double megabytes = static_cast<double>(mib) * 1.048576;
  const double oursRate = megabytes / median(ours);
  const double curlRate = megabytes / median(curls);
  std::printf("file                      %ld MiB\n", mib);
  std::printf("HttpClient::download      %.0f MB/s (median of 5)\n", oursRate);
  std::printf("curl -o                   %.0f MB/s (median of 5)\n", curlRate);
  std::printf("ratio                     %.2fx curl's rate (target >= 0.90)\n",
              oursRate / curlRate);
  std::printf("peak memory               %ld KiB before, %ld KiB after (growth %ld KiB)\n",
              memoryBefore, peakKiB(), peakKiB() - memoryBefore);
  std::error_code ignored;
  std::filesystem::remove_all(root, ignored);
  return 0;
}
