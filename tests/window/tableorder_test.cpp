// Sorting and filtering the table: the rows shown, their order, and that every action on a shown
// row reaches the file it shows.
#include <QApplication>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QImage>
#include <QLineEdit>
#include <utility>
#include <vector>

#include "mp3files.h"
#include "tablefixture.h"
#include "tests/common/scriptedboxes.h"

void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }

namespace {

constexpr int Title = 0, Artist = 1, Year = 3, Track = 5, FileName = 7;

class TableOrder : public TTableFixture {
 protected:
  // Seven files, listed in this order (their names'); two have the same title. `more` are
  // listed after them.
  void AddSeven(const std::vector<std::pair<std::string, std::string>>& more = {}) {
    const char* const files[][4] = {
        {"01.mp3", "Track 10", "Beta", "2001"},  {"02.mp3", "track 2", "alpha", "1999"},
        {"03.mp3", "Same", "first", "2010"},     {"04.mp3", "Alpha", "Gamma", "1987"},
        {"05.mp3", "Same", "second", "2010"},    {"06.mp3", "beta", "alpha", "2001"},
        {"07 #red.mp3", "Track 1", "delta", ""},
    };
    for (const auto& f : files) AddFile(f[0], Id3v1File(f[1], f[2], "", f[3]));
    for (const auto& [name, bytes] : more) AddFile(name, bytes);
    Scan();
    ASSERT_EQ(Store.RowCount, 7 + int(more.size()));
  }

  // Runs the window's events until the view is in use; `ready`: until it waits to be.
  void Settle(bool ready = false) {
    const TRowOrder& view = TagTable.GetView();
    QElapsedTimer clock;
    clock.start();
    while ((ready ? !view.IsReady() : view.IsWorking()) && clock.elapsed() < 10000)
      QApplication::processEvents(QEventLoop::AllEvents, 5);
    ASSERT_TRUE(ready ? view.IsReady() : !view.IsWorking());
  }

  void Click(int column) {
    TagTable.TableHeaderClick(column);
    Settle();
  }
  void Filter(const QString& text) {
    TagTable.SetFilter(text);
    Settle();
  }

  // A column's cells from the first row down, as the table shows them.
  QStringList Column(int column) const {
    QStringList cells;
    for (int row = 1; row < Table.RowLimit(); ++row) cells << CellText(row, column);
    return cells;
  }

  // The headings as painted, once with the indicator the table set and once with the one given.
  std::pair<QImage, QImage> Headings(int column, Qt::SortOrder order) {
    QHeaderView* header = Table.horizontalHeader();
    const QImage shown = header->grab().toImage();
    Table.SetSortIndicator(column, order);
    return {shown, header->grab().toImage()};
  }
};

const QStringList ScanOrder = {"Track 10", "track 2", "Same", "Alpha", "Same", "beta", "Track 1"};

}  // namespace

// Natural order, letter case aside; equal texts keep their scan order either way; the third
// click on the same heading goes back to scan order, and another heading starts ascending. The
// heading clicked shows the order, and none does in scan order. The file name is the path's.
TEST_F(TableOrder, ClicksOnHeadingsSortUpDownAndBack) {
  AddSeven();
  const QStringList reversed = {"Track 1", "beta", "Same", "Alpha", "Same", "track 2", "Track 10"};
  struct {
    int Column;
    QStringList Titles;
    QStringList Artists;
    int Indicator;  // -1: none
    Qt::SortOrder Order;
  } const clicks[] = {
      {Title,
       {"Alpha", "beta", "Same", "Same", "Track 1", "track 2", "Track 10"},
       {"Gamma", "alpha", "first", "second", "delta", "alpha", "Beta"},
       Title,
       Qt::AscendingOrder},
      {Title,
       {"Track 10", "track 2", "Track 1", "Same", "Same", "beta", "Alpha"},
       {"Beta", "alpha", "delta", "first", "second", "alpha", "Gamma"},
       Title,
       Qt::DescendingOrder},
      {Title,
       ScanOrder,
       {"Beta", "alpha", "first", "Gamma", "second", "alpha", "delta"},
       -1,
       Qt::AscendingOrder},
      {Year,
       {"Track 1", "Alpha", "track 2", "Track 10", "beta", "Same", "Same"},
       {"delta", "Gamma", "alpha", "Beta", "alpha", "first", "second"},
       Year,
       Qt::AscendingOrder},
      {Artist,
       {"track 2", "beta", "Track 10", "Track 1", "Same", "Alpha", "Same"},
       {"alpha", "alpha", "Beta", "delta", "first", "Gamma", "second"},
       Artist,
       Qt::AscendingOrder},
      {FileName,
       ScanOrder,
       {"Beta", "alpha", "first", "Gamma", "second", "alpha", "delta"},
       FileName,
       Qt::AscendingOrder},
      {FileName,
       reversed,
       {"delta", "alpha", "second", "Gamma", "first", "alpha", "Beta"},
       FileName,
       Qt::DescendingOrder},
  };
  for (const auto& click : clicks) {
    SCOPED_TRACE(click.Column);
    Click(click.Column);
    EXPECT_EQ(Column(Title), click.Titles);
    EXPECT_EQ(Column(Artist), click.Artists);
    const auto [shown, expected] = Headings(click.Indicator, click.Order);
    EXPECT_EQ(shown, expected);
  }
}

