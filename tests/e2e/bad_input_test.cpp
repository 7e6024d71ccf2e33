// Bad input and violent endings: each ends with a message, never a hang or a lost record.
#include <elf.h>
#include <signal.h>

#include <cstring>
#include <fstream>
#include <thread>

#include "e2e_common.h"

namespace e2e {
namespace {

std::string AnalysisStart() {
  return PipedStartTextFor(FactsOf("standard")) + StatusLine("Analysing script...") + kBlankStatus;
}

TEST(BadArguments, HugeArgumentsAreShownWhole) {
  const std::string digits(100000, '7');
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"-range=" + digits, "\nInvalid parameter format: \"%A\"\n"},
      {"-timelimit=" + digits, "\nInvalid parameter value: \"%A\"\nValue must be between 1 and 999999\n"},
      {"-" + std::string(100000, 'q'), "\nInvalid argument: \"%A\"\n"},
      {std::string(99996, 's') + ".avs", "\nInvalid argument: \"%A\"\n"},
      {"x%s%n%p.avs", "\nFile not found: \"%A\"\n"},
  };
  Sandbox sandbox;
  for (auto [argument, message] : cases) {
    SCOPED_TRACE(argument.substr(0, 20));
    message.replace(message.find("%A"), 2, argument);
    ProcessResult r = RunPiped(sandbox, {argument});
    EXPECT_EQ(r.exit_status, 255);
    EXPECT_TRUE(r.err == PipedStartText() + message && r.out.empty()) << r.err.substr(0, 500);
  }
}

// A script in nested folders whose full path is exactly `length` characters.
std::string NestedScript(const Sandbox& sandbox, size_t length) {
  const std::string base = sandbox.Dir() + "/";
  std::string relative;
  while (base.size() + relative.size() + 206 < length) relative += std::string(199, 'd') + "/";
  fs::create_directories(base + relative);
  relative += std::string(length - base.size() - relative.size() - 4, 'n') + ".avs";
  std::ofstream(base + relative) << "BlankClip(length=10, width=64, height=48)\n";
  return relative;
}

TEST(BadArguments, ScriptPathsAtAndBeyondTheLengthLimit) {
  Sandbox sandbox;
  for (const size_t length : {2047u, 2048u}) {
    SCOPED_TRACE(length);
    const std::string relative = NestedScript(sandbox, length);
    const std::string full = sandbox.Dir() + "/" + relative;
    ASSERT_EQ(full.size(), length);
    for (const std::string& argument : {relative, full}) {
      ProcessResult r = RunPiped(sandbox, {argument});
      EXPECT_EQ(r.exit_status, 255) << Describe(r);
      // 2047 characters still resolve: the run gets as far as the analysis.
      EXPECT_EQ(r.err, length <= 2047 ? AnalysisStart() + "\nScript runtime is too short for accurate measurements\n"
                                      : PipedStartText() + "\nInvalid argument: \"" + argument + "\"\n");
    }
  }
}

// A name that is also a format: every message and the log show it as it is.
TEST(BadArguments, FormatCharactersInTheScriptNameArePrintedLiterally) {
  Sandbox sandbox;
  const std::string name = "a%s%n%x.avs", log_name = "a%s%n%x.log", path = sandbox.Path(name);
  sandbox.WriteScript(name, "# first line\nBlankClip(length=10\n");
  ProcessResult analysis = RunPiped(sandbox, {name});
  EXPECT_EQ(analysis.exit_status, 255) << Describe(analysis);
  EXPECT_TRUE(std::regex_match(analysis.err, std::regex(Literal(AnalysisStart()) + "\nScript error: [^\n]+\n\\(" +
                                                        Literal(path) + ", line 2, column [0-9]+\\)\n")))
      << Describe(analysis);
  ProcessResult loading = RunPiped(sandbox, {name, "-info", "-log"});
  EXPECT_EQ(loading.exit_status, 255) << Describe(loading);
  EXPECT_NE(loading.err.find("(" + path + ", line 2, column "), std::string::npos) << Describe(loading);
  EXPECT_NE(sandbox.ReadFile(log_name).find("(" + path + ", line 2, column "), std::string::npos);

  sandbox.WriteScript(name, "BlankClip(length=10, width=64, height=48)\n");
  ProcessResult info = RunPiped(sandbox, {name, "-info", "-log"});
  EXPECT_EQ(info.exit_status, 0) << Describe(info);
  EXPECT_NE(sandbox.ReadFile(log_name).find("Script file:                           " + path + "\n"),
            std::string::npos) << sandbox.ReadFile(log_name);
}

