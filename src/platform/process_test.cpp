#include "platform/process.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <string>
#include <thread>

#include "platform/shared_memory.h"

namespace platform {
namespace {

// TakeNamedLock's result in a child process, as its exit code.
int LockInChild(const std::string& name) {
  pid_t child = fork();
  if (child == 0) _exit(static_cast<int>(TakeNamedLock(name)));
  int status = 0;
  waitpid(child, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(NamedLock, HeldForTheLifeOfTheProcessOnly) {
  const std::string name = "korbinet-test-lock-" + std::to_string(getpid());
  EXPECT_EQ(LockInChild(name), static_cast<int>(LockResult::kAcquired));  // released when the child ends
  ASSERT_EQ(TakeNamedLock(name), LockResult::kAcquired);
  EXPECT_EQ(LockInChild(name), static_cast<int>(LockResult::kAlreadyHeld));
  EXPECT_EQ(TakeNamedLock(name), LockResult::kAlreadyHeld);
  EXPECT_EQ(LockInChild(name + "-other"), static_cast<int>(LockResult::kAcquired));
}

TEST(ProcessFigures, ThreadsAreCounted) {
  int alone = CountOwnThreads();
  std::atomic<bool> release{false};
  std::thread extra([&] { while (!release) std::this_thread::yield(); });
  EXPECT_EQ(CountOwnThreads(), alone + 1);
  release = true;
  extra.join();
}

TEST(ProcessNames, OwnNameIsListedCutTo15Characters) {
  pid_t child = fork();
  if (child == 0) SetOwnProcessName("GPU-Z 2.40.0 and more"), pause(), _exit(0);
  std::vector<std::string> names;
  for (int attempt = 0; attempt < 200 && !std::count(names.begin(), names.end(), "GPU-Z 2.40.0 an"); ++attempt)
    usleep(10000), names = RunningProcessNames();
  kill(child, SIGKILL);
  waitpid(child, nullptr, 0);
  EXPECT_EQ(std::count(names.begin(), names.end(), "GPU-Z 2.40.0 an"), 1);
}

TEST(SharedMemory, CreateOpenAndRemove) {
  const std::string name = "korbinet-test-shm-" + std::to_string(getpid());
  SharedSection created, opened;
  ASSERT_TRUE(CreateSharedSection(name, 10000, &created));
  created.data[9999] = 'z';
  ASSERT_TRUE(OpenSharedSection(name, &opened));
  EXPECT_EQ(opened.size, 10000u);
  EXPECT_EQ(opened.data[9999], 'z');
  CloseSharedSection(&opened);
  EXPECT_TRUE(opened.data == nullptr && !opened.handle);
  CloseSharedSection(&created);
  EXPECT_TRUE(RemoveSharedSection("/" + name));
  EXPECT_FALSE(OpenSharedSection(name, &opened));
  EXPECT_FALSE(RemoveSharedSection(name));
}

}  // namespace
}  // namespace platform
