#include "platform/process.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <thread>

#include "platform/shared_memory.h"

namespace platform {
namespace {

// Runs TakeNamedLock in a child process and returns its result as an exit code.
int LockInChild(const std::string& name) {
  pid_t child = fork();
  if (child == 0) _exit(static_cast<int>(TakeNamedLock(name)));
  int status = 0;
  waitpid(child, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(NamedLock, HeldForTheLifeOfTheProcessOnly) {
  const std::string name = "korbinet-test-lock-" + std::to_string(getpid());
  // Released by the kernel when the child ends, so the second child gets it too.
  EXPECT_EQ(LockInChild(name), static_cast<int>(LockResult::kAcquired));
  EXPECT_EQ(LockInChild(name), static_cast<int>(LockResult::kAcquired));
  ASSERT_EQ(TakeNamedLock(name), LockResult::kAcquired);
  EXPECT_EQ(LockInChild(name), static_cast<int>(LockResult::kAlreadyHeld));
  EXPECT_EQ(TakeNamedLock(name), LockResult::kAlreadyHeld);
  EXPECT_EQ(LockInChild(name + "-other"), static_cast<int>(LockResult::kAcquired));
}

TEST(ProcessFigures, PlausibleValues) {
  SystemTimes system;
  ASSERT_TRUE(GetSystemTimes(&system));
  EXPECT_GE(system.kernel, system.idle);
  EXPECT_GT(system.kernel + system.user, 0u);

  ProcessTimes before, after;
  ASSERT_TRUE(GetProcessTimes(&before));
  volatile uint64_t spin = 0;
  for (uint64_t i = 0; i < 50000000; ++i) spin = spin + i;
  ASSERT_TRUE(GetProcessTimes(&after));
  EXPECT_GT(after.user + after.kernel, before.user + before.kernel);
  EXPECT_EQ(after.user % 10, 0u) << "microseconds in 100 ns units";

  MemoryCounters memory;
  ASSERT_TRUE(GetProcessMemory(&memory));
  EXPECT_GT(memory.working_set, 1024u * 1024u);
  EXPECT_EQ(memory.working_set % 1024, 0u);
  EXPECT_GE(memory.pagefile_usage, 4096u);
}

TEST(ProcessFigures, ThreadsAreCounted) {
  int alone = CountOwnThreads();
  ASSERT_GE(alone, 1);
  bool release = false;
  std::thread extra([&] {
    while (!__atomic_load_n(&release, __ATOMIC_ACQUIRE)) std::this_thread::yield();
  });
  EXPECT_EQ(CountOwnThreads(), alone + 1);
  __atomic_store_n(&release, true, __ATOMIC_RELEASE);
  extra.join();
}

TEST(ProcessNames, OwnNameIsListedCutTo15Characters) {
  pid_t child = fork();
  if (child == 0) {
    SetOwnProcessName("GPU-Z 2.40.0 and more");
    pause();
    _exit(0);
  }
  std::vector<std::string> names;
  for (int attempt = 0; attempt < 200; ++attempt) {
    names = RunningProcessNames();
    if (std::count(names.begin(), names.end(), "GPU-Z 2.40.0 an")) break;
    usleep(10000);
  }
  kill(child, SIGKILL);
  waitpid(child, nullptr, 0);
  EXPECT_EQ(std::count(names.begin(), names.end(), "GPU-Z 2.40.0 an"), 1);
}

TEST(SharedMemory, CreateOpenAndRemove) {
  const std::string name = "korbinet-test-shm-" + std::to_string(getpid());
  SharedSection created;
  ASSERT_TRUE(CreateSharedSection(name, 10000, &created));
  ASSERT_NE(created.data, nullptr);
  EXPECT_EQ(created.size, 10000u);
  static_cast<char*>(created.data)[9999] = 'z';

  SharedSection opened;
  ASSERT_TRUE(OpenSharedSection(name, &opened));
  EXPECT_EQ(opened.size, 10000u);
  EXPECT_EQ(static_cast<char*>(opened.data)[9999], 'z');
  EXPECT_EQ(static_cast<char*>(opened.data)[0], 0);
  CloseSharedSection(&opened);
  EXPECT_EQ(opened.data, nullptr);
  EXPECT_EQ(opened.handle, -1);
  CloseSharedSection(&created);

  // Creating again gives a zero-filled section of the new size.
  ASSERT_TRUE(CreateSharedSection("/" + name, 20000, &created));
  EXPECT_EQ(static_cast<char*>(created.data)[9999], 0);
  CloseSharedSection(&created);

  EXPECT_TRUE(RemoveSharedSection(name));
  EXPECT_FALSE(OpenSharedSection(name, &opened));
  EXPECT_EQ(opened.data, nullptr);
  EXPECT_FALSE(RemoveSharedSection(name));
}

TEST(SharedMemory, EmptySectionOpensWithoutData) {
  const std::string name = "korbinet-test-empty-" + std::to_string(getpid());
  SharedSection created;
  ASSERT_TRUE(CreateSharedSection(name, 0, &created));
  SharedSection opened;
  ASSERT_TRUE(OpenSharedSection(name, &opened));
  EXPECT_EQ(opened.size, 0u);
  EXPECT_EQ(opened.data, nullptr);
  CloseSharedSection(&opened);
  CloseSharedSection(&created);
  EXPECT_TRUE(RemoveSharedSection(name));
}

}  // namespace
}  // namespace platform
