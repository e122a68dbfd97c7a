#include "window/textsearch.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QString>
#include <random>
#include <string>
#include <vector>

#include "window/letterset.h"

namespace {

// Pieces of texts: cases, letters beyond ASCII and the basic plane, the two characters beyond
// ASCII that fold into ASCII (KELVIN SIGN, LONG S), lone surrogates, separators.
const QString Pieces[] = {"a",          "A",          "k",           "K",      "\u212a",
                          "s",          "S",          "\u017f",      "\u00e9", "\u00c9",
                          "\U00010400", "\U00010428", QChar(0xd800), " ",      "/",
                          "1",          "ab",         "ve",          "VEL",    "Velvet"};

QString RandomText(std::mt19937& random, int most) {
  QString text;
  for (int n = std::uniform_int_distribution<int>(0, most)(random); n > 0; --n)
    text += Pieces[std::uniform_int_distribution<std::size_t>(0, std::size(Pieces) - 1)(random)];
  return text;
}

// Qt's own search, letter case aside, is the reference: the filter finds what it finds.
TEST(TextSearch, FindsWhatQtFindsLetterCaseAside) {
  std::mt19937 random(3);
  for (int round = 0; round < 3000; ++round) {
    const QString needle = RandomText(random, 3), text = RandomText(random, 12);
    if (needle.isEmpty()) continue;
    ASSERT_EQ(TTextSearch(needle).In(text), text.contains(needle, Qt::CaseInsensitive))
        << needle.toStdString() << " in " << text.toStdString();
  }
}

// What a row's letters say of a needle never contradicts the search, for texts and for a path's
// bytes; they answer most needles without it.
TEST(TextSearch, LettersAnswerAsTheSearchDoesOrNotAtAll) {
  std::mt19937 random(5);
  int answered = 0;
  for (int round = 0; round < 3000; ++round) {
    const QString needle = RandomText(random, 3), text = RandomText(random, 12);
    if (needle.isEmpty()) continue;
    const bool in = text.contains(needle, Qt::CaseInsensitive);
    const QByteArray bytes = text.toUtf8();
    for (const TLetterSet letters :
         {LettersOf(text), LettersOf(std::string_view(bytes.data(), bytes.size()))}) {
      const TLetterAnswer answer = TLetterNeeds(needle).In(letters);
      if (answer == TLetterAnswer::Unknown) continue;
      ++answered;
      ASSERT_EQ(answer == TLetterAnswer::Present, in)
          << needle.toStdString() << " in " << text.toStdString();
    }
  }
  EXPECT_GT(answered, 2000);
}

TEST(TextSearch, AMatchLiesWithinOnePart) {
  std::mt19937 random(4);
  for (int round = 0; round < 2000; ++round) {
    const QString needle = RandomText(random, 2);
    if (needle.isEmpty()) continue;
    QString texts;
    std::vector<qsizetype> ends;
    bool inOne = false;
    for (int part = 0; part < 5; ++part) {
      const QString text = RandomText(random, 4);
      inOne = inOne || text.contains(needle, Qt::CaseInsensitive);
      texts += text;
      ends.push_back(texts.size());
    }
    ASSERT_EQ(TTextSearch(needle).InParts(texts, ends), inOne) << needle.toStdString();
  }
}

// Paths are looked at as QFile::decodeName shows them, folder and name together, whether the
// folder is the one looked at before or not.
TEST(TextSearch, FindsInPathsAsTheyAreShown) {
  const std::string folders[] = {"/music/Velvet/", "/music/\xc3\x89t\xc3\xa9/", "/bad\xff/",
                                 "/music/velvet/"};
  const std::string names[] = {"01 Ve.mp3", "lvet.mp3", "\xe2\x84\xaaing.mp3", "x\xc3.mp3", ""};
  const QString needles[] = {"velvet", "t/01",   "/VE",  "\u00e9T\u00c9",
                             "king",   "\ufffd", ".MP3", "music/velvet/lvet"};
  for (const QString& needle : needles) {
    TTextSearch search(needle);
    for (const std::string& folder : folders)
      for (const std::string& name : names) {
        const std::string path = folder + name;
        EXPECT_EQ(search.InPath(path), QFile::decodeName(QByteArray::fromStdString(path))
                                           .contains(needle, Qt::CaseInsensitive))
            << needle.toStdString() << " in " << path;
      }
  }
}

// A needle of ASCII is looked for in a path's bytes, undecoded. The decoded path is the
// reference, whatever the bytes: ASCII next to bytes beyond it, KELVIN SIGN and LONG S (which
// fold into "k" and "s"), and bytes that are no UTF-8 (a lone lead or trailing byte, an
// overlong "A" or "/", an encoded surrogate, a sequence cut by ASCII).
TEST(TextSearch, FindsAsciiInPathBytesAsDecoded) {
  const std::string pieces[] = {"a",        "A",
                                "k",        "K",
                                "s",        "S",
                                "/",        ".",
                                "1",        "\xe2\x84\xaa",
                                "\xc5\xbf", "\xc3\xa9",
                                "\xff",     "\xc3",
                                "\x80",     "\xc1\x81",
                                "\xc0\xaf", "\xed\xa0\x80",
                                "\xe2\x84", "\xf0\x9f\x8e\xb5"};
  const QString needles[] = {"a",  "k",   "S",   "as", "ka", "/a",
                             "a/", "k/s", "1.a", "sk", "a.", "aaa"};
  std::mt19937 random(5);
  const auto randomBytes = [&](int most) {
    std::string bytes;
    for (int n = std::uniform_int_distribution<int>(0, most)(random); n > 0; --n)
      bytes += pieces[std::uniform_int_distribution<std::size_t>(0, std::size(pieces) - 1)(random)];
    return bytes;
  };
  for (const QString& needle : needles) {
    // One search over many paths, as the filter uses it: folders repeat, so what it keeps of
    // the last folder is used, for paths of ASCII and others alike.
    TTextSearch search(needle);
    std::string folder;
    for (int round = 0; round < 3000; ++round) {
      if (round % 4 == 0) folder = randomBytes(4) + "/";
      const std::string path = folder + randomBytes(5);
      ASSERT_EQ(
          search.InPath(path),
          QFile::decodeName(QByteArray::fromStdString(path)).contains(needle, Qt::CaseInsensitive))
          << needle.toStdString() << " in "
          << QByteArray::fromStdString(path).toHex().toStdString();
    }
  }
}

// The search of bytes relies on these being the only characters beyond ASCII that fold into it.
TEST(TextSearch, OnlyKelvinSignAndLongSFoldIntoAscii) {
  std::vector<char32_t> folding;
  for (char32_t c = 0x80; c <= 0x10FFFF; ++c)
    if (QChar::toCaseFolded(c) < 0x80) folding.push_back(c);
  EXPECT_EQ(folding, (std::vector<char32_t>{0x017F, 0x212A}));
}

}  // namespace
