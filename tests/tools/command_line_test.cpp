#include "command_line.h"

#include <gtest/gtest.h>

#include <sstream>

namespace tessaro::tools {
namespace {

std::vector<std::string> Words(const std::string& text) {
  std::vector<std::string> words{"tessaro"};
  std::istringstream in(text);
  for (std::string w; in >> w;) words.push_back(w == "_" ? "RGB mode=1" : w);
  return words;
}

Failure Parse(const std::string& text, CommandLine* line) {
  const std::vector<std::string> words = Words(text);
  std::vector<const char*> argv;
  for (const std::string& w : words) argv.push_back(w.c_str());
  return ParseCommandLine(static_cast<int>(argv.size()), argv.data(), line);
}

TEST(CommandLine, SettingsBelongToTheFilterNamedBeforeThem) {
  CommandLine line;
  const Failure f = Parse(
      "apply - out.y4m --filter A --set x=5 --check _ --quiet --filter B --move y=-3 --set z=+2 "
      "--row-pad 7 --module m.so --smooth 7 --scene-cut 12.5",
      &line);
  ASSERT_FALSE(f) << f.message;
  EXPECT_EQ(line.command, "apply");
  EXPECT_EQ(line.operands, (std::vector<std::string>{"-", "out.y4m"}));
  ASSERT_EQ(line.filters.size(), 2u);
  EXPECT_EQ(line.filters[0].name, "A");
  ASSERT_EQ(line.filters[0].settings.size(), 2u);
  EXPECT_EQ(line.filters[0].settings[1].kind, Setting::kCheck);
  EXPECT_EQ(line.filters[0].settings[1].name, "RGB mode");
  EXPECT_EQ(line.filters[0].settings[1].value, 1);
  ASSERT_EQ(line.filters[1].settings.size(), 2u);
  EXPECT_EQ(line.filters[1].settings[0].kind, Setting::kMove);
  EXPECT_EQ(line.filters[1].settings[0].value, -3);
  EXPECT_EQ(line.filters[1].settings[1].value, 2);
  EXPECT_EQ(line.rowPad, 7);
  EXPECT_TRUE(line.quiet);
  EXPECT_EQ(line.modulePath, "m.so");
  EXPECT_EQ(line.smoothRadius, 7);
  EXPECT_EQ(line.sceneCut, 12.5);
}

TEST(CommandLine, MistakesAreUsageErrors) {
  for (const char* text : {"",
                           "frobnicate",
                           "apply in",
                           "apply a b c",
                           "apply a b --set x=1",
                           "apply a b --filter A --set x",
                           "apply a b --filter A --set =1",
                           "apply a b --filter A --set x=1.5",
                           "apply a b --filter A --set x=99999999999",
                           "apply a b --row-pad -1",
                           "apply a b --row-pad 5000",
                           "list --filter A",
                           "demo extra",
                           "apply a b --bogus",
                           "help",
                           "list --out d",
                           "demo --quiet",
                           "apply a b --module",
                           "apply a b --smooth -1",
                           "apply a b --smooth 101",
                           "apply a b --smooth 1.5",
                           "apply a b --scene-cut 0",
                           "apply a b --scene-cut 256",
                           "apply a b --scene-cut x",
                           "apply a b --scene-cut 5x",
                           "demo --smooth 3",
                           "bench --scene-cut 9"}) {
    CommandLine line;
    EXPECT_EQ(Parse(text, &line).status, ExitStatus::kUsage) << text;
  }
}

}  // namespace
}  // namespace tessaro::tools
