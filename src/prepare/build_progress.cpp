#include "prepare/build_progress.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>

#include "prepare/kit_contract.h"
#include "release/tr.h"

namespace scf {

namespace {

struct StageRow {
  std::string_view key;
  double weight;  // expected seconds, in proportion to the others
  const char* english;
  const char* french;
};

constexpr std::array<StageRow, 8> kStageTable = {{
    {"verify", 1, "Checking the disc", "Vérification du disque"},
    {"extract", 2, "Reading the disc's files", "Lecture des fichiers du disque"},
    {"configure", 60, "Configuring the build", "Configuration de la compilation"},
    {"tools", 7, "Preparing the recompiler", "Préparation du recompilateur"},
    {"recompile", 2, "Recompiling the game's code", "Recompilation du code du jeu"},
    {"packs", 32, "Converting textures and models", "Conversion des textures et modèles"},
    {"compile", 55, "Compiling (the long part)", "Compilation (la partie longue)"},
    {"stage", 1, "Assembling the game folder", "Assemblage du dossier du jeu"},
}};

static_assert(kStageTable.size() == kitStageKeys.size());

bool isSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

// Skips leading white space, then takes the word up to the next white space.
std::string_view nextWord(std::string_view& text) {
  std::size_t begin = 0;
  while (begin < text.size() && isSpace(text[begin]))
    ++begin;
  std::size_t end = begin;
  while (end < text.size() && !isSpace(text[end]))
    ++end;
  const std::string_view word = text.substr(begin, end - begin);
  text.remove_prefix(end);
  return word;
}

// The number at the start of text as strtol/strtod read it (leading white space and a "+"
// allowed, anything after the number ignored), but never by the locale's rules: a French
// decimal comma must not turn "41.2" into 41.
std::string_view numberStart(std::string_view text) {
  while (!text.empty() && isSpace(text.front()))
    text.remove_prefix(1);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  return text;
}

int readPercent(std::string_view text) {
  text = numberStart(text);
  long long value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error == std::errc::result_out_of_range) return text.front() == '-' ? 0 : 100;
  if (error != std::errc()) return 0;
  return static_cast<int>(std::clamp<long long>(value, 0, 100));
}

double readSeconds(std::string_view text) {
  text = numberStart(text);
  double value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  // An unreadable, endless or undefined time would poison every later estimate.
  if (error != std::errc() || !std::isfinite(value)) return 0;
  return value;
}

}  // namespace

void BuildProgress::reset(double now) {
  stages.clear();
  for (const StageRow& row : kStageTable) {
    Stage stage;
    stage.key = std::string(row.key);
    stage.weight = row.weight;
    stages.push_back(stage);
  }
  failedStage.clear();
  failureText.clear();
  outputLines.clear();
  outputLineCount = 0;
  finished = false;
  runStart = now;
}

void BuildProgress::resetForResume(double now) {
  std::vector<Stage> known = std::move(stages);
  reset(now);
  for (std::size_t i = 0; i < stages.size() && i < known.size(); ++i) {
    if (known[i].key != stages[i].key) continue;
    if (known[i].state == kStageDone || known[i].state == kStageSkipped) stages[i] = known[i];
  }
}

void BuildProgress::feed(std::string_view line, double now) {
  ++outputLineCount;
  // Progress lines only move the bar; the kept lines are the ones a person would read.
  if (line.rfind("PERCENT ", 0) != 0) {
    if (outputLines.size() == kKeptOutputLines) outputLines.pop_front();
    outputLines.emplace_back(line);
  }
  std::string_view rest = line;
  const std::string_view verb = nextWord(rest);
  const std::string_view key = nextWord(rest);
  if (!rest.empty() && rest.front() == ' ') rest.remove_prefix(1);
  int index = -1;
  for (std::size_t i = 0; i < stages.size(); ++i) {
    if (stages[i].key == key) {
      index = static_cast<int>(i);
      break;
    }
  }

  if (verb == kitVerbError) {
    failedStage = std::string(key);
    failureText = std::string(rest);
    if (index >= 0) stages[static_cast<std::size_t>(index)].state = kStageFailed;
    return;
  }
  if (verb == kitVerbResult) {
    finished = true;
    return;
  }
  if (index < 0) return;
  Stage& stage = stages[static_cast<std::size_t>(index)];
  if (verb == kitVerbProgress) {
    // A new stage means every earlier one still shown running has ended.
    for (int i = 0; i < index; ++i) {
      if (stages[static_cast<std::size_t>(i)].state == kStageRunning) {
        stages[static_cast<std::size_t>(i)].state = kStageDone;
      }
    }
    stage.state = kStageRunning;
    stage.percent = 0;
    stage.started = now;
  } else if (verb == kitVerbPercent) {
    stage.percent = readPercent(rest);
  } else if (verb == kitVerbSkip) {
    stage.state = kStageSkipped;
  } else if (verb == kitVerbDone) {
    stage.state = kStageDone;
    stage.percent = 100;
    const std::size_t space = rest.find(' ');
    stage.seconds = space == std::string_view::npos ? 0 : readSeconds(rest.substr(space + 1));
  }
}

double BuildProgress::fraction() const {
  if (finished) return 1.0;
  double total = 0;
  double done = 0;
  for (const Stage& stage : stages) {
    if (stage.state == kStageSkipped) continue;
    total += stage.weight;
    if (stage.state == kStageDone) {
      done += stage.weight;
    } else if (stage.state == kStageRunning) {
      done += stage.weight * stage.percent / 100.0;
    }
  }
  if (total <= 0) return 0.0;
  return std::clamp(done / total, 0.0, 1.0);
}

double BuildProgress::secondsLeft(double now) const {
  if (now - runStart < 5) return -1;
  double remaining = 0;
  double measuredTime = 0;
  double measuredWeight = 0;
  for (const Stage& stage : stages) {
    switch (stage.state) {
      case kStagePending:
      case kStageFailed:
        remaining += stage.weight;
        break;
      case kStageRunning:
        remaining += stage.weight - stage.percent * stage.weight / 100.0;
        if (stage.percent > 4) {
          measuredTime += now - stage.started;
          measuredWeight += stage.percent * stage.weight / 100.0;
        }
        break;
      case kStageDone:
        measuredTime += stage.seconds;
        measuredWeight += stage.weight;
        break;
      default:
        break;
    }
  }
  if (measuredWeight >= 20) {
    // Few measured units say little about this machine's speed: the rate is kept within bounds.
    const double rate = std::clamp(measuredTime / measuredWeight, 0.25, 6.0);
    return remaining * rate;
  }
  return remaining;
}

int BuildProgress::runningStage() const {
  for (std::size_t i = 0; i < stages.size(); ++i) {
    if (stages[i].state == kStageRunning) return static_cast<int>(i);
  }
  return -1;
}

std::string stageLabel(std::string_view key) {
  for (const StageRow& row : kStageTable) {
    if (row.key == key) return tr(row.english, row.french);
  }
  return std::string(key);
}

std::string formatDuration(double seconds) {
  // Beyond a few thousand years the text would only be noise; the cap keeps the integers whole.
  constexpr double kLongest = 1e11;
  const double rounded =
      std::isfinite(seconds) ? std::round(std::clamp(seconds, 0.0, kLongest)) : 0;
  const long long whole = static_cast<long long>(rounded);
  char text[48];
  if (whole < 3600) {
    std::snprintf(text, sizeof text, "%lld:%02lld", whole / 60, whole % 60);
  } else {
    std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", whole / 3600, whole / 60 % 60,
                  whole % 60);
  }
  return text;
}

}  // namespace scf
