#pragma once

#include <map>
#include <string>
#include <vector>

namespace scf {

// The variable that replaces the usual places to look for disc images: a list of folders
// separated by the system's path-list separator (":" on Linux, ";" on Windows). Tests and the
// self-test set it so that a search never reads the real home folder.
inline constexpr const char* kDiscPlacesVariable = "SCF_DISC_PLACES";

// The folders of such a list, empty entries left out.
inline std::vector<std::string> splitPlaceList(const std::string& text, char separator) {
  std::vector<std::string> parts;
  std::string part;
  for (const char c : text) {
    if (c == separator) {
      if (!part.empty()) parts.push_back(part);
      part.clear();
    } else {
      part += c;
    }
  }
  if (!part.empty()) parts.push_back(part);
  return parts;
}

// What choosing the places reads from the environment. The environment may only be read
// on the UI thread (another thread may change it there), so it is taken there and handed over.
struct DiscPlaceHints {
  bool overridden = false;                         // the variable above is set
  std::vector<std::string> places;                 // its folders, when set
  std::map<std::string, std::string> environment;  // the variables the usual places use
};

// Reads the hints; UI thread only.
DiscPlaceHints discPlaceHints();

// The folders to search, most likely first: the user's Downloads, Desktop and Documents, the
// home folder, then removable media (Linux) or every ready drive's root (Windows). May look at
// the disk (a drive that must answer whether it is ready), so it runs on the search's thread.
std::vector<std::string> discPlaces(const DiscPlaceHints& hints);

}  // namespace scf
