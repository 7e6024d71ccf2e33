#include "platform/fault_guard.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#ifndef _WIN32
#include <fenv.h>
#include <sys/mman.h>
#include <unistd.h>
#endif

#include <cstdio>
#include <functional>
#include <stdexcept>
#include <thread>
#include <tuple>
#include <vector>

namespace platform::posix::testing {
int WriteThroughNull(volatile int* target);
int DivideIntegers(int numerator, int denominator);
double DivideDoubles(double numerator, double denominator);
int RecurseForever(int depth);
}  // namespace platform::posix::testing

namespace platform {
namespace {

namespace triggers = posix::testing;

volatile int sink;

uint32_t Guarded(const std::function<void()>& fn) {
  return RunGuarded([](void* context) { (*static_cast<const std::function<void()>*>(context))(); },
                    const_cast<std::function<void()>*>(&fn));
}

void NullWrite() { sink = triggers::WriteThroughNull(nullptr); }
void StackOverflow() { sink = triggers::RecurseForever(0); }

TEST(FaultGuard, EachFaultKindGivesItsCode) {
  struct Case { const char* what; std::function<void()> fn; uint32_t code; };
  std::vector<Case> cases = {
      {"returns normally", [] { sink = 1; }, 0},
      {"null write", NullWrite, 0xC0000005},
      {"integer divide by zero", [] { sink = triggers::DivideIntegers(7, 0); }, 0xC0000094},
      {"illegal instruction", [] { __builtin_trap(); }, 0xC000001D},
      {"stack overflow", StackOverflow, 0xC00000FD},
      {"again after a stack overflow", StackOverflow, 0xC00000FD},
      {"null write again", NullWrite, 0xC0000005},
  };
#ifndef _WIN32
  // A bus error and trapping floating point have no portable trigger on Windows. The page is mapped with
  // no file bytes behind it; trapping stays on once set, so that case comes last.
  FILE* empty = tmpfile();
  ASSERT_NE(empty, nullptr);
  void* page = mmap(nullptr, 4096, PROT_READ, MAP_SHARED, fileno(empty), 0);
  fclose(empty);
  ASSERT_NE(page, MAP_FAILED);
  cases.insert(cases.end(), {
      {"read past the file's end", [page] { sink = *static_cast<volatile char*>(page); }, 0xC0000006},
      {"floating divide by zero", [] { feenableexcept(FE_DIVBYZERO); sink = int(triggers::DivideDoubles(1, 0)); },
       0xC000008E},
  });
#endif
  for (const Case& c : cases) EXPECT_EQ(Guarded(c.fn), c.code) << c.what;
#ifndef _WIN32
  fedisableexcept(FE_ALL_EXCEPT);
  munmap(page, 4096);
#endif
}

TEST(FaultGuard, NestedGuardsAndExceptionsLeaveTheRightGuardActive) {
  uint32_t inner = 0, on_worker = 0;
  bool caught = false;
  uint32_t outer = Guarded([&] {
    inner = Guarded(NullWrite);
    try { Guarded([] { throw std::logic_error("inner"); }); } catch (const std::logic_error&) { caught = true; }
    sink = triggers::DivideIntegers(1, 0);  // must land here, not in a guard that is gone
  });
  EXPECT_EQ(std::make_tuple(inner, caught, outer), std::make_tuple(0xC0000005u, true, 0xC0000094u));
  std::thread([&] { on_worker = Guarded(NullWrite); }).join();  // no per-thread preparation
  EXPECT_EQ(on_worker, 0xC0000005u);
}

// Only a fault raised under this thread's guard is caught; anything else ends the process as unguarded.
TEST(FaultGuardDeathTest, OtherFaultsEndTheProcess) {
#ifdef _WIN32
  const auto kEnded = ::testing::ExitedWithCode(static_cast<int>(0xC0000005));
#else
  const auto kEnded = ::testing::KilledBySignal(SIGSEGV);
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT((Guarded([] { raise(SIGSEGV); }), _exit(0)), kEnded, "");
#endif
  EXPECT_EXIT((InstallFaultHandlers(), NullWrite()), kEnded, "");
  EXPECT_EXIT((Guarded([] { std::thread(NullWrite).join(); }), _exit(0)), kEnded, "");
}

}  // namespace
}  // namespace platform
