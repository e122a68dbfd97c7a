#include <sys/stat.h>

#include <QApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include "mp3files.h"
#include "tablefixture.h"
#include "tests/common/scriptedboxes.h"
#include "window/tagcolours.h"

namespace {

const QString Version1Question =
    "The tag is currently a version 1 tag.\rVersion 1 tag strings have a maximum length of 30 "
    "=>\rDo you want to convert the tag to version 2";
const QString ReadOnlyMessage = "Tag cannot be changed :\rthe associated file is read-only";

class Editing : public TTableFixture {
 protected:
  // Double-clicks the cell, selects the editor's text and types over it, then presses Enter.
  void EditCell(int row, int column, const QString& text) {
    DoubleClickCell(row, column);
    ASSERT_NE(Editor(), nullptr) << "no editor opened";
    Editor()->selectAll();
    Type(text);
    Press(Qt::Key_Return);
  }
};

}  // namespace

TEST_F(Editing, ThirtyOneCharactersForVersion1AnsweredNoAreCut) {
  Scan({AddFile("a.mp3", Id3v1File("Title", "Old artist"))});
  const std::string typed(31, 'x');
  {
    TScriptedBoxes boxes;
    boxes.Expect(Version1Question, TAnswer::No, TMsgKind::Confirm);
    EditCell(1, 1, QString::fromStdString(typed));
  }
  EXPECT_FALSE(Table.IsEditing());
  EXPECT_EQ(CellText(1, 1), QString(30, 'x'));
  EXPECT_EQ(Tag(1).GetArtist(), std::string(30, 'x'));
  EXPECT_FALSE(Tag(1).IsVersion2());
  EXPECT_TRUE(Store.Changed);
  EXPECT_EQ(Attributes(1).Background, TagColours::Version1);
}

TEST_F(Editing, CutTextEqualToTheOldValueChangesNothing) {
  Scan({AddFile("a.mp3", Id3v1File("Title", std::string(30, 'x')))});
  TScriptedBoxes boxes;
  boxes.Expect(Version1Question, TAnswer::No, TMsgKind::Confirm);
  EditCell(1, 1, QString(31, 'x'));
  EXPECT_FALSE(Store.Changed);
  EXPECT_FALSE(Tag(1).Modified());
}

TEST_F(Editing, ThirtyOneCharactersForVersion1AnsweredYesOrClosedConvert) {
  // Closing the box from its title bar answers Cancel, which is not No.
  for (const TAnswer answer : {TAnswer::Yes, TAnswer::Cancel}) {
    Scan({AddFile("a.mp3", Id3v1File("Title", "Old artist"))});
    {
      TScriptedBoxes boxes;
      boxes.Expect(Version1Question, answer, TMsgKind::Confirm);
      EditCell(1, 1, QString(31, 'y'));
    }
    EXPECT_EQ(CellText(1, 1), QString(31, 'y'));
    EXPECT_EQ(Tag(1).GetArtist(), std::string(31, 'y'));
    EXPECT_TRUE(Tag(1).IsVersion2());
    EXPECT_EQ(Tag(1).GetTitle(), "Title");
    EXPECT_TRUE(Store.Changed);
    EXPECT_EQ(Attributes(1).Background, TagColours::Version2);
  }
}

TEST_F(Editing, ExactlyThirtyCharactersAskNothing) {
  Scan({AddFile("a.mp3", Id3v1File("Title"))});
  TScriptedBoxes boxes;
  EditCell(1, 2, QString(30, 'z'));
  EXPECT_EQ(Tag(1).GetAlbum(), std::string(30, 'z'));
  EXPECT_FALSE(Tag(1).IsVersion2());
}

TEST_F(Editing, LongTitleOnVersion2AsksNothing) {
  Scan({AddFile("a.mp3", Id3v2File({{"TIT2", "Short"}}))});
  TScriptedBoxes boxes;
  EditCell(1, 0, QString(200, 't'));
  EXPECT_EQ(Tag(1).GetTitle(), std::string(200, 't'));
  EXPECT_EQ(CellText(1, 0), QString(200, 't'));
  EXPECT_TRUE(Store.Changed);
}

TEST_F(Editing, LetterCaseCountsAndUnchangedTextDoesNot) {
  Scan({AddFile("a.mp3", Id3v1File("Title", "Artist"))});
  TScriptedBoxes boxes;

  DoubleClickCell(1, 1);
  ASSERT_NE(Editor(), nullptr);
  Press(Qt::Key_Return);  // left as it was
  EXPECT_FALSE(Store.Changed);
  EXPECT_FALSE(Tag(1).Modified());

  EditCell(1, 1, "ARTIST");
  EXPECT_TRUE(Store.Changed);
  EXPECT_EQ(Tag(1).GetArtist(), "ARTIST");
}

