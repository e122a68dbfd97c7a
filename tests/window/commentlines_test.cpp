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
    {"LfSeparates", "abc\ndef", {"abc", "def"}, "abc\ndef"},
    {"CrBecomesLf", "abc\rdef", {"abc", "def"}, "abc\ndef"},
    {"CrLfBecomesLf", "abc\r\ndef", {"abc", "def"}, "abc\ndef"},
    // A comment of mixed breaks, a line added to it: one kind of break in what is written.
    {"MixedBecomeLf", "a\nb\rc\r\nd", {"a", "b", "c", "d"}, "a\nb\nc\nd"},
    {"LfCrIsTwoBreaks", "a\n\rb", {"a", "", "b"}, "a\n\nb"},
    {"EndingInABreakGivesEmptyLastLine", "abc\r", {"abc", ""}, "abc\n"},
    {"OnlyBreaks", "\r\n\n", {"", "", ""}, "\n\n"},
    {"UnicodeSeparatorsBreakAsShown", "a\u2028b\u2029c", {"a", "b", "c"}, "a\nb\nc"},
    {"OtherControlsStay", "a\tb\x0b\x0c\u0085c", {"a\tb\x0b\x0c\u0085c"}, "a\tb\x0b\x0c\u0085c"},
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
    // 255 characters: eight lines with their LFs (248), then seven characters of the ninth.
    std::string expected;
    for (int i = 0; i < 8; ++i) expected += line + "\n";
    expected += line.substr(0, 7 * c.Bytes);
    EXPECT_EQ(LinesToText(lines), expected);
  }
}

TEST(CommentLinesCut, NoLinesGiveAnEmptyComment) { EXPECT_EQ(LinesToText({}), ""); }
