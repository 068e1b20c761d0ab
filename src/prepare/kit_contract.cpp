#include "prepare/kit_contract.h"

#include "platform/absolute_path.h"
#include "platform/utf8_path.h"
#include "release/release_layout.h"

namespace scf {

std::vector<std::string> interpreterArguments(const std::string& script) {
  return {"-I", "-X", "utf8", script};
}

std::vector<std::string> kitArguments(const ReleaseLayout& layout) {
  return interpreterArguments(layout.buildScript);
}

std::vector<std::string> discCheckArguments(const std::string& imagePath) {
  return {"--check", "--disc", imagePath};
}

std::vector<std::string> buildArguments(const ReleaseLayout& layout, const std::string& disc) {
  return {"--disc", disc, "--out", layout.buildDir, "--game", layout.gameDir};
}

namespace {

// The kit runs in sourceDir: a release folder given as a relative path must not send it
// looking for the interpreter, its script, the disc or the output folders there.
ChildCommand kitCommand(const ReleaseLayout& layout, const std::vector<std::string>& own) {
  ChildCommand command{absolutePath(layout.pythonExe),
                       interpreterArguments(absolutePath(layout.buildScript)), layout.sourceDir};
  command.arguments.insert(command.arguments.end(), own.begin(), own.end());
  return command;
}

}  // namespace

ChildCommand discCheckCommand(const ReleaseLayout& layout, const std::string& imagePath) {
  return kitCommand(layout, discCheckArguments(absolutePath(imagePath)));
}

ChildCommand buildCommand(const ReleaseLayout& layout, const std::string& disc) {
  ReleaseLayout absolute;
  absolute.buildDir = absolutePath(layout.buildDir);
  absolute.gameDir = absolutePath(layout.gameDir);
  return kitCommand(layout, buildArguments(absolute, absolutePath(disc)));
}

int kitStageIndex(std::string_view key) {
  for (std::size_t i = 0; i < kitStageKeys.size(); ++i) {
    if (kitStageKeys[i] == key) return static_cast<int>(i);
  }
  return -1;
}

std::string kitStageLogPath(const ReleaseLayout& layout, std::string_view key) {
  // In the system's form: a Windows path ("\\?\" ones above all) takes no "/", and the shell
  // is handed this path.
  std::filesystem::path path = utf8Path(layout.buildLogsDir) / utf8Path(std::string(key) + ".log");
  return utf8String(path.make_preferred());
}

}  // namespace scf
