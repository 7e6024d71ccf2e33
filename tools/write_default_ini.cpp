// Writes the settings file that the program itself would create, so that the
// installed copy is the same file byte for byte.
#include <cstdio>
#include <fstream>

#include "settings_file/settings.h"
#include "platform/files.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: write-default-ini FILE\n");
    return 2;
  }
  std::string version = platform::ProgramVersion();
  std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
  out << settings_file::DefaultSettingsText(version);
  return out.good() ? 0 : 1;
}