TEST_F(Editing, F2AndTypingStartAnEditTabEndsIt) {
  Scan({AddFile("a.mp3", Id3v1File("Title", "Artist", "Album", "2001"))});
  TScriptedBoxes boxes;
  ClickCell(1, 3);
  Press(Qt::Key_F2);
  ASSERT_NE(Editor(), nullptr);
  Editor()->selectAll();
  Type("19999");  // the Year editor takes 4
  Press(Qt::Key_Tab);
  EXPECT_EQ(Tag(1).GetYear(), "1999");
  EXPECT_EQ(Table.ActiveColumn(), 4);

  ClickCell(1, 2);
  Type("New");  // a printable key starts the edit and goes into the editor
  Press(Qt::Key_Return);
  EXPECT_EQ(Tag(1).GetAlbum(), "New");
}

TEST_F(Editing, EscapeAbandonsTheEdit) {
  Scan({AddFile("a.mp3", Id3v1File("Title", "Artist"))});
  TScriptedBoxes boxes;  // no version 1 question although 40 characters were typed
  DoubleClickCell(1, 1);
  ASSERT_NE(Editor(), nullptr);
  Type(QString(40, 'q'));
  Press(Qt::Key_Escape);
  EXPECT_FALSE(Table.IsEditing());
  EXPECT_EQ(CellText(1, 1), "Artist");
  EXPECT_EQ(Tag(1).GetArtist(), "Artist");
  EXPECT_FALSE(Store.Changed);
}

TEST_F(Editing, FileWithoutTagTakesItsNameAsTitle) {
  Scan({AddFile("plain.mp3", AudioBytes())});
  TScriptedBoxes boxes;
  EXPECT_EQ(Attributes(1).Background, TagColours::Invalid);
  DoubleClickCell(1, 0);
  Press(Qt::Key_Return);
  EXPECT_TRUE(Store.Changed);
  EXPECT_EQ(Tag(1).GetTitle(), "plain.mp3");
  EXPECT_EQ(Attributes(1).Background, TagColours::Version1);
}

TEST_F(Editing, LongFileNameAsTitleAsksFirst) {
  const std::string name = std::string(40, 'n') + ".mp3";
  Scan({AddFile(name, AudioBytes())});
  TScriptedBoxes boxes;
  boxes.Expect(Version1Question, TAnswer::No, TMsgKind::Confirm);
  DoubleClickCell(1, 0);
  Press(Qt::Key_Return);
  EXPECT_EQ(Tag(1).GetTitle(), name.substr(0, 30));
  EXPECT_EQ(CellText(1, 0), QString::fromStdString(name.substr(0, 30)));
}

TEST_F(Editing, ReadOnlyRowRefusesEveryCell) {
  const std::string path = AddFile("locked.mp3", Id3v2File({{"TIT2", "Locked"}, {"COMM", "c"}}));
  ::chmod(path.c_str(), 0444);
  Scan({path});
  for (int column = 0; column < 5; ++column) {
    SCOPED_TRACE(column);
    TScriptedBoxes boxes;
    boxes.Expect(ReadOnlyMessage, TAnswer::OK, TMsgKind::Error);
    DoubleClickCell(1, column);
    EXPECT_FALSE(Table.IsEditing());
    EXPECT_FALSE(CommentForm.isVisible());
  }
  EXPECT_FALSE(Store.Changed);
  EXPECT_FALSE(Tag(1).Modified());
}

TEST_F(Editing, UntouchedCellsOfARowWithoutValidTitleKeepTheTag) {
  Scan({AddFile("untitled.mp3",
                Id3v2File({{"TPE1", "Kept artist"}, {"TYER", "1980"}, {"COMM", "Kept note"}}))});
  TScriptedBoxes boxes;
  ASSERT_EQ(CellText(1, 1), "");
  for (int column : {1, 2, 3}) {
    DoubleClickCell(1, column);
    ASSERT_NE(Editor(), nullptr);
    Press(Qt::Key_Return);
  }
  const auto okUnchanged = WhenCommentFormShows([&] { CommentForm.OKBtn->click(); });
  DoubleClickCell(1, 4);
  EXPECT_TRUE(okUnchanged());
  EXPECT_FALSE(Store.Changed);
  EXPECT_FALSE(Tag(1).Modified());
  EXPECT_EQ(Tag(1).GetArtist(), "Kept artist");
  EXPECT_EQ(Tag(1).GetYear(), "1980");
  EXPECT_EQ(Tag(1).GetComment(), "Kept note");

  // Typed text is still taken, and the Title cell keeps its rule.
  EditCell(1, 2, "Typed album");
  EXPECT_EQ(Tag(1).GetAlbum(), "Typed album");
  DoubleClickCell(1, 0);
  Press(Qt::Key_Return);
  EXPECT_EQ(Tag(1).GetTitle(), "untitled.mp3");
  EXPECT_EQ(Tag(1).GetArtist(), "Kept artist");
  EXPECT_EQ(Attributes(1).Background, TagColours::Version2);
}

