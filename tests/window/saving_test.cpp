#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <QLineEdit>
#include <QLocale>
#include <filesystem>

#include "mp3files.h"
#include "tablefixture.h"
#include "tags/rewrite.h"
#include "tests/common/scriptedboxes.h"

namespace {

const QString NothingToChange = "Nothing to change";
const QString ChangesSaved = "Changes saved";
const QString FailurePrefix = "Could not save the tag of the file \r";
const QString Prompt = "This will destroy your changes\rDo you want to save first";
const QString ReadOnlyReason = "\rThe file is read-only.";

class Saving : public TTableFixture {
 protected:
  // Two version 1 files and one version 2 file, listed.
  void ScanThree() {
    A = AddFile("a.mp3", Id3v1File("A title", "A artist"));
    B = AddFile("b.mp3", Id3v1File("B title", "B artist"));
    C = AddFile("c.mp3", Id3v2File({{"TIT2", "C title"}}, 64 * 1024));
    Scan();
    RowA = RowOf(A), RowB = RowOf(B), RowC = RowOf(C);
  }
  void SetArtist(int row, const QString& text) {
    DoubleClickCell(row, 1);
    ASSERT_NE(Editor(), nullptr);
    Editor()->selectAll();
    Type(text);
    Press(Qt::Key_Return);
    ASSERT_TRUE(Store.Changed);
  }
  std::string Artist(const std::string& path) { return ReadBack(path)->GetArtist(); }

  std::string A, B, C;
  int RowA = 0, RowB = 0, RowC = 0;
};

// Sets a file's modification time an hour back, so that any write shows.
timespec Backdate(const std::string& path) {
  struct stat st {};
  ::stat(path.c_str(), &st);
  timespec times[2] = {{st.st_mtime - 3600, 0}, {st.st_mtime - 3600, 0}};
  ::utimensat(AT_FDCWD, path.c_str(), times, 0);
  ::stat(path.c_str(), &st);
  return st.st_mtim;
}

bool SameTime(const std::string& path, timespec t) {
  struct stat st {};
  ::stat(path.c_str(), &st);
  return st.st_mtim.tv_sec == t.tv_sec && st.st_mtim.tv_nsec == t.tv_nsec;
}

}  // namespace

TEST_F(Saving, SaveRightAfterAScanHasNothingToChange) {
  ScanThree();
  const std::string before = ReadFileBytes(A);
  TScriptedBoxes boxes;
  boxes.Expect(NothingToChange, TAnswer::OK, TMsgKind::Information);
  TagTable.SaveBtnClick();
  EXPECT_EQ(ReadFileBytes(A), before);
}

TEST_F(Saving, SaveFinishesTheEditInProgressAndWritesOnlyModifiedFiles) {
  ScanThree();
  const std::string bBytes = ReadFileBytes(B), cBytes = ReadFileBytes(C);
  const timespec bTime = Backdate(B), cTime = Backdate(C);
  TScriptedBoxes boxes;
  DoubleClickCell(RowA, 1);
  ASSERT_NE(Editor(), nullptr);
  Editor()->selectAll();
  Type("Still typing");
  ASSERT_TRUE(Table.IsEditing());
  boxes.Expect(ChangesSaved, TAnswer::OK, TMsgKind::Information);
  TagTable.SaveBtnClick();
  EXPECT_FALSE(Table.IsEditing());
  EXPECT_FALSE(Store.Changed);
  EXPECT_EQ(Artist(A), "Still typing");
  EXPECT_EQ(ReadFileBytes(B), bBytes);
  EXPECT_EQ(ReadFileBytes(C), cBytes);
  EXPECT_TRUE(SameTime(B, bTime));
  EXPECT_TRUE(SameTime(C, cTime));
}

TEST_F(Saving, ReadOnlyFileIsReportedOthersWrittenAndASecondSaveRetries) {
  ScanThree();
  SetArtist(RowA, "New A");
  SetArtist(RowB, "New B");
  const std::string aBytes = ReadFileBytes(A);
  ::chmod(A.c_str(), 0444);  // made read-only after the scan
  {
    TScriptedBoxes boxes;
    boxes.Expect(FailurePrefix + QString::fromStdString(A) + ReadOnlyReason, TAnswer::OK,
                 TMsgKind::Error);
    EXPECT_FALSE(TagTable.SaveAll());  // and no "Changes saved"
  }
  EXPECT_EQ(ReadFileBytes(A), aBytes);
  EXPECT_EQ(Artist(B), "New B");
  EXPECT_TRUE(Store.Changed);
  EXPECT_TRUE(Tag(RowA).Modified());

  ::chmod(A.c_str(), 0644);
  {
    TScriptedBoxes boxes;
    boxes.Expect(ChangesSaved, TAnswer::OK, TMsgKind::Information);
    TagTable.SaveBtnClick();
  }
  EXPECT_EQ(Artist(A), "New A");
  EXPECT_FALSE(Store.Changed);
}

