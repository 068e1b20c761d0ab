#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "platform/process.h"

namespace scf {

struct ReleaseLayout;

// The interpreter options every Python script of the release is started with: isolated mode
// and UTF-8 for all text, whatever the machine's locale.
std::vector<std::string> interpreterArguments(const std::string& script);

// "-I", "-X", "utf8", buildScript: the start of every run of the build kit.
std::vector<std::string> kitArguments(const ReleaseLayout& layout);

// The disc check's own arguments, after kitArguments.
std::vector<std::string> discCheckArguments(const std::string& imagePath);
// The build's own arguments, after kitArguments; disc is the `disc` setting.
std::vector<std::string> buildArguments(const ReleaseLayout& layout, const std::string& disc);

// Whole runs of the kit: pythonExe with kitArguments and the operation's own, in sourceDir.
// They are started captured (output as lines, the kit's tree in one job).
ChildCommand discCheckCommand(const ReleaseLayout& layout, const std::string& imagePath);
ChildCommand buildCommand(const ReleaseLayout& layout, const std::string& disc);

// The build's stages, in the order the kit runs them.
inline constexpr std::array<std::string_view, 8> kitStageKeys = {
    "verify", "extract", "configure", "tools", "recompile", "packs", "compile", "stage"};

// Index of a stage key in kitStageKeys, or -1.
int kitStageIndex(std::string_view key);

// Where the kit writes a stage's log: buildLogsDir / key + ".log".
std::string kitStageLogPath(const ReleaseLayout& layout, std::string_view key);

// The first word of each line the kit prints during a build.
inline constexpr std::string_view kitVerbProgress = "PROGRESS";
inline constexpr std::string_view kitVerbPercent = "PERCENT";
inline constexpr std::string_view kitVerbSkip = "SKIP";
inline constexpr std::string_view kitVerbDone = "DONE";
inline constexpr std::string_view kitVerbError = "ERROR";
inline constexpr std::string_view kitVerbResult = "RESULT";

// Disc check: a line beginning with discAcceptedPrefix and exit code 0 accept the image; the
// reason of a refusal follows discRefusalPrefix, and lines beginning with kitInfoPrefix are
// never taken as the reason.
inline constexpr std::string_view discAcceptedPrefix = "OK";
inline constexpr std::string_view discRefusalPrefix = "ERROR verify ";
inline constexpr std::string_view kitInfoPrefix = "INFO";

}  // namespace scf
