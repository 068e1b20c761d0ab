#include "enhance/enhance_run.h"

#include <cstdio>
#include <filesystem>

#include "enhance/texture_pack.h"
#include "platform/absolute_path.h"
#include "platform/executable_name.h"
#include "platform/file_status.h"
#include "platform/utf8_path.h"
#include "prepare/kit_contract.h"
#include "release/release_layout.h"
#include "release/tr.h"

namespace scf {
namespace {

// After the script has ended, the last of its output may still be in the pipe.
constexpr int kReaderWaitMs = 2000;
// Lines shorter than the shortest verb with its space say nothing.
constexpr std::size_t kShortestLine = 5;

std::string join(const std::string& root, std::initializer_list<const char*> parts) {
  std::filesystem::path path = utf8Path(root);
  for (const char* part : parts)
    path /= part;
  return utf8String(path);
}

bool startsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

// "progress <done> <total>": true when both numbers were read, as the C library reads them.
bool readProgress(std::string_view rest, std::uint64_t& done, std::uint64_t& total) {
  const std::string text(rest);
  unsigned long long first = 0;
  unsigned long long second = 0;
  // NOLINTNEXTLINE(cert-err34-c): the C library's reading is the contract for these numbers.
  if (std::sscanf(text.c_str(), "%llu %llu", &first, &second) != 2) return false;
  done = first;
  total = second;
  return true;
}

}  // namespace

std::string enhanceScriptPath(const ReleaseLayout& layout) {
  return join(layout.sourceDir, {"tools", "scf_texture_enhance.py"});
}

std::string upscalerPath(const ReleaseLayout& layout) {
  // The system's own program name: realesrgan-ncnn-vulkan.exe on Windows.
  return join(layout.kitDir, {"realesrgan", executableName("realesrgan-ncnn-vulkan").c_str()});
}

std::string texturePackFolder(const ReleaseLayout& layout) {
  return join(layout.userDir, {"texture_pack"});
}

ChildCommand enhanceCommand(const ReleaseLayout& layout, bool remove) {
  // The script runs in sourceDir: no path may depend on the launcher's own working folder.
  ChildCommand command{absolutePath(layout.pythonExe),
                       interpreterArguments(absolutePath(enhanceScriptPath(layout))),
                       layout.sourceDir};
  command.arguments.emplace_back("--user");
  command.arguments.push_back(absolutePath(layout.userDir));
  if (remove) {
    command.arguments.emplace_back("--remove");
  } else {
    command.arguments.emplace_back("--game");
    command.arguments.push_back(absolutePath(layout.gameDir));
    command.arguments.emplace_back("--kit");
    command.arguments.push_back(absolutePath(layout.kitDir));
  }
  return command;
}

const TextPair kEnhanceCouldNotStart = {"It could not start: ", "Impossible de démarrer : "};
const TextPair kEnhanceStoppedByUser = {"Stopped. Make them again to go on where it stopped.",
                                        "Arrêté. Relancez pour reprendre là où ça s'est arrêté."};
const TextPair kEnhanceRemoved = {"Removed: the game uses its own textures.",
                                  "Supprimées : le jeu utilise ses propres textures."};
const TextPair kEnhanceDone = {"Done. The game uses them the next time it starts.",
                               "Terminé. Le jeu les utilisera au prochain démarrage."};
const TextPair kEnhanceEnded = {"It stopped (exit code ", "Arrêt (code "};

bool enhanceAvailable(const ReleaseLayout& layout) {
  return pathExists(upscalerPath(layout)) && pathExists(enhanceScriptPath(layout));
}

void EnhanceRun::start(const ReleaseLayout& layout, bool remove) {
  stage.clear();
  runError.clear();
  runResult.clear();
  doneSeen = false;
  progressDone = 0;
  progressTotal = 0;
  std::string error;
  if (!process.start(enhanceCommand(layout, remove), true, error)) {
    runError = tr(kEnhanceCouldNotStart) + error;
    return;
  }
  running = true;
  removing = remove;
}

void EnhanceRun::takeLine(std::string_view line) {
  if (line.size() < kShortestLine) return;
  if (startsWith(line, "step ")) {
    stage = std::string(line.substr(5));
    progressDone = 0;
    progressTotal = 0;
    return;
  }
  // A progress line whose numbers cannot be read goes on to the checks below (and matches none).
  if (startsWith(line, "progress ") && readProgress(line.substr(9), progressDone, progressTotal)) {
    return;
  }
  if (startsWith(line, "error ")) {
    runError = std::string(line.substr(6));
  } else if (startsWith(line, "done ")) {
    doneSeen = true;
  }
}

void EnhanceRun::stop() {
  if (!running || removing) return;
  process.kill();
  // The run is over for the launcher now: the frame loop reports no exit code for it, and the
  // old count stands until the next run ends.
  running = false;
  runResult = tr(kEnhanceStoppedByUser);
}

bool EnhanceRun::poll(const ReleaseLayout& layout) {
  if (!running) return false;
  takeLines();
  if (process.running()) return false;
  process.waitReader(kReaderWaitMs);
  takeLines();
  running = false;
  countTextures(layout);
  const int code = process.exitCode();
  if (code == 0 && doneSeen) {
    runResult = removing ? tr(kEnhanceRemoved) : tr(kEnhanceDone);
    runError.clear();
    return true;
  }
  // A script that ends with 0 but never said it was done was stopped from outside.
  if (runError.empty()) {
    runError = tr(kEnhanceEnded) + std::to_string(code) + ").";
  }
  return true;
}

void EnhanceRun::takeLines() {
  process.takeLineBatch(lines);
  for (std::string_view line : lines)
    takeLine(line);
}

}  // namespace scf
