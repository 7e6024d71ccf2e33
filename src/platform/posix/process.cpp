#include "platform/process.h"

#include <dirent.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstring>
#include <fstream>
#include <sstream>

#include "platform/error.h"

namespace platform {

namespace {

constexpr uint64_t kHundredNsPerSecond = 10000000;

bool ReadWholeFile(const std::string& path, std::string* text, std::string* error) {
  std::ifstream in(path);
  if (!in) {
    SetErrno(error, errno ? errno : ENOENT);
    return false;
  }
  std::ostringstream buffer;
  buffer << in.rdbuf();
  *text = buffer.str();
  return true;
}

// The number after "<key>:" in a /proc status file, in kB.
bool StatusValue(const std::string& status, const std::string& key, uint64_t* value) {
  size_t at = status.find("\n" + key + ":");
  if (at == std::string::npos) return false;
  std::istringstream line(status.substr(at + key.size() + 2));
  return static_cast<bool>(line >> *value);
}

bool IsAllDigits(const char* text) {
  if (*text == '\0') return false;
  for (; *text; ++text)
    if (*text < '0' || *text > '9') return false;
  return true;
}

}  // namespace

LockResult TakeNamedLock(const std::string& name, std::string* error) {
  // An abstract socket name belongs to the binding process until it ends,
  // crash included, and leaves nothing behind in the file system.
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  size_t length = std::min(name.size(), sizeof address.sun_path - 1);
  std::memcpy(address.sun_path + 1, name.data(), length);
  int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) {
    SetErrno(error, errno);
    return LockResult::kFailed;
  }
  socklen_t size = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + length);
  if (bind(fd, reinterpret_cast<sockaddr*>(&address), size) != 0) {
    const int error_number = errno;
    close(fd);
    SetErrno(error, error_number);
    return error_number == EADDRINUSE ? LockResult::kAlreadyHeld : LockResult::kFailed;
  }
  // The descriptor stays open on purpose: closing it would release the lock.
  return LockResult::kAcquired;
}

void SetProcessPriority(Priority priority) {
  int nice_value = priority == Priority::kIdle ? 19 : priority == Priority::kHigh ? -10 : 0;
  // Raising priority needs privileges; without them the run goes on as it is.
  setpriority(PRIO_PROCESS, 0, nice_value);
}

bool ReadSystemTimes(SystemTimes* times, std::string* error) {
  std::string text;
  if (!ReadWholeFile("/proc/stat", &text, error)) return false;
  std::istringstream line(text.substr(0, text.find('\n')));
  std::string label;
  uint64_t user = 0, nice = 0, system = 0, idle = 0, iowait = 0, irq = 0, softirq = 0, steal = 0;
  line >> label >> user >> nice >> system >> idle >> iowait >> irq >> softirq >> steal;
  if (label != "cpu" || line.fail()) {
    SetError(error, "unexpected /proc/stat format");
    return false;
  }
  long ticks = sysconf(_SC_CLK_TCK);
  uint64_t scale = ticks > 0 ? kHundredNsPerSecond / static_cast<uint64_t>(ticks) : 100000;
  times->idle = idle * scale;
  times->kernel = (system + idle + iowait + irq + softirq + steal) * scale;
  times->user = (user + nice) * scale;
  return true;
}

bool ReadProcessTimes(ProcessTimes* times, std::string* error) {
  rusage usage{};
  if (getrusage(RUSAGE_SELF, &usage) != 0) {
    SetErrno(error, errno);
    return false;
  }
  auto to_100ns = [](const timeval& t) {
    return static_cast<uint64_t>(t.tv_sec) * kHundredNsPerSecond + static_cast<uint64_t>(t.tv_usec) * 10;
  };
  times->kernel = to_100ns(usage.ru_stime);
  times->user = to_100ns(usage.ru_utime);
  return true;
}

bool ReadMemoryUse(MemoryCounters* counters, std::string* error) {
  std::string status;
  if (!ReadWholeFile("/proc/self/status", &status, error)) return false;
  uint64_t rss_kb = 0, data_kb = 0;
  if (!StatusValue(status, "VmRSS", &rss_kb) || !StatusValue(status, "VmData", &data_kb)) {
    SetError(error, "unexpected /proc/self/status format");
    return false;
  }
  counters->working_set = rss_kb * 1024;
  counters->pagefile_usage = data_kb * 1024;
  return true;
}

int CountOwnThreads() {
  DIR* tasks = opendir("/proc/self/task");
  if (tasks == nullptr) return 0;
  int count = 0;
  while (dirent* entry = readdir(tasks))
    if (IsAllDigits(entry->d_name)) ++count;
  closedir(tasks);
  return count;
}

std::vector<std::string> RunningProcessNames() {
  std::vector<std::string> names;
  DIR* proc = opendir("/proc");
  if (proc == nullptr) return names;
  while (dirent* entry = readdir(proc)) {
    if (!IsAllDigits(entry->d_name)) continue;
    std::string comm;
    // A process may end between the listing and the read; it is skipped.
    if (!ReadWholeFile(std::string("/proc/") + entry->d_name + "/comm", &comm, nullptr)) continue;
    if (!comm.empty() && comm.back() == '\n') comm.pop_back();
    names.push_back(comm);
  }
  closedir(proc);
  return names;
}

void SetOwnProcessName(const std::string& name) {
  // The kernel keeps 15 bytes and the terminating zero.
  char buffer[16] = {};
  std::memcpy(buffer, name.data(), std::min(name.size(), sizeof buffer - 1));
  prctl(PR_SET_NAME, buffer, 0, 0, 0);
}

}  // namespace platform
