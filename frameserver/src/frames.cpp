#include "frames.h"

#include <cstring>
#include <new>

#include "pixel_format.h"

namespace {
constexpr std::align_val_t kBufferAlign{64};

int AlignUp(int value, int align) { return (value + align - 1) / align * align; }
}  // namespace

VideoFrameBuffer::VideoFrameBuffer(int size)
    : data_(static_cast<BYTE*>(::operator new[](size > 0 ? size : 1, kBufferAlign))),
      size_(size) {
  std::memset(data_, 0, size > 0 ? size : 1);
}

VideoFrameBuffer::~VideoFrameBuffer() { ::operator delete[](data_, kBufferAlign); }

int VideoFrame::GetPitch(int plane) const {
  return (plane == PLANAR_U || plane == PLANAR_V) ? geometry_.pitch_uv : geometry_.pitch;
}
int VideoFrame::GetRowSize(int plane) const {
  return (plane == PLANAR_U || plane == PLANAR_V) ? geometry_.row_size_uv : geometry_.row_size;
}
int VideoFrame::GetHeight(int plane) const {
  return (plane == PLANAR_U || plane == PLANAR_V) ? geometry_.height_uv : geometry_.height;
}
int VideoFrame::GetOffset(int plane) const {
  if (plane == PLANAR_U) return geometry_.offset_u;
  if (plane == PLANAR_V) return geometry_.offset_v;
  return geometry_.offset;
}
const BYTE* VideoFrame::GetReadPtr(int plane) const {
  return buffer_->GetReadPtr() + GetOffset(plane);
}
bool VideoFrame::IsWritable() const { return refcount_.load() == 1 && buffer_->users_ == 1; }
BYTE* VideoFrame::GetWritePtr(int plane) const {
  return IsWritable() ? buffer_->GetWritePtr() + GetOffset(plane) : nullptr;
}

void VideoFrame::Release() {
  if (refcount_.fetch_sub(1) == 1) pool_->Recycle(this);
}

VideoFrame* FramePool::FreeFrameLocked() {
  for (auto& frame : frames_) {
    if (!frame->in_use_) return frame.get();
  }
  frames_.push_back(std::make_unique<VideoFrame>());
  return frames_.back().get();
}

VideoFrame* FramePool::NewFrame(int size, const FrameGeometry& geometry) {
  std::lock_guard<std::mutex> lock(mutex_);
  VideoFrameBuffer* buffer = nullptr;
  for (auto& candidate : buffers_) {
    if (candidate->users_ == 0 && candidate->size_ == size) {
      buffer = candidate.get();
      break;
    }
  }
  if (buffer == nullptr) {
    buffers_.push_back(std::make_unique<VideoFrameBuffer>(size));
    buffer = buffers_.back().get();
  }
  VideoFrame* frame = FreeFrameLocked();
  frame->pool_ = this;
  frame->buffer_ = buffer;
  frame->geometry_ = geometry;
  frame->in_use_ = true;
  buffer->users_++;
  return frame;
}

VideoFrame* FramePool::NewView(VideoFrame* source, const FrameGeometry& geometry) {
  std::lock_guard<std::mutex> lock(mutex_);
  VideoFrame* frame = FreeFrameLocked();
  frame->pool_ = this;
  frame->buffer_ = source->buffer_;
  frame->geometry_ = geometry;
  frame->in_use_ = true;
  source->buffer_->users_++;
  return frame;
}

void FramePool::Recycle(VideoFrame* frame) {
  std::lock_guard<std::mutex> lock(mutex_);
  frame->in_use_ = false;
  frame->buffer_->users_--;
  frame->buffer_ = nullptr;
}

int FramePool::BufferCount() {
  std::lock_guard<std::mutex> lock(mutex_);
  return static_cast<int>(buffers_.size());
}

FrameGeometry GeometryFor(const VideoInfo& vi, int align, int* total_size) {
  if (align < 16) align = 16;
  FrameGeometry g;
  const unsigned pt = static_cast<unsigned>(vi.pixel_type);
  const int width = vi.width > 0 ? vi.width : 0;
  const int height = vi.height > 0 ? vi.height : 0;
  g.height = height;
  if (pixel_format::HasChromaPlanes(pt)) {
    const int comp = pixel_format::ComponentBytes(pt);
    g.row_size = width * comp;
    g.pitch = AlignUp(g.row_size, align);
    g.row_size_uv = (width >> pixel_format::WidthShift(pt)) * comp;
    g.pitch_uv = AlignUp(g.row_size_uv, align);
    g.height_uv = height >> pixel_format::HeightShift(pt);
    const int luma = g.pitch * height;
    const int chroma = g.pitch_uv * g.height_uv;
    const bool v_first = (pt & 8u) != 0;
    g.offset_v = v_first ? luma : luma + chroma;
    g.offset_u = v_first ? luma + chroma : luma;
    *total_size = luma + 2 * chroma;
  } else {
    g.row_size = width * pixel_format::BytesPerPixel(pt);
    g.pitch = AlignUp(g.row_size, align);
    *total_size = g.pitch * height;
  }
  return g;
}
