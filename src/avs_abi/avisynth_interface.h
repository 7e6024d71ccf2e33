// Our own declarations of the AviSynth+ C++ class interface (x86-64, GCC,
// Itanium ABI), written so that they lay out and call exactly like the
// library's. Two modes:
//  - host (default): the value classes call into the library through the
//    linkage table held in g_avs_linkage, each call guarded so that a missing
//    or short table yields a neutral result instead of a jump through null;
//  - core (AVS_FRAMESERVER_CORE defined): only the bundled frame server uses
//    it; the same classes are declared and the frame server defines their
//    members and fills its table with pointers to them.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <type_traits>

#include "platform/compiler.h"
// Exceptions are matched across libraries by their mangled names, so these
// must stay at global scope with exactly these names, and their type info
// must be visible outside a library built with hidden visibility.
#define AVS_TYPE_VISIBLE KORBINET_VISIBLE

typedef unsigned char BYTE;

class IClip;
class PClip;
class PVideoFrame;
class AVSValue;
struct VideoInfo;
class VideoFrame;
class VideoFrameBuffer;
class IScriptEnvironment;
struct AVS_Linkage;

class AVS_TYPE_VISIBLE AvisynthError {
 public:
  const char* const msg;
  explicit AvisynthError(const char* text) : msg(text) {}
};

enum {
  // The interface generation these declarations describe.
  AVS_INTERFACE_VERSION = 12
};

// SetCacheHints' question for a filter's multithreading mode, and the answer
// of a filter any thread may call at any time.
enum { CACHE_GET_MTMODE = 509 };
enum { MT_NICE_FILTER = 1 };

// Plane selectors for frame accessors; 0 means the first plane.
enum { DEFAULT_PLANE = 0, PLANAR_Y = 1, PLANAR_U = 2, PLANAR_V = 4 };

struct VideoInfo {
  int width;
  int height;
  unsigned fps_numerator;
  unsigned fps_denominator;
  int num_frames;
  int pixel_type;
  int audio_samples_per_second;
  int sample_type;
  int64_t num_audio_samples;
  int nchannels;
  int image_type;

  enum : int {
    CS_BGR = 1 << 28,
    CS_YUV = 1 << 29,
    CS_INTERLEAVED = 1 << 30,
    CS_PLANAR = static_cast<int>(1u << 31),
    CS_YUVA = 1 << 27,
    CS_PLANAR_KEY = static_cast<int>(0xF8070707u),

    CS_UNKNOWN = 0,
    CS_BGR24 = 0x50000001,
    CS_BGR32 = 0x50000002,
    CS_YUY2 = 0x60000004,
    CS_YV12 = static_cast<int>(0xA0000008u),
    CS_I420 = static_cast<int>(0xA0000010u),
    CS_YV16 = static_cast<int>(0xA0000308u),
    CS_YV24 = static_cast<int>(0xA000030Bu),
    CS_Y8 = static_cast<int>(0xE0000000u),
    CS_YV411 = static_cast<int>(0xA0000309u),
    CS_YUV9 = static_cast<int>(0xA0000109u),
    CS_YUV420P10 = static_cast<int>(0xA0050008u),
    CS_YUV422P10 = static_cast<int>(0xA0050308u),
    CS_YUV444P10 = static_cast<int>(0xA005030Bu),
    CS_YUV420P16 = static_cast<int>(0xA0010008u),
    CS_YUV444P16 = static_cast<int>(0xA001030Bu),
    CS_Y10 = static_cast<int>(0xE0050000u),
    CS_Y16 = static_cast<int>(0xE0010000u),
    CS_Y32 = static_cast<int>(0xE0020000u),
    CS_BGR48 = 0x50010001,
    CS_BGR64 = 0x50010002,
    CS_RGBP = static_cast<int>(0x90000001u),
    CS_YUV420PS = static_cast<int>(0xA0020008u),
    CS_YUVA420 = static_cast<int>(0x88000008u),
  };
  enum : int {
    SAMPLE_INT8 = 1,
    SAMPLE_INT16 = 2,
    SAMPLE_INT24 = 4,
    SAMPLE_INT32 = 8,
    SAMPLE_FLOAT = 16,
  };
  enum : int { IT_BFF = 1, IT_TFF = 2, IT_FIELDBASED = 4 };

