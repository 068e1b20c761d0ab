#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace scf {

// A disc image found on the disk.
struct FoundDisc {
  std::string path;    // the real path, as the system names it (checked as it is)
  std::string name;    // the file name for the screen (bytes that are not UTF-8 shown as U+FFFD)
  std::string folder;  // the folder for the screen, the same way
  std::uint64_t size = 0;     // a .cue counts the tracks beside it
  std::int64_t modified = 0;  // seconds since 1970
};

// How far a search goes. Both limits keep a home folder full of files from holding the list
// up: what was found by then is shown.
struct DiscSearchLimits {
  int depth = 3;         // levels of folders below each place
  double seconds = 3.0;  // the whole search
  int entryCap = 50000;  // entries read, all places together
};

struct DiscSearchResult {
  std::vector<std::string> places;  // where it looked, as given
  std::vector<FoundDisc> discs;     // newest first
  bool cutShort = false;            // a limit ended it before every folder was read
};

// Seconds on some monotonic clock; tests hand in one of their own.
using SearchClock = std::function<double()>;

// Looks for .iso, .bin and .cue files (any case) in the places and the folders below them, on
// the calling thread. Hidden folders and links are not entered; folders that cannot be read
// are passed over; only regular files are results, and none is opened. A .bin whose name
// starts with the name of a .cue beside it is one of that .cue's tracks: only the .cue is
// listed. `stopped` is asked between entries; when it says yes the search ends at once.
DiscSearchResult findDiscImages(const std::vector<std::string>& places,
                                const DiscSearchLimits& limits,
                                const std::function<bool()>& stopped, const SearchClock& clock);

}  // namespace scf
