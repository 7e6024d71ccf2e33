#include "measure/gpuz_layout.h"

#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include <gtest/gtest.h>

namespace gpuz {
namespace {

TEST(GpuzLayout, EntriesAreFoundOnlyWhenWhollyInside) {
  std::vector<unsigned char> bytes(kSectionSize);
  const unsigned char* d = bytes.data();
  EXPECT_EQ(RecordAt(d, kSectionSize, 1), d + 12 + 1024);
  EXPECT_EQ(SensorAt(d, kSectionSize, 1), d + 131084 + 540);
  EXPECT_EQ(RecordAt(d, 12 + 1023, 0), nullptr);
  EXPECT_EQ(SensorAt(d, kSectionSize - 1, 127), nullptr);
  // Indexes past the tables are refused even when the size would allow them.
  EXPECT_EQ(RecordAt(d, SIZE_MAX, 128), nullptr);
  EXPECT_EQ(SensorAt(d, SIZE_MAX, 128), nullptr);
  EXPECT_EQ(RecordAt(nullptr, kSectionSize, 0), nullptr);
}

TEST(GpuzLayout, TextFieldStopsAtNulOrFieldEnd) {
  std::vector<unsigned char> field(600, 0);
  const char16_t abc[] = u"ab";
  std::memcpy(field.data(), abc, sizeof abc);
  EXPECT_EQ(ReadTextField(field.data()), u"ab");
  // No NUL inside the 512 bytes: the bytes after the field are not part of it.
  for (size_t i = 0; i < 600; i += 2) field[i] = 'x', field[i + 1] = 0;
  EXPECT_EQ(ReadTextField(field.data()), std::u16string(256, u'x'));
}

TEST(GpuzLayout, Utf16ToUtf8ConvertsAndCutsAtCharacterBoundaries) {
  struct Case { std::u16string in; size_t max; std::string out; };
  const Case cases[] = {
      {u"GeForce", 259, "GeForce"},
      {u"Привет", 259, "Привет"},
      {u"\U0001F600", 259, "\xF0\x9F\x98\x80"},
      {std::u16string(1, char16_t(0xD83D)) + u"a", 259, " a"},
      {u"a" + std::u16string(1, char16_t(0xDE00)), 259, "a "},
      {std::u16string(1, char16_t(0xDE00)) + std::u16string(1, char16_t(0xD83D)), 259, "  "},
      {u"ab€", 4, "ab"},
      {u"ab€", 5, "ab€"},
  };
  for (const Case& c : cases) EXPECT_EQ(Utf16ToUtf8(c.in, c.max), c.out);
  // 2-byte characters: 129 fit in 259 bytes, the 130th would need 260.
  std::string accents;
  for (int i = 0; i < 129; ++i) accents += "é";
  EXPECT_EQ(Utf16ToUtf8(std::u16string(200, u'é'), 259), accents);
  std::u16string pairs;
  for (int i = 0; i < 70; ++i) pairs += u"\U0001F600";
  EXPECT_EQ(Utf16ToUtf8(pairs, 259).size(), 256u);  // 64 whole characters
}

TEST(GpuzLayout, RoundingClampsOddReadings) {
  struct Case { double in; uint64_t max; uint64_t out; };
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  const Case cases[] = {
      {42.5, 65535, 43}, {42.49, 65535, 42}, {0.0, 65535, 0}, {-0.4, 65535, 0},
      {-7.0, 65535, 0},  {nan, 65535, 0},    {inf, 65535, 65535}, {-inf, 65535, 0},
      {70000.0, 65535, 65535}, {65534.6, 65535, 65535}, {1e300, 4294967295u, 4294967295u},
      {4294967294.4, 4294967295u, 4294967294u},
  };
  for (const Case& c : cases) EXPECT_EQ(RoundClamped(c.in, c.max), c.out) << c.in;
}

TEST(GpuzLayout, LeadingNumbers) {
  struct IntCase { const char* in; uint8_t out; };
  const IntCase ints[] = {
      {"1", 1},   {"12abc", 12}, {"abc", 0}, {"", 0}, {"256", 0}, {"257", 1}, {"-1", 255},
      {"+3", 3},
      // 10^20 - 1 overflows any int; its low 8 bits are 255.
      {"99999999999999999999", 255},
  };
  for (const IntCase& c : ints) EXPECT_EQ(LeadingInteger8(c.in), c.out) << c.in;
  EXPECT_DOUBLE_EQ(LeadingNumber("7.5"), 7.5);
  EXPECT_DOUBLE_EQ(LeadingNumber("1.0 (Fermi)"), 1.0);
  EXPECT_DOUBLE_EQ(LeadingNumber("n/a"), 0.0);
}

}  // namespace
}  // namespace gpuz
