// Host side of avisynth_interface.h: every member of the value classes is a
// call through the library's linkage table. Include avisynth_interface.h,
// not this file.
#pragma once

// The library's table as returned by GetAVSLinkage(), set by the host right
// after creating the environment and cleared before unloading. Hidden, and
// deliberately not named like the library's export: an exported host symbol
// of that name would capture the library's own reference to its table.
extern const AVS_Linkage* g_avs_linkage KORBINET_HIDDEN;

namespace avs_host_detail {

// An entry may be called only when the table is there and its Size covers
// the whole entry; a null entry is skipped too, as calling it would crash.
template <typename M>
inline M Entry(std::size_t offset, M AVS_Linkage::*slot) {
  const AVS_Linkage* table = g_avs_linkage;
  if (table == nullptr || table->Size <= 0) return nullptr;
  if (offset + sizeof(M) > static_cast<std::size_t>(table->Size)) return nullptr;
  return table->*slot;
}

}  // namespace avs_host_detail

#define AVS_HOST_ENTRY(name) \
  ::avs_host_detail::Entry(offsetof(AVS_Linkage, name), &AVS_Linkage::name)
#define AVS_HOST_RETURN(name, neutral, ...)  \
  const auto entry_ = AVS_HOST_ENTRY(name); \
  return entry_ ? (this->*entry_)(__VA_ARGS__) : (neutral)
#define AVS_HOST_DO(name, ...)              \
  const auto entry_ = AVS_HOST_ENTRY(name); \
  if (entry_) (this->*entry_)(__VA_ARGS__)

