#include "scan/folderscan.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QApplication>
#include <QTest>
#include <algorithm>
#include <array>
#include <filesystem>
#include <functional>
#include <map>
#include <set>

#include "grid/grid.h"
#include "scanfixture.h"
#include "tests/common/tempdir.h"
#include "window/rowstore.h"

namespace {

class FolderScanTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Grid.SetColumns({"Title", "Artist", "Album", "Year", "Comment"}, {150, 150, 150, 36, 150},
                    {255, 255, 255, 4, 255});
  }

  TTempDir Dir;
  TRowStore Store;
  TGrid Grid;
  QString StatusText = "before";
  std::vector<QString> StatusLog;  // every text the status line was given
  std::function<void()> OnPump;
  int Pumps = 0;
  TFolderScan Scanner{Store, Grid,
                      [this](const QString& text) {
                        StatusText = text;
                        StatusLog.push_back(text);
                      },
                      [this] {
                        ++Pumps;
                        if (OnPump) OnPump();
                      }};

  std::string Put(const std::string& relative, const std::string& bytes = Audio()) {
    WriteFileBytes(Dir / relative, bytes);
    return Dir / relative;
  }

  // Full paths of the listed files, in row order.
  std::vector<std::string> Listed() const {
    std::vector<std::string> paths;
    for (int row = 1; row <= Store.RowCount; ++row) paths.push_back(Store.Tags[row]->FullPath());
    return paths;
  }
  std::set<std::string> ListedSet() const {
    const auto paths = Listed();
    return {paths.begin(), paths.end()};
  }
  const TTagRow& RowOf(const std::string& path) const {
    for (int row = 1; row <= Store.RowCount; ++row)
      if (Store.Tags[row]->FullPath() == path) return Store.Rows[row];
    throw std::runtime_error("not listed: " + path);
  }
};

// A scan that found nothing said nothing: the empty table looked like a scan not yet run.
TEST_F(FolderScanTest, FolderWithoutMp3FilesListsNothingAndSaysSo) {
  Put("notes.txt");
  Put("song.mp3x");
  Put("mp3");
  Store.Changed = true;
  Scanner.Scan(Dir.Path(), TScanScope::Folder);
  EXPECT_EQ(Store.RowCount, 0);
  EXPECT_FALSE(Store.Changed);
  EXPECT_EQ(Grid.RowLimit(), 2);
  EXPECT_EQ(StatusText, "0 files found");
}

TEST_F(FolderScanTest, RowsTakeTagFieldsOrTheFileName) {
  struct TCase {
    const char* Name;
    std::string Bytes;
    std::array<const char*, 5> Texts;  // UTF-8: Title, Artist, Album, Year, Comment
  };
  const TCase cases[] = {
      {"v1.mp3",
       Audio() + Id3v1Block("Title", "Artist", "Album", "1999", "Note"),
       {"Title", "Artist", "Album", "1999", "Note"}},
      // Windows-1252 bytes of an ID3v1 block and of an ID3v2.3 frame.
      {"cp1252.mp3",
       Audio() + Id3v1Block("Caf\xe9", "\x80uro", "", "", "\x93q\x94"),
       {"Caf\u00e9", "\u20acuro", "", "", "\u201cq\u201d"}},
      {"v2.mp3", Id3v2Tag("Second \x84", "Band") + Audio(), {"Second \u201e", "Band", "", "", ""}},
      {"none.mp3", Audio(), {"none.mp3", "", "", "", ""}},
      // A tag with an empty title counts as none, its other fields are not shown.
      {"untitled.mp3",
       Audio() + Id3v1Block("", "Artist", "Album", "2000", "c"),
       {"untitled.mp3", "", "", "", ""}},
      {"SONG.MP3", Audio() + Id3v1Block("Loud", "", "", "", ""), {"Loud", "", "", "", ""}},
      {"Mixed.Mp3", Audio(), {"Mixed.Mp3", "", "", "", ""}},
      {".hidden.mp3", Audio(), {".hidden.mp3", "", "", "", ""}},
      // A file name is decoded as UTF-8; a byte that is not shows as U+FFFD.
      {"caf\xc3\xa9 \xe6\x97\xa5\xf0\x9f\x8e\xb5.mp3",
       Audio(),
       {"caf\u00e9 \u65e5\U0001F3B5.mp3", "", "", "", ""}},
      {"caf\xe9-\xc3.mp3", Audio(), {"caf\ufffd-\ufffd.mp3", "", "", "", ""}},
  };
  for (const auto& c : cases) Put(c.Name, c.Bytes);
  Scanner.Scan(Dir.Path(), TScanScope::Folder);
  ASSERT_EQ(Store.RowCount, static_cast<int>(std::size(cases)));
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    const TTagRow& got = RowOf(Dir / c.Name);  // found by its exact bytes
    for (int column = 0; column < int(c.Texts.size()); ++column)
      EXPECT_EQ(got.Text(column).toString(), QString::fromUtf8(c.Texts[column])) << column;
    EXPECT_FALSE(got.ReadOnly());
  }
}

