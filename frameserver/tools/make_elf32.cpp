// Writes a minimal, valid 32-bit x86 ELF shared object: an ELF header, one
// loadable segment and an empty dynamic section. It stands for a library
// built for the wrong architecture, which a 64-bit host must refuse.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

template <typename T>
void Put(std::vector<unsigned char>& out, size_t at, T value) {
  std::memcpy(out.data() + at, &value, sizeof value);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s OUTPUT\n", argv[0]);
    return 2;
  }
  constexpr uint32_t kHeader = 52, kPhdr = 32, kPhnum = 2;
  constexpr uint32_t kDynamic = kHeader + kPhdr * kPhnum;  // 116
  constexpr uint32_t kDynSize = 8;                         // one DT_NULL entry
  constexpr uint32_t kFileSize = kDynamic + kDynSize;
  std::vector<unsigned char> out(kFileSize, 0);
  const unsigned char ident[16] = {0x7f, 'E', 'L', 'F', 1 /*32-bit*/, 1 /*LE*/, 1 /*version*/};
  std::memcpy(out.data(), ident, sizeof ident);
  Put<uint16_t>(out, 16, 3);        // ET_DYN
  Put<uint16_t>(out, 18, 3);        // EM_386
  Put<uint32_t>(out, 20, 1);        // EV_CURRENT
  Put<uint32_t>(out, 28, kHeader);  // program headers right after
  Put<uint16_t>(out, 40, kHeader);
  Put<uint16_t>(out, 42, kPhdr);
  Put<uint16_t>(out, 44, kPhnum);
  Put<uint16_t>(out, 46, 40);       // section header size, none present
  // PT_LOAD of the whole file, readable.
  size_t ph = kHeader;
  Put<uint32_t>(out, ph + 0, 1);
  Put<uint32_t>(out, ph + 16, kFileSize);
  Put<uint32_t>(out, ph + 20, kFileSize);
  Put<uint32_t>(out, ph + 24, 4);
  Put<uint32_t>(out, ph + 28, 0x1000);
  // PT_DYNAMIC pointing at the DT_NULL entry.
  ph += kPhdr;
  Put<uint32_t>(out, ph + 0, 2);
  Put<uint32_t>(out, ph + 4, kDynamic);
  Put<uint32_t>(out, ph + 8, kDynamic);
  Put<uint32_t>(out, ph + 12, kDynamic);
  Put<uint32_t>(out, ph + 16, kDynSize);
  Put<uint32_t>(out, ph + 20, kDynSize);
  Put<uint32_t>(out, ph + 24, 6);
  Put<uint32_t>(out, ph + 28, 4);
  std::FILE* file = std::fopen(argv[1], "wb");
  if (file == nullptr) {
    std::perror(argv[1]);
    return 1;
  }
  const bool ok = std::fwrite(out.data(), 1, out.size(), file) == out.size();
  return (std::fclose(file) == 0 && ok) ? 0 : 1;
}