// VideoInfo
inline bool VideoInfo::HasVideo() const { AVS_HOST_RETURN(HasVideo, false); }
inline bool VideoInfo::HasAudio() const { AVS_HOST_RETURN(HasAudio, false); }
inline bool VideoInfo::IsRGB() const { AVS_HOST_RETURN(IsRGB, false); }
inline bool VideoInfo::IsRGB24() const { AVS_HOST_RETURN(IsRGB24, false); }
inline bool VideoInfo::IsRGB32() const { AVS_HOST_RETURN(IsRGB32, false); }
inline bool VideoInfo::IsYUV() const { AVS_HOST_RETURN(IsYUV, false); }
inline bool VideoInfo::IsYUY2() const { AVS_HOST_RETURN(IsYUY2, false); }
inline bool VideoInfo::IsYV24() const { AVS_HOST_RETURN(IsYV24, false); }
inline bool VideoInfo::IsYV16() const { AVS_HOST_RETURN(IsYV16, false); }
inline bool VideoInfo::IsYV12() const { AVS_HOST_RETURN(IsYV12, false); }
inline bool VideoInfo::IsYV411() const { AVS_HOST_RETURN(IsYV411, false); }
inline bool VideoInfo::IsY8() const { AVS_HOST_RETURN(IsY8, false); }
inline bool VideoInfo::IsColorSpace(int c_space) const {
  AVS_HOST_RETURN(IsColorSpace, false, c_space);
}
inline bool VideoInfo::Is(int property) const { AVS_HOST_RETURN(Is, false, property); }
inline bool VideoInfo::IsPlanar() const { AVS_HOST_RETURN(IsPlanar, false); }
inline bool VideoInfo::IsFieldBased() const { AVS_HOST_RETURN(IsFieldBased, false); }
inline bool VideoInfo::IsParityKnown() const { AVS_HOST_RETURN(IsParityKnown, false); }
inline bool VideoInfo::IsBFF() const { AVS_HOST_RETURN(IsBFF, false); }
inline bool VideoInfo::IsTFF() const { AVS_HOST_RETURN(IsTFF, false); }
inline bool VideoInfo::IsVPlaneFirst() const { AVS_HOST_RETURN(IsVPlaneFirst, false); }
inline int VideoInfo::BytesFromPixels(int pixels) const {
  AVS_HOST_RETURN(BytesFromPixels, 0, pixels);
}
inline int VideoInfo::RowSize(int plane) const { AVS_HOST_RETURN(RowSize, 0, plane); }
inline int VideoInfo::BMPSize() const { AVS_HOST_RETURN(BMPSize, 0); }
inline int64_t VideoInfo::AudioSamplesFromFrames(int frames) const {
  AVS_HOST_RETURN(AudioSamplesFromFrames, int64_t{0}, frames);
}
inline int VideoInfo::FramesFromAudioSamples(int64_t samples) const {
  AVS_HOST_RETURN(FramesFromAudioSamples, 0, samples);
}
inline int64_t VideoInfo::AudioSamplesFromBytes(int64_t bytes) const {
  AVS_HOST_RETURN(AudioSamplesFromBytes, int64_t{0}, bytes);
}
inline int64_t VideoInfo::BytesFromAudioSamples(int64_t samples) const {
  AVS_HOST_RETURN(BytesFromAudioSamples, int64_t{0}, samples);
}
inline int VideoInfo::AudioChannels() const { AVS_HOST_RETURN(AudioChannels, 0); }
inline int VideoInfo::SampleType() const { AVS_HOST_RETURN(SampleType, 0); }
inline bool VideoInfo::IsSampleType(int type) const {
  AVS_HOST_RETURN(IsSampleType, false, type);
}
inline int VideoInfo::SamplesPerSecond() const { AVS_HOST_RETURN(SamplesPerSecond, 0); }
inline int VideoInfo::BytesPerAudioSample() const { AVS_HOST_RETURN(BytesPerAudioSample, 0); }
inline void VideoInfo::SetFieldBased(bool field_based) { AVS_HOST_DO(SetFieldBased, field_based); }
inline void VideoInfo::Set(int property) { AVS_HOST_DO(Set, property); }
inline void VideoInfo::Clear(int property) { AVS_HOST_DO(Clear, property); }
inline int VideoInfo::GetPlaneWidthSubsampling(int plane) const {
  AVS_HOST_RETURN(GetPlaneWidthSubsampling, 0, plane);
}
inline int VideoInfo::GetPlaneHeightSubsampling(int plane) const {
  AVS_HOST_RETURN(GetPlaneHeightSubsampling, 0, plane);
}
inline int VideoInfo::BitsPerPixel() const { AVS_HOST_RETURN(BitsPerPixel, 0); }
inline int VideoInfo::BytesPerChannelSample() const {
  AVS_HOST_RETURN(BytesPerChannelSample, 0);
}
inline void VideoInfo::SetFPS(unsigned numerator, unsigned denominator) {
  AVS_HOST_DO(SetFPS, numerator, denominator);
}
inline void VideoInfo::MulDivFPS(unsigned multiplier, unsigned divisor) {
  AVS_HOST_DO(MulDivFPS, multiplier, divisor);
}
inline bool VideoInfo::IsSameColorspace(const VideoInfo& other) const {
  AVS_HOST_RETURN(IsSameColorspace, false, other);
}

// VideoFrameBuffer and VideoFrame
inline const BYTE* VideoFrameBuffer::GetReadPtr() const {
  AVS_HOST_RETURN(VFBGetReadPtr, nullptr);
}
inline BYTE* VideoFrameBuffer::GetWritePtr() { AVS_HOST_RETURN(VFBGetWritePtr, nullptr); }
inline int VideoFrameBuffer::GetDataSize() const { AVS_HOST_RETURN(GetDataSize, 0); }
inline int VideoFrameBuffer::GetSequenceNumber() const { AVS_HOST_RETURN(GetSequenceNumber, 0); }
inline int VideoFrameBuffer::GetRefcount() const { AVS_HOST_RETURN(GetRefcount, 0); }

