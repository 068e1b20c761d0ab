#include <windows.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "platform/last_error.h"
#include "platform/line_splitter.h"
#include "platform/process.h"
#include "platform/process_faults_win32.h"
#include "platform/process_tree_win32.h"
#include "platform/quote_argument.h"
#include "platform/utf16_win32.h"

namespace scf {

// What a reader thread shares with its record. The record's side (its queue, lock and done
// flag) is reached only under lock, and is cut off when teardown lets a reader go that it
// could not end; the reader then closes the pipe itself whenever its read returns.
struct ReaderLink {
  HANDLE pipe = nullptr;
  std::atomic<bool> stopping{false};  // teardown has begun: no new read is started
  std::mutex lock;
  std::mutex* queueLock = nullptr;  // null once the record has let the reader go
  LineBatch* lines = nullptr;
  std::atomic<bool>* done = nullptr;
  std::condition_variable* taken = nullptr;  // the record's owner took the queue
  std::atomic<bool>* unlimited = nullptr;    // the owner waits for the end: no limit
  bool finished = false;  // the reader has queued its last line and touches nothing more
};

namespace {

constexpr DWORD readChunk = DWORD{256} * 1024;
constexpr DWORD pipeBytes = DWORD{256} * 1024;
constexpr std::size_t keptQueueBytes = std::size_t{128} << 20;
constexpr int cancelMilliseconds = 2000;
// The longest working folder CreateProcessW accepts, without the final backslash it adds,
// whatever the manifest says about long paths.
constexpr std::size_t longestWorkingFolder = MAX_PATH - 2;

void closeIfOpen(void*& handle) {
  if (handle != nullptr && handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
  handle = nullptr;
}

// Callers read GetLastError() before anything else can change it.
std::string systemErrorText(DWORD code) {
  return errorText(static_cast<int>(code));
}

std::vector<wchar_t> commandLineOf(const std::string& program,
                                   const std::vector<std::string>& arguments) {
  std::wstring text = widen(windowsCommandLine(program, arguments));
  // CreateProcessW may write into the command line, so it gets a buffer of its own.
  return std::vector<wchar_t>(text.c_str(), text.c_str() + text.size() + 1);
}

// The children of a captured run inherit exactly the handles named here, not whatever else
// of the launcher's happens to be inheritable at that moment (another run's pipe, the
// launcher's own standard handles).
class InheritedHandles {
 public:
  explicit InheritedHandles(std::vector<HANDLE> handles) : handles_(std::move(handles)) {
    SIZE_T size = 0;
    InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
    storage_.resize(size);
    auto* list = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(storage_.data());
    if (size == 0 || !InitializeProcThreadAttributeList(list, 1, 0, &size)) return;
    initialised_ = true;
    if (UpdateProcThreadAttribute(list, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, handles_.data(),
                                  handles_.size() * sizeof(HANDLE), nullptr, nullptr)) {
      list_ = list;
    }
  }
  ~InheritedHandles() {
    if (initialised_) {
      DeleteProcThreadAttributeList(
          reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(storage_.data()));
    }
  }
  InheritedHandles(const InheritedHandles&) = delete;
  InheritedHandles& operator=(const InheritedHandles&) = delete;

  // Null when the list could not be made: the children then inherit every inheritable handle.
  LPPROC_THREAD_ATTRIBUTE_LIST list() const { return list_; }

 private:
  std::vector<HANDLE> handles_;
  std::vector<unsigned char> storage_;
  bool initialised_ = false;
  LPPROC_THREAD_ATTRIBUTE_LIST list_ = nullptr;
};

// The working folder as CreateProcessW takes it: a long one in its short (8.3) form, which
// every folder on a volume that makes short names has. Empty with ok false when there is none.
std::wstring startFolder(const std::string& folder, bool& ok) {
  ok = true;
  std::wstring wide = widen(folder);
  if (wide.size() <= longestWorkingFolder) return wide;
  std::wstring shortForm(wide.size() + 1, L'\0');
  DWORD length =
      GetShortPathNameW(wide.c_str(), shortForm.data(), static_cast<DWORD>(shortForm.size()));
  if (length >= shortForm.size()) {
    shortForm.resize(length);
    length =
        GetShortPathNameW(wide.c_str(), shortForm.data(), static_cast<DWORD>(shortForm.size()));
  }
  shortForm.resize(length < shortForm.size() ? length : 0);
  // A "\\?\" prefix, kept by the short form, is not a working folder's.
  if (shortForm.rfind(L"\\\\?\\", 0) == 0 && shortForm.size() > 6 && shortForm[5] == L':') {
    shortForm.erase(0, 4);
  }
  ok = !shortForm.empty() && shortForm.size() <= longestWorkingFolder;
  return ok ? shortForm : std::wstring();
}

std::string longFolderError(const std::string& folder) {
  // The system's own sentence for a name too long, and the folder it is about.
  return systemErrorText(ERROR_FILENAME_EXCED_RANGE) + " (" + folder + ")";
}

// One read of the output. With the test fault on, every real read is preceded by the empty
// one a writer's zero-length WriteFile gives on Windows.
bool readPipe(HANDLE pipe, char* buffer, DWORD& size, bool& emptyGiven) {
  if (process_faults::emptyReadsBetween() && !emptyGiven) {
    emptyGiven = true;
    size = 0;
    return true;
  }
  emptyGiven = false;
  return ReadFile(pipe, buffer, readChunk, &size, nullptr) != 0;
}

DWORD WINAPI readOutput(void* parameter) {
  const std::unique_ptr<std::shared_ptr<ReaderLink>> held(
      static_cast<std::shared_ptr<ReaderLink>*>(parameter));
  ReaderLink& link = **held;
  LineSplitter splitter;
  std::vector<char> buffer(readChunk);
  // As on Linux: the queue is only ever filled here, so the reader takes it back, adds to it
  // outside the queue's lock and puts it back; that lock is held for two swaps only.
  LineBatch adding;
  auto addLines = [&](auto&& add) {
    std::lock_guard<std::mutex> linked(link.lock);
    if (link.lines == nullptr) return false;
    {
      std::lock_guard<std::mutex> lock(*link.queueLock);
      link.lines->swap(adding);
    }
    add(adding);
    std::lock_guard<std::mutex> lock(*link.queueLock);
    link.lines->swap(adding);
    return true;
  };
  // The queue's limit, as on Linux: once the queue is full, no read until the owner takes it.
  auto waitForRoom = [&] {
    std::lock_guard<std::mutex> linked(link.lock);
    if (link.lines == nullptr) return;
    std::unique_lock<std::mutex> lock(*link.queueLock);
    while (link.lines->textSize() >= ChildProcess::queueLimitBytes && !link.unlimited->load() &&
           !link.stopping.load()) {
      link.taken->wait_for(lock, std::chrono::milliseconds(50));
    }
  };
  bool emptyGiven = false;
  while (!link.stopping.load()) {
    DWORD size = 0;
    // The output ends with a failed read: a broken pipe once the last writer has gone, an
    // aborted one when teardown cancels it, or a real error. A successful read of no bytes is
    // a writer's zero-length write, and more may follow.
    if (!readPipe(link.pipe, buffer.data(), size, emptyGiven)) break;
    if (size == 0) continue;
    splitter.scan(buffer.data(), size);
    if (splitter.nothingFound()) {
      splitter.addTo(adding);  // only keeps the bytes as pending; no batch is touched
      continue;
    }
    if (!addLines([&](LineBatch& queue) { splitter.addTo(queue); })) break;
    waitForRoom();
  }
  addLines([&](LineBatch& queue) { splitter.finish(queue); });
  std::lock_guard<std::mutex> linked(link.lock);
  link.finished = true;
  if (link.done != nullptr) {
    link.done->exchange(true);
  } else {
    CloseHandle(link.pipe);  // the record let go of the reader and left the pipe to it
  }
  return 0;
}

}  // namespace

ChildProcess::~ChildProcess() {
  tearDown();
}

bool ChildProcess::start(const std::string& program, const std::vector<std::string>& arguments,
                         const std::string& workingFolder, bool capture, std::string& error) {
  tearDown();
  return capture ? startCaptured(program, arguments, workingFolder, error)
                 : startUncaptured(program, arguments, workingFolder, error);
}

bool ChildProcess::startCaptured(const std::string& program,
                                 const std::vector<std::string>& arguments,
                                 const std::string& workingFolder, std::string& error) {
  std::vector<wchar_t> commandLine = commandLineOf(program, arguments);
  bool folderUsable = true;
  const std::wstring folder = startFolder(workingFolder, folderUsable);
  if (!folderUsable) {
    error = longFolderError(workingFolder);
    return false;
  }

  SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  HANDLE readEnd = nullptr;
  HANDLE writeEnd = nullptr;
  if (!CreatePipe(&readEnd, &writeEnd, &inheritable, pipeBytes)) {
    error = systemErrorText(GetLastError());
    return false;
  }
  SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
  HANDLE nullDevice = CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  &inheritable, OPEN_EXISTING, 0, nullptr);