// A sort moves rows, not texts: nothing is left to save, and the window has no unsaved edits.
TEST_F(TableOrder, SortingLeavesNothingToSave) {
  AddSeven();
  std::vector<bool> unsaved;
  TagTable.OnUnsavedChange = [&](bool value) { unsaved.push_back(value); };
  Click(Title);
  Click(Artist);
  Filter("a");
  EXPECT_FALSE(Store.Changed);
  EXPECT_TRUE(unsaved.empty());
  TScriptedBoxes boxes;
  boxes.Expect("Nothing to change", TAnswer::OK, TMsgKind::Information);
  TagTable.SaveBtnClick();
}

// Rows holding the text in any cell (Track and Genre too) or in their path, letter case aside,
// in the order in use; the status line counts them. A longer text looks among the rows kept,
// another among all. (The texts are ones the test folder's own path cannot hold.)
TEST_F(TableOrder, FilterKeepsRowsHoldingTheTextInACellOrThePath) {
  AddSeven({{"08.mp3", Id3v2File({{"TIT2", "Zulu"}, {"TRCK", "5/12"}, {"TCON", "Jazz"}})}});
  Click(Title);
  const QStringList alpha = {"Alpha", "beta", "track 2"};  // the title, the artist twice
  const QStringList track = {"Track 1", "track 2", "Track 10"};
  struct {
    QString Text;
    QStringList Titles;
  } const filters[] = {
      {"alph", alpha},
      {"alpha", alpha},
      {"ALPHA", alpha},
      {"alpha t", {}},
      {"track", track},
      {"trac", track},
      {"#RED", {"Track 1"}},  // its file's name
      {"MP3", {"Alpha", "beta", "Same", "Same", "Track 1", "track 2", "Track 10", "Zulu"}},
      {"2010", {"Same", "Same"}},
      {"JAZZ", {"Zulu"}},  // its genre
      {"5/1", {"Zulu"}},   // its track
      {"", {"Alpha", "beta", "Same", "Same", "Track 1", "track 2", "Track 10", "Zulu"}},
  };
  for (const auto& filter : filters) {
    SCOPED_TRACE(filter.Text.toStdString());
    Filter(filter.Text);
    // A list without rows shows one empty row.
    EXPECT_EQ(Column(Title), filter.Titles.isEmpty() ? QStringList{""} : filter.Titles);
    if (!filter.Text.isEmpty()) {
      EXPECT_EQ(StatusHistory.last(), QString("%1 of 8 files shown").arg(filter.Titles.size()));
    }
  }
}

// A text typed before (a character taken back) shows the rows it found at once, until an edit:
// then it is looked for again.
TEST_F(TableOrder, ATextTypedAgainShowsItsRowsAtOnceUntilAnEdit) {
  AddSeven();
  Filter("beta");
  ASSERT_EQ(Column(Title), QStringList({"Track 10", "beta"}));
  Filter("betax");
  TagTable.SetFilter("beta");
  EXPECT_FALSE(TagTable.GetView().IsWorking());
  EXPECT_EQ(Column(Title), QStringList({"Track 10", "beta"}));
  DoubleClickCell(1, Artist);  // "Beta", the artist of "Track 10"
  ASSERT_NE(Editor(), nullptr);
  Editor()->selectAll();
  Type("Omega");
  Press(Qt::Key_Return);
  Filter("betax");
  Filter("beta");
  EXPECT_EQ(Column(Title), QStringList({"beta"}));
}

// An edit of a sorted and filtered row reaches its own file; Save writes every edited file,
// shown or not.
TEST_F(TableOrder, EditsReachTheFileTheRowShowsAndSaveWritesHiddenRowsToo) {
  AddSeven();
  Click(Title);
  Click(Title);
  Filter("Track");
  ASSERT_EQ(Column(Title), QStringList({"Track 10", "track 2", "Track 1"}));
  DoubleClickCell(3, Artist);  // "Track 1", the seventh file
  ASSERT_NE(Editor(), nullptr);
  Editor()->selectAll();
  Type("Omega");
  Press(Qt::Key_Return);
  Filter("Same");
  EXPECT_EQ(Column(Title), QStringList({"Same", "Same"}));
  {
    TScriptedBoxes boxes;
    boxes.Expect("Changes saved", TAnswer::OK, TMsgKind::Information);
    TagTable.SaveBtnClick();
  }
  EXPECT_EQ(Tag(RowOf(Dir / "07 #red.mp3")).GetArtist(), "Omega");
  EXPECT_EQ(Column(Artist), QStringList({"first", "second"}));
  for (int row = 1; row <= 7; ++row) {
    const std::string path = Tag(row).FullPath();
    EXPECT_EQ(ReadBack(path)->GetArtist(), Tag(row).GetArtist()) << path;
  }
}