TEST_F(FolderScanTest, ReadOnlyFileIsFlagged) {
  const std::string locked = Put("locked.mp3");
  Put("open.mp3");
  ASSERT_EQ(::chmod(locked.c_str(), 0444), 0);
  Scanner.Scan(Dir.Path(), TScanScope::Folder);
  ASSERT_EQ(Store.RowCount, 2);
  EXPECT_TRUE(RowOf(locked).ReadOnly());
  EXPECT_FALSE(RowOf(Dir / "open.mp3").ReadOnly());
  // A text set in the row keeps its flag.
  const_cast<TTagRow&>(RowOf(locked)).SetText(1, QStringLiteral("x"));
  EXPECT_TRUE(RowOf(locked).ReadOnly());
}

TEST_F(FolderScanTest, UnreadableEntriesAreDroppedAndTheNextFileTakesTheRow) {
  Put("a.mp3");
  Put("c.mp3");
  // Held open with sharing denied by another program.
  const std::string held = Put("held.mp3", Audio() + Id3v1Block("Held", "", "", "", ""));
  const int fd = ::open(held.c_str(), O_RDONLY);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::flock(fd, LOCK_EX | LOCK_NB), 0);
  ASSERT_EQ(::mkfifo((Dir / "pipe.mp3").c_str(), 0644), 0);  // must not block the scan
  ASSERT_EQ(::symlink((Dir / "missing").c_str(), (Dir / "dangling.mp3").c_str()), 0);
  MakeFolder(Dir / "folder.mp3");

  Scanner.Scan(Dir.Path(), TScanScope::Folder);
  ::close(fd);
  EXPECT_EQ(ListedSet(), (std::set<std::string>{Dir / "a.mp3", Dir / "c.mp3"}));
  // Slots of dropped files were emptied, none beyond the listed rows holds an object.
  for (int row = Store.RowCount + 1; row < Store.Length(); ++row) EXPECT_FALSE(Store.Tags[row]);
}

