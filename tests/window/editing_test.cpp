#include <sys/stat.h>

#include <QApplication>
#include <QInputMethodEvent>
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
const QString ForeignQuestion =
    "The tag is currently a version 1 tag.\rVersion 1 tag strings cannot hold some of these "
    "characters =>\rDo you want to convert the tag to version 2";
const QString LongAndForeignQuestion =
    "The tag is currently a version 1 tag.\rVersion 1 tag strings have a maximum length of 30 "
    "and cannot hold some of these characters =>\rDo you want to convert the tag to version 2";
const QString Prompt = "This will destroy your changes\rDo you want to save first";
const QString ChangesSaved = "Changes saved";
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
  AddFile("a.mp3", Id3v1File("Title", "Old artist"));
  Scan();
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
  AddFile("a.mp3", Id3v1File("Title", std::string(30, 'x')));
  Scan();
  TScriptedBoxes boxes;
  boxes.Expect(Version1Question, TAnswer::No, TMsgKind::Confirm);
  EditCell(1, 1, QString(31, 'x'));
  EXPECT_FALSE(Store.Changed);
  EXPECT_FALSE(Tag(1).Modified());
}

TEST_F(Editing, ThirtyOneCharactersForVersion1AnsweredYesOrClosedConvert) {
  // Closing the box from its title bar answers Cancel, which is not No.
  for (const TAnswer answer : {TAnswer::Yes, TAnswer::Cancel}) {
    AddFile("a.mp3", Id3v1File("Title", "Old artist"));
    {
      TScriptedBoxes boxes;
      if (Store.Changed) boxes.Expect(Prompt, TAnswer::No, TMsgKind::Confirm);
      Scan();
    }
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

// A version 1.1 block keeps a track number behind a comment of 28 characters: a longer comment
// asks the version 1 question and, answered No, is cut to 28, the track kept.
TEST_F(Editing, CommentBesideATrackHoldsTwentyEightCharacters) {
  std::string bytes = Id3v1File("Title", "", "", "", "Old");
  bytes[bytes.size() - 2] = 9;  // track 9 behind the zero byte that ends the comment
  AddFile("a.mp3", bytes);
  Scan();
  TScriptedBoxes boxes;
  boxes.Expect(
      "The tag is currently a version 1 tag.\rVersion 1 tag strings have a maximum length of 28 "
      "=>\rDo you want to convert the tag to version 2",
      TAnswer::No, TMsgKind::Confirm);
  EditCell(1, 4, QString(29, 'c'));
  EXPECT_EQ(Tag(1).GetComment(), std::string(28, 'c'));
  EXPECT_EQ(Tag(1).Get(TField::Track), "9");
  EXPECT_EQ(CellText(1, 4), QString(28, 'c'));
}

TEST_F(Editing, ExactlyThirtyCharactersAskNothing) {
  AddFile("a.mp3", Id3v1File("Title"));
  Scan();
  TScriptedBoxes boxes;
  EditCell(1, 2, QString(30, 'z'));
  EXPECT_EQ(Tag(1).GetAlbum(), std::string(30, 'z'));
  EXPECT_FALSE(Tag(1).IsVersion2());
}

TEST_F(Editing, LongTitleOnVersion2AsksNothing) {
  AddFile("a.mp3", Id3v2File({{"TIT2", "Short"}}));
  Scan();
  TScriptedBoxes boxes;
  EditCell(1, 0, QString(200, 't'));
  EXPECT_EQ(Tag(1).GetTitle(), std::string(200, 't'));
  EXPECT_EQ(CellText(1, 0), QString(200, 't'));
  EXPECT_TRUE(Store.Changed);
}

// No text read from a file is ever cut: an edit of a title or comment longer than a typed text
// may be keeps every character the person did not delete, and a text the listing could not keep
// whole is not edited at all.
TEST_F(Editing, LongTextsKeepWhatWasNotDeletedAndCutOnesAreRefused) {
  const std::string long300(300, 'x');
  AddFile("a.mp3", Id3v2File({{"TIT2", long300}, {"COMM", long300}}));
  AddFile("b.mp3", Id3v2File({{"TIT2", std::string(70000, 'y')}}));
  Scan();
  const int a = RowOf(Dir / "a.mp3");
  TScriptedBoxes boxes;
  ClickCell(a, 0);
  Press(Qt::Key_F2);
  Press(Qt::Key_Backspace);
  Press(Qt::Key_Return);
  EXPECT_EQ(Tag(a).GetTitle(), std::string(299, 'x'));
  const auto ran = WhenCommentFormShows([&] {
    CommentForm.Memo1->moveCursor(QTextCursor::End);
    QTest::keyClick(CommentForm.Memo1, Qt::Key_Backspace);
    QTest::mouseClick(CommentForm.OKBtn, Qt::LeftButton);
  });
  DoubleClickCell(a, 4);
  EXPECT_TRUE(ran());
  EXPECT_EQ(Tag(a).GetComment(), std::string(299, 'x'));

  const int b = RowOf(Dir / "b.mp3");
  boxes.Expect("Tag cannot be changed :\rthis text is too long to be shown whole", TAnswer::OK,
               TMsgKind::Error);
  DoubleClickCell(b, 0);
  EXPECT_EQ(Editor(), nullptr);
  EXPECT_FALSE(Tag(b).Modified());
}

TEST_F(Editing, LetterCaseCountsAndUnchangedTextDoesNot) {
  AddFile("a.mp3", Id3v1File("Title", "Artist"));
  Scan();
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
  AddFile("a.mp3", Id3v1File("Title", "Artist", "Album", "2001"));
  Scan();
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
  AddFile("a.mp3", Id3v1File("Title", "Artist"));
  Scan();
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

// A file name shown as the title is only what the row shows: leaving the cell as it was gives
// the tag nothing, however long the name or whatever its characters.
TEST_F(Editing, UntouchedFileNameTitleGivesTheTagNothing) {
  const std::string names[] = {"plain.mp3", std::string(40, 'n') + ".mp3",
                               "\xd0\x9f\xd0\xb5\xd1\x81\xd0\xbd\xd1\x8f.mp3", "stray-\xff.mp3"};
  for (const std::string& name : names) AddFile(name, AudioBytes());
  Scan();
  TScriptedBoxes boxes;  // no version 1 question either
  for (const std::string& name : names) {
    SCOPED_TRACE(name);
    const int row = RowOf(Dir / name);
    EXPECT_EQ(Attributes(row).Background, TagColours::Invalid);
    DoubleClickCell(row, 0);
    ASSERT_NE(Editor(), nullptr);
    Press(Qt::Key_Return);
    EXPECT_FALSE(Tag(row).Modified());
    EXPECT_FALSE(Tag(row).HasTag());
    EXPECT_EQ(Attributes(row).Background, TagColours::Invalid);
  }
  EXPECT_FALSE(Store.Changed);
}

TEST_F(Editing, TitleTypedIntoARowWithoutTagMakesItAVersion1Tag) {
  AddFile("plain.mp3", AudioBytes());
  Scan();
  TScriptedBoxes boxes;
  EditCell(1, 0, "Typed");
  EXPECT_TRUE(Store.Changed);
  EXPECT_EQ(Tag(1).GetTitle(), "Typed");
  EXPECT_EQ(CellText(1, 0), "Typed");
  EXPECT_EQ(Attributes(1).Background, TagColours::Version1);
}

TEST_F(Editing, ReadOnlyRowRefusesEveryCell) {
  const std::string path = AddFile("locked.mp3", Id3v2File({{"TIT2", "Locked"}, {"COMM", "c"}}));
  ::chmod(path.c_str(), 0444);
  Scan();
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
  AddFile("untitled.mp3",
          Id3v2File({{"TPE1", "Kept artist"}, {"TYER", "1980"}, {"COMM", "Kept note"}}));
  Scan();
  TScriptedBoxes boxes;
  ASSERT_EQ(CellText(1, 1), "");
  for (int column : {0, 1, 2, 3}) {
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

  // Typed text is still taken.
  EditCell(1, 2, "Typed album");
  EXPECT_EQ(Tag(1).GetAlbum(), "Typed album");
  EXPECT_EQ(Tag(1).GetArtist(), "Kept artist");
  EXPECT_EQ(Attributes(1).Background, TagColours::Invalid);
}

// A person types a title into a red row whose tag holds an artist, then opens and leaves the
// Artist cell, and saves: the row shows the artist as soon as the title makes it valid, and the
// artist is still in the file.
TEST_F(Editing, HiddenFieldsShowOnceTheTitleIsSetAndAreNeverEmptied) {
  const struct {
    const char* Name;
    std::string Bytes;
    QColor Colour;
  } cases[] = {
      {"v1.mp3", Id3v1File("", "Keep Me", "Kept album", "1980", "Kept note"), TagColours::Version1},
      {"v2.mp3",
       Id3v2File(
           {{"TPE1", "Keep Me"}, {"TALB", "Kept album"}, {"TYER", "1980"}, {"COMM", "Kept note"}}),
       TagColours::Version2},
  };
  for (const auto& c : cases) AddFile(c.Name, c.Bytes);
  Scan();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    const std::string path = Dir / c.Name;
    const int row = RowOf(path);
    ASSERT_EQ(CellText(row, 1), "");
    {
      TScriptedBoxes boxes;
      EditCell(row, 0, "New title");
    }
    EXPECT_EQ(Attributes(row).Background, c.Colour);
    EXPECT_EQ(CellText(row, 0), "New title");
    EXPECT_EQ(CellText(row, 1), "Keep Me");
    EXPECT_EQ(CellText(row, 2), "Kept album");
    EXPECT_EQ(CellText(row, 3), "1980");
    EXPECT_EQ(CellText(row, 4), "Kept note");
    ClickCell(row, 1);
    Press(Qt::Key_F2);
    ASSERT_NE(Editor(), nullptr);
    Press(Qt::Key_Return);
    TScriptedBoxes boxes;
    boxes.Expect(ChangesSaved, TAnswer::OK, TMsgKind::Information);
    TagTable.SaveBtnClick();
    const auto back = ReadBack(path);
    EXPECT_EQ(back->GetTitle(), "New title");
    EXPECT_EQ(back->GetArtist(), "Keep Me");
    EXPECT_EQ(back->GetAlbum(), "Kept album");
    EXPECT_EQ(back->GetComment(), "Kept note");
  }
}

// A version 1 tag converted to version 2 shows the tag again: the row shows what it holds.
TEST_F(Editing, ConversionToVersion2FillsTheRowAgain) {
  AddFile("a.mp3", Id3v1File("Title", "Artist", "Album", "1999", "Note"));
  Scan();
  TScriptedBoxes boxes;
  boxes.Expect(Version1Question, TAnswer::Yes, TMsgKind::Confirm);
  EditCell(1, 2, QString(40, 'L'));
  EXPECT_TRUE(Tag(1).IsVersion2());
  EXPECT_EQ(CellText(1, 0), "Title");
  EXPECT_EQ(CellText(1, 2), QString(40, 'L'));
  EXPECT_EQ(CellText(1, 3), "1999");
  EXPECT_EQ(CellText(1, 4), "Note");
}

TEST_F(Editing, UnicodeTitleIsShownEditedAndReachesTheTagAsUtf8) {
  AddFile("v2.mp3", Id3v2File({{"TIT2", "Caf\xE9 \x80"}}));
  Scan();
  EXPECT_EQ(CellText(1, 0), QString::fromUtf8("Caf\u00e9 \u20ac"));
  const QString typed =
      QString::fromUtf8("\u041f\u0440\u0438\u0432\u0435\u0442 \u03b1 \u65e5\u672c \U0001F3B5");
  TScriptedBoxes boxes;  // a version 2 tag asks nothing
  EditCell(1, 0, typed);
  EXPECT_EQ(CellText(1, 0), typed);
  EXPECT_EQ(Tag(1).GetTitle(), typed.toStdString());
  EXPECT_TRUE(Store.Changed);

  // Opened again and left as it was: no change reaches the tag.
  Store.Changed = false;
  DoubleClickCell(1, 0);
  ASSERT_NE(Editor(), nullptr);
  EXPECT_EQ(Editor()->text(), typed);
  Press(Qt::Key_Return);
  EXPECT_FALSE(Store.Changed);
}

// "ab?!" or "99x" typed as a year was saved, and readers then found no year in the file.
TEST_F(Editing, TheYearTakesDigitsAndKeepsAYearTheFileHoldsUntilItIsEdited) {
  const struct {
    const char* Name;
    const char* Held;  // the file's year
    bool OverIt;       // typed over the cell's text, else at its end after the backspaces
    int Backspaces;
    QString Typed;
    const char* Kept;
  } cases[] = {
      {"digits", "1999", true, 0, "2001", "2001"},
      {"letters and signs refused", "1999", true, 0, "ab?!", "1999"},
      {"a letter after digits refused", "1999", true, 0, "99x", "99"},
      // A full-width digit asked the version 1 question and was written as "?".
      {"full-width digits refused", "1999", true, 0, "\uff12\uff10\uff12\uff10", "1999"},
      {"a year held left as it is", "ab?!", false, 0, "", "ab?!"},
      {"a year held partly deleted", "ab?!", false, 1, "", "ab?"},
      {"a letter typed into a year held", "ab?!", false, 1, "x", "ab?"},
      {"digits typed over a year held", "ab?!", true, 0, "1984", "1984"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    AddFile("a.mp3", Id3v2File({{"TIT2", "Song"}, {"TYER", c.Held}}));
    Store.Changed = false;  // the last case's edit is dropped, not asked about
    Scan();
    TScriptedBoxes boxes;
    DoubleClickCell(1, 3);
    ASSERT_NE(Editor(), nullptr);
    if (c.OverIt) Editor()->selectAll();
    for (int i = 0; i < c.Backspaces; ++i) Press(Qt::Key_Backspace);
    Type(c.Typed);
    Press(Qt::Key_Return);
    EXPECT_EQ(CellText(1, 3), c.Kept);
    EXPECT_EQ(Tag(1).GetYear(), c.Kept);
    EXPECT_EQ(Store.Changed, std::string(c.Kept) != c.Held);
  }
}

struct TForeignCase {
  const char* Name;
  int Column;
  const char* Typed;  // UTF-8
  QString Question;   // empty: none
  TAnswer Answer;
  const char* Kept;  // what the cell and the tag hold
  bool Version2;
};

class ForeignCharacters : public Editing, public ::testing::WithParamInterface<TForeignCase> {};

// An ID3v1 block holds Windows-1252: a character it has no byte for asks the version 1
// question, alone or with the length, in one box.
TEST_P(ForeignCharacters, AskTheVersion1Question) {
  const TForeignCase& c = GetParam();
  AddFile("a.mp3", Id3v1File("Title", "Artist", "Album", "2001", "Note"));
  Scan();
  {
    TScriptedBoxes boxes;
    if (!c.Question.isEmpty()) boxes.Expect(c.Question, c.Answer, TMsgKind::Confirm);
    EditCell(1, c.Column, QString::fromUtf8(c.Typed));
  }
  const std::string kept = c.Kept;
  EXPECT_EQ(CellText(1, c.Column), QString::fromStdString(kept));
  const std::string values[] = {Tag(1).GetTitle(), Tag(1).GetArtist(), Tag(1).GetAlbum(),
                                Tag(1).GetYear(), Tag(1).GetComment()};
  EXPECT_EQ(values[c.Column], kept);
  EXPECT_EQ(Tag(1).IsVersion2(), c.Version2);
  EXPECT_TRUE(Store.Changed);
}

const TForeignCase ForeignCases[] = {
    {"CyrillicNoGivesQuestionMarks", 1, "\u041f\u0440\u0438\u0432\u0435\u0442", ForeignQuestion,
     TAnswer::No, "??????", false},
    {"CyrillicYesConverts", 1, "\u041f\u0440\u0438\u0432\u0435\u0442", ForeignQuestion,
     TAnswer::Yes, "\u041f\u0440\u0438\u0432\u0435\u0442", true},
    {"ClosingTheBoxConverts", 0, "\u65e5\u672c", ForeignQuestion, TAnswer::Cancel, "\u65e5\u672c",
     true},
    {"EmojiIsOneQuestionMark", 4, "a\U0001F600b", ForeignQuestion, TAnswer::No, "a?b", false},
    {"LongAndForeignAsksOnceAndCutsFirst", 2,
     "\u00c5ngstr\u00f6m \u65e5\u672c \u20ac 123456789012345678901234567890",
     LongAndForeignQuestion, TAnswer::No, "\u00c5ngstr\u00f6m ?? \u20ac 1234567890123456", false},
    {"Windows1252CharactersAskNothing", 1, "Caf\u00e9 \u20ac \u201cq\u201d \u0152", QString(),
     TAnswer::OK, "Caf\u00e9 \u20ac \u201cq\u201d \u0152", false},
};

INSTANTIATE_TEST_SUITE_P(Table, ForeignCharacters, ::testing::ValuesIn(ForeignCases),
                         [](const auto& info) { return std::string(info.param.Name); });

class CommentDialog : public TTableFixture {
 protected:
  void OpenWith(const std::string& comment) {
    AddFile("v2.mp3", Id3v2File({{"TIT2", "Song"}, {"COMM", comment}}));
    Scan();
  }
};

TEST_F(CommentDialog, OkWithoutTypingChangesNothing) {
  const std::string comments[] = {"abc\rdef", "a\nb\r\nc\rd", std::string(200, 'w')};
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

TEST_F(CommentDialog, CrLfOpensAsLinesAndStaysUnlessTheTextIsChanged) {
  OpenWith("abc\r\ndef");
  TScriptedBoxes boxes;
  QString shown;
  const auto untouched = WhenCommentFormShows([&] {
    shown = CommentForm.Memo1->toPlainText();
    CommentForm.OKBtn->click();
  });
  DoubleClickCell(1, 4);
  EXPECT_TRUE(untouched());
  EXPECT_EQ(shown, "abc\ndef");
  EXPECT_EQ(Tag(1).GetComment(), "abc\r\ndef");
  EXPECT_FALSE(Store.Changed);

  // Typed into, the comment comes back with a LF between its lines.
  const auto typed = WhenCommentFormShows([&] {
    CommentForm.Memo1->moveCursor(QTextCursor::End);
    QTest::keyClicks(CommentForm.Memo1, "!");
    CommentForm.OKBtn->click();
  });
  DoubleClickCell(1, 4);
  EXPECT_TRUE(typed());
  EXPECT_EQ(Tag(1).GetComment(), "abc\ndef!");
  EXPECT_TRUE(Store.Changed);
}

// A line added to "first\nsecond\nthird" was written after a CR. Whatever breaks the comment
// held, a changed comment reaches the file with a LF between each two lines.
TEST_F(CommentDialog, ALineAddedIsSavedWithLfBetweenEveryLine) {
  for (const std::string comment :
       {"first\nsecond\nthird", "first\rsecond\rthird", "first\r\nsecond\nthird"}) {
    SCOPED_TRACE(comment);
    OpenWith(comment);
    TScriptedBoxes boxes;
    const auto ran = WhenCommentFormShows([&] {
      Press(Qt::Key_Return);
      Type("fourth");
      CommentForm.OKBtn->click();
    });
    DoubleClickCell(1, 4);
    ASSERT_TRUE(ran());
    boxes.Expect(ChangesSaved, TAnswer::OK, TMsgKind::Information);
    TagTable.SaveBtnClick();
    EXPECT_EQ(ReadBack(Dir / "v2.mp3")->GetComment(), "first\nsecond\nthird\nfourth");
  }
}

TEST_F(CommentDialog, UnicodeCommentIsShownAndTyped) {
  OpenWith(
      "Gr\xFC\xDF"
      "e \x80");
  TScriptedBoxes boxes;
  QString shown;
  const QString typed = QString::fromUtf8("\u65e5\u672c\u8a9e \u0416 \U0001F3B5");
  const auto ran = WhenCommentFormShows([&] {
    shown = CommentForm.Memo1->toPlainText();
    CommentForm.Memo1->moveCursor(QTextCursor::End);
    QTest::keyClick(CommentForm.Memo1, Qt::Key_Return);
    QInputMethodEvent composed;
    composed.setCommitString(typed);
    QApplication::sendEvent(CommentForm.Memo1, &composed);
    CommentForm.OKBtn->click();
  });
  DoubleClickCell(1, 4);
  EXPECT_TRUE(ran());
  EXPECT_EQ(shown, QString::fromUtf8("Gr\u00fc\u00dfe \u20ac"));
  const QString comment = QString::fromUtf8("Gr\u00fc\u00dfe \u20ac\n") + typed;
  EXPECT_EQ(Tag(1).GetComment(), comment.toStdString());
  EXPECT_EQ(CellText(1, 4), comment);
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
  DoubleClickCell(1, 4);
  EXPECT_TRUE(ran());
  EXPECT_FALSE(Table.IsEditing());
  EXPECT_EQ(Tag(1).GetComment(), "first\nsecond");
  EXPECT_EQ(Store.Rows[1].Text(4).toString(), "first\nsecond");
  EXPECT_TRUE(Store.Changed);
  EXPECT_EQ(CellText(1, 4), "first\nsecond");
}

// The first key once opened the dialog and was lost, and the rest went in front of the old
// comment. The word typed replaces the comment, as in any other cell, also the letters that the
// window system gives the table's window until the dialog has the keyboard; a click on the table
// meanwhile does nothing.
TEST_F(CommentDialog, AWordTypedOnTheCellReplacesTheComment) {
  OpenWith("Old comment");
  TScriptedBoxes boxes;
  const auto ran = WhenCommentFormShows([&] {
    QTest::keyClick(Table.windowHandle(), 'i');
    QTest::keyClick(Table.windowHandle(), 'c');
    ClickCell(1, 1);
    Type("e");  // to whatever has the focus
    CommentForm.OKBtn->click();
  });
  ClickCell(1, 4);
  Type("N");
  EXPECT_TRUE(ran());
  EXPECT_EQ(Tag(1).GetComment(), "Nice");
  EXPECT_EQ(CellText(1, 4), "Nice");
  EXPECT_EQ(Table.ActiveColumn(), 4);
  EXPECT_TRUE(Store.Changed);
}

// Left with Tab, Space, the dialog kept the focus on OK: at the next opening typing went nowhere
// and Enter closed it.
TEST_F(CommentDialog, EveryOpeningGivesTheTextAreaTheKeysWithTheCaretAtTheEnd) {
  OpenWith("first");
  TScriptedBoxes boxes;
  const auto leftWithOk = WhenCommentFormShows([&] {
    Press(Qt::Key_Tab);
    Press(Qt::Key_Space);
  });
  DoubleClickCell(1, 4);
  ASSERT_TRUE(leftWithOk());
  ASSERT_FALSE(CommentForm.isVisible());
  const auto typed = WhenCommentFormShows([&] {
    Type("!");
    Press(Qt::Key_Return);
    Type("more");
    CommentForm.OKBtn->click();
  });
  DoubleClickCell(1, 4);
  EXPECT_TRUE(typed());
  EXPECT_EQ(Tag(1).GetComment(), "first!\nmore");
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
  EXPECT_EQ(Store.Rows[1].Text(4).toString(), "keep");
  EXPECT_FALSE(Store.Changed);
}

TEST_F(CommentDialog, Version1CommentIsEditedInPlace) {
  AddFile("v1.mp3", Id3v1File("Song", "", "", "", "note"));
  Scan();
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
