#include "platform/files.h"

#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <pwd.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <string_view>
#include <vector>

#include "platform/error.h"
#include "platform/posix/read_fully.h"
#include "platform/stop_request.h"

#ifndef KORBINET_FILE_VERSION
#define KORBINET_FILE_VERSION "0.0.0.0"
#endif

namespace platform {

namespace {

constexpr size_t kMaxFullPath = 2047;

std::string CurrentDirectory(std::string* error) {
  std::vector<char> buffer(PATH_MAX);
  while (getcwd(buffer.data(), buffer.size()) == nullptr) {
    if (errno != ERANGE) {
      SetErrno(error, errno);
      return {};
    }
    buffer.resize(buffer.size() * 2);
  }
  return buffer.data();
}

// Joins and normalises without touching the file system, so that links stay
// as the user wrote them and the file need not exist yet.
std::string NormaliseLexically(const std::string& absolute) {
  std::vector<std::string_view> parts;
  std::string_view rest(absolute);
  while (!rest.empty()) {
    size_t slash = rest.find('/');
    std::string_view part = rest.substr(0, slash);
    rest = slash == std::string_view::npos ? std::string_view() : rest.substr(slash + 1);
    if (part.empty() || part == ".") continue;
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
      continue;
    }
    parts.push_back(part);
  }
  std::string result;
  for (std::string_view part : parts) {
    result += '/';
    result += part;
  }
  if (result.empty()) return "/";
  // A trailing separator names a folder; keep it as the Windows call does.
  if (absolute.back() == '/') result += '/';
  return result;
}

bool StatPath(const std::string& path, struct stat* info, std::string* error) {
  if (stat(path.c_str(), info) != 0) {
    SetErrno(error, errno);
    return false;
  }
  return true;
}

bool WriteAll(int fd, const std::string& content) {
  size_t done = 0;
  while (done < content.size()) {
    ssize_t n = write(fd, content.data() + done, content.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    done += static_cast<size_t>(n);
  }
  return true;
}

}  // namespace

bool FullPathName(const std::string& path, std::string* full, std::string* error) {
  if (path.empty()) {
    SetErrno(error, ENOENT);
    return false;
  }
  std::string absolute;
  if (path.front() == '/') {
    absolute = path;
  } else {
    std::string cwd = CurrentDirectory(error);
    if (cwd.empty()) return false;
    absolute = cwd + "/" + path;
  }
  std::string result = NormaliseLexically(absolute);
  if (result.size() > kMaxFullPath) {
    SetErrno(error, ENAMETOOLONG);
    return false;
  }
  *full = std::move(result);
  return true;
}

// The existence tests answer a question; they have no failure to give.
bool FileExists(const std::string& path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0 && !S_ISDIR(info.st_mode);
}

bool DirectoryExists(const std::string& path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::string ExecutablePath() {
  std::vector<char> buffer(PATH_MAX);
  for (;;) {
    ssize_t n = readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (n < 0) return {};
    if (static_cast<size_t>(n) < buffer.size()) return std::string(buffer.data(), static_cast<size_t>(n));
    buffer.resize(buffer.size() * 2);
  }
}

std::string ProgramFileVersion() { return KORBINET_FILE_VERSION; }

std::string FileVersionOfFile(const std::string& path) {
  char* real = realpath(path.c_str(), nullptr);
  if (real == nullptr) return {};
  std::string name(real);
  free(real);
  name = name.substr(name.rfind('/') + 1);

  // Walk back over ".<digits>" groups: libavisynth.so.3.7.5 -> 3, 7, 5.
  std::vector<std::string> numbers;
  size_t end = name.size();
  while (end > 0) {
    size_t dot = name.rfind('.', end - 1);
    if (dot == std::string::npos || dot + 1 == end) break;
    std::string_view group(name.data() + dot + 1, end - dot - 1);
    if (group.find_first_not_of("0123456789") != std::string_view::npos) break;
    numbers.insert(numbers.begin(), std::string(group));
    end = dot;
  }
  if (numbers.empty()) return {};
  numbers.resize(4, "0");
  std::string version;
  for (size_t i = 0; i < numbers.size(); ++i) {
    if (i) version += '.';
    // Leading zeros would make "3.07" differ from "3.7"; the numeric value counts.
    size_t first = numbers[i].find_first_not_of('0');
    version += first == std::string::npos ? "0" : numbers[i].substr(first);
  }
  return version;
}

bool ResolvedFileLocation(const std::string& path, std::string* location, std::string* error) {
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    SetErrno(error, errno);
    return false;
  }
  std::string link = "/proc/self/fd/" + std::to_string(fd);
  char* real = realpath(link.c_str(), nullptr);
  int saved = errno;
  close(fd);
  if (real == nullptr) {
    SetErrno(error, saved);
    return false;
  }
  *location = real;
  free(real);
  return true;
}

bool FileModificationTime(const std::string& path, LocalTime* time, std::string* error) {
  struct stat info;
  if (!StatPath(path, &info, error)) return false;
  struct tm local{};
  if (localtime_r(&info.st_mtime, &local) == nullptr) {
    SetErrno(error, errno ? errno : EOVERFLOW);
    return false;
  }
  time->year = static_cast<unsigned>(local.tm_year + 1900);
  time->month = static_cast<unsigned>(local.tm_mon + 1);
  time->day = static_cast<unsigned>(local.tm_mday);
  time->hour = static_cast<unsigned>(local.tm_hour);
  time->minute = static_cast<unsigned>(local.tm_min);
  time->second = static_cast<unsigned>(local.tm_sec);
  return true;
}

std::string HomeDirectory() {
  long hint = sysconf(_SC_GETPW_R_SIZE_MAX);
  std::vector<char> buffer(hint > 0 ? static_cast<size_t>(hint) : 4096);
  struct passwd entry;
  struct passwd* found = nullptr;
  for (;;) {
    int error = getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found);
    if (error == ERANGE) {
      buffer.resize(buffer.size() * 2);
      continue;
    }
    if (error != 0) return {};
    break;
  }
  if (found == nullptr || found->pw_dir == nullptr) return {};
  return found->pw_dir;
}

