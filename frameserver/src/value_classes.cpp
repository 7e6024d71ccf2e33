// PClip, PVideoFrame and AVSValue as the library implements them. The
// table's constructor entries point at the CONSTRUCTORn members, which
// initialise *this from nothing.
#include <atomic>
#include <climits>

#include "avs_abi/avisynth_interface.h"
#include "frames.h"

// Clip counts change atomically: Prefetch workers copy and drop clips
// while the host does the same.
void PClip::CONSTRUCTOR0() { p_ = nullptr; }
void PClip::CONSTRUCTOR1(const PClip& other) { p_ = other.p_; if (p_) __atomic_add_fetch(&p_->refcnt_, 1, __ATOMIC_ACQ_REL); }
void PClip::CONSTRUCTOR2(IClip* clip) { p_ = clip; if (p_) __atomic_add_fetch(&p_->refcnt_, 1, __ATOMIC_ACQ_REL); }
void PClip::DESTRUCTOR() {
  if (p_ && __atomic_sub_fetch(&p_->refcnt_, 1, __ATOMIC_ACQ_REL) == 0) delete p_;
  p_ = nullptr;
}
void PClip::operator=(IClip* clip) {
  if (clip) __atomic_add_fetch(&clip->refcnt_, 1, __ATOMIC_ACQ_REL);
  DESTRUCTOR();
  p_ = clip;
}
void PClip::operator=(const PClip& other) { operator=(other.p_); }
PClip::PClip() { CONSTRUCTOR0(); }
PClip::PClip(const PClip& other) { CONSTRUCTOR1(other); }
PClip::PClip(IClip* clip) { CONSTRUCTOR2(clip); }
PClip::~PClip() { DESTRUCTOR(); }

void PVideoFrame::CONSTRUCTOR0() { p_ = nullptr; }
void PVideoFrame::CONSTRUCTOR1(const PVideoFrame& other) { p_ = other.p_; if (p_) p_->AddRef(); }
void PVideoFrame::CONSTRUCTOR2(VideoFrame* frame) { p_ = frame; if (p_) p_->AddRef(); }
void PVideoFrame::DESTRUCTOR() {
  if (p_) p_->Release();
  p_ = nullptr;
}
void PVideoFrame::operator=(VideoFrame* frame) {
  if (frame) frame->AddRef();
  DESTRUCTOR();
  p_ = frame;
}
void PVideoFrame::operator=(const PVideoFrame& other) { operator=(other.p_); }
PVideoFrame::PVideoFrame() { CONSTRUCTOR0(); }
PVideoFrame::PVideoFrame(const PVideoFrame& other) { CONSTRUCTOR1(other); }
PVideoFrame::PVideoFrame(VideoFrame* frame) { CONSTRUCTOR2(frame); }
PVideoFrame::~PVideoFrame() { DESTRUCTOR(); }

void AVSValue::CONSTRUCTOR0() { type_ = 'v'; array_size_ = 0; longlong_ = 0; }
void AVSValue::CONSTRUCTOR1(IClip* clip) {
  CONSTRUCTOR0();
  type_ = 'c';
  clip_ = clip;
  if (clip) __atomic_add_fetch(&clip->refcnt_, 1, __ATOMIC_ACQ_REL);
}
void AVSValue::CONSTRUCTOR2(const PClip& clip) { CONSTRUCTOR1(clip.get()); }
void AVSValue::CONSTRUCTOR3(bool b) { CONSTRUCTOR0(); type_ = 'b'; boolean_ = b; }
void AVSValue::CONSTRUCTOR4(int i) { CONSTRUCTOR0(); type_ = 'i'; integer_ = i; }
void AVSValue::CONSTRUCTOR5(float f) { CONSTRUCTOR0(); type_ = 'f'; floating_ = f; }
void AVSValue::CONSTRUCTOR6(double d) { CONSTRUCTOR0(); type_ = 'd'; double_ = d; }
void AVSValue::CONSTRUCTOR7(const char* s) { CONSTRUCTOR0(); type_ = 's'; string_ = s; }
void AVSValue::CONSTRUCTOR8(const AVSValue* values, int size) {
  CONSTRUCTOR0();
  type_ = 'a';
  // The count is a 16-bit field; a negative or larger size cannot be
  // represented, so such a request yields an empty array instead of a
  // silently wrapped one.
  if (values == nullptr || size <= 0 || size > SHRT_MAX) return;
  AVSValue* copy = new AVSValue[size];
  for (int i = 0; i < size; ++i) copy[i] = values[i];
  array_ = copy;
  array_size_ = static_cast<short>(size);
}
void AVSValue::CONSTRUCTOR9(const AVSValue& other) {
  if (other.type_ == 'a') {
    CONSTRUCTOR8(other.array_, other.array_size_);
  } else if (other.type_ == 'c') {
    CONSTRUCTOR1(other.clip_);
  } else {
    type_ = other.type_;
    array_size_ = other.array_size_;
    longlong_ = other.longlong_;
  }
}
void AVSValue::CONSTRUCTOR12(int64_t l) { CONSTRUCTOR0(); type_ = 'l'; longlong_ = l; }
void AVSValue::DESTRUCTOR() {
  if (type_ == 'c' && clip_ && __atomic_sub_fetch(&clip_->refcnt_, 1, __ATOMIC_ACQ_REL) == 0) {
    delete clip_;
  } else if (type_ == 'a') {
    delete[] array_;
  }
  CONSTRUCTOR0();
}

