// The bytes of a tag as written, and what a read of them gives back.
#include "tags/id3v2build.h"

#include <gtest/gtest.h>

#include <string>

#include "tags/bytesource.h"
#include "tags/id3v2.h"
#include "tags/id3v2parse.h"

namespace {

using namespace std::string_literals;

TID3v2 TagOf(const std::string& title, const std::string& comment = "") {
  TID3v2 tag;
  tag.SetTitle(title);
  tag.SetComment(comment);
  return tag;
}

TID3v2 ReadBack(const std::string& bytes) {
  TMemorySource source(bytes);
  TID3v2 tag;
  ParseID3v2(source, tag);
  return tag;
}

TEST(ID3v2Build, AllValuesEmptyGiveTheBareHeader) {
  EXPECT_EQ(BuildTag(TID3v2()), std::string("ID3\x03\x00\x00\x00\x00\x00\x00", 10));
  const TID3v2 back = ReadBack(*BuildTag(TID3v2()));
  EXPECT_TRUE(back.Exists());
  EXPECT_EQ(back.Size(), 10);
  EXPECT_EQ(back.Title(), "");
}

TEST(ID3v2Build, TitleAloneIsTwentyFourBytes) {
  EXPECT_EQ(BuildTag(TagOf("Abc")), std::string("ID3\x03\x00\x00"
                                                "\x00\x00\x00\x0E"  // 14 bytes of frames
                                                "TIT2"
                                                "\x00\x00\x00\x04"  // text + encoding byte
                                                "\x00\x00"          // flags
                                                "\x00"              // ISO-8859-1
                                                "Abc",
                                                24));
}

TEST(ID3v2Build, CommentFrameCarriesLanguageAndEmptyDescription) {
  const std::string tag = *BuildTag(TagOf("", "Hi"));
  EXPECT_EQ(tag.substr(10), std::string("COMM"
                                        "\x00\x00\x00\x07"  // 6 bytes of text + encoding
                                        "\x00\x00"
                                        "\x00"
                                        "eng\x00"  // language, empty description
                                        "Hi",
                                        17));
  EXPECT_EQ(tag.substr(6, 4), std::string("\x00\x00\x00\x11", 4));
}

TEST(ID3v2Build, FramesGoInFixedOrderWithTrackAndGenreAsRead) {
  // Track and Genre have no setters: they come from a read tag.
  const std::string source(
      "ID3\x03\x00\x00\x00\x00\x00\x30"
      "TCON\x00\x00\x00\x08\x00\x00\x00(13)Pop"
      "TRCK\x00\x00\x00\x04\x00\x00\x00"
      "300"
      "TYER\x00\x00\x00\x06\x00\x00\x00"
      "20015",
      10 + 18 + 14 + 16);
  TID3v2 tag = ReadBack(source);
  ASSERT_EQ(tag.Track(), 300);
  tag.SetArtist("Band");
  const std::string built = *BuildTag(tag);
  EXPECT_EQ(built.substr(10), std::string("TPE1\x00\x00\x00\x05\x00\x00\x00"
                                          "Band"
                                          "TRCK\x00\x00\x00\x04\x00\x00\x00"
                                          "300"
                                          "TYER\x00\x00\x00\x06\x00\x00\x00"
                                          "20015"
                                          "TCON\x00\x00\x00\x04\x00\x00\x00"
                                          "Pop",
                                          15 + 14 + 16 + 14));
}

TEST(ID3v2Build, ValuesSurviveARoundTripWithinTheBodyCap) {
  TID3v2 tag = TagOf("  Abc  ", "Note\x01");
  tag.SetArtist(std::string(255, 'a'));
  tag.SetAlbum("\u00e9t\u00e9");
  tag.SetYear("1999 \0"s);
  const TID3v2 back = ReadBack(*BuildTag(tag));
  EXPECT_EQ(tag.Title(), "  Abc") << "the setter trims at the end only";
  EXPECT_EQ(back.Title(), "Abc") << "the read trims both ends";
  EXPECT_EQ(back.Artist(), std::string(249, 'a'));
  EXPECT_EQ(back.Album(), "\u00e9t\u00e9");
  EXPECT_EQ(back.Year(), "1999");
  EXPECT_EQ(back.Comment(), "Note");
  EXPECT_EQ(back.Track(), 0);
}

TEST(ID3v2Build, BuildHeaderSplitsTheLengthIntoSevenBitGroups) {
  TTagInfo info;
  info.Frames[0] = std::string(0x4000 - 11, 't');  // frames of exactly 2^14 bytes
  BuildHeader(info);
  EXPECT_EQ(std::string(info.Header.begin(), info.Header.end()),
            std::string("ID3\x03\x00\x00\x00\x01\x00\x00", 10));
  info.Frames[6] = std::string(200, 'c');  // 2^14 + 211
  BuildHeader(info);
  EXPECT_EQ(std::string(info.Header.begin() + 6, info.Header.end()),
            std::string("\x00\x01\x01\x53", 4));
}

}  // namespace
