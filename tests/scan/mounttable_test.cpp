#include "scan/mounttable.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "scan/systemmounts.h"
#include "scanfixture.h"

namespace {

struct TFixedDiskCase {
  const char* Name;
  TMount Mount;
  bool Fixed;
};

TMount With(TMount mount, const std::string& fsType, bool blockDevice, bool removable = false) {
  mount.FsType = fsType;
  mount.BlockDevice = blockDevice;
  mount.Removable = removable;
  return mount;
}

TEST(MountTable, FixedDiskRule) {
  const TMount data = Disk("/data");
  const TFixedDiskCase cases[] = {
      {"ext4 disk", data, true},
      {"xfs disk", With(data, "xfs", true), true},
      {"ntfs through fuse on a disk", With(data, "fuseblk", true), true},
      {"usb stick", With(data, "vfat", true, true), false},
      {"optical iso9660", With(data, "iso9660", true), false},
      {"optical udf", With(data, "udf", true), false},
      {"nfs share", With(data, "nfs4", false), false},
      {"cifs share", With(data, "cifs", false), false},
      {"sshfs", With(data, "fuse.sshfs", false), false},
      {"tmpfs", With(data, "tmpfs", false), false},
      {"squashfs image on a loop device", With(data, "squashfs", true), false},
      {"proc", With(data, "proc", false), false},
      {"overlay elsewhere", With(data, "overlay", false), false},
      {"container root overlay", With(Disk("/"), "overlay", false), true},
  };
  for (const auto& c : cases) EXPECT_EQ(IsFixedDisk(c.Mount), c.Fixed) << c.Name;
}

TEST(MountTable, MountPointOfTakesLongestWholeComponentPrefix) {
  const std::vector<TMount> mounts = {Disk("/"), Disk("/data"), Disk("/data/music"),
                                      Disk("/media/cd")};
  const std::pair<const char*, const char*> cases[] = {
      {"/", "/"},
      {"/home/user", "/"},
      {"/data", "/data"},
      {"/data/", "/data"},
      {"/database/x", "/"},  // "/data" is no prefix of a sibling folder
      {"/data/music/rock", "/data/music"},
      {"/data/musical", "/data"},
  };
  for (const auto& [path, drive] : cases) EXPECT_EQ(MountPointOf(mounts, path), drive) << path;
  EXPECT_EQ(MountPointOf({Disk("/data")}, "/home"), "");
}

TEST(MountTable, LaterMountOnSamePointHidesEarlier) {
  const std::vector<TMount> mounts = {Disk("/data", "old"), Disk("/data", "new")};
  ASSERT_NE(FindMount(mounts, "/data"), nullptr);
  EXPECT_EQ(FindMount(mounts, "/data")->Label, "new");
  EXPECT_EQ(FindMount(mounts, "/none"), nullptr);
}

TEST(MountInfo, UnescapesPathsAndSeesNetworkSharesAsNoBlockDevice) {
  const TMount share = ParseMountInfoLine(
      "40 26 0:50 / /mnt/my\\040music\\011tab rw,relatime shared:1 master:2 - nfs4 "
      "server:/export\\040x rw,vers=4.2");
  EXPECT_EQ(share.MountPoint, "/mnt/my music\ttab");
  EXPECT_EQ(share.FsType, "nfs4");
  EXPECT_EQ(share.Source, "server:/export x");
  EXPECT_FALSE(share.BlockDevice);
  EXPECT_FALSE(IsFixedDisk(share));
}

TEST(MountInfo, SystemTableListsARootOnABlockDevice) {
  const std::vector<TMount> mounts = SystemMountSource()->Mounts();
  const TMount* root = FindMount(mounts, "/");
  ASSERT_NE(root, nullptr);
  struct stat st;
  if (!root->Source.starts_with("/dev/") || ::stat(root->Source.c_str(), &st) != 0 ||
      !S_ISBLK(st.st_mode))
    GTEST_SKIP() << "the root is " << root->FsType << " on " << root->Source;
  EXPECT_TRUE(root->BlockDevice);
  EXPECT_EQ(IsFixedDisk(*root), !root->Removable);
}

}  // namespace
