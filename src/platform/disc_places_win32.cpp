#include <shlobj.h>
#include <windows.h>

#include "platform/disc_places.h"
#include "platform/env.h"
#include "platform/utf16_win32.h"

namespace scf {

namespace {

// The known folders, spelled out so no extra library is needed for their identifiers.
constexpr GUID kDownloads = {
    0x374DE290, 0x123F, 0x4565, {0x91, 0x64, 0x39, 0xC4, 0x92, 0x5E, 0x46, 0x7B}};
constexpr GUID kDesktop = {
    0xB4BFCC3A, 0xDB2C, 0x424C, {0xB0, 0x29, 0x7F, 0xE9, 0x9A, 0x87, 0xC6, 0x41}};
constexpr GUID kDocuments = {
    0xFDD39AD0, 0x238F, 0x46AF, {0xAD, 0xB4, 0x6C, 0x85, 0x48, 0x03, 0x69, 0xC7}};
constexpr GUID kProfile = {
    0x5E6C858F, 0x0E22, 0x4760, {0x9A, 0xFE, 0xEA, 0x33, 0x17, 0xB6, 0x71, 0x73}};

std::string knownFolder(const GUID& id) {
  PWSTR path = nullptr;
  std::string folder;
  if (SUCCEEDED(SHGetKnownFolderPath(id, KF_FLAG_DONT_VERIFY, nullptr, &path)) && path) {
    folder = narrow(path);
  }
  CoTaskMemFree(path);
  return folder;
}

// A drive whose medium is missing (an empty card reader or optical drive, a floppy drive)
// answers at once that it is not ready; the system's "insert a disk" box is kept away.
bool driveReady(const std::wstring& root) {
  const UINT type = GetDriveTypeW(root.c_str());
  if (type == DRIVE_UNKNOWN || type == DRIVE_NO_ROOT_DIR) return false;
  if (type != DRIVE_REMOVABLE && type != DRIVE_CDROM) return true;
  DWORD previous = 0;
  SetThreadErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX, &previous);
  const bool ready =
      GetVolumeInformationW(root.c_str(), nullptr, 0, nullptr, nullptr, nullptr, nullptr, 0) != 0;
  SetThreadErrorMode(previous, nullptr);
  return ready;
}

}  // namespace

DiscPlaceHints discPlaceHints() {
  DiscPlaceHints hints;
  const std::string list = getEnv(kDiscPlacesVariable);
  if (!list.empty()) {
    hints.overridden = true;
    hints.places = splitPlaceList(list, ';');
  }
  return hints;
}

std::vector<std::string> discPlaces(const DiscPlaceHints& hints) {
  if (hints.overridden) return hints.places;
  std::vector<std::string> places;
  for (const GUID* id : {&kDownloads, &kDesktop, &kDocuments, &kProfile}) {
    if (std::string folder = knownFolder(*id); !folder.empty()) places.push_back(folder);
  }
  const DWORD drives = GetLogicalDrives();
  for (int letter = 0; letter < 26; ++letter) {
    if ((drives & (1u << letter)) == 0) continue;
    const wchar_t root[] = {static_cast<wchar_t>(L'A' + letter), L':', L'\\', 0};
    if (driveReady(root)) places.push_back(narrow(root));
  }
  return places;
}

}  // namespace scf
