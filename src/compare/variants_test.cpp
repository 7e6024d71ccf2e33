#include "compare/variants.h"

#include <gtest/gtest.h>

namespace compare {
namespace {

std::vector<std::string> Labels(const Sweeps& sweeps, const std::vector<std::string>& given = {},
                                std::vector<Variant>* expanded = nullptr) {
  std::vector<Variant> variants;
  std::string error;
  EXPECT_TRUE(ExpandVariants(sweeps, given, &variants, &error)) << error;
  if (expanded) *expanded = variants;
  std::vector<std::string> labels;
  for (const Variant& v : variants) labels.push_back(v.label);
  return labels;
}

TEST(Variants, NestTheSweepsInAFixedOrderAndNameWhatVaries) {
  Sweeps s;
  s.scripts = {"dir/a.avs", "b.avs"};
  s.max_cpu = {"none", ""};
  s.prefetch = {1, 4};
  s.vars = {{"W", {"640"}}};
  s.memory_max_mb = {512};
  using L = std::vector<std::string>;
  std::vector<Variant> v;
  EXPECT_EQ(Labels(s, {}, &v), (L{"a.avs maxcpu=none prefetch=1", "a.avs maxcpu=none prefetch=4",
                          "a.avs maxcpu=default prefetch=1", "a.avs maxcpu=default prefetch=4",
                          "b.avs maxcpu=none prefetch=1", "b.avs maxcpu=none prefetch=4",
                          "b.avs maxcpu=default prefetch=1", "b.avs maxcpu=default prefetch=4"}));
  ASSERT_EQ(v.size(), 8u);
  // The 3rd: a.avs, the empty maxcpu, prefetch 1; unswept values still apply.
  EXPECT_TRUE(v[2].script == "dir/a.avs" && !v[2].max_cpu && v[0].max_cpu == "none" && v[2].prefetch == 1 &&
              v[2].memory_max_mb == 512 && v[2].library.empty());
  EXPECT_EQ(v[2].vars, (std::vector<std::pair<std::string, std::string>>{{"W", "640"}}));
}

TEST(Variants, LabelsStayApart) {
  using L = std::vector<std::string>;
  Sweeps same;
  same.scripts = {"a.avs", "a.avs"};
  EXPECT_EQ(Labels(same), (L{"a.avs #1", "a.avs #2"}));
  Sweeps alike;
  alike.scripts = {"x/a.avs", "y\\a.avs"};
  alike.libraries = {"old/libavisynth.so", "new/libavisynth.so"};
  EXPECT_EQ(Labels(alike),
            (L{"x/a.avs library=old/libavisynth.so", "x/a.avs library=new/libavisynth.so",
               "y\\a.avs library=old/libavisynth.so", "y\\a.avs library=new/libavisynth.so"}));
  Sweeps one;
  one.scripts = {"s/one.avs"};
  one.memory_max_mb = {256, 1024};
  EXPECT_EQ(Labels(one), (L{"memory-max=256", "memory-max=1024"}));
  EXPECT_EQ(Labels(one, {"small", "large"}), (L{"small", "large"}));
  one.memory_max_mb = {256};
  EXPECT_EQ(Labels(one), (L{"one.avs"}));
}

TEST(Variants, RefusesWhatCannotBeRun) {
  Sweeps two;
  two.scripts = {"a.avs"};
  two.prefetch = {1, 2};
  Sweeps huge;
  huge.scripts = {"a.avs"};
  for (const char* name : {"A", "B", "C", "D"}) huge.vars.push_back({name, std::vector<std::string>(1 << 16, "v")});
  std::vector<Variant> variants;
  std::string error;
  EXPECT_FALSE(ExpandVariants(two, {"a", "b", "c"}, &variants, &error));
  EXPECT_EQ(error, "3 labels for 2 variants");
  EXPECT_FALSE(ExpandVariants(huge, {}, &variants, &error));
  EXPECT_EQ(error, "more than 64 variants");
}

}  // namespace
}  // namespace compare