  // The job's only limit: closing its last handle (ours, never inherited) ends every process
  // in it, so the tree also ends when the launcher is killed.
  HANDLE job = CreateJobObjectW(nullptr, nullptr);
  if (job != nullptr) {
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof limits);
  }

  std::vector<HANDLE> inherited = {writeEnd};
  if (nullDevice != INVALID_HANDLE_VALUE) inherited.push_back(nullDevice);
  InheritedHandles handleList(inherited);

  STARTUPINFOEXW startup{};
  startup.StartupInfo.cb = sizeof startup;
  startup.StartupInfo.dwFlags = STARTF_USESTDHANDLES;
  startup.StartupInfo.hStdInput = nullDevice;
  startup.StartupInfo.hStdOutput = writeEnd;
  startup.StartupInfo.hStdError = writeEnd;
  DWORD flags = CREATE_NO_WINDOW | CREATE_UNICODE_ENVIRONMENT | CREATE_SUSPENDED;
  if (handleList.list() != nullptr) {
    startup.lpAttributeList = handleList.list();
    flags |= EXTENDED_STARTUPINFO_PRESENT;
  }
  PROCESS_INFORMATION created{};
  BOOL started =
      CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, flags, nullptr,
                     folder.empty() ? nullptr : folder.c_str(), &startup.StartupInfo, &created);
  DWORD startError = GetLastError();
  CloseHandle(writeEnd);
  if (nullDevice != INVALID_HANDLE_VALUE) CloseHandle(nullDevice);
  if (!started) {
    CloseHandle(readEnd);
    if (job != nullptr) CloseHandle(job);
    error = systemErrorText(startError);
    return false;
  }

  process_ = created.hProcess;
  processId_ = created.dwProcessId;
  pipeRead_ = readEnd;
  // Still suspended: everything it starts from now on is in the job too. A parent job may
  // forbid joining another (or an older Windows refuse a job inside a job): the job would then
  // hold nothing, so it is dropped and the tree is ended by walking the process list instead.
  const bool joined = job != nullptr && !process_faults::jobAssignmentFails() &&
                      AssignProcessToJobObject(job, created.hProcess);
  if (!joined && job != nullptr) CloseHandle(job);
  job_ = joined ? job : nullptr;
  treeWithoutJob_ = !joined;
  ResumeThread(created.hThread);
  CloseHandle(created.hThread);

  readerLink_ = std::make_shared<ReaderLink>();
  readerLink_->pipe = readEnd;
  readerLink_->queueLock = &queueLock_;
  readerLink_->lines = &lines_;
  readerLink_->done = &readerDone_;
  readerLink_->taken = &queueTaken_;
  readerLink_->unlimited = &queueUnlimited_;
  readerDone_ = false;
  queueUnlimited_ = false;
  auto* shared = new std::shared_ptr<ReaderLink>(readerLink_);
  HANDLE reader = CreateThread(nullptr, 0, readOutput, shared, 0, nullptr);
  if (reader == nullptr) {
    delete shared;
    readerDone_ = true;
    error = systemErrorText(GetLastError());
    tearDown();
    return false;
  }
  reader_ = reader;
  return true;
}