// Each row shows its file's name (the files have no tag).
TEST_F(FolderScanTest, ArraysGrowByTwentyAndObjectsAreReused) {
  const std::pair<int, int> cases[] = {{49, 50}, {50, 70}, {70, 90}, {71, 90}};
  for (const auto& [files, length] : cases) {
    SCOPED_TRACE(files);
    TTempDir folder;
    for (int i = 0; i < files; ++i) WriteFileBytes(folder / (std::to_string(i) + ".mp3"), "audio");
    TRowStore store;
    TFolderScan scan(store, Grid, nullptr, [] {});
    scan.Scan(folder.Path(), TScanScope::Folder);
    ASSERT_EQ(store.RowCount, files);
    EXPECT_EQ(store.Length(), length);
    EXPECT_EQ(store.Rows.size(), store.Tags.size());
    std::vector<bool> seen(files);
    for (int row = 1; row <= files; ++row) {
      const std::string& path = store.Tags[row]->FullPath();
      const std::string name = path.substr(path.rfind('/') + 1);
      ASSERT_EQ(store.Rows[row].Text(0).toString(), QString::fromStdString(name)) << row;
      seen[std::stoi(name)] = true;
    }
    EXPECT_EQ(std::count(seen.begin(), seen.end(), true), files);

    // A rescan creates no new objects and moves no row; a shorter one leaves the later objects
    // in place.
    std::vector<const TMP3Tag*> before;
    for (const auto& tag : store.Tags) before.push_back(tag.get());
    const TTagRow* lastRow = &store.Rows[files];
    scan.Scan(folder.Path(), TScanScope::Folder);
    for (int row = 1; row <= files; ++row) ASSERT_EQ(store.Tags[row].get(), before[row]);
    EXPECT_EQ(&store.Rows[files], lastRow);
    ::unlink((folder / "0.mp3").c_str());
    scan.Scan(folder.Path(), TScanScope::Folder);
    EXPECT_EQ(store.RowCount, files - 1);
    EXPECT_NE(store.Tags[files], nullptr);
  }
}

TEST_F(FolderScanTest, SubfoldersDepthFirstAfterTheFolderOwnFiles) {
  Put("top.mp3");
  MakeFolder(Dir / "a");
  Put("a/a1.mp3");
  MakeFolder(Dir / "a/deep");
  Put("a/deep/d1.mp3");
  MakeFolder(Dir / "b");
  Put("b/b1.mp3");
  MakeFolder(Dir / ".hidden");
  Put(".hidden/secret.mp3");
  MakeFolder(Dir / "x.mp3");  // tried as a file and dropped, entered as a folder
  Put("x.mp3/inner.mp3");

  Scanner.Scan(Dir.Path(), TScanScope::FolderTree);
  // Depth first: a's own file, then its subfolder, before b; folders in name order.
  EXPECT_EQ(Listed(),
            (std::vector<std::string>{Dir / "top.mp3", Dir / "a/a1.mp3", Dir / "a/deep/d1.mp3",
                                      Dir / "b/b1.mp3", Dir / "x.mp3/inner.mp3"}));

  Scanner.Scan(Dir.Path(), TScanScope::Folder);
  EXPECT_EQ(Listed(), std::vector<std::string>{Dir / "top.mp3"});
}

// A ripped folder listed as Track05, Track01, Track04, Track11, ...: the order the file system
// gave. Files and subfolders are listed as file managers list them.
TEST_F(FolderScanTest, FilesAndSubfoldersAreListedInNaturalNameOrder) {
  for (const char* name : {"Track10.mp3", "track3.mp3", "Track2.mp3", "Track1.mp3", "Track11.mp3",
                           "Track01.MP3", "Bonus.mp3"})
    Put(name);
  for (const char* folder : {"Disc 10", "disc 2", "Disc 1"}) {
    MakeFolder(Dir / folder);
    Put(std::string(folder) + "/song.mp3");
  }
  Scanner.Scan(Dir.Path(), TScanScope::FolderTree);
  EXPECT_EQ(Listed(),
            (std::vector<std::string>{Dir / "Bonus.mp3", Dir / "Track1.mp3", Dir / "Track01.MP3",
                                      Dir / "Track2.mp3", Dir / "track3.mp3", Dir / "Track10.mp3",
                                      Dir / "Track11.mp3", Dir / "Disc 1/song.mp3",
                                      Dir / "disc 2/song.mp3", Dir / "Disc 10/song.mp3"}));
}

