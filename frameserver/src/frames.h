// Frame buffers and frames of the frame server, and the pool they come
// from. A frame whose count drops to zero goes back to the pool; memory is
// returned only when the environment (and with it the pool) goes away.
#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

#include "avs_abi/avisynth_interface.h"

class FramePool;

class VideoFrameBuffer {
 public:
  explicit VideoFrameBuffer(int size);
  ~VideoFrameBuffer();
  VideoFrameBuffer(const VideoFrameBuffer&) = delete;
  VideoFrameBuffer& operator=(const VideoFrameBuffer&) = delete;

  const BYTE* GetReadPtr() const { return data_; }
  BYTE* GetWritePtr() { ++sequence_; return data_; }
  int GetDataSize() const { return size_; }
  int GetSequenceNumber() const { return sequence_; }
  int GetRefcount() const { return users_; }

 private:
  friend class FramePool;
  friend class VideoFrame;
  BYTE* data_;
  int size_;
  int sequence_ = 0;
  int users_ = 0;  // live frames on this buffer; guarded by the pool
};

// Where the planes of a frame sit inside its buffer.
struct FrameGeometry {
  int offset = 0, pitch = 0, row_size = 0, height = 0;
  int offset_u = 0, offset_v = 0, pitch_uv = 0, row_size_uv = 0, height_uv = 0;
};

class VideoFrame {
 public:
  int GetPitch(int plane = 0) const;
  int GetRowSize(int plane = 0) const;
  int GetHeight(int plane = 0) const;
  VideoFrameBuffer* GetFrameBuffer() const { return buffer_; }
  int GetOffset(int plane = 0) const;
  const BYTE* GetReadPtr(int plane = 0) const;
  bool IsWritable() const;
  BYTE* GetWritePtr(int plane = 0) const;
  // The library owns frames; the table's destructor entry leaves them to
  // the pool.
  void DESTRUCTOR() {}

  void AddRef() { refcount_.fetch_add(1); }
  void Release();
  long RefCount() const { return refcount_.load(); }
  const FrameGeometry& Geometry() const { return geometry_; }

 private:
  friend class FramePool;
  std::atomic<long> refcount_{0};
  FramePool* pool_ = nullptr;
  VideoFrameBuffer* buffer_ = nullptr;
  FrameGeometry geometry_;
  bool in_use_ = false;  // guarded by the pool
};

class FramePool {
 public:
  FramePool() = default;
  FramePool(const FramePool&) = delete;
  FramePool& operator=(const FramePool&) = delete;

  // A frame with a count of zero on a zeroed or recycled buffer of `size`
  // bytes; the caller wraps it in a PVideoFrame at once.
  VideoFrame* NewFrame(int size, const FrameGeometry& geometry);
  // A frame sharing `source`'s buffer with other plane positions.
  VideoFrame* NewView(VideoFrame* source, const FrameGeometry& geometry);
  void Recycle(VideoFrame* frame);
  int BufferCount();

 private:
  VideoFrame* FreeFrameLocked();

  std::mutex mutex_;
  std::vector<std::unique_ptr<VideoFrameBuffer>> buffers_;
  std::vector<std::unique_ptr<VideoFrame>> frames_;
};

// Plane layout of a new frame for `vi`, rows aligned to `align` bytes.
FrameGeometry GeometryFor(const VideoInfo& vi, int align, int* total_size);
