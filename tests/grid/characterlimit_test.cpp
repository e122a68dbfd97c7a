#include "grid/characterlimit.h"

#include <gtest/gtest.h>

namespace {

// U+1F600 and U+1D7D9 lie outside the basic plane: two UTF-16 units, one character each.
const QString Smile = QString::fromUtf8("\U0001F600");
const QString Digit = QString::fromUtf8("\U0001D7D9");

TEST(CharacterLimit, CountsAndCutsByCharacter) {
  const struct {
    QString Text;
    qsizetype Count;
    qsizetype Cut;  // LeftCharacters(text, 2)
  } cases[] = {
      {"", 0, 0},
      {"abc", 3, 2},
      {Smile + Smile + "x", 3, 4},
      {"a" + Smile, 2, 3},
      {QString::fromUtf8("\u65e5\u672c\u8a9e"), 3, 2},
      {QString(QChar(0xD83D)) + "ab", 3, 2},  // a lone high surrogate counts as one
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Text.toStdString());
    EXPECT_EQ(CountCharacters(c.Text), c.Count);
    EXPECT_EQ(LeftCharacters(c.Text, 2).size(), c.Cut);
  }
}

TEST(CharacterLimit, DropsWhatWasInsertedBeforeTheCaret) {
  const struct {
    const char* Name;
    QString Input;  // the editor's text after an insert
    int Pos;        // the caret, right after what was inserted
    QString Kept;
    int KeptPos;
  } cases[] = {
      {"within the limit", "ab" + Smile + "d", 3, "ab" + Smile + "d", 3},
      {"typed at the end", "abcd" + Smile, 6, "abcd", 4},
      {"typed at the start", Smile + "abcd", 2, "abcd", 0},
      {"pasted at the end", "ab" + Digit + Digit + Digit, 8, "ab" + Digit + Digit, 6},
      {"pasted in the middle", "a" + Digit + Digit + "bc", 5, "a" + Digit + "bc", 3},
      {"nothing fits", "ab" + Digit + "cd", 4, "abcd", 2},
      {"caret too near the start keeps the first characters", "xyz" + Smile + "abc", 1,
       "yz" + Smile + "a", 0},
  };
  TCharacterLimit limit(4, nullptr);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    QString input = c.Input;
    int pos = c.Pos;
    EXPECT_EQ(limit.validate(input, pos), QValidator::Acceptable);
    EXPECT_EQ(input, c.Kept);
    EXPECT_EQ(pos, c.KeptPos);
  }
}

// Typed characters the column refuses are refused; what the cell held stays until deleted.
TEST(CharacterLimit, RefusesCharactersTheColumnDoesNotTakeUnlessTheCellHeldThem) {
  const TCharacterFilter digits = [](char32_t c) { return c >= '0' && c <= '9'; };
  const struct {
    const char* Name;
    QString Held;
    QString Input;
    QValidator::State State;
  } cases[] = {
      {"digits", "1999", "2001", QValidator::Acceptable},
      {"a letter typed", "1999", "199x", QValidator::Invalid},
      {"a full-width digit typed", "", QString::fromUtf8("\uff12"), QValidator::Invalid},
      {"a digit outside the basic plane", "", Digit, QValidator::Invalid},
      {"the held text as it is", "ab?!", "ab?!", QValidator::Acceptable},
      {"part of it deleted", "ab?!", "a!", QValidator::Acceptable},
      {"digits typed between", "ab?!", "a1!", QValidator::Acceptable},
      {"a held character typed twice", "ab?!", "aab", QValidator::Invalid},
      {"held characters moved", "ab?!", "ba", QValidator::Invalid},
      {"held twice, kept twice", "a" + Smile + Smile, Smile + Smile, QValidator::Acceptable},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    TCharacterLimit limit(4, nullptr, digits, c.Held);
    QString input = c.Input;
    int pos = static_cast<int>(input.size());
    EXPECT_EQ(limit.validate(input, pos), c.State);
    EXPECT_EQ(input, c.Input);
  }
}

}  // namespace