TEST_F(FolderScanTest, LinksToFoldersAreNeverFollowed) {
  MakeFolder(Dir / "music");
  Put("music/one.mp3");
  ASSERT_EQ(::symlink("..", (Dir / "music/loop").c_str()), 0);
  ASSERT_EQ(::symlink((Dir / "music").c_str(), (Dir / "alias").c_str()), 0);
  Scanner.Scan(Dir.Path(), TScanScope::FolderTree);
  EXPECT_EQ(Listed(), std::vector<std::string>{Dir / "music/one.mp3"});
}

TEST_F(FolderScanTest, TargetEndingInSeparatorGetsNoSecondOne) {
  Put("one.mp3");
  Scanner.Scan(Dir.Path() + "/", TScanScope::Folder);
  EXPECT_EQ(Listed(), std::vector<std::string>{Dir / "one.mp3"});
}

TEST_F(FolderScanTest, FoldersThatCannotBeReadArePassedOver) {
  Put("first.mp3");
  MakeFolder(Dir / "gone");
  Put("gone/lost.mp3");
  MakeFolder(Dir / "kept");
  Put("kept/kept.mp3");
  // The subfolder vanishes after its folder was listed, before the scan reaches it.
  OnPump = [&] { std::filesystem::remove_all(Dir / "gone"); };
  Scanner.Scan(Dir.Path(), TScanScope::FolderTree);
  EXPECT_EQ(ListedSet(), (std::set<std::string>{Dir / "first.mp3", Dir / "kept/kept.mp3"}));

  Scanner.Scan(Dir / "no-such-folder", TScanScope::FolderTree);
  EXPECT_EQ(Store.RowCount, 0);
}

TEST_F(FolderScanTest, EntireDriveStaysOnItsFileSystem) {
  Put("disk.mp3");
  MakeFolder(Dir / "other");
  if (::mount("tunemark-test", (Dir / "other").c_str(), "tmpfs", 0, nullptr) != 0)
    GTEST_SKIP() << "cannot mount a file system here";
  Put("other/elsewhere.mp3");
  Scanner.Scan(Dir.Path(), TScanScope::EntireDrive);
  const auto entire = ListedSet();
  Scanner.Scan(Dir.Path(), TScanScope::FolderTree);
  const auto tree = ListedSet();
  ::umount((Dir / "other").c_str());
  EXPECT_EQ(entire, std::set<std::string>{Dir / "disk.mp3"});
  EXPECT_EQ(tree, (std::set<std::string>{Dir / "disk.mp3", Dir / "other/elsewhere.mp3"}));
}

TEST_F(FolderScanTest, ResultShowsRowOneAndItsPath) {
  Put("only.mp3");
  Scanner.Scan(Dir.Path(), TScanScope::Folder);
  EXPECT_EQ(Grid.RowLimit(), 2);
  EXPECT_EQ(Grid.ActiveRow(), 1);
  EXPECT_EQ(StatusText, QString::fromStdString(Dir / "only.mp3"));

  // The cursor stayed in the column it was in before the scan.
  Grid.SetActiveCell(1, 3);
  Put("two.mp3");
  Put("three.mp3");
  Scanner.Scan(Dir.Path(), TScanScope::Folder);
  EXPECT_EQ(Grid.RowLimit(), 4);
  EXPECT_EQ(Grid.ActiveRow(), 1);
  EXPECT_EQ(Grid.ActiveColumn(), 0);
  EXPECT_EQ(StatusText, QString::fromStdString(Store.Tags[1]->FullPath()));

  Grid.SetActiveCell(1, 2);
  Scanner.Scan(Dir / "no-such-folder", TScanScope::Folder);
  EXPECT_EQ(Grid.ActiveColumn(), 0);
}

TEST_F(FolderScanTest, EventsRunAfterEveryFileAndStatusShowsProgress) {
  for (int i = 0; i < 5; ++i) Put(std::to_string(i) + ".mp3");
  std::vector<QString> seen;
  OnPump = [&] { seen.push_back(StatusText); };
  Scanner.Scan(Dir.Path(), TScanScope::Folder);
  EXPECT_GE(Pumps, 5);
  ASSERT_FALSE(seen.empty());
  EXPECT_TRUE(seen.front().contains(QString::fromStdString(Dir.Path())))
      << seen.front().toStdString();
  EXPECT_TRUE(seen.front().contains("files found")) << seen.front().toStdString();
}

