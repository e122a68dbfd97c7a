#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "scan/directorylistbox.h"
#include "scan/harddrivecombobox.h"
#include "scan/inouterror.h"
#include "scan/nativepath.h"
#include "scanfixture.h"
#include "tests/common/tempdir.h"

namespace {

TMount Other(const std::string& mountPoint, const std::string& fsType, bool blockDevice,
             bool removable = false) {
  TMount mount = Disk(mountPoint, "OTHER", fsType);
  mount.BlockDevice = blockDevice;
  mount.Removable = removable;
  return mount;
}

TEST(HardDriveComboBox, ListsOnlyFixedDisksInMountPointOrder) {
  // Two fixed disks and an optical drive, plus what else a Linux machine mounts.
  auto machine = std::make_shared<TFakeMounts>(std::vector<TMount>{
      Disk("/data", ""), Other("/proc", "proc", false), Disk("/", "SYSTEM"),
      Other("/media/cdrom", "iso9660", true), Other("/media/stick", "vfat", true, true),
      Other("/tmp", "tmpfs", false), Other("/net/share", "nfs4", false)});
  TCurrentFolderGuard guard;
  ASSERT_EQ(::chdir("/"), 0);
  THardDriveComboBox combo(nullptr, machine);
  ASSERT_EQ(combo.count(), 2);
  EXPECT_EQ(combo.itemText(0), "/ [system]");
  EXPECT_EQ(combo.itemText(1), "/data []");
  EXPECT_EQ(combo.ItemDrive(1), "/data");
  EXPECT_FALSE(combo.itemIcon(0).isNull());
  EXPECT_EQ(combo.DriveLabelText("/"), "[system]");
  EXPECT_EQ(combo.DriveLabelText("/media/cdrom"), "[other]");
  EXPECT_EQ(combo.DriveLabelText("/nowhere"), "[]");
  // The process started on "/": its drive is current and selected.
  EXPECT_EQ(combo.Drive(), "/");
  EXPECT_EQ(combo.currentIndex(), 0);
}

TEST(HardDriveComboBox, CurrentFolderOnANonDiskLeavesNothingSelected) {
  TTempDir dir;
  const std::string cd = std::filesystem::canonical(dir.Path());
  TCurrentFolderGuard guard;
  ASSERT_EQ(::chdir(cd.c_str()), 0);
  THardDriveComboBox combo(nullptr, std::make_shared<TFakeMounts>(std::vector<TMount>{
                                        Disk("/", "SYSTEM"), Other(cd, "iso9660", true)}));
  EXPECT_EQ(combo.Drive(), cd);
  EXPECT_EQ(combo.currentIndex(), -1);
}

// A machine whose drives are folders of a temporary folder, so the process can enter them.
class DriveChoiceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    C = Root + "/c";
    D = Root + "/d";
    E = Root + "/e";
    for (const std::string& folder : {C, C + "/music", D, D + "/x", E}) MakeFolder(folder);
    ASSERT_EQ(::chdir((C + "/music").c_str()), 0);
    Mounts = std::make_shared<TFakeMounts>(std::vector<TMount>{
        Disk("/", "SYSTEM"), Disk(C, "C"), Disk(D, "D"), Other(E, "iso9660", true)});
    Combo = std::make_unique<THardDriveComboBox>(nullptr, Mounts);
    List = std::make_unique<TDirectoryListBox>(nullptr, Mounts);
    Combo->SetDirList(List.get());
  }

  TTempDir Dir;
  TCurrentFolderGuard Guard;
  const std::string Root = std::filesystem::canonical(Dir.Path());
  std::string C, D, E;  // two disks and an optical drive
  std::shared_ptr<TFakeMounts> Mounts;
  std::unique_ptr<THardDriveComboBox> Combo;
  std::unique_ptr<TDirectoryListBox> List;
};

TEST_F(DriveChoiceTest, ChoosingADriveMovesTheFolderListToItsCurrentFolder) {
  EXPECT_EQ(Combo->Drive(), C);
  EXPECT_EQ(List->Directory(), C + "/music");

  // The user picks drive d in the chooser.
  const int d = Combo->IndexOfDrive(D);
  Combo->setCurrentIndex(d);
  emit Combo->activated(d);
  EXPECT_EQ(Combo->Drive(), D);
  EXPECT_EQ(List->Directory(), D);
  EXPECT_EQ(CurrentFolder(), D);

  List->SetDirectory(D + "/x");
  Combo->SetDrive(C);
  EXPECT_EQ(List->Directory(), C + "/music");  // each drive keeps its own current folder
  Combo->SetDrive(D);
  EXPECT_EQ(List->Directory(), D + "/x");
}

TEST_F(DriveChoiceTest, OpeningAFolderOnAnotherDriveMovesTheChooserFirst) {
  List->SetDirectory(D + "/x");
  EXPECT_EQ(Combo->Drive(), D);
  EXPECT_EQ(Combo->currentIndex(), Combo->IndexOfDrive(D));
  EXPECT_EQ(List->Directory(), D + "/x");
  EXPECT_EQ(Combo->CurrentFolderOf(D), D + "/x");

  // A link on drive c that leads onto drive d moves the chooser to d as well.
  ASSERT_EQ(::symlink((D + "/x").c_str(), (C + "/to-d").c_str()), 0);
  Combo->SetDrive(C);
  List->SetDirectory(C + "/to-d");
  EXPECT_EQ(Combo->Drive(), D);
  EXPECT_EQ(List->Directory(), D + "/x");
}

TEST_F(DriveChoiceTest, SetDriveRules) {
  const std::string before = List->Directory();
  Combo->SetDrive(C);  // the current drive with its item selected: nothing
  EXPECT_EQ(List->Directory(), before);

  Combo->SetDrive("");
  EXPECT_EQ(Combo->Drive(), "");
  EXPECT_EQ(Combo->currentIndex(), -1);

  Combo->SetDrive(D + "/");
  EXPECT_EQ(Combo->Drive(), D);
  EXPECT_EQ(Combo->currentIndex(), Combo->IndexOfDrive(D));

  // An unlisted drive becomes current; the selection stays where it was.
  Combo->SetDrive(E);
  EXPECT_EQ(Combo->Drive(), E);
  EXPECT_EQ(Combo->currentIndex(), Combo->IndexOfDrive(D));
  EXPECT_EQ(List->Directory(), E);
}

TEST_F(DriveChoiceTest, RemovedCurrentFolderFallsBackToTheDriveRoot) {
  List->SetDirectory(D + "/x");
  Combo->SetDrive(C);
  std::filesystem::remove(D + "/x");
  Combo->SetDrive(D);
  EXPECT_EQ(List->Directory(), D);
}

TEST_F(DriveChoiceTest, DriveThatCannotBeEnteredRaisesAndKeepsTheList) {
  std::filesystem::remove_all(D);
  const int rows = List->count();
  try {
    Combo->SetDrive(D);
    FAIL() << "no error";
  } catch (const TInOutError& error) {
    EXPECT_STREQ(error.what(), std::strerror(ENOENT));
  }
  EXPECT_EQ(List->Directory(), C + "/music");
  EXPECT_EQ(List->count(), rows);
  EXPECT_EQ(CurrentFolder(), C + "/music");
}

}  // namespace