// In a sorted and filtered list, a value typed into selected cells, its undo and its redo reach
// the files the rows show, and an undo or a redo makes the first cell it changed active; Ctrl+A takes the rows shown, and numbering counts them in the order
// shown. The files not shown are left alone.
TEST_F(TableOrder, EditsUndoAndBatchesInASortedFilteredListReachTheFilesShown) {
  AddSeven();
  Click(Title);
  Click(Title);
  Filter("Track");
  ASSERT_EQ(Column(Title), QStringList({"Track 10", "track 2", "Track 1"}));
  const int first = RowOf(Dir / "01.mp3"), second = RowOf(Dir / "02.mp3"),
            seventh = RowOf(Dir / "07 #red.mp3");
  Table.SetActiveCell(2, Artist);
  Table.SetSelection({{2, Artist, 3, Artist}});
  Table.StartEdit("Omega");
  Press(Qt::Key_Return);
  const struct {
    Qt::Key Key;
    const char* Second;
    const char* Seventh;
  } steps[] = {{Qt::Key_unknown, "Omega", "Omega"},
               {Qt::Key_Z, "alpha", "delta"},
               {Qt::Key_Y, "Omega", "Omega"}};
  for (const auto& step : steps) {
    SCOPED_TRACE(step.Second);
    if (step.Key != Qt::Key_unknown) {
      // The first cell the step changes becomes the active one.
      Table.SetActiveCell(1, Title);
      Press(step.Key, Qt::ControlModifier);
      EXPECT_EQ(std::pair(Table.ActiveRow(), Table.ActiveColumn()), std::pair(2, int(Artist)));
    }
    EXPECT_EQ(Tag(second).GetArtist(), step.Second);
    EXPECT_EQ(Tag(seventh).GetArtist(), step.Seventh);
    EXPECT_EQ(Column(Artist), QStringList({"Beta", step.Second, step.Seventh}));
  }
  // An undo within the selection keeps it, so that the same cells can take another value.
  Table.SetSelection({{2, Artist, 3, Artist}});
  Press(Qt::Key_Z, Qt::ControlModifier);
  EXPECT_TRUE(Table.IsCellSelected(3, Artist));
  Press(Qt::Key_Y, Qt::ControlModifier);
  EXPECT_EQ(Tag(first).GetArtist(), "Beta");
  EXPECT_EQ(Store.ModifiedTags, 2);

  Press(Qt::Key_A, Qt::ControlModifier);
  Press(Qt::Key_T, Qt::ControlModifier);
  EXPECT_EQ(Column(Track), QStringList({"1", "2", "3"}));
  EXPECT_EQ(Tag(first).Get(TField::Track), "1");
  EXPECT_EQ(Tag(seventh).Get(TField::Track), "3");
  for (const char* hidden : {"03.mp3", "04.mp3", "05.mp3", "06.mp3"})
    EXPECT_FALSE(Tag(RowOf(Dir / hidden)).Modified()) << hidden;
}

// The active file stays active where it is still shown, and the status line names it; where
// it is no longer shown, the first row is active.
TEST_F(TableOrder, TheActiveFileFollowsItsRow) {
  AddSeven();
  ClickCell(7, Artist);  // "Track 1"
  Click(Title);
  EXPECT_EQ(Table.ActiveRow(), 5);
  EXPECT_EQ(Table.ActiveColumn(), Artist);
  EXPECT_EQ(StatusHistory.last(), QString::fromStdString(Dir / "07 #red.mp3"));
  Filter("track");
  EXPECT_EQ(Table.ActiveRow(), 1);
  EXPECT_EQ(CellText(1, Title), "Track 1");
  Filter("same");
  EXPECT_EQ(Table.ActiveRow(), 1);
  EXPECT_EQ(Table.SelectedRows(), std::vector<TRowSpan>({{1, 1}}));
}

// A sort that ends while a cell is being edited waits: the edit reaches the file it began on.
TEST_F(TableOrder, RowsDoNotMoveUnderAnOpenEditor) {
  AddSeven();
  DoubleClickCell(1, Artist);  // "Track 10"
  ASSERT_TRUE(Table.IsEditing());
  TagTable.TableHeaderClick(Title);  // as a key would, the edit still open
  Settle(true);
  QApplication::processEvents(QEventLoop::AllEvents, 100);
  EXPECT_EQ(Column(Title), ScanOrder);
  Editor()->selectAll();
  Type("Omega");
  Press(Qt::Key_Return);
  Settle();
  EXPECT_EQ(CellText(7, Title), "Track 10");
  EXPECT_EQ(CellText(7, Artist), "Omega");
  EXPECT_EQ(Tag(1).GetArtist(), "Omega");
}

// A scan lists its files in scan order, unfiltered.
TEST_F(TableOrder, AScanStartsInScanOrderUnfiltered) {
  AddSeven();
  Click(Title);
  Filter("same");
  Scan();
  EXPECT_EQ(Column(Title), ScanOrder);
  EXPECT_FALSE(TagTable.GetView().IsFiltered());
  Click(Artist);
  EXPECT_EQ(CellText(1, Artist), "alpha");
}
