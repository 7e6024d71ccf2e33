#include "platform/library.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <vector>

#include "platform/error.h"
#include "platform/files.h"
#include "platform/library_image.h"
#include "platform/posix/elf_reader.h"
#include "platform/posix/read_fully.h"

namespace platform {

namespace {

std::string ExecutableDirectory() {
  std::string exe = ExecutablePath();
  size_t slash = exe.rfind('/');
  return slash == std::string::npos ? std::string() : exe.substr(0, slash + 1);
}

std::string FileNameFor(const std::string& name) { return "lib" + name + ".so"; }

bool IsRegularFile(const std::string& path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

void* NativeOf(LibraryHandle library) { return reinterpret_cast<void*>(library.native()); }

void SetLoaderError(std::string* error) {
  const char* text = dlerror();
  SetError(error, text ? text : "dynamic loader error");
}

}  // namespace

LibraryHandle OpenLibrary(const std::string& name, std::string* error) {
  dlerror();
  std::string path = FileNameFor(name);
  if (name.find('/') != std::string::npos) {
    path = name;
  } else {
    // As Windows does for a DLL, the executable's own directory comes first.
    // A file found there is the one meant, even when it fails to load;
    // falling back would load a different library than the probe reads.
    std::string beside = ExecutableDirectory() + FileNameFor(name);
    if (IsRegularFile(beside)) path = beside;
  }
  void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) SetLoaderError(error);
  return LibraryHandle::FromNative(reinterpret_cast<uintptr_t>(handle));
}

LibraryHandle OpenSystemLibrary(const std::string& file_name, std::string* error) {
  dlerror();
  void* handle = dlopen(file_name.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) SetLoaderError(error);
  return LibraryHandle::FromNative(reinterpret_cast<uintptr_t>(handle));
}

SymbolAddress FindSymbol(LibraryHandle library, const char* symbol, std::string* error) {
  if (!library) {
    SetErrno(error, EINVAL);
    return nullptr;
  }
  dlerror();
  void* address = dlsym(NativeOf(library), symbol);
  if (address == nullptr) SetLoaderError(error);
  return reinterpret_cast<SymbolAddress>(address);
}

bool CloseLibrary(LibraryHandle library, std::string* error) {
  if (!library) {
    SetErrno(error, EINVAL);
    return false;
  }
  if (dlclose(NativeOf(library)) != 0) {
    SetLoaderError(error);
    return false;
  }
  return true;
}

// The loader's own search, approximated for reading the file: the loader
// cache cannot be read portably, so its usual directories stand in for it.
std::string FindLibraryFile(const std::string& name, std::string* error) {
  if (name.find('/') != std::string::npos) return name;
  std::string file = FileNameFor(name);
  std::vector<std::string> folders;
  std::string beside = ExecutableDirectory();
  if (!beside.empty()) folders.push_back(beside);
  if (const char* paths = std::getenv("LD_LIBRARY_PATH")) {
    std::string rest = paths;
    size_t start = 0;
    while (start <= rest.size()) {
      size_t colon = rest.find(':', start);
      std::string folder = rest.substr(start, colon == std::string::npos ? std::string::npos : colon - start);
      if (!folder.empty()) folders.push_back(folder + "/");
      if (colon == std::string::npos) break;
      start = colon + 1;
    }
  }
  for (const char* folder : {"/lib/x86_64-linux-gnu/", "/usr/lib/x86_64-linux-gnu/", "/usr/local/lib/", "/lib/",
                             "/usr/lib/", "/lib64/", "/usr/lib64/"})
    folders.push_back(folder);
  for (const std::string& folder : folders)
    if (IsRegularFile(folder + file)) return folder + file;
  SetError(error, file + ": cannot open shared object file: No such file or directory");
  return {};
}

bool ReadLibraryFile(const std::string& path, size_t max_bytes, std::vector<unsigned char>* bytes,
                     std::string* error) {
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    SetErrno(error, errno);
    return false;
  }
  struct stat info;
  if (fstat(fd, &info) != 0) {
    SetErrno(error, errno);
    close(fd);
    return false;
  }
  if (!S_ISREG(info.st_mode) || static_cast<uintmax_t>(info.st_size) > max_bytes) {
    SetErrno(error, S_ISREG(info.st_mode) ? EFBIG : EINVAL);
    close(fd);
    return false;
  }
  bytes->resize(static_cast<size_t>(info.st_size));
  const ssize_t done = posix::ReadFully(fd, bytes->data(), bytes->size());
  if (done < 0) {
    SetErrno(error, errno);
    close(fd);
    return false;
  }
  bytes->resize(static_cast<size_t>(done));
  close(fd);
  return true;
}

bool ReadLibraryImage(const unsigned char* data, size_t size, ImageInfo* info, std::string* error) {
  posix::ElfImage image;
  if (!posix::ReadElfImage(data, size, &image, error)) return false;
  info->is_64bit = image.is_64bit;
  info->linker_major = image.linker_major;
  info->linker_minor = image.linker_minor;
  info->has_avs_linkage = std::ranges::any_of(image.dynamic_symbols, IsAvsLinkageName);
  return true;
}

}  // namespace platform
