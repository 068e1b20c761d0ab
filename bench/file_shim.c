// A library the benchmarks load into the launcher with LD_PRELOAD, to watch and slow its file
// calls from outside and to time its main thread's work between waits.
//
//   SCF_SHIM_LOG=<file>    where the lines go (appended; nothing is recorded without it)
//   SCF_SHIM_SLOW_MS=<n>   each file-status, free-space and file-read call first sleeps n ms
//   SCF_SHIM_SLOW_UNDER=<folder>  only the calls on paths in this folder (the slow disk's)
//
// Lines, times in seconds of CLOCK_MONOTONIC:
//   file <time> <main 0|1> <call> <path>      a file-status, free-space or file-read call
//   write <time> <main 0|1> <path>            a file opened for writing
//   span <start> <milliseconds> <file calls>  the main thread's work between two waits (a wait
//                                             being a sleep, or a poll with a time limit); only
//                                             spans of 0.5 ms or more
//   wait <start> <end>                        one such wait of the main thread, 0.1 ms or more
// The library unsets LD_PRELOAD when loaded, so the programs the launcher starts run without it.
#define _GNU_SOURCE
#include <dirent.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <poll.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/select.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/statvfs.h>
#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>

static int logFd = -1;
static long slowNs = 0;
static const char* slowUnder = NULL;
static size_t slowUnderLength = 0;
static pid_t mainPid = 0;
static double spanStart = 0;     // when the main thread's last wait ended
static double waitStart = 0;     // when its current wait began
static int spanFileCalls = 0;    // file calls the main thread made since then
static __thread int inside = 0;  // a wrapped call made from inside another

static double now(void) {
  struct timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return (double)t.tv_sec + (double)t.tv_nsec * 1e-9;
}

static int onMainThread(void) {
  return mainPid != 0 && (pid_t)syscall(SYS_gettid) == mainPid;
}

static void record(const char* format, ...) {
  if (logFd < 0) return;
  char line[1200];
  va_list args;
  va_start(args, format);
  int size = vsnprintf(line, sizeof line - 1, format, args);
  va_end(args);
  if (size < 0) return;
  if (size > (int)sizeof line - 2) size = (int)sizeof line - 2;
  line[size++] = '\n';
  // One write per line, appended: lines of several threads do not mix.
  ssize_t ignored = write(logFd, line, (size_t)size);
  (void)ignored;
}