  bool HasVideo() const;
  bool HasAudio() const;
  bool IsRGB() const;
  bool IsRGB24() const;
  bool IsRGB32() const;
  bool IsYUV() const;
  bool IsYUY2() const;
  bool IsYV24() const;
  bool IsYV16() const;
  bool IsYV12() const;
  bool IsYV411() const;
  bool IsY8() const;
  bool IsColorSpace(int c_space) const;
  bool Is(int property) const;
  bool IsPlanar() const;
  bool IsFieldBased() const;
  bool IsParityKnown() const;
  bool IsBFF() const;
  bool IsTFF() const;
  bool IsVPlaneFirst() const;
  int BytesFromPixels(int pixels) const;
  int RowSize(int plane = 0) const;
  int BMPSize() const;
  int64_t AudioSamplesFromFrames(int frames) const;
  int FramesFromAudioSamples(int64_t samples) const;
  int64_t AudioSamplesFromBytes(int64_t bytes) const;
  int64_t BytesFromAudioSamples(int64_t samples) const;
  int AudioChannels() const;
  int SampleType() const;
  bool IsSampleType(int type) const;
  int SamplesPerSecond() const;
  int BytesPerAudioSample() const;
  void SetFieldBased(bool field_based);
  void Set(int property);
  void Clear(int property);
  int GetPlaneWidthSubsampling(int plane) const;
  int GetPlaneHeightSubsampling(int plane) const;
  int BitsPerPixel() const;
  int BytesPerChannelSample() const;
  void SetFPS(unsigned numerator, unsigned denominator);
  void MulDivFPS(unsigned multiplier, unsigned divisor);
  bool IsSameColorspace(const VideoInfo& other) const;
};

class PClip {
 public:
  PClip();
  PClip(const PClip& other);
  PClip(IClip* clip);  // NOLINT: implicit like the library's
  void operator=(IClip* clip);
  void operator=(const PClip& other);
  ~PClip();

  IClip* operator->() const { return p_; }
  IClip* get() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }
  bool operator!() const { return p_ == nullptr; }

#ifdef AVS_FRAMESERVER_CORE
  // Constructors and the destructor cannot be taken by address, so the
  // frame server's table points at these ordinary members instead.
  void CONSTRUCTOR0();
  void CONSTRUCTOR1(const PClip& other);
  void CONSTRUCTOR2(IClip* clip);
  void DESTRUCTOR();
#endif

 private:
  friend struct AvsLayoutCheck;
  IClip* p_;
};

class PVideoFrame {
 public:
  PVideoFrame();
  PVideoFrame(const PVideoFrame& other);
  PVideoFrame(VideoFrame* frame);  // NOLINT: implicit like the library's
  void operator=(VideoFrame* frame);
  void operator=(const PVideoFrame& other);
  ~PVideoFrame();

  VideoFrame* operator->() const { return p_; }
  VideoFrame* get() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }
  bool operator!() const { return p_ == nullptr; }

#ifdef AVS_FRAMESERVER_CORE
  void CONSTRUCTOR0();
  void CONSTRUCTOR1(const PVideoFrame& other);
  void CONSTRUCTOR2(VideoFrame* frame);
  void DESTRUCTOR();
#endif

 private:
  friend struct AvsLayoutCheck;
  VideoFrame* p_;
};

class AVSValue {
 public:
  AVSValue();
  AVSValue(IClip* clip);        // NOLINT: implicit like the library's
  AVSValue(const PClip& clip);  // NOLINT
  AVSValue(bool b);             // NOLINT
  AVSValue(int i);              // NOLINT
  AVSValue(int64_t l);          // NOLINT
  AVSValue(float f);            // NOLINT
  AVSValue(double d);           // NOLINT
  AVSValue(const char* s);      // NOLINT
  AVSValue(const AVSValue* values, int size);
  AVSValue(const AVSValue& first, int size);
  AVSValue(const AVSValue& other);
  ~AVSValue();
  AVSValue& operator=(const AVSValue& other);
  const AVSValue& operator[](int index) const;

  bool Defined() const;
  bool IsClip() const;
  bool IsBool() const;
  bool IsInt() const;
  bool IsFloat() const;
  bool IsString() const;
  bool IsArray() const;
  bool IsLongStrict() const;
  bool IsFloatfStrict() const;

  PClip AsClip() const;
  bool AsBool() const;
  int AsInt() const;
  int64_t AsLong() const;
  const char* AsString() const;
  double AsFloat() const;
  bool AsBool(bool def) const;
  int AsInt(int def) const;
  int64_t AsLong(int64_t def) const;
  double AsDblDef(double def) const;
  double AsFloat(float def) const;
  const char* AsString(const char* def) const;
  int ArraySize() const;

