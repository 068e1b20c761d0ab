#include "release/old_files.h"

#include <algorithm>
#include <filesystem>
#include <optional>
#include <system_error>
#include <vector>

#include "platform/atomic_file.h"
#include "platform/file_read.h"
#include "platform/utf8_path.h"
#include "release/ini_file.h"

namespace scf {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kOldMarker = ".scf-old";

fs::path normalisedAbsolute(const std::string& path) {
  std::error_code error;
  fs::path full = fs::absolute(utf8Path(path.empty() ? std::string(".") : path), error);
  if (error) full = utf8Path(path);
  return full.lexically_normal();
}

std::vector<std::string> partsOf(const fs::path& path) {
  std::vector<std::string> parts;
  for (const fs::path& part : path) {
    if (!part.empty()) parts.push_back(utf8String(part));
  }
  return parts;
}

bool stillThere(const fs::path& path) {
  std::error_code error;
  return fs::exists(fs::symlink_status(path, error));
}

// Every folder between the release and the file is a real folder: a link inside the release may
// point anywhere, and a deletion must not follow it out.
bool reachedWithoutLinks(const fs::path& release, const fs::path& target) {
  const std::vector<std::string> outer = partsOf(release);
  const std::vector<std::string> inner = partsOf(target);
  fs::path folder = release;
  for (size_t i = outer.size(); i + 1 < inner.size(); ++i) {
    folder /= utf8Path(inner[i]);
    std::error_code error;
    if (!fs::is_directory(fs::symlink_status(folder, error))) return false;
  }
  return true;
}

}  // namespace

bool isInsideFolder(const std::string& path, const std::string& folder) {
  if (path.empty()) return false;
  const std::vector<std::string> inner = partsOf(normalisedAbsolute(path));
  const std::vector<std::string> outer = partsOf(normalisedAbsolute(folder));
  return inner.size() > outer.size() && std::equal(outer.begin(), outer.end(), inner.begin());
}

void cleanOldFiles(const std::string& releaseDir) {
  const fs::path updateDir = utf8Path(releaseDir) / "update";
  const std::string listPath = utf8String(updateDir / "old_files.txt");
  const std::optional<std::string> list = readSmallFile(listPath, kTextFileLimit);
  if (!list) return;

  const fs::path release = normalisedAbsolute(releaseDir);
  std::string kept;
  forEachLine(*list, [&](std::string_view line) {
    if (line.ends_with('\r')) line.remove_suffix(1);
    // The system cuts a path at a NUL byte: the name checked would not be the one deleted.
    if (line.find('\0') != std::string_view::npos) return;
    const std::string entry(line);
    // The list is written by the installer, but it is still a file on disk: only a full path that
    // stays inside this release after normalising, and names a left-behind file, is deleted.
    if (!utf8Path(entry).is_absolute() || !isInsideFolder(entry, releaseDir)) return;
    const fs::path target = normalisedAbsolute(entry);
    if (utf8String(target.filename()).find(kOldMarker) == std::string::npos) return;
    if (!reachedWithoutLinks(release, target)) return;
    std::error_code error;
    fs::remove(target, error);
    if (error && stillThere(target)) kept += entry + "\n";
  });

  std::error_code error;
  if (!kept.empty()) {
    writeFileAtomic(listPath, kept);
  } else {
    fs::remove(utf8Path(listPath), error);
    fs::remove(updateDir, error);
  }
}

}  // namespace scf
