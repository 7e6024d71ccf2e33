// What the log and CSV writers share: where the files go and how a failure
// to write them reads.
#pragma once

#include <cstdint>
#include <string>

namespace records {

// What the log and CSV take from the settings and the GPU monitor.
struct RecordOptions {
  bool monitor_gpu = false;
  bool video_engine_available = false;
};

// The script path without its last 4 characters (".avs"), then extension;
// a path of 4 characters or fewer just gets the extension.
std::string PathBesideScript(const std::string& script_path, const std::string& extension);

// "\nCannot create \"<path>\"\n". Built without a format buffer, so a long
// path can never shorten it to an empty text that reads as success.
std::string CannotCreateMessage(const std::string& path);
std::string CannotOpenMessage(const std::string& path);

// Replaces path with content in one step; false with the message above in
// error when it fails.
bool ReplaceFileContent(const std::string& path, const std::string& content, std::string* error);

}  // namespace records
