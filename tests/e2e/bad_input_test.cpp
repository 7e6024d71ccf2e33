// Input a user or a broken install can hand the program: unusable settings
// files, huge arguments, paths beyond the limits, names that look like
// formats, scripts and libraries that are not what they claim, an empty GPU
// section, and a process that dies in the middle of a run. Each must end with
// a message and status 255 (or a clean run), never a hang, and never cost a
// record that was there before.
#include <elf.h>
#include <signal.h>
#include <termios.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "avisynth_expectations.h"
#include "benchmark_run_texts.h"
#include "harness/expected_texts.h"
#include "harness/gpu_publisher_runner.h"
#include "harness/run_piped.h"
#include "harness/sandbox.h"
#include "harness/terminal_session.h"

namespace e2e {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// Bytes from a fixed seed, with NUL and 0xFF forced in, so that a failure can
// be replayed.
std::string RandomBytes(size_t size, unsigned seed) {
  std::mt19937 engine(seed);
  std::uniform_int_distribution<int> byte(0, 255);
  std::string bytes(size, '\0');
  for (char& c : bytes) c = static_cast<char>(byte(engine));
  bytes[0] = '\0';
  bytes[size / 2] = '\xFF';
  bytes[size - 1] = '\0';
  return bytes;
}

bool CanonicalWithEcho(int fd) {
  termios mode{};
  if (tcgetattr(fd, &mode) != 0) return false;
  return (mode.c_lflag & ICANON) != 0 && (mode.c_lflag & ECHO) != 0;
}

// True when nothing but a reset follows the last colour the program chose.
bool ColoursResetAtEnd(const std::string& raw) {
  static const std::regex sgr("\x1b\\[([0-9;]*)m");
  std::string last;
  for (auto it = std::sregex_iterator(raw.begin(), raw.end(), sgr); it != std::sregex_iterator(); ++it) {
    last = (*it)[1].str();
  }
  return last.empty() || last == "0";
}

std::string AnalysisStart() {
  return PipedStartTextFor(FactsOf("standard")) + StatusLine("Analysing script...") + kBlankStatus;
}

// --- settings file -------------------------------------------------------

const std::string kMiB(1 << 20, 'k');

std::string CurrentSettings(const std::string& extra_before, const std::string& extra_after) {
  return extra_before + "[Main]\nVersion=" + ProgramVersion5() + "\nAllowOnlyOneInstance=0\nConUseSTDOUT=1\n" +
         extra_after;
}

// Files without a matching version line are replaced by the defaults, whose
// AllowOnlyOneInstance=1 takes the machine-wide lock: hence the prefix.
TEST(InstanceLockBadSettings, UnreadableContentIsReplacedWithTheDefaults) {
  const std::vector<std::pair<std::string, std::string>> files = {
      {"random bytes", RandomBytes(4096, 1)},
      {"random bytes without line ends", [] {
         std::string b = RandomBytes(65536, 2);
         std::replace(b.begin(), b.end(), '\n', 'x');
         return b;
       }()},
      {"a 1 MiB line only", kMiB},
      {"a 1 MiB line and the old version", kMiB + "\n[Main]\nVersion=2.1.5\nConUseSTDOUT=1\n"},
      // The NUL is part of the line: its last five characters are no version.
      {"the version followed by a NUL", "[Main]\nVersion=" + ProgramVersion5() + std::string("\0x", 2) +
                                            "\nConUseSTDOUT=1\n"},
  };
  for (const auto& [name, bytes] : files) {
    SCOPED_TRACE(name);
    Sandbox sandbox(WithoutSettingsFile());
    sandbox.WriteFile("Korbinet.ini", bytes);
    ProcessResult r = RunPiped(sandbox, {}, std::nullopt, 30s);
    EXPECT_EQ(r.signal, 0) << Describe(r);
    EXPECT_EQ(r.exit_status, 255) << Describe(r);
    EXPECT_EQ(sandbox.ReadFile("Korbinet.ini"), DefaultSettingsFile());
    EXPECT_EQ(r.err, PipedStartText());
    EXPECT_EQ(r.out, UsageText());
  }
}

TEST(BadSettings, LongAndBinaryLinesAroundACurrentVersionAreSkipped) {
  // ConUseSTDOUT=1 moves everything to standard output: proof the file was read.
  const std::vector<std::pair<std::string, std::string>> files = {
      {"1 MiB line before", CurrentSettings(kMiB + "\n", "")},
      {"1 MiB line after", CurrentSettings("", kMiB + "\n")},
      {"1 MiB line after, no final line end", CurrentSettings("", kMiB)},
      {"binary lines before and after", CurrentSettings(RandomBytes(2048, 3) + "\n", "\n" + RandomBytes(2048, 4))},
  };
  for (const auto& [name, bytes] : files) {
    SCOPED_TRACE(name);
    Sandbox sandbox(WithoutSettingsFile());
    sandbox.WriteFile("Korbinet.ini", bytes);
    ProcessResult r = RunPiped(sandbox, {}, std::nullopt, 30s);
    EXPECT_EQ(r.signal, 0) << Describe(r);
    EXPECT_EQ(r.exit_status, 255) << Describe(r);
    EXPECT_TRUE(sandbox.ReadFile("Korbinet.ini") == bytes) << "the current file must be left alone";
    EXPECT_EQ(r.out, PipedStartText() + UsageText());
    EXPECT_EQ(r.err, "");
  }
}

TEST(BadSettings, FolderInTheFilesPlaceStopsTheRun) {
  for (const bool with_args : {false, true}) {
    SCOPED_TRACE(with_args ? "with a script" : "no arguments");
    Sandbox sandbox(WithoutSettingsFile());
    fs::create_directory(sandbox.SettingsPath());
    sandbox.WriteScript("a.avs", "BlankClip()\n");
    ProcessResult r = RunPiped(sandbox, with_args ? std::vector<std::string>{"a.avs", "-log"}
                                                  : std::vector<std::string>{});
    EXPECT_EQ(r.exit_status, 255) << Describe(r);
    EXPECT_EQ(r.out, "\nCannot create \"" + sandbox.SettingsPath() + "\"\n");
    EXPECT_EQ(r.err, "");
    EXPECT_TRUE(fs::is_directory(sandbox.SettingsPath()));
    EXPECT_FALSE(sandbox.Exists("a.log"));
  }
}

// --- arguments and paths -----------------------------------------------

struct ArgumentCase {
  std::string name;
  std::string argument;
  std::string message;  // %A is the argument as given
};

std::string WithArgument(std::string text, const std::string& argument) {
  const size_t at = text.find("%A");
  if (at != std::string::npos) text.replace(at, 2, argument);
  return text;
}

TEST(BadArguments, HugeArgumentsAreShownWhole) {
  const std::string digits(100000, '7');
  const std::vector<ArgumentCase> cases = {
      {"range without comma", "-range=" + digits, "\nInvalid parameter format: \"%A\"\n"},
      {"range comma far out", "-range=" + digits + ",5", "\nInvalid parameter format: \"%A\"\n"},
      {"priority", "-priority=" + digits, "\nInvalid parameter value: \"%A\"\nValue must be between 1 and 3\n"},
      {"time limit", "-timelimit=" + digits,
       "\nInvalid parameter value: \"%A\"\nValue must be between 1 and 999999\n"},
      {"unknown switch", "-" + std::string(100000, 'q'), "\nInvalid argument: \"%A\"\n"},
      // The full path is far beyond the limit: it cannot be resolved.
      {"script name", std::string(99996, 's') + ".avs", "\nInvalid argument: \"%A\"\n"},
      {"format-like name", "x%s%n%p.avs", "\nFile not found: \"%A\"\n"},
  };
  Sandbox sandbox;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ProcessResult r = RunPiped(sandbox, {c.argument});
    EXPECT_EQ(r.signal, 0) << Describe(r).substr(0, 2000);
    EXPECT_EQ(r.exit_status, 255) << Describe(r).substr(0, 2000);
    EXPECT_TRUE(r.err == PipedStartText() + WithArgument(c.message, c.argument))
        << "stderr size " << r.err.size() << ", starts: " << r.err.substr(0, 500);
    EXPECT_EQ(r.out, "");
  }
}

