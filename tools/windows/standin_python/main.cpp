// A stand-in for the kit's python.exe in the Windows test release, never shipped. Under wine
// no Windows Python exists and a Windows launcher cannot run Linux Python with its output, so
// this program answers the kit's command lines with what the demo kit answered on Linux (the
// recording made by record_kit.py beside it, in recording\ next to this program):
//
//   python.exe -I -X utf8 <release>\source\tools\scf_build.py --check --disc IMAGE
//   python.exe -I -X utf8 <release>\source\tools\scf_build.py --disc IMAGE --out BUILD --game GAME
//   python.exe -I -X utf8 <release>\source\tools\scf_texture_enhance.py --user USER
//              (--game GAME --kit KIT | --remove)
//
// A disc image is known by the hash of its bytes. A build is paced like the demo kit's
// (ZA2D_DEMO_BUILD_SECONDS, the kit's share per stage), writes the stage logs and the game
// folder (the release's kit\game\scf.exe as scf.exe), resumes a stopped build where it
// stopped, and fails where ZA2D_DEMO_FAIL_STAGE says. The texture script's run is paced like
// the demo script's (ZA2D_DEMO_ENHANCE_SECONDS), needs the kit's
// realesrgan\realesrgan-ncnn-vulkan.exe and the built game's disc data as the script does on
// Windows, and writes the recorded pack into USER\texture_pack. Any other command line gets
// one ERROR line and exit code 2.
//
// For the tests of the launcher's job: with ZA2D_STANDIN_PID_DIR set, each process writes
// python-<pid>.txt there; with ZA2D_STANDIN_CHILD set, a build also starts a child of its own
// that only waits, so a test can see that the whole tree ends with the launcher.
#include <windows.h>
// after windows.h, which it needs
#include <shellapi.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace {

std::wstring widen(const std::string& text) {
  if (text.empty()) return {};
  const int n =
      MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring out(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n);
  return out;
}

std::string narrow(const std::wstring& text) {
  if (text.empty()) return {};
  const int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr,
                                    0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n,
                      nullptr, nullptr);
  return out;
}

// Python on Windows writes its text-mode line ends as CR LF.
void emit(const std::string& line) {
  const std::string data = line + "\r\n";
  DWORD written = 0;
  if (!WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), data.data(), static_cast<DWORD>(data.size()),
                 &written, nullptr)) {
    ExitProcess(1);  // nobody reads any more
  }
}

