// The script language: statements, methods, named arguments, `last`,
// comments, continuation, and the error texts with path and line.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "frameserver_host.h"

namespace {

class ScriptTest : public ::testing::Test {
 protected:
  void SetUp() override {
    server_ = LoadServer("standard", 7);
    ASSERT_NE(server_.env, nullptr);
    dir_ = std::filesystem::temp_directory_path() /
           ("fs_script_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
            "_" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override {
    UnloadServer(server_);
    std::filesystem::remove_all(dir_);
  }
  std::string Write(const std::string& name, const std::string& text) {
    const std::string path = (dir_ / name).string();
    std::ofstream(path, std::ios::binary) << text;
    return path;
  }
  // The error text of importing `text`, or "" when it imports.
  std::string ImportError(const std::string& path) {
    try {
      server_.env->Invoke("Import", AVSValue(path.c_str()));
    } catch (const AvisynthError& error) {
      return error.msg;
    }
    return "";
  }

  LoadedServer server_;
  std::filesystem::path dir_;
};

TEST_F(ScriptTest, StatementsMethodsNamedArgumentsAndLast) {
  const std::string path = Write("ok.avs",
                                 "# a comment line\n"
                                 "\n"
                                 "clip = BlankClip(length=100, width=320, \\\n"
                                 "                 height=240, pixel_type=\"yv12\")  # trailing\n"
                                 "clip.trim(10, 19)\n"
                                 "KILLAUDIO\n"
                                 "AssumeFPS(50)\n");
  AVSValue value = server_.env->Invoke("Import", AVSValue(path.c_str()));
  ASSERT_TRUE(value.IsClip());
  const VideoInfo vi = value.AsClip()->GetVideoInfo();
  EXPECT_EQ(vi.num_frames, 10);
  EXPECT_EQ(vi.height, 240);
  EXPECT_FALSE(vi.HasAudio());
  EXPECT_EQ(vi.fps_numerator, 50u);
  EXPECT_TRUE(vi.IsYV12());
}

TEST_F(ScriptTest, ValueOfTheScript) {
  struct Case { const char* text; char type; };
  const Case cases[] = {
      {"", 'v'},
      {"x = BlankClip()\n", 'v'},
      {"\"text\"\n", 's'},
      {"x = 3\nx\n", 'i'},
      {"-2.5", 'd'},
      {"VersionString()", 's'},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    const std::string path = Write("value.avs", c.text);
    AVSValue value = server_.env->Invoke("Import", AVSValue(path.c_str()));
    EXPECT_EQ(value.TypeCode(), c.type);
  }
}

TEST_F(ScriptTest, ErrorTextsCarryPathAndLine) {
  struct Case { const char* text; const char* message; const char* location; };
  const Case cases[] = {
      {"BlankClip()\n\nFoo(3)\n", "Script error: There is no function named 'Foo'.", "line 3)"},
      {"BlankClip()\nTrim(\"a\", 2)\n", "Script error: Invalid arguments to function 'Trim'.",
       "line 2)"},
      {"BlankClip(length=10 width=3)\n", "Script error: expected a , or )", "line 1, column 20)"},
      {"BlankClip())\n", "Script error: syntax error", "line 1, column 11)"},
      {"x = \"open\n", "Script error: syntax error", "line 1, column 4)"},
      {"BlankClip(pixel_type=\"XYZ\")\n", "BlankClip: unknown pixel_type \"XYZ\"", "line 1)"},
      {"BlankClip()\nFault(-1, \"error\")\n", "Fault at frame -1", "line 2)"},
  };
  // Deep nesting is refused before it can exhaust the stack.
  const std::string deep = std::string(100000, '(') + "1" + std::string(100000, ')') + "\n";
  const std::string deep_path = Write("deep.avs", deep);
  EXPECT_EQ(ImportError(deep_path),
            "Script error: expression nested too deeply\n(" + deep_path + ", line 1, column 200)");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    const std::string path = Write("bad.avs", c.text);
    EXPECT_EQ(ImportError(path), std::string(c.message) + "\n(" + path + ", " + c.location);
  }
}

TEST_F(ScriptTest, MissingFileAndNestedImports) {
  const std::string missing = (dir_ / "none.avs").string();
  EXPECT_EQ(ImportError(missing), "Import: couldn't open \"" + missing + "\"");

  const std::string inner = Write("inner.avs", "BlankClip(length=7)\n");
  const std::string outer = Write("outer.avs", "Import(\"" + inner + "\").Trim(1, 3)\n");
  AVSValue value = server_.env->Invoke("Import", AVSValue(outer.c_str()));
  EXPECT_EQ(value.AsClip()->GetVideoInfo().num_frames, 3);

  // A script importing itself stops with an error instead of exhausting
  // the stack.
  const std::string self = (dir_ / "self.avs").string();
  Write("self.avs", "Import(\"" + self + "\")\n");
  EXPECT_NE(ImportError(self).find("nested too deeply"), std::string::npos);
}

TEST_F(ScriptTest, EvalErrorsHaveNoFileName) {
  try {
    server_.env->Invoke("Eval", AVSValue("BlankClip(,)"));
    FAIL();
  } catch (const AvisynthError& error) {
    EXPECT_STREQ(error.msg, "Script error: syntax error\n((null), line 1, column 10)");
  }
  try {
    server_.env->Invoke("Eval", AVSValue("Foo()"));
    FAIL();
  } catch (const AvisynthError& error) {
    EXPECT_STREQ(error.msg, "Script error: There is no function named 'Foo'.");
  }
}

}  // namespace
