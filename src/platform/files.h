// Paths, file tests, versions and time stamps. A failure's reason goes to
// *error (see platform/error.h; null when not wanted).
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace platform {

// Absolute form of a path relative to the current directory, with "." and
// ".." resolved lexically and symbolic links kept; the file need not exist.
// False when it cannot be made or is longer than 2047 characters.
bool FullPathName(const std::string& path, std::string* full, std::string* error);

// The path names an existing file that is not a directory.
bool FileExists(const std::string& path);
bool DirectoryExists(const std::string& path);

// Full path of the running executable; empty when unknown (no reason given).
std::string ExecutablePath();

// "a.b.c.d" version of the running program, as the build gives it (on
// Windows, its version resource).
std::string ProgramFileVersion();

// "a.b.c.d" from the numeric suffix of the real file name behind path
// (symbolic links followed): libavisynth.so.3.7.5 gives "3.7.5.0"; on Windows
// from the file's version resource. Empty when the file does not exist or
// has no such version, with no reason given.
std::string FileVersionOfFile(const std::string& path);

// The version the program shows: of the file at path, or of the running
// program when path is empty; "0.0.0.0" when none is known.
inline std::string FileVersionText(const std::string& path) {
  std::string version = path.empty() ? ProgramFileVersion() : FileVersionOfFile(path);
  return version.empty() ? std::string("0.0.0.0") : version;
}

// The running program's version as its texts and files show it: "a.b.c".
inline std::string ProgramVersion() { return FileVersionText("").substr(0, 5); }

// What each program answers to --version: "<name> a.b.c (x64)" and a line end.
inline std::string ProgramVersionLine(const std::string& name) {
  return name + " " + ProgramVersion() + " (x64)\n";
}

// Canonical location of an existing file (links resolved); false when it
// cannot be opened or resolved.
bool ResolvedFileLocation(const std::string& path, std::string* location, std::string* error);

struct LocalTime {
  unsigned year, month, day, hour, minute, second;
};
// Last-write time of a file in local time; false on failure.
bool FileModificationTime(const std::string& path, LocalTime* time, std::string* error);

// Home directory of the user running the program (from the user database);
// empty when unknown.
std::string HomeDirectory();

// Replaces target with the content written to a temporary file beside it, so
// that a failure never leaves the old file half overwritten. False when the
// target cannot be created or replaced.
bool WriteFileReplacing(const std::string& target, const std::string& content, std::string* error);

// At most max_bytes of a file, read in one go (a sysfs attribute is produced
// whole by its first read). False when it cannot be read.
bool ReadSmallFile(const std::string& path, size_t max_bytes, std::string* content, std::string* error);

// Names of the entries of a folder, without "." and "..", in the order the
// system gives them. False when it cannot be listed.
bool ListDirectory(const std::string& path, std::vector<std::string>* names, std::string* error);

}  // namespace platform
