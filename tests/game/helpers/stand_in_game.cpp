// A program that stands in for the built game in the game-run and self-test tests, the same on
// every system. A test copies it over the game executable and writes what it should do into
// "stand-in.txt" beside it, one command a line, fields split by tabs; "${NAME}" in a field is
// the environment variable NAME:
//   args FILE            writes its working folder, then each argument, one a line
//   write FILE TEXT      writes TEXT and a line end to FILE (the file is replaced)
//   append FILE TEXT     adds TEXT and a line end to FILE
//   mkdir FOLDER         makes the folder and its parents
//   time FILE SECONDS    sets the file's last-write time, in seconds since 1970
//   wait FILE            waits until FILE exists
//   close CODE           waits until asked to close (SIGTERM on Linux, WM_CLOSE to its visible
//                        window on Windows), then ends with CODE
//   exit CODE            ends with CODE
//   kill                 ends by SIGKILL (Linux only)
// A wait longer than 30 s ends the program with 98; a command it does not know with 97; a window
// that cannot open with 96 (kStandInNoWindow in stand_in_game.h).
#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>

#include <csignal>
#endif

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/command_line.h"
#include "platform/env.h"
#include "platform/exe_path.h"
#include "platform/utf8_path.h"

namespace {

constexpr auto kLongestWait = std::chrono::seconds(30);

std::string expand(const std::string& text) {
  std::string result;
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t end = text.compare(at, 2, "${") == 0 ? text.find('}', at) : std::string::npos;
    if (end == std::string::npos) {
      result += text[at++];
      continue;
    }
    result += scf::getEnv(text.substr(at + 2, end - at - 2));
    at = end + 1;
  }
  return result;
}

std::vector<std::string> fields(const std::string& line) {
  std::vector<std::string> list;
  std::stringstream stream(line);
  std::string field;
  while (std::getline(stream, field, '\t'))
    list.push_back(expand(field));
  return list;
}

void writeText(const std::string& path, const std::string& text, bool append) {
  std::ofstream out(scf::utf8Path(path),
                    std::ios::binary | (append ? std::ios::app : std::ios::trunc));
  out << text;
}

bool exists(const std::string& path) {
  std::error_code error;
  return std::filesystem::exists(scf::utf8Path(path), error);
}

#ifdef _WIN32
int closeCode = 0;

LRESULT CALLBACK windowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_CLOSE) ExitProcess(static_cast<UINT>(closeCode));
  return DefWindowProcW(window, message, wParam, lParam);
}

int closeWhenAsked(int code) {
  closeCode = code;
  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = windowProcedure;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.lpszClassName = L"ScfStandInGame";
  if (RegisterClassW(&windowClass) == 0) return 96;
  HWND shown = CreateWindowExW(0, windowClass.lpszClassName, L"stand-in game",
                               WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 100, nullptr, nullptr,
                               windowClass.hInstance, nullptr);
  if (shown == nullptr) return 96;
  SetTimer(shown, 1, static_cast<UINT>(kLongestWait.count() * 1000), nullptr);
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    if (message.message == WM_TIMER) return 98;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return 98;
}
#else
int closeCode = 0;

void onTerminate(int) {
  _exit(closeCode);
}

int closeWhenAsked(int code) {
  closeCode = code;
  std::signal(SIGTERM, onTerminate);
  std::this_thread::sleep_for(kLongestWait);
  return 98;
}
#endif

int run(const std::vector<std::string>& arguments) {
  const std::filesystem::path script = scf::utf8Path(scf::exeFolder()) / "stand-in.txt";
  std::ifstream in(script, std::ios::binary);
  std::string line;
  while (std::getline(in, line)) {
    const std::vector<std::string> f = fields(line);
    if (f.empty()) continue;
    const std::string& command = f[0];
    auto field = [&f](std::size_t i) { return i < f.size() ? f[i] : std::string(); };
    if (command == "args") {
      std::string text = scf::utf8String(std::filesystem::current_path()) + "\n";
      for (const std::string& argument : arguments)
        text += argument + "\n";
      writeText(field(1), text, false);
    } else if (command == "write" || command == "append") {
      writeText(field(1), field(2) + "\n", command == "append");
    } else if (command == "mkdir") {
      std::error_code error;
      std::filesystem::create_directories(scf::utf8Path(field(1)), error);
    } else if (command == "time") {
      const auto when = std::chrono::system_clock::time_point(
          std::chrono::seconds(std::strtoll(field(2).c_str(), nullptr, 10)));
      std::error_code error;
      std::filesystem::last_write_time(scf::utf8Path(field(1)),
                                       std::chrono::file_clock::from_sys(when), error);
      if (error) return 95;
    } else if (command == "wait") {
      const auto deadline = std::chrono::steady_clock::now() + kLongestWait;
      while (!exists(field(1))) {
        if (std::chrono::steady_clock::now() > deadline) return 98;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
      }
    } else if (command == "close") {
      return closeWhenAsked(std::atoi(field(1).c_str()));
    } else if (command == "exit") {
      return std::atoi(field(1).c_str());
#ifndef _WIN32
    } else if (command == "kill") {
      std::raise(SIGKILL);
#endif
    } else {
      return 97;
    }
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> arguments = scf::commandLineArguments(argc, argv);
  return run(arguments);
}