AVSValue::AVSValue() { CONSTRUCTOR0(); }
AVSValue::AVSValue(IClip* clip) { CONSTRUCTOR1(clip); }
AVSValue::AVSValue(const PClip& clip) { CONSTRUCTOR2(clip); }
AVSValue::AVSValue(bool b) { CONSTRUCTOR3(b); }
AVSValue::AVSValue(int i) { CONSTRUCTOR4(i); }
AVSValue::AVSValue(int64_t l) { CONSTRUCTOR12(l); }
AVSValue::AVSValue(float f) { CONSTRUCTOR5(f); }
AVSValue::AVSValue(double d) { CONSTRUCTOR6(d); }
AVSValue::AVSValue(const char* s) { CONSTRUCTOR7(s); }
AVSValue::AVSValue(const AVSValue* values, int size) { CONSTRUCTOR8(values, size); }
AVSValue::AVSValue(const AVSValue& first, int size) { CONSTRUCTOR8(&first, size); }
AVSValue::AVSValue(const AVSValue& other) { CONSTRUCTOR9(other); }
AVSValue::~AVSValue() { DESTRUCTOR(); }

AVSValue& AVSValue::operator=(const AVSValue& other) {
  // Copy first: the new references are taken before the old ones go, which
  // also makes assigning a value to itself or to one of its elements safe.
  AVSValue copy(other);
  DESTRUCTOR();
  type_ = copy.type_;
  array_size_ = copy.array_size_;
  longlong_ = copy.longlong_;
  copy.CONSTRUCTOR0();
  return *this;
}

const AVSValue& AVSValue::operator[](int index) const {
  if (type_ == 'a' && index >= 0 && index < array_size_) return array_[index];
  return *this;
}

bool AVSValue::Defined() const { return type_ != 'v'; }
bool AVSValue::IsClip() const { return type_ == 'c'; }
bool AVSValue::IsBool() const { return type_ == 'b'; }
bool AVSValue::IsInt() const { return type_ == 'i' || type_ == 'l'; }
bool AVSValue::IsFloat() const { return type_ == 'f' || type_ == 'd' || IsInt(); }
bool AVSValue::IsString() const { return type_ == 's'; }
bool AVSValue::IsArray() const { return type_ == 'a'; }
bool AVSValue::IsLongStrict() const { return type_ == 'l'; }
bool AVSValue::IsFloatfStrict() const { return type_ == 'f'; }
PClip AVSValue::AsClip() const { return type_ == 'c' ? PClip(clip_) : PClip(); }
bool AVSValue::AsBool() const { return type_ == 'b' && boolean_; }
int AVSValue::AsInt() const {
  if (type_ == 'i') return integer_;
  if (type_ == 'l') return static_cast<int>(longlong_);
  return 0;
}
int64_t AVSValue::AsLong() const {
  if (type_ == 'l') return longlong_;
  if (type_ == 'i') return integer_;
  return 0;
}
const char* AVSValue::AsString() const { return type_ == 's' ? string_ : nullptr; }
double AVSValue::AsFloat() const {
  switch (type_) {
    case 'f': return floating_;
    case 'd': return double_;
    case 'i': return integer_;
    case 'l': return static_cast<double>(longlong_);
    default: return 0.0;
  }
}
bool AVSValue::AsBool(bool def) const { return type_ == 'b' ? boolean_ : def; }
int AVSValue::AsInt(int def) const { return IsInt() ? AsInt() : def; }
int64_t AVSValue::AsLong(int64_t def) const { return IsInt() ? AsLong() : def; }
double AVSValue::AsDblDef(double def) const { return IsFloat() ? AsFloat() : def; }
double AVSValue::AsFloat(float def) const { return IsFloat() ? AsFloat() : def; }
const char* AVSValue::AsString(const char* def) const { return type_ == 's' ? string_ : def; }
int AVSValue::ArraySize() const { return type_ == 'a' ? array_size_ : 1; }
