#pragma once

// Helpers shared by the test programs: temporary folders, environment and working-folder
// guards, whole-file reads and writes. Every path here is a UTF-8 string, as in the launcher.

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <map>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include "platform/env.h"
#include "platform/utf8_path.h"

namespace scf::testing {

// A fresh folder under the system's temporary folder, removed with everything in it.
class TempFolder {
 public:
  TempFolder() {
    std::error_code error;
    const std::filesystem::path base = std::filesystem::temp_directory_path(error);
    if (error) return;
    // create_directory reports false for a folder that already exists, so a name another
    // test program picked at the same moment is never shared: draw again.
    std::mt19937_64 random(seed());
    for (int attempt = 0; attempt < 100; ++attempt) {
      static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
      std::string name = "scf-test-";
      for (int i = 0; i < 10; ++i)
        name += kLetters[random() % (sizeof(kLetters) - 1)];
      const std::filesystem::path candidate = base / name;
      if (std::filesystem::create_directory(candidate, error) && !error) {
        path_ = utf8String(candidate);
        return;
      }
    }
  }
  ~TempFolder() {
    if (path_.empty()) return;
    std::error_code error;
    std::filesystem::remove_all(utf8Path(path_), error);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::string& path() const { return path_; }
  std::string operator/(const std::string& relative) const { return path_ + "/" + relative; }

 private:
  static std::uint64_t seed() {
    static std::uint64_t counter = 0;
    std::random_device device;
    const auto now = std::chrono::high_resolution_clock::now().time_since_epoch().count();
    return (static_cast<std::uint64_t>(device()) << 32) ^ static_cast<std::uint64_t>(now) ^
           (++counter * 0x9e3779b97f4a7c15ULL);
  }

  std::string path_;
};

// Saves environment variables and puts them back, set or unset, when the test ends: those
// named at construction, and any changed through set(). Goes through scf::getEnv/setEnv, the
// launcher's own view of the environment (on Windows the C runtime's copy lags behind it).
class EnvGuard {
 public:
  EnvGuard() = default;
  explicit EnvGuard(std::initializer_list<const char*> names) {
    for (const char* name : names)
      save(name);
  }
  ~EnvGuard() {
    for (const auto& [name, old] : saved_)
      scf::setEnv(name, old ? *old : std::string());
  }
  EnvGuard(const EnvGuard&) = delete;
  EnvGuard& operator=(const EnvGuard&) = delete;

  // Sets a variable for this test; an empty value unsets it.
  void set(const std::string& name, const std::string& value) {
    save(name);
    scf::setEnv(name, value);
  }

 private:
  void save(const std::string& name) {
    if (saved_.count(name)) return;
    const std::string old = scf::getEnv(name);
    saved_[name] = old.empty() ? std::nullopt : std::optional<std::string>(old);
  }
  std::map<std::string, std::optional<std::string>> saved_;
};

// Sets each variable to its value, or unsets it for a null value.
inline void setOrUnset(std::initializer_list<std::pair<const char*, const char*>> variables) {
  for (const auto& [name, value] : variables)
    scf::setEnv(name, value ? value : "");
}

// Changes the working folder and goes back when the test ends.
class CwdGuard {
 public:
  explicit CwdGuard(const std::string& folder) : saved_(std::filesystem::current_path()) {
    std::filesystem::current_path(utf8Path(folder));
  }
  ~CwdGuard() {
    std::error_code error;
    std::filesystem::current_path(saved_, error);
  }
  CwdGuard(const CwdGuard&) = delete;
  CwdGuard& operator=(const CwdGuard&) = delete;

 private:
  std::filesystem::path saved_;
};

inline void writeFile(const std::string& path, const std::string& text) {
  const std::filesystem::path target = utf8Path(path);
  std::error_code error;
  std::filesystem::create_directories(target.parent_path(), error);
  std::ofstream out(target, std::ios::binary | std::ios::trunc);
  out << text;
}

inline std::string readFile(const std::string& path) {
  std::ifstream in(utf8Path(path), std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// The path as the system spells it, separators its own and "." parts gone: paths a test writes
// with "/" compare equal to the ones the launcher joins (with "\\" on Windows).
inline std::string nativePath(const std::string& path) {
  return utf8String(utf8Path(path).lexically_normal());
}

inline bool exists(const std::string& path) {
  std::error_code error;
  return std::filesystem::exists(std::filesystem::symlink_status(utf8Path(path), error));
}

}  // namespace scf::testing