  // The type code ('v', 'c', 'i', ...) read directly, without the table.
  char TypeCode() const { return static_cast<char>(type_); }

#ifdef AVS_FRAMESERVER_CORE
  void CONSTRUCTOR0();
  void CONSTRUCTOR1(IClip* clip);
  void CONSTRUCTOR2(const PClip& clip);
  void CONSTRUCTOR3(bool b);
  void CONSTRUCTOR4(int i);
  void CONSTRUCTOR5(float f);
  void CONSTRUCTOR6(double d);
  void CONSTRUCTOR7(const char* s);
  void CONSTRUCTOR8(const AVSValue* values, int size);
  void CONSTRUCTOR9(const AVSValue& other);
  void CONSTRUCTOR12(int64_t l);
  void DESTRUCTOR();
  // Raw access for the frame server's own bookkeeping.
  const AVSValue* ArrayData() const { return array_; }
#endif

 private:
  friend struct AvsLayoutCheck;
  short type_;
  short array_size_;
  union {
    IClip* clip_;
    bool boolean_;
    int integer_;
    float floating_;
    const char* string_;
    const AVSValue* array_;
    void* function_;
    int64_t longlong_;
    double double_;
  };
};

class IClip {
 public:
  IClip() : refcnt_(0) {}
  IClip(const IClip&) = delete;
  IClip& operator=(const IClip&) = delete;

  virtual int GetVersion() { return AVS_INTERFACE_VERSION; }
  virtual PVideoFrame GetFrame(int n, IScriptEnvironment* env) = 0;
  virtual bool GetParity(int n) = 0;
  virtual void GetAudio(void* buf, int64_t start, int64_t count, IScriptEnvironment* env) = 0;
  virtual int SetCacheHints(int hints, int frame_range) = 0;
  virtual const VideoInfo& GetVideoInfo() = 0;
  // Declared last so that the slots above keep the same places as on MSVC.
  virtual ~IClip() {}

 private:
  // Changed only by the library, through PClip and AVSValue.
  friend class PClip;
  friend class AVSValue;
  friend struct AvsLayoutCheck;
  volatile long refcnt_;
};

class IScriptEnvironment {
 public:
  class AVS_TYPE_VISIBLE NotFound {};

  typedef AVSValue (*ApplyFunc)(AVSValue args, void* user_data, IScriptEnvironment* env);
  typedef void (*ShutdownFunc)(void* user_data, IScriptEnvironment* env);
  enum PlanarChromaAlignmentMode {
    PlanarChromaAlignmentOff,
    PlanarChromaAlignmentOn,
    PlanarChromaAlignmentTest
  };

  // Never called by a host: the environment deletes itself.
  virtual ~IScriptEnvironment() {}
  virtual int GetCPUFlags() = 0;
  virtual char* SaveString(const char* s, int length = -1) = 0;
  virtual char* Sprintf(const char* fmt, ...) KORBINET_PRINTF_FORMAT(2, 3) = 0;
  virtual char* VSprintf(const char* fmt, va_list ap) = 0;
  [[noreturn]] virtual void ThrowError(const char* fmt, ...)
      KORBINET_PRINTF_FORMAT(2, 3) = 0;
  virtual void AddFunction(const char* name, const char* params, ApplyFunc fn,
                           void* user_data) = 0;
  virtual bool FunctionExists(const char* name) = 0;
  virtual AVSValue Invoke(const char* name, const AVSValue args,
                          const char* const* arg_names = nullptr) = 0;
  virtual AVSValue GetVar(const char* name) = 0;
  virtual bool SetVar(const char* name, const AVSValue& value) = 0;
  virtual bool SetGlobalVar(const char* name, const AVSValue& value) = 0;
  virtual void PushContext(int level = 0) = 0;
  virtual void PopContext() = 0;
  virtual PVideoFrame NewVideoFrame(const VideoInfo& vi, int align = 64) = 0;
  virtual bool MakeWritable(PVideoFrame* pvf) = 0;
  virtual void BitBlt(BYTE* dst, int dst_pitch, const BYTE* src, int src_pitch, int row_size,
                      int height) = 0;
  virtual void AtExit(ShutdownFunc fn, void* user_data) = 0;
  virtual void CheckVersion(int version = AVS_INTERFACE_VERSION) = 0;
  virtual PVideoFrame Subframe(PVideoFrame src, int rel_offset, int new_pitch, int new_row_size,
                               int new_height) = 0;
  virtual int SetMemoryMax(int megabytes) = 0;
  virtual int SetWorkingDir(const char* dir) = 0;
  virtual void* ManageCache(int key, void* data) = 0;
  virtual bool PlanarChromaAlignment(PlanarChromaAlignmentMode key) = 0;
  virtual PVideoFrame SubframePlanar(PVideoFrame src, int rel_offset, int new_pitch,
                                     int new_row_size, int new_height, int rel_offsetU,
                                     int rel_offsetV, int new_pitchUV) = 0;
  virtual void DeleteScriptEnvironment() = 0;
  virtual void ApplyMessage(PVideoFrame* frame, const VideoInfo& vi, const char* message,
                            int size, int textcolor, int halocolor, int bgcolor) = 0;
  virtual const AVS_Linkage* GetAVSLinkage() = 0;
};

