#include "host/help.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/filters.h"
#include "host/message_box.h"

namespace tessaro {
namespace {

struct Shown {
  std::string text, caption;
  std::uint32_t style;
};
std::vector<Shown> g_shown;

std::int32_t Capture(const char* text, const char* caption, std::uint32_t style) {
  g_shown.push_back({text, caption, style});
  return 1;
}

class HelpButtons : public ::testing::Test {
 protected:
  void SetUp() override {
    g_shown.clear();
    SetMessageBoxSink(Capture);
  }
  void TearDown() override { SetMessageBoxSink(nullptr); }
};

TEST_F(HelpButtons, OnlyTheFiltersOwnButtonShowsItsText) {
  struct Case {
    WindowProcFn proc;
    std::uint32_t message;
    std::uintptr_t wparam;
    const char* shows;  // null: nothing shown
  };
  const Case cases[] = {
      {AutoLevelWindowProc, 0x111, 12007, kAutoLevelHelp},
      {LevelsWindowProc, 0x111, 12005, kQuillonLevelHelp},
      {AutoLevelWindowProc, 0x111, 12005, nullptr},
      {LevelsWindowProc, 0x111, 12007, nullptr},
      // A notification code in the upper half is another event of the same control.
      {AutoLevelWindowProc, 0x111, 0x10000 | 12007, nullptr},
      {LevelsWindowProc, 0x111, 0x10000 | 12005, nullptr},
      {AutoLevelWindowProc, 0x110, 12007, nullptr},
      {LevelsWindowProc, 0x0F, 12005, nullptr},
      {AutoLevelWindowProc, 0x111, 12004, nullptr},
  };
  for (const Case& c : cases) {
    g_shown.clear();
    EXPECT_EQ(c.proc(nullptr, c.message, c.wparam, 0, nullptr, nullptr), kFalse);
    if (c.shows == nullptr) {
      EXPECT_TRUE(g_shown.empty()) << c.message << " " << c.wparam;
    } else {
      ASSERT_EQ(g_shown.size(), 1u);
      EXPECT_EQ(g_shown[0].text, c.shows);
      EXPECT_EQ(g_shown[0].caption, "INFO");
      EXPECT_EQ(g_shown[0].style, 0x40u);
    }
  }
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t nl; (nl = text.find('\n', start)) != std::string::npos; start = nl + 1) {
    lines.push_back(text.substr(start, nl - start));
  }
  EXPECT_EQ(start, text.size()) << "text must end with a line feed";
  return lines;
}

TEST(HelpTexts, HaveTheirLinesAndCreditBlocks) {
  struct Case {
    const char* text;
    std::vector<std::string> head;
    std::size_t creditLines;
  };
  const Case cases[] = {
      {kAutoLevelHelp,
       {"=Auto Level Adjustment=", std::string(46, '-'),
        "At default settings, this plugin only adjust", "the Y-plane of YCbCr data.", "",
        "midRng: A factor for auto gamma correction",
        "Skip: For RGB mode only. Skip processing when",
        "histogram distribution of any one channel is highly", "compressed",
        "Cb: Apply leveling on Cb channel(risky)", "Cr: Apply leveling on Cr channel(risky)",
        "RGB mode: works on RGB data instead of YCbCr", std::string(47, '-')},
       4},
      {kQuillonLevelHelp,
       {"=Quillon-like Color Level Adjustment=", std::string(46, '-'),
        "For clipping/contrast-stretch(Vantor6):", "R/G/Bc-Hi and R/G/Bc-Low", "",
        "For input levels:", "R/G/Bi-Hi and R/G/Bi-Low", "",
        "For output levels:", "R/G/Bo-Hi and R/G/Bo-Low", "", std::string(47, '-')},
       6},
  };
  for (const Case& c : cases) {
    const std::string text = c.text;
    EXPECT_EQ(text.find('\r'), std::string::npos);
    const std::vector<std::string> lines = Lines(text);
    ASSERT_EQ(lines.size(), c.head.size() + c.creditLines);
    for (std::size_t i = 0; i < c.head.size(); ++i) EXPECT_EQ(lines[i], c.head[i]) << i;
    for (std::size_t i = c.head.size(); i < lines.size(); ++i) EXPECT_FALSE(lines[i].empty());
  }
}

}  // namespace
}  // namespace tessaro
