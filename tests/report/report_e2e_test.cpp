// korbinet-report over real runs: two bundled examples benchmarked with
// -log -csv in a scratch folder, then the report over both CSV files.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

namespace {

namespace fs = std::filesystem;

struct Result {
  int status = -1;
  std::string out, err;
};

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// Runs a command line in dir with no input, capturing both outputs.
Result Shell(const fs::path& dir, const std::string& command) {
  const std::string line = "cd '" + dir.string() + "' && " + command + " </dev/null >out.txt 2>err.txt";
  const int raw = std::system(line.c_str());
  Result r;
  r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  r.out = ReadAll(dir / "out.txt");
  r.err = ReadAll(dir / "err.txt");
  fs::remove(dir / "out.txt");
  fs::remove(dir / "err.txt");
  return r;
}

class ReportRuns : public testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/korbinet-report-e2e-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
    const fs::path bin = fs::path(KORBINET_BUILD_DIR) / "bin";
    for (const char* name : {"korbinet", "korbinet-report", "libavisynth.so.1.0.0"}) {
      fs::copy_file(bin / name, dir_ / name);
    }
    fs::create_symlink("libavisynth.so.1.0.0", dir_ / "libavisynth.so");
    // With its version the file is kept as it is; without, the program writes
    // its defaults, which take the machine-wide lock.
    std::ofstream(dir_ / "Korbinet.ini")
        << "[Main]\nVersion=" KORBINET_PROGRAM_VERSION
           "\nPauseBeforeExit=0\nAllowOnlyOneInstance=0\nUseColor=0\n";
    fs::create_directory(dir_ / "runs");
  }
  void TearDown() override { fs::remove_all(dir_); }

  // Benchmarks a bundled example, its log and CSV left in runs/.
  void Benchmark(const std::string& example) {
    fs::copy_file(fs::path(KORBINET_SOURCE_DIR) / "examples" / example, dir_ / "runs" / example);
    const Result r = Shell(dir_, "./korbinet runs/" + example + " -log -csv");
    ASSERT_EQ(r.status, 0) << r.out << r.err;
  }

  // The page's title and, per chart, its id and number of lines.
  std::string Outline(const std::string& page) {
    const Result r = Shell(dir_, std::string(KORBINET_PYTHON3) + " '" + KORBINET_SOURCE_DIR +
                                   "/tests/report/page_outline.py' " + page);
    EXPECT_EQ(r.status, 0) << r.err;
    return r.out;
  }

  fs::path dir_;
};

TEST_F(ReportRuns, TwoExamplesSideBySide) {
  Benchmark("fields_audio.avs");
  Benchmark("prefetch.avs");
  EXPECT_NE(ReadAll(dir_ / "Korbinet.ini").find("AllowOnlyOneInstance=0"), std::string::npos);

  const std::string command =
      "./korbinet-report runs/fields_audio.csv runs/prefetch.csv -o both.html --label 'four "
      "ms' --baseline 2";
  Result r = Shell(dir_, command);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");
  // Figures set the widths of their columns; the rest is exact, and every
  // line ends in the right-aligned thread count.
  const std::string fps3 = R"(( +\d+\.\d{3}){3})";
  const std::string cpu_to_threads = R"( +\d+% +(\d+\.\d{3}|n/a)( +\d+){3}\n)";
  const std::regex table(
      "Run  Label                Frames +Avg fps +Min fps +Max fps +Ratio +CPU +Efficiency +"
      "Phys MB +Virt MB +Threads\n"
      "1    four ms                 500" + fps3 + R"( +\d\.\d{3})" + cpu_to_threads +
      "2\\*   prefetch\\.avs \\(runs\\)    1200" + fps3 + " +1\\.000" + cpu_to_threads +
      "\nReport: both\\.html\n");
  EXPECT_TRUE(std::regex_match(r.out, table)) << r.out;
  std::istringstream lines(r.out);
  std::string header, first, second;
  std::getline(lines, header), std::getline(lines, first), std::getline(lines, second);
  EXPECT_EQ(first.size(), header.size()) << r.out;
  EXPECT_EQ(second.size(), header.size()) << r.out;

  // Well-formed, with one chart per series holding one line per run.
  EXPECT_EQ(Outline("both.html"),
            "Korbinet comparison: 2 runs\nfps 2\ncpu 2\nmemory 2\nthreads 2\n"
            "script: Spin(4000)\nscript: Prefetch(2)\n");

  // The same arguments again replace the page, leaving no temporary file.
  std::ofstream(dir_ / "both.html") << std::string(200000, 'x');
  r = Shell(dir_, command);
  ASSERT_EQ(r.status, 0) << r.err;
  const std::string page = ReadAll(dir_ / "both.html");
  EXPECT_EQ(page.find('x' + std::string(100, 'x')), std::string::npos);
  EXPECT_EQ(page.rfind("</html>\n"), page.size() - 8);
  for (const auto& entry : fs::directory_iterator(dir_)) {
    const std::string name = entry.path().filename().string();
    EXPECT_TRUE(name == "both.html" || name.find("both") == std::string::npos) << name;
  }

  // One run alone: its page beside the CSV, both series of the pairs drawn.
  r = Shell(dir_, "./korbinet-report runs/prefetch.csv");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(Outline("runs/prefetch.html"),
            "Korbinet run: prefetch.avs (runs)\nfps 2\ncpu 1\nmemory 2\nthreads 1\n"
            "script: Prefetch(2)\n");
}

TEST_F(ReportRuns, BadInputAndUsageEndWithAMessageAndStatus) {
  std::ofstream(dir_ / "runs" / "empty.csv");
  const std::string header =
      "Frame,Frames/sec,Frames/sec(average),Time/frame(ms),Time/frame(average)(ms),CPU(%),"
      "Threads,PhysMEM(MB),VirtMEM(MB)\n";
  const std::string good = header + "10,25.000,25.000,40.000000,40.000000,5,1,2,3\n";
  std::ofstream(dir_ / "runs" / "cut.csv") << header << "10,25.000,25.0";
  std::ofstream(dir_ / "runs" / "good.csv") << good;
  const struct {
    std::string args;
    int status;
    std::string message;
  } cases[] = {
      {"runs/missing.csv", 1, "korbinet-report: runs/missing.csv: no such file\n"},
      {"runs/empty.csv", 1, "korbinet-report: runs/empty.csv: the file is empty (0 bytes): "},
      {"runs/cut.csv", 1, "korbinet-report: runs/cut.csv, line 2: 3 fields, expected 9 (a "
                          "truncated row)\n"},
      {"runs/cut.csv --baseline", 2, "korbinet-report: --baseline needs a value\nusage: "},
      {"runs/good.csv -o runs/good.csv", 2, "korbinet-report: runs/good.csv: is one of the "
                                            "runs' files; the report must go elsewhere\n"},
  };
  for (const auto& c : cases) {
    const Result r = Shell(dir_, "./korbinet-report " + c.args);
    EXPECT_EQ(r.status, c.status) << c.args;
    EXPECT_EQ(r.err.substr(0, c.message.size()), c.message);
    EXPECT_EQ(r.out, "");
  }
  EXPECT_FALSE(fs::exists(dir_ / "runs" / "cut.html"));
  EXPECT_EQ(ReadAll(dir_ / "runs" / "good.csv"), good);
}

}  // namespace