bool ChildProcess::startUncaptured(const std::string& program,
                                   const std::vector<std::string>& arguments,
                                   const std::string& workingFolder, std::string& error) {
  std::vector<wchar_t> commandLine = commandLineOf(program, arguments);
  bool folderUsable = true;
  const std::wstring folder = startFolder(workingFolder, folderUsable);
  if (!folderUsable) {
    error = longFolderError(workingFolder);
    return false;
  }
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  // No handle of the launcher's and no job: the game outlives the launcher and holds nothing
  // of it open. Detached and in a group of its own, like a session of its own on Linux: no
  // console of the launcher's (or of whoever started it) and none of its Ctrl+C.
  DWORD flags = CREATE_UNICODE_ENVIRONMENT | DETACHED_PROCESS | CREATE_NEW_PROCESS_GROUP;
  PROCESS_INFORMATION created{};
  if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, flags, nullptr,
                      folder.empty() ? nullptr : folder.c_str(), &startup, &created)) {
    error = systemErrorText(GetLastError());
    return false;
  }
  CloseHandle(created.hThread);
  process_ = created.hProcess;
  processId_ = created.dwProcessId;
  return true;
}

bool ChildProcess::running() {
  return process_ != nullptr && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT;
}

std::int32_t ChildProcess::exitCode() {
  if (process_ == nullptr || running()) return -1;
  DWORD code = 0;
  if (!GetExitCodeProcess(process_, &code) || code == STILL_ACTIVE) return -1;
  return static_cast<std::int32_t>(code);
}