class CommentDialog : public TTableFixture {
 protected:
  void OpenWith(const std::string& comment) {
    Scan({AddFile("v2.mp3", Id3v2File({{"TIT2", "Song"}, {"COMM", comment}}))});
  }
};

TEST_F(CommentDialog, OkWithoutTypingChangesNothing) {
  const std::string comments[] = {"abc\rdef", "a LF\nalone", std::string(200, 'w')};
  for (const std::string& comment : comments) {
    SCOPED_TRACE(comment);
    OpenWith(comment);
    CommentForm.resize(262, 155);  // narrow: long lines wrap on screen
    TScriptedBoxes boxes;
    const auto ran = WhenCommentFormShows([&] { CommentForm.OKBtn->click(); });
    DoubleClickCell(1, 4);
    EXPECT_TRUE(ran());
    EXPECT_FALSE(Table.IsEditing());
    EXPECT_FALSE(Store.Changed);
    EXPECT_FALSE(Tag(1).Modified());
    EXPECT_EQ(Tag(1).GetComment(), comment);
  }
}

TEST_F(CommentDialog, MultiLineCommentOpensAsLinesAndComesBackWithCr) {
  OpenWith("abc\r\ndef");
  TScriptedBoxes boxes;
  QString shown;
  const auto ran = WhenCommentFormShows([&] {
    shown = CommentForm.Memo1->toPlainText();
    CommentForm.OKBtn->click();
  });
  DoubleClickCell(1, 4);
  EXPECT_TRUE(ran());
  EXPECT_EQ(shown, "abc\ndef");
  // The CR LF pair became CR: a change the tag takes.
  EXPECT_EQ(Tag(1).GetComment(), "abc\rdef");
  EXPECT_TRUE(Store.Changed);
}

TEST_F(CommentDialog, OkWithTypedTextSetsTheCommentAndRepaintsTheRow) {
  OpenWith("first");
  TScriptedBoxes boxes;
  const auto ran = WhenCommentFormShows([&] {
    CommentForm.Memo1->moveCursor(QTextCursor::End);
    QTest::keyClick(CommentForm.Memo1, Qt::Key_Return);
    QTest::keyClicks(CommentForm.Memo1, "second");
    QTest::mouseClick(CommentForm.OKBtn, Qt::LeftButton);
  });
  ClickCell(1, 4);
  Type("x");  // typing a character on the comment cell opens the dialog too
  EXPECT_TRUE(ran());
  EXPECT_FALSE(Table.IsEditing());
  EXPECT_EQ(Tag(1).GetComment(), "first\rsecond");
  EXPECT_EQ(Store.Rows[1].Comment.Str(), "first\rsecond");
  EXPECT_TRUE(Store.Changed);
  EXPECT_EQ(CellText(1, 4), "first\rsecond");
}

TEST_F(CommentDialog, CancelLeavesRowAndTag) {
  OpenWith("keep");
  TScriptedBoxes boxes;
  const auto ran = WhenCommentFormShows([&] {
    CommentForm.Memo1->selectAll();
    QTest::keyClicks(CommentForm.Memo1, "typed");
    QTest::keyClick(CommentForm.Memo1, Qt::Key_Escape);
  });
  DoubleClickCell(1, 4);
  EXPECT_TRUE(ran());
  EXPECT_EQ(Tag(1).GetComment(), "keep");
  EXPECT_EQ(Store.Rows[1].Comment.Str(), "keep");
  EXPECT_FALSE(Store.Changed);
}

TEST_F(CommentDialog, Version1CommentIsEditedInPlace) {
  Scan({AddFile("v1.mp3", Id3v1File("Song", "", "", "", "note"))});
  TScriptedBoxes boxes;
  boxes.Expect(Version1Question, TAnswer::No, TMsgKind::Confirm);
  DoubleClickCell(1, 4);
  ASSERT_NE(Editor(), nullptr);
  EXPECT_FALSE(CommentForm.isVisible());
  Editor()->selectAll();
  Type(QString(35, 'c'));
  Press(Qt::Key_Return);
  EXPECT_EQ(Tag(1).GetComment(), std::string(30, 'c'));
}
