#include "platform/stop_request.h"

#include <limits.h>
#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/console.h"

namespace platform {

namespace {

// Program-wide because the signal handler must reach them, on whichever
// thread the kernel picks (the library's workers included); lock-free
// atomics, so reading and changing them is safe inside the handler.
std::atomic<int> deferral_depth{0};
std::atomic<int> kept_signal{0};
std::atomic<const char*> notice_text{nullptr};
std::atomic<int> notice_fd{-1};
std::atomic<int> notice_rows_up{0};
char abandoned_file[PATH_MAX];
std::atomic<bool> has_abandoned_file{false};
static_assert(std::atomic<int>::is_always_lock_free && std::atomic<const char*>::is_always_lock_free);

constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP};

// Dies by the signal itself, so that a calling shell sees it (and a script
// run by it stops too), not an ordinary exit that it would carry on after.
[[noreturn]] void EndBySignal(int signal_number) {
  if (has_abandoned_file.load()) unlink(abandoned_file);
  RestoreTerminal();
  struct sigaction action{};
  action.sa_handler = SIG_DFL;
  sigemptyset(&action.sa_mask);
  sigaction(signal_number, &action, nullptr);
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, signal_number);
  pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
  raise(signal_number);
  _exit(128 + signal_number);
}

// Builds the text in a local buffer (no allocation in a handler) and writes
// it in one call, so that it lands whole between the page's own writes.
void WriteNotice() {
  const char* text = notice_text.load();
  const int fd = notice_fd.load();
  if (text == nullptr || fd < 0) return;
  char buffer[512];
  size_t size = 0;
  auto put = [&](const char* piece) {
    while (*piece != '\0' && size < sizeof buffer) buffer[size++] = *piece++;
  };
  char rows[12] = {};
  int rows_up = notice_rows_up.load();
  if (rows_up > 0) {
    char reversed[12];
    int count = 0;
    for (; rows_up > 0 && count < 11; rows_up /= 10) reversed[count++] = static_cast<char>('0' + rows_up % 10);
    for (int i = 0; i < count; ++i) rows[i] = reversed[count - 1 - i];
    put("\x1b[");
    put(rows);
    put("A");
  }
  put("\r");
  put(text);
  put("\x1b[K");
  if (rows[0] != '\0') {
    put("\x1b[");
    put(rows);
    put("B");
  }
  put("\r");
  for (size_t done = 0; done < size;) {
    const ssize_t n = write(fd, buffer + done, size - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    done += static_cast<size_t>(n);
  }
}

void OnStopSignal(int signal_number) {
  const int saved_errno = errno;
  int none = 0;
  if (deferral_depth.load() > 0 && kept_signal.compare_exchange_strong(none, signal_number)) {
    WriteNotice();
    errno = saved_errno;
    // The last deferral may have ended between the two reads, having found
    // nothing kept: the request is then this handler's to carry out.
    if (deferral_depth.load() > 0) return;
  }
  EndBySignal(signal_number);
}

}  // namespace

void InstallStopHandlers() {
  // The handlers are the process's, installed once for it.
  static bool installed = false;
  if (installed) return;
  installed = true;
  for (int signal_number : kStopSignals) {
    struct sigaction previous;
    if (sigaction(signal_number, nullptr, &previous) != 0) continue;
    if (previous.sa_handler == SIG_IGN) continue;
    struct sigaction action{};
    action.sa_handler = OnStopSignal;
    // One request at a time on a thread; the main thread's waits and writes
    // go on after a request that is only kept.
    sigemptyset(&action.sa_mask);
    for (int other : kStopSignals) sigaddset(&action.sa_mask, other);
    action.sa_flags = SA_RESTART;
    sigaction(signal_number, &action, nullptr);
  }
}

StopDeferral::StopDeferral() { deferral_depth.fetch_add(1); }

StopDeferral::~StopDeferral() {
  if (removes_file_) has_abandoned_file.store(false);
  if (deferral_depth.fetch_sub(1) != 1) return;
  const int kept = kept_signal.load();
  if (kept == 0) return;
  std::fflush(nullptr);
  EndBySignal(kept);
}

void StopDeferral::RemoveIfEndedAtOnce(const char* path) {
  if (std::strlen(path) >= sizeof abandoned_file) return;
  // Filled before it is published: the handler reads it only after the flag.
  has_abandoned_file.store(false);
  std::strcpy(abandoned_file, path);
  has_abandoned_file.store(true);
  removes_file_ = true;
}

bool StopRequestKept() { return kept_signal.load() != 0; }

StopNotice::StopNotice(const char* text, bool to_stdout) {
  const int fd = to_stdout ? STDOUT_FILENO : STDERR_FILENO;
  // Cursor movement needs the terminal on standard output, as the page's.
  if (!StdoutIsTerminal() || isatty(fd) != 1) return;
  notice_rows_up.store(0);
  notice_fd.store(fd);
  notice_text.store(text);
}

StopNotice::~StopNotice() { notice_text.store(nullptr); }

void StopNotice::PlaceAbove(int rows_up) { notice_rows_up.store(rows_up); }

}  // namespace platform
