#include "window/win1252.h"

#include <gtest/gtest.h>

TEST(Win1252, EveryByteSurvivesDecodeAndEncode) {
  std::string all;
  for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
  const QString text = DecodeWin1252(all);
  ASSERT_EQ(text.size(), 256);
  EXPECT_EQ(EncodeWin1252(text), all);
}

TEST(Win1252, DecodesTheCodePage) {
  struct {
    const char* Byte;
    char16_t CodePoint;
  } const cases[] = {
      {"\x80", 0x20AC},  // euro sign
      {"\x81", 0x0081},  // undefined in the code page: kept as the control character
      {"\x8D", 0x008D}, {"\x8F", 0x008F}, {"\x90", 0x0090},
      {"\x9D", 0x009D}, {"\x92", 0x2019},  // right single quotation mark
      {"\x9F", 0x0178},                    // Y with diaeresis
      {"\xA0", 0x00A0},                    // no-break space, as in Latin-1
      {"\xE9", 0x00E9},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(static_cast<int>(static_cast<unsigned char>(c.Byte[0])));
    EXPECT_EQ(DecodeWin1252(c.Byte), QString(QChar(c.CodePoint)));
  }
}

TEST(Win1252, CharactersOutsideTheCodePageBecomeQuestionMarks) {
  EXPECT_EQ(EncodeWin1252(QString::fromUtf8("caf\u00e9 \u20ac")), "caf\xE9 \x80");
  EXPECT_EQ(EncodeWin1252(QString::fromUtf8("\u65e5\u672c")), "??");
  // A character beyond the basic plane is one character, so one "?".
  EXPECT_EQ(EncodeWin1252(QString::fromUtf8("a\U0001F3B5b")), "a?b");
  // U+0080 has no byte: 0x80 is the euro sign.
  EXPECT_EQ(EncodeWin1252(QString(QChar(0x80))), "?");
}

TEST(Win1252, FileNameBecomesTitleInTheCodePage) {
  EXPECT_EQ(FileNameToTitle("song.mp3"), "song.mp3");
  EXPECT_EQ(FileNameToTitle("caf\xC3\xA9.mp3"), "caf\xE9.mp3");          // UTF-8 é
  EXPECT_EQ(FileNameToTitle("\xE6\x97\xA5\xE6\x9C\xAC.mp3"), "??.mp3");  // no equivalent
  const std::string longName = std::string(300, 'a') + ".mp3";
  EXPECT_EQ(FileNameToTitle(longName), std::string(255, 'a'));
}
