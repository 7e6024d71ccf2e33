// A fresh folder per test, of this process alone, for files written beside a
// script.
#pragma once

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

#include <gtest/gtest.h>

class ScratchDir {
 public:
  ScratchDir() {
    const auto* info = testing::UnitTest::GetInstance()->current_test_info();
    std::string name =
        "korbinet-bench-" + std::string(info->test_suite_name()) + "-" + info->name() + "-";
    // Parameterised tests have "/" in their names; the folder is one level.
    std::replace(name.begin(), name.end(), '/', '_');
    // The same test runs in other processes at the same time (other builds,
    // other checkouts on the machine). A folder named by the test alone was
    // shared with them, and one process removed the others' files while they
    // ran; each takes a folder now that did not exist before.
    std::random_device random;
    do {
      path_ = std::filesystem::temp_directory_path() / (name + std::to_string(random()));
    } while (!std::filesystem::create_directory(path_));
  }
  ~ScratchDir() {
    std::error_code ignored;  // tests may leave the folder read-only
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ignored);
    std::filesystem::remove_all(path_, ignored);
  }

  std::string File(const std::string& name) const { return (path_ / name).string(); }

  static void Write(const std::string& path, const std::string& content) {
    std::ofstream(path, std::ios::binary) << content;
  }
  static std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

 private:
  std::filesystem::path path_;
};