// A script in nested folders whose full path is exactly `length` characters.
std::string NestedScript(const Sandbox& sandbox, size_t length) {
  const std::string base = sandbox.Dir() + "/";
  std::string relative;
  while (base.size() + relative.size() + 200 + 6 < length) relative += std::string(199, 'd') + "/";
  const size_t name_size = length - base.size() - relative.size();
  std::string name(name_size - 4, 'n');
  fs::create_directories(base + relative);
  relative += name + ".avs";
  std::ofstream(base + relative) << "BlankClip(length=10, width=64, height=48)\n";
  return relative;
}

TEST(BadArguments, ScriptPathsAtAndBeyondTheLengthLimit) {
  Sandbox sandbox;
  for (const size_t length : {2047u, 2048u, 3000u}) {
    SCOPED_TRACE(length);
    const std::string relative = NestedScript(sandbox, length);
    const std::string full = sandbox.Dir() + "/" + relative;
    ASSERT_EQ(full.size(), length);
    ASSERT_TRUE(fs::exists(full));
    for (const std::string& argument : {relative, full, "./" + relative}) {
      ProcessResult r = RunPiped(sandbox, {argument});
      EXPECT_EQ(r.signal, 0) << Describe(r);
      EXPECT_EQ(r.exit_status, 255) << Describe(r);
      // 2047 characters still resolve: the run gets as far as the analysis.
      const std::string expected =
          length <= 2047 ? AnalysisStart() + "\nScript runtime is too short for accurate measurements\n"
                         : PipedStartText() + "\nInvalid argument: \"" + argument + "\"\n";
      EXPECT_EQ(r.err, expected);
    }
  }
}

