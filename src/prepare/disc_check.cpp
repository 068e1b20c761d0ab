#include "prepare/disc_check.h"

#include <string_view>

#include "prepare/kit_contract.h"
#include "release/tr.h"

namespace scf {

namespace {

// The disc check is quick, and its last lines follow its end closely.
constexpr int kReaderWaitMs = 1000;

bool startsWith(std::string_view text, std::string_view prefix) {
  return text.compare(0, prefix.size(), prefix) == 0;
}

bool contains(const std::string& text, const char* part) {
  return text.find(part) != std::string::npos;
}

}  // namespace

void DiscCheckReading::feed(std::string_view line) {
  if (startsWith(line, discAcceptedPrefix)) {
    okLine = line;
  } else if (startsWith(line, discRefusalPrefix)) {
    // The kit's own verdict wins over anything else it printed, and the last one over earlier.
    reason = line.substr(discRefusalPrefix.size());
  } else if (!reason.empty() || line.empty() || startsWith(line, kitInfoPrefix)) {
    return;
  } else {
    reason = line;
  }
}

DiscCheckAnswer readDiscCheckOutput(const DiscCheckReading& reading, int exitCode) {
  DiscCheckAnswer answer;
  answer.accepted = !reading.okLine.empty() && exitCode == 0;
  if (!answer.accepted) answer.reason = reading.reason;
  return answer;
}

DiscCheckAnswer readDiscCheckOutput(const std::vector<std::string>& lines, int exitCode) {
  DiscCheckReading reading;
  for (const std::string& line : lines)
    reading.feed(line);
  return readDiscCheckOutput(reading, exitCode);
}

std::string discRefusalVerdict(const std::string& reason) {
  if (contains(reason, "European")) {
    return tr("This is the European disc. Only the USA disc (SXUS-90210) is supported.",
              "C'est le disque européen. Seul le disque américain (SXUS-90210) est pris en "
              "charge.");
  }
  if (contains(reason, "boots")) {
    return tr("This disc image is another game.", "Cette image disque est un autre jeu.");
  }
  if (contains(reason, "SHA-1")) {
    return tr(
        "This copy differs from the USA disc: modified or damaged. Make a fresh copy of "
        "your disc.",
        "Cette copie diffère du disque américain : modifiée ou abîmée. Refaites une copie "
        "de votre disque.");
  }
  if (!contains(reason, "does not exist")) {
    return tr("This file is not a PS2 disc image.", "Ce fichier n'est pas une image disque PS2.");
  }
  return tr("This file is no longer there.", "Ce fichier n'existe plus.");
}

bool discRefusalExplained(const std::string& reason) {
  return contains(reason, "European") || contains(reason, "boots") || contains(reason, "SHA-1") ||
         contains(reason, "does not exist");
}

std::string discVerdictText(const DiscCheck& check) {
  switch (check.verdictKind) {
    case DiscCheck::Verdict::refused:
      return discRefusalVerdict(check.discDetail);
    case DiscCheck::Verdict::couldNotCheck:
      return tr("The disc could not be checked.", "Le disque n'a pas pu être vérifié.");
    case DiscCheck::Verdict::tooSlow:
      return tr(
          "The disc check took too long and was stopped. Try again, or make a fresh copy "
          "of your disc.",
          "La vérification du disque a pris trop de temps et a été arrêtée. Réessayez, ou "
          "refaites une copie de votre disque.");
    case DiscCheck::Verdict::none:
      break;
  }
  return check.discVerdict;
}

double DiscCheck::timeLimitSeconds = 120.0;

void DiscCheck::start(const ReleaseLayout& layout, const std::string& imagePath, int onTab,
                      double now) {
  verdictKind = Verdict::none;
  discVerdict.clear();
  discDetail.clear();
  chooseError.clear();
  std::string error;
  if (!process.start(discCheckCommand(layout, imagePath), true, error)) {
    discVerdict = tr("The disc could not be checked.", "Le disque n'a pas pu être vérifié.");
    discDetail = error;
    verdictKind = Verdict::couldNotCheck;
    return;
  }
  discChecking = true;
  reading = {};
  checkedImage = imagePath;
  startedAt = now;
  startedOnTab = onTab;
}

void DiscCheck::cancel() {
  if (!discChecking) return;
  process.kill();
  process.takeLineBatch(lines);
  lines.clear();
  discChecking = false;
}

bool DiscCheck::poll(double now) {
  if (!discChecking) return false;
  // Read while it runs: the kit's output waits in its pipe once the launcher's queue is full.
  auto takeLines = [this] {
    process.takeLineBatch(lines);
    for (std::string_view line : lines)
      reading.feed(line);
    lines.clear();
  };
  takeLines();
  if (process.running()) {
    if (now - startedAt < timeLimitSeconds) return false;
    cancel();
    discVerdict =
        tr("The disc check took too long and was stopped. Try again, or make a "
           "fresh copy of your disc.",
           "La vérification du disque a pris trop de temps et a été arrêtée. "
           "Réessayez, ou refaites une copie de votre disque.");
    discDetail = checkedImage;
    verdictKind = Verdict::tooSlow;
    return false;
  }
  process.waitReader(kReaderWaitMs);
  takeLines();
  const DiscCheckAnswer answer = readDiscCheckOutput(reading, process.exitCode());
  discChecking = false;
  if (answer.accepted) return true;
  discDetail = answer.reason;
  discVerdict = discRefusalVerdict(answer.reason);
  verdictKind = Verdict::refused;
  return false;
}

}  // namespace scf