TEST_F(Saving, FailureMessageIsCutTo255Characters) {
  const std::string folder = Dir / std::string(100, 'd');
  std::filesystem::create_directory(folder);
  const std::string path = folder + "/" + std::string(100, 'f') + ".mp3";
  WriteFileBytes(path, Id3v1File("Title"));
  Scan(folder);
  SetArtist(1, "Artist");
  ::chmod(path.c_str(), 0444);
  TScriptedBoxes boxes;
  boxes.Expect((FailurePrefix + QString::fromStdString(path)).left(255) + ReadOnlyReason,
               TAnswer::OK, TMsgKind::Error);
  TagTable.SaveAll();
}

// What lies under the name a rewrite would give its new file is not the save's: it stays, and
// the save takes another name.
TEST_F(Saving, Version2TemporaryNameTakenIsLeftAlone) {
  ScanThree();
  SetArtist(RowC, "New C");
  const std::string temp = Dir / TemporaryName("c.mp3");
  std::filesystem::create_directory(temp);
  {
    TScriptedBoxes boxes;
    boxes.Expect(ChangesSaved, TAnswer::OK, TMsgKind::Information);
    EXPECT_TRUE(TagTable.SaveAll());
  }
  EXPECT_EQ(Artist(C), "New C");
  EXPECT_TRUE(std::filesystem::is_directory(temp));
  EXPECT_FALSE(Store.Changed);
}

TEST_F(Saving, Version2SaveThatRunsOutOfRoomKeepsTheOriginal) {
  ScanThree();
  // Longer than the tag's padding: the file is rewritten.
  SetArtist(RowC, "New C, " + QString(100, QLatin1Char('c')));
  const std::string cBytes = ReadFileBytes(C);
  TScriptedBoxes boxes;
  boxes.ExpectPrefix(FailurePrefix, TAnswer::OK, TMsgKind::Error);

  // No file may grow beyond 16 KiB during the save; the copy of 64 KiB fails.
  rlimit old{};
  ::getrlimit(RLIMIT_FSIZE, &old);
  const auto oldHandler = ::signal(SIGXFSZ, SIG_IGN);
  rlimit limit = old;
  limit.rlim_cur = 16 * 1024;
  ::setrlimit(RLIMIT_FSIZE, &limit);
  const bool saved = TagTable.SaveAll();
  ::setrlimit(RLIMIT_FSIZE, &old);
  ::signal(SIGXFSZ, oldHandler);

  EXPECT_FALSE(saved);
  EXPECT_EQ(ReadFileBytes(C), cBytes);
  EXPECT_EQ(FolderEntries(Dir.Path()), (std::set<std::string>{"a.mp3", "b.mp3", "c.mp3"}));
  EXPECT_TRUE(Store.Changed);
}

struct TPromptCase {
  const char* Name;
  TAnswer Answer;
  bool GoesOn;
  bool Written;
};

class UnsavedPrompt : public Saving, public ::testing::WithParamInterface<TPromptCase> {};

// The question guards both a close and a scan; both go through the same prompt.
TEST_P(UnsavedPrompt, AnswersDecideWhetherTheActionGoesOn) {
  const TPromptCase& c = GetParam();
  ScanThree();
  SetArtist(RowA, "Edited");
  const std::string aBytes = ReadFileBytes(A);
  {
    TScriptedBoxes boxes;
    boxes.Expect(Prompt, c.Answer, TMsgKind::Confirm);
    if (c.Written) boxes.Expect(ChangesSaved, TAnswer::OK, TMsgKind::Information);
    EXPECT_EQ(TagTable.AskToSave(), c.GoesOn);
  }
  if (c.Written) {
    EXPECT_EQ(Artist(A), "Edited");
    EXPECT_FALSE(Store.Changed);
  } else {
    EXPECT_EQ(ReadFileBytes(A), aBytes);
  }
  if (!c.GoesOn) {
    // Cancel: the edits stay, and a later Save still writes them.
    EXPECT_TRUE(Store.Changed);
    TScriptedBoxes boxes;
    boxes.Expect(ChangesSaved, TAnswer::OK, TMsgKind::Information);
    TagTable.SaveBtnClick();
    EXPECT_EQ(Artist(A), "Edited");
  }
}

