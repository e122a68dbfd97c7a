#include "window/textsearch.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QString>
#include <random>
#include <string>
#include <vector>

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

}  // namespace
