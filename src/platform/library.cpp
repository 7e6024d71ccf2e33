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

bool MapImage(const std::string& name, ImageInfo* info) {
  std::string path = FindLibraryFile(name);
  if (path.empty()) return false;
  std::vector<unsigned char> bytes;
  if (!ReadLibraryFile(path, kMaxImageBytes, &bytes)) return false;
  ImageInfo image;
  std::string error;
  if (!ReadLibraryImage(bytes.data(), bytes.size(), &image, &error)) {
    RecordErrorText(path + ": " + error);
    return false;
  }
  std::string full;
  image.path = FullPathName(path, &full) ? full : path;
  *info = std::move(image);
  return true;
}

}  // namespace platform
