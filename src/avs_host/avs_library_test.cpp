#include "avs_host/avs_library.h"

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>

#include "fault/structured_exception.h"

namespace avs_host {

namespace {

// Every guarded library call names its failure through this one function.
TEST(ExceptionText, NamesTheExceptionInFlight) {
  const struct { std::function<void()> raise; const char *other_head, *text; bool avisynth; } cases[] = {
      {[] { throw AvisynthError("Script error: x"); }, nullptr, "Script error: x", true},
      {[] { throw AvisynthError(nullptr); }, "head", "", true},
      {[] { throw fault::StructuredException(0x80000001u); }, "head",
       "Exception 0x80000001\nSTATUS_GUARD_PAGE_VIOLATION", false},
      {[] { throw std::runtime_error("x"); }, nullptr, "Unknown exception", false},
      {[] { throw 5; }, "Cannot load avisynth.dll", "Cannot load avisynth.dll", false},
  };
  for (const auto& c : cases) {
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
}

}  // namespace

}  // namespace avs_host