inline int VideoFrame::GetPitch(int plane) const { AVS_HOST_RETURN(GetPitch, 0, plane); }
inline int VideoFrame::GetRowSize(int plane) const { AVS_HOST_RETURN(GetRowSize, 0, plane); }
inline int VideoFrame::GetHeight(int plane) const { AVS_HOST_RETURN(GetHeight, 0, plane); }
inline VideoFrameBuffer* VideoFrame::GetFrameBuffer() const {
  AVS_HOST_RETURN(GetFrameBuffer, nullptr);
}
inline int VideoFrame::GetOffset(int plane) const { AVS_HOST_RETURN(GetOffset, 0, plane); }
inline const BYTE* VideoFrame::GetReadPtr(int plane) const {
  AVS_HOST_RETURN(VFGetReadPtr, nullptr, plane);
}
inline bool VideoFrame::IsWritable() const { AVS_HOST_RETURN(IsWritable, false); }
inline BYTE* VideoFrame::GetWritePtr(int plane) const {
  AVS_HOST_RETURN(VFGetWritePtr, nullptr, plane);
}

// PClip. Every constructor nulls the pointer first, so that an object built
// while the table is missing is a safe null rather than garbage.
inline PClip::PClip() : p_(nullptr) { AVS_HOST_DO(PClip_CONSTRUCTOR0); }
inline PClip::PClip(const PClip& other) : p_(nullptr) { AVS_HOST_DO(PClip_CONSTRUCTOR1, other); }
inline PClip::PClip(IClip* clip) : p_(nullptr) { AVS_HOST_DO(PClip_CONSTRUCTOR2, clip); }
inline void PClip::operator=(IClip* clip) { AVS_HOST_DO(PClip_OPERATOR_ASSIGN0, clip); }
inline void PClip::operator=(const PClip& other) { AVS_HOST_DO(PClip_OPERATOR_ASSIGN1, other); }
inline PClip::~PClip() { AVS_HOST_DO(PClip_DESTRUCTOR); }

// PVideoFrame
inline PVideoFrame::PVideoFrame() : p_(nullptr) { AVS_HOST_DO(PVideoFrame_CONSTRUCTOR0); }
inline PVideoFrame::PVideoFrame(const PVideoFrame& other) : p_(nullptr) {
  AVS_HOST_DO(PVideoFrame_CONSTRUCTOR1, other);
}
inline PVideoFrame::PVideoFrame(VideoFrame* frame) : p_(nullptr) {
  AVS_HOST_DO(PVideoFrame_CONSTRUCTOR2, frame);
}
inline void PVideoFrame::operator=(VideoFrame* frame) {
  AVS_HOST_DO(PVideoFrame_OPERATOR_ASSIGN0, frame);
}
inline void PVideoFrame::operator=(const PVideoFrame& other) {
  AVS_HOST_DO(PVideoFrame_OPERATOR_ASSIGN1, other);
}
inline PVideoFrame::~PVideoFrame() { AVS_HOST_DO(PVideoFrame_DESTRUCTOR); }

