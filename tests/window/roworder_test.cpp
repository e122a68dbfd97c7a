// The view over a list of thousands of rows, as a filter looks at them in slices, two threads
// and blocks of rows at a time: the rows it shows are those Qt's own search finds in a cell or
// in the path, in the order in use, however the text was reached.
#include "window/roworder.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <random>
#include <string>
#include <vector>

#include "tags/mp3tag.h"
#include "tests/common/tempdir.h"
#include "window/rowstore.h"

namespace {

// Words of the texts and paths: cases, letters beyond ASCII, KELVIN SIGN and LONG S (which fold
// into "k" and "s"), digits, a slash.
const QString Words[] = {"velvet",   "Silver", "RIVER", "love",  "Kelvin", "\u212aelvin",
                         "\u017fun", "crème",  "ÜBER",  "night", "2001",   "a/b"};

QString RandomWords(std::mt19937& random, int most) {
  QString text;
  for (int n = std::uniform_int_distribution<int>(0, most)(random); n > 0; --n)
    text +=
        Words[std::uniform_int_distribution<std::size_t>(0, std::size(Words) - 1)(random)] + " ";
  return text;
}

class RowOrderTest : public testing::Test {
 protected:
  static constexpr int Count = 20'000;

  // Each row's texts are random words; its tag object reads one empty file under a path of its
  // own, the files of a folder coming together, some paths holding a byte that is no UTF-8.
  void SetUp() override {
    WriteFileBytes(Dir / "empty.mp3", "");
    const int folder = ::open(Dir.Path().c_str(), O_RDONLY | O_DIRECTORY);
    ASSERT_GE(folder, 0);
    std::mt19937 random(11);
    std::string folderPath;
    for (int n = 1; n <= Count; ++n) {
      if (n % 12 == 1) folderPath = "/m/" + RandomWords(random, 2).toStdString() + "/";
      ++Store.RowCount;
      Store.GrowIfFull();
      std::string name = std::to_string(n % 12) + " " + RandomWords(random, 2).toStdString();
      if (n % 97 == 0) name += "\xff";
      Store.Tags[n] = std::make_unique<TMP3Tag>();
      Store.Tags[n]->ReadTag(folder, "empty.mp3", folderPath + name + ".mp3");
      Store.Rows[n].Fill(*Store.Tags[n], name);
      for (int column = 0; column < TTagRow::ColumnCount; ++column)
        Store.Rows[n].SetText(column, RandomWords(random, column == 4 ? 6 : 2));
    }
    ::close(folder);
  }

  bool PathHolds(int row, const QString& text) const {
    const std::string_view path = Store.Tags[row]->FullPathView();
    return QFile::decodeName(QByteArray(path.data(), qsizetype(path.size())))
        .contains(text, Qt::CaseInsensitive);
  }
  bool Holds(int row, const QString& text) const {
    for (int column = 0; column < TTagRow::ColumnCount; ++column)
      if (Store.Rows[row].Text(column).contains(text, Qt::CaseInsensitive)) return true;
    return PathHolds(row, text);
  }

  // Runs the window's events until the view says a new view waits for Apply.
  void WaitReady() {
    QElapsedTimer clock;
    clock.start();
    const int wanted = ReadyCalls + 1;
    while (ReadyCalls < wanted && clock.elapsed() < 20000)
      QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    ASSERT_EQ(ReadyCalls, wanted);
  }
  // Puts each new view in use until no work is left.
  void Settle() {
    while (View.IsWorking() && !HasFatalFailure()) {
      if (!View.IsReady()) WaitReady();
      View.Apply();
    }
  }

  std::vector<int> Shown() const {
    std::vector<int> rows;
    for (int row = 1; row <= View.Count(); ++row) rows.push_back(View.ToStore(row));
    return rows;
  }
  // The rows of the whole list in the order in use that hold the text.
  std::vector<int> Expected(const std::vector<int>& order, const QString& text) const {
    std::vector<int> rows;
    for (const int row : order)
      if (Holds(row, text)) rows.push_back(row);
    return rows;
  }

  TTempDir Dir;
  TRowStore Store;
  int ReadyCalls = 0;
  TRowOrder View{Store, [this] { ++ReadyCalls; }};
};

// Typed a character at a time (each text looked for among the rows of the one before), taken
// back (shown from what was found before), one letter (answered from the rows' letters alone),
// and texts that letters beyond ASCII, a path's folder or its stray byte hold; in scan order,
// after an edit, sorted, and with a sort put in use after the filter found its rows.
TEST_F(RowOrderTest, AFilterShowsTheRowsQtsSearchFindsInTheOrderInUse) {
  const QString texts[] = {"v",      "ve",  "vel",    "velv",      "vel",    "k",
                           "\u212a", "s",   "ſun",    "CRÈ",       "über",   "night ",
                           "a/b 2",  "1 s", "\uFFFD", "2001 love", "kelvin", "x"};
  std::vector<int> order;
  for (int row = 1; row <= Count; ++row) order.push_back(row);
  const auto typeAll = [&](const char* when) {
    for (const QString& text : texts) {
      SCOPED_TRACE(std::string(when) + ": " + text.toStdString());
      View.FilterBy(text);
      Settle();
      ASSERT_EQ(Shown(), Expected(order, text));
    }
  };
  typeAll("scan order");

  // An edit makes what was found stale: a row that did not hold the text now does, and one that
  // held it in its texts alone no longer does.
  int added = 1, removed = 1;
  while (Holds(added, "velv")) ++added;
  while (!Holds(removed, "velv") || PathHolds(removed, "velv")) ++removed;
  Store.Rows[added].SetText(2, u"VELVET");
  for (int column = 0; column < TTagRow::ColumnCount; ++column)
    Store.Rows[removed].SetText(column, u"");
  ++Store.Revision;
  View.FilterBy("velv");
  Settle();
  EXPECT_EQ(Shown(), Expected(order, "velv"));

  View.FilterBy("");
  View.SortBy(1, TSortOrder::Descending);
  Settle();
  order = Shown();
  ASSERT_EQ(order.size(), std::size_t(Count));
  typeAll("sorted");

  // The filter orders the rows it found by the sort in use; a sort that waits to be put in use
  // meanwhile is put in use with them.
  View.SortBy(0, TSortOrder::Ascending);
  WaitReady();
  View.FilterBy("ri");
  WaitReady();
  View.Apply();
  ASSERT_FALSE(View.IsWorking());
  const std::vector<int> shown = Shown();
  View.FilterBy("");
  Settle();
  EXPECT_EQ(shown, Expected(Shown(), "ri"));
}

}  // namespace
