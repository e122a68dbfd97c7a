#include <sys/stat.h>
#include <unistd.h>

#include <QAction>
#include <QGlyphRun>
#include <QMenu>
#include <QRawFont>
#include <QTextLayout>

#include "mp3files.h"
#include "tablefixture.h"
#include "tests/common/scriptedboxes.h"
#include "window/tagcolours.h"

using namespace std::string_literals;

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
  TagTable.TableBeginEdit(1, 0, QString(), allow);
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
  for (const auto& c : cases) {
    const std::string path = AddFile(c.Name, c.Bytes);
    if (c.ReadOnly) ::chmod(path.c_str(), 0444);
  }
  Scan();
  ASSERT_EQ(Store.RowCount, 6);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    const int row = RowOf(Dir / c.Name);
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

// Cells show the characters the tag and the file name hold, whatever the script, painted from
// the row's own storage.
TEST_F(TableView, CellsShowUnicodeFromTheRowsOwnStorage) {
  const struct {
    const char* Name;
    std::string Bytes;
    const char* Title;  // UTF-8
    const char* Artist;
  } cases[] = {
      // An ID3v1 block holds Windows-1252.
      {"v1.mp3", Id3v1File("Caf\xE9 \x80", "\x93Quoted\x94", "Album", "1999", "Note"),
       "Caf\u00e9 \u20ac", "\u201cQuoted\u201d"},
      // A version 2.3 frame's ISO-8859-1 bytes 0x80 to 0x9F read as Windows-1252.
      {"v2.mp3", Id3v2File({{"TIT2", "\x84Na\xEFve\x93"}, {"TPE1", "\xD8ystein"}}),
       "\u201eNa\u00efve\u201c", "\u00d8ystein"},
      // A file name is UTF-8; stray bytes show as replacement characters.
      {"\xd0\x9f\xd1\x80\xd0\xb8 \xce\xb1\xce\xb2 \xe6\x97\xa5\xe6\x9c\xac \xf0\x9f\x8e\xb5.mp3",
       AudioBytes(), "\u041f\u0440\u0438 \u03b1\u03b2 \u65e5\u672c \U0001F3B5.mp3", ""},
      {"stray-\xff\xfe.mp3", AudioBytes(), "stray-\ufffd\ufffd.mp3", ""},
  };
  for (const auto& c : cases) AddFile(c.Name, c.Bytes);
  Scan();
  ASSERT_EQ(Store.RowCount, static_cast<int>(std::size(cases)));
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    const int row = RowOf(Dir / c.Name);  // the exact bytes of the name
    EXPECT_EQ(CellText(row, 0), QString::fromUtf8(c.Title));
    EXPECT_EQ(CellText(row, 1), QString::fromUtf8(c.Artist));
    // No copy: the grid is handed the row's own storage.
    for (int column = 0; column < 5; ++column)
      EXPECT_EQ(TagTable.TableGetCellData(row, column).data(), Store.Rows[row].Text(column).data());
  }
  const int row = RowOf(Dir / "v1.mp3");
  EXPECT_EQ(CellText(row, 3), "1999");
  EXPECT_EQ(CellText(row, 4), "Note");
  EXPECT_TRUE(TagTable.TableGetCellData(row, 5).isEmpty());
}

TEST_F(TableView, RowsBeyondTheListAreNeverTouched) {
  AddFile("a.mp3", Id3v1File("A"));
  AddFile("b.mp3", Id3v1File("B"));
  AddFile("c.mp3", Id3v1File("C"));
  Scan();
  ::unlink((Dir / "b.mp3").c_str());
  ::unlink((Dir / "c.mp3").c_str());
  Scan();
  ASSERT_EQ(Store.RowCount, 1);
  EXPECT_NE(Store.Tags[3], nullptr) << "the earlier scan's objects stay for reuse";
  TCellAttributes attrs = Preset();
  TagTable.TableGetCellAttributes(2, 0, attrs);
  EXPECT_EQ(attrs.Background, Untouched);
  EXPECT_TRUE(TagTable.TableGetCellData(2, 0).isEmpty());
  EXPECT_EQ(CellText(2, 0), "");
}

TEST_F(TableView, StatusLineFollowsTheActiveRowNotRepaints) {
  for (const char* name : {"1.mp3", "2.mp3", "3.mp3", "4.mp3"}) AddFile(name, Id3v1File(name));
  Scan();
  const auto pathOf = [&](int row) { return QString::fromStdString(Tag(row).FullPath()); };
  ClickCell(3, 0);
  EXPECT_EQ(StatusHistory.last(), pathOf(3));
  Press(Qt::Key_Down);
  EXPECT_EQ(StatusHistory.last(), pathOf(4));
  Press(Qt::Key_Up);
  EXPECT_EQ(StatusHistory.last(), pathOf(3));

  const auto shown = StatusHistory.size();
  TagTable.TableEnteringRow(4);  // the grid announcing a row it paints
  TagTable.TableEnteringRow(1);
  Table.viewport()->repaint();
  EXPECT_EQ(StatusHistory.size(), shown);
}

TEST_F(TableView, StatusLineShowsTheNativePathDecoded) {
  const std::string path = AddFile("caf\xC3\xA9 \xE6\x97\xA5.mp3", Id3v1File("X"));
  AddFile("other.mp3", Id3v1File("Y"));
  Scan();
  const int row = RowOf(path);
  ClickCell(3 - row, 0);
  ClickCell(row, 0);
  EXPECT_EQ(StatusHistory.last(), QString::fromUtf8(path.c_str()));
}