#ifndef AVS_FRAMESERVER_CORE
// To a host a frame and its buffer are opaque: objects that live inside the
// library, reached only through the table.
class VideoFrameBuffer {
 public:
  VideoFrameBuffer() = delete;
  const BYTE* GetReadPtr() const;
  BYTE* GetWritePtr();
  int GetDataSize() const;
  int GetSequenceNumber() const;
  int GetRefcount() const;
};

class VideoFrame {
 public:
  VideoFrame() = delete;
  int GetPitch(int plane = 0) const;
  int GetRowSize(int plane = 0) const;
  int GetHeight(int plane = 0) const;
  VideoFrameBuffer* GetFrameBuffer() const;
  int GetOffset(int plane = 0) const;
  const BYTE* GetReadPtr(int plane = 0) const;
  bool IsWritable() const;
  BYTE* GetWritePtr(int plane = 0) const;
};
#endif

// Entries are pointers to member functions (16 bytes each under the Itanium
// ABI); entry i sits at offset 8 + 16 * i.
struct AVS_Linkage {
  int Size;

  // 0-41: VideoInfo
  bool (VideoInfo::*HasVideo)() const;
  bool (VideoInfo::*HasAudio)() const;
  bool (VideoInfo::*IsRGB)() const;
  bool (VideoInfo::*IsRGB24)() const;
  bool (VideoInfo::*IsRGB32)() const;
  bool (VideoInfo::*IsYUV)() const;
  bool (VideoInfo::*IsYUY2)() const;
  bool (VideoInfo::*IsYV24)() const;
  bool (VideoInfo::*IsYV16)() const;
  bool (VideoInfo::*IsYV12)() const;
  bool (VideoInfo::*IsYV411)() const;
  bool (VideoInfo::*IsY8)() const;
  bool (VideoInfo::*IsColorSpace)(int) const;
  bool (VideoInfo::*Is)(int) const;
  bool (VideoInfo::*IsPlanar)() const;
  bool (VideoInfo::*IsFieldBased)() const;
  bool (VideoInfo::*IsParityKnown)() const;
  bool (VideoInfo::*IsBFF)() const;
  bool (VideoInfo::*IsTFF)() const;
  bool (VideoInfo::*IsVPlaneFirst)() const;
  int (VideoInfo::*BytesFromPixels)(int) const;
  int (VideoInfo::*RowSize)(int) const;
  int (VideoInfo::*BMPSize)() const;
  int64_t (VideoInfo::*AudioSamplesFromFrames)(int) const;
  int (VideoInfo::*FramesFromAudioSamples)(int64_t) const;
  int64_t (VideoInfo::*AudioSamplesFromBytes)(int64_t) const;
  int64_t (VideoInfo::*BytesFromAudioSamples)(int64_t) const;
  int (VideoInfo::*AudioChannels)() const;
  int (VideoInfo::*SampleType)() const;
  bool (VideoInfo::*IsSampleType)(int) const;
  int (VideoInfo::*SamplesPerSecond)() const;
  int (VideoInfo::*BytesPerAudioSample)() const;
  void (VideoInfo::*SetFieldBased)(bool);
  void (VideoInfo::*Set)(int);
  void (VideoInfo::*Clear)(int);
  int (VideoInfo::*GetPlaneWidthSubsampling)(int) const;
  int (VideoInfo::*GetPlaneHeightSubsampling)(int) const;
  int (VideoInfo::*BitsPerPixel)() const;
  int (VideoInfo::*BytesPerChannelSample)() const;
  void (VideoInfo::*SetFPS)(unsigned, unsigned);
  void (VideoInfo::*MulDivFPS)(unsigned, unsigned);
  bool (VideoInfo::*IsSameColorspace)(const VideoInfo&) const;

