#include "prepare/build_failure.h"

#include <deque>
#include <filesystem>
#include <fstream>
#include <vector>

#include "platform/build_info.h"
#include "platform/file_status.h"
#include "platform/utf8_path.h"
#include "prepare/build_progress.h"
#include "prepare/kit_contract.h"
#include "release/release_identity.h"
#include "release/release_layout.h"
#include "release/tr.h"

namespace scf {

namespace {

// How much of the kit's output and of the stage's log the report carries.
constexpr std::size_t kTailLines = 60;

bool contains(const std::string& text, const char* part) {
  return text.find(part) != std::string::npos;
}

std::string driveFull() {
  return tr("The drive is full. Free some space and try again.",
            "Le disque est plein. Libérez de la place et réessayez.");
}

// At most this much of a stage log is read, from its end: a kit that wrote gigabytes of log must
// not hold the window while the details are copied.
constexpr std::uintmax_t kLogTailBytes = 64 * 1024;

// The last lines of a log, from its last 64 KiB; nothing when it cannot be opened. Only a plain
// file is read: a pipe standing at the log's place would hold the window.
bool logTail(const std::string& path, std::deque<std::string>& tail) {
  if (!isRegularFile(path)) return false;
  std::ifstream in(utf8Path(path), std::ios::binary | std::ios::ate);
  if (!in) return false;
  const std::streamoff size = in.tellg();
  if (size < 0) return false;
  const std::streamoff start =
      size > static_cast<std::streamoff>(kLogTailBytes) ? size - kLogTailBytes : 0;
  in.seekg(start);
  std::string line;
  // A read that starts inside a line keeps only the whole lines after it.
  if (start > 0) std::getline(in, line);
  for (std::streamoff left = size - start; left > 0 && std::getline(in, line);) {
    left -= static_cast<std::streamoff>(line.size()) + 1;
    tail.push_back(std::move(line));
    if (tail.size() > kTailLines) tail.pop_front();
  }
  return true;
}

}  // namespace

std::string failureAdvice(const std::string& failedStage, const std::string& failureText) {
  if (contains(failureText, "free space") || contains(failureText, "No space")) {
    return driveFull();
  }
  if (failedStage == "verify" && contains(failureText, "does not exist")) {
    return tr("The disc image is no longer where it was. Select it again.",
              "L'image disque n'est plus à son emplacement. Choisissez-la à nouveau.");
  }
  return tr(
      "Try again. If it stops at the same place, copy the details and send them to us on "
      "our Portlog page (the link at the bottom).",
      "Réessayez. Si cela s'arrête au même endroit, copiez les détails et envoyez-les nous "
      "sur notre page Portlog (le lien en bas).");
}

std::string stepLogPath(const ReleaseLayout& layout, const BuildProgress& progress) {
  const std::string& stage = progress.failedStage;
  return kitStageLogPath(layout, stage.empty() ? std::string_view("verify") : stage);
}

std::string buildDetails(const ReleaseLayout& layout, const BuildProgress& progress,
                         const ReleaseIdentity& identity, const std::string& disc) {
  std::string text = std::string("SCF Launcher ") + kLauncherVersion + " (" + kSourceCommit + ")\n";
  // A field nobody knows is left out rather than shown empty.
  std::string source = identity.releaseVersion;
  if (!identity.releaseCommit.empty())
    source += (source.empty() ? "" : " ") + identity.releaseCommit;
  if (!identity.builtFromCommit.empty()) {
    source +=
        (source.empty() ? "" : ", ") + std::string("game built from: ") + identity.builtFromCommit;
  }
  const auto field = [&text](const char* name, const std::string& value) {
    if (!value.empty()) text += std::string(name) + value + "\n";
  };
  field("Source: ", source);
  field("Step: ", progress.failedStage);
  field("Message: ", progress.failureText);
  field("Disc: ", disc);
  field("Release folder: ", layout.releaseDir);
  text += "\n--- scf_build output ---\n";
  const auto& lines = progress.outputLines;
  const std::size_t first = lines.size() > kTailLines ? lines.size() - kTailLines : 0;
  for (std::size_t i = first; i < lines.size(); ++i)
    text += lines[i] + "\n";
  const std::string logPath = stepLogPath(layout, progress);
  std::deque<std::string> tail;
  if (logTail(logPath, tail)) {
    text += "\n--- " + utf8String(utf8Path(logPath).filename()) + " (last lines) ---\n";
    for (const std::string& line : tail)
      text += line + "\n";
  }
  return text;
}

}  // namespace scf
