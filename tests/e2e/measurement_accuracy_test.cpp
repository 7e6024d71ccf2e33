// A clip of a known cost per frame is reported at about the rate that cost
// allows: never faster, and not off by an order of magnitude when slower.
#include "e2e_common.h"

namespace e2e {
namespace {

// 1 ms of busy waiting per frame allows at most 1000 frames a second. The
// lower bound leaves room for a two-core machine under heavy load (2 ms a
// frame has been seen there); the upper one only for rounding and the clock.
constexpr double kSlowestFps = 200, kFastestFps = 1030;

TEST(MeasurementAccuracy, OneMillisecondFramesReadAtAThousandPerSecond) {
  Sandbox sandbox;
  sandbox.WriteScript("clip.avs", SpinClip(1500, 1000));
  ProcessResult r = RunPiped(sandbox, {"clip.avs", "-csv"});
  ASSERT_EQ(r.exit_status, 0) << Describe(r);

  std::smatch m;
  const std::regex fps_line(R"(FPS \(min \| max \| average\):      ()" + kRate + R"() \| ()" + kRate + R"() \| ()" +
                            kRate + ")\n");
  ASSERT_TRUE(std::regex_search(r.err, m, fps_line)) << r.err;
  EXPECT_GE(std::stod(m[5]), kSlowestFps) << m[0];
  EXPECT_LE(std::stod(m[5]), kFastestFps) << m[0];
  EXPECT_LE(std::stod(m[3]), kFastestFps) << m[0];

  const std::vector<std::string> lines = SplitLines(sandbox.ReadFile("clip.csv"));
  ASSERT_GE(lines.size(), 2u);
  for (size_t i = 1; i < lines.size(); ++i) {
    // Time per frame of the record and on average.
    const std::vector<std::string> fields = Split(lines[i], ',');
    ASSERT_EQ(fields.size(), 9u) << lines[i];
    EXPECT_GE(std::stod(fields[3]), 1000.0 / kFastestFps) << lines[i];
    EXPECT_GE(std::stod(fields[4]), 1000.0 / kFastestFps) << lines[i];
    EXPECT_LE(std::stod(fields[4]), 1000.0 / kSlowestFps) << lines[i];
  }
}

}  // namespace
}  // namespace e2e
