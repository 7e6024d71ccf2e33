#include "platform/library.h"

#include "platform/error.h"
#include "platform/files.h"
#include "platform/library_image.h"

namespace platform {

namespace {
// Larger files are not libraries the probe can mean; refusing them keeps a
// wrong path from filling memory.
constexpr size_t kMaxImageBytes = size_t{1} << 30;
}  // namespace

bool MapImage(const std::string& name, ImageInfo* info, std::string* error) {
  std::string path = FindLibraryFile(name, error);
  if (path.empty()) return false;
  std::vector<unsigned char> bytes;
  if (!ReadLibraryFile(path, kMaxImageBytes, &bytes, error)) return false;
  ImageInfo image;
  std::string reason;
  if (!ReadLibraryImage(bytes.data(), bytes.size(), &image, &reason)) {
    SetError(error, path + ": " + reason);
    return false;
  }
  std::string full;
  image.path = FullPathName(path, &full, nullptr) ? full : path;
  *info = std::move(image);
  return true;
}

}  // namespace platform
