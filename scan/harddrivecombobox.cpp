#include "scan/harddrivecombobox.h"

#include <QStyle>
#include <algorithm>

#include "scan/nativepath.h"

namespace {

QString LabelText(const TMount* mount) {
  return "[" + (mount ? mount->Label.toLower() : QString()) + "]";
}

}  // namespace

THardDriveComboBox::THardDriveComboBox(QWidget* parent, std::shared_ptr<const TMountSource> mounts)
    : TDriveComboBox(parent, std::move(mounts)) {
  CreateList();
}

QString THardDriveComboBox::DriveLabelText(const std::string& drive) const {
  return LabelText(FindMount(Source->Mounts(), drive));
}

void THardDriveComboBox::FillDriveList() {
  clear();
  const std::vector<TMount> mounts = Source->Mounts();
  std::vector<std::string> disks;
  for (const TMount& mount : mounts) {
    // Only the mount on top of a mount point counts; a shadowed one cannot be reached.
    if (FindMount(mounts, mount.MountPoint) == &mount && IsFixedDisk(mount))
      disks.push_back(mount.MountPoint);
  }
  std::sort(disks.begin(), disks.end());
  const QIcon icon = style()->standardIcon(QStyle::SP_DriveHDIcon);
  for (const std::string& disk : disks)
    AddDrive(disk, DisplayPath(disk) + " " + LabelText(FindMount(mounts, disk)), icon);
}
