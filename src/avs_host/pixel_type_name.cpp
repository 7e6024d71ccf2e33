#include "avs_host/pixel_type_name.h"

#include <cstdint>

namespace avs_host {

namespace {

// The family bits (planar, interleaved, YUV, BGR, YUVA).
constexpr uint32_t kFamilyMask = 0xF8000000u;
constexpr uint32_t kPlanarYuv = 0xA0000000u;
constexpr uint32_t kPlanarYuva = 0x88000000u;
constexpr uint32_t kPlanarY = 0xE0000000u;
constexpr uint32_t kPlanarRgb = 0x90000000u;
constexpr uint32_t kPackedRgb = 0x50000000u;
// Everything but the family, the sample size, the chroma subsampling and the
// plane order (bits 3-4, which tell I420 from YV12 and do not make a format).
constexpr uint32_t kUnusedBits = ~(kFamilyMask | 0x00070000u | 0x00000707u | 0x00000018u);

// Bits per component from the sample size code; 0 for the codes no format uses.
int BitsOf(uint32_t pixel_type) {
  switch ((pixel_type >> 16) & 7u) {
    case 0: return 8;
    case 1: return 16;
    case 2: return 32;
    case 5: return 10;
    case 6: return 12;
    case 7: return 14;
    default: return 0;
  }
}

// "420", "422" or "444" from the width and height subsampling codes; empty
// for the rest (4:1:1 and 4:1:0 exist at 8 bits only, as YV411 and YUV9).
std::string Subsampling(uint32_t pixel_type) {
  switch (pixel_type & 0x707u) {
    case 0x000u: return "420";
    case 0x300u: return "422";
    case 0x303u: return "444";
    default: return std::string();
  }
}

// The depth as planar formats spell it after their family: "" at 8 bits,
// then "10".."16", and "S" for float.
std::string DepthSuffix(int bits) {
  if (bits == 8) return std::string();
  if (bits == 32) return "S";
  return std::to_string(bits);
}

std::string PlanarYuvName(uint32_t pixel_type, int bits) {
  if (bits == 8) {
    switch (pixel_type & 0x707u) {
      case 0x000u: return "YV12";
      case 0x300u: return "YV16";
      case 0x303u: return "YV24";
      case 0x301u: return "YV411";
      case 0x101u: return "YUV9";
      default: return std::string();
    }
  }
  const std::string sampling = Subsampling(pixel_type);
  return sampling.empty() ? std::string() : "YUV" + sampling + "P" + DepthSuffix(bits);
}

std::string PlanarYuvaName(uint32_t pixel_type, int bits) {
  const std::string sampling = Subsampling(pixel_type);
  if (sampling.empty()) return std::string();
  return "YUVA" + sampling + (bits == 8 ? "" : "P" + DepthSuffix(bits));
}

// Plane order means something only to planar YUV: elsewhere its bits make
// no format.
std::string PlanarRgbName(uint32_t pixel_type, int bits) {
  switch (pixel_type & 0x71Fu) {
    case 1u: return "RGBP" + DepthSuffix(bits);
    case 2u: return "RGBAP" + DepthSuffix(bits);
    default: return std::string();
  }
}

std::string PackedName(uint32_t pixel_type, int bits) {
  if ((pixel_type & kFamilyMask) == 0x60000000u)
    return bits == 8 && (pixel_type & 0x71Fu) == 4u ? "YUY2" : std::string();
  if ((pixel_type & kFamilyMask) != kPackedRgb) return std::string();
  const uint32_t kind = pixel_type & 0x71Fu;
  if (bits == 8 && kind == 1u) return "RGB24";
  if (bits == 8 && kind == 2u) return "RGB32";
  if (bits == 16 && kind == 1u) return "RGB48";
  if (bits == 16 && kind == 2u) return "RGB64";
  return std::string();
}

}  // namespace

std::string PixelTypeName(int pixel_type) {
  const uint32_t pt = static_cast<uint32_t>(pixel_type);
  const int bits = BitsOf(pt);
  if (bits == 0 || (pt & kUnusedBits) != 0) return std::string();
  switch (pt & kFamilyMask) {
    case kPlanarYuv: return PlanarYuvName(pt, bits);
    case kPlanarYuva: return PlanarYuvaName(pt, bits);
    case kPlanarY:
      return (pt & 0x71Fu) == 0 ? "Y" + std::to_string(bits) : std::string();
    case kPlanarRgb: return PlanarRgbName(pt, bits);
    default: return PackedName(pt, bits);
  }
}

}  // namespace avs_host
