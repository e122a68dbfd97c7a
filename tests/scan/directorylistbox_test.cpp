#include "scan/directorylistbox.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QTest>
#include <filesystem>

#include "grid/grid.h"
#include "scan/folderscan.h"
#include "scan/inouterror.h"
#include "scan/nativepath.h"
#include "scanfixture.h"
#include "tests/common/tempdir.h"
#include "window/rowstore.h"

namespace {

using TKind = TDirectoryListBox::TItemKind;

// A drive mounted on a temporary folder, with the list opened three levels deep in it.
class DirectoryListTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* folder : {"/a", "/a/b", "/a/b/c", "/a/b/c/Zeta", "/a/b/c/alpha", "/a/b/c/Beta",
                               "/a/b/c/.hidden", "/a/b/sibling"})
      MakeFolder(Root + folder);
    WriteFileBytes(Root + "/a/b/c/file.mp3", Audio());
    ASSERT_EQ(::mkfifo((Root + "/a/b/c/pipe").c_str(), 0644), 0);
    ASSERT_EQ(::symlink("/nonexistent", (Root + "/a/b/c/dangling").c_str()), 0);
    ASSERT_EQ(::chdir((Root + "/a/b/c").c_str()), 0);
  }

  std::unique_ptr<TDirectoryListBox> MakeList(const std::string& fsType = "ext4") {
    return std::make_unique<TDirectoryListBox>(
        nullptr,
        std::make_shared<TFakeMounts>(std::vector<TMount>{Disk("/"), Disk(Root, "", fsType)}));
  }

  std::vector<std::string> Paths(const TDirectoryListBox& list) const {
    std::vector<std::string> paths;
    for (int row = 0; row < list.count(); ++row) paths.push_back(list.FullPath(row));
    return paths;
  }

  TTempDir Dir;
  TCurrentFolderGuard Guard;
  const std::string Root = std::filesystem::canonical(Dir.Path());
};

TEST_F(DirectoryListTest, ItemsForAFolderThreeLevelsDeep) {
  auto list = MakeList();
  EXPECT_EQ(list->Directory(), Root + "/a/b/c");
  EXPECT_EQ(list->Drive(), Root);
  const std::string c = Root + "/a/b/c";
  EXPECT_EQ(Paths(*list), (std::vector<std::string>{Root, Root + "/a", Root + "/a/b", c,
                                                    c + "/alpha", c + "/Beta", c + "/Zeta"}));
  const struct {
    QString Text;
    TKind Kind;
    int Indent;
  } expected[] = {{QString::fromStdString(Root), TKind::PathFolder, 2},
                  {"a", TKind::PathFolder, 6},
                  {"b", TKind::PathFolder, 10},
                  {"c", TKind::OpenedFolder, 14},
                  {"alpha", TKind::Subfolder, 18},
                  {"Beta", TKind::Subfolder, 18},
                  {"Zeta", TKind::Subfolder, 18}};
  for (int row = 0; row < list->count(); ++row) {
    EXPECT_EQ(list->item(row)->text(), expected[row].Text) << row;
    EXPECT_EQ(list->ItemKind(row), expected[row].Kind) << row;
    EXPECT_EQ(list->Indent(row), expected[row].Indent) << row;
  }
  EXPECT_EQ(list->HighlightedPath(), c);
  EXPECT_TRUE(list->CaseSensitive());
  EXPECT_TRUE(list->CasePreserving());
}

TEST_F(DirectoryListTest, RootOpenedShowsOnlyTheRootAndItsSubfolders) {
  ASSERT_EQ(::chdir(Root.c_str()), 0);
  auto list = MakeList();
  ASSERT_EQ(list->count(), 2);
  EXPECT_EQ(list->ItemKind(0), TKind::OpenedFolder);
  EXPECT_EQ(list->Indent(0), 2);
  EXPECT_EQ(list->FullPath(1), Root + "/a");
  EXPECT_EQ(list->Indent(1), 10);
}