  // 42-46: VideoFrameBuffer
  const BYTE* (VideoFrameBuffer::*VFBGetReadPtr)() const;
  BYTE* (VideoFrameBuffer::*VFBGetWritePtr)();
  int (VideoFrameBuffer::*GetDataSize)() const;
  int (VideoFrameBuffer::*GetSequenceNumber)() const;
  int (VideoFrameBuffer::*GetRefcount)() const;

  // 47-55: VideoFrame
  int (VideoFrame::*GetPitch)(int) const;
  int (VideoFrame::*GetRowSize)(int) const;
  int (VideoFrame::*GetHeight)(int) const;
  VideoFrameBuffer* (VideoFrame::*GetFrameBuffer)() const;
  int (VideoFrame::*GetOffset)(int) const;
  const BYTE* (VideoFrame::*VFGetReadPtr)(int) const;
  bool (VideoFrame::*IsWritable)() const;
  BYTE* (VideoFrame::*VFGetWritePtr)(int) const;
  void (VideoFrame::*VideoFrame_DESTRUCTOR)();

  // 56-61: PClip
  void (PClip::*PClip_CONSTRUCTOR0)();
  void (PClip::*PClip_CONSTRUCTOR1)(const PClip&);
  void (PClip::*PClip_CONSTRUCTOR2)(IClip*);
  void (PClip::*PClip_OPERATOR_ASSIGN0)(IClip*);
  void (PClip::*PClip_OPERATOR_ASSIGN1)(const PClip&);
  void (PClip::*PClip_DESTRUCTOR)();

  // 62-67: PVideoFrame
  void (PVideoFrame::*PVideoFrame_CONSTRUCTOR0)();
  void (PVideoFrame::*PVideoFrame_CONSTRUCTOR1)(const PVideoFrame&);
  void (PVideoFrame::*PVideoFrame_CONSTRUCTOR2)(VideoFrame*);
  void (PVideoFrame::*PVideoFrame_OPERATOR_ASSIGN0)(VideoFrame*);
  void (PVideoFrame::*PVideoFrame_OPERATOR_ASSIGN1)(const PVideoFrame&);
  void (PVideoFrame::*PVideoFrame_DESTRUCTOR)();

  // 68-103: AVSValue
  void (AVSValue::*AVSValue_CONSTRUCTOR0)();
  void (AVSValue::*AVSValue_CONSTRUCTOR1)(IClip*);
  void (AVSValue::*AVSValue_CONSTRUCTOR2)(const PClip&);
  void (AVSValue::*AVSValue_CONSTRUCTOR3)(bool);
  void (AVSValue::*AVSValue_CONSTRUCTOR4)(int);
  void (AVSValue::*AVSValue_CONSTRUCTOR5)(float);
  void (AVSValue::*AVSValue_CONSTRUCTOR6)(double);
  void (AVSValue::*AVSValue_CONSTRUCTOR7)(const char*);
  void (AVSValue::*AVSValue_CONSTRUCTOR8)(const AVSValue*, int);
  void (AVSValue::*AVSValue_CONSTRUCTOR9)(const AVSValue&);
  void (AVSValue::*AVSValue_DESTRUCTOR)();
  AVSValue& (AVSValue::*AVSValue_OPERATOR_ASSIGN)(const AVSValue&);
  const AVSValue& (AVSValue::*AVSValue_OPERATOR_INDEX)(int) const;
  bool (AVSValue::*Defined)() const;
  bool (AVSValue::*IsClip)() const;
  bool (AVSValue::*IsBool)() const;
  bool (AVSValue::*IsInt)() const;
  bool (AVSValue::*IsFloat)() const;
  bool (AVSValue::*IsString)() const;
  bool (AVSValue::*IsArray)() const;
  PClip (AVSValue::*AsClip)() const;
  bool (AVSValue::*AsBool1)() const;
  int (AVSValue::*AsInt1)() const;
  const char* (AVSValue::*AsString1)() const;
  double (AVSValue::*AsFloat1)() const;
  bool (AVSValue::*AsBool2)(bool) const;
  int (AVSValue::*AsInt2)(int) const;
  double (AVSValue::*AsDblDef)(double) const;
  double (AVSValue::*AsFloat2)(float) const;
  const char* (AVSValue::*AsString2)(const char*) const;
  int (AVSValue::*ArraySize)() const;
  bool (AVSValue::*IsLongStrict)() const;
  bool (AVSValue::*IsFloatfStrict)() const;
  int64_t (AVSValue::*AsLong1)() const;
  int64_t (AVSValue::*AsLong2)(int64_t) const;
  void (AVSValue::*AVSValue_CONSTRUCTOR12)(int64_t);

