#include "measure/stage_times.h"

#include "records/record_format.h"
#include "text/text.h"

namespace measure {

namespace {

constexpr size_t kNameWidth = 20;

}  // namespace

StageTimes::StageTimes() : slots_(std::make_unique<ThreadSlot[]>(kThreadSlots)) {}

StageTimes::ThreadSlot* StageTimes::SlotOfThisThread() {
  const std::thread::id self = std::this_thread::get_id();
  const size_t start = std::hash<std::thread::id>{}(self) % kThreadSlots;
  for (size_t i = 0; i < kThreadSlots; ++i) {
    ThreadSlot& slot = slots_[(start + i) % kThreadSlots];
    std::thread::id owner = slot.thread.load(std::memory_order_acquire);
    if (owner == self) return &slot;
    if (owner == std::thread::id() &&
        slot.thread.compare_exchange_strong(owner, self, std::memory_order_acq_rel)) {
      thread_count_.fetch_add(1, std::memory_order_relaxed);
      return &slot;
    }
  }
  return nullptr;
}

StageTimes::Stage* StageTimes::Add(const std::string& name) {
  for (Stage& stage : stages_) {
    if (stage.name_ == name) return &stage;
  }
  return &stages_.emplace_back(name, this);
}

std::vector<StageFigures> StageTimes::Figures() const {
  std::vector<StageFigures> figures;
  for (const Stage& stage : stages_) {
    figures.push_back({stage.name_, stage.calls_.load(), stage.inclusive_ns_.load(),
                       stage.self_ns_.load()});
  }
  return figures;
}

StageRequest::StageRequest(StageTimes::Stage* stage, int64_t start_ns)
    : stage_(stage),
      start_ns_(start_ns),
      slot_(stage->owner_->SlotOfThisThread()),
      outer_(slot_ ? slot_->current : nullptr) {
  if (slot_) slot_->current = this;
}

StageRequest::~StageRequest() {
  if (slot_ && slot_->current == this) slot_->current = outer_;
}

void StageRequest::Finish(int64_t end_ns) {
  const int64_t inclusive = end_ns - start_ns_;
  stage_->calls_.fetch_add(1, std::memory_order_relaxed);
  stage_->inclusive_ns_.fetch_add(inclusive, std::memory_order_relaxed);
  stage_->self_ns_.fetch_add(inclusive - nested_ns_, std::memory_order_relaxed);
  if (outer_ != nullptr) outer_->nested_ns_ += inclusive;
  if (slot_) slot_->current = outer_;
}

std::vector<std::string> StageTableLines(const std::vector<StageFigures>& stages,
                                         bool many_threads, uint32_t frames, int64_t wall_ms) {
  size_t width = kNameWidth;
  for (const StageFigures& stage : stages) width = std::max(width, stage.name.size());
  const auto padded = [width](const std::string& name) {
    return name + std::string(width - name.size(), ' ');
  };
  const auto per_frame = [frames](int64_t ns) { return frames ? ns / 1e6 / frames : 0.0; };
  std::vector<std::string> lines;
  lines.push_back(many_threads ? records::kStageTimesSummedTitle : records::kStageTimesTitle);
  lines.push_back(padded("Stage") +
                  text::Format("%7s%15s%15s%8s", "Calls", "Self ms/frame", "Incl ms/frame", "Share"));
  for (const StageFigures& stage : stages) {
    const double share = wall_ms > 0 ? stage.self_ns / 1e4 / static_cast<double>(wall_ms) : 0.0;
    lines.push_back(padded(stage.name) +
                    text::Format("%7llu%15.3f%15.3f%6.1f %%",
                                 static_cast<unsigned long long>(stage.calls),
                                 per_frame(stage.self_ns), per_frame(stage.inclusive_ns), share));
  }
  return lines;
}

}  // namespace measure
