// The ID3v1 block's field rules on the 128 bytes.
#include "tags/id3v1block.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "tagbytes.h"

namespace {

TID3v1Block ToBlock(const std::string& bytes) {
  TID3v1Block block{};
  std::copy_n(bytes.begin(), block.size(), block.begin());
  return block;
}

std::string Bytes(const TID3v1Block& block, std::size_t from, std::size_t count) {
  return std::string(block.begin() + from, block.begin() + from + count);
}

TEST(ID3v1Block, MarkerIsExactlyUpperCaseTAG) {
  EXPECT_TRUE(HasBlockMarker(ToBlock(Block("", "", "", "", "", 0))));
  TID3v1Block lower = ToBlock(Block("", "", "", "", "", 0));
  lower[0] = 't';
  EXPECT_FALSE(HasBlockMarker(lower));
  EXPECT_FALSE(HasBlockMarker(TID3v1Block{}));
}

struct TReadCase {
  std::string Field;  // the 30 bytes of the Title field
  std::string Text;
};

class ReadBlockFieldTest : public testing::TestWithParam<TReadCase> {};

TEST_P(ReadBlockFieldTest, TakesBytesUpToTheFirstZeroWithoutTrailingSpaces) {
  std::string bytes = Block("", "Artist", "", "", "", 0);
  bytes.replace(3, 30, GetParam().Field);
  const TID3v1Block block = ToBlock(bytes);
  EXPECT_EQ(ReadBlockField(block, TitleOffset, TextWidth), GetParam().Text);
  EXPECT_EQ(Bytes(block, 0, 128), bytes) << "reading leaves the block as it was";
}

INSTANTIATE_TEST_SUITE_P(
    Fields, ReadBlockFieldTest,
    testing::Values(TReadCase{"Abc" + std::string(27, ' '), "Abc"},
                    TReadCase{std::string("Abc\0xyz", 7) + std::string(23, 'q'), "Abc"},
                    // 30 letters, no terminator: all of them, not running into Artist.
                    TReadCase{std::string(30, 'L'), std::string(30, 'L')},
                    TReadCase{"  Abc" + std::string(25, '\0'), "  Abc"},
                    TReadCase{"A\tb \x01" + std::string(25, ' '), "A\tb \x01"},
                    TReadCase{std::string(30, '\0'), ""}));

TEST(ID3v1Block, YearAndCommentStopAtTheirWidth) {
  // Year "1999" runs straight into Comment; Comment fills 30 bytes before the genre byte.
  const TID3v1Block block = ToBlock(Block("", "", "", "1999", std::string(30, 'c'), 'G'));
  EXPECT_EQ(ReadBlockField(block, YearOffset, YearWidth), "1999");
  EXPECT_EQ(ReadBlockField(block, CommentOffset, TextWidth), std::string(30, 'c'));
}

TEST(ID3v1Block, WritingKeepsStaleBytesBehindTheTerminator) {
  TID3v1Block block = ToBlock(Block("Hello World", "", "", "", "", 7));
  WriteBlockField(block, TitleOffset, TextWidth, "Hi");
  EXPECT_EQ(Bytes(block, 3, 12), std::string("Hi\0lo World\0", 13).substr(0, 12));
  EXPECT_EQ(ReadBlockField(block, TitleOffset, TextWidth), "Hi");

  WriteBlockField(block, TitleOffset, TextWidth, "");
  EXPECT_EQ(Bytes(block, 3, 4), std::string("\0i\0l", 4));
  EXPECT_EQ(ReadBlockField(block, TitleOffset, TextWidth), "");
}

TEST(ID3v1Block, WritingSetsTheMarkerAndStoresTrailingSpaces) {
  TID3v1Block block{};
  WriteBlockField(block, ArtistOffset, TextWidth, "Band  ");
  EXPECT_EQ(Bytes(block, 0, 3), "TAG");
  EXPECT_EQ(Bytes(block, 33, 7), std::string("Band  \0", 7));
  EXPECT_EQ(ReadBlockField(block, ArtistOffset, TextWidth), "Band");
  // A new block has no genre (255): players show genre 0 as "Blues".
  EXPECT_EQ(block[127], 255);
  block[127] = 17;
  WriteBlockField(block, TitleOffset, TextWidth, "Title");
  EXPECT_EQ(block[127], 17) << "a block that exists keeps its genre";
}

TEST(ID3v1Block, LongTextsFillTheFieldWithoutTerminator) {
  TID3v1Block block = ToBlock(Block("", "", "", "", "", 0));
  block[33] = 'X';
  WriteBlockField(block, TitleOffset, TextWidth, std::string(35, 't'));
  EXPECT_EQ(Bytes(block, 3, 30), std::string(30, 't'));
  EXPECT_EQ(block[33], 'X') << "the next field is untouched";

  WriteBlockField(block, YearOffset, YearWidth, "99");
  EXPECT_EQ(Bytes(block, 93, 4), std::string("99\0\0", 4));
  block[96] = 'k';
  WriteBlockField(block, YearOffset, YearWidth, "99");
  EXPECT_EQ(block[96], 'k') << "byte 96 keeps its value";
  WriteBlockField(block, YearOffset, YearWidth, "19999");
  EXPECT_EQ(Bytes(block, 93, 5), std::string("1999\0", 5));
}

TEST(ID3v1Block, CommentWritesNeverTouchTheGenreByte) {
  TID3v1Block block = ToBlock(Block("", "", "", "", std::string(30, 'o'), 0xC3));
  WriteBlockField(block, CommentOffset, TextWidth, std::string(29, 'c'));
  EXPECT_EQ(Bytes(block, 97, 30), std::string(29, 'c') + '\0');
  WriteBlockField(block, CommentOffset, TextWidth, std::string(28, 'd'));
  EXPECT_EQ(block[126], 0) << "a 28-character comment leaves byte 126 as it was";
  block[126] = 'z';
  WriteBlockField(block, CommentOffset, TextWidth, std::string(28, 'd'));
  EXPECT_EQ(block[126], 'z');
  WriteBlockField(block, CommentOffset, TextWidth, std::string(31, 'e'));
  EXPECT_EQ(Bytes(block, 97, 30), std::string(30, 'e'));
  EXPECT_EQ(block[127], 0xC3);
}

TEST(ID3v1Block, FieldsOutsideTheBlockAreCut) {
  // Odd offsets and widths never reach past byte 127.
  TID3v1Block block = ToBlock(Block("", "", "", "", "", 0x55));
  WriteBlockField(block, 120, 30, "0123456789");
  EXPECT_EQ(Bytes(block, 120, 8), "01234567");
  EXPECT_EQ(ReadBlockField(block, 120, 30), "01234567");
  WriteBlockField(block, 200, 30, "x");
  EXPECT_EQ(ReadBlockField(block, 200, 30), "");
}

}  // namespace
