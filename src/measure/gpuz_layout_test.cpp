#include "measure/gpuz_layout.h"

#include <limits>
#include <vector>

#include <gtest/gtest.h>

namespace measure {

namespace gpuz {
namespace {

TEST(GpuzLayout, EntriesAreFoundOnlyWhenWhollyInside) {
  // Offsets and section sizes are the GPU monitor's tests'; here indices past the tables, whatever the size.
  const unsigned char byte = 0;
  EXPECT_EQ(RecordAt(&byte, SIZE_MAX, 128), nullptr);
  EXPECT_EQ(SensorAt(&byte, SIZE_MAX, 128), nullptr);
  // A field without NUL ends at its 512th byte, not in the bytes after it.
  std::vector<unsigned char> field(600);
  for (size_t i = 0; i < 600; i += 2) field[i] = 'x';
  EXPECT_EQ(ReadTextField(field.data()), std::u16string(256, u'x'));
}

TEST(GpuzLayout, Utf16ToUtf8ReplacesLoneSurrogatesAndCutsWholeCharacters) {
  struct Case { std::u16string in; size_t max; std::string out; };
  const Case cases[] = {
      {u"Привет", 259, "Привет"}, {u"\U0001F600", 259, "\xF0\x9F\x98\x80"}, {u"ab€", 4, "ab"},
      {u"ab€", 5, "ab€"}, {std::u16string(1, char16_t(0xD83D)) + u"a", 259, " a"},
      {u"a" + std::u16string(1, char16_t(0xDE00)), 259, "a "},
      {std::u16string(1, char16_t(0xDE00)) + std::u16string(1, char16_t(0xD83D)), 259, "  "},
  };
  for (const Case& c : cases) EXPECT_EQ(Utf16ToUtf8(c.in, c.max), c.out);
  std::u16string pairs;
  for (int i = 0; i < 70; ++i) pairs += u"\U0001F600";
  EXPECT_EQ(Utf16ToUtf8(pairs, 259).size(), 256u);  // 64 whole characters
}

TEST(GpuzLayout, RoundingAndLeadingIntegersClampOddReadings) {
  struct Case { double in; uint64_t max; uint64_t out; };
  const Case cases[] = {{-7.0, 65535, 0}, {std::numeric_limits<double>::quiet_NaN(), 65535, 0},
                        {std::numeric_limits<double>::infinity(), 65535, 65535}, {65534.6, 65535, 65535},
                        {1e300, 4294967295u, 4294967295u}};
  for (const Case& c : cases) EXPECT_EQ(RoundClamped(c.in, c.max), c.out) << c.in;
  struct IntCase { const char* in; uint8_t out; };
  for (const IntCase& c : {IntCase{"12abc", 12}, {"abc", 0}, {"257", 1}, {"-1", 255},
                           {"99999999999999999999", 255}}) {  // overflow keeps the low 8 bits
    EXPECT_EQ(LeadingInteger8(c.in), c.out) << c.in;
  }
}

}  // namespace
}  // namespace gpuz

}  // namespace measure
