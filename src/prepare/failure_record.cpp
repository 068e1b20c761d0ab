#include "prepare/failure_record.h"

#include <filesystem>
#include <optional>
#include <system_error>

#include "app/app.h"
#include "app/settings_store.h"
#include "platform/file_read.h"
#include "platform/utf8_path.h"

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

std::string failureRecordText(const App& app) {
  const BuildProgress& progress = app.progress;
  std::string text = "# The last failed build, as the launcher showed it.\n";
  text += kStageKey + oneLine(progress.failedStage) + "\n";
  text += kMessageKey + oneLine(progress.failureText) + "\n";
  for (const std::string& line : progress.outputLines)
    text += kOutputKey + oneLine(line) + "\n";
  return text;
}

void keepBuildFailure(App& app) {
  std::error_code ignored;
  std::filesystem::create_directories(utf8Path(app.layout.buildDir), ignored);
  app.settingsWriter.save(failureRecordPath(app.layout), failureRecordText(app));
}

bool restoreBuildFailure(App& app) {
  if (!app.settings.buildPending || app.screen != kScreenMain) return false;
  const std::optional<std::string> text =
      readSmallFile(failureRecordPath(app.layout), kRecordLimit);
  if (!text) return false;
  BuildProgress& progress = app.progress;
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
  app.screen = kScreenStopped;
  return true;
}

void forgetBuildFailure(const App& app) {
  std::error_code ignored;
  std::filesystem::remove(utf8Path(failureRecordPath(app.layout)), ignored);
}

}  // namespace scf
