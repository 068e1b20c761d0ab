// A child program for the child-process tests that behaves the same on every system. The
// first argument picks what it does:
//   args A...            prints its working folder, then each argument, one a line
//   cwd-file NAME        writes its working folder into the file NAME in that folder
//   raw HEX              writes the bytes HEX encodes to standard output, nothing more
//   out-err              "out" on standard output, then "err" on standard error
//   count N              the lines 1 to N
//   pieces N SIZE        N writes of SIZE "0" bytes, no line end
//   empty-writes N       the lines 1 to N, each written alone and followed by a write of no
//                        bytes
//   cat FILE             the file's bytes
//   exit CODE            ends with that exit code (32 bits on Windows)
//   sleep SECONDS        waits, then ends with 0
//   tree DEPTH FILE      starts a copy of itself DEPTH-1 deep that shares its output; every
//                        copy appends its pid to FILE.part, the last renames it to FILE;
//                        the first prints "tree ready" once FILE is there; all then wait
//   leave FILE           starts a copy of itself ("branch 1 FILE"), waits for FILE, ends with 4
//   hold                 prints "handle H", H its standard output's handle (descriptor on
//                        Linux), then waits
//   inherited H          prints "open" when the handle (descriptor) H is valid here, else
//                        "closed"
//   window CODE [FILE]   a visible window that ends with CODE when asked to close (SIGTERM
//                        on Linux); once it listens, prints "ready" and creates FILE
//   stubborn             the same, but ignores close requests
#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <spawn.h>
#include <unistd.h>

#include <csignal>
#endif

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "platform/command_line.h"
#include "platform/file_open.h"
#include "platform/utf8_path.h"

#ifdef _WIN32
#include "platform/quote_argument.h"
#include "platform/utf16_win32.h"
#else
extern char** environ;
#endif

namespace {

void writeTo(bool error, const std::string& bytes) {
#ifdef _WIN32
  // WriteFile, not the C runtime, so that no line end is translated.
  HANDLE out = GetStdHandle(error ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE);
  // A program started without capture has no standard handles at all.
  if (out == nullptr || out == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  for (std::size_t at = 0; at < bytes.size(); at += written) {
    if (!WriteFile(out, bytes.data() + at, static_cast<DWORD>(bytes.size() - at), &written,
                   nullptr)) {
      std::exit(3);
    }
  }
#else
  int out = error ? STDERR_FILENO : STDOUT_FILENO;
  for (std::size_t at = 0; at < bytes.size();) {
    ssize_t written = write(out, bytes.data() + at, bytes.size() - at);
    if (written <= 0) std::exit(3);
    at += static_cast<std::size_t>(written);
  }
#endif
}

void out(const std::string& bytes) {
  writeTo(false, bytes);
}

// A write of no bytes: on Windows the reader of a pipe then gets a successful empty read.
void emptyWrite() {
#ifdef _WIN32
  DWORD written = 0;
  if (!WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), "", 0, &written, nullptr)) std::exit(3);
#else
  if (write(STDOUT_FILENO, "", 0) < 0) std::exit(3);
#endif
}

[[noreturn]] void waitForever() {
  for (;;)
    std::this_thread::sleep_for(std::chrono::hours(1));
}

unsigned long pid() {
#ifdef _WIN32
  return GetCurrentProcessId();
#else
  return static_cast<unsigned long>(getpid());
#endif
}

void appendLine(const std::string& file, const std::string& line) {
  std::FILE* stream = scf::openFile(file, "ab");
  if (stream == nullptr) std::exit(4);
  std::fputs((line + "\n").c_str(), stream);
  std::fclose(stream);
}

std::string selfPath() {
#ifdef _WIN32
  std::wstring path(32768, L'\0');
  path.resize(GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size())));
  return scf::narrow(path);
#else
  return std::filesystem::read_symlink("/proc/self/exe").string();
#endif
}

// Starts a copy of this program that inherits its standard handles (and so the output pipe).
bool startCopy(const std::vector<std::string>& arguments) {
  std::string self = selfPath();
#ifdef _WIN32
  std::wstring commandLine = scf::widen(scf::windowsCommandLine(self, arguments));
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION created{};
  if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW,
                      nullptr, nullptr, &startup, &created)) {
    return false;
  }
  CloseHandle(created.hThread);
  CloseHandle(created.hProcess);
  return true;
#else
  std::vector<std::string> all = {self};
  all.insert(all.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  argv.reserve(all.size() + 1);
  for (std::string& argument : all)
    argv.push_back(argument.data());
  argv.push_back(nullptr);
  // A session of its own, so that only a job's view of the tree reaches it, not the group's.
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID);
  pid_t child = -1;
  int result = posix_spawn(&child, self.c_str(), nullptr, &attributes, argv.data(), environ);
  posix_spawnattr_destroy(&attributes);
  return result == 0;
#endif
}

int tree(int depth, const std::string& file, bool first) {
  std::string part = file + ".part";
  appendLine(part, std::to_string(pid()));
  if (depth > 1) {
    if (!startCopy({"branch", std::to_string(depth - 1), file})) return 5;
  } else {
    std::error_code error;
    std::filesystem::rename(scf::utf8Path(part), scf::utf8Path(file), error);
    if (error) return 6;
  }
  // The first copy is the one the test started: it says when the whole tree is there.
  if (first) {
    while (!std::filesystem::exists(scf::utf8Path(file)))
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    out("tree ready\n");
  }
  waitForever();
}

