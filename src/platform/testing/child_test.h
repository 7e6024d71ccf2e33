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

struct ChildTest {
  // Starts `test` (Suite.Name). On POSIX a `terminal` >= 0 becomes its
  // controlling terminal and standard streams; on Windows it shares the console.
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
#else
    if ((pid = fork()) != 0) return;
    if (terminal >= 0) setsid(), ioctl(terminal, TIOCSCTTY, 0), dup2(terminal, 0), dup2(terminal, 1), dup2(terminal, 2);
    setenv("KORBINET_CHILD_TEST", argument.c_str(), 1);
    execl("/proc/self/exe", "child-test", filter.c_str(), static_cast<char*>(nullptr));
    _exit(127);
#endif
  }
  ChildTest(const ChildTest&) = delete;
  ~ChildTest() { Wait(0); }

  // The exit status, 128 + the signal that ended it, or -1 when it did not
  // start or end in time (then it is killed).
  int Wait(int tenths = 600) {
#ifdef _WIN32
    DWORD status = 0;
    if (!process) return -1;
    const bool ended = WaitForSingleObject(process, tenths * 100) == WAIT_OBJECT_0;
    if (!ended) TerminateProcess(process, 1), WaitForSingleObject(process, 5000);
    GetExitCodeProcess(process, &status), CloseHandle(process), process = nullptr;
    return ended ? static_cast<int>(status) : -1;
#else
    int status = 0;
    for (int n = 0; pid > 0 && n <= tenths; ++n, usleep(100000))
      if (waitpid(pid, &status, WNOHANG) == pid)
        return pid = -1, WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    if (pid > 0) kill(pid, SIGKILL), waitpid(pid, nullptr, 0), pid = -1;
    return -1;
#endif
  }

#ifdef _WIN32
  HANDLE process = nullptr;
#else
  pid_t pid = -1;
#endif
};
