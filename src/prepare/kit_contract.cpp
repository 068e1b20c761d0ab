#include "prepare/kit_contract.h"

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

ChildCommand kitCommand(const ReleaseLayout& layout, const std::vector<std::string>& own) {
  ChildCommand command{layout.pythonExe, kitArguments(layout), layout.sourceDir};
  command.arguments.insert(command.arguments.end(), own.begin(), own.end());
  return command;
}

}  // namespace

ChildCommand discCheckCommand(const ReleaseLayout& layout, const std::string& imagePath) {
  return kitCommand(layout, discCheckArguments(imagePath));
}

ChildCommand buildCommand(const ReleaseLayout& layout, const std::string& disc) {
  return kitCommand(layout, buildArguments(layout, disc));
}

int kitStageIndex(std::string_view key) {
  for (std::size_t i = 0; i < kitStageKeys.size(); ++i) {
    if (kitStageKeys[i] == key) return static_cast<int>(i);
  }
  return -1;
}

std::string kitStageLogPath(const ReleaseLayout& layout, std::string_view key) {
  std::string path = layout.buildLogsDir;
  if (!path.empty() && path.back() != '/') path += '/';
  path += key;
  path += ".log";
  return path;
}

}  // namespace scf