bool WriteFileReplacing(const std::string& target, const std::string& content, std::string* error) {
  // A request to stop waits until the file is whole and the temporary gone.
  StopDeferral whole_file;
  size_t slash = target.rfind('/');
  std::string folder = slash == std::string::npos ? "." : target.substr(0, slash + 1);
  std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
  std::string temp = folder + (slash == std::string::npos ? "/." : ".") + name + ".XXXXXX";

  // A read-only target must stay as it is, even though the folder would let
  // rename replace it.
  struct stat info;
  if (stat(target.c_str(), &info) == 0 && access(target.c_str(), W_OK) != 0) {
    SetErrno(error, errno);
    return false;
  }

  std::vector<char> pattern(temp.begin(), temp.end());
  pattern.push_back('\0');
  int fd = mkostemp(pattern.data(), O_CLOEXEC);
  if (fd < 0) {
    SetErrno(error, errno);
    return false;
  }
  whole_file.RemoveIfEndedAtOnce(pattern.data());
  bool ok = WriteAll(fd, content) && fsync(fd) == 0;
  int saved = errno;
  // mkostemp creates 0600; a settings or log file should get the usual mode.
  if (ok) {
    mode_t mask = umask(0);
    umask(mask);
    mode_t mode = (stat(target.c_str(), &info) == 0) ? (info.st_mode & 07777) : (0666 & ~mask);
    fchmod(fd, mode);
  }
  if (close(fd) != 0 && ok) {
    ok = false;
    saved = errno;
  }
  if (ok && rename(pattern.data(), target.c_str()) != 0) {
    ok = false;
    saved = errno;
  }
  if (!ok) {
    unlink(pattern.data());
    SetErrno(error, saved);
  }
  return ok;
}

bool ReadSmallFile(const std::string& path, size_t max_bytes, std::string* content, std::string* error) {
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    SetErrno(error, errno);
    return false;
  }
  std::string text(max_bytes, '\0');
  const ssize_t done = posix::ReadFully(fd, text.data(), max_bytes);
  if (done < 0) {
    SetErrno(error, errno);
    close(fd);
    return false;
  }
  close(fd);
  text.resize(static_cast<size_t>(done));
  *content = std::move(text);
  return true;
}

bool ListDirectory(const std::string& path, std::vector<std::string>* names, std::string* error) {
  DIR* dir = opendir(path.c_str());
  if (dir == nullptr) {
    SetErrno(error, errno);
    return false;
  }
  names->clear();
  while (dirent* entry = readdir(dir)) {
    const std::string_view name = entry->d_name;
    if (name != "." && name != "..") names->emplace_back(name);
  }
  closedir(dir);
  return true;
}

}  // namespace platform
