// Text rules of the tag layer: the two trims, the track number and the genre.
#include <gtest/gtest.h>

#include <string>

#include "tags/id3v2parse.h"
#include "tags/texttrim.h"

namespace {

TEST(Trim, BlanksAreZeroToSpaceOnTrimAndOnlySpaceOnTrailingSpaces) {
  const std::string text("\0\t  Abc \x01 def\x20\x1f\0 ", 17);
  EXPECT_EQ(Trim(text), "Abc \x01 def");
  EXPECT_EQ(TrimRightBlanks(text), std::string("\0\t  Abc \x01 def", 13));
  // Only 0x20, and only at the end; a tab or a zero byte stops it.
  EXPECT_EQ(TrimTrailingSpaces("  Abc  "), "  Abc");
  EXPECT_EQ(TrimTrailingSpaces("Abc\t "), "Abc\t");
  EXPECT_EQ(TrimTrailingSpaces(std::string("Abc\0 ", 5)), std::string("Abc\0", 4));
  EXPECT_EQ(Trim("   "), "");
  // Bytes above 0x7F are characters, not blanks.
  EXPECT_EQ(Trim("\xA0x\xFF"), "\xA0x\xFF");
}

struct TTrackCase {
  std::string Text;
  std::int64_t Track;
};

class ParseTrackTest : public testing::TestWithParam<TTrackCase> {};

TEST_P(ParseTrackTest, GivesTheNumberBeforeTheSlash) {
  EXPECT_EQ(ParseTrack(GetParam().Text), GetParam().Track) << '"' << GetParam().Text << '"';
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ParseTrackTest,
    testing::Values(TTrackCase{"3/12", 3}, TTrackCase{"07", 7}, TTrackCase{"A1", 0},
                    TTrackCase{std::string("\0 5 \0", 5), 5},  // encoding byte and blanks trim
                    TTrackCase{"", 0}, TTrackCase{"/12", 0}, TTrackCase{"+4", 4},
                    TTrackCase{"$1F", 31}, TTrackCase{"x1f", 31}, TTrackCase{"X10", 16},
                    TTrackCase{"0x10", 16}, TTrackCase{"0X0a/3", 10}, TTrackCase{"$", 0},
                    TTrackCase{"0x", 0}, TTrackCase{"1F", 0}, TTrackCase{"3 /12", 0},
                    TTrackCase{"3.5", 0}, TTrackCase{"255", 255},
                    // Above 255 the number is kept whole, to be written back unchanged.
                    TTrackCase{"300", 300}, TTrackCase{"65536/2", 65536},
                    TTrackCase{"3000000000", 3000000000},
                    TTrackCase{"9223372036854775807", INT64_MAX},
                    // Negative, or beyond any number type: no track.
                    TTrackCase{"-3", 0}, TTrackCase{"-0", 0}, TTrackCase{"9223372036854775808", 0},
                    TTrackCase{"99999999999999999999", 0}, TTrackCase{"-$10", 0}));

struct TGenreCase {
  std::string Text;
  std::string Genre;
};

class ParseGenreTest : public testing::TestWithParam<TGenreCase> {};

TEST_P(ParseGenreTest, DropsEverythingUpToTheLastParenthesis) {
  EXPECT_EQ(ParseGenre(GetParam().Text), GetParam().Genre) << '"' << GetParam().Text << '"';
}

INSTANTIATE_TEST_SUITE_P(Texts, ParseGenreTest,
                         testing::Values(TGenreCase{"(17)Rock", "Rock"},
                                         TGenreCase{"(4)(17)Rock", "Rock"},
                                         TGenreCase{"Rock", "Rock"}, TGenreCase{"(17)", ""},
                                         TGenreCase{"Rock (live)", ""},
                                         // Trimmed before, not after: the space behind ")" stays.
                                         TGenreCase{std::string("\0(17) Rock \0", 12), " Rock"},
                                         TGenreCase{"", ""}, TGenreCase{")", ""}));

}  // namespace
