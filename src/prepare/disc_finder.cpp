#include "prepare/disc_finder.h"

#include <algorithm>
#include <deque>
#include <set>
#include <string_view>

#include "platform/folder_entries.h"
#include "platform/utf8_path.h"

namespace scf {

namespace {

enum class ImageKind { none, iso, bin, cue };

char asciiLower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string lower(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    c = asciiLower(c);
  return out;
}

ImageKind imageKind(std::string_view name) {
  if (name.size() < 5) return ImageKind::none;  // at least one character before the suffix
  const std::string suffix = lower(name.substr(name.size() - 4));
  if (suffix == ".iso") return ImageKind::iso;
  if (suffix == ".bin") return ImageKind::bin;
  if (suffix == ".cue") return ImageKind::cue;
  return ImageKind::none;
}

std::string joined(const std::string& folder, const std::string& name) {
  if (!folder.empty() && (folder.back() == '/' || folder.back() == kFolderSeparator)) {
    return folder + name;
  }
  return folder + kFolderSeparator + name;
}

// A folder as the search keeps it: one separator throughout (a place may be written with '/' on
// Windows, where the entries read from it are joined with '\\'), and none at the end.
std::string withoutSeparator(std::string folder) {
  for (char& c : folder) {
    if (c == '/') c = kFolderSeparator;
  }
  while (folder.size() > 1 && folder.back() == kFolderSeparator &&
         !(folder.size() == 3 && folder[1] == ':')) {
    folder.pop_back();
  }
  return folder;
}

struct Candidate {
  std::string name;
  ImageKind kind;
};

// The images of one folder, the tracks of its .cue files folded into them.
void takeImages(const std::string& folder, const std::vector<Candidate>& candidates,
                std::vector<FoundDisc>& found) {
  const std::string shownFolder = utf8_detail::wellFormed(folder);
  std::vector<FoundDisc> files;
  std::vector<ImageKind> kinds;
  std::vector<std::string> stems;  // the raw name without its suffix, in lower case
  for (const Candidate& c : candidates) {
    const std::string path = joined(folder, c.name);
    const auto facts = regularFileFacts(path);
    if (!facts) continue;  // gone, or not a regular file after all
    files.push_back(
        {path, utf8_detail::wellFormed(c.name), shownFolder, facts->size, facts->modified});
    kinds.push_back(c.kind);
    stems.push_back(lower(std::string_view(c.name).substr(0, c.name.size() - 4)));
  }
  std::vector<bool> isTrack(files.size(), false);
  for (std::size_t bin = 0; bin < files.size(); ++bin) {
    if (kinds[bin] != ImageKind::bin) continue;
    for (std::size_t cue = 0; cue < files.size(); ++cue) {
      if (kinds[cue] != ImageKind::cue || stems[bin].rfind(stems[cue], 0) != 0) continue;
      files[cue].size += files[bin].size;
      isTrack[bin] = true;
      break;
    }
  }
  for (std::size_t i = 0; i < files.size(); ++i) {
    if (!isTrack[i]) found.push_back(std::move(files[i]));
  }
}

}  // namespace

DiscSearchResult findDiscImages(const std::vector<std::string>& places,
                                const DiscSearchLimits& limits,
                                const std::function<bool()>& stopped, const SearchClock& clock) {
  DiscSearchResult result;
  result.places = places;
  const double deadline = clock() + limits.seconds;
  int entries = 0;
  std::set<std::string> placeSet;
  for (const std::string& place : places)
    placeSet.insert(withoutSeparator(place));
  std::set<std::string> seen;  // folders already read (a place inside another place)

  bool ended = false;
  for (const std::string& place : places) {
    if (ended) break;
    // Breadth first: the shallow folders, where images are most likely, are read first.
    std::deque<std::pair<std::string, int>> folders{{withoutSeparator(place), 0}};
    while (!folders.empty() && !ended) {
      const auto [folder, depth] = folders.front();
      folders.pop_front();
      if (!seen.insert(folder).second) continue;
      std::vector<Candidate> candidates;
      readFolder(folder, [&](const FolderEntry& entry) {
        if (stopped() || ++entries > limits.entryCap || clock() > deadline) {
          ended = true;
          return false;
        }
        if (entry.kind == FolderEntry::Kind::folder) {
          if (entry.hidden || depth >= limits.depth) return true;
          const std::string path = joined(folder, entry.name);
          // Another place is searched from its own start.
          if (placeSet.count(path) == 0) folders.emplace_back(path, depth + 1);
        } else if (entry.kind == FolderEntry::Kind::file) {
          if (const ImageKind kind = imageKind(entry.name); kind != ImageKind::none) {
            candidates.push_back({entry.name, kind});
          }
        }
        return true;
      });
      takeImages(folder, candidates, result.discs);
    }
  }
  result.cutShort = ended;
  std::stable_sort(result.discs.begin(), result.discs.end(),
                   [](const FoundDisc& a, const FoundDisc& b) { return a.modified > b.modified; });
  return result;
}

}  // namespace scf
