#include "platform/process.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

#include "platform/testing/child_test.h"

namespace platform {
namespace {

TEST(ProcessChild, TakeLock) {
  SKIP_UNLESS_CHILD();
  std::exit(static_cast<int>(TakeNamedLock(ChildArgument(), nullptr)));
}

TEST(NamedLock, HeldForTheLifeOfTheProcessOnly) {
  const auto name = "korbinet-test-lock-" + std::to_string(std::chrono::steady_clock::now().time_since_epoch().count());
  auto LockInChild = [](const std::string& lock) { return ChildTest("ProcessChild.TakeLock", lock).Wait(); };
  EXPECT_EQ(LockInChild(name), static_cast<int>(LockResult::kAcquired));  // released when the child ends
  ASSERT_EQ(TakeNamedLock(name, nullptr), LockResult::kAcquired);
  EXPECT_EQ(LockInChild(name), static_cast<int>(LockResult::kAlreadyHeld));
  EXPECT_EQ(TakeNamedLock(name, nullptr), LockResult::kAlreadyHeld);
  EXPECT_EQ(LockInChild(name + "-other"), static_cast<int>(LockResult::kAcquired));
}

TEST(ProcessFigures, ThreadsAreCounted) {
  int alone = CountOwnThreads();
  std::atomic<bool> release{false};
  std::thread extra([&] { while (!release) std::this_thread::yield(); });
  EXPECT_EQ(CountOwnThreads(), alone + 1);
  release = true, extra.join();
}

}  // namespace
}  // namespace platform