// Tag texts in any script show as characters, not boxes: the table's font, or a font the system
// falls back to, has a glyph for each (Liberation Sans for Latin, Greek and Cyrillic, WenQuanYi
// Micro Hei for Chinese, Japanese and Korean).
TEST_F(TableView, EveryScriptHasGlyphsInTheTablesFont) {
  const char* texts[] = {"Caf\u00e9 \u20ac \u201cq\u201d",
                         "\u041f\u0440\u0438\u0432\u0435\u0442",
                         "\u039a\u03b1\u03bb\u03b7\u03bc\u03ad\u03c1\u03b1",
                         "\u4f60\u597d\u4e16\u754c",
                         "\u65e5\u672c\u8a9e\u306e\u3046\u305f",
                         "\ud55c\uad6d\uc5b4"};
  for (const char* text : texts) {
    SCOPED_TRACE(text);
    QTextLayout layout(QString::fromUtf8(text), Table.font());
    layout.beginLayout();
    layout.createLine();
    layout.endLayout();
    int glyphs = 0;
    for (const QGlyphRun& run : layout.glyphRuns()) {
      for (const quint32 glyph : run.glyphIndexes()) {
        EXPECT_NE(glyph, 0u) << "no glyph in " << run.rawFont().familyName().toStdString();
        ++glyphs;
      }
    }
    EXPECT_GT(glyphs, 0);
  }
}

// Track, Genre and File name are columns hidden at first: a track and a genre come from either
// kind of tag, the ID3v1.1 track byte and the genre byte included; the file name from the path.
TEST_F(TableView, ExtraColumnsShowTrackGenreAndTheFileName) {
  // "Note", then the zero byte and the track byte of ID3v1.1.
  const std::string v1 =
      AddFile("v1.mp3", Id3v1File("One", "", "", "", "Note" + std::string(24, '\0') + "\0\x07"s));
  const std::string v2 =
      AddFile("caf\xc3\xa9.mp3", Id3v2File({{"TIT2", "Two"}, {"TRCK", "3/12"}, {"TCON", "Jazz"}}));
  Scan();
  for (const int column : {5, 6, 7}) EXPECT_TRUE(Table.IsColumnHidden(column)) << column;
  const int one = RowOf(v1), two = RowOf(v2);
  EXPECT_EQ(CellText(one, 5) + "|" + CellText(one, 6) + "|" + CellText(one, 7), "7|Other|v1.mp3");
  EXPECT_EQ(CellText(two, 5) + "|" + CellText(two, 6) + "|" + CellText(two, 7),
            QString::fromUtf8("3/12|Jazz|caf\u00e9.mp3"));
  EXPECT_TRUE(Store.Rows[std::size_t(one)].Text(7).isEmpty()) << "the name is not kept per row";

  TScriptedBoxes boxes;  // the file name is not edited here, without a word
  bool allow = true;
  TagTable.TableBeginEdit(one, 7, QString(), allow);
  EXPECT_FALSE(allow);

  // A block takes a track number beside its comment, and a genre of the standard list.
  for (const int column : {5, 6}) TagTable.SetColumnShown(column, true);
  const auto typeInto = [&](int column, const QString& text) {
    DoubleClickCell(one, column);
    ASSERT_NE(Editor(), nullptr);
    Editor()->selectAll();
    Type(text);
    Press(Qt::Key_Return);
  };
  typeInto(5, "9");
  typeInto(6, "jazz");
  EXPECT_EQ(CellText(one, 6), "Jazz");
  boxes.Expect(
      "The tag is currently a version 1 tag.\rVersion 1 tags hold a genre of the "
      "standard list only =>\rDo you want to convert the tag to version 2",
      TAnswer::No, TMsgKind::Confirm);
  typeInto(6, "Not a genre");
  EXPECT_EQ(CellText(one, 6), "Jazz");
  boxes.Expect("Changes saved", TAnswer::OK, TMsgKind::Information);
  TagTable.SaveBtnClick();
  const auto back = ReadBack(v1);
  EXPECT_FALSE(back->IsVersion2());
  EXPECT_EQ(back->Get(TField::Track), "9");
  EXPECT_EQ(back->Get(TField::Genre), "Jazz");
  EXPECT_EQ(back->GetComment(), "Note");
}

// The headings' menu shows and hides every column; the last column shown stays.
TEST_F(TableView, HeadingsMenuShowsAndHidesColumns) {
  std::unique_ptr<QMenu> menu = TagTable.MakeHeaderMenu();
  QStringList headings;
  for (QAction* action : menu->actions())
    headings << action->text() + (action->isChecked() ? "+" : "-");
  EXPECT_EQ(headings, QStringList({"Title+", "Artist+", "Album+", "Year+", "Comment+", "Track-",
                                   "Genre-", "File name-"}));
  menu->actions()[6]->trigger();
  EXPECT_FALSE(Table.IsColumnHidden(6));
  for (const int column : {0, 1, 2, 3, 4}) TagTable.SetColumnShown(column, false);
  menu = TagTable.MakeHeaderMenu();
  EXPECT_FALSE(menu->actions()[6]->isEnabled()) << "the last column shown";
  menu->actions()[6]->trigger();
  EXPECT_FALSE(Table.IsColumnHidden(6));
}
