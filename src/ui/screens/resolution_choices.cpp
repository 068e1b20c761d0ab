#include "ui/screens/resolution_choices.h"

#include <algorithm>

namespace scf {
namespace {

constexpr Resolution kCandidates[] = {
    // 4:3
    {640, 480},
    {800, 600},
    {1024, 768},
    {1280, 960},
    {1440, 1080},
    {1600, 1200},
    {1920, 1440},
    {2880, 2160},
    // 16:9
    {1280, 720},
    {1366, 768},
    {1600, 900},
    {1920, 1080},
    {2560, 1440},
    {3200, 1800},
    {3840, 2160},
};

}  // namespace

std::vector<Resolution> resolutionChoices(int monitorWidth, int monitorHeight) {
  std::vector<Resolution> choices;
  if (monitorWidth > 0) {
    for (const Resolution& size : kCandidates) {
      if (size.first <= monitorWidth && size.second <= monitorHeight) choices.push_back(size);
    }
    choices.emplace_back(monitorWidth, monitorHeight);
  } else {
    choices.assign(std::begin(kCandidates), std::end(kCandidates));
  }
  std::sort(choices.begin(), choices.end());
  choices.erase(std::unique(choices.begin(), choices.end()), choices.end());
  return choices;
}

}  // namespace scf
