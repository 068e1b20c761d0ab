#include "release/user_folder.h"

#include <filesystem>
#include <system_error>

#include "platform/env.h"
#include "platform/exe_path.h"
#include "platform/utf8_path.h"

namespace scf {

namespace fs = std::filesystem;

namespace {

constexpr const char* kFolderName = "ZER_Avudud";

}  // namespace

std::string userFolderFromEnvironment() {
  if (std::string dir = getEnv("ZA2D_USER_DIR"); !dir.empty()) return dir;
  if (std::string appData = getEnv("APPDATA"); !appData.empty()) {
    return utf8String(utf8Path(appData) / kFolderName);
  }
  // A relative XDG_DATA_HOME is invalid by the XDG rules: it would name a different folder for
  // the launcher and the game, which start in different working folders.
  if (std::string dataHome = getEnv("XDG_DATA_HOME");
      !dataHome.empty() && utf8Path(dataHome).is_absolute()) {
    return utf8String(utf8Path(dataHome) / kFolderName);
  }
  if (std::string home = getEnv("HOME"); !home.empty()) {
    return utf8String(utf8Path(home) / ".local" / "share" / kFolderName);
  }
  return utf8String(utf8Path(exeFolder()) / "user");
}

std::string userFolder() {
  std::string dir = userFolderFromEnvironment();
  std::error_code error;
  fs::create_directories(utf8Path(dir), error);
  fs::path full = fs::absolute(utf8Path(dir), error);
  if (error) return dir;
  full = full.lexically_normal();
  // "/a/b/" normalises to "/a/b/"; the folder is named without the trailing separator.
  if (!full.has_filename() && full.has_relative_path()) full = full.parent_path();
  return utf8String(full);
}

}  // namespace scf
