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

// The cut counts characters, whatever their size in bytes, and never splits one.
TEST(CommentLinesCut, TenLinesOfThirtyAreCutTo255Characters) {
  const struct {
    const char* Character;  // UTF-8, repeated 30 times per line
    std::size_t Bytes;
  } cases[] = {{"a", 1}, {"\u00e9", 2}, {"\u65e5", 3}, {"\U0001F3B5", 4}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Character);
    std::string line;
    for (int i = 0; i < 30; ++i) line += c.Character;
    const TLines lines(10, line);
    // 255 characters: eight lines with their CRs (248), then seven characters of the ninth.
    std::string expected;
    for (int i = 0; i < 8; ++i) expected += line + "\r";
    expected += line.substr(0, 7 * c.Bytes);
    EXPECT_EQ(LinesToText(lines), expected);
  }
}

TEST(CommentLinesCut, NoLinesGiveAnEmptyComment) { EXPECT_EQ(LinesToText({}), ""); }
