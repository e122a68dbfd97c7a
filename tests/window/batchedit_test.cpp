// Many cells at once: one value for a column's selected cells, the clipboard, fill, clear and
// numbering, and undoing and redoing them, through the keys a person presses.
#include <sys/stat.h>

#include <QClipboard>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include "mp3files.h"
#include "tablefixture.h"
#include "tests/common/scriptedboxes.h"
#include "window/editrules.h"

namespace {

constexpr int Title = 0, Artist = 1, Album = 2, Year = 3, Comment = 4, Track = 5;
const QString ChangesSaved = "Changes saved";

class BatchEdit : public TTableFixture {
 protected:
  // Files named 1.mp3, 2.mp3, ... listed in that order: row n is file n. Those of the rows
  // `readOnly` are made read-only first.
  void ScanFiles(const std::vector<std::string>& files, const std::vector<int>& readOnly = {}) {
    for (std::size_t i = 0; i < files.size(); ++i)
      Paths.push_back(AddFile(std::to_string(i + 1) + ".mp3", files[i]));
    for (const int row : readOnly) ::chmod(Paths[std::size_t(row - 1)].c_str(), 0444);
    Scan();
  }
  // Selects the rows first..last in the columns, the active cell at the top left.
  void Select(int first, int last, int left, int right) {
    Table.SetActiveCell(first, left);
    Table.SetSelection({{first, left, last, right}});
  }
  // Types the text over the active cell's and accepts it with Enter.
  void TypeOver(const QString& text) {
    Press(Qt::Key_F2);
    ASSERT_NE(Editor(), nullptr);
    Editor()->selectAll();
    Type(text);
    Press(Qt::Key_Return);
  }
  bool Marked(int row, int column) {
    TCellAttributes attrs;
    TagTable.TableGetCellAttributes(row, column, attrs);
    return attrs.Modified;
  }
  static QString Clipboard() { return QGuiApplication::clipboard()->text(); }