TEST_F(FolderScanTest, CancelledBeforeScanChangesNothing) {
  Put("one.mp3");
  Scanner.Scan(Dir.Path(), TScanScope::Folder);
  Store.Changed = true;
  Scanner.BeforeScan = [] { return false; };
  Scanner.Scan(Dir / "no-such-folder", TScanScope::Folder);
  EXPECT_EQ(Store.RowCount, 1);
  EXPECT_TRUE(Store.Changed);
}

// Pressing Scan during a scan must not nest a second scan and then append the first one's
// remaining files after it.
TEST_F(FolderScanTest, ScanDuringScanRestartsWithOnlyTheNewFiles) {
  for (int i = 0; i < 10; ++i) Put("first-" + std::to_string(i) + ".mp3");
  TTempDir second;
  for (int i = 0; i < 3; ++i)
    WriteFileBytes(second / ("second-" + std::to_string(i) + ".mp3"), Audio());
  int depth = 0, deepest = 0;
  OnPump = [&] {
    ++depth;
    deepest = std::max(deepest, depth);
    if (Pumps == 2) Scanner.Scan(second.Path(), TScanScope::Folder);
    --depth;
  };
  Scanner.Scan(Dir.Path(), TScanScope::Folder);
  EXPECT_EQ(ListedSet(), (std::set<std::string>{second / "second-0.mp3", second / "second-1.mp3",
                                                second / "second-2.mp3"}));
  EXPECT_EQ(deepest, 1);
  EXPECT_FALSE(Scanner.Scanning());
  EXPECT_EQ(StatusText, QString::fromStdString(Store.Tags[1]->FullPath()));
}

TEST_F(FolderScanTest, ScanReplacedByOneFindingNothingLeavesNoProgressText) {
  for (int i = 0; i < 10; ++i) Put("first-" + std::to_string(i) + ".mp3");
  TTempDir empty;
  OnPump = [&] {
    if (Pumps == 2) Scanner.Scan(empty.Path(), TScanScope::Folder);
  };
  Scanner.Scan(Dir.Path(), TScanScope::Folder);
  EXPECT_EQ(Store.RowCount, 0);
  EXPECT_EQ(StatusText, "0 files found");
}

TEST_F(FolderScanTest, StopEndsTheScanAtTheNextFile) {
  for (int i = 0; i < 10; ++i) Put(std::to_string(i) + ".mp3");
  MakeFolder(Dir / "sub");
  Put("sub/later.mp3");
  OnPump = [&] {
    if (Store.RowCount == 3) Scanner.Stop();
  };
  Scanner.Scan(Dir.Path(), TScanScope::FolderTree);
  EXPECT_EQ(Store.RowCount, 3);
  EXPECT_FALSE(Scanner.Scanning());
  EXPECT_EQ(Grid.RowLimit(), 4);

  OnPump = nullptr;  // a later scan runs to its end
  Scanner.Scan(Dir.Path(), TScanScope::FolderTree);
  EXPECT_EQ(Store.RowCount, 11);
}

// A target that resolves to nothing (no mount holds the current folder) must not be read as
// "/" and walk every mount.
TEST_F(FolderScanTest, EmptyTargetEmptiesTheListAndScansNothing) {
  Put("one.mp3");
  for (const TScanScope scope :
       {TScanScope::Folder, TScanScope::FolderTree, TScanScope::EntireDrive}) {
    Scanner.Scan(Dir.Path(), TScanScope::Folder);
    ASSERT_EQ(Store.RowCount, 1);
    Store.Changed = true;
    StatusLog.clear();
    Scanner.Scan("", scope);
    EXPECT_EQ(Store.RowCount, 0);
    EXPECT_FALSE(Store.Changed);
    EXPECT_EQ(Grid.RowLimit(), 2);
    EXPECT_EQ(StatusLog, std::vector<QString>{"0 files found"}) << "a folder was read";
  }
}

