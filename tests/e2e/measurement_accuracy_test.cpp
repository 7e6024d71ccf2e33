// A clip of a known cost per frame is reported at about the rate that cost allows.
#include "e2e_common.h"

namespace e2e {
namespace {

// 1 ms of busy waiting a frame allows at most 1000 fps. The lower bound leaves room for a loaded
// two-core machine (2 ms a frame has been seen there); the upper one only for rounding and the clock.
TEST(MeasurementAccuracy, OneMillisecondFramesReadAtAThousandPerSecond) {
  Sandbox sandbox;
  sandbox.WriteScript("clip.avs", SpinClip(1500, 1000));
  ProcessResult r = RunPiped(sandbox, {"clip.avs"});
  ASSERT_EQ(r.exit_status, 0) << Describe(r);
  std::smatch m;
  const std::regex fps_line(R"(FPS \(min \| max \| average\):      ()" + kRate + R"() \| ()" + kRate + R"() \| ()" +
                            kRate + ")\n");
  ASSERT_TRUE(std::regex_search(r.err, m, fps_line)) << r.err;
  EXPECT_GE(std::stod(m[5]), 200) << m[0];
  EXPECT_LE(std::stod(m[5]), 1030) << m[0];
  EXPECT_LE(std::stod(m[3]), 1030) << m[0];
}

}  // namespace
}  // namespace e2e
