// VideoInfo members as the library computes them; hosts reach these
// through the linkage table.
#include <numeric>

#include "avs_abi/avisynth_interface.h"
#include "pixel_format.h"

namespace {
unsigned Pt(const VideoInfo* vi) { return static_cast<unsigned>(vi->pixel_type); }
bool HasAll(unsigned pt, unsigned bits) { return (pt & bits) == bits; }
unsigned PlanarKey(unsigned pt) { return pt & static_cast<unsigned>(VideoInfo::CS_PLANAR_KEY); }
}  // namespace

bool VideoInfo::HasVideo() const { return width != 0; }
bool VideoInfo::HasAudio() const { return audio_samples_per_second != 0; }
bool VideoInfo::IsRGB() const { return (Pt(this) & CS_BGR) != 0; }
bool VideoInfo::IsRGB24() const { return HasAll(Pt(this), 0x50000001u) && (Pt(this) & 0x70000u) == 0; }
bool VideoInfo::IsRGB32() const { return HasAll(Pt(this), 0x50000002u) && (Pt(this) & 0x70000u) == 0; }
bool VideoInfo::IsYUV() const { return (Pt(this) & CS_YUV) != 0; }
bool VideoInfo::IsYUY2() const { return HasAll(Pt(this), 0x60000004u); }
bool VideoInfo::IsYV24() const { return PlanarKey(Pt(this)) == 0xA0000303u; }
bool VideoInfo::IsYV16() const { return PlanarKey(Pt(this)) == 0xA0000300u; }
bool VideoInfo::IsYV12() const { return PlanarKey(Pt(this)) == 0xA0000000u; }
bool VideoInfo::IsYV411() const { return PlanarKey(Pt(this)) == 0xA0000301u; }
bool VideoInfo::IsY8() const { return PlanarKey(Pt(this)) == 0xE0000000u; }
bool VideoInfo::IsColorSpace(int c_space) const {
  const unsigned c = static_cast<unsigned>(c_space);
  return IsPlanar() ? PlanarKey(Pt(this)) == PlanarKey(c) : HasAll(Pt(this), c);
}
bool VideoInfo::Is(int property) const { return HasAll(Pt(this), static_cast<unsigned>(property)); }
bool VideoInfo::IsPlanar() const { return (Pt(this) & 0x80000000u) != 0; }
bool VideoInfo::IsFieldBased() const { return (image_type & IT_FIELDBASED) != 0; }
bool VideoInfo::IsParityKnown() const {
  return (image_type & IT_FIELDBASED) != 0 && (image_type & (IT_BFF | IT_TFF)) != 0;
}
bool VideoInfo::IsBFF() const { return (image_type & IT_BFF) != 0; }
bool VideoInfo::IsTFF() const { return (image_type & IT_TFF) != 0; }
bool VideoInfo::IsVPlaneFirst() const { return IsPlanar() && (Pt(this) & 8u) != 0; }
int VideoInfo::BytesFromPixels(int pixels) const {
  return pixels * pixel_format::BytesPerPixel(Pt(this));
}
int VideoInfo::RowSize(int plane) const {
  const unsigned pt = Pt(this);
  if (plane == PLANAR_U || plane == PLANAR_V) {
    if (!pixel_format::HasChromaPlanes(pt)) return 0;
    return (width >> pixel_format::WidthShift(pt)) * pixel_format::ComponentBytes(pt);
  }
  return BytesFromPixels(width);
}
int VideoInfo::BMPSize() const {
  auto align4 = [](int v) { return (v + 3) & ~3; };
  int size = align4(RowSize(0)) * height;
  if (pixel_format::HasChromaPlanes(Pt(this))) {
    size += 2 * align4(RowSize(PLANAR_U)) * (height >> pixel_format::HeightShift(Pt(this)));
  }
  return size;
}
int64_t VideoInfo::AudioSamplesFromFrames(int frames) const {
  if (fps_numerator == 0 || !HasVideo()) return 0;
  return static_cast<int64_t>(frames) * audio_samples_per_second * fps_denominator /
         fps_numerator;
}
int VideoInfo::FramesFromAudioSamples(int64_t samples) const {
  if (fps_denominator == 0 || !HasAudio()) return 0;
  return static_cast<int>(samples * fps_numerator /
                          (static_cast<int64_t>(fps_denominator) * audio_samples_per_second));
}
int64_t VideoInfo::AudioSamplesFromBytes(int64_t bytes) const {
  const int per_sample = BytesPerAudioSample();
  return (HasAudio() && per_sample > 0) ? bytes / per_sample : 0;
}
int64_t VideoInfo::BytesFromAudioSamples(int64_t samples) const {
  return samples * BytesPerAudioSample();
}
int VideoInfo::AudioChannels() const { return HasAudio() ? nchannels : 0; }
int VideoInfo::SampleType() const { return sample_type; }
bool VideoInfo::IsSampleType(int type) const { return (sample_type & type) != 0; }
int VideoInfo::SamplesPerSecond() const { return audio_samples_per_second; }
int VideoInfo::BytesPerAudioSample() const { return nchannels * BytesPerChannelSample(); }
void VideoInfo::SetFieldBased(bool field_based) {
  if (field_based) image_type |= IT_FIELDBASED;
  else image_type &= ~IT_FIELDBASED;
}
void VideoInfo::Set(int property) { image_type |= property; }
void VideoInfo::Clear(int property) { image_type &= ~property; }
int VideoInfo::GetPlaneWidthSubsampling(int plane) const {
  return (plane == PLANAR_U || plane == PLANAR_V) ? pixel_format::WidthShift(Pt(this)) : 0;
}
int VideoInfo::GetPlaneHeightSubsampling(int plane) const {
  return (plane == PLANAR_U || plane == PLANAR_V) ? pixel_format::HeightShift(Pt(this)) : 0;
}
int VideoInfo::BitsPerPixel() const { return pixel_format::BitsPerPixel(Pt(this)); }
int VideoInfo::BytesPerChannelSample() const { return pixel_format::BytesPerSample(sample_type); }
void VideoInfo::SetFPS(unsigned numerator, unsigned denominator) {
  const unsigned divisor = std::gcd(numerator, denominator);
  fps_numerator = divisor ? numerator / divisor : numerator;
  fps_denominator = divisor ? denominator / divisor : denominator;
}
void VideoInfo::MulDivFPS(unsigned multiplier, unsigned divisor) {
  uint64_t num = static_cast<uint64_t>(fps_numerator) * multiplier;
  uint64_t den = static_cast<uint64_t>(fps_denominator) * divisor;
  const uint64_t common = std::gcd(num, den);
  if (common) { num /= common; den /= common; }
  // Keep both within 32 bits, losing precision rather than wrapping.
  while (num > 0xFFFFFFFFu || den > 0xFFFFFFFFu) { num >>= 1; den >>= 1; }
  fps_numerator = static_cast<unsigned>(num);
  fps_denominator = static_cast<unsigned>(den);
}
bool VideoInfo::IsSameColorspace(const VideoInfo& other) const {
  return other.pixel_type == pixel_type || (IsYV12() && other.IsYV12());
}
