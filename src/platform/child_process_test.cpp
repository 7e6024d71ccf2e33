#include "platform/child_process.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <thread>

#include "platform/files.h"
#include "platform/testing/child_test.h"

namespace platform {
namespace {

using Read = ChildProcess::ReadResult;

// gtest's own first line comes before the body; this one marks where the
// child's answers begin.
constexpr char kReady[] = "child ready";
// Far beyond any wait here; only a fault would reach it.
constexpr double kPatience = 60;

[[noreturn]] void EndChild(int status) {
  std::cout.flush();
  std::_Exit(status);
}

// The child: "echo" answers every line with itself ("exit N" ends it with N
// after "bye" without a line end, "slow" answers "slow" in two parts with a
// pause between, "interrupt" ignores terminal interrupts and interrupts
// itself); "args" prints its arguments one a line; "aside" moves standard
// output aside, prints there as a library would, then answers.
TEST(ChildProcessChild, Serve) {
  SKIP_UNLESS_CHILD();
  std::cout << kReady << std::endl;
  if (std::string(ChildArgument()) == "args") {
    for (const std::string& arg : testing::internal::GetArgvs()) std::cout << arg << '\n';
    EndChild(0);
  }
  if (std::string(ChildArgument()) == "aside") {
    std::string error;
    const std::unique_ptr<std::ostream> answers = TakeStandardOutputForAnswers(&error);
    if (!answers) std::cout << error << std::endl, EndChild(1);
    std::printf("printed by a library\n");
    std::fflush(stdout);
    *answers << "answer" << std::endl;
    EndChild(0);
  }
  std::string line;
  while (std::getline(std::cin, line)) {
    if (line.rfind("exit ", 0) == 0) std::cout << "bye", EndChild(std::stoi(line.substr(5)));
    if (line == "interrupt") {
      IgnoreTerminalInterrupt();
#ifndef _WIN32
      raise(SIGINT), raise(SIGQUIT);
#endif
    }
    if (line == "slow") {
      std::cout << "sl" << std::flush;
      std::this_thread::sleep_for(std::chrono::milliseconds(300));
      line = "ow";
    }
    std::cout << line << std::endl;
  }
  EndChild(0);
}

void SetChildArgument(const char* value) {
#ifdef _WIN32
  SetEnvironmentVariableA("KORBINET_CHILD_TEST", value);
#else
  value ? setenv("KORBINET_CHILD_TEST", value, 1) : unsetenv("KORBINET_CHILD_TEST");
#endif
}

// Starts this program as the child above and reads up to its first answer.
void StartServer(ChildProcess* child, const char* mode, const std::vector<std::string>& extra = {}) {
  std::vector<std::string> args = {"--gtest_filter=ChildProcessChild.Serve", "--gtest_brief=1"};
  args.insert(args.end(), extra.begin(), extra.end());
  SetChildArgument(mode);
  std::string error;
  const bool started = child->Start(ExecutablePath(), args, &error);
  SetChildArgument(nullptr);
  ASSERT_TRUE(started) << error;
  std::string line;
  while (line != kReady) ASSERT_EQ(child->ReadLine(&line, kPatience), Read::kLine);
}

// Lines come back exactly, whatever their length; a timeout keeps what came so far; a child that asked to
// ignore terminal interrupts lives on through its own.
TEST(ChildProcess, LinesComeBackExactly) {
  ChildProcess child;
  ASSERT_NO_FATAL_FAILURE(StartServer(&child, "echo"));
  std::string line = "untouched";
  EXPECT_EQ(child.ReadLine(&line, 0), Read::kTimeout);
  ASSERT_TRUE(child.Write("slow\n"));
  EXPECT_EQ(child.ReadLine(&line, 0.05), Read::kTimeout);  // "sl" has come, "ow" not yet
  ASSERT_EQ(child.ReadLine(&line, kPatience), Read::kLine);
  EXPECT_EQ(line, "slow");
  const size_t limit = size_t{1} << 20;
  const struct {
    std::string sent, received;
  } cases[] = {
      {"hello", "hello"},
      {"", ""},
      {" tab\tand  spaces ", " tab\tand  spaces "},
      {"carriage return\r", "carriage return"},
      {"interrupt", "interrupt"},
      {std::string(300000, 'x'), std::string(300000, 'x')},
      {std::string(limit, 'y'), std::string(limit, 'y')},
      // Cut at the limit, and the rest of that line does not become the next,
      // whether its end comes in the same read or much later.
      {std::string(limit + 5, 'z'), std::string(limit, 'z')},
      {std::string(limit + 300000, 'w'), std::string(limit, 'w')},
      {"after the long ones", "after the long ones"},
  };
  for (const auto& c : cases) {
    ASSERT_TRUE(child.Write(c.sent + "\n"));
    ASSERT_EQ(child.ReadLine(&line, kPatience), Read::kLine);
    EXPECT_EQ(line, c.received) << "sent " << c.sent.size() << " bytes";
  }
  EXPECT_TRUE(child.Running());
  child.CloseInput();
  EXPECT_EQ(child.ReadLine(&line, kPatience), Read::kEnd);
  EXPECT_EQ(child.Wait(), 0);
  EXPECT_FALSE(child.Running());
}

TEST(ChildProcess, ExitStatuses) {
  ChildProcess exits;
  ASSERT_NO_FATAL_FAILURE(StartServer(&exits, "echo"));
  ASSERT_TRUE(exits.Write("exit 7\n"));
  std::string line;
  ASSERT_EQ(exits.ReadLine(&line, kPatience), Read::kLine);
  EXPECT_EQ(line, "bye");  // a last line without its end still counts
  EXPECT_EQ(exits.ReadLine(&line, kPatience), Read::kEnd);
  EXPECT_EQ(exits.Wait(), 7);
  EXPECT_EQ(exits.Wait(), 7);  // asked again, the same
  // Its reader gone, a write fails instead of ending this program.
  EXPECT_FALSE(exits.Write("anyone there?\n"));

  ChildProcess killed;
  ASSERT_NO_FATAL_FAILURE(StartServer(&killed, "echo"));
  EXPECT_TRUE(killed.Running());
  killed.Kill();
  // 128 + SIGKILL on POSIX; on Windows the same number, given by Kill.
  EXPECT_EQ(killed.Wait(), 137);
  EXPECT_EQ(killed.ReadLine(&line, kPatience), Read::kEnd);
}

// Standard error is shared, and takes what a library prints once standard
// output carries answers.
TEST(ChildProcess, AnswersStayApartFromWhatALibraryPrints) {
  testing::internal::CaptureStderr();
  ChildProcess child;
  StartServer(&child, "aside");  // on a failure, the rest fails too and the capture still ends
  std::vector<std::string> answers;
  std::string line;
  while (child.ReadLine(&line, kPatience) == Read::kLine) answers.push_back(line);
  EXPECT_EQ(child.Wait(), 0);
  const std::string printed = testing::internal::GetCapturedStderr();
  EXPECT_EQ(answers, std::vector<std::string>{"answer"});
  EXPECT_EQ(printed.substr(0, printed.find('\n')), "printed by a library");
}

TEST(ChildProcess, ArgumentsArriveIntact) {
  const std::vector<std::string> args = {
      "plain", "two words", "say \"hi\"", "", "back\\slash", "ends in backslash\\",
      "backslashes before a quote\\\\\"", "\\\\server\\share with space\\", "tab\there"};
  ChildProcess child;
  ASSERT_NO_FATAL_FAILURE(StartServer(&child, "args", args));
  std::vector<std::string> received;
  std::string line;
  while (child.ReadLine(&line, kPatience) == Read::kLine) received.push_back(line);
  // After the program's name and the two gtest options.
  ASSERT_EQ(received.size(), args.size() + 3);
  EXPECT_EQ(std::vector<std::string>(received.begin() + 3, received.end()), args);
  EXPECT_EQ(child.Wait(), 0);
}

TEST(ChildProcess, MissingProgramIsNamed) {
  const std::string program = ExecutablePath() + "-missing";
  ChildProcess child;
  std::string error;
  EXPECT_FALSE(child.Start(program, {}, &error));
  EXPECT_EQ(error.rfind(program + ": ", 0), 0u) << error;
  EXPECT_GT(error.size(), program.size() + 2);
  EXPECT_FALSE(child.Running());
  EXPECT_FALSE(child.Write("x\n"));
  std::string line;
  EXPECT_EQ(child.ReadLine(&line, 0), Read::kEnd);
}

}  // namespace
}  // namespace platform
