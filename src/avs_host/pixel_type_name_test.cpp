#include "avs_host/pixel_type_name.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace avs_host {

namespace {

// The library's pixel_type values: family in the top bits, sample size in
// bits 16-18, chroma subsampling in bits 0-2 and 8-10, plane order in 3-4.
TEST(PixelTypeName, NamesEveryAviSynthPlusFormatAndNoOther) {
  const struct { uint32_t pixel_type; const char* name; } kFormats[] = {
      {0xA0000008, "YV12"},       {0xA0000010, "YV12"},       {0xA0000308, "YV16"},
      {0xA000030B, "YV24"},       {0xA0000309, "YV411"},      {0xA0000109, "YUV9"},
      {0xE0000000, "Y8"},         {0x60000004, "YUY2"},       {0x50000001, "RGB24"},
      {0x50000002, "RGB32"},      {0x50010001, "RGB48"},      {0x50010002, "RGB64"},
      {0xA0050008, "YUV420P10"},  {0xA0060008, "YUV420P12"},  {0xA0070008, "YUV420P14"},
      {0xA0010008, "YUV420P16"},  {0xA0020008, "YUV420PS"},   {0xA0050308, "YUV422P10"},
      {0xA0010308, "YUV422P16"},  {0xA0020308, "YUV422PS"},   {0xA006030B, "YUV444P12"},
      {0xA001030B, "YUV444P16"},  {0xA002030B, "YUV444PS"},   {0xE0050000, "Y10"},
      {0xE0060000, "Y12"},        {0xE0070000, "Y14"},        {0xE0010000, "Y16"},
      {0xE0020000, "Y32"},        {0x90000001, "RGBP"},       {0x90050001, "RGBP10"},
      {0x90070001, "RGBP14"},     {0x90010001, "RGBP16"},     {0x90020001, "RGBPS"},
      {0x90000002, "RGBAP"},      {0x90060002, "RGBAP12"},    {0x90020002, "RGBAPS"},
      {0x88000008, "YUVA420"},    {0x88000308, "YUVA422"},    {0x8800030B, "YUVA444"},
      {0x88050008, "YUVA420P10"}, {0x88010308, "YUVA422P16"}, {0x8802030B, "YUVA444PS"},
      // Bits no format has: no name.
      {0x00000000, ""},  // no video
      {0xA0030008, ""},  // sample size code 3
      {0xA0050309, ""},  // 4:1:1 beyond 8 bits
      {0x88000309, ""},  // 4:1:1 with alpha
      {0x90000003, ""},  // planar RGB, both kinds
      {0x50020001, ""},  // packed float RGB
      {0x60010004, ""},  // 16-bit YUY2
      {0xE0000008, ""},  // Y with a plane order
      {0xA0000028, ""},  // a bit no format uses
  };
  for (const auto& [pixel_type, name] : kFormats)
    EXPECT_EQ(PixelTypeName(static_cast<int>(pixel_type)), name) << std::hex << pixel_type;
}

}  // namespace

}  // namespace avs_host