const TPromptCase PromptCases[] = {
    {"Yes", TAnswer::Yes, true, true},
    {"No", TAnswer::No, true, false},
    {"Cancel", TAnswer::Cancel, false, false},
};

INSTANTIATE_TEST_SUITE_P(Table, UnsavedPrompt, ::testing::ValuesIn(PromptCases),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST_F(Saving, NoQuestionWithoutUnsavedEdits) {
  ScanThree();
  TScriptedBoxes boxes;
  EXPECT_TRUE(TagTable.AskToSave());
}

TEST_F(Saving, PromptFinishesTheEditInProgressFirst) {
  ScanThree();
  DoubleClickCell(RowB, 1);
  ASSERT_NE(Editor(), nullptr);
  Type("x");
  TScriptedBoxes boxes;
  boxes.Expect(Prompt, TAnswer::Cancel, TMsgKind::Confirm);
  EXPECT_FALSE(TagTable.AskToSave());
  EXPECT_FALSE(Table.IsEditing());
  EXPECT_TRUE(Tag(RowB).Modified());
}

// Another user replaces a listed file by a link to a file of the person's own after the scan:
// neither is written, the message names the file and says why, and the edit stays unsaved.
TEST_F(Saving, FileReplacedByALinkSinceTheScanIsNotWritten) {
  ScanThree();
  SetArtist(RowA, "New A");
  SetArtist(RowC, "New C");
  TTempDir own;
  const std::string secret = own / "secret";
  WriteFileBytes(secret, "private");
  for (const std::string& path : {A, C}) {
    std::filesystem::remove(path);
    std::filesystem::create_symlink(secret, path);
  }
  {
    // Reported in one box, in the order of the rows, both kinds of tag alike.
    const QString changed = " : The file changed since it was read.";
    const QString a = "\r" + QString::fromStdString(A) + changed;
    const QString c = "\r" + QString::fromStdString(C) + changed;
    TScriptedBoxes boxes;
    boxes.Expect("Could not save the tags of 2 files:" + (RowA < RowC ? a + c : c + a), TAnswer::OK,
                 TMsgKind::Error);
    EXPECT_FALSE(TagTable.SaveAll());
  }
  EXPECT_EQ(ReadFileBytes(secret), "private");
  EXPECT_TRUE(std::filesystem::is_symlink(A));
  EXPECT_TRUE(std::filesystem::is_symlink(C));
  EXPECT_TRUE(Store.Changed);
}

TEST_F(Saving, YesWithAFailureAbandonsTheAction) {
  ScanThree();
  SetArtist(RowA, "New A");
  ::chmod(A.c_str(), 0444);
  TScriptedBoxes boxes;
  boxes.Expect(Prompt, TAnswer::Yes, TMsgKind::Confirm);
  boxes.Expect(FailurePrefix + QString::fromStdString(A) + ReadOnlyReason, TAnswer::OK,
               TMsgKind::Error);
  EXPECT_FALSE(TagTable.AskToSave());
  EXPECT_TRUE(Store.Changed);
  // Asked again, No lets the action go on without saving.
  boxes.Expect(Prompt, TAnswer::No, TMsgKind::Confirm);
  EXPECT_TRUE(TagTable.AskToSave());
}

TEST_F(Saving, LongSaveShowsProgressThenTheActiveRowsPath) {
  QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
  for (int i = 1; i <= 1001; ++i)
    AddFile(std::to_string(i) + ".mp3", Id3v1File("T" + std::to_string(i)));
  Scan();
  Table.SetActiveRow(2);
  // The progress counts the files to save, not the files listed.
  for (int row = 1; row <= 1001; ++row) Tag(row).SetArtist("Changed");
  const std::string changed = Tag(1000).FullPath();
  Store.Changed = true;
  StatusHistory.clear();
  {
    TScriptedBoxes boxes;
    boxes.Expect(ChangesSaved, TAnswer::OK, TMsgKind::Information);
    TagTable.SaveAll();
  }
  QLocale::setDefault(QLocale::system());
  EXPECT_TRUE(StatusHistory.contains("Saving 1,001 of 1,001"));
  ASSERT_FALSE(StatusHistory.isEmpty());
  EXPECT_EQ(StatusHistory.last(), QString::fromStdString(Tag(2).FullPath()));
  EXPECT_EQ(Artist(changed), "Changed");
}

// A file whose name is not UTF-8 shows it with replacement characters, and a title typed into its
// row is saved into that very file.
TEST_F(Saving, TitleTypedForANameThatIsNotUtf8ReachesThatFile) {
  const std::string path = AddFile("caf\xe9 \xff.mp3", AudioBytes());
  Scan();
  ASSERT_EQ(CellText(1, 0), QString::fromUtf8("caf\ufffd \ufffd.mp3"));
  DoubleClickCell(1, 0);
  ASSERT_NE(Editor(), nullptr);
  Editor()->selectAll();
  Type(QString::fromUtf8("Caf\u00e9"));
  Press(Qt::Key_Return);
  TScriptedBoxes boxes;
  boxes.Expect(ChangesSaved, TAnswer::OK, TMsgKind::Information);
  TagTable.SaveBtnClick();
  EXPECT_EQ(ReadBack(path)->GetTitle(), "Caf\u00e9");
}

// A save is undone byte for byte: in place, rewritten and ID3v1 files alike; a file another
// program changed since is left alone and named. The rows show the files again, unmodified.
TEST_F(Saving, UndoOfTheSavePutsBackEveryFilesBytes) {
  ScanThree();
  const std::string D = AddFile("d.mp3", Id3v2File({{"TIT2", "D title"}}));
  Scan();
  const int rowD = RowOf(D);
  RowA = RowOf(A), RowB = RowOf(B), RowC = RowOf(C);
  SetArtist(RowA, "New A");                        // a block, in place
  SetArtist(RowC, "New C, " + QString(100, 'c'));  // grown past its padding: rewritten
  SetArtist(RowB, "New B");
  SetArtist(rowD, "New D");
  std::vector<std::string> before;
  for (const std::string& path : {A, B, C}) before.push_back(ReadFileBytes(path));
  TScriptedBoxes boxes;
  boxes.Expect(ChangesSaved, TAnswer::OK, TMsgKind::Information);
  TagTable.SaveBtnClick();
  ASSERT_EQ(Artist(C), "New C, " + std::string(100, 'c'));
  const std::string elsewhere = Id3v2File({{"TIT2", "Changed elsewhere"}});
  WriteFileBytes(D, elsewhere);

  boxes.Expect("Undo the save of 4 files?", TAnswer::Yes, TMsgKind::Confirm);
  boxes.Expect(
      "This file changed since the save and was left as it is:\r" + QString::fromStdString(D),
      TAnswer::OK, TMsgKind::Information);
  Press(Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(ReadFileBytes(A), before[0]);
  EXPECT_EQ(ReadFileBytes(B), before[1]);
  EXPECT_EQ(ReadFileBytes(C), before[2]);
  EXPECT_EQ(ReadFileBytes(D), elsewhere);
  EXPECT_EQ(CellText(RowA, 1), "A artist");
  EXPECT_EQ(CellText(RowC, 1), "");
  EXPECT_EQ(CellText(rowD, 0), "Changed elsewhere");
  for (const int row : {RowA, RowB, RowC, rowD}) EXPECT_FALSE(Tag(row).Modified()) << row;
  EXPECT_FALSE(Store.Changed);
  Press(Qt::Key_Z, Qt::ControlModifier);  // a save is undone once
}

// An edit made after the save is what Ctrl+Z takes back first; then the save.
TEST_F(Saving, AnEditAfterTheSaveIsUndoneBeforeIt) {
  ScanThree();
  SetArtist(RowA, "New A");
  TScriptedBoxes boxes;
  boxes.Expect(ChangesSaved, TAnswer::OK, TMsgKind::Information);
  TagTable.SaveBtnClick();
  SetArtist(RowB, "New B");
  Press(Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(Tag(RowB).GetArtist(), "B artist");
  EXPECT_FALSE(Store.Changed);
  boxes.Expect("Undo the save of 1 file?", TAnswer::No, TMsgKind::Confirm);
  Press(Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(Artist(A), "New A");
}

// Files that could not be saved are listed in one box: the first 20 with their reasons, and
// how many more.
TEST_F(Saving, ManyFailuresAreListedInOneBox) {
  for (int i = 1; i <= 23; ++i) AddFile(std::to_string(i) + ".mp3", Id3v1File("T"));
  Scan();
  for (int row = 1; row <= 23; ++row) Tag(row).SetArtist("Changed");
  Store.Changed = true;
  for (int row = 1; row <= 23; ++row) ::chmod(Tag(row).FullPath().c_str(), 0444);
  TScriptedBoxes boxes;
  boxes.ExpectPrefix("Could not save the tags of 23 files:\r", TAnswer::OK, TMsgKind::Error);
  EXPECT_FALSE(TagTable.SaveAll());
  const QStringList lines = boxes.Shown().back().Text.split('\r');
  ASSERT_EQ(lines.size(), 22);
  EXPECT_EQ(lines[1], QString::fromStdString(Tag(1).FullPath()) + " : The file is read-only.");
  EXPECT_EQ(lines.last(), "and 3 more");
}