std::string RegexLiteral(const std::string& text) {
  static const std::regex special(R"([.^$|()\[\]{}*+?\\])");
  return std::regex_replace(text, special, R"(\$&)");
}

// A name that is also a format: every message and the log show it as it is.
TEST(BadArguments, FormatCharactersInTheScriptNameArePrintedLiterally) {
  Sandbox sandbox;
  const std::string name = "a%s%n%x.avs";
  const std::string path = sandbox.Path(name);
  const std::string log_name = "a%s%n%x.log";

  sandbox.WriteScript(name, "# first line\nBlankClip(length=10\n");
  ProcessResult analysis = RunPiped(sandbox, {name});
  EXPECT_EQ(analysis.signal, 0) << Describe(analysis);
  EXPECT_EQ(analysis.exit_status, 255) << Describe(analysis);
  ASSERT_EQ(analysis.err.substr(0, AnalysisStart().size()), AnalysisStart()) << Describe(analysis);
  EXPECT_TRUE(std::regex_match(analysis.err.substr(AnalysisStart().size()),
                               std::regex("\nScript error: [^\n]+\n\\(" + RegexLiteral(path) +
                                          ", line 2, column [0-9]+\\)\n")))
      << Describe(analysis);

  // Loading (-info) puts the failure in the log beside the script.
  ProcessResult loading = RunPiped(sandbox, {name, "-info", "-log"});
  EXPECT_EQ(loading.signal, 0) << Describe(loading);
  EXPECT_EQ(loading.exit_status, 255) << Describe(loading);
  EXPECT_NE(loading.err.find("(" + path + ", line 2, column "), std::string::npos) << Describe(loading);
  ASSERT_TRUE(sandbox.Exists(log_name)) << Describe(loading);
  EXPECT_NE(sandbox.ReadFile(log_name).find("[AviSynth error]\nScript error: "), std::string::npos);
  EXPECT_NE(sandbox.ReadFile(log_name).find("(" + path + ", line 2, column "), std::string::npos);

  // A good script of that name: its log names it in the general info.
  sandbox.WriteScript(name, "BlankClip(length=10, width=64, height=48)\n");
  ProcessResult info = RunPiped(sandbox, {name, "-info", "-log"});
  EXPECT_EQ(info.exit_status, 0) << Describe(info);
  EXPECT_NE(sandbox.ReadFile(log_name).find("Script file:                           " + path + "\n"),
            std::string::npos)
      << sandbox.ReadFile(log_name);
}

