// Runs each cases/*.case: runs of the program through pipes, their exact status, outputs and files.
// One directive a line: variant NAME | setting KEY=VALUE | no-settings | mkdir DIR | mode OCTAL PATH |
//   install VARIANT FOLDER (a second library) | run ARG... ("..." keeps spaces) | input [TEXT] (else /dev/null) |
//   limit BYTES (the largest file the runs may write; a longer write then fails) | status N (runs it) |
//   missing NAME | file NAME, stdout, stderr, file-after NAME: their lines up to "end".
// In texts and input \r is a carriage return (other escapes are left to patterns); a line ending in \ has
// no line feed, $DIR is the sandbox, $START the start of every run on the standard library, $QUERY its
// first two lines, and {{regex}} stands for a figure that varies.
#include <sys/stat.h>

#include <fstream>

#include "e2e_common.h"

namespace e2e {
namespace {

std::string Replace(std::string text, const std::string& from, const std::string& to) {
  for (size_t at = 0; (at = text.find(from, at)) != std::string::npos; at += to.size()) text.replace(at, from.size(), to);
  return text;
}

// Literal text with {{regex}} holes.
void ExpectText(const std::string& what, const std::string& actual, const std::string& expected) {
  std::string pattern;
  size_t at = 0;
  for (size_t open, close; (open = expected.find("{{", at)) != std::string::npos; at = close + 2) {
    close = expected.find("}}", open);
    pattern += Literal(expected.substr(at, open - at)) + expected.substr(open + 2, close - open - 2);
  }
  if (at == 0) EXPECT_EQ(actual, expected) << what;
  else EXPECT_TRUE(std::regex_match(actual, std::regex(pattern + Literal(expected.substr(at)))))
      << what << ":\n" << actual << "\nexpected:\n" << expected;
}

// Arguments split at spaces; "..." keeps them.
std::vector<std::string> Words(const std::string& text) {
  static const std::regex word(R"re("([^"]*)"|[^ ]+)re");
  std::vector<std::string> words;
  for (auto it = std::sregex_iterator(text.begin(), text.end(), word); it != std::sregex_iterator(); ++it) {
    words.push_back((*it)[1].matched ? (*it)[1].str() : it->str());
  }
  return words;
}

class CaseTest : public ::testing::TestWithParam<std::string> {};

TEST_P(CaseTest, Run) {
  std::vector<std::string> lines;
  std::ifstream in(std::string(KORBINET_E2E_CASES) + "/" + GetParam() + ".case");
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  size_t i = 0;
  const auto block = [&] {
    std::string text;
    for (++i; i < lines.size() && lines[i] != "end"; ++i) {
      text += lines[i].ends_with("\\") ? lines[i].substr(0, lines[i].size() - 1) : lines[i] + "\n";
    }
    return Replace(text, "\\r", "\r");
  };
  SandboxOptions options{.unprivileged = true};
  for (const auto& line : lines) {
    if (line.starts_with("variant ")) options.variant = line.substr(8);
    if (line.starts_with("setting ")) options.settings[line.substr(8, line.find('=') - 8)] = line.substr(line.find('=') + 1);
    if (line == "no-settings") options.write_settings = false;
  }
  if (options.variant == "avisynth+") {
    options.variant = KORBINET_REAL_AVISYNTH;
    if (!fs::exists(options.variant)) GTEST_SKIP() << "no real AviSynth+ at " << options.variant;
  }
  Sandbox sandbox(options);
  const auto texts = [&](const std::string& text) {
    return Replace(Replace(Replace(text, "$START", kStart), "$QUERY", kStart.substr(0, kStart.find("...") + 3)),
                   "$DIR", sandbox.Dir());
  };
  if (options.write_settings) {
    for (auto& [key, value] : options.settings) value = texts(value);
    sandbox.WriteSettings(options.settings);
  }
  std::vector<std::string> args;
  std::optional<std::string> input;
  std::string limit;
  ProcessResult r;
  for (; i < lines.size(); ++i) {
    const std::string& line = lines[i];
    const std::string rest = line.substr(std::min(line.size(), line.find(' ') + 1));
    if (line.starts_with("file ")) sandbox.WriteFile(rest, block());
    else if (line.starts_with("mkdir ")) fs::create_directories(sandbox.Path(rest));
    else if (line.starts_with("install ")) sandbox.InstallLibrary(rest.substr(0, rest.find(' ')), rest.substr(rest.find(' ') + 1));
    else if (line.starts_with("input")) input = rest == line ? "" : Replace(rest, "\\r", "\r");
    else if (line.starts_with("run")) args = Words(rest == line ? "" : rest);
    else if (line.starts_with("limit ")) limit = rest;
    else if (line.starts_with("mode ")) {
      sandbox.HandOver();
      chmod(sandbox.Path(rest.substr(rest.find(' ') + 1)).c_str(), std::stoi(rest, nullptr, 8));
    } else if (line.starts_with("status ")) {
      if (limit.empty()) r = RunPiped(sandbox, args, input);
      else {  // SIGXFSZ ignored, so that the write fails and the program can report it
        std::vector<std::string> sh{"-c", "trap '' XFSZ; exec prlimit --fsize=" + limit + " ./korbinet \"$@\"", "sh"};
        sh.insert(sh.end(), args.begin(), args.end());
        r = RunPiped(sandbox, sh, input, 60s, "/bin/sh");
      }
      EXPECT_EQ(r.exit_status, std::stoi(rest)) << Describe(r);
    } else if (line == "stdout") ExpectText("stdout", r.out, texts(block()));
    else if (line == "stderr") ExpectText("stderr", r.err, texts(block()));
    else if (line.starts_with("file-after ")) ExpectText(rest, sandbox.ReadFile(rest), texts(block()));
    else if (line.starts_with("missing ")) EXPECT_FALSE(sandbox.Exists(rest)) << rest;
    else if (!line.empty() && !line.starts_with("#") && !line.starts_with("variant ") &&
             !line.starts_with("setting ") && line != "no-settings") ADD_FAILURE() << "unknown line: " << line;
  }
}

// Grouped by prefix: lock_ cases may take the machine-wide lock, gpu_ cases
// must not meet the GPU-Z stand-in.
std::vector<std::string> Cases(const std::string& prefix) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(KORBINET_E2E_CASES)) {
    const std::string name = entry.path().stem().string();
    const bool grouped = name.starts_with("lock_") || name.starts_with("gpu_");
    if (prefix.empty() ? !grouped : name.starts_with(prefix)) names.push_back(name);
  }
  std::sort(names.begin(), names.end());
  return names;
}

// Case files are named as tests are: letters, digits and '_'.
std::string Name(const ::testing::TestParamInfo<std::string>& info) { return info.param; }

INSTANTIATE_TEST_SUITE_P(Case, CaseTest, ::testing::ValuesIn(Cases("")), Name);
INSTANTIATE_TEST_SUITE_P(InstanceLock, CaseTest, ::testing::ValuesIn(Cases("lock_")), Name);
INSTANTIATE_TEST_SUITE_P(Gpu, CaseTest, ::testing::ValuesIn(Cases("gpu_")), Name);

}  // namespace
}  // namespace e2e