// AVSValue: constructors start from a plain undefined value for the same
// reason as PClip.
#define AVS_HOST_VOID_VALUE type_('v'), array_size_(0), longlong_(0)
inline AVSValue::AVSValue() : AVS_HOST_VOID_VALUE { AVS_HOST_DO(AVSValue_CONSTRUCTOR0); }
inline AVSValue::AVSValue(IClip* clip) : AVS_HOST_VOID_VALUE {
  AVS_HOST_DO(AVSValue_CONSTRUCTOR1, clip);
}
inline AVSValue::AVSValue(const PClip& clip) : AVS_HOST_VOID_VALUE {
  AVS_HOST_DO(AVSValue_CONSTRUCTOR2, clip);
}
inline AVSValue::AVSValue(bool b) : AVS_HOST_VOID_VALUE { AVS_HOST_DO(AVSValue_CONSTRUCTOR3, b); }
inline AVSValue::AVSValue(int i) : AVS_HOST_VOID_VALUE { AVS_HOST_DO(AVSValue_CONSTRUCTOR4, i); }
inline AVSValue::AVSValue(int64_t l) : AVS_HOST_VOID_VALUE {
  AVS_HOST_DO(AVSValue_CONSTRUCTOR12, l);
}
inline AVSValue::AVSValue(float f) : AVS_HOST_VOID_VALUE { AVS_HOST_DO(AVSValue_CONSTRUCTOR5, f); }
inline AVSValue::AVSValue(double d) : AVS_HOST_VOID_VALUE { AVS_HOST_DO(AVSValue_CONSTRUCTOR6, d); }
inline AVSValue::AVSValue(const char* s) : AVS_HOST_VOID_VALUE {
  AVS_HOST_DO(AVSValue_CONSTRUCTOR7, s);
}
inline AVSValue::AVSValue(const AVSValue* values, int size) : AVS_HOST_VOID_VALUE {
  AVS_HOST_DO(AVSValue_CONSTRUCTOR8, values, size);
}
inline AVSValue::AVSValue(const AVSValue& first, int size) : AVS_HOST_VOID_VALUE {
  AVS_HOST_DO(AVSValue_CONSTRUCTOR8, &first, size);
}
inline AVSValue::AVSValue(const AVSValue& other) : AVS_HOST_VOID_VALUE {
  AVS_HOST_DO(AVSValue_CONSTRUCTOR9, other);
}
#undef AVS_HOST_VOID_VALUE
inline AVSValue::~AVSValue() { AVS_HOST_DO(AVSValue_DESTRUCTOR); }
inline AVSValue& AVSValue::operator=(const AVSValue& other) {
  AVS_HOST_RETURN(AVSValue_OPERATOR_ASSIGN, *this, other);
}
inline const AVSValue& AVSValue::operator[](int index) const {
  AVS_HOST_RETURN(AVSValue_OPERATOR_INDEX, *this, index);
}
inline bool AVSValue::Defined() const { AVS_HOST_RETURN(Defined, false); }
inline bool AVSValue::IsClip() const { AVS_HOST_RETURN(IsClip, false); }
inline bool AVSValue::IsBool() const { AVS_HOST_RETURN(IsBool, false); }
inline bool AVSValue::IsInt() const { AVS_HOST_RETURN(IsInt, false); }
inline bool AVSValue::IsFloat() const { AVS_HOST_RETURN(IsFloat, false); }
inline bool AVSValue::IsString() const { AVS_HOST_RETURN(IsString, false); }
inline bool AVSValue::IsArray() const { AVS_HOST_RETURN(IsArray, false); }
inline bool AVSValue::IsLongStrict() const { AVS_HOST_RETURN(IsLongStrict, false); }
inline bool AVSValue::IsFloatfStrict() const { AVS_HOST_RETURN(IsFloatfStrict, false); }
inline PClip AVSValue::AsClip() const { AVS_HOST_RETURN(AsClip, PClip()); }
inline bool AVSValue::AsBool() const { AVS_HOST_RETURN(AsBool1, false); }
inline int AVSValue::AsInt() const { AVS_HOST_RETURN(AsInt1, 0); }
inline int64_t AVSValue::AsLong() const { AVS_HOST_RETURN(AsLong1, int64_t{0}); }
inline const char* AVSValue::AsString() const { AVS_HOST_RETURN(AsString1, nullptr); }
inline double AVSValue::AsFloat() const { AVS_HOST_RETURN(AsFloat1, 0.0); }
inline bool AVSValue::AsBool(bool def) const { AVS_HOST_RETURN(AsBool2, false, def); }
inline int AVSValue::AsInt(int def) const { AVS_HOST_RETURN(AsInt2, 0, def); }
inline int64_t AVSValue::AsLong(int64_t def) const { AVS_HOST_RETURN(AsLong2, int64_t{0}, def); }
inline double AVSValue::AsDblDef(double def) const { AVS_HOST_RETURN(AsDblDef, 0.0, def); }
inline double AVSValue::AsFloat(float def) const { AVS_HOST_RETURN(AsFloat2, 0.0, def); }
inline const char* AVSValue::AsString(const char* def) const {
  AVS_HOST_RETURN(AsString2, nullptr, def);
}
inline int AVSValue::ArraySize() const { AVS_HOST_RETURN(ArraySize, 0); }

#undef AVS_HOST_RETURN
#undef AVS_HOST_DO
#undef AVS_HOST_ENTRY
