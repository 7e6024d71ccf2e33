#include "report/input_file.h"

#include <fstream>

#include "platform/files.h"

namespace report {

std::string InputError(const std::string& path, size_t line, const std::string& what) {
  if (line == 0) return path + ": " + what;
  return path + ", line " + std::to_string(line) + ": " + what;
}

std::string MessageText(std::string_view text, size_t most) {
  std::string out;
  for (size_t i = 0; i < text.size() && i < most; ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    out += c < 0x20 || c == 0x7f ? '?' : static_cast<char>(c);
  }
  return text.size() > most ? out + "..." : out;
}

bool ReadInputFile(const std::string& path, InputFile* file, std::string* error) {
  file->path = path;
  file->content.clear();
  if (!platform::FileExists(path)) {
    *error = InputError(path, 0,
                        platform::DirectoryExists(path) ? "is a folder, not a file"
                                                        : "no such file");
    return false;
  }
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    *error = InputError(path, 0, "cannot be opened");
    return false;
  }
  in.seekg(0, std::ios::end);
  const std::streamoff size = in.tellg();
  in.seekg(0, std::ios::beg);
  if (size < 0 || !in) {
    *error = InputError(path, 0, "cannot be read");
    return false;
  }
  if (static_cast<unsigned long long>(size) > kMaxInputBytes) {
    *error = InputError(path, 0, "is larger than " + std::to_string(kMaxInputBytes >> 20) +
                                     " MB, too large for a run's file");
    return false;
  }
  file->content.resize(static_cast<size_t>(size));
  if (size > 0 && !in.read(file->content.data(), size)) {
    *error = InputError(path, 0, "cannot be read");
    return false;
  }
  return true;
}

size_t FirstBinaryLine(const std::string& content, bool any_control) {
  // Lines are counted only once something is found.
  size_t at = 0;
  for (; at < content.size(); ++at) {
    const unsigned char c = static_cast<unsigned char>(content[at]);
    if (c == 0) break;
    if (any_control && (c < 0x20 || c == 0x7f) && c != '\n' && c != '\r' && c != '\t') break;
  }
  if (at == content.size()) return 0;
  size_t line = 1;
  for (size_t i = 0; i < at; ++i) line += content[i] == '\n';
  return line;
}

}  // namespace report
