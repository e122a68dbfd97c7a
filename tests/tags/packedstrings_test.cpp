#include "tags/packedstrings.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Lengths on both sides of each width of the length field (one byte up to 127, two up to
// 16,383, then three), with bytes that look like the field itself.
TEST(PackedStrings, HoldsStringsOfEveryLengthAndReplacesOneAtATime) {
  const std::vector<std::string> texts = {
      "",
      "a",
      std::string(127, '\x7F'),
      std::string(128, '\x80'),
      std::string(16383, '\xFF'),
      std::string(16384, '\0'),
      std::string(70000, 'z'),
  };
  TPackedStrings packed;
  EXPECT_EQ(packed.Count(), 0u);
  EXPECT_EQ(packed[0], "");
  packed.Assign({texts[0], texts[1], texts[2], texts[3], texts[4], texts[5], texts[6]});
  ASSERT_EQ(packed.Count(), texts.size());
  for (std::size_t i = 0; i < texts.size(); ++i) EXPECT_EQ(packed[i], texts[i]) << i;
  EXPECT_EQ(packed[texts.size()], "") << "beyond the count";

  // Each string in turn takes the next one's text; the others stay.
  std::vector<std::string> expected = texts;
  for (std::size_t i = 0; i + 1 < texts.size(); ++i) {
    packed.Set(i, texts[i + 1]);
    expected[i] = texts[i + 1];
    for (std::size_t j = 0; j < texts.size(); ++j) ASSERT_EQ(packed[j], expected[j]) << i << j;
  }
}

TEST(PackedStrings, TakesViewsOfItsOwnStringsAndFillsGapsWithEmptyOnes) {
  TPackedStrings packed;
  packed.Assign({"/music/song.mp3", "Title"});
  packed.Set(1, packed[0]);
  EXPECT_EQ(packed[1], "/music/song.mp3");
  packed.Assign({packed[1], "x", packed[0]});
  EXPECT_EQ(packed.Count(), 3u);
  EXPECT_EQ(packed[0], "/music/song.mp3");
  EXPECT_EQ(packed[2], "/music/song.mp3");
  packed.Set(5, "far");
  EXPECT_EQ(packed.Count(), 6u);
  EXPECT_EQ(packed[1], "x");
  EXPECT_EQ(packed[3], "");
  EXPECT_EQ(packed[4], "");
  EXPECT_EQ(packed[5], "far");
  // A copy with one string replaced leaves the strings it was made from as they are.
  const TPackedStrings with = packed.With(1, "y");
  EXPECT_EQ(with[1], "y");
  EXPECT_EQ(with[5], "far");
  EXPECT_EQ(packed[1], "x");
}

}  // namespace