TEST(BadScripts, BinaryScriptEndsWithTheLibrarysMessage) {
  for (const unsigned seed : {5u, 6u, 7u}) {
    SCOPED_TRACE(seed);
    Sandbox sandbox;
    sandbox.WriteFile("bin.avs", RandomBytes(3000, seed));
    ProcessResult r = RunPiped(sandbox, {"bin.avs", "-log"});
    EXPECT_EQ(r.signal, 0) << Describe(r);
    EXPECT_EQ(r.exit_status, 255) << Describe(r);
    ASSERT_EQ(r.err.substr(0, AnalysisStart().size() + 1), AnalysisStart() + "\n") << Describe(r);
    const std::string message = r.err.substr(AnalysisStart().size() + 1);
    EXPECT_GT(message.size(), 1u);
    EXPECT_EQ(message.back(), '\n');
    EXPECT_EQ(r.out, "");
  }
}

// --- library files cut short ---------------------------------------------

std::string ReadWhole(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

struct Cut {
  std::string name;
  size_t size;
};

// Offsets where a reader that trusts the headers would step outside the file.
std::vector<Cut> HeaderBoundaries(const std::string& image) {
  std::vector<Cut> cuts = {{"empty", 0}, {"magic", 4}, {"identification", 16}, {"32-bit header size", 52},
                           {"one short of the header", 63}, {"header only", 64}};
  Elf64_Ehdr header;
  std::memcpy(&header, image.data(), sizeof header);
  cuts.push_back({"program headers half", header.e_phoff + header.e_phnum * header.e_phentsize / 2});
  cuts.push_back({"section table start", header.e_shoff});
  cuts.push_back({"section table half", header.e_shoff + header.e_shnum * header.e_shentsize / 2});
  cuts.push_back({"one short of the end", image.size() - 1});
  for (size_t i = 0; i < header.e_shnum; ++i) {
    Elf64_Shdr section;
    std::memcpy(&section, image.data() + header.e_shoff + i * sizeof section, sizeof section);
    if (section.sh_type == SHT_DYNSYM) {
      cuts.push_back({".dynsym start", section.sh_offset});
      cuts.push_back({".dynsym middle", section.sh_offset + section.sh_size / 2 + 3});
    } else if (section.sh_type == SHT_STRTAB && section.sh_flags & SHF_ALLOC) {
      cuts.push_back({".dynstr middle", section.sh_offset + section.sh_size / 2});
    } else if (section.sh_type == SHT_PROGBITS && section.sh_flags == 0 && section.sh_size > 0) {
      cuts.push_back({"inside a comment section", section.sh_offset + 5});
    }
  }
  return cuts;
}

TEST(BadLibraryFiles, TruncatedImageIsRefusedByTheProbe) {
  const std::string image = ReadWhole(fs::canonical(BuildDir() + "/bin/libavisynth.so").string());
  ASSERT_GT(image.size(), sizeof(Elf64_Ehdr));
  ASSERT_EQ(image.substr(0, 4), "\x7f" "ELF");
  Sandbox sandbox;
  for (const Cut& cut : HeaderBoundaries(image)) {
    SCOPED_TRACE(cut.name + " at " + std::to_string(cut.size));
    ASSERT_LT(cut.size, image.size());
    sandbox.WriteFile("cut.so", image.substr(0, cut.size));
    sandbox.WriteSettings({{"AVSDLL", sandbox.Path("cut.so")}});
    ProcessResult r = RunPiped(sandbox, {"-avsinfo"});
    EXPECT_EQ(r.signal, 0) << Describe(r);
    EXPECT_EQ(r.exit_status, 255) << Describe(r);
    const std::string prefix = PipedProbeFailureStart() + "\nCannot load avisynth.dll";
    EXPECT_EQ(r.err.substr(0, prefix.size()), prefix) << Describe(r);
    EXPECT_EQ(r.err.back(), '\n') << Describe(r);
    EXPECT_EQ(r.out, "");
  }
}

// --- an empty GPU section --------------------------------------------------

TEST(GpuBadSection, EmptySectionIsRefusedCleanly) {
  GpuPublisher publisher({"--size", "0"});
  ASSERT_TRUE(publisher.Ready()) << publisher.Output();
  Sandbox sandbox;
  sandbox.WriteScript("gpu.avs", SpinClip(60, 12000));
  const ProcessResult r = RunPiped(sandbox, {"gpu.avs", "-gpu", "-log"}, std::nullopt, 90s);
  EXPECT_EQ(r.signal, 0) << Describe(r);
  if (r.exit_status == 0) {
    EXPECT_NE(r.err.find("GPU usage (average):            0%\n"), std::string::npos) << Describe(r);
    EXPECT_TRUE(sandbox.Exists("gpu.log"));
  } else {
    EXPECT_EQ(r.exit_status, 255) << Describe(r);
    const std::string prefix = PipedStartText() + "\nCannot initialize GPU-Z shared memory:\n";
    EXPECT_EQ(r.err.substr(0, prefix.size()), prefix) << Describe(r);
    EXPECT_GT(r.err.size(), prefix.size() + 1) << "the reason must be given";
    EXPECT_FALSE(sandbox.Exists("gpu.log"));
  }
}

// --- a process that dies mid-run -------------------------------------------

TEST(BadEndings, FaultOnAPrefetchThreadRestoresTheTerminal) {
  struct Stage {
    std::string name;
    std::string script;
    bool reaches_frame_loop;
  };
  const std::vector<Stage> stages = {
      {"analysis", "BlankClip(length=100, width=64, height=48)\nFault(3, \"access\")\nPrefetch(2)\n", false},
      {"frame loop",
       "BlankClip(length=1000, width=64, height=48)\nNap(20)\nFault(900, \"access\")\nPrefetch(2)\n", true},
  };
  for (const Stage& stage : stages) {
    SCOPED_TRACE(stage.name);
    Sandbox sandbox;
    sandbox.WriteScript("mt.avs", stage.script);
    TerminalSession term(sandbox, {"mt.avs", "-log"});
    if (stage.reaches_frame_loop) {
      ASSERT_TRUE(term.WaitForText("Frame (current | last):", 60s)) << term.ScreenText();
    }
    ExitResult exit = term.WaitForExit(60s);
    ASSERT_TRUE(exit.ended) << term.ScreenText();
    EXPECT_EQ(exit.signal, SIGSEGV) << "exit status " << exit.exit_status << "\n" << term.ScreenText();
    EXPECT_TRUE(CanonicalWithEcho(term.MasterFd()));
    EXPECT_TRUE(ColoursResetAtEnd(term.RawOutput())) << term.RawOutput();
  }
}

TEST(BadEndings, TerminationDuringTheFrameLoopKeepsTheEarlierLog) {
  Sandbox sandbox;
  // A short run writes the log the later run must not damage.
  sandbox.WriteScript("a.avs", "BlankClip(length=40, width=64, height=48)\nNap(20)\n");
  ProcessResult first = RunPiped(sandbox, {"a.avs", "-log", "-csv"}, std::nullopt, 60s);
  ASSERT_EQ(first.exit_status, 0) << Describe(first);
  const std::string log = sandbox.ReadFile("a.log");
  const std::string csv = sandbox.ReadFile("a.csv");
  ASSERT_NE(log.find("[Performance data]"), std::string::npos) << log;

  sandbox.WriteScript("a.avs", "BlankClip(length=100000, width=64, height=48)\nNap(20)\n");
  const std::vector<std::string> files_before = sandbox.ListFiles();
  TerminalSession term(sandbox, {"a.avs", "-log", "-csv"});
  ASSERT_TRUE(term.WaitForText("Frame (current | last):", 60s)) << term.ScreenText();
  std::this_thread::sleep_for(300ms);
  ASSERT_EQ(kill(term.Pid(), SIGTERM), 0);
  ExitResult exit = term.WaitForExit(30s);
  ASSERT_TRUE(exit.ended) << term.ScreenText();
  EXPECT_TRUE(exit.signal == SIGTERM || exit.exit_status != 0)
      << "signal " << exit.signal << ", status " << exit.exit_status;
  EXPECT_TRUE(CanonicalWithEcho(term.MasterFd()));
  EXPECT_TRUE(ColoursResetAtEnd(term.RawOutput()));
  EXPECT_TRUE(sandbox.ReadFile("a.log") == log) << "the earlier log was changed";
  EXPECT_TRUE(sandbox.ReadFile("a.csv") == csv) << "the earlier CSV file was changed";
  EXPECT_EQ(sandbox.ListFiles(), files_before) << "no temporary file may be left behind";
}

}  // namespace
}  // namespace e2e