__attribute__((constructor)) static void startShim(void) {
  mainPid = getpid();
  const char* path = getenv("SCF_SHIM_LOG");
  if (path && *path) {
    logFd =
        (int)syscall(SYS_openat, AT_FDCWD, path, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
  }
  const char* slow = getenv("SCF_SHIM_SLOW_MS");
  if (slow) slowNs = atol(slow) * 1000000L;
  slowUnder = getenv("SCF_SHIM_SLOW_UNDER");
  if (slowUnder && *slowUnder) slowUnderLength = strlen(slowUnder);
  spanStart = now();
  unsetenv("LD_PRELOAD");
}

static int onSlowDisk(const char* path) {
  if (!path || slowUnderLength == 0) return 0;
  return strncmp(path, slowUnder, slowUnderLength) == 0 &&
         (path[slowUnderLength] == '/' || path[slowUnderLength] == '\0');
}

// Notes a file call and makes it slow; false for a call made from inside another wrapped one.
static int fileCall(const char* call, const char* path) {
  if (inside) return 0;
  const int main = onMainThread();
  if (main) ++spanFileCalls;
  record("file %.6f %d %s %s", now(), main, call, path ? path : "(null)");
  if (slowNs > 0 && onSlowDisk(path)) {
    struct timespec delay = {slowNs / 1000000000L, slowNs % 1000000000L};
    // Straight to the kernel: this sleep is the disk's, not a wait of the frame loop.
    while (syscall(SYS_nanosleep, &delay, &delay) != 0) {
    }
  }
  return 1;
}

static void writeOpen(const char* path) {
  if (inside) return;
  record("write %.6f %d %s", now(), onMainThread(), path ? path : "(null)");
}

static void* next(const char* name) {
  return dlsym(RTLD_NEXT, name);
}

// The main thread's waits bound its spans of work.
static void waitBegins(void) {
  if (!onMainThread()) return;
  const double t = now();
  const double ms = (t - spanStart) * 1000.0;
  if (ms >= 0.5) record("span %.6f %.3f %d", spanStart, ms, spanFileCalls);
  waitStart = t;
}

static void waitEnds(void) {
  if (!onMainThread()) return;
  spanStart = now();
  if (spanStart - waitStart >= 0.0001) record("wait %.6f %.6f", waitStart, spanStart);
  spanFileCalls = 0;
}

#define WRAP_BEGIN ++inside
#define WRAP_END --inside

// ---- file status ----

#define STATUS_CALL(name, ...)     \
  static int (*real)(__VA_ARGS__); \
  if (!real) real = (int (*)(__VA_ARGS__))next(name);

int stat(const char* path, struct stat* buf) {
  STATUS_CALL("stat", const char*, struct stat*)
  fileCall("stat", path);
  WRAP_BEGIN;
  int result = real(path, buf);
  WRAP_END;
  return result;
}

int lstat(const char* path, struct stat* buf) {
  STATUS_CALL("lstat", const char*, struct stat*)
  fileCall("lstat", path);
  WRAP_BEGIN;
  int result = real(path, buf);
  WRAP_END;
  return result;
}

int stat64(const char* path, struct stat64* buf) {
  STATUS_CALL("stat64", const char*, struct stat64*)
  fileCall("stat", path);
  WRAP_BEGIN;
  int result = real(path, buf);
  WRAP_END;
  return result;
}

int lstat64(const char* path, struct stat64* buf) {
  STATUS_CALL("lstat64", const char*, struct stat64*)
  fileCall("lstat", path);
  WRAP_BEGIN;
  int result = real(path, buf);
  WRAP_END;
  return result;
}

int fstatat(int dir, const char* path, struct stat* buf, int flags) {
  STATUS_CALL("fstatat", int, const char*, struct stat*, int)
  // An empty path with AT_EMPTY_PATH asks about the open file itself.
  if (path && *path) fileCall("fstatat", path);
  WRAP_BEGIN;
  int result = real(dir, path, buf, flags);
  WRAP_END;
  return result;
}

int fstatat64(int dir, const char* path, struct stat64* buf, int flags) {
  STATUS_CALL("fstatat64", int, const char*, struct stat64*, int)
  if (path && *path) fileCall("fstatat", path);
  WRAP_BEGIN;
  int result = real(dir, path, buf, flags);
  WRAP_END;
  return result;
}

int statx(int dir, const char* path, int flags, unsigned mask, struct statx* buf) {
  STATUS_CALL("statx", int, const char*, int, unsigned, struct statx*)
  if (path && *path) fileCall("statx", path);
  WRAP_BEGIN;
  int result = real(dir, path, flags, mask, buf);
  WRAP_END;
  return result;
}

int access(const char* path, int mode) {
  STATUS_CALL("access", const char*, int)
  fileCall("access", path);
  WRAP_BEGIN;
  int result = real(path, mode);
  WRAP_END;
  return result;
}

int faccessat(int dir, const char* path, int mode, int flags) {
  STATUS_CALL("faccessat", int, const char*, int, int)
  fileCall("faccessat", path);
  WRAP_BEGIN;
  int result = real(dir, path, mode, flags);
  WRAP_END;
  return result;
}

ssize_t readlink(const char* path, char* buf, size_t size) {
  static ssize_t (*real)(const char*, char*, size_t);
  if (!real) real = (ssize_t(*)(const char*, char*, size_t))next("readlink");
  fileCall("readlink", path);
  WRAP_BEGIN;
  ssize_t result = real(path, buf, size);
  WRAP_END;
  return result;
}

char* realpath(const char* path, char* resolved) {
  static char* (*real)(const char*, char*);
  if (!real) real = (char* (*)(const char*, char*))next("realpath");
  fileCall("realpath", path);
  WRAP_BEGIN;
  char* result = real(path, resolved);
  WRAP_END;
  return result;
}

// ---- free space ----

int statvfs(const char* path, struct statvfs* buf) {
  STATUS_CALL("statvfs", const char*, struct statvfs*)
  fileCall("statvfs", path);
  WRAP_BEGIN;
  int result = real(path, buf);
  WRAP_END;
  return result;
}

int statvfs64(const char* path, struct statvfs64* buf) {
  STATUS_CALL("statvfs64", const char*, struct statvfs64*)
  fileCall("statvfs", path);
  WRAP_BEGIN;
  int result = real(path, buf);
  WRAP_END;
  return result;
}

int statfs(const char* path, struct statfs* buf) {
  STATUS_CALL("statfs", const char*, struct statfs*)
  fileCall("statfs", path);
  WRAP_BEGIN;
  int result = real(path, buf);
  WRAP_END;
  return result;
}

int statfs64(const char* path, struct statfs64* buf) {
  STATUS_CALL("statfs64", const char*, struct statfs64*)
  fileCall("statfs", path);
  WRAP_BEGIN;
  int result = real(path, buf);
  WRAP_END;
  return result;
}

// ---- file reads (opening to read; a folder listed) ----

static int forWriting(int flags) {
  return (flags & O_ACCMODE) != O_RDONLY || (flags & (O_CREAT | O_TRUNC)) != 0;
}

static int openCall(const char* call, const char* path, int flags) {
  if (forWriting(flags)) {
    writeOpen(path);
    return 0;
  }
  return fileCall(call, path);
}

#define OPEN_MODE(flags)                   \
  mode_t mode = 0;                         \
  if ((flags) & (O_CREAT | __O_TMPFILE)) { \
    va_list args;                          \
    va_start(args, flags);                 \
    mode = va_arg(args, mode_t);           \
    va_end(args);                          \
  }

int open(const char* path, int flags, ...) {
  static int (*real)(const char*, int, ...);
  if (!real) real = (int (*)(const char*, int, ...))next("open");
  OPEN_MODE(flags)
  openCall("open", path, flags);
  WRAP_BEGIN;
  int result = real(path, flags, mode);
  WRAP_END;
  return result;
}

int open64(const char* path, int flags, ...) {
  static int (*real)(const char*, int, ...);
  if (!real) real = (int (*)(const char*, int, ...))next("open64");
  OPEN_MODE(flags)
  openCall("open", path, flags);
  WRAP_BEGIN;
  int result = real(path, flags, mode);
  WRAP_END;
  return result;
}

int openat(int dir, const char* path, int flags, ...) {
  static int (*real)(int, const char*, int, ...);
  if (!real) real = (int (*)(int, const char*, int, ...))next("openat");
  OPEN_MODE(flags)
  openCall("openat", path, flags);
  WRAP_BEGIN;
  int result = real(dir, path, flags, mode);
  WRAP_END;
  return result;
}

int openat64(int dir, const char* path, int flags, ...) {
  static int (*real)(int, const char*, int, ...);
  if (!real) real = (int (*)(int, const char*, int, ...))next("openat64");
  OPEN_MODE(flags)
  openCall("openat", path, flags);
  WRAP_BEGIN;
  int result = real(dir, path, flags, mode);
  WRAP_END;
  return result;
}

static void fopenCall(const char* path, const char* mode) {
  if (mode && (strchr(mode, 'w') || strchr(mode, 'a') || strchr(mode, '+'))) {
    writeOpen(path);
  } else {
    fileCall("fopen", path);
  }
}

FILE* fopen(const char* path, const char* mode) {
  static FILE* (*real)(const char*, const char*);
  if (!real) real = (FILE * (*)(const char*, const char*)) next("fopen");
  fopenCall(path, mode);
  WRAP_BEGIN;
  FILE* result = real(path, mode);
  WRAP_END;
  return result;
}

FILE* fopen64(const char* path, const char* mode) {
  static FILE* (*real)(const char*, const char*);
  if (!real) real = (FILE * (*)(const char*, const char*)) next("fopen64");
  fopenCall(path, mode);
  WRAP_BEGIN;
  FILE* result = real(path, mode);
  WRAP_END;
  return result;
}

DIR* opendir(const char* path) {
  static DIR* (*real)(const char*);
  if (!real) real = (DIR * (*)(const char*)) next("opendir");
  fileCall("opendir", path);
  WRAP_BEGIN;
  DIR* result = real(path);
  WRAP_END;
  return result;
}

// ---- the main thread's waits ----

int nanosleep(const struct timespec* request, struct timespec* remain) {
  static int (*real)(const struct timespec*, struct timespec*);
  if (!real) real = (int (*)(const struct timespec*, struct timespec*))next("nanosleep");
  waitBegins();
  int result = real(request, remain);
  waitEnds();
  return result;
}

int clock_nanosleep(clockid_t clock, int flags, const struct timespec* request,
                    struct timespec* remain) {
  static int (*real)(clockid_t, int, const struct timespec*, struct timespec*);
  if (!real)
    real =
        (int (*)(clockid_t, int, const struct timespec*, struct timespec*))next("clock_nanosleep");
  waitBegins();
  int result = real(clock, flags, request, remain);
  waitEnds();
  return result;
}

int poll(struct pollfd* fds, nfds_t count, int timeout) {
  static int (*real)(struct pollfd*, nfds_t, int);
  if (!real) real = (int (*)(struct pollfd*, nfds_t, int))next("poll");
  // A poll without a time limit waits for the display server's answer: that is frame work.
  const int wait = timeout > 0;
  if (wait) waitBegins();
  int result = real(fds, count, timeout);
  if (wait) waitEnds();
  return result;
}

int ppoll(struct pollfd* fds, nfds_t count, const struct timespec* timeout, const sigset_t* mask) {
  static int (*real)(struct pollfd*, nfds_t, const struct timespec*, const sigset_t*);
  if (!real)
    real = (int (*)(struct pollfd*, nfds_t, const struct timespec*, const sigset_t*))next("ppoll");
  const int wait = timeout && (timeout->tv_sec > 0 || timeout->tv_nsec > 0);
  if (wait) waitBegins();
  int result = real(fds, count, timeout, mask);
  if (wait) waitEnds();
  return result;
}

int select(int count, fd_set* readable, fd_set* writable, fd_set* failed, struct timeval* timeout) {
  static int (*real)(int, fd_set*, fd_set*, fd_set*, struct timeval*);
  if (!real) real = (int (*)(int, fd_set*, fd_set*, fd_set*, struct timeval*))next("select");
  const int wait = timeout && (timeout->tv_sec > 0 || timeout->tv_usec > 0);
  if (wait) waitBegins();
  int result = real(count, readable, writable, failed, timeout);
  if (wait) waitEnds();
  return result;
}