void ChildProcess::kill() {
  // The job is ended even when its main process already has: descendants may remain. A
  // process that had already ended keeps its own exit code.
  if (job_ != nullptr) {
    TerminateJobObject(job_, 1);
  } else if (treeWithoutJob_) {
    endTree();
  } else if (running()) {
    TerminateProcess(process_, 1);
  }
}

void ChildProcess::endTree() {
  if (process_ != nullptr) endProcessTree(process_, processId_, 1);
}

void ChildProcess::waitReader(int milliseconds) {
  queueUnlimited_ = true;
  queueTaken_.notify_one();
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
  while (!readerDone_.load() && std::chrono::steady_clock::now() < deadline) {
    Sleep(10);
  }
}

void ChildProcess::askToClose() {
  // Only while the process runs, so that a reused identifier never gets the request.
  if (!running()) return;
  DWORD target = processId_;
  EnumWindows(
      [](HWND window, LPARAM wanted) -> BOOL {
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner == static_cast<DWORD>(wanted) && IsWindowVisible(window)) {
          PostMessageW(window, WM_CLOSE, 0, 0);
        }
        return TRUE;
      },
      static_cast<LPARAM>(target));
}

void ChildProcess::tearDown() {
  // Closing the job ends the whole tree (its only handle is ours); a tree without a job is
  // walked and ended.
  closeIfOpen(job_);
  if (treeWithoutJob_) endTree();
  treeWithoutJob_ = false;
  if (reader_ != nullptr) {
    // The lines still to come are dropped below, so the read is ended at once rather than
    // waited for: a writer outside the tree (a handle someone duplicated) may keep the pipe
    // open for ever. A cancel that lands between two reads is lost, so it is repeated until
    // the reader has ended, for a bounded time.
    readerLink_->stopping = true;
    queueUnlimited_ = true;
    queueTaken_.notify_one();
    auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(cancelMilliseconds);
    while (WaitForSingleObject(reader_, 0) == WAIT_TIMEOUT &&
           std::chrono::steady_clock::now() < deadline) {
      if (!process_faults::readCancelIgnored()) CancelSynchronousIo(reader_);
      WaitForSingleObject(reader_, 10);
    }
    // A read the system would not cancel: the reader is let go with the pipe, and closes it
    // when the read returns; the UI thread does not wait for it.
    std::lock_guard<std::mutex> linked(readerLink_->lock);
    if (!readerLink_->finished) {
      readerLink_->queueLock = nullptr;
      readerLink_->lines = nullptr;
      readerLink_->done = nullptr;
      readerLink_->taken = nullptr;
      readerLink_->unlimited = nullptr;
      pipeRead_ = nullptr;
    }
    closeIfOpen(reader_);
  }
  readerLink_.reset();
  closeIfOpen(pipeRead_);
  closeIfOpen(process_);
  processId_ = 0;
  readerDone_ = true;
  LineBatch dropped;
  std::lock_guard<std::mutex> lock(queueLock_);
  if (lines_.roomBytes() > keptQueueBytes) lines_.swap(dropped);
  lines_.clear();
}

}  // namespace scf
