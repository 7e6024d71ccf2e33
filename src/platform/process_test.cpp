#include "platform/process.h"

#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <atomic>
#include <string>
#include <thread>

namespace platform {
namespace {

#ifndef _WIN32
// Across processes on Windows: the end-to-end runs.
int LockInChild(const std::string& name) {
  pid_t child = fork();
  if (child == 0) _exit(static_cast<int>(TakeNamedLock(name)));
  int status = 0;
  return waitpid(child, &status, 0), WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(NamedLock, HeldForTheLifeOfTheProcessOnly) {
  const std::string name = "korbinet-test-lock-" + std::to_string(getpid());
  EXPECT_EQ(LockInChild(name), static_cast<int>(LockResult::kAcquired));  // released when the child ends
  ASSERT_EQ(TakeNamedLock(name), LockResult::kAcquired);
  EXPECT_EQ(LockInChild(name), static_cast<int>(LockResult::kAlreadyHeld));
  EXPECT_EQ(TakeNamedLock(name), LockResult::kAlreadyHeld);
  EXPECT_EQ(LockInChild(name + "-other"), static_cast<int>(LockResult::kAcquired));
}
#endif

TEST(ProcessFigures, ThreadsAreCounted) {
  int alone = CountOwnThreads();
  std::atomic<bool> release{false};
  std::thread extra([&] { while (!release) std::this_thread::yield(); });
  EXPECT_EQ(CountOwnThreads(), alone + 1);
  release = true, extra.join();
}

}  // namespace
}  // namespace platform
