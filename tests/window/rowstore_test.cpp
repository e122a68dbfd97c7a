#include "window/rowstore.h"

#include <gtest/gtest.h>

#include <QString>
#include <QStringList>
#include <array>
#include <string>
#include <vector>

namespace {

QString Repeat(const QString& text, int times) {
  QString out;
  for (int i = 0; i < times; ++i) out += text;
  return out;
}

TEST(RowStore, GrowsByTwentyWhenTheListReachesTheLength) {
  TRowStore store;
  std::vector<std::pair<int, int>> lengths;  // (RowCount, length) after each file
  for (int n = 1; n <= 70; ++n) {
    store.RowCount = n;
    store.GrowIfFull();
    lengths.emplace_back(n, store.Length());
    ASSERT_EQ(store.Rows.size(), store.Tags.size());
  }
  EXPECT_EQ(lengths[48].second, 50);  // files 1 to 49 fit
  EXPECT_EQ(lengths[49].second, 70);  // the 50th grows both arrays
  EXPECT_EQ(lengths[68].second, 70);
  EXPECT_EQ(lengths[69].second, 90);  // and the 70th
}

// A list of 100,000 files, filled the way the scan fills a row from a tag object without a valid
// tag (creating that many files would take the test most of a minute). Growing never moves a
// record, a tag object's slot or a text the table may be painting.
TEST(RowStore, HundredThousandRowsNeverMoveWhileGrowing) {
  TRowStore store;
  struct TSeen {
    const TTagRow* Row;
    const std::unique_ptr<TMP3Tag>* Slot;
    const TMP3Tag* Tag;
    const QChar* Title;
  };
  std::vector<TSeen> seen;
  for (int n = 1; n <= 100'000; ++n) {
    ++store.RowCount;
    store.GrowIfFull();
    auto& tag = store.Tags[n];
    if (!tag) tag = std::make_unique<TMP3Tag>();
    store.Rows[n].Fill(*tag, std::to_string(n) + ".mp3");
    seen.push_back({&store.Rows[n], &tag, tag.get(), store.Rows[n].Text(0).data()});
  }
  EXPECT_EQ(store.Length(), 100'010);
  EXPECT_EQ(store.Rows.size(), store.Tags.size());
  for (int n = 1; n <= 100'000; ++n) {
    const TSeen& s = seen[n - 1];
    ASSERT_EQ(&store.Rows[n], s.Row) << n;
    ASSERT_EQ(&store.Tags[n], s.Slot) << n;
    ASSERT_EQ(store.Tags[n].get(), s.Tag) << n;
    ASSERT_EQ(store.Rows[n].Text(0).data(), s.Title) << n;
    ASSERT_EQ(store.Rows[n].Text(0).toString(), QString::number(n) + ".mp3");
    ASSERT_TRUE(store.Rows[n].Text(1).isEmpty());
  }
}

// A row holds what the tag layer lists whole: no text read from a file is cut for the table.
TEST(TagRow, EachColumnHoldsItsTextWholeUpToTheMostUnitsARowHolds) {
  const QString smile = QString::fromUtf8("\U0001F600");
  const struct {
    const char* Name;
    int Column;
    QString Text;
    QString Held;
  } cases[] = {
      {"Title", 0, QString::fromUtf8("\u041f\u0440\u0438\u0432\u0435\u0442"),
       QString::fromUtf8("\u041f\u0440\u0438\u0432\u0435\u0442")},
      {"Artist of 256 astral characters", 1, Repeat(smile, 256), Repeat(smile, 256)},
      {"Album of 300", 2, QString(300, 'a'), QString(300, 'a')},
      {"Year beyond 4", 3, "19" + smile + "99", "19" + smile + "99"},
      // Never a surrogate pair cut in two.
      {"beyond the most units", 2, QString(TTagRow::MaxUnits - 1, 'a') + smile,
       QString(TTagRow::MaxUnits - 1, 'a')},
      {"Comment with line breaks", 4, "a\rb\r\nc", "a\rb\r\nc"},
      {"Track", 5, "3/12", "3/12"},
      {"Genre", 6, "Rock", "Rock"},
      // The file name is served from the path, not held.
      {"no such column", 7, "x", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    TTagRow row;
    row.SetText(c.Column, c.Text);
    EXPECT_EQ(row.Text(c.Column), c.Held);
    for (int other = 0; other < TTagRow::ColumnCount; ++other)
      EXPECT_TRUE(other == c.Column || row.Text(other).isEmpty()) << other;
    EXPECT_FALSE(row.ReadOnly());
  }
}

// An edit reallocates the edited row alone and keeps its other texts.
TEST(TagRow, SettingOneTextKeepsTheOthersAndTouchesNoOtherRow) {
  TTagRow first, second;
  for (int column = 0; column < TTagRow::ColumnCount; ++column) {
    first.SetText(column, QStringLiteral("one %1").arg(column));
    second.SetText(column, QStringLiteral("two %1").arg(column));
  }
  const QChar* secondTitle = second.Text(0).data();
  first.SetText(2, QString::fromUtf8("\u65e5\u672c\u8a9e"));
  EXPECT_EQ(first.Text(0).toString(), "one 0");
  EXPECT_EQ(first.Text(2), QString::fromUtf8("\u65e5\u672c\u8a9e"));
  EXPECT_EQ(first.Text(4).toString(), "one 4");
  EXPECT_EQ(second.Text(0).data(), secondTitle);
  // Track and Genre come and go without moving the texts around them.
  first.SetText(5, {});
  EXPECT_TRUE(first.Text(5).isEmpty());
  EXPECT_EQ(first.Text(4).toString(), "one 4");
  EXPECT_EQ(first.Text(6).toString(), "one 6");
  first.SetText(5, QStringLiteral("7/9"));
  EXPECT_EQ(first.Text(5).toString(), "7/9");
  EXPECT_EQ(first.Text(6).toString(), "one 6");
  for (int column = 0; column < TTagRow::ColumnCount; ++column) first.SetText(column, {});
  for (int column = 0; column < TTagRow::ColumnCount; ++column)
    EXPECT_TRUE(first.Text(column).isEmpty());
}

// All texts at once, as the filter reads them, are the texts one by one, whichever of Track and
// Genre the row holds.
TEST(TagRow, AllTextsAtOnceAreTheColumnsTexts) {
  const QStringList rows[] = {
      {"Title", "Artist", "", "1999", "Note", "", ""},
      {"Title", "", "Album", "", "", "3/9", ""},
      {"", "", "", "", "", "", "Jazz"},
      {"T", "A", "B", "2001", "C", "12", "Rock"},
      {"", "", "", "", "", "", ""},
  };
  for (const QStringList& texts : rows) {
    TTagRow row;
    for (int column = 0; column < TTagRow::ColumnCount; ++column)
      row.SetText(column, texts[column]);
    std::array<qsizetype, TTagRow::ColumnCount> ends;
    const QStringView all = row.Texts(ends);
    EXPECT_EQ(all.toString(), texts.join(""));
    for (int column = 0; column < TTagRow::ColumnCount; ++column) {
      const qsizetype start = column == 0 ? 0 : ends[column - 1];
      EXPECT_EQ(all.sliced(start, ends[column] - start), texts[column]) << column;
    }
    // The row's letters are those of its texts, as the filter reads them.
    EXPECT_EQ(row.TextLetters(), LettersOf(all));
  }
}

// A letter put in by an edit is in the row's letters, and one the edit took out is gone: the
// filter answers from them alone.
TEST(TagRow, LettersFollowTheTexts) {
  const TLetterNeeds q(u"q");
  TTagRow row;
  EXPECT_EQ(q.In(row.TextLetters()), TLetterAnswer::Absent);
  row.SetText(6, u"Quartet");
  EXPECT_EQ(q.In(row.TextLetters()), TLetterAnswer::Present);
  row.SetText(6, u"Trio");
  EXPECT_EQ(q.In(row.TextLetters()), TLetterAnswer::Absent);
}

}  // namespace
