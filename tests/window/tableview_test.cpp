#include <sys/stat.h>

#include "mp3files.h"
#include "tablefixture.h"
#include "tests/common/scriptedboxes.h"
#include "window/tagcolours.h"

namespace {

using TableView = TTableFixture;

const QColor Untouched(1, 2, 3);

TCellAttributes Preset() { return {Untouched, false}; }

}  // namespace

TEST_F(TableView, EmptyListShowsOneBlankRowWithoutColourOrEditing) {
  TScriptedBoxes boxes;  // no box may come
  EXPECT_EQ(Table.RowLimit(), 2);
  EXPECT_EQ(TagTable.TableGetCellData(1, 0), nullptr);
  EXPECT_EQ(TagTable.TableGetCellData(0, 0), nullptr);
  TCellAttributes attrs = Preset();
  TagTable.TableGetCellAttributes(1, 0, attrs);
  EXPECT_EQ(attrs.Background, Untouched);
  bool allow = true;
  TagTable.TableBeginEdit(1, 0, allow);
  EXPECT_FALSE(allow);
  DoubleClickCell(1, 0);
  EXPECT_FALSE(Table.IsEditing());
}

TEST_F(TableView, RowsAreColouredByTagState) {
  struct {
    const char* Name;
    std::string Bytes;
    bool ReadOnly;
    QColor Colour;
    bool Bold;
    QString Title;  // what the Title cell shows
    QString Artist;
  } const cases[] = {
      {"v1.mp3", Id3v1File("One", "Band"), false, TagColours::Version1, false, "One", "Band"},
      {"v2.mp3", Id3v2File({{"TIT2", "Two"}, {"TPE1", "Group"}}), false, TagColours::Version2,
       false, "Two", "Group"},
      // A version 2 tag without a title is no valid tag: red, the file's name as title and
      // nothing in the other cells, though the tag holds an artist.
      {"untitled.mp3", Id3v2File({{"TPE1", "Hidden"}}), false, TagColours::Invalid, false,
       "untitled.mp3", ""},
      {"bare.mp3", AudioBytes(), false, TagColours::Invalid, false, "bare.mp3", ""},
      {"locked.mp3", Id3v2File({{"TIT2", "Locked"}}), true, TagColours::ReadOnly, true, "Locked",
       ""},
      {"locked-bare.mp3", AudioBytes(), true, TagColours::ReadOnly, true, "locked-bare.mp3", ""},
  };
  std::vector<std::string> paths;
  for (const auto& c : cases) {
    paths.push_back(AddFile(c.Name, c.Bytes));
    if (c.ReadOnly) ::chmod(paths.back().c_str(), 0444);
  }
  Scan(paths);
  ASSERT_EQ(Store.RowCount, 6);
  for (int row = 1; row <= 6; ++row) {
    const auto& c = cases[row - 1];
    SCOPED_TRACE(c.Name);
    for (int column = 0; column < 5; ++column) {
      TCellAttributes attrs = Preset();
      TagTable.TableGetCellAttributes(row, column, attrs);
      EXPECT_EQ(attrs.Background, c.Colour);
      EXPECT_EQ(attrs.Bold, c.Bold);
    }
    EXPECT_EQ(CellText(row, 0), c.Title);
    EXPECT_EQ(CellText(row, 1), c.Artist);
  }
}

TEST_F(TableView, CellsShowTheRecordsOwnBuffersInWindows1252) {
  Scan({AddFile("a.mp3", Id3v1File("Caf\xE9 \x80", "\x93Quoted\x94", "Album", "1999", "Note"))});
  EXPECT_EQ(CellText(1, 0), QString::fromUtf8("Caf\u00e9 \u20ac"));
  EXPECT_EQ(CellText(1, 1), QString::fromUtf8("\u201cQuoted\u201d"));
  EXPECT_EQ(CellText(1, 3), "1999");
  EXPECT_EQ(CellText(1, 4), "Note");
  // No copy: the grid is handed the record's own storage.
  EXPECT_EQ(TagTable.TableGetCellData(1, 3), Store.Rows[1].Year.Raw());
  EXPECT_EQ(TagTable.TableGetCellData(1, 5), nullptr);
}

TEST_F(TableView, RowsBeyondTheListAreNeverTouched) {
  Scan({AddFile("a.mp3", Id3v1File("A")), AddFile("b.mp3", Id3v1File("B")),
        AddFile("c.mp3", Id3v1File("C"))});
  Scan({Dir / "a.mp3"});
  ASSERT_NE(Store.Tags[3], nullptr) << "the earlier scan's objects stay for reuse";
  TCellAttributes attrs = Preset();
  TagTable.TableGetCellAttributes(2, 0, attrs);
  EXPECT_EQ(attrs.Background, Untouched);
  EXPECT_EQ(TagTable.TableGetCellData(2, 0), nullptr);
  EXPECT_EQ(CellText(2, 0), "");
}

TEST_F(TableView, StatusLineFollowsTheActiveRowNotRepaints) {
  std::vector<std::string> paths;
  for (const char* name : {"1.mp3", "2.mp3", "3.mp3", "4.mp3"})
    paths.push_back(AddFile(name, Id3v1File(name)));
  Scan(paths);
  ClickCell(3, 0);
  EXPECT_EQ(StatusHistory.last(), QString::fromStdString(paths[2]));
  Press(Qt::Key_Down);
  EXPECT_EQ(StatusHistory.last(), QString::fromStdString(paths[3]));
  Press(Qt::Key_Up);
  EXPECT_EQ(StatusHistory.last(), QString::fromStdString(paths[2]));

  const auto shown = StatusHistory.size();
  TagTable.TableEnteringRow(4);  // the grid announcing a row it paints
  TagTable.TableEnteringRow(1);
  Table.viewport()->repaint();
  EXPECT_EQ(StatusHistory.size(), shown);
}

TEST_F(TableView, StatusLineShowsTheNativePathDecoded) {
  const std::string path = AddFile("caf\xC3\xA9.mp3", Id3v1File("X"));
  Scan({path, AddFile("other.mp3", Id3v1File("Y"))});
  ClickCell(2, 0);
  ClickCell(1, 0);
  EXPECT_EQ(StatusHistory.last(), QString::fromUtf8(path.c_str()));
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
