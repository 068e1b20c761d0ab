#pragma once

// Helpers shared by the test programs: temporary folders, environment and working-folder
// guards, whole-file reads and writes.

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace scf::testing {

// A fresh folder under the system's temporary folder, removed with everything in it.
class TempFolder {
 public:
  TempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "scf-test-XXXXXX").string();
    if (::mkdtemp(pattern.data())) path_ = pattern;
  }
  ~TempFolder() {
    std::error_code error;
    std::filesystem::remove_all(path_, error);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::string& path() const { return path_; }
  std::string operator/(const std::string& relative) const { return path_ + "/" + relative; }

 private:
  std::string path_;
};

// Saves environment variables and puts them back, set or unset, when the test ends: those
// named at construction, and any changed through set().
class EnvGuard {
 public:
  EnvGuard() = default;
  explicit EnvGuard(std::initializer_list<const char*> names) {
    for (const char* name : names)
      save(name);
  }
  ~EnvGuard() {
    for (const auto& [name, old] : saved_) {
      if (old) {
        ::setenv(name.c_str(), old->c_str(), 1);
      } else {
        ::unsetenv(name.c_str());
      }
    }
  }
  EnvGuard(const EnvGuard&) = delete;
  EnvGuard& operator=(const EnvGuard&) = delete;

  // Sets a variable for this test; an empty value unsets it.
  void set(const std::string& name, const std::string& value) {
    save(name);
    if (value.empty()) {
      ::unsetenv(name.c_str());
    } else {
      ::setenv(name.c_str(), value.c_str(), 1);
    }
  }

 private:
  void save(const std::string& name) {
    if (saved_.count(name)) return;
    const char* old = std::getenv(name.c_str());
    saved_[name] = old ? std::optional<std::string>(old) : std::nullopt;
  }
  std::map<std::string, std::optional<std::string>> saved_;
};

// Sets each variable to its value, or unsets it for a null value.
inline void setOrUnset(std::initializer_list<std::pair<const char*, const char*>> variables) {
  for (const auto& [name, value] : variables) {
    if (value) {
      ::setenv(name, value, 1);
    } else {
      ::unsetenv(name);
    }
  }
}

// Changes the working folder and goes back when the test ends.
class CwdGuard {
 public:
  explicit CwdGuard(const std::string& folder) : saved_(std::filesystem::current_path()) {
    std::filesystem::current_path(folder);
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
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
}

inline std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

inline bool exists(const std::string& path) {
  std::error_code error;
  return std::filesystem::exists(std::filesystem::symlink_status(path, error));
}

}  // namespace scf::testing