  // 104-130: unused
  void (AVSValue::*reserved_104_130[27])();

  // 131-142: VideoInfo, newer format tests
  int (VideoInfo::*NumComponents)() const;
  int (VideoInfo::*ComponentSize)() const;
  int (VideoInfo::*BitsPerComponent)() const;
  bool (VideoInfo::*Is444)() const;
  bool (VideoInfo::*Is422)() const;
  bool (VideoInfo::*Is420)() const;
  bool (VideoInfo::*IsY)() const;
  bool (VideoInfo::*IsRGB48)() const;
  bool (VideoInfo::*IsRGB64)() const;
  bool (VideoInfo::*IsYUVA)() const;
  bool (VideoInfo::*IsPlanarRGB)() const;
  bool (VideoInfo::*IsPlanarRGBA)() const;

  // 143-173: frame properties, function values, devices, later additions;
  // never called by this program, kept for the layout only.
  void (AVSValue::*later_143_173[31])();

  // 174-206: unused
  void (AVSValue::*reserved_174_206[33])();

  // A plain function pointer, not a member pointer.
  void* (*GetNeoEnv)(IScriptEnvironment* env);
};

// Layout facts of the library's ABI, checked where the private members are
// visible.
struct AvsLayoutCheck {
  static_assert(sizeof(AvisynthError) == 8);
  static_assert(offsetof(AvisynthError, msg) == 0);
  static_assert(sizeof(IScriptEnvironment) == 8);

  static_assert(sizeof(IClip) == 16);
  // A polymorphic class is not standard-layout, but GCC lays it out as the
  // Itanium ABI says: vptr first, then the counter.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Winvalid-offsetof"
  static_assert(offsetof(IClip, refcnt_) == 8);
#pragma GCC diagnostic pop
  // The library declares the counter long: 8 bytes on Linux, 4 on Windows.
#ifdef _WIN32
  static_assert(sizeof(IClip::refcnt_) == 4);
#else
  static_assert(sizeof(IClip::refcnt_) == 8);
#endif

  static_assert(sizeof(PClip) == 8 && offsetof(PClip, p_) == 0);
  static_assert(sizeof(PVideoFrame) == 8 && offsetof(PVideoFrame, p_) == 0);

  static_assert(sizeof(AVSValue) == 16 && alignof(AVSValue) == 8);
  static_assert(offsetof(AVSValue, type_) == 0 && sizeof(AVSValue::type_) == 2);
  static_assert(offsetof(AVSValue, array_size_) == 2 && sizeof(AVSValue::array_size_) == 2);
  static_assert(offsetof(AVSValue, clip_) == 8 && offsetof(AVSValue, longlong_) == 8);
  static_assert(offsetof(AVSValue, double_) == 8 && offsetof(AVSValue, string_) == 8);
};

// Values cross the boundary through hidden pointers only while these
// classes are non-trivial; a trivially copyable PVideoFrame would come back
// in a register and break GetFrame.
static_assert(!std::is_trivially_copyable_v<PClip>);
static_assert(!std::is_trivially_copyable_v<PVideoFrame>);
static_assert(!std::is_trivially_copyable_v<AVSValue>);

static_assert(sizeof(VideoInfo) == 48 && alignof(VideoInfo) == 8);
static_assert(offsetof(VideoInfo, width) == 0);
static_assert(offsetof(VideoInfo, height) == 4);
static_assert(offsetof(VideoInfo, fps_numerator) == 8);
static_assert(offsetof(VideoInfo, fps_denominator) == 12);
static_assert(offsetof(VideoInfo, num_frames) == 16);
static_assert(offsetof(VideoInfo, pixel_type) == 20);
static_assert(offsetof(VideoInfo, audio_samples_per_second) == 24);
static_assert(offsetof(VideoInfo, sample_type) == 28);
static_assert(offsetof(VideoInfo, num_audio_samples) == 32);
static_assert(offsetof(VideoInfo, nchannels) == 40);
static_assert(offsetof(VideoInfo, image_type) == 44);

