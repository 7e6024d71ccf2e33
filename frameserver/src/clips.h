// The clips behind the script functions.
#pragma once

#include <condition_variable>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "avs_abi/avisynth_interface.h"

// Passes everything to its child; filters change what they need.
class FilterClip : public IClip {
 public:
  explicit FilterClip(const PClip& child) : child_(child), vi_(child->GetVideoInfo()) {}
  PVideoFrame GetFrame(int n, IScriptEnvironment* env) override { return child_->GetFrame(n, env); }
  bool GetParity(int n) override { return child_->GetParity(n); }
  void GetAudio(void* buf, int64_t start, int64_t count, IScriptEnvironment* env) override {
    child_->GetAudio(buf, start, count, env);
  }
  int SetCacheHints(int, int) override { return 0; }
  const VideoInfo& GetVideoInfo() override { return vi_; }

 protected:
  PClip child_;
  VideoInfo vi_;
};

class BlankClip : public IClip {
 public:
  BlankClip(const VideoInfo& vi, IScriptEnvironment* env);
  PVideoFrame GetFrame(int n, IScriptEnvironment* env) override;
  bool GetParity(int) override { return false; }
  void GetAudio(void* buf, int64_t start, int64_t count, IScriptEnvironment* env) override;
  int SetCacheHints(int, int) override { return 0; }
  const VideoInfo& GetVideoInfo() override { return vi_; }

 private:
  VideoInfo vi_;
  PVideoFrame frame_;  // every frame is the same blank picture
};

class TrimClip : public FilterClip {
 public:
  TrimClip(const PClip& child, int first, int last);
  PVideoFrame GetFrame(int n, IScriptEnvironment* env) override;
  bool GetParity(int n) override { return child_->GetParity(n + first_); }
  void GetAudio(void* buf, int64_t start, int64_t count, IScriptEnvironment* env) override;

 private:
  int first_;
  int64_t audio_offset_;
};

// Changes only the clip's description (KillAudio, KillVideo, AssumeFPS,
// field flags); frames pass through.
class InfoClip : public FilterClip {
 public:
  InfoClip(const PClip& child, const VideoInfo& vi, int parity = -1)
      : FilterClip(child), parity_(parity) { vi_ = vi; }
  PVideoFrame GetFrame(int n, IScriptEnvironment* env) override;
  bool GetParity(int n) override { return parity_ < 0 ? child_->GetParity(n) : parity_ != 0; }
  void GetAudio(void* buf, int64_t start, int64_t count, IScriptEnvironment* env) override;

 private:
  int parity_;  // -1: the child's
};

// Requests frames from the child on worker threads, a few ahead.
class PrefetchClip : public FilterClip {
 public:
  PrefetchClip(const PClip& child, int threads, IScriptEnvironment* env);
  ~PrefetchClip() override;
  PVideoFrame GetFrame(int n, IScriptEnvironment* env) override;

 private:
  struct Slot {
    bool done = false;
    PVideoFrame frame;
    std::exception_ptr error;
  };
  void Work();

  IScriptEnvironment* env_;
  int window_;
  std::mutex mutex_;
  std::condition_variable work_ready_;
  std::condition_variable slot_done_;
  std::deque<int> queue_;
  std::map<int, Slot> slots_;
  bool stopping_ = false;
  std::vector<std::thread> workers_;
};

// Measuring and failure clips.
class SpinClip : public FilterClip {
 public:
  SpinClip(const PClip& child, int microseconds) : FilterClip(child), microseconds_(microseconds) {}
  PVideoFrame GetFrame(int n, IScriptEnvironment* env) override;
 private:
  int microseconds_;
};

class NapClip : public FilterClip {
 public:
  NapClip(const PClip& child, int milliseconds) : FilterClip(child), milliseconds_(milliseconds) {}
  PVideoFrame GetFrame(int n, IScriptEnvironment* env) override;
 private:
  int milliseconds_;
};

class HoldClip : public FilterClip {
 public:
  HoldClip(const PClip& child, int megabytes) : FilterClip(child), megabytes_(megabytes) {}
  PVideoFrame GetFrame(int n, IScriptEnvironment* env) override;
 private:
  int megabytes_;
  std::mutex mutex_;
  std::unique_ptr<char[]> memory_;
};

class WorkersClip : public FilterClip {
 public:
  WorkersClip(const PClip& child, int count);
  ~WorkersClip() override;
 private:
  std::mutex mutex_;
  std::condition_variable wake_;
  bool stopping_ = false;
  std::vector<std::thread> threads_;
};

// kCaught exists on Windows only: an access violation the frame server
// handles itself and turns into its own error.
enum class FaultKind { kDivide, kAccess, kStack, kError, kOther, kCaught };

class FaultClip : public FilterClip {
 public:
  FaultClip(const PClip& child, int frame, FaultKind kind)
      : FilterClip(child), frame_(frame), kind_(kind) {}
  PVideoFrame GetFrame(int n, IScriptEnvironment* env) override;
 private:
  int frame_;
  FaultKind kind_;
};

// Raises the fault at once; "error" names `frame` in its message.
void RaiseFault(FaultKind kind, int frame, IScriptEnvironment* env);
