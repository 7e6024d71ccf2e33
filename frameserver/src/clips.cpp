#include "clips.h"

#include <chrono>
#include <cstring>

#include "environment.h"

BlankClip::BlankClip(const VideoInfo& vi, IScriptEnvironment* env) : vi_(vi) {
  if (vi_.HasVideo()) frame_ = env->NewVideoFrame(vi_);
}

PVideoFrame BlankClip::GetFrame(int, IScriptEnvironment*) { return frame_; }

void BlankClip::GetAudio(void* buf, int64_t, int64_t count, IScriptEnvironment*) {
  if (buf && count > 0) std::memset(buf, 0, static_cast<size_t>(vi_.BytesFromAudioSamples(count)));
}

TrimClip::TrimClip(const PClip& child, int first, int last) : FilterClip(child), first_(0) {
  const VideoInfo& source = child->GetVideoInfo();
  const int frames = source.num_frames;
  if (last < 0) last = first - last - 1;  // a negative last is a frame count
  if (last == 0 || last >= frames) last = frames - 1;
  if (first < 0) first = 0;
  if (first >= frames) first = frames > 0 ? frames - 1 : 0;
  first_ = first;
  vi_.num_frames = last >= first ? last - first + 1 : 0;
  audio_offset_ = source.AudioSamplesFromFrames(first);
  vi_.num_audio_samples = source.AudioSamplesFromFrames(last + 1) - audio_offset_;
  if (vi_.num_audio_samples < 0) vi_.num_audio_samples = 0;
}

PVideoFrame TrimClip::GetFrame(int n, IScriptEnvironment* env) {
  if (n < 0) n = 0;
  if (n >= vi_.num_frames) n = vi_.num_frames - 1;
  return child_->GetFrame(n + first_, env);
}

void TrimClip::GetAudio(void* buf, int64_t start, int64_t count, IScriptEnvironment* env) {
  child_->GetAudio(buf, start + audio_offset_, count, env);
}

PVideoFrame InfoClip::GetFrame(int n, IScriptEnvironment* env) {
  if (!vi_.HasVideo()) return PVideoFrame();
  return child_->GetFrame(n, env);
}

void InfoClip::GetAudio(void* buf, int64_t start, int64_t count, IScriptEnvironment* env) {
  if (vi_.HasAudio()) {
    child_->GetAudio(buf, start, count, env);
  } else if (buf && count > 0) {
    std::memset(buf, 0, static_cast<size_t>(vi_.BytesFromAudioSamples(count)));
  }
}

PrefetchClip::PrefetchClip(const PClip& child, int threads, IScriptEnvironment* env)
    : FilterClip(child), env_(env), window_(threads) {
  for (int i = 0; i < threads; ++i) workers_.emplace_back([this] { Work(); });
}

PrefetchClip::~PrefetchClip() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  work_ready_.notify_all();
  for (auto& worker : workers_) worker.join();
}

void PrefetchClip::Work() {
  MarkFrameServerThread();
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    work_ready_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
    if (stopping_) return;
    const int n = queue_.front();
    queue_.pop_front();
    lock.unlock();
    PVideoFrame frame;
    std::exception_ptr error;
    try {
      frame = child_->GetFrame(n, env_);
    } catch (...) {
      error = std::current_exception();
    }
    lock.lock();
    Slot& slot = slots_[n];
    slot.frame = frame;
    slot.error = error;
    slot.done = true;
    slot_done_.notify_all();
  }
}

PVideoFrame PrefetchClip::GetFrame(int n, IScriptEnvironment*) {
  std::unique_lock<std::mutex> lock(mutex_);
  // Results outside the window ahead are of no more use.
  for (auto it = slots_.begin(); it != slots_.end();) {
    const bool stale = it->second.done && (it->first < n || it->first >= n + window_);
    it = stale ? slots_.erase(it) : std::next(it);
  }
  for (int k = n; k < n + window_ && k < vi_.num_frames; ++k) {
    if (slots_.count(k) == 0) {
      slots_[k];
      queue_.push_back(k);
    }
  }
  if (slots_.count(n) == 0) {  // outside the clip: still answer the request
    slots_[n];
    queue_.push_back(n);
  }
  work_ready_.notify_all();
  slot_done_.wait(lock, [&] { return slots_[n].done; });
  PVideoFrame frame = slots_[n].frame;
  std::exception_ptr error = slots_[n].error;
  slots_.erase(n);
  lock.unlock();
  if (error) std::rethrow_exception(error);
  return frame;
}

PVideoFrame SpinClip::GetFrame(int n, IScriptEnvironment* env) {
  const auto until = std::chrono::steady_clock::now() + std::chrono::microseconds(microseconds_);
  while (std::chrono::steady_clock::now() < until) {
  }
  return child_->GetFrame(n, env);
}

PVideoFrame NapClip::GetFrame(int n, IScriptEnvironment* env) {
  std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds_));
  return child_->GetFrame(n, env);
}

PVideoFrame HoldClip::GetFrame(int n, IScriptEnvironment* env) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!memory_ && megabytes_ > 0) {
      const size_t size = static_cast<size_t>(megabytes_) << 20;
      try {
        memory_.reset(new char[size]);
      } catch (const std::bad_alloc&) {
        env->ThrowError("Hold: cannot allocate %d MB", megabytes_);
      }
      // Touch every page so that the memory is really in use.
      std::memset(memory_.get(), 1, size);
    }
  }
  return child_->GetFrame(n, env);
}

WorkersClip::WorkersClip(const PClip& child, int count) : FilterClip(child) {
  for (int i = 0; i < count; ++i) {
    threads_.emplace_back([this] {
      std::unique_lock<std::mutex> lock(mutex_);
      wake_.wait(lock, [this] { return stopping_; });
    });
  }
}

WorkersClip::~WorkersClip() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  for (auto& thread : threads_) thread.join();
}

PVideoFrame FaultClip::GetFrame(int n, IScriptEnvironment* env) {
  if (n == frame_) RaiseFault(kind_, n, env);
  return child_->GetFrame(n, env);
}