std::optional<std::string> readFile(const std::string& path) {
  HANDLE file = CreateFileW(widen(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return std::nullopt;
  std::string data;
  char buffer[65536];
  DWORD got = 0;
  while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0)
    data.append(buffer, got);
  CloseHandle(file);
  return data;
}

bool writeFile(const std::string& path, const std::string& data) {
  const std::wstring tmp = widen(path + ".tmp");
  HANDLE file = CreateFileW(tmp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const bool ok =
      WriteFile(file, data.data(), static_cast<DWORD>(data.size()), &written, nullptr) &&
      written == data.size();
  CloseHandle(file);
  return ok && MoveFileExW(tmp.c_str(), widen(path).c_str(), MOVEFILE_REPLACE_EXISTING);
}

bool exists(const std::string& path) {
  return GetFileAttributesW(widen(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

void makeFolders(const std::string& path) {
  for (std::size_t at = path.find_first_of("\\/", 3); at != std::string::npos;
       at = path.find_first_of("\\/", at + 1)) {
    CreateDirectoryW(widen(path.substr(0, at)).c_str(), nullptr);
  }
  CreateDirectoryW(widen(path).c_str(), nullptr);
}

std::string parentOf(const std::string& path) {
  const std::size_t at = path.find_last_of("\\/");
  return at == std::string::npos ? std::string(".") : path.substr(0, at);
}

std::string exeFolder() {
  std::wstring buffer(32768, L'\0');
  const DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
  buffer.resize(n);
  return parentOf(narrow(buffer));
}

std::string envValue(const wchar_t* name) {
  std::wstring buffer(32768, L'\0');
  const DWORD n = GetEnvironmentVariableW(name, buffer.data(), static_cast<DWORD>(buffer.size()));
  buffer.resize(n < buffer.size() ? n : 0);
  return narrow(buffer);
}

double now() {
  LARGE_INTEGER count, frequency;
  QueryPerformanceCounter(&count);
  QueryPerformanceFrequency(&frequency);
  return static_cast<double>(count.QuadPart) / static_cast<double>(frequency.QuadPart);
}

void sleepUntil(double due) {
  const double wait = due - now();
  if (wait > 0) Sleep(static_cast<DWORD>(wait * 1000.0));
}

std::string fnv1a64(const std::string& data) {
  std::uint64_t value = 0xCBF29CE484222325ull;
  for (unsigned char byte : data)
    value = (value ^ byte) * 0x100000001B3ull;
  char text[17];
  std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(value));
  return text;
}

std::vector<std::string> words(const std::string& line) {
  std::vector<std::string> out;
  std::size_t at = 0;
  while (at < line.size()) {
    const std::size_t end = line.find(' ', at);
    out.push_back(line.substr(at, end == std::string::npos ? std::string::npos : end - at));
    if (end == std::string::npos) break;
    at = end + 1;
  }
  return out;
}

std::vector<std::string> splitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t at = 0;
  while (at < text.size()) {
    std::size_t end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(at, end - at);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
    at = end + 1;
  }
  return lines;
}

struct Run {
  std::string kind, key, name;
  int exitCode = 0;
  std::vector<std::string> lines;
};

struct Recording {
  std::string folder;
  std::vector<std::pair<std::string, double>> weights;
  double seconds = 60;
  double enhanceSeconds = 20;
  std::vector<Run> runs;

  const Run* find(const std::string& kind, const std::string& key) const {
    for (const Run& run : runs) {
      if (run.kind == kind && run.key == key) return &run;
    }
    return nullptr;
  }
  double share(const std::string& stage) const {
    double sum = 0, mine = 0;
    for (const auto& [name, weight] : weights) {
      sum += weight;
      if (name == stage) mine = weight;
    }
    return sum > 0 ? mine / sum : 0;
  }
};

std::optional<Recording> loadRecording() {
  Recording recording;
  recording.folder = exeFolder() + "\\recording";
  const auto text = readFile(recording.folder + "\\recording.txt");
  if (!text) return std::nullopt;
  Run* run = nullptr;
  for (const std::string& line : splitLines(*text)) {
    const std::vector<std::string> w = words(line);
    if (line.rfind("> ", 0) == 0 && run != nullptr) {
      run->lines.push_back(line.substr(2));
    } else if (w.size() == 5 && w[0] == "run") {
      recording.runs.push_back({w[1], w[2], w[4], std::atoi(w[3].c_str()), {}});
      run = &recording.runs.back();
    } else if (!w.empty() && w[0] == "end") {
      run = nullptr;
    } else if (w.size() == 2 && w[0] == "seconds") {
      recording.seconds = std::atof(w[1].c_str());
    } else if (w.size() == 2 && w[0] == "enhance_seconds") {
      recording.enhanceSeconds = std::atof(w[1].c_str());
    } else if (!w.empty() && w[0] == "weights") {
      for (std::size_t i = 1; i + 1 < w.size(); i += 2) {
        recording.weights.emplace_back(w[i], std::atof(w[i + 1].c_str()));
      }
    }
  }
  return recording;
}

struct Places {
  std::map<std::string, std::string> tokens;  // {DISC} -> the path given, ...

  std::string fill(std::string text) const {
    for (const auto& [token, value] : tokens) {
      for (std::size_t at = text.find(token); at != std::string::npos;
           at = text.find(token, at + value.size())) {
        text.replace(at, token.size(), value);
      }
    }
    return text;
  }
};

int unknownCommand(const std::vector<std::string>& args) {
  std::string joined;
  for (const std::string& arg : args)
    joined += (joined.empty() ? "" : " ") + arg;
  emit("ERROR verify the test stand-in for Python has no recorded answer to: " + joined);
  return 2;
}

// A length in seconds as the demo kit reads it from its variable.
double demoSeconds(const wchar_t* variable, double fallback, double most) {
  const std::string value = envValue(variable);
  if (value.empty()) return fallback;
  char* end = nullptr;
  const double seconds = std::strtod(value.c_str(), &end);
  if (end == value.c_str() || *end != '\0' || seconds != seconds) return fallback;
  return seconds < 0 ? 0 : seconds > most ? most : seconds;
}

// The build length as the demo kit reads it from ZA2D_DEMO_BUILD_SECONDS.
double buildSeconds(double fallback) {
  return demoSeconds(L"ZA2D_DEMO_BUILD_SECONDS", fallback, 1e300);
}

// The release's commit, for the files and lines that name it.
std::string releaseCommit(const std::string& release) {
  const auto text = readFile(release + "\\source\\release.ini");
  if (!text) return {};
  for (const std::string& line : splitLines(*text)) {
    const std::size_t eq = line.find('=');
    if (line.empty() || line[0] == '#' || eq == std::string::npos) continue;
    std::string key = line.substr(0, eq);
    while (!key.empty() && (key.back() == ' ' || key.back() == '\t'))
      key.pop_back();
    if (key != "commit") continue;
    std::string value = line.substr(eq + 1);
    while (!value.empty() && value.front() == ' ')
      value.erase(0, 1);
    while (!value.empty() && value.back() == ' ')
      value.pop_back();
    return value;
  }
  return {};
}

std::string discKey(const std::string& disc) {
  if (!exists(disc)) return "missing";
  const auto data = readFile(disc);
  return data ? fnv1a64(*data) : "missing";
}

int check(const Recording& recording, const Places& places, const std::string& disc,
          const std::vector<std::string>& args) {
  std::string key = discKey(disc);
  const Run* run = recording.find("check", key);
  if (run == nullptr) {
    // A file without the ISO9660 volume mark gets the kit's answer to a file that is no disc.
    const auto data = readFile(disc);
    const bool iso = data && data->size() > 0x8006 && data->compare(0x8001, 5, "CD001") == 0;
    if (!iso) run = recording.find("check", "other");
  }
  if (run == nullptr) return unknownCommand(args);
  for (const std::string& line : run->lines)
    emit(places.fill(line));
  return run->exitCode;
}

struct BuildState {
  std::string key;
  std::size_t next = 0;  // the first recorded line not yet given
  double seconds = 0;    // time spent so far in the stage that was running
};

BuildState loadState(const std::string& path) {
  BuildState state;
  const auto text = readFile(path);
  if (!text) return state;
  for (const std::string& line : splitLines(*text)) {
    const std::vector<std::string> w = words(line);
    if (w.size() != 2) continue;
    if (w[0] == "key") state.key = w[1];
    if (w[0] == "next") state.next = static_cast<std::size_t>(std::atoll(w[1].c_str()));
    if (w[0] == "seconds") state.seconds = std::atof(w[1].c_str());
  }
  return state;
}

void saveState(const std::string& path, const BuildState& state) {
  char text[256];
  std::snprintf(text, sizeof text, "key %s\nnext %zu\nseconds %.3f\n", state.key.c_str(),
                state.next, state.seconds);
  writeFile(path, text);
}

bool copyBinary(const std::string& from, const std::string& to) {
  const auto data = readFile(from);
  return data && writeFile(to, *data);
}

// What the kit leaves when a stage begins: its log, and for the last stage the game folder.
bool placeFiles(const Recording& recording, const Run& run, const Places& places,
                const std::string& stage, const std::string& release, const std::string& out,
                const std::string& game) {
  const std::string recorded = recording.folder + "\\" + run.name;
  if (const auto log = readFile(recorded + "\\logs\\" + stage + ".log")) {
    makeFolders(out + "\\logs");
    writeFile(out + "\\logs\\" + stage + ".log", places.fill(*log));
  }
  if (stage != "stage") return true;
  makeFolders(game);
  if (!copyBinary(release + "\\kit\\game\\scf.exe", game + "\\scf.exe")) {
    emit(
        "ERROR stage the kit's game program (kit\\game\\scf.exe) is missing; unpack the whole "
        "release again");
    return false;
  }
  for (const char* name : {"SXUS_902.10", "disc.iso"}) {
    copyBinary(recorded + "\\game\\" + name, game + "\\" + name);
  }
  if (const auto text = readFile(recorded + "\\game\\built_from.ini")) {
    writeFile(game + "\\built_from.ini", places.fill(*text));
  }
  return true;
}

void startWaitingChild() {
  std::wstring self(32768, L'\0');
  self.resize(GetModuleFileNameW(nullptr, self.data(), static_cast<DWORD>(self.size())));
  std::wstring command = L"\"" + self + L"\" --standin-wait";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  if (CreateProcessW(self.c_str(), command.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW,
                     nullptr, nullptr, &startup, &info)) {
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
  }
}

int build(const Recording& recording, Places places, const std::string& disc,
          const std::string& release, const std::string& out, const std::string& game,
          const std::vector<std::string>& args) {
  const std::string key = discKey(disc);
  // A build asked to fail replays the same build up to its failure, so that a build run again
  // without the variable goes on from there.
  const std::string failStage = envValue(L"ZA2D_DEMO_FAIL_STAGE");
  const Run* run = recording.find("build", failStage.empty() ? key : key + ":fail:" + failStage);
  if (run == nullptr) return unknownCommand(args);
  if (!envValue(L"ZA2D_STANDIN_CHILD").empty()) startWaitingChild();
  makeFolders(out + "\\logs");
  const std::string statePath = out + "\\standin-state.txt";
  BuildState state = loadState(statePath);
  if (state.key != key || state.next > run->lines.size()) state = BuildState{key, 0, 0};
  const double total = buildSeconds(recording.seconds);
  char seconds[32];
  std::snprintf(seconds, sizeof seconds, "%g", total);
  places.tokens["{SECONDS}"] = seconds;
  const std::vector<std::string>& lines = run->lines;

  // A resumed run says what an earlier run finished, then goes on from the line it stopped at.
  std::string stage;
  int startPercent = 0;
  double stageStart = now(), banked = 0;
  std::size_t i = 0;
  if (state.next > 0) {
    std::string running;
    int percent = 0;
    for (; i < state.next; ++i) {
      const std::vector<std::string> w = words(lines[i]);
      if (w.size() >= 2 && w[0] == "PROGRESS") {
        running = w[1];
        percent = 0;
      } else if (w.size() >= 3 && w[0] == "PERCENT") {
        percent = std::atoi(w[2].c_str());
      } else if (w.size() >= 2 && w[0] == "DONE") {
        emit("SKIP " + w[1]);
        running.clear();
      } else if (running.empty()) {
        emit(places.fill(lines[i]));
      }
    }
    if (!running.empty()) {
      stage = running;
      startPercent = percent;
      banked = state.seconds;
      emit("PROGRESS " + stage);
      if (percent > 0) emit("PERCENT " + stage + " " + std::to_string(percent));
      if (!placeFiles(recording, *run, places, stage, release, out, game)) return 1;
    }
  }
  for (; i < lines.size(); ++i) {
    const std::vector<std::string> w = words(lines[i]);
    std::string line = places.fill(lines[i]);
    if (w.size() >= 2 && w[0] == "PROGRESS") {
      stage = w[1];
      startPercent = 0;
      banked = 0;
      stageStart = now();
      if (!placeFiles(recording, *run, places, stage, release, out, game)) return 1;
    } else if (w.size() >= 3 && w[0] == "PERCENT") {
      const double step = total * recording.share(stage) / 100.0;
      sleepUntil(stageStart + (std::atoi(w[2].c_str()) - startPercent) * step);
    } else if (w.size() >= 2 && w[0] == "DONE") {
      char text[64];
      std::snprintf(text, sizeof text, "%.1f", banked + now() - stageStart);
      line = "DONE " + w[1] + " in " + text;
    } else if (!w.empty() && w[0] == "ERROR") {
      emit(line);  // the end of a failing build: a run again goes on from the line before
      break;
    }
    emit(line);
    state.next = i + 1;
    state.seconds = banked + now() - stageStart;
    saveState(statePath, state);
  }
  return run->exitCode;
}

// The texture script: its checks, then the recorded run paced as the demo script paces it (a
// fifth of the time reading the textures, the rest upscaling them), and the recorded pack.
int enhance(const Recording& recording, const Places& places, const std::string& user,
            const std::optional<std::string>& game, const std::optional<std::string>& kit,
            const std::vector<std::string>& args) {
  const Run* run = recording.find("enhance", game ? "make" : "remove");
  if (run == nullptr) return unknownCommand(args);
  const std::filesystem::path pack = std::filesystem::path(widen(user)) / L"texture_pack";
  std::error_code error;
  if (!game) {
    std::filesystem::remove_all(pack, error);
    for (const std::string& line : run->lines)
      emit(places.fill(line));
    return run->exitCode;
  }
  // The script's own checks, in its order and words.
  if (!exists(*kit + "\\realesrgan\\realesrgan-ncnn-vulkan.exe")) {
    emit("error the build kit has no Real-ESRGAN (realesrgan/realesrgan-ncnn-vulkan.exe)");
    return 1;
  }
  if (!exists(*game)) {
    emit("error the game folder does not exist; prepare the game first");
    return 1;
  }
  if (!exists(*game + "\\disc.iso")) {
    emit("error the game folder has no disc data (disc.iso); prepare the game again");
    return 1;
  }
  const double seconds = demoSeconds(L"ZA2D_DEMO_ENHANCE_SECONDS", recording.enhanceSeconds, 3600);
  std::string step;
  for (const std::string& line : run->lines) {
    const std::vector<std::string> w = words(line);
    if (w.size() == 2 && w[0] == "step") step = w[1];
    if (w.size() == 3 && w[0] == "progress" && w[1] != "0") {
      const double total = std::atof(w[2].c_str());
      const double share = step == "dump" ? 0.2 : step == "upscale" ? 1.0 : 0.0;
      if (total > 0) Sleep(static_cast<DWORD>(seconds * share / total * 1000.0));
    }
    if (w.size() >= 1 && w[0] == "done") {
      std::filesystem::create_directories(pack, error);
      const std::filesystem::path made =
          std::filesystem::path(widen(recording.folder + "\\" + run->name)) / L"texture_pack";
      for (const auto& picture : std::filesystem::directory_iterator(made, error)) {
        std::filesystem::copy_file(picture.path(), pack / picture.path().filename(),
                                   std::filesystem::copy_options::overwrite_existing, error);
      }
      if (error) {
        emit("error a file could not be written or read (" + narrow(pack.wstring()) + ")");
        return 1;
      }
    }
    emit(places.fill(line));
  }
  return run->exitCode;
}

void writePidFile(const std::vector<std::string>& args) {
  const std::string folder = envValue(L"ZA2D_STANDIN_PID_DIR");
  if (folder.empty()) return;
  std::string text;
  for (const std::string& arg : args)
    text += arg + "\n";
  writeFile(folder + "\\python-" + std::to_string(GetCurrentProcessId()) + ".txt", text);
}

}  // namespace

int main() {
  int count = 0;
  LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
  std::vector<std::string> args;
  for (int i = 1; wide != nullptr && i < count; ++i)
    args.push_back(narrow(wide[i]));
  if (wide != nullptr) LocalFree(wide);
  writePidFile(args);

  if (args.size() == 1 && args[0] == "--standin-wait") {
    Sleep(120000);  // bounded: a leftover is gone after two minutes whatever happens
    return 0;
  }
  auto endsWith = [](const std::string& text, const std::string& tail) {
    return text.size() >= tail.size() &&
           text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
  };
  auto isScript = [&](const std::string& name) {
    return endsWith(args[3], "\\" + name) || endsWith(args[3], "/" + name);
  };
  if (args.size() < 4 || args[0] != "-I" || args[1] != "-X" || args[2] != "utf8" ||
      !(isScript("scf_build.py") || isScript("scf_texture_enhance.py"))) {
    return unknownCommand(args);
  }
  bool checkOnly = false;
  bool remove = false;
  std::optional<std::string> disc, out, game, user, kit;
  for (std::size_t i = 4; i < args.size(); ++i) {
    const bool hasValue = i + 1 < args.size();
    if (args[i] == "--check") {
      checkOnly = true;
    } else if (args[i] == "--remove") {
      remove = true;
    } else if (args[i] == "--disc" && hasValue) {
      disc = args[++i];
    } else if (args[i] == "--out" && hasValue) {
      out = args[++i];
    } else if (args[i] == "--game" && hasValue) {
      game = args[++i];
    } else if (args[i] == "--user" && hasValue) {
      user = args[++i];
    } else if (args[i] == "--kit" && hasValue) {
      kit = args[++i];
    } else {
      return unknownCommand(args);
    }
  }
  const std::optional<Recording> recording = loadRecording();
  if (!recording) {
    emit("ERROR verify the test stand-in for Python has no recording beside it");
    return 2;
  }
  const std::string release = parentOf(parentOf(parentOf(args[3])));
  Places places;
  places.tokens = {{"{DISC}", disc.value_or("")}, {"{OUT}", out.value_or("")},
                   {"{GAME}", game.value_or("")}, {"{USER}", user.value_or("")},
                   {"{RELEASE}", release},        {"{COMMIT}", releaseCommit(release)}};
  if (isScript("scf_texture_enhance.py")) {
    if (user && !disc && !out && !checkOnly && (remove ? !game && !kit : game && kit)) {
      return enhance(*recording, places, *user, game, kit, args);
    }
    return unknownCommand(args);
  }
  if (remove || user || kit) return unknownCommand(args);
  if (disc && checkOnly && !out && !game) return check(*recording, places, *disc, args);
  if (disc && !checkOnly && out && game) {
    return build(*recording, places, *disc, release, *out, *game, args);
  }
  return unknownCommand(args);
}