TEST_F(DirectoryListTest, SingleClickMovesOnlyTheHighlightAndScanTakesIt) {
  WriteFileBytes(Root + "/a/b/sibling/found.mp3", Audio());
  auto list = MakeList();
  list->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(list.get()));
  // Double-click "a" on the path: it opens, and the list shows root, a and a's subfolders.
  QTest::mouseDClick(list->viewport(), Qt::LeftButton, {},
                     list->visualItemRect(list->item(1)).center());
  EXPECT_EQ(list->Directory(), Root + "/a");
  EXPECT_EQ(CurrentFolder(), Root + "/a");
  EXPECT_EQ(Paths(*list), (std::vector<std::string>{Root, Root + "/a", Root + "/a/b"}));

  // Enter opens the highlighted subfolder b.
  list->setCurrentRow(2);
  QTest::keyClick(list.get(), Qt::Key_Return);
  ASSERT_EQ(list->Directory(), Root + "/a/b");

  // One click on the subfolder "sibling" highlights it without opening it.
  const int sibling = 4;
  ASSERT_EQ(list->FullPath(sibling), Root + "/a/b/sibling");
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                    list->visualItemRect(list->item(sibling)).center());
  EXPECT_EQ(list->HighlightedPath(), Root + "/a/b/sibling");
  EXPECT_EQ(list->Directory(), Root + "/a/b");
  EXPECT_EQ(CurrentFolder(), Root + "/a/b");

  // Scan takes the highlighted folder.
  TRowStore store;
  TGrid grid;
  grid.SetColumns({"Title"}, {150}, {255});
  TFolderScan scan(store, grid, nullptr, [] {});
  scan.Scan(list->HighlightedPath(), TScanScope::Folder);
  ASSERT_EQ(store.RowCount, 1);
  EXPECT_EQ(store.Tags[1]->FullPath(), Root + "/a/b/sibling/found.mp3");
}

TEST_F(DirectoryListTest, EmptyOrSamePathChangesNothing) {
  auto list = MakeList();
  list->setCurrentRow(0);
  // The same folder, however it is spelled.
  for (const std::string& same :
       {std::string(), Root + "/a/b/c", Root + "/a/b/c/", std::string("."), Root + "/a/b/../b/c"})
    list->SetDirectory(same);
  EXPECT_EQ(list->currentRow(), 0);  // not refilled: the highlight stayed
}

TEST_F(DirectoryListTest, FolderThatCannotBeEnteredRaisesAndTheListStays) {
  auto list = MakeList();
  const struct {
    std::string Path;
    int Error;
  } cases[] = {{Root + "/missing", ENOENT}, {Root + "/a/b/c/file.mp3", ENOTDIR}};
  for (const auto& c : cases) {
    try {
      list->SetDirectory(c.Path);
      ADD_FAILURE() << "no error for " << c.Path;
    } catch (const TInOutError& error) {
      EXPECT_EQ(error.ErrorNumber(), c.Error);
      EXPECT_STREQ(error.what(), std::strerror(c.Error));
    }
    EXPECT_EQ(list->Directory(), Root + "/a/b/c");
    EXPECT_EQ(list->count(), 7);
    EXPECT_EQ(CurrentFolder(), Root + "/a/b/c");
  }
}

// A remembered folder on a disk that is not mounted: the list starts as near to it as it can
// and the error names the folder.
TEST_F(DirectoryListTest, FolderThatCannotBeEnteredOpensTheNearestFolderAbove) {
  const struct {
    std::string Path;
    std::string Opened;
    int Error;
  } cases[] = {
      {Root + "/a/b/sibling/usb/Music/", Root + "/a/b/sibling", ENOENT},
      {Root + "/a/b/c/file.mp3/x", Root + "/a/b/c", ENOTDIR},
      {Root + "/gone", Root, ENOENT},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Path);
    auto list = MakeList();
    list->SetDirectory(Root + "/a");
    try {
      list->SetDirectoryOrNearest(c.Path);
      ADD_FAILURE() << "no error";
    } catch (const TInOutError& error) {
      EXPECT_EQ(error.ErrorNumber(), c.Error);
      EXPECT_EQ(error.Path(), c.Path);
    }
    EXPECT_EQ(list->Directory(), c.Opened);
    EXPECT_EQ(CurrentFolder(), c.Opened);
  }
  auto list = MakeList();
  EXPECT_NO_THROW(list->SetDirectoryOrNearest(Root + "/a/b/sibling"));
  EXPECT_EQ(list->Directory(), Root + "/a/b/sibling");
}

TEST_F(DirectoryListTest, CaseInsensitiveVolumeComparesPathsWithoutCase) {
  const std::string shouted = Root + "/A/B/C";
  auto fat = MakeList("vfat");
  EXPECT_FALSE(fat->CaseSensitive());
  EXPECT_NO_THROW(fat->SetDirectory(shouted));  // the opened folder itself
  auto ext = MakeList("ext4");
  EXPECT_THROW(ext->SetDirectory(shouted), TInOutError);
}

}  // namespace
