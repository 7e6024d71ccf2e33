// The frame server's script language, imported from files as the program does.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include <unistd.h>

#include "frameserver_host.h"

namespace {

class ScriptTest : public ::testing::Test {
 protected:
  void SetUp() override {
    server_ = LoadServer("standard", 7);
    ASSERT_NE(server_.env, nullptr);
    dir_ = std::filesystem::temp_directory_path() /
           ("fs_script_" + std::to_string(getpid()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override { UnloadServer(server_), std::filesystem::remove_all(dir_); }
  std::string Write(const std::string& name, const std::string& text) {
    const std::string path = (dir_ / name).string();
    std::ofstream(path, std::ios::binary) << text;
    return path;
  }
  AVSValue Call(const char* function, const std::string& arg) {
    return server_.env->Invoke(function, AVSValue(arg.c_str()));
  }
  // The error text of the call, "" when it succeeds.
  std::string Error(const char* function, const std::string& arg) {
    try {
      Call(function, arg);
    } catch (const AvisynthError& error) {
      return error.msg;
    }
    return "";
  }

  LoadedServer server_;
  std::filesystem::path dir_;
};

TEST_F(ScriptTest, ErrorTextsCarryPathAndLine) {
  struct Case { std::string text; const char* message; const char* location; };
  const Case cases[] = {
      {"BlankClip()\n\nFoo(3)\n", "Script error: There is no function named 'Foo'.", "line 3)"},
      {"BlankClip()\nTrim(\"a\", 2)\n", "Script error: Invalid arguments to function 'Trim'.",
       "line 2)"},
      {"BlankClip(length=10 width=3)\n", "Script error: expected a , or )", "line 1, column 20)"},
      {"BlankClip())\n", "Script error: syntax error", "line 1, column 11)"},
      {"x = \"open\n", "Script error: syntax error", "line 1, column 4)"},
      {"BlankClip(pixel_type=\"XYZ\")\n", "BlankClip: unknown pixel_type \"XYZ\"", "line 1)"},
      {std::string(100000, '(') + "1" + std::string(100000, ')'),  // refused before the stack runs out
       "Script error: expression nested too deeply", "line 1, column 200)"},
  };
  for (const Case& c : cases) {
    const std::string path = Write("bad.avs", c.text);
    EXPECT_EQ(Error("Import", path), std::string(c.message) + "\n(" + path + ", " + c.location);
  }
  EXPECT_EQ(Error("Eval", "BlankClip(,)"), "Script error: syntax error\n((null), line 1, column 10)");
  EXPECT_EQ(Error("Eval", "Foo()"), "Script error: There is no function named 'Foo'.");
}

TEST_F(ScriptTest, MissingFileNestedAndSelfImports) {
  const std::string missing = (dir_ / "none.avs").string();
  EXPECT_EQ(Error("Import", missing), "Import: couldn't open \"" + missing + "\"");
  const std::string inner = Write("inner.avs", "BlankClip(length=7)\n");
  const std::string outer = Write("outer.avs", "Import(\"" + inner + "\").Trim(1, 3)\n");
  EXPECT_EQ(Call("Import", outer).AsClip()->GetVideoInfo().num_frames, 3);
  // Importing itself ends in an error, not a stack overflow.
  const std::string self = (dir_ / "self.avs").string();
  Write("self.avs", "Import(\"" + self + "\")\n");
  EXPECT_NE(Error("Import", self).find("nested too deeply"), std::string::npos);
}

}  // namespace
