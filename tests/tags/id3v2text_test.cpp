// Texts inside ID3v2 frames: every encoding read, comment parts, and the encoding each written
// text gets.
#include "tags/id3v2text.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace std::string_literals;

TEST(ID3v2Text, EveryEncodingIsRead) {
  struct TCase {
    const char* Name;
    std::string Content;  // encoding byte, then the text
    std::string Text;
  } cases[] = {
      {"ISO-8859-1 with Windows-1252 bytes", "\0Caf\xE9 \x80 \x93q\x94"s,
       "Caf\u00e9 \u20ac \u201cq\u201d"},
      {"UTF-16, little-endian mark", "\x01\xFF\xFE\x1A\x04\x38\x04"s, "\u041a\u0438"},
      {"UTF-16, big-endian mark", "\x01\xFE\xFF\x04\x1A\x04\x38"s, "\u041a\u0438"},
      // Writers that leave the mark out mostly write little-endian.
      {"UTF-16 without mark", "\x01\xE5\x65\x2C\x67"s, "\u65e5\u672c"},
      {"UTF-16 big-endian", "\x02\x03\x91\x03\xB2"s, "\u0391\u03b2"},
      {"UTF-8", "\x03\xCE\x91\xCE\xB2 \xF0\x9F\x8E\xB5"s, "\u0391\u03b2 \U0001F3B5"},
      {"UTF-8, malformed byte",
       "\x03"
       "a\xE9z"s,
       "a\uFFFDz"},
      {"unknown encoding byte reads as ISO-8859-1", "\x07\xE9t\xE9"s, "\u00e9t\u00e9"},
      {"trimmed at both ends", "\0 \t Two \0\0"s, "Two"},
      {"terminated UTF-16", "\x01\xFF\xFEO\0K\0\0\0"s, "OK"},
      // Several strings: each UTF-16 string carries its own mark.
      {"strings joined with a slash", "\0Rock\0Pop"s, "Rock/Pop"},
      {"UTF-16 strings, one mark each",
       "\x01\xFF\xFE"
       "A\0\0\0\xFE\xFF\0B"s,
       "A/B"},
      {"UTF-16 string without its own mark keeps the order before it", "\x01\xFE\xFF\0A\0\0\0B"s,
       "A/B"},
      {"UTF-8 strings", "\x03\xC3\xA9\0\xC3\xA8"s, "\u00e9/\u00e8"},
      {"empty", ""s, ""},
      {"encoding byte only", "\x01"s, ""},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    EXPECT_EQ(ReadFrameText(c.Content), c.Text);
  }
}

TEST(ID3v2Text, CommentPartsAndWhetherItsDescriptionIsEmpty) {
  struct TCase {
    const char* Name;
    std::string Content;
    bool Empty;
    std::string Text;
  } cases[] = {
      {"ISO-8859-1", "\0eng\0Hi"s, true, "Hi"},
      {"description", "\0engiTunNORM\0 0000"s, false, "0000"},
      {"UTF-16, mark and terminator",
       "\x01"
       "eng\xFF\xFE\0\0\xFF\xFEH\0i\0"s,
       true, "Hi"},
      {"UTF-16, terminator alone",
       "\x01"
       "deu\0\0\xFF\xFEH\0i\0"s,
       true, "Hi"},
      // The text takes the description's order when it has no mark.
      {"UTF-16, big-endian mark once",
       "\x01"
       "eng\xFE\xFF\0\0\0H\0i"s,
       true, "Hi"},
      {"UTF-16 big-endian",
       "\x02"
       "eng\0\0\0H\0i"s,
       true, "Hi"},
      {"UTF-16 description",
       "\x01"
       "eng\xFF\xFE"
       "D\0\0\0\xFF\xFEH\0i\0"s,
       false, "Hi"},
      {"UTF-8 mark alone",
       "\x03"
       "eng\xEF\xBB\xBF\0Hi"s,
       true, "Hi"},
      {"no terminator: all description", "\0engHi"s, false, ""},
      {"language alone", "\0eng"s, true, ""},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    const std::optional<TCommentParts> parts = SplitComment(c.Content);
    ASSERT_TRUE(parts.has_value());
    EXPECT_EQ(parts->Language, c.Content.substr(1, 3));
    EXPECT_EQ(parts->EmptyDescription, c.Empty);
    EXPECT_EQ(DecodeText(parts->Encoding, parts->Text, parts->Order), c.Text);
  }
  EXPECT_FALSE(SplitComment("\0en"s).has_value());
}

TEST(ID3v2Text, WrittenTextsTakeTheEncodingThatHoldsThem) {
  struct TCase {
    std::string Text;
    std::uint8_t Version;
    std::string Body;
  } cases[] = {
      // Version 2.3: Windows-1252 bytes where they do, else UTF-16 with mark FF FE.
      {"Caf\u00e9 \u20ac", 3, "\0Caf\xE9 \x80"s},
      {"\u041a\u0438", 3, "\x01\xFF\xFE\x1A\x04\x38\x04"s},
      {"a\U0001F3B5", 3,
       "\x01\xFF\xFE"
       "a\0\x3C\xD8\xB5\xDF"s},
      // Version 2.4: ISO-8859-1 where it does, else UTF-8; the euro sign is no ISO-8859-1.
      {"Caf\u00e9", 4, "\0Caf\xE9"s},
      {"\u20ac", 4, "\x03\xE2\x82\xAC"s},
      {"\u65e5\u672c", 4, "\x03\xE6\x97\xA5\xE6\x9C\xAC"s},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Text);
    EXPECT_EQ(TextFrameBody(c.Text, c.Version), c.Body);
    EXPECT_EQ(ReadFrameText(c.Body), c.Text) << "reads back";
  }
  EXPECT_EQ(CommentFrameBody("Hi", "eng", 3), "\0eng\0Hi"s);
  EXPECT_EQ(CommentFrameBody("\u0391", "ell", 3),
            "\x01"
            "ell\xFF\xFE\0\0\xFF\xFE\x91\x03"s);
  EXPECT_EQ(CommentFrameBody("\u0391", "eng", 4),
            "\x03"
            "eng\0\xCE\x91"s);
}

}  // namespace
