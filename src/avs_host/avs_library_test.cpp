#include "avs_host/avs_library.h"

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>

#include "fault/structured_exception.h"
#include "platform/error.h"

namespace avs_host {

namespace {

// Every guarded library call names its failure through this one function.
TEST(ExceptionText, NamesTheExceptionInFlight) {
  // The system error is recorded before the throw, or none.
  const struct { std::function<void()> raise; const char* system_error, *other_head, *text; bool avisynth; } cases[] = {
      {[] { throw AvisynthError("Script error: x"); }, "busy", nullptr, "Script error: x", true},
      {[] { throw AvisynthError(nullptr); }, nullptr, "head", "", true},
      {[] { throw fault::StructuredException(0x80000001u); }, nullptr, "head",
       "Exception 0x80000001\nSTATUS_GUARD_PAGE_VIOLATION", false},
      {[] { throw std::runtime_error("x"); }, nullptr, nullptr, "Unknown exception", false},
      {[] { throw std::runtime_error("x"); }, "Disk full", nullptr, "Disk full\n", false},
      {[] { throw 5; }, nullptr, "Cannot load avisynth.dll", "Cannot load avisynth.dll", false},
      {[] { throw 5; }, "No such file", "Cannot load avisynth.dll",
       "Cannot load avisynth.dll\nNo such file\n", false},
  };
  for (const auto& c : cases) {
    platform::ClearLastError();
    if (c.system_error) platform::RecordErrorText(c.system_error);
    bool avisynth = !c.avisynth;
    std::string text;
    try {
      c.raise();
    } catch (...) {
      text = ExceptionText(c.other_head, &avisynth);
    }
    EXPECT_EQ(text, c.text);
    EXPECT_EQ(avisynth, c.avisynth) << c.text;
  }
  platform::ClearLastError();
}

}  // namespace

}  // namespace avs_host
