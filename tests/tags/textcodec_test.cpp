// The tag layer's text encodings: every conversion against byte literals, and the round trips
// the writer relies on.
#include "tags/textcodec.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(Win1252, EveryByteSurvivesDecodeAndEncode) {
  std::string all;
  for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
  const std::string text = Win1252ToUtf8(all);
  EXPECT_EQ(CharacterCount(text), 256u);
  EXPECT_TRUE(FitsWin1252(text));
  EXPECT_EQ(Utf8ToWin1252(text), all);
}

TEST(Win1252, DecodesTheCodePage) {
  struct {
    const char* Byte;
    const char* Utf8;
  } const cases[] = {
      {"\x80", "\u20AC"},    // euro sign
      {"\x81", "\xC2\x81"},  // undefined in the code page: kept as the control character
      {"\x8D", "\xC2\x8D"}, {"\x8F", "\xC2\x8F"}, {"\x90", "\xC2\x90"},
      {"\x9D", "\xC2\x9D"}, {"\x92", "\u2019"},  // right single quotation mark
      {"\x9F", "\u0178"},                        // Y with diaeresis
      {"\xA0", "\u00A0"},                        // no-break space, as in Latin-1
      {"\xE9", "\u00E9"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(static_cast<int>(static_cast<unsigned char>(c.Byte[0])));
    EXPECT_EQ(Win1252ToUtf8(c.Byte), c.Utf8);
  }
}

TEST(Win1252, CharactersOutsideTheCodePageBecomeQuestionMarks) {
  EXPECT_EQ(Utf8ToWin1252("caf\u00e9 \u20ac"), "caf\xE9 \x80");
  EXPECT_EQ(Utf8ToWin1252("\u65e5\u672c"), "??");
  // A character beyond the basic plane is one character, so one "?".
  EXPECT_EQ(Utf8ToWin1252("a\U0001F3B5b"), "a?b");
  // U+0080 has no byte: 0x80 is the euro sign.
  EXPECT_EQ(Utf8ToWin1252("\xC2\x80"), "?");
  EXPECT_FALSE(FitsWin1252("\xC2\x80"));
  EXPECT_FALSE(FitsWin1252("Grie\u00df \u0391"));
  EXPECT_TRUE(FitsWin1252("Grie\u00df \u20ac"));
}

TEST(Latin1, HoldsOnlyCharactersThatReadBackAsThemselves) {
  EXPECT_TRUE(FitsLatin1("caf\u00e9 \u00ff\xC2\x81"));
  EXPECT_FALSE(FitsLatin1("\u20ac"));    // Windows-1252, not ISO-8859-1
  EXPECT_FALSE(FitsLatin1("\xC2\x80"));  // byte 0x80 would read back as the euro sign
  EXPECT_FALSE(FitsLatin1("\u0100"));
  EXPECT_EQ(Utf8ToLatin1("caf\u00e9\xC2\x9D"), "caf\xE9\x9D");
  EXPECT_EQ(Utf8ToLatin1("a\u20acb"), "a?b");
}

TEST(Utf16, DecodesBothByteOrdersAndSurrogatePairs) {
  using std::string_literals::operator""s;
  EXPECT_EQ(Utf16ToUtf8("A\0\xE9\0"s, TUtf16Order::LittleEndian), "A\u00e9");
  EXPECT_EQ(Utf16ToUtf8("\0A\0\xE9"s, TUtf16Order::BigEndian), "A\u00e9");
  EXPECT_EQ(Utf16ToUtf8("\x3C\xD8\xB5\xDF"s, TUtf16Order::LittleEndian), "\U0001F3B5");
  // An unpaired surrogate is a replacement character; an odd last byte is dropped.
  EXPECT_EQ(Utf16ToUtf8("\x3C\xD8"
                        "A\0"s,
                        TUtf16Order::LittleEndian),
            "\uFFFDA");
  EXPECT_EQ(Utf16ToUtf8("\0\xDC"s, TUtf16Order::LittleEndian), "\uFFFD");
  EXPECT_EQ(Utf16ToUtf8("A\0B"s, TUtf16Order::LittleEndian), "A");
}

TEST(Utf16, EncodesWhatItDecodes) {
  using std::string_literals::operator""s;
  for (const std::string text : {"", "Abc", "\u041a\u0438\u043d\u043e", "\u65e5\u672c\u8a9e",
                                 "a\U0001F3B5b", "\u00e9\u20ac"}) {
    for (const TUtf16Order order : {TUtf16Order::LittleEndian, TUtf16Order::BigEndian}) {
      EXPECT_EQ(Utf16ToUtf8(Utf8ToUtf16(text, order), order), text);
    }
  }
  EXPECT_EQ(Utf8ToUtf16("A\U0001F3B5", TUtf16Order::BigEndian), "\0A\xD8\x3C\xDF\xB5"s);
}

TEST(Utf8, MalformedBytesBecomeReplacementCharacters) {
  EXPECT_EQ(SanitizeUtf8("ok \u00e9\U0001F3B5"), "ok \u00e9\U0001F3B5");
  EXPECT_EQ(SanitizeUtf8("a\xE9z"), "a\uFFFDz");                            // a Latin-1 byte
  EXPECT_EQ(SanitizeUtf8("\xC0\xAF"), "\uFFFD\uFFFD");                      // overlong "/"
  EXPECT_EQ(SanitizeUtf8("\xED\xA0\x80"), "\uFFFD\uFFFD\uFFFD");            // a surrogate
  EXPECT_EQ(SanitizeUtf8("\xE6\x97"), "\uFFFD\uFFFD");                      // cut short
  EXPECT_EQ(SanitizeUtf8("\xF4\x90\x80\x80"), "\uFFFD\uFFFD\uFFFD\uFFFD");  // above U+10FFFF
}

TEST(Utf8, CountsAndCutsByCharacter) {
  const std::string text = "\u00e9t\u00e9 \u65e5\U0001F3B5";
  EXPECT_EQ(CharacterCount(text), 6u);
  EXPECT_EQ(CutToCharacters(text, 3), "\u00e9t\u00e9");
  EXPECT_EQ(CutToCharacters(text, 6), text);
  EXPECT_EQ(CutToCharacters(text, 99), text);
  EXPECT_EQ(CutToCharacters(text, 0), "");
  EXPECT_EQ(CharacterCount(std::string(255, 'a') + "\u00e9"), 256u);
}

}  // namespace
