#include "prepare/failure_record.h"

#include <filesystem>
#include <optional>
#include <system_error>

#include "platform/file_read.h"
#include "platform/utf8_path.h"
#include "prepare/build_progress.h"
#include "release/release_layout.h"
#include "release/settings_writer.h"

namespace scf {

namespace {

constexpr std::size_t kRecordLimit = 64 * 1024;
constexpr const char* kStageKey = "stage = ";
constexpr const char* kMessageKey = "message = ";
constexpr const char* kOutputKey = "output = ";

// One line per value: a value's own line breaks would start new entries.
std::string oneLine(std::string text) {
  for (char& c : text) {
    if (c == '\n' || c == '\r') c = ' ';
  }
  return text;
}

bool startsWith(const std::string& text, const char* prefix) {
  return text.rfind(prefix, 0) == 0;
}

}  // namespace

std::string failureRecordPath(const ReleaseLayout& layout) {
  return utf8String(utf8Path(layout.buildDir) / "launcher_failure.txt");
}

std::string failureRecordText(const BuildProgress& progress) {
  std::string text = "# The last failed build, as the launcher showed it.\n";
  text += kStageKey + oneLine(progress.failedStage) + "\n";
  text += kMessageKey + oneLine(progress.failureText) + "\n";
  for (const std::string& line : progress.outputLines)
    text += kOutputKey + oneLine(line) + "\n";
  return text;
}

void keepBuildFailure(const ReleaseLayout& layout, const BuildProgress& progress,
                      SettingsWriter& writer) {
  std::error_code ignored;
  std::filesystem::create_directories(utf8Path(layout.buildDir), ignored);
  writer.save(failureRecordPath(layout), failureRecordText(progress));
}

bool readBuildFailure(const ReleaseLayout& layout, BuildProgress& progress) {
  const std::optional<std::string> text = readSmallFile(failureRecordPath(layout), kRecordLimit);
  if (!text) return false;
  progress.reset(0);
  bool any = false;
  std::size_t start = 0;
  while (start < text->size()) {
    std::size_t end = text->find('\n', start);
    if (end == std::string::npos) end = text->size();
    const std::string line = text->substr(start, end - start);
    start = end + 1;
    if (startsWith(line, kStageKey)) {
      progress.failedStage = line.substr(std::char_traits<char>::length(kStageKey));
      any = true;
    } else if (startsWith(line, kMessageKey)) {
      progress.failureText = line.substr(std::char_traits<char>::length(kMessageKey));
      any = true;
    } else if (startsWith(line, kOutputKey) &&
               progress.outputLines.size() < BuildProgress::kKeptOutputLines) {
      progress.outputLines.push_back(line.substr(std::char_traits<char>::length(kOutputKey)));
    }
  }
  if (!any || progress.failureText.empty()) {
    progress.reset(0);
    return false;
  }
  // The stage that failed is marked so, as it was when the launcher showed it.
  for (Stage& stage : progress.stages) {
    if (stage.key == progress.failedStage) stage.state = kStageFailed;
  }
  return true;
}

void forgetBuildFailure(const ReleaseLayout& layout) {
  std::error_code ignored;
  std::filesystem::remove(utf8Path(failureRecordPath(layout)), ignored);
}

}  // namespace scf
