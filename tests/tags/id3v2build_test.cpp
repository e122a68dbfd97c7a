// The bytes of a tag as written, and what a read of them gives back.
#include "tags/id3v2build.h"

#include <gtest/gtest.h>

#include <string>

#include "tagbytes.h"
#include "tags/bytesource.h"

namespace {

using namespace std::string_literals;

// The tag a save puts in front of a file that has none.
std::string NewTag(const std::string& title, const std::string& comment = "") {
  return SavedAfter(Audio(20), {{TField::Title, title}, {TField::Comment, comment}})->Bytes;
}

TEST(ID3v2Build, AllValuesEmptyGiveTheBareHeader) {
  EXPECT_EQ(NewTag(""), "ID3\x03\x00\x00\x00\x00\x00\x00"s);
  const TParsed back(NewTag(""));
  EXPECT_TRUE(back.Exists());
  EXPECT_EQ(back.Size(), 10);
  EXPECT_EQ(back.Title(), "");
}

TEST(ID3v2Build, TitleAloneIsTwentyFourBytes) {
  EXPECT_EQ(NewTag("Abc"),
            "ID3\x03\x00\x00"
            "\x00\x00\x00\x0E"  // 14 bytes of frames
            "TIT2"
            "\x00\x00\x00\x04"  // text + encoding byte
            "\x00\x00"          // flags
            "\x00"              // ISO-8859-1
            "Abc"s);
}

TEST(ID3v2Build, CommentFrameCarriesLanguageAndEmptyDescription) {
  const std::string tag = NewTag("", "Hi");
  EXPECT_EQ(tag.substr(10),
            "COMM"
            "\x00\x00\x00\x07"  // 6 bytes of text + encoding
            "\x00\x00"
            "\x00"
            "eng\x00"  // language, empty description
            "Hi"s);
  EXPECT_EQ(tag.substr(6, 4), "\x00\x00\x00\x11"s);
}

TEST(ID3v2Build, FrameSizesArePlainInVersionThreeAndSyncSafeInFour) {
  const std::vector<TID3v2Frame> frames = {{"TXXX", 0x4001, std::string(200, 'x')},
                                           {"TIT2", 0, "\0A"s}};
  const std::string tail = "TIT2\0\0\0\x02\0\0\0A"s;
  EXPECT_EQ(*BuildTag(3, frames),
            "ID3\x03\0\0\0\0\x01\x5E"s  // 222 bytes of frames
            "TXXX\0\0\0\xC8\x40\x01"s +
                std::string(200, 'x') + tail);
  EXPECT_EQ(*BuildTag(4, frames),
            "ID3\x04\0\0\0\0\x01\x5E"s
            "TXXX\0\0\x01\x48\x40\x01"s +
                std::string(200, 'x') + tail);
}

TEST(ID3v2Build, HeaderLengthIsFourSevenBitGroups) {
  // Frames of exactly 2^14 bytes, then 2^14 + 211.
  std::vector<TID3v2Frame> frames = {{"TXXX", 0, std::string(0x4000 - 10, 't')}};
  EXPECT_EQ(BuildTag(3, frames)->substr(6, 4), "\x00\x01\x00\x00"s);
  frames.push_back({"TXXX", 0, std::string(201, 'c')});
  EXPECT_EQ(BuildTag(3, frames)->substr(6, 4), "\x00\x01\x01\x53"s);
}

TEST(ID3v2Build, ValuesSurviveARoundTrip) {
  const TParsed back(SavedAfter(Audio(20), {{TField::Title, "  Abc  "},
                                            {TField::Comment, "Note\x01"},
                                            {TField::Artist, std::string(255, 'a')},
                                            {TField::Album, "\u00e9t\u00e9 \u65e5\u672c"},
                                            {TField::Year, "1999 \0"s}})
                         ->Bytes);
  EXPECT_EQ(back.Title(), "Abc") << "the read trims both ends";
  EXPECT_EQ(back.Artist(), std::string(255, 'a'));
  EXPECT_EQ(back.Album(), "\u00e9t\u00e9 \u65e5\u672c");
  EXPECT_EQ(back.Year(), "1999");
  EXPECT_EQ(back.Comment(), "Note");
  EXPECT_EQ(back.Track(), "");
}

}  // namespace
