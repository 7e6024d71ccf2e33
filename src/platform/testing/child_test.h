// Runs one test of this same program as a child process, for what only a
// second process shows: a lock held by another, a console mode left behind.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#ifdef _WIN32
#include <windows.h>
#else
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

// The parent's argument in a child, else null: child bodies skip in an ordinary run.
inline const char* ChildArgument() { return std::getenv("KORBINET_CHILD_TEST"); }
#define SKIP_UNLESS_CHILD() \
  if (!ChildArgument()) GTEST_SKIP() << "runs as a child of another test"

// Starts `test` (Suite.Name). On POSIX a `terminal` >= 0 becomes the child's
// controlling terminal and standard streams; on Windows it shares the console.
struct ChildTest {
  ChildTest(const std::string& test, const std::string& argument, [[maybe_unused]] int terminal = -1) {
    const std::string filter = "--gtest_filter=" + test;
#ifdef _WIN32
    wchar_t path[MAX_PATH];
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring line = L"\"" + std::wstring(path) + L"\" " + std::wstring(filter.begin(), filter.end());
    SetEnvironmentVariableA("KORBINET_CHILD_TEST", argument.c_str());
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    if (CreateProcessW(path, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &started))
      CloseHandle(started.hThread), process = started.hProcess;
    SetEnvironmentVariableA("KORBINET_CHILD_TEST", nullptr);
  }
  ~ChildTest() { if (process) TerminateProcess(process, 1), CloseHandle(process); }
  // The exit status; -1 when it did not start or end within a minute.
  int Wait() {
    DWORD status = 0;
    if (!process || WaitForSingleObject(process, 60000) != WAIT_OBJECT_0) return -1;
    GetExitCodeProcess(process, &status), CloseHandle(process), process = nullptr;
    return static_cast<int>(status);
  }
  HANDLE process = nullptr;
#else
    if ((pid = fork()) != 0) return;
    if (terminal >= 0) setsid(), ioctl(terminal, TIOCSCTTY, 0), dup2(terminal, 0), dup2(terminal, 1), dup2(terminal, 2);
    setenv("KORBINET_CHILD_TEST", argument.c_str(), 1);
    execl("/proc/self/exe", "child-test", filter.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  ~ChildTest() { if (pid > 0) kill(pid, SIGKILL), waitpid(pid, nullptr, 0); }
  // The exit status, or 128 + the signal that ended it; -1 when it did not start.
  int Wait() {
    int status = 0;
    if (pid <= 0 || waitpid(pid, &status, 0) != pid) return -1;
    return pid = -1, WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }
  pid_t pid = -1;
#endif
};
