#include "pixel_format.h"

#include <strings.h>

#include "avs_abi/avisynth_interface.h"

namespace pixel_format {

namespace {
constexpr unsigned kPlanar = 0x80000000u;
constexpr unsigned kYOnly = 0xE0000000u;  // planar + interleaved + YUV marks luma only
constexpr unsigned kYuv = 0x20000000u;
constexpr unsigned kBgr = 0x10000000u;
}  // namespace

int ComponentBytes(unsigned pt) {
  switch ((pt >> 16) & 7u) {
    case 0: return 1;
    case 2: return 4;
    default: return 2;
  }
}

bool IsYOnly(unsigned pt) { return (pt & kYOnly) == kYOnly; }

bool HasChromaPlanes(unsigned pt) {
  return (pt & kPlanar) != 0 && (pt & kYuv) != 0 && !IsYOnly(pt);
}

// The subsampling codes are 0 for half, 3 for full and 1 for a quarter,
// which maps to shifts 1, 0 and 2.
int WidthShift(unsigned pt) { return HasChromaPlanes(pt) ? static_cast<int>(((pt & 7u) + 1) & 3u) : 0; }
int HeightShift(unsigned pt) {
  return HasChromaPlanes(pt) ? static_cast<int>((((pt >> 8) & 7u) + 1) & 3u) : 0;
}

int BytesPerPixel(unsigned pt) {
  const int comp = ComponentBytes(pt);
  if (pt & kPlanar) return comp;
  if (pt & 4u) return 2;             // YUY2
  if ((pt & kBgr) && (pt & 1u)) return 3 * comp;
  if ((pt & kBgr) && (pt & 2u)) return 4 * comp;
  return comp;
}

int BitsPerPixel(unsigned pt) {
  const int bits = ComponentBytes(pt) * 8;
  if (HasChromaPlanes(pt)) return bits + 2 * bits / (1 << (WidthShift(pt) + HeightShift(pt)));
  if (IsYOnly(pt)) return bits;
  if ((pt & kPlanar) && (pt & kBgr)) return 3 * bits;
  return BytesPerPixel(pt) * 8;
}

int FromName(const std::string& name) {
  static const struct { const char* name; int type; } kNames[] = {
      {"YV12", VideoInfo::CS_YV12},       {"YV16", VideoInfo::CS_YV16},
      {"YV24", VideoInfo::CS_YV24},       {"Y8", VideoInfo::CS_Y8},
      {"YV411", VideoInfo::CS_YV411},     {"YUY2", VideoInfo::CS_YUY2},
      {"RGB24", VideoInfo::CS_BGR24},     {"RGB32", VideoInfo::CS_BGR32},
      {"YUV420P10", VideoInfo::CS_YUV420P10}, {"YUV444P16", VideoInfo::CS_YUV444P16},
      {"RGB48", VideoInfo::CS_BGR48},     {"RGB64", VideoInfo::CS_BGR64},
      {"Y16", VideoInfo::CS_Y16},
  };
  for (const auto& entry : kNames) {
    if (strcasecmp(entry.name, name.c_str()) == 0) return entry.type;
  }
  return 0;
}

int SampleTypeFromName(const std::string& name) {
  static const struct { const char* name; int type; } kNames[] = {
      {"8bit", VideoInfo::SAMPLE_INT8},   {"16bit", VideoInfo::SAMPLE_INT16},
      {"24bit", VideoInfo::SAMPLE_INT24}, {"32bit", VideoInfo::SAMPLE_INT32},
      {"float", VideoInfo::SAMPLE_FLOAT},
  };
  for (const auto& entry : kNames) {
    if (strcasecmp(entry.name, name.c_str()) == 0) return entry.type;
  }
  return 0;
}

int BytesPerSample(int sample_type) {
  switch (sample_type) {
    case VideoInfo::SAMPLE_INT8: return 1;
    case VideoInfo::SAMPLE_INT16: return 2;
    case VideoInfo::SAMPLE_INT24: return 3;
    case VideoInfo::SAMPLE_INT32: return 4;
    case VideoInfo::SAMPLE_FLOAT: return 4;
    default: return 0;
  }
}

}  // namespace pixel_format