TEST(BadScripts, BinaryScriptEndsWithTheLibrarysMessage) {
  Sandbox sandbox;
  sandbox.WriteFile("bin.avs", RandomBytes(3000, 5));
  ProcessResult r = RunPiped(sandbox, {"bin.avs", "-log"});
  EXPECT_EQ(r.exit_status, 255) << Describe(r);
  EXPECT_TRUE(std::regex_match(r.err, std::regex(Literal(AnalysisStart()) + "\n[^]+\n"))) << Describe(r);
  EXPECT_EQ(r.out, "");
}

// Cuts where a reader that trusts the headers would step outside the file.
std::vector<std::pair<std::string, size_t>> HeaderBoundaries(const std::string& image) {
  std::vector<std::pair<std::string, size_t>> cuts = {
      {"empty", 0}, {"magic", 4}, {"identification", 16}, {"32-bit header size", 52}, {"header less one", 63},
      {"header only", 64}};
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

TEST(BadLibraryFiles, TruncatedOrFakeImageIsRefusedByTheProbe) {
  Sandbox sandbox;
  const std::string image = sandbox.ReadFile(fs::canonical(sandbox.Path("libavisynth.so")).filename());
  ASSERT_EQ(image.substr(0, 4), "\x7f" "ELF");
  std::vector<std::string> files = {"this is not a shared object\n"};
  for (const auto& [name, size] : HeaderBoundaries(image)) {
    ASSERT_LT(size, image.size()) << name;
    files.push_back(image.substr(0, size));
  }
  sandbox.WriteSettings({{"AVSDLL", sandbox.Path("cut.so")}});
  for (const std::string& file : files) {
    SCOPED_TRACE(file.size());
    sandbox.WriteFile("cut.so", file);
    ProcessResult r = RunPiped(sandbox, {"-avsinfo"});
    EXPECT_EQ(r.exit_status, 255) << Describe(r);
    // The reason follows on its own line(s), and the message ends the output.
    const std::string prefix = PipedProbeFailureStart() + "\nCannot load avisynth.dll\n";
    EXPECT_TRUE(std::regex_match(r.err, std::regex(Literal(prefix) + "[^]+\n")) && r.out.empty()) << Describe(r);
  }
}

// True when nothing but a reset follows the last colour the program chose.
bool ColoursResetAtEnd(const std::string& raw) {
  static const std::regex sgr("\x1b\\[([0-9;]*)m");
  std::string last;
  for (auto it = std::sregex_iterator(raw.begin(), raw.end(), sgr); it != std::sregex_iterator(); ++it) last = (*it)[1];
  return last.empty() || last == "0";
}

// The library's own worker threads are outside every guard: the process
// cannot go on, but the user's terminal must not be left in raw mode.
TEST(BadEndings, FaultOnAPrefetchThreadRestoresTheTerminal) {
  for (const bool reaches_frame_loop : {false, true}) {
    SCOPED_TRACE(reaches_frame_loop ? "frame loop" : "analysis");
    Sandbox sandbox;
    sandbox.WriteScript("mt.avs", reaches_frame_loop
                                      ? "BlankClip(length=1000, width=64, height=48)\nNap(20)\nFault(900, \"access\")\nPrefetch(2)\n"
                                      : "BlankClip(length=100, width=64, height=48)\nFault(3, \"access\")\nPrefetch(2)\n");
    TerminalSession term(sandbox, {"mt.avs", "-log"});
    if (reaches_frame_loop) {
      ASSERT_TRUE(term.WaitForText("Frame (current | last):", 60s)) << term.ScreenText();
      EXPECT_FALSE(CanonicalWithEcho(term.MasterFd())) << "the frame loop polls keys one by one";
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
  const std::string log = sandbox.ReadFile("a.log"), csv = sandbox.ReadFile("a.csv");
  ASSERT_NE(log.find("[Performance data]"), std::string::npos) << log;

  sandbox.WriteScript("a.avs", "BlankClip(length=100000, width=64, height=48)\nNap(20)\n");
  const std::vector<std::string> files_before = sandbox.ListFiles();
  TerminalSession term(sandbox, {"a.avs", "-log", "-csv"});
  ASSERT_TRUE(term.WaitForText("Frame (current | last):", 60s)) << term.ScreenText();
  std::this_thread::sleep_for(300ms);
  ASSERT_EQ(kill(term.Pid(), SIGTERM), 0);
  ExitResult exit = term.WaitForExit(30s);
  ASSERT_TRUE(exit.ended) << term.ScreenText();
  EXPECT_TRUE(exit.signal == SIGTERM || exit.exit_status != 0) << exit.signal << " " << exit.exit_status;
  EXPECT_TRUE(CanonicalWithEcho(term.MasterFd()));
  EXPECT_TRUE(ColoursResetAtEnd(term.RawOutput()));
  EXPECT_TRUE(sandbox.ReadFile("a.log") == log && sandbox.ReadFile("a.csv") == csv) << "an earlier record changed";
  EXPECT_EQ(sandbox.ListFiles(), files_before) << "no temporary file may be left behind";
}

}  // namespace
}  // namespace e2e
