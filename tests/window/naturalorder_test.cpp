#include "window/naturalorder.h"

#include <gtest/gtest.h>

#include <QString>
#include <algorithm>
#include <random>
#include <string>
#include <vector>

namespace {

// Names in natural order, UTF-8.
const std::vector<std::string> Ordered = {
    "",
    " x",
    "-x",
    "0",
    "00",
    "1",
    "01",
    "2",
    "10",
    "99999999999999999999",
    "100000000000000000000",
    "a",
    "A b",
    "a-b",
    "a1",
    "a01",
    "a2",
    "a2.mp3",
    "a2b",
    "a10",
    "a10b",
    "ab",
    "Emile",
    "emile",
    "Track1.mp3",
    "Track01.mp3",  // the same name but for case and zeros: the first difference decides
    "track1.mp3",
    "Track2.mp3",
    "track2.MP3",
    "Track2.mp3 (copy)",
    "Track10.mp3",
    "Track11.mp3",
    "Track100.mp3",
    "z",
    "\u00e9a",
    "\u00c9mile",  // letters are compared by their code points, case folded
    "\u00e9mile",
    "\u00c9z",
    "\u03a9mega",
    "\u03c9mega",
    "\u65e5\u672c",
    "\U00010428a",  // a letter outside the basic plane and its capital
    "\U00010400b",
    "\U0001F3B5",
    "\U0001F3B6",
    "\xff",  // a byte that is no UTF-8 character sorts after every character
};

int SignOf(int order) { return (order > 0) - (order < 0); }

TEST(NaturalOrder, EveryPairComparesInItsOrderInBothEncodings) {
  for (std::size_t i = 0; i < Ordered.size(); ++i) {
    for (std::size_t j = 0; j < Ordered.size(); ++j) {
      SCOPED_TRACE(Ordered[i] + " | " + Ordered[j]);
      const int expected = i < j ? -1 : i > j ? 1 : 0;
      EXPECT_EQ(SignOf(NaturalCompare(Ordered[i], Ordered[j])), expected);
      // "\xff" is read as U+FFFD into UTF-16, a character like others.
      if (Ordered[i] == "\xff" || Ordered[j] == "\xff") continue;
      EXPECT_EQ(
          SignOf(NaturalCompare(QString::fromUtf8(Ordered[i]), QString::fromUtf8(Ordered[j]))),
          expected);
    }
  }
}

// Whatever order the names come in, a sort gives the same order.
TEST(NaturalOrder, SortingShuffledNamesGivesOneOrder) {
  std::mt19937 random(18);
  for (int round = 0; round < 20; ++round) {
    std::vector<std::string> names = Ordered;
    std::shuffle(names.begin(), names.end(), random);
    std::sort(names.begin(), names.end(), TNaturalLess());
    ASSERT_EQ(names, Ordered);
  }
}

TEST(NaturalOrder, BytesThatAreNoCharacterStayApart) {
  const std::string names[] = {"a\xc3", "a\xc3\x28", "a\xe0\x80\x80", "a\xed\xa0\x80", "a\xf5"};
  for (const std::string& a : names)
    for (const std::string& b : names) {
      SCOPED_TRACE(a + " | " + b);
      EXPECT_EQ(NaturalCompare(a, b) == 0, a == b);
      EXPECT_EQ(NaturalCompare(a, b) < 0, NaturalCompare(b, a) > 0);
      EXPECT_GT(NaturalCompare(a, "a\U0010FFFD"), 0);
    }
  // A byte that begins a character in one name and stands alone in the other.
  EXPECT_LT(NaturalCompare("a\xc3\xa9", "a\xc3"), 0);
  EXPECT_GT(NaturalCompare("a\xc3", "a\xc3\xa9"), 0);
}

// A sort by keys gives NaturalCompare's order: over the ordered names, and over random texts
// made of what the order treats specially (case, digits and leading zeros, characters either
// side of the digits, letters beyond ASCII and the basic plane, lone surrogates, long numbers).
TEST(NaturalOrder, KeysCompareAsTheirTexts) {
  std::vector<QString> texts;
  for (const std::string& name : Ordered)
    if (name != "\xff") texts.push_back(QString::fromUtf8(name));
  const QString pieces[] = {
      "a",  "A",      "b",           "0",           "00",         "1",          "9",
      "10", " ",      "/",           ":",           "\u00e9",     "\u00c9",     "\u212a",
      "k",  "\u0000", QChar(0xd800), QChar(0xdc00), "\U00010428", "\U00010400", QString(300, '7')};
  std::mt19937 random(7);
  for (int i = 0; i < 400; ++i) {
    QString text;
    for (int n = std::uniform_int_distribution<int>(0, 5)(random); n > 0; --n)
      text += pieces[std::uniform_int_distribution<std::size_t>(0, std::size(pieces) - 1)(random)];
    texts.push_back(text);
  }
  std::vector<std::string> keys;
  for (const QString& text : texts) {
    keys.emplace_back();
    AppendNaturalKey(text, keys.back());
  }
  for (std::size_t i = 0; i < texts.size(); ++i)
    for (std::size_t j = 0; j < texts.size(); ++j)
      if (SignOf(keys[i].compare(keys[j])) != SignOf(NaturalCompare(texts[i], texts[j])))
        ADD_FAILURE() << texts[i].toStdString() << " | " << texts[j].toStdString();
}

}  // namespace
