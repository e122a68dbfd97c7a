// Text rules of the tag layer: the two trims.
#include <gtest/gtest.h>

#include <string>

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

}  // namespace
