#include "platform/fault_guard.h"

#include <fcntl.h>
#include <fenv.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/mman.h>
#include <unistd.h>

#include <functional>
#include <stdexcept>
#include <thread>

namespace platform::posix::testing {
int WriteThroughNull(volatile int* target);
int DivideIntegers(int numerator, int denominator);
double DivideDoubles(double numerator, double denominator);
int RecurseForever(int depth);
void ExecuteIllegalInstruction();
int ReadByte(const volatile char* address);
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

// A page of a file that has no bytes behind it.
void ReadPastFileEnd() {
  char path[] = "/tmp/korbinet_bus_XXXXXX";
  int fd = mkstemp(path);
  ASSERT_GE(fd, 0);
  unlink(path);
  void* page = mmap(nullptr, 4096, PROT_READ, MAP_SHARED, fd, 0);
  close(fd);
  ASSERT_NE(page, MAP_FAILED);
  uint32_t code = Guarded([&] { sink = triggers::ReadByte(static_cast<const char*>(page)); });
  munmap(page, 4096);
  EXPECT_EQ(code, 0xC0000006u);
}

class FaultGuard : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { InstallFaultHandlers(); }
};

TEST_F(FaultGuard, EachFaultKindGivesItsCode) {
  struct Case {
    const char* what;
    std::function<void()> fn;
    uint32_t code;
  } cases[] = {
      {"returns normally", [] { sink = 1; }, 0},
      {"null write", NullWrite, 0xC0000005},
      {"integer divide by zero", [] { sink = triggers::DivideIntegers(7, 0); }, 0xC0000094},
      {"illegal instruction", triggers::ExecuteIllegalInstruction, 0xC000001D},
      {"stack overflow", StackOverflow, 0xC00000FD},
      {"floating divide by zero",
       [] {
         feenableexcept(FE_DIVBYZERO);
         sink = static_cast<int>(triggers::DivideDoubles(1.0, 0.0));
       },
       0xC000008E},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Guarded(c.fn), c.code) << c.what;
    fedisableexcept(FE_ALL_EXCEPT);
  }
  ReadPastFileEnd();
}

TEST_F(FaultGuard, StillWorksAfterAStackOverflow) {
  for (int round = 0; round < 3; ++round) {
    EXPECT_EQ(Guarded(StackOverflow), 0xC00000FDu) << round;
    EXPECT_EQ(Guarded(NullWrite), 0xC0000005u) << round;
  }
}

TEST_F(FaultGuard, NestedGuardsEachCatchTheirOwnFault) {
  uint32_t inner = 0;
  bool after_inner = false;
  uint32_t outer = Guarded([&] {
    inner = Guarded(NullWrite);
    after_inner = true;
    sink = triggers::DivideIntegers(1, 0);
  });
  EXPECT_EQ(inner, 0xC0000005u);
  EXPECT_TRUE(after_inner);
  EXPECT_EQ(outer, 0xC0000094u);
}

TEST_F(FaultGuard, ExceptionsPassThroughAndLeaveTheOuterGuardActive) {
  EXPECT_THROW(Guarded([] { throw std::runtime_error("plugin error"); }), std::runtime_error);
  bool caught = false;
  uint32_t outer = Guarded([&] {
    try {
      Guarded([] { throw std::logic_error("inner"); });
    } catch (const std::logic_error&) {
      caught = true;
    }
    // Must land in this guard, not in the inner one that is gone.
    NullWrite();
  });
  EXPECT_TRUE(caught);
  EXPECT_EQ(outer, 0xC0000005u);
}

TEST_F(FaultGuard, WorksOnAnotherThreadWithoutPreparation) {
  uint32_t code = 0;
  std::thread worker([&] { code = Guarded(NullWrite); });
  worker.join();
  EXPECT_EQ(code, 0xC0000005u);
}

using FaultGuardDeathTest = FaultGuard;

TEST_F(FaultGuardDeathTest, UnguardedFaultEndsTheProcessWithTheSignal) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        InstallFaultHandlers();
        NullWrite();
      },
      ::testing::KilledBySignal(SIGSEGV), "");
  EXPECT_EXIT(
      {
        InstallFaultHandlers();
        sink = triggers::DivideIntegers(3, 0);
      },
      ::testing::KilledBySignal(SIGFPE), "");
}

TEST_F(FaultGuardDeathTest, FaultOnAnotherThreadIsNotCaughtByThisThreadsGuard) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        Guarded([] {
          std::thread worker(NullWrite);
          worker.join();
        });
        _exit(0);
      },
      ::testing::KilledBySignal(SIGSEGV), "");
}

TEST_F(FaultGuardDeathTest, SentSignalIsNotMistakenForAFault) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        Guarded([] { raise(SIGSEGV); });
        _exit(0);
      },
      ::testing::KilledBySignal(SIGSEGV), "");
}

}  // namespace
}  // namespace platform