static_assert(sizeof(bool (VideoInfo::*)() const) == 16);
static_assert(sizeof(AVS_Linkage) == 3328);
static_assert(offsetof(AVS_Linkage, Size) == 0);
#define AVS_CHECK_ENTRY(name, index) \
  static_assert(offsetof(AVS_Linkage, name) == 8 + 16 * (index), #name)
AVS_CHECK_ENTRY(HasVideo, 0);
AVS_CHECK_ENTRY(HasAudio, 1);
AVS_CHECK_ENTRY(IsRGB, 2);
AVS_CHECK_ENTRY(IsRGB24, 3);
AVS_CHECK_ENTRY(IsRGB32, 4);
AVS_CHECK_ENTRY(IsYUV, 5);
AVS_CHECK_ENTRY(IsYUY2, 6);
AVS_CHECK_ENTRY(IsYV24, 7);
AVS_CHECK_ENTRY(IsYV16, 8);
AVS_CHECK_ENTRY(IsYV12, 9);
AVS_CHECK_ENTRY(IsYV411, 10);
AVS_CHECK_ENTRY(IsY8, 11);
AVS_CHECK_ENTRY(IsColorSpace, 12);
AVS_CHECK_ENTRY(Is, 13);
AVS_CHECK_ENTRY(IsPlanar, 14);
AVS_CHECK_ENTRY(IsFieldBased, 15);
AVS_CHECK_ENTRY(IsParityKnown, 16);
AVS_CHECK_ENTRY(IsBFF, 17);
AVS_CHECK_ENTRY(IsTFF, 18);
AVS_CHECK_ENTRY(IsVPlaneFirst, 19);
AVS_CHECK_ENTRY(BytesFromPixels, 20);
AVS_CHECK_ENTRY(RowSize, 21);
AVS_CHECK_ENTRY(BMPSize, 22);
AVS_CHECK_ENTRY(AudioSamplesFromFrames, 23);
AVS_CHECK_ENTRY(FramesFromAudioSamples, 24);
AVS_CHECK_ENTRY(AudioSamplesFromBytes, 25);
AVS_CHECK_ENTRY(BytesFromAudioSamples, 26);
AVS_CHECK_ENTRY(AudioChannels, 27);
AVS_CHECK_ENTRY(SampleType, 28);
AVS_CHECK_ENTRY(IsSampleType, 29);
AVS_CHECK_ENTRY(SamplesPerSecond, 30);
AVS_CHECK_ENTRY(BytesPerAudioSample, 31);
AVS_CHECK_ENTRY(SetFieldBased, 32);
AVS_CHECK_ENTRY(Set, 33);
AVS_CHECK_ENTRY(Clear, 34);
AVS_CHECK_ENTRY(GetPlaneWidthSubsampling, 35);
AVS_CHECK_ENTRY(GetPlaneHeightSubsampling, 36);
AVS_CHECK_ENTRY(BitsPerPixel, 37);
AVS_CHECK_ENTRY(BytesPerChannelSample, 38);
AVS_CHECK_ENTRY(SetFPS, 39);
AVS_CHECK_ENTRY(MulDivFPS, 40);
AVS_CHECK_ENTRY(IsSameColorspace, 41);
AVS_CHECK_ENTRY(VFBGetReadPtr, 42);
AVS_CHECK_ENTRY(VFBGetWritePtr, 43);
AVS_CHECK_ENTRY(GetDataSize, 44);
AVS_CHECK_ENTRY(GetSequenceNumber, 45);
AVS_CHECK_ENTRY(GetRefcount, 46);
AVS_CHECK_ENTRY(GetPitch, 47);
AVS_CHECK_ENTRY(GetRowSize, 48);
AVS_CHECK_ENTRY(GetHeight, 49);
AVS_CHECK_ENTRY(GetFrameBuffer, 50);
AVS_CHECK_ENTRY(GetOffset, 51);
AVS_CHECK_ENTRY(VFGetReadPtr, 52);
AVS_CHECK_ENTRY(IsWritable, 53);
AVS_CHECK_ENTRY(VFGetWritePtr, 54);
AVS_CHECK_ENTRY(VideoFrame_DESTRUCTOR, 55);
AVS_CHECK_ENTRY(PClip_CONSTRUCTOR0, 56);
AVS_CHECK_ENTRY(PClip_CONSTRUCTOR1, 57);
AVS_CHECK_ENTRY(PClip_CONSTRUCTOR2, 58);
AVS_CHECK_ENTRY(PClip_OPERATOR_ASSIGN0, 59);
AVS_CHECK_ENTRY(PClip_OPERATOR_ASSIGN1, 60);
AVS_CHECK_ENTRY(PClip_DESTRUCTOR, 61);
AVS_CHECK_ENTRY(PVideoFrame_CONSTRUCTOR0, 62);
AVS_CHECK_ENTRY(PVideoFrame_CONSTRUCTOR1, 63);
AVS_CHECK_ENTRY(PVideoFrame_CONSTRUCTOR2, 64);
AVS_CHECK_ENTRY(PVideoFrame_OPERATOR_ASSIGN0, 65);
AVS_CHECK_ENTRY(PVideoFrame_OPERATOR_ASSIGN1, 66);
AVS_CHECK_ENTRY(PVideoFrame_DESTRUCTOR, 67);
AVS_CHECK_ENTRY(AVSValue_CONSTRUCTOR0, 68);
AVS_CHECK_ENTRY(AVSValue_CONSTRUCTOR1, 69);
AVS_CHECK_ENTRY(AVSValue_CONSTRUCTOR2, 70);
AVS_CHECK_ENTRY(AVSValue_CONSTRUCTOR3, 71);
AVS_CHECK_ENTRY(AVSValue_CONSTRUCTOR4, 72);
AVS_CHECK_ENTRY(AVSValue_CONSTRUCTOR5, 73);
AVS_CHECK_ENTRY(AVSValue_CONSTRUCTOR6, 74);
AVS_CHECK_ENTRY(AVSValue_CONSTRUCTOR7, 75);
AVS_CHECK_ENTRY(AVSValue_CONSTRUCTOR8, 76);
AVS_CHECK_ENTRY(AVSValue_CONSTRUCTOR9, 77);
AVS_CHECK_ENTRY(AVSValue_DESTRUCTOR, 78);
AVS_CHECK_ENTRY(AVSValue_OPERATOR_ASSIGN, 79);
AVS_CHECK_ENTRY(AVSValue_OPERATOR_INDEX, 80);
AVS_CHECK_ENTRY(Defined, 81);
AVS_CHECK_ENTRY(IsClip, 82);
AVS_CHECK_ENTRY(IsBool, 83);
AVS_CHECK_ENTRY(IsInt, 84);
AVS_CHECK_ENTRY(IsFloat, 85);
AVS_CHECK_ENTRY(IsString, 86);
AVS_CHECK_ENTRY(IsArray, 87);
AVS_CHECK_ENTRY(AsClip, 88);
AVS_CHECK_ENTRY(AsBool1, 89);
AVS_CHECK_ENTRY(AsInt1, 90);
AVS_CHECK_ENTRY(AsString1, 91);
AVS_CHECK_ENTRY(AsFloat1, 92);
AVS_CHECK_ENTRY(AsBool2, 93);
AVS_CHECK_ENTRY(AsInt2, 94);
AVS_CHECK_ENTRY(AsDblDef, 95);
AVS_CHECK_ENTRY(AsFloat2, 96);
AVS_CHECK_ENTRY(AsString2, 97);
AVS_CHECK_ENTRY(ArraySize, 98);
AVS_CHECK_ENTRY(IsLongStrict, 99);
AVS_CHECK_ENTRY(IsFloatfStrict, 100);
AVS_CHECK_ENTRY(AsLong1, 101);
AVS_CHECK_ENTRY(AsLong2, 102);
AVS_CHECK_ENTRY(AVSValue_CONSTRUCTOR12, 103);
AVS_CHECK_ENTRY(reserved_104_130, 104);
AVS_CHECK_ENTRY(NumComponents, 131);
AVS_CHECK_ENTRY(IsPlanarRGBA, 142);
AVS_CHECK_ENTRY(later_143_173, 143);
AVS_CHECK_ENTRY(reserved_174_206, 174);
#undef AVS_CHECK_ENTRY
static_assert(offsetof(AVS_Linkage, GetNeoEnv) == 3320);

// Size that covers entries 0-103 and nothing after.
inline constexpr int kAvsLinkageCoreSize = 8 + 16 * 104;
static_assert(kAvsLinkageCoreSize == 1672);

#ifndef AVS_FRAMESERVER_CORE
#include "avisynth_interface_host.h"
#endif
