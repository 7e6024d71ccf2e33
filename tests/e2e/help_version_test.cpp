// --help, -h and --version of every program: answered on standard output with status 0 before any settings
// file, library or lock is touched, so they work on a bare machine and leave nothing behind.
#include <fstream>

#include "compare/compare_options.h"
#include "e2e_common.h"

namespace e2e {
namespace {

// Korbinet's usage is the text startup_usage.case pins for a run without arguments.
std::string KorbinetUsage() {
  std::ifstream in(std::string(KORBINET_E2E_CASES) + "/startup_usage.case");
  const std::string text(std::istreambuf_iterator<char>(in), {});
  const size_t at = text.find("\nstdout\n") + 8;
  return text.substr(at, text.find("\nend\n", at) + 1 - at);
}

const std::string kReportUsage =
    "usage: korbinet-report RUN.csv [RUN.csv ...] [-o REPORT.html] [--label NAME]... [--baseline N]\n"
    "       korbinet-report RESULT.json [-o REPORT.html]\n"
    "  RESULT.json      a result file of korbinet-compare, drawn on a page of its own\n"
    "  -o REPORT.html   the page to write (default: beside the first file, named after it)\n"
    "  --label NAME     names the runs in order (default: script and folder)\n"
    "  --baseline N     the run the others are measured against (default: 1)\n";

const std::string kPublisherUsage =
    "usage: gpu-publisher [--title TEXT] [--size BYTES] [--record KEY=VALUE]...\n"
    "                     [--sensor NAME=VALUE]... [--seconds N]\n"
    "       gpu-publisher --source[=nvidia|amdgpu|auto] [--interval MS] [--nvml PATH]\n"
    "                     [--sysfs-root DIR] [--pci-ids FILE] [--title TEXT]\n"
    "                     [--size BYTES] [--seconds N]\n";

TEST(HelpAndVersion, EachProgramAnswersWithoutSettingsOrLibrary) {
  // A library the probe refuses, and no settings file: neither may matter.
  Sandbox sandbox({.variant = "nofactory", .write_settings = false, .unprivileged = true});
  for (const char* tool : {"korbinet-report", "korbinet-compare", "gpu-publisher"}) {
    fs::copy_file(BuildDir() + "/bin/" + tool, sandbox.Path(tool));
  }
  sandbox.HandOver();
  const std::vector<std::string> before = sandbox.ListFiles();
  const std::pair<std::string, std::string> programs[] = {{"korbinet", KorbinetUsage()},
                                                          {"korbinet-report", kReportUsage},
                                                          {"korbinet-compare", compare::kUsage},
                                                          {"gpu-publisher", kPublisherUsage}};
  for (const auto& [program, usage] : programs) {
    for (const std::string arg : {"--version", "--help", "-h"}) {
      const ProcessResult r = RunPiped(sandbox, {arg}, std::nullopt, 60s, sandbox.Path(program));
      EXPECT_EQ(r.exit_status, 0) << program << " " << arg << "\n" << Describe(r);
      const std::string name = program == "korbinet" ? "Korbinet" : program;
      EXPECT_EQ(r.out, arg == "--version" ? name + " 2.1.6 (x64)\n" : usage) << program << " " << arg;
      EXPECT_EQ(r.err, "") << program << " " << arg;
    }
  }
  EXPECT_EQ(sandbox.ListFiles(), before);
}

}  // namespace
}  // namespace e2e