// A list longer than one step of the table's growth reaches the table in steps with the
// window's events run between them, so the window never waits for the whole list; a scan pressed
// meanwhile replaces the list.
TEST_F(FolderScanTest, HundredThousandFilesReachTheTableInStepsWithEventsBetween) {
  constexpr int Files = 100'000;
  // Names linked to two files outside the folder: that many new files would keep the system
  // looking for free inodes for most of a minute. A file takes at most 65,000 names.
  TTempDir sources;
  WriteFileBytes(sources / "a", "");
  WriteFileBytes(sources / "b", "");
  for (int i = 0; i < Files; ++i) {
    const std::string name = std::to_string(i) + ".mp3";
    ASSERT_EQ(::link((sources / (i % 2 ? "a" : "b")).c_str(), (Dir / name).c_str()), 0) << name;
  }
  std::vector<int> limits;  // the table's row limit at each event run once every file is listed
  OnPump = [&] {
    if (Store.RowCount == Files) limits.push_back(Grid.RowLimit());
  };
  Scanner.Scan(Dir.Path(), TScanScope::Folder);
  ASSERT_EQ(Store.RowCount, Files);
  EXPECT_EQ(Grid.RowLimit(), Files + 1);
  EXPECT_EQ(Grid.ActiveRow(), 1);
  EXPECT_EQ(StatusText, QString::fromStdString(Store.Tags[1]->FullPath()));
  EXPECT_TRUE(std::any_of(limits.begin(), limits.end(),
                          [](int limit) { return limit > 2 && limit <= Files; }));
  // Every file, in the order of its number.
  for (int row = 1; row <= Files; ++row)
    ASSERT_EQ(Store.Rows[row].Text(0), QString::number(row - 1) + ".mp3") << row;

  TTempDir other;
  WriteFileBytes(other / "only.mp3", Audio());
  OnPump = [&] {
    if (Store.RowCount == Files && Grid.RowLimit() > 2)
      Scanner.Scan(other.Path(), TScanScope::Folder);
  };
  Scanner.Scan(Dir.Path(), TScanScope::Folder);
  EXPECT_EQ(Listed(), std::vector<std::string>{other / "only.mp3"});
  EXPECT_EQ(Grid.RowLimit(), 2);
}

TEST(ScanProgressText, CountsFilesInTheSingularAndPlural) {
  const std::pair<int, const char*> cases[] = {
      {0, "Scanning /music/ (0 files found)"},
      {1, "Scanning /music/ (1 file found)"},
      {2, "Scanning /music/ (2 files found)"},
      {21, "Scanning /music/ (21 files found)"},
  };
  for (const auto& [found, text] : cases) EXPECT_EQ(ScanProgressText("/music/", found), text);
}

// The table keeps its one row while the scan runs; the first file's row must still be painted
// as soon as it is read, not at the next repaint of the whole table.
TEST_F(FolderScanTest, FirstRowIsPaintedWhileTheScanRuns) {
  for (int i = 0; i < 3; ++i) Put(std::to_string(i) + ".mp3");
  Grid.resize(600, 200);
  Grid.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&Grid));
  QApplication::processEvents();  // the empty table's first paint is over

  bool paintedFilled = false;
  Grid.OnGetCellAttributes = [&](int row, int, TCellAttributes&) {
    if (row == 1 && Store.RowCount >= 1 && Scanner.Scanning()) paintedFilled = true;
  };
  OnPump = [] { QApplication::processEvents(); };
  Scanner.Scan(Dir.Path(), TScanScope::Folder);
  Grid.OnGetCellAttributes = nullptr;
  EXPECT_TRUE(paintedFilled);
}

}  // namespace