std::string fromHex(const std::string& hex) {
  std::string bytes;
  for (std::size_t at = 0; at + 1 < hex.size(); at += 2)
    bytes += static_cast<char>(std::stoi(hex.substr(at, 2), nullptr, 16));
  return bytes;
}

bool handleValid(std::uintptr_t value) {
#ifdef _WIN32
  DWORD flags = 0;
  return GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags) != 0;
#else
  return fcntl(static_cast<int>(value), F_GETFD) != -1;
#endif
}

void ready(const std::string& file) {
  out("ready\n");
  if (!file.empty()) appendLine(file, "ready");
}

#ifdef _WIN32
int windowCode = 0;
bool windowStubborn = false;

LRESULT CALLBACK windowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_CLOSE) {
    if (!windowStubborn) ExitProcess(static_cast<UINT>(windowCode));
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}
#else
int signalCode = 0;
void onTerminate(int) {
  _exit(signalCode);
}
#endif

int window(int code, bool stubborn, const std::string& readyFile) {
#ifdef _WIN32
  windowCode = code;
  windowStubborn = stubborn;
  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = windowProcedure;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.lpszClassName = L"ScfProcessHelper";
  if (RegisterClassW(&windowClass) == 0) return 8;
  HWND shown = CreateWindowExW(0, windowClass.lpszClassName, L"process helper",
                               WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 100, nullptr, nullptr,
                               windowClass.hInstance, nullptr);
  if (shown == nullptr) return 9;
  ready(readyFile);
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return 0;
#else
  signalCode = code;
  std::signal(SIGTERM, stubborn ? SIG_IGN : onTerminate);
  ready(readyFile);
  waitForever();
#endif
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> arguments = scf::commandLineArguments(argc, argv);
  if (arguments.empty()) return 2;
  const std::string& mode = arguments[0];
  auto number = [&](std::size_t index) {
    return index < arguments.size() ? std::strtoll(arguments[index].c_str(), nullptr, 10) : 0;
  };
  if (mode == "args") {
    std::string text = scf::utf8String(std::filesystem::current_path()) + "\n";
    for (std::size_t index = 1; index < arguments.size(); ++index)
      text += arguments[index] + "\n";
    out(text);
  } else if (mode == "cwd-file" && arguments.size() == 2) {
    std::FILE* stream = scf::openFile(arguments[1], "wb");
    if (stream == nullptr) return 4;
    std::fputs(scf::utf8String(std::filesystem::current_path()).c_str(), stream);
    std::fclose(stream);
  } else if (mode == "raw" && arguments.size() == 2) {
    out(fromHex(arguments[1]));
  } else if (mode == "out-err") {
    out("out\n");
    writeTo(true, "err\n");
  } else if (mode == "count") {
    std::string text;
    for (long long line = 1; line <= number(1); ++line)
      text += std::to_string(line) + "\n";
    out(text);
  } else if (mode == "empty-writes") {
    for (long long line = 1; line <= number(1); ++line) {
      out(std::to_string(line) + "\n");
      emptyWrite();
    }
  } else if (mode == "pieces") {
    for (long long piece = 0; piece < number(1); ++piece)
      out(std::string(static_cast<std::size_t>(number(2)), '0'));
  } else if (mode == "cat" && arguments.size() == 2) {
    std::FILE* in = scf::openFile(arguments[1], "rb");
    if (in == nullptr) return 4;
    std::string bytes;
    char chunk[4096];
    for (std::size_t size; (size = std::fread(chunk, 1, sizeof chunk, in)) > 0;)
      bytes.append(chunk, size);
    std::fclose(in);
    out(bytes);
  } else if (mode == "exit") {
#ifdef _WIN32
    ExitProcess(static_cast<UINT>(std::strtoul(arguments[1].c_str(), nullptr, 10)));
#else
    return static_cast<int>(number(1));
#endif
  } else if (mode == "sleep") {
    std::this_thread::sleep_for(std::chrono::seconds(number(1)));
  } else if ((mode == "tree" || mode == "branch") && arguments.size() == 3) {
    return tree(static_cast<int>(number(1)), arguments[2], mode == "tree");
  } else if (mode == "leave" && arguments.size() == 2) {
    if (!startCopy({"branch", "1", arguments[1]})) return 5;
    while (!std::filesystem::exists(scf::utf8Path(arguments[1])))
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return 4;
  } else if (mode == "hold") {
#ifdef _WIN32
    auto handle = reinterpret_cast<std::uintptr_t>(GetStdHandle(STD_OUTPUT_HANDLE));
#else
    std::uintptr_t handle = STDOUT_FILENO;
#endif
    out("handle " + std::to_string(handle) + "\n");
    waitForever();
  } else if (mode == "inherited" && arguments.size() == 2) {
    out(handleValid(std::strtoull(arguments[1].c_str(), nullptr, 10)) ? "open\n" : "closed\n");
  } else if (mode == "window" || mode == "stubborn") {
    return window(static_cast<int>(number(1)), mode == "stubborn",
                  arguments.size() > 2 ? arguments[2] : "");
  } else {
    return 2;
  }
  return 0;
}