  std::vector<std::string> Paths;
};

TEST_F(BatchEdit, OneValueForManyRowsFollowsTheRulesOfATypedEdit) {
  ScanFiles(
      {Id3v2File({{"TIT2", "One"}, {"TPE1", "Old"}}), Id3v2File({{"TIT2", "Two"}, {"TPE1", "New"}}),
       Id3v2File({{"TIT2", "Locked"}, {"TPE1", "Old"}}), Id3v1File("Locked too", "Old"),
       Id3v2File({{"TIT2", "Five"}, {"TPE1", "Old"}})},
      {3, 4});
  const std::string untouched = ReadFileBytes(Paths[1]);
  TScriptedBoxes boxes;
  // The read-only files are named once, at the end, by their number.
  boxes.Expect(ReadOnlyMessage(2), TAnswer::OK, TMsgKind::Information);
  Select(1, 5, Artist, Artist);
  TypeOver("New");
  for (const int row : {1, 5}) {
    EXPECT_EQ(Tag(row).GetArtist(), "New");
    EXPECT_EQ(CellText(row, Artist), "New");
    EXPECT_TRUE(Marked(row, Artist));
    EXPECT_FALSE(Marked(row, Title));
  }
  for (const int row : {2, 3, 4}) {
    EXPECT_FALSE(Tag(row).Modified()) << row;
    EXPECT_FALSE(Marked(row, Artist)) << row;
  }
  EXPECT_EQ(Tag(3).GetArtist(), "Old");
  EXPECT_EQ(Store.ModifiedTags, 2);
  boxes.Expect(ChangesSaved, TAnswer::OK, TMsgKind::Information);
  TagTable.SaveBtnClick();
  EXPECT_EQ(ReadBack(Paths[4])->GetArtist(), "New");
  EXPECT_EQ(ReadFileBytes(Paths[1]), untouched);
  EXPECT_FALSE(Marked(1, Artist));
}

class Version1Question : public BatchEdit, public ::testing::WithParamInterface<TAnswer> {};

// Asked once for all the files it concerns; Yes converts them all, No cuts the text for them all.
TEST_P(Version1Question, IsAskedOnceForEveryFileItConcerns) {
  const bool convert = GetParam() == TAnswer::Yes;
  ScanFiles({Id3v1File("T1", "Old"), Id3v1File("T2", "Old"), Id3v1File("T3", "Old"),
             Id3v2File({{"TIT2", "T4"}})});
  const QString typed(40, 'x');
  {
    TScriptedBoxes boxes;
    boxes.Expect(
        "3 files have a version 1 tag.\rVersion 1 tag strings have a maximum length of "
        "30 =>\rDo you want to convert these tags to version 2",
        GetParam(), TMsgKind::Confirm);
    Select(1, 4, Artist, Artist);
    TypeOver(typed);
  }
  const std::string kept = convert ? std::string(40, 'x') : std::string(30, 'x');
  for (const int row : {1, 2, 3}) {
    EXPECT_EQ(Tag(row).IsVersion2(), convert);
    EXPECT_EQ(Tag(row).GetArtist(), kept);
    EXPECT_EQ(CellText(row, Artist).toStdString(), kept);
  }
  EXPECT_EQ(Tag(4).GetArtist(), typed.toStdString());
  // One step takes the edit of all four back.
  TScriptedBoxes boxes;
  Press(Qt::Key_Z, Qt::ControlModifier);
  for (const int row : {1, 2, 3, 4}) {
    EXPECT_FALSE(Tag(row).Modified()) << row;
    EXPECT_EQ(CellText(row, Artist), row == 4 ? "" : "Old");
  }
  EXPECT_FALSE(Tag(1).IsVersion2());
  EXPECT_FALSE(Store.Changed);
}

INSTANTIATE_TEST_SUITE_P(Answers, Version1Question, ::testing::Values(TAnswer::Yes, TAnswer::No),
                         [](const auto& info) {
                           return std::string(info.param == TAnswer::Yes ? "Yes" : "No");
                         });

TEST_F(BatchEdit, ACommentOfSeveralLinesGoesToEverySelectedRowThroughTheDialogOnce) {
  ScanFiles({Id3v2File({{"TIT2", "1"}, {"COMM", "a"}}), Id3v2File({{"TIT2", "2"}}),
             Id3v2File({{"TIT2", "3"}, {"COMM", "c"}})});
  TScriptedBoxes boxes;
  const auto ran = WhenCommentFormShows([&] {
    CommentForm.Memo1->selectAll();
    QTest::keyClicks(CommentForm.Memo1, "first");
    QTest::keyClick(CommentForm.Memo1, Qt::Key_Return);
    QTest::keyClicks(CommentForm.Memo1, "second");
    CommentForm.OKBtn->click();
  });
  Select(1, 3, Comment, Comment);
  Press(Qt::Key_F2);
  EXPECT_TRUE(ran());
  for (const int row : {1, 2, 3}) EXPECT_EQ(Tag(row).GetComment(), "first\nsecond") << row;
}

TEST_F(BatchEdit, ClipboardFillAndClearGoThroughTheKeysOfSpreadsheets) {
  ScanFiles(
      {Id3v2File({{"TIT2", "T1"}, {"TPE1", "A1"}}), Id3v2File({{"TIT2", "T2"}, {"TPE1", "A2"}}),
       Id3v2File({{"TIT2", "T3"}, {"TPE1", "A3"}}), Id3v2File({{"TIT2", "T4"}, {"TPE1", "A4"}})});
  TScriptedBoxes boxes;
  const auto row = [&](int r) { return CellText(r, Title) + "|" + CellText(r, Artist); };

  Select(1, 2, Title, Artist);
  Press(Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(Clipboard(), "T1\tA1\nT2\tA2\n");
  Table.SetActiveCell(3, Title);
  Press(Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(row(3), "T1|A1");
  EXPECT_EQ(row(4), "T2|A2");
  EXPECT_EQ(Tag(4).GetArtist(), "A2");

  // Never past the last row.
  QGuiApplication::clipboard()->setText("X\tY\nZ\tW\n");
  Table.SetActiveCell(4, Title);
  Press(Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(row(3), "T1|A1");
  EXPECT_EQ(row(4), "X|Y");
  EXPECT_EQ(Store.RowCount, 4);

  // A single value fills every selected cell.
  QGuiApplication::clipboard()->setText("Solo");
  Select(1, 4, Album, Album);
  Press(Qt::Key_V, Qt::ControlModifier);
  for (int r = 1; r <= 4; ++r) EXPECT_EQ(Tag(r).GetAlbum(), "Solo") << r;

  // Ctrl+D: the first selected row's value goes down the selection.
  Table.SetActiveCell(1, Year);
  TypeOver("1999");
  Select(1, 4, Year, Year);
  Press(Qt::Key_D, Qt::ControlModifier);
  for (int r = 1; r <= 4; ++r) EXPECT_EQ(Tag(r).GetYear(), "1999") << r;

  Select(2, 3, Album, Album);
  Press(Qt::Key_Delete);
  EXPECT_EQ(Tag(2).GetAlbum() + Tag(3).GetAlbum() + Tag(4).GetAlbum(), "Solo");

  Select(4, 4, Title, Title);
  Press(Qt::Key_X, Qt::ControlModifier);
  EXPECT_EQ(Clipboard(), "X\n");
  EXPECT_EQ(Tag(4).GetTitle(), "");
  // Each command is one step: the cut alone is taken back.
  Press(Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(Tag(4).GetTitle(), "X");
  EXPECT_EQ(Tag(3).GetAlbum(), "");
}

// A year readers cannot take, or a text the listing cut, never reaches a file.
TEST_F(BatchEdit, TextsThatBreakTheRulesAreLeftOutAndCounted) {
  ScanFiles({Id3v2File({{"TIT2", "1"}, {"TYER", "1999"}}),
             Id3v2File({{"TIT2", std::string(70000, 'c')}}), Id3v2File({{"TIT2", "3"}})});
  TScriptedBoxes boxes;
  QGuiApplication::clipboard()->setText("New");
  boxes.Expect(CutMessage(1), TAnswer::OK, TMsgKind::Information);
  Select(1, 3, Title, Title);
  Press(Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(Tag(1).GetTitle() + Tag(3).GetTitle(), "NewNew");
  EXPECT_FALSE(Tag(2).Modified());

  boxes.Expect(RuleMessage(3), TAnswer::OK, TMsgKind::Information);
  Select(1, 3, Year, Year);
  Press(Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(Tag(1).GetYear(), "1999");

  // Filling down from a cut text would spread its start.
  boxes.Expect(CutMessage(1), TAnswer::OK, TMsgKind::Information);
  Select(2, 3, Title, Title);
  Press(Qt::Key_D, Qt::ControlModifier);
  EXPECT_EQ(Tag(3).GetTitle(), "New");
}

TEST_F(BatchEdit, NumberingTheSelectedRowsSetsTheirTracksInTheOrderShown) {
  ScanFiles({Id3v2File({{"TIT2", "1"}}), Id3v2File({{"TIT2", "2"}, {"TRCK", "9"}}),
             Id3v1File("3", "", "", "", "Note")});
  ASSERT_TRUE(Table.IsColumnHidden(Track));
  TScriptedBoxes boxes;
  // "3/3" does not fit the block: No keeps its number alone, in the ID3v1.1 track byte.
  boxes.Expect(
      "The tag is currently a version 1 tag.\rVersion 1 tags hold a track number from 1 "
      "to 255 only, beside a comment of at most 28 characters =>\rDo you want to "
      "convert the tag to version 2",
      TAnswer::No, TMsgKind::Confirm);
  Select(1, 3, Title, Title);
  Press(Qt::Key_T, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_FALSE(Table.IsColumnHidden(Track));
  EXPECT_EQ(CellText(1, Track) + " " + CellText(2, Track) + " " + CellText(3, Track), "1/3 2/3 3");
  boxes.Expect(ChangesSaved, TAnswer::OK, TMsgKind::Information);
  TagTable.SaveBtnClick();
  EXPECT_EQ(ReadBack(Paths[0])->Get(TField::Track), "1/3");
  EXPECT_EQ(ReadBack(Paths[2])->Get(TField::Track), "3");
  EXPECT_EQ(ReadBack(Paths[2])->GetComment(), "Note");
  EXPECT_FALSE(ReadBack(Paths[2])->IsVersion2());

  Select(1, 3, Artist, Artist);
  Press(Qt::Key_T, Qt::ControlModifier);
  EXPECT_EQ(Tag(2).Get(TField::Track), "2");
  EXPECT_FALSE(Tag(3).Modified()) << "it holds its number already";
}

// Every step taken back leaves each file as it holds it: Save writes nothing, Close and Scan do
// not ask. A conversion, a text longer than a typed one may be, a title given to a file without
// a tag are all taken back, and done again.
TEST_F(BatchEdit, UndoGoesBackToWhatTheFilesHoldAndRedoComesBack) {
  const std::string long300(300, 'l');
  ScanFiles({Id3v1File("One", "Band"),
             Id3v2File({{"TIT2", "Two"}, {"TPE1", "Band"}, {"COMM", long300}}), AudioBytes()});
  std::vector<std::string> bytes;
  for (const std::string& path : Paths) bytes.push_back(ReadFileBytes(path));
  std::vector<bool> unsaved;
  TagTable.OnUnsavedChange = [&](bool value) { unsaved.push_back(value); };
  TScriptedBoxes boxes;
  boxes.Expect(
      "2 files have a version 1 tag.\rVersion 1 tag strings have a maximum length of 30 "
      "=>\rDo you want to convert these tags to version 2",
      TAnswer::Yes, TMsgKind::Confirm);
  Select(1, 3, Artist, Artist);
  TypeOver(QString(40, 'a'));
  QGuiApplication::clipboard()->setText("Pasted");
  Select(1, 3, Comment, Comment);
  Press(Qt::Key_V, Qt::ControlModifier);
  Table.SetActiveCell(3, Title);
  TypeOver("Titled");
  ASSERT_TRUE(Tag(1).IsVersion2());
  ASSERT_EQ(Tag(2).GetComment(), "Pasted");
  ASSERT_EQ(Store.ModifiedTags, 3);

  for (int step = 0; step < 4; ++step) Press(Qt::Key_Z, Qt::ControlModifier);
  for (int row = 1; row <= 3; ++row) EXPECT_FALSE(Tag(row).Modified()) << row;
  EXPECT_FALSE(Tag(1).IsVersion2());
  EXPECT_FALSE(Tag(3).HasTag());
  EXPECT_EQ(Tag(2).GetComment(), long300);
  EXPECT_EQ(CellText(1, Artist), "Band");
  EXPECT_EQ(CellText(3, Title), "3.mp3");
  EXPECT_EQ(unsaved, (std::vector<bool>{true, false}));
  EXPECT_TRUE(TagTable.AskToSave());  // no question
  boxes.Expect("Nothing to change", TAnswer::OK, TMsgKind::Information);
  TagTable.SaveBtnClick();
  for (std::size_t i = 0; i < Paths.size(); ++i) EXPECT_EQ(ReadFileBytes(Paths[i]), bytes[i]);

  Press(Qt::Key_Y, Qt::ControlModifier);
  Press(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
  Press(Qt::Key_Y, Qt::ControlModifier);
  EXPECT_TRUE(Tag(1).IsVersion2());
  EXPECT_EQ(Tag(1).GetArtist(), std::string(40, 'a'));
  EXPECT_EQ(Tag(2).GetComment(), "Pasted");
  EXPECT_EQ(CellText(3, Title), "Titled");
  EXPECT_EQ(Store.ModifiedTags, 3);
  EXPECT_TRUE(Store.Changed);
}

}  // namespace
