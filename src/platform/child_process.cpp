// The line framing of ChildProcess, shared by the back-ends: they only move
// bytes; how bytes become lines is the same everywhere.
#include "platform/child_process.h"

#include <cstring>
#include <streambuf>

namespace platform {

namespace {
// A line this long is no answer of a well-behaved child; holding more would
// let a runaway child fill our memory.
constexpr size_t kMaxLine = size_t{1} << 20;

void DropCarriageReturn(std::string* line) {
  if (!line->empty() && line->back() == '\r') line->pop_back();
}
}  // namespace

ChildProcess::ChildProcess() = default;

ChildProcess::~ChildProcess() {
  if (process_ != 0 && !reaped_) {
    Kill();
    Wait();
  }
  CloseNative();
}

bool ChildProcess::Start(const std::string& program, const std::vector<std::string>& args, std::string* error) {
  if (process_ != 0 && !reaped_) {
    *error = program + ": another child is still running here";
    return false;
  }
  CloseNative();
  pending_.clear();
  discarding_ = output_ended_ = reaped_ = false;
  process_ = 0;
  status_ = -1;
  return Spawn(program, args, error);
}

ChildProcess::ReadResult ChildProcess::ReadLine(std::string* line, double timeout_seconds) {
  // Beyond a day the limit is no limit; it also keeps the sum below from overflowing.
  const bool limited = timeout_seconds >= 0 && timeout_seconds < 86400.0;
  const Deadline deadline =
      std::chrono::steady_clock::now() +
      std::chrono::duration_cast<Deadline::duration>(std::chrono::duration<double>(limited ? timeout_seconds : 0.0));
  for (;;) {
    if (NextLine(line)) return ReadResult::kLine;
    if (output_ended_ || output_ == -1) return LastLine(line) ? ReadResult::kLine : ReadResult::kEnd;
    if (!ReadSome(limited ? &deadline : nullptr)) return ReadResult::kTimeout;
  }
}

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

namespace {
// An ostream over a stream of the C library, which it owns.
class FileBuffer final : public std::streambuf {
 public:
  explicit FileBuffer(std::FILE* file) : file_(file) {}
  ~FileBuffer() override { std::fclose(file_); }

 protected:
  int overflow(int c) override {
    return c == traits_type::eof() || std::fputc(c, file_) != EOF ? traits_type::not_eof(c)
                                                                    : traits_type::eof();
  }
  std::streamsize xsputn(const char* data, std::streamsize size) override {
    return static_cast<std::streamsize>(std::fwrite(data, 1, static_cast<size_t>(size), file_));
  }
  int sync() override { return std::fflush(file_) == 0 ? 0 : -1; }

 private:
  std::FILE* file_;
};

class FileStream final : public std::ostream {
 public:
  explicit FileStream(std::FILE* file) : std::ostream(nullptr), buffer_(file) { rdbuf(&buffer_); }

 private:
  FileBuffer buffer_;
};
}  // namespace

std::unique_ptr<std::ostream> TakeStandardOutputForAnswers(std::string* error) {
  std::fflush(stdout);
  std::FILE* file = MoveStandardOutputAside(error);
  if (file == nullptr) return nullptr;
  return std::make_unique<FileStream>(file);
}

}  // namespace platform
