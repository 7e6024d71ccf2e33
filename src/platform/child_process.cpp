// The line framing of ChildProcess, shared by the back-ends: they only move
// bytes; how bytes become lines is the same everywhere.
#include "platform/child_process.h"

#include <cstring>

namespace platform {

namespace {
// A line this long is no answer of a well-behaved child; holding more would
// let a runaway child fill our memory.
constexpr size_t kMaxLine = size_t{1} << 20;

void DropCarriageReturn(std::string* line) {
  if (!line->empty() && line->back() == '\r') line->pop_back();
}
}  // namespace

void ChildProcess::TakeIn(const char* data, size_t size) {
  if (discarding_) {
    const void* end = std::memchr(data, '\n', size);
    if (end == nullptr) return;
    discarding_ = false;
    const size_t dropped = static_cast<size_t>(static_cast<const char*>(end) - data) + 1;
    data += dropped;
    size -= dropped;
  }
  pending_.append(data, size);
}

bool ChildProcess::NextLine(std::string* line) {
  const size_t end = pending_.find('\n');
  if (end != std::string::npos && end <= kMaxLine) {
    line->assign(pending_, 0, end);
    pending_.erase(0, end + 1);
    DropCarriageReturn(line);
    return true;
  }
  if (end == std::string::npos && pending_.size() <= kMaxLine) return false;
  // Cut at the limit; the rest of that line is dropped, so that the next
  // line read is the child's next line, not the tail of this one.
  line->assign(pending_, 0, kMaxLine);
  if (end == std::string::npos) {
    pending_.clear();
    discarding_ = true;
  } else {
    pending_.erase(0, end + 1);
  }
  return true;
}

bool ChildProcess::LastLine(std::string* line) {
  // A last line without its "\n" still counts: the child wrote it.
  if (NextLine(line)) return true;
  if (pending_.empty()) return false;
  line->swap(pending_);
  pending_.clear();
  DropCarriageReturn(line);
  return true;
}

}  // namespace platform
