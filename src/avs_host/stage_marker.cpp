#include "avs_host/stage_marker.h"

#include <chrono>

namespace avs_host {

namespace {

// The library's question for a filter's MT mode, answered alike through
// both interfaces: the marker keeps no state of its own between requests,
// so any thread may call it.
int AnswerCacheHints(int hints) { return hints == CACHE_GET_MTMODE ? MT_NICE_FILTER : 0; }

int64_t NowNs() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

class StageMarkerClip final : public IClip {
 public:
  StageMarkerClip(const PClip& child, measure::StageTimes::Stage* stage) : child_(child), stage_(stage) {}

  PVideoFrame GetFrame(int n, IScriptEnvironment* env) override {
    measure::StageRequest request(stage_, NowNs());
    try {
      PVideoFrame frame = child_->GetFrame(n, env);
      request.Finish(NowNs());
      return frame;
    } catch (...) {
      // A failed request counts, as it does through the C interface, where
      // the failure comes back as a null frame.
      request.Finish(NowNs());
      throw;
    }
  }
  bool GetParity(int n) override { return child_->GetParity(n); }
  void GetAudio(void* buf, int64_t start, int64_t count, IScriptEnvironment* env) override {
    child_->GetAudio(buf, start, count, env);
  }
  int SetCacheHints(int hints, int) override { return AnswerCacheHints(hints); }
  const VideoInfo& GetVideoInfo() override { return child_->GetVideoInfo(); }

 private:
  PClip child_;
  measure::StageTimes::Stage* stage_;
};

AVSValue ApplyCpp(AVSValue args, void* user_data, IScriptEnvironment*) {
  auto* times = static_cast<measure::StageTimes*>(user_data);
  const char* name = args[1].AsString();
  measure::StageTimes::Stage* stage = times->Add(name ? name : "");
  return AVSValue(PClip(new StageMarkerClip(args[0].AsClip(), stage)));
}

// One marker filter's own data, freed with the filter.
struct CMarker {
  decltype(&::avs_get_frame) get_frame;
  decltype(&::avs_clip_get_error) clip_get_error;
  measure::StageTimes::Stage* stage;
};

AVS_VideoFrame* CMarkerFrame(AVS_FilterInfo* fi, int n) {
  const auto* marker = static_cast<const CMarker*>(fi->user_data);
  measure::StageRequest request(marker->stage, NowNs());
  AVS_VideoFrame* frame = marker->get_frame(fi->child, n);
  request.Finish(NowNs());
  // The child's failure becomes ours, so the library throws it with its text.
  if (frame == nullptr) fi->error = marker->clip_get_error(fi->child);
  return frame;
}

int CMarkerHints(AVS_FilterInfo*, int hints, int) { return AnswerCacheHints(hints); }

void CMarkerFree(AVS_FilterInfo* fi) {
  delete static_cast<CMarker*>(fi->user_data);
  fi->user_data = nullptr;
}

AVS_Value ApplyC(AVS_ScriptEnvironment* env, AVS_Value args, void* user_data) {
  const auto* registration = static_cast<const CStageRegistration*>(user_data);
  const CStageFunctions& c = registration->c;
  const AVS_Value& name = args.d.array[1];
  measure::StageTimes::Stage* stage =
      registration->times->Add(name.type == 's' && name.d.string ? name.d.string : "");
  AVS_FilterInfo* fi = nullptr;
  AVS_Clip* clip = c.avs_new_c_filter(env, &fi, args.d.array[0], 1);
  fi->get_frame = CMarkerFrame;
  fi->set_cache_hints = CMarkerHints;
  fi->free_filter = CMarkerFree;
  fi->user_data = new CMarker{c.avs_get_frame, c.avs_clip_get_error, stage};
  AVS_Value result{};
  c.avs_set_to_clip(&result, clip);
  c.avs_release_clip(clip);
  return result;
}

}  // namespace

bool AddStageMarker(IScriptEnvironment* env, measure::StageTimes* times) {
  env->AddFunction(kStageMarkerName, "cs", ApplyCpp, times);
  return true;
}

bool AddStageMarker(CStageRegistration* registration, AVS_ScriptEnvironment* env) {
  const CStageFunctions& c = registration->c;
  if (!c.avs_add_function || !c.avs_new_c_filter || !c.avs_set_to_clip || !c.avs_release_clip ||
      !c.avs_get_frame || !c.avs_clip_get_error) {
    return false;
  }
  return c.avs_add_function(env, kStageMarkerName, "cs", ApplyC, registration) == 0;
}

}  // namespace avs_host
