#include "platform/shared_memory.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/error.h"

namespace platform {

namespace {

std::string ObjectName(const std::string& name) { return name.starts_with('/') ? name : "/" + name; }

// Maps fd whole into section; a size of 0 gives a valid section with no data,
// as mmap refuses empty mappings.
bool MapWhole(int fd, size_t size, SharedSection* section, std::string* error) {
  void* data = nullptr;
  if (size > 0) {
    data = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (data == MAP_FAILED) {
      SetErrno(error, errno);
      close(fd);
      return false;
    }
  }
  section->data = static_cast<unsigned char*>(data);
  section->size = size;
  // Shifted by one, so that descriptor 0 is not mistaken for no handle.
  section->handle = SectionHandle::FromNative(static_cast<uintptr_t>(fd) + 1);
  return true;
}

}  // namespace

bool OpenSharedSection(const std::string& name, SharedSection* section, std::string* error) {
  int fd = shm_open(ObjectName(name).c_str(), O_RDWR | O_CLOEXEC, 0);
  if (fd < 0) {
    SetErrno(error, errno);
    return false;
  }
  struct stat info;
  if (fstat(fd, &info) != 0 || info.st_size < 0) {
    SetErrno(error, errno);
    close(fd);
    return false;
  }
  return MapWhole(fd, static_cast<size_t>(info.st_size), section, error);
}

bool CreateSharedSection(const std::string& name, size_t size, SharedSection* section, std::string* error) {
  int fd = shm_open(ObjectName(name).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) {
    SetErrno(error, errno);
    return false;
  }
  // Truncating to 0 first drops an old section's content: the new one is zero-filled.
  if (ftruncate(fd, 0) != 0 || ftruncate(fd, static_cast<off_t>(size)) != 0) {
    SetErrno(error, errno);
    close(fd);
    return false;
  }
  return MapWhole(fd, size, section, error);
}

void CloseSharedSection(SharedSection* section) {
  if (section->data != nullptr) munmap(section->data, section->size);
  if (section->handle) close(static_cast<int>(section->handle.native() - 1));
  *section = SharedSection{};
}

bool RemoveSharedSection(const std::string& name, std::string* error) {
  if (shm_unlink(ObjectName(name).c_str()) != 0) {
    SetErrno(error, errno);
    return false;
  }
  return true;
}

}  // namespace platform
