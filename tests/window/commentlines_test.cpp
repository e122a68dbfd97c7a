#include "window/commentlines.h"

#include <gtest/gtest.h>

namespace {

using TLines = std::vector<std::string>;

struct TLinesCase {
  const char* Name;
  std::string Comment;
  TLines Lines;
  std::string Back;  // LinesToText of the lines
};

const TLinesCase LinesCases[] = {
    {"Empty", "", {}, ""},
    {"OneLine", "abc", {"abc"}, "abc"},
    {"CrLfBecomesCr", "abc\r\ndef", {"abc", "def"}, "abc\rdef"},
    {"CrSeparates", "abc\rdef", {"abc", "def"}, "abc\rdef"},
    {"LfAloneStaysInItsLine", "abc\ndef", {"abc\ndef"}, "abc\ndef"},
    {"EndingInCrGivesEmptyLastLine", "abc\r", {"abc", ""}, "abc\r"},
    {"OnlyCr", "\r", {"", ""}, "\r"},
    {"LfAfterCrLfStays", "a\r\n\nb", {"a", "\nb"}, "a\r\nb"},
    {"EmptyLinesBetween", "a\r\r\nb", {"a", "", "b"}, "a\r\rb"},
};

class CommentLines : public ::testing::TestWithParam<TLinesCase> {};

TEST_P(CommentLines, SplitsAndJoins) {
  const TLinesCase& c = GetParam();
  EXPECT_EQ(TextToLines(c.Comment), c.Lines);
  EXPECT_EQ(LinesToText(c.Lines), c.Back);
}

INSTANTIATE_TEST_SUITE_P(Table, CommentLines, ::testing::ValuesIn(LinesCases),
                         [](const auto& info) { return std::string(info.param.Name); });

}  // namespace

TEST(CommentLinesCut, TenLinesOfThirtyAreCutTo255) {
  TLines lines;
  for (int i = 0; i < 10; ++i) lines.push_back(std::string(30, static_cast<char>('a' + i)));
  std::string joined;
  for (const std::string& line : lines) joined += (joined.empty() ? "" : "\r") + line;
  ASSERT_EQ(joined.size(), 309u);
  EXPECT_EQ(LinesToText(lines), joined.substr(0, 255));
}

TEST(CommentLinesCut, NoLinesGiveAnEmptyComment) { EXPECT_EQ(LinesToText({}), ""); }
